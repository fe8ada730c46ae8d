// How a conversion run goes beyond the five values of its request. The defaults are what the
// dialog's Convert button does.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/components_removal.h"
#include "conversion/core/elf_image.h"
#include "conversion/core/generated_lines.h"
#include "conversion/core/image_format.h"
#include "conversion/core/memory_layout.h"
#include "conversion/run/conversion_request.h"
#include "platform/file_access.h"

// Where the new UCF text goes.
enum class UcfOutput {
    InPlace,         // over the UCF, then the EDIF file is refreshed
    DryRun,          // nowhere: the files are only read, nothing is changed or created
    File,            // to `outputFile`; the UCF is only read, the EDIF file is left alone
    StandardOutput,  // the same, to standard output
};

struct ConversionOptions {
    // How long the run waits for other runs on the same UCF: the dialog gives up after 10 s
    // rather than freeze; the command line waits as long as it takes and says so.
    LockWait lockWait{std::chrono::seconds(10), nullptr};

    // The source is standard input, read to its end; the request's source path only names it.
    bool sourceFromStandardInput = false;
    // What the source file holds. The dialog takes every source as a raw binary; the command
    // line's default is ImageFormat::Auto.
    ImageFormat format = ImageFormat::Bin;
    // For Intel HEX, S-records and ELF: the address of the memory's first byte (data below it
    // fails the run), and whether it was given at all (the other formats refuse one).
    std::uint64_t base = 0;
    bool baseGiven = false;
    // The value of the bytes in an image file's gaps.
    std::uint8_t fill = 0x00;
    // For ELF: the sections the image is made of (all allocated ones with contents when no
    // choice is made); other formats refuse a choice.
    SectionChoice sections;
    // Lines per block RAM instance: kLinesPerInstance4k, 16k or 32k.
    std::uint32_t linesPerInstance = kLinesPerInstance4k;
    // The memory's layout (conversion/core/memory_layout.h): the bits of one lane's word, and
    // the components of lanes 1, 2, ... after the request's, which is lane 0. The dialog's is
    // the byte-wide memory: width 8, one component.
    unsigned width = 8;
    std::vector<std::string> moreComponents;
    // Word size whose bytes are reversed (2, 4 or 8) after a short last word is padded with
    // zeros; 1 takes the bytes as they are.
    unsigned swapWidth = 1;
    // More instances in a lane than this fail the run before the UCF is opened, an extraction
    // before the image is made; 0 is no limit.
    std::uint64_t maxInstances = 0;

    UcfOutput output = UcfOutput::InPlace;
    std::string outputFile;  // for UcfOutput::File
    // When the new text is the old one, the dialog's run still gives the UCF and the EDIF file
    // a new last-write time; the command line leaves both alone (a build that compares times
    // then redoes nothing after it) unless told to renew them.
    bool renewWhenUnchanged = true;
    // A missing EDIF file: the dialog's run creates it empty, the command line's does not.
    bool createMissingEdif = true;
    // Whether the old text counts as the new one also when it holds the very lines the run
    // writes as one block where they stand, the rest being the kept text, rather than at its
    // end: a memory converted before another one's lines were appended. The dialog's run (and
    // the command line's with --drop-placements, which writes the dialog's text) moves them
    // to the end as always.
    bool linesInPlaceAreUnchanged = false;

    // A source of no bytes fails the run before the UCF is opened (the dialog's run removes
    // the component's lines and writes none).
    bool refuseEmptySource = false;
    // How the component's old lines are told (the dialog's: every line of an instance named
    // without quotes, nothing without a naming convention), and whether the new lines name
    // their instances in quotes.
    RemovalRules removal;
    bool quoteNames = false;
    // For an extraction (conversion/run/ucf_extract_run.h): the image file it writes ("-":
    // standard output), and whether as a hex word file rather than raw bytes.
    std::string extractFile;
    bool extractHexWords = false;

    // Whether a run also finds what the command line's warnings need (the removed lines that
    // are no INIT_xx constraint, the lines under the other naming, the chains the old lines
    // made), from the text it reads.
    bool removalDetails = false;
};

// The layout the options give.
inline MemoryLayout LayoutOf(const ConversionOptions& options) {
    return {options.linesPerInstance, options.width,
            static_cast<unsigned>(1 + options.moreComponents.size())};
}

// The components in lane order, viewing the request's and the options' names.
inline std::vector<std::string_view> ComponentsOf(const ConversionRequest& request,
                                                  const ConversionOptions& options) {
    std::vector<std::string_view> components{request.component};
    components.insert(components.end(), options.moreComponents.begin(),
                      options.moreComponents.end());
    return components;
}
