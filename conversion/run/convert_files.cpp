// One conversion over the three files, in this order: the source is read and closed, the UCF
// is read, rewritten in place and closed, the EDIF file's last-write time is renewed. Each
// file is closed before the next is opened. The options can send the new text elsewhere,
// in which case the UCF is only read and the EDIF file left alone.
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "conversion/core/byte_order.h"
#include "conversion/core/instance_names.h"
#include "conversion/core/lane_lines.h"
#include "conversion/core/source_plan.h"
#include "conversion/run/conversion_run.h"
#include "conversion/run/edif_refresh.h"
#include "conversion/run/output_file.h"
#include "conversion/run/source_reading.h"
#include "conversion/run/ucf_preview.h"
#include "conversion/run/ucf_update.h"
#include "platform/interrupt_guard.h"

namespace {

// The source on its way to the lanes: the bytes read and, for an image file, the chunks
// decoded from them (which an ELF file's point into).
struct Source {
    SourceBytes bytes;
    ImageFormat format = ImageFormat::Bin;
    ImageChunks chunks;
};

bool Refuse(SourceRefusal refusal, FailedStep step, const MemoryLayout& layout,
            ConversionOutcome& outcome) {
    outcome.failedStep = step;
    outcome.refusal = refusal;
    outcome.reason = RefusalReason(outcome, layout);
    return false;
}

// Read, decode and plan: no memory is taken for the image yet. False when the source cannot
// be had or is not taken: `outcome` says why.
bool ReadAndPlan(const ConversionRequest& request, const ConversionOptions& options,
                 const MemoryLayout& layout, Source& source, ConversionOutcome& outcome) {
    SourceBytes& bytes = source.bytes;
    outcome.error = options.sourceFromStandardInput ? ReadStandardInputSource(bytes)
                                                    : ReadSource(request.sourceFile, bytes);
    if (outcome.error != 0) return false;
    source.format = ChosenFormat(options.format, request.sourceFile,
                                 options.sourceFromStandardInput, bytes.data.get(), bytes.size);
    outcome.sourceFormat = source.format;
    const bool hexWords = source.format == ImageFormat::HexWords;
    outcome.layoutProblem = CheckSourceLayout(layout, hexWords, options.swapWidth);
    if (outcome.layoutProblem != LayoutProblem::None)
        return Refuse(SourceRefusal::Layout, FailedStep::Source, layout, outcome);
    if (options.baseGiven && !TakesBase(source.format))
        return Refuse(SourceRefusal::BaseNotTaken, FailedStep::Source, layout, outcome);
    if (options.sections.Picks() && source.format != ImageFormat::Elf)
        return Refuse(SourceRefusal::SectionsNotElf, FailedStep::Source, layout, outcome);

    std::uint64_t imageBytes = bytes.size;
    const bool image = source.format != ImageFormat::Bin;
    if (image) {
        ImageError error;
        try {
            error = ReadImageChunks(source.format, bytes.data.get(), bytes.size, source.chunks,
                                    WordBits(layout), options.sections);
            if (!error) error = PlanImage(source.chunks, options.base, imageBytes);
        } catch (const std::bad_alloc&) {
            outcome.error = SystemErrorFor(FileProblem::OutOfMemory);
            return false;
        }
        if (error) {
            outcome.reason = error.reason;
            if (error.tooLarge) outcome.error = SystemErrorFor(FileProblem::TooLarge);
            return false;
        }
        // The text is done with once decoded; an ELF file's chunks still point into it.
        if (source.chunks.external == nullptr) bytes = SourceBytes();
        outcome.sourceDescription =
            hexWords && WordBits(layout) != 8
                ? DescribeHexWords(imageBytes / WordBytes(layout), WordBits(layout))
                : DescribeImage(source.format, options.base, imageBytes, source.chunks);
    }
    outcome.source = PlanSource(imageBytes, layout, options.swapWidth,
                                image ? &source.chunks : nullptr, options.base);
    switch (CheckPlan(outcome.source, options.maxInstances,
                      static_cast<SynthesizerKind>(request.synthesizer))) {
        case PlanLimit::Within:
            break;
        case PlanLimit::TooLarge:
            outcome.error = SystemErrorFor(FileProblem::TooLarge);
            return false;
        case PlanLimit::OneInstanceOnly:
            return Refuse(SourceRefusal::OneInstanceOnly, FailedStep::TooManyInstances, layout,
                          outcome);
        case PlanLimit::TooManyInstances:
            return Refuse(SourceRefusal::TooManyInstances, FailedStep::TooManyInstances, layout,
                          outcome);
    }
    // An empty source is most often a step before that failed (an image not made, a pipe
    // from a program that wrote nothing), not the wish for an empty memory.
    if (options.refuseEmptySource && outcome.source.words == 0)
        return Refuse(SourceRefusal::Empty, FailedStep::Source, layout, outcome);
    return true;
}

// The lanes' lines: a raw binary's bytes swapped where they were read, an image file's
// placed from its chunks.
WideLines LayOutSource(Source& source, const ConversionOptions& options, const SourcePlan& plan,
                       const MemoryLayout& layout, std::span<const std::string_view> components,
                       SynthesizerKind synthesizer) {
    WordImage image;
    if (source.format == ImageFormat::Bin) {
        std::uint8_t* data = source.bytes.data.get();
        if (plan.bytes > source.bytes.size) {
            std::memset(data + source.bytes.size, 0,
                        static_cast<std::size_t>(plan.bytes - source.bytes.size));
        }
        ReverseWordBytes(data, static_cast<std::size_t>(plan.bytes), options.swapWidth);
        image = WordImage::FromBytes(data, plan.bytes);
    } else {
        image = WordImage::FromPieces(source.chunks, options.base, options.fill, options.swapWidth,
                                      plan.bytes);
    }
    return LayOutLanes(image, layout, components, synthesizer, options.quoteNames);
}

// What each component gets written.
void CountWrittenLines(const WideLines& lines, ConversionOutcome& outcome) {
    for (std::size_t i = 0; i < lines.lanes.size() && i < outcome.components.size(); ++i) {
        const GeneratedLines& data = lines.lanes[i].data;
        ComponentOutcome& component = outcome.components[i];
        component.linesWritten = LaneLineCount(lines.lanes[i]);
        component.instancesWritten = LaneInstanceCount(lines.lanes[i]);
        if (component.instancesWritten > 0) {
            component.firstInstance = InstanceName(data.component, data.synthesizer, 0);
            component.lastInstance =
                InstanceName(data.component, data.synthesizer,
                             static_cast<std::uint32_t>(component.instancesWritten - 1));
        }
    }
}

}  // namespace

