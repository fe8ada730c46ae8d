// One conversion over the three files, in this order: the source is read and closed, the UCF
// is read, rewritten in place and closed, the EDIF file's last-write time is renewed. Each
// file is closed before the next is opened. The options can send the new text elsewhere,
// in which case the UCF is only read and the EDIF file left alone.
#include <cstdint>
#include <cstring>
#include <utility>

#include "conversion/core/byte_order.h"
#include "conversion/run/conversion_run.h"
#include "conversion/run/edif_refresh.h"
#include "conversion/core/generated_lines.h"
#include "conversion/run/source_reading.h"
#include "conversion/run/ucf_preview.h"
#include "conversion/run/ucf_update.h"

namespace {

// The source as words with their bytes reversed, a short last word padded with zeros first.
SystemErrorCode SwapBytes(SourceBytes& source, unsigned width) {
    const std::uint64_t padded = PaddedToWords(source.size, width);
    if (padded > kMaxSourceSize) return SystemErrorFor(FileProblem::TooLarge);
    if (padded != source.size) {
        const auto size = static_cast<std::size_t>(padded);
        LargeBuffer larger;
        if (!larger.Allocate(size)) return SystemErrorFor(FileProblem::OutOfMemory);
        if (source.size > 0) std::memcpy(larger.get(), source.data.get(), source.size);
        std::memset(larger.get() + source.size, 0, size - source.size);
        source.data = std::move(larger);
        source.size = size;
    }
    ReverseWordBytes(source.data.get(), source.size, width);
    return 0;
}

// False when the source cannot be had: `outcome` says why.
bool ReadSourceFor(const ConversionRequest& request, const ConversionOptions& options,
                   SourceBytes& source, ConversionOutcome& outcome) {
    SystemErrorCode error = options.sourceFromStandardInput
                                ? ReadStandardInputSource(source)
                                : ReadSource(request.sourceFile, source);
    if (error == 0 && !DecodeSourceImage(request.sourceFile, options, source, outcome))
        return false;
    if (error == 0 && IsSwapWidth(options.swapWidth)) error = SwapBytes(source, options.swapWidth);
    if (error != 0) source = SourceBytes();
    outcome.error = error;
    return error == 0;
}

}  // namespace

ConversionOutcome ConvertFiles(const ConversionRequest& request, const ConversionOptions& options) {
    ConversionOutcome outcome;
    SourceBytes source;
    if (!ReadSourceFor(request, options, source, outcome)) {
        outcome.failedStep = FailedStep::Source;
        return outcome;
    }
    // An empty source is most often a step before that failed (an image not made, a pipe
    // from a program that wrote nothing), not the wish for an empty memory.
    if (options.refuseEmptySource && source.size == 0) {
        outcome.failedStep = FailedStep::Source;
        outcome.reason =
            "the source is empty; nothing was changed (--allow-empty removes the component's "
            "lines and writes none)";
        return outcome;
    }
    const GeneratedLines lines{source.data.get(),
                               static_cast<std::uint32_t>(source.size),
                               request.component,
                               static_cast<SynthesizerKind>(request.synthesizer),
                               IsLinesPerInstance(options.linesPerInstance)
                                   ? options.linesPerInstance
                                   : kLinesPerInstance4k,
                               LineAttribute::Init,
                               options.quoteNames};
    outcome.instancesNeeded = GeneratedInstanceCount(lines);
    if (options.maxInstances != 0 && outcome.instancesNeeded > options.maxInstances) {
        outcome.failedStep = FailedStep::TooManyInstances;
        return outcome;
    }
    const auto releaseSource = [&source] { source = SourceBytes(); };
    const bool inPlace = options.output == UcfOutput::InPlace;
    if (inPlace) {
        UpdateUcf(request.ucfFile, lines, options, outcome, releaseSource);
    } else {
        PreviewUcf(request.ucfFile, lines, options, outcome, releaseSource);
    }
    if (!outcome.Succeeded()) return outcome;

    outcome.linesWritten = GeneratedLineCount(lines);
    outcome.instancesWritten = outcome.instancesNeeded;
    if (outcome.instancesWritten > 0) {
        outcome.firstInstance = InstanceName(lines, 0);
        outcome.lastInstance =
            InstanceName(lines, static_cast<std::uint32_t>(outcome.instancesWritten - 1));
    }
    if (inPlace) outcome.edifError = RefreshEdif(request.edifFile);
    return outcome;
}
