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
#include "conversion/core/lane_lines.h"
#include "conversion/run/conversion_run.h"
#include "conversion/run/edif_refresh.h"
#include "conversion/run/output_file.h"
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

// The source's words: its bytes as they are, or, for words that are no whole bytes (which
// only hex words give), the words taken from their bytes.
struct SourceWords {
    SourceBytes bytes;
    std::vector<std::uint64_t> words;
    bool ofWords = false;

    WordImage Image() const {
        return ofWords ? WordImage::FromWords(words.data(), words.size())
                       : WordImage::FromBytes(bytes.data.get(), bytes.size);
    }
};

// False when the source cannot be had: `outcome` says why.
bool ReadSourceFor(const ConversionRequest& request, const ConversionOptions& options,
                   SourceWords& source, ConversionOutcome& outcome) {
    SourceBytes& bytes = source.bytes;
    SystemErrorCode error = options.sourceFromStandardInput ? ReadStandardInputSource(bytes)
                                                            : ReadSource(request.sourceFile, bytes);
    if (error == 0 && !DecodeSourceImage(request.sourceFile, options, bytes, outcome)) return false;
    const MemoryLayout layout = LayoutOf(options);
    const unsigned wordBits = WordBits(layout);
    if (error == 0 && wordBits % 8 != 0) {
        // Such words cannot be taken from a binary, nor their bytes be swapped.
        const std::string reason = !bytes.hexWords
                                       ? DescribeLayoutProblem(LayoutProblem::NotWholeBytes, layout)
                                   : IsSwapWidth(options.swapWidth)
                                       ? "--swap-bytes reverses bytes, and words of " +
                                             std::to_string(wordBits) + " bits are no whole bytes"
                                       : std::string();
        if (!reason.empty()) {
            source = SourceWords();
            outcome.reason = reason;
            return false;
        }
        try {
            const unsigned wordBytes = (wordBits + 7) / 8;
            source.words.resize(bytes.size / wordBytes);
            for (std::size_t k = 0; k < source.words.size(); ++k) {
                std::uint64_t word = 0;
                for (unsigned i = wordBytes; i-- > 0;)
                    word = word << 8 | bytes.data.get()[k * wordBytes + i];
                // The fill is in every byte of a gap's words: as many bits as a word has.
                source.words[k] = word & ((std::uint64_t{1} << wordBits) - 1);
            }
        } catch (const std::bad_alloc&) {
            error = SystemErrorFor(FileProblem::OutOfMemory);
        }
        source.ofWords = true;
        bytes = SourceBytes();
    }
    if (error == 0 && !source.ofWords && IsSwapWidth(options.swapWidth))
        error = SwapBytes(bytes, options.swapWidth);
    if (error != 0) source = SourceWords();
    outcome.error = error;
    return error == 0;
}

// What each component gets written, and the counts of all of them together.
void CountWrittenLines(const WideLines& lines, ConversionOutcome& outcome) {
    for (std::size_t i = 0; i < lines.lanes.size() && i < outcome.components.size(); ++i) {
        const LaneLines& lane = lines.lanes[i];
        ComponentOutcome& component = outcome.components[i];
        component.linesWritten = LaneLineCount(lane);
        component.instancesWritten = LaneInstanceCount(lane);
        if (component.instancesWritten > 0) {
            component.firstInstance = InstanceName(lane.data, 0);
            component.lastInstance =
                InstanceName(lane.data, static_cast<std::uint32_t>(component.instancesWritten - 1));
        }
    }
    outcome.linesRemoved = outcome.otherLinesRemoved = outcome.linesKept = 0;
    outcome.linesWritten = outcome.instancesWritten = 0;
    outcome.otherConventionLines = false;
    for (const ComponentOutcome& component : outcome.components) {
        outcome.linesRemoved += component.linesRemoved;
        outcome.otherLinesRemoved += component.otherLinesRemoved;
        outcome.linesKept += component.linesKept;
        outcome.otherConventionLines =
            outcome.otherConventionLines || component.otherConventionLines;
        outcome.linesWritten += component.linesWritten;
        outcome.instancesWritten += component.instancesWritten;
    }
    if (outcome.instancesWritten > 0) {
        outcome.firstInstance = outcome.components.front().firstInstance;
        outcome.lastInstance = outcome.components.back().lastInstance;
    }
}

}  // namespace

ConversionOutcome ConvertFiles(const ConversionRequest& request, const ConversionOptions& options) {
    ConversionOutcome outcome;
    MemoryLayout layout = LayoutOf(options);
    if (!IsLinesPerInstance(layout.linesPerInstance)) layout.linesPerInstance = kLinesPerInstance4k;
    const std::vector<std::string_view> components = ComponentsOf(request, options);
    // The command line refuses such layouts; a caller that does not is told before any file
    // is touched.
    if (const LayoutProblem problem = CheckLayout(layout); problem != LayoutProblem::None) {
        outcome.failedStep = FailedStep::Source;
        outcome.reason = DescribeLayoutProblem(problem, layout);
        return outcome;
    }
    if (options.output == UcfOutput::File) {
        const RunFailure failure =
            CheckOutputIsNoInputOf(options.outputFile, request, options.sourceFromStandardInput);
        if (failure) {
            outcome.failedStep = FailedStep::Output;
            outcome.reason = failure.reason;
            return outcome;
        }
    }
    SourceWords source;
    if (!ReadSourceFor(request, options, source, outcome)) {
        outcome.failedStep = FailedStep::Source;
        return outcome;
    }
    // An empty source is most often a step before that failed (an image not made, a pipe
    // from a program that wrote nothing), not the wish for an empty memory.
    if (options.refuseEmptySource && ImageWordCount(source.Image(), layout) == 0) {
        outcome.failedStep = FailedStep::Source;
        outcome.reason =
            "the source is empty; nothing was changed (--allow-empty removes the component's "
            "lines and writes none)";
        return outcome;
    }
    const auto synthesizer = static_cast<SynthesizerKind>(request.synthesizer);
    WideLines lines;
    try {
        lines = LayOutLanes(source.Image(), layout, components, synthesizer);
    } catch (const std::length_error&) {
        outcome.error = SystemErrorFor(FileProblem::TooLarge);
    } catch (const std::bad_alloc&) {
        outcome.error = SystemErrorFor(FileProblem::OutOfMemory);
    }
    if (outcome.error != 0) {
        outcome.failedStep = FailedStep::Source;
        return outcome;
    }
    for (LaneLines& lane : lines.lanes) {
        lane.data.quotedNames = options.quoteNames;
        lane.parity.quotedNames = options.quoteNames;
    }
    // Packed lanes hold copies of their bits; otherwise the lines are the source's bytes.
    if (!lines.packed.empty()) source = SourceWords();
    outcome.instancesNeeded = LaneInstanceCount(lines.lanes.front());
    if (options.maxInstances != 0 && outcome.instancesNeeded > options.maxInstances) {
        outcome.failedStep = FailedStep::TooManyInstances;
        return outcome;
    }
    for (const std::string_view component : components)
        outcome.components.emplace_back().component = component;
    const auto releaseSource = [&source] { source = SourceWords(); };
    const bool inPlace = options.output == UcfOutput::InPlace;
    if (inPlace) {
        UpdateUcf(request.ucfFile, lines, options, outcome, releaseSource);
    } else {
        PreviewUcf(request.ucfFile, lines, options, outcome, releaseSource);
    }
    if (!outcome.Succeeded()) return outcome;

    CountWrittenLines(lines, outcome);
    if (inPlace) outcome.edifError = RefreshEdif(request.edifFile);
    return outcome;
}
