// What one conversion run did, as a plain value: the step that failed with the system's
// reason, or what was removed and written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "conversion/core/image_format.h"
#include "conversion/core/memory_layout.h"
#include "conversion/core/source_plan.h"
#include "conversion/core/ucf_inventory.h"
#include "conversion/run/run_failure.h"
#include "platform/file_access.h"

// What the run did to one component (one lane of the memory), for its report line.
struct ComponentOutcome {
    std::string component;  // as given
    std::uint64_t linesRemoved = 0;
    // Of those, the lines that were no INIT_xx constraint (a placement, for instance).
    std::uint64_t otherLinesRemoved = 0;
    // When none were removed: whether the UCF holds lines for the component under the other
    // naming convention, which stay beside the new ones.
    bool otherConventionLines = false;
    std::uint64_t linesWritten = 0;  // INIT_xx and INITP_xx lines
    std::uint64_t instancesWritten = 0;
    std::string firstInstance;  // the instances written, when there are any
    std::string lastInstance;
    // The lines of its instances that the removal rules kept in place.
    std::uint64_t linesKept = 0;
    // With removalDetails: its instances' INIT_xx and INITP_xx lines in the old text.
    ChainSummary oldLines;
};

// Succeeded(), or the step that failed and why (the base).
struct ConversionOutcome : RunFailure {
    // One per component, in the order given (the request's first).
    std::vector<ComponentOutcome> components;
    // What the source was when it was an image file rather than a raw binary, for the report:
    // "Intel HEX, 2048 bytes at 0x0000..0x07FF"; empty for a raw binary. Known once the source
    // is planned, with the plan itself.
    std::string sourceDescription;
    ImageFormat sourceFormat = ImageFormat::Bin;
    SourcePlan source;
    std::uint64_t oldUcfSize = 0;  // bytes
    std::uint64_t newUcfSize = 0;
    bool unchanged = false;  // the new text is the old one
    // With removalDetails, when some component had no INIT_xx or INITP_xx lines: the
    // components of the chains that the old text's lines make (grouped as --list groups them),
    // in the order of their first lines.
    std::vector<std::string> oldChains;

    // The UCF's rollback journal (see conversion/run/rollback_journal.h): an earlier run had died
    // while rewriting the UCF and this run first put its old text back; or this run failed
    // and could not put the old text back, which the journal now holds for the next run.
    bool journalRecovered = false;
    bool journalKept = false;
    std::string journalPath;  // the journal's name, known once the UCF is held or read
    // A run that only read the UCF found a journal, which the next run in place puts back
    // first (what it read is the text after that).
    bool journalPending = false;
    // How many names (hard links) the UCF has: a killed run is put right only through the
    // name it used, whose journal it is.
    std::uint64_t ucfNames = 1;
    // A failure after the new text was in place and its journal deleted (a folder that could
    // not be flushed, a close that reported an error): the run succeeded, and this says what
    // went wrong afterwards.
    std::string problemAfterCommit;

    // Why the EDIF file's last-write time could not be renewed after the UCF was rewritten;
    // 0 when it was, or when no EDIF file was named. The run succeeded all the same.
    SystemErrorCode edifError = 0;
};
