// Why a run or one of its steps failed, in one shape for every run (a conversion, a preview,
// an extraction): the step, the system's error, the run's own reason, and the codes that each
// front end words itself.
#pragma once

#include <string>
#include <utility>

#include "conversion/core/memory_layout.h"
#include "conversion/core/ucf_extract.h"
#include "platform/file_access.h"

enum class FailedStep {
    None,    // nothing failed (the EDIF refresh never fails a run; see edifError)
    Source,  // the source could not be opened, read or taken: nothing was touched
    Ucf,     // the UCF could not be opened, read or written: it is as it was
    // The data needs more instances than the run allows (source.instances says how many):
    // the UCF was not opened.
    TooManyInstances,
    Output,  // the output file or standard output could not be written: the UCF is untouched
};

// Why the run would not take its source, when that is no file's fault but the options' or the
// plan's: each front end says it in its own words.
enum class SourceRefusal {
    None,
    Layout,            // the source cannot give the memory's words (layoutProblem says why)
    BaseNotTaken,      // a base for a format whose addresses are no byte addresses
    SectionsNotElf,    // sections picked from a source that is no ELF file
    Empty,             // an empty source, with refuseEmptySource
    OneInstanceOnly,   // no naming convention, and the data needs more than one instance
    TooManyInstances,  // more instances in a lane than maxInstances
};

struct RunFailure {
    FailedStep failedStep = FailedStep::None;  // set where the run knows which step it was
    SystemErrorCode error = 0;                 // the system's reason
    // The run's own account (a malformed image, a journal that is not ours), shown in the
    // system's text's place, followed by ": " and that text when `error` is set too.
    std::string reason;
    std::string afterError;  // what follows the system's text, when it does not end the story
    SourceRefusal refusal = SourceRefusal::None;
    LayoutProblem layoutProblem = LayoutProblem::None;
    ExtractFailure extractFailure = ExtractFailure::None;

    RunFailure() = default;
    RunFailure(SystemErrorCode code) : error(code) {}  // NOLINT: a plain error converts
    RunFailure(std::string text, SystemErrorCode code = 0) : error(code), reason(std::move(text)) {}

    // Whether a step failed (the step itself is the run's to set).
    explicit operator bool() const { return error != 0 || !reason.empty(); }
    bool Succeeded() const { return failedStep == FailedStep::None; }
    // The run fails at `step` for the reason `why` gives; the codes stay as they were set.
    void FailAt(FailedStep step, const RunFailure& why) {
        failedStep = step;
        error = why.error;
        reason = why.reason;
        afterError = why.afterError;
    }
};