ConversionOutcome ConvertFiles(const ConversionRequest& request, const ConversionOptions& options) {
    ConversionOutcome outcome;
    const MemoryLayout layout = LayoutOf(options);
    const std::vector<std::string_view> components = ComponentsOf(request, options);
    // The command line refuses such layouts; a caller that does not is told before any file
    // is touched.
    outcome.layoutProblem = CheckLayout(layout);
    if (outcome.layoutProblem != LayoutProblem::None) {
        Refuse(SourceRefusal::Layout, FailedStep::Source, layout, outcome);
        return outcome;
    }
    if (options.output == UcfOutput::File) {
        const RunFailure failure =
            CheckOutputIsNoInputOf(options.outputFile, request, options.sourceFromStandardInput);
        if (failure) {
            outcome.FailAt(FailedStep::Output, failure);
            return outcome;
        }
    }
    Source source;
    if (!ReadAndPlan(request, options, layout, source, outcome)) {
        if (outcome.failedStep == FailedStep::None) outcome.failedStep = FailedStep::Source;
        return outcome;
    }
    const auto synthesizer = static_cast<SynthesizerKind>(request.synthesizer);
    WideLines lines;
    try {
        lines = LayOutSource(source, options, outcome.source, layout, components, synthesizer);
    } catch (const std::length_error&) {
        outcome.error = SystemErrorFor(FileProblem::TooLarge);
    } catch (const std::bad_alloc&) {
        outcome.error = SystemErrorFor(FileProblem::OutOfMemory);
    }
    if (outcome.error != 0) {
        outcome.failedStep = FailedStep::Source;
        return outcome;
    }
    // The lanes hold their own bits, unless they are the source's bytes as read.
    if (!lines.packed.empty()) source = Source();
    for (const std::string_view component : components)
        outcome.components.emplace_back().component = component;
    const bool inPlace = options.output == UcfOutput::InPlace;
    if (inPlace) {
        UpdateUcf(request.ucfFile, lines, options, outcome);
    } else {
        PreviewUcf(request.ucfFile, lines, options, outcome);
    }
    // The lines count and name what they wrote without their bytes.
    source = Source();
    if (!outcome.Succeeded()) return outcome;

    CountWrittenLines(lines, outcome);
    // An interrupt that waited for the rewrite stops the run here.
    if (inPlace && !InterruptHeld()) {
        const bool renew = !outcome.unchanged || options.renewWhenUnchanged;
        outcome.edifError = RefreshEdif(request.edifFile, {options.createMissingEdif, renew});
    }
    return outcome;
}
