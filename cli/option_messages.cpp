#include "cli/option_messages.h"

#include "conversion/core/hex_digits.h"
#include "conversion/run/conversion_run.h"

namespace {

std::string Components(unsigned lanes) {
    return std::to_string(lanes) + (lanes == 1 ? " component" : " components");
}

std::string Instances(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " block RAM instance" : " block RAM instances");
}

std::uint64_t BytesPerInstance(const ConversionOptions& options) {
    return std::uint64_t{options.linesPerInstance} * kBytesPerLine;
}

// What would let a plan of far-apart data fit: a base at its first byte, or leaving out the
// ELF section that lies far above the rest.
std::string Remedy(const ConversionOutcome& outcome, const ConversionOptions& options) {
    const SourcePlan& plan = outcome.source;
    const std::uint64_t instance = BytesPerInstance(options);
    if (!plan.lastSection.empty() && plan.lastGap >= instance)
        return "; -R " + plan.lastSection + " leaves out the section that ends it";
    if (plan.firstData >= instance && TakesBase(outcome.sourceFormat))
        return "; --base " + HexNumber(options.base + plan.firstData) +
               " starts the image at its first data";
    return {};
}

}  // namespace

std::string DescribeLayoutProblem(LayoutProblem problem, const MemoryLayout& layout) {
    const std::string width = "--width " + std::to_string(layout.width);
    const std::string words = "words of " + std::to_string(WordBits(layout)) + " bits";
    switch (problem) {
        case LayoutProblem::None:
            return {};
        case LayoutProblem::BadBlockRamSize:
            return "--bram must be 4k, 16k or 32k";
        case LayoutProblem::WidthNotAllowed:
            return width + " is not a width of --bram " +
                   BlockRamSizeName(layout.linesPerInstance) + " (" +
                   AllowedWidthsText(layout.linesPerInstance) + ")";
        case LayoutProblem::LaneCount:
            return "--component is given " + std::to_string(layout.lanes) +
                   " times; a memory has 1 to " + std::to_string(kMaxLanes) + " components";
        case LayoutProblem::WordTooWide:
            return width + " with " + Components(layout.lanes) + " makes " + words +
                   ", more than " + std::to_string(kMaxWordBits);
        case LayoutProblem::NotWholeBytes:
            return width + " with " + Components(layout.lanes) + " makes " + words +
                   ", which are no whole bytes: such words come from a hex word file "
                   "(--format mem)";
        case LayoutProblem::SwapNotWholeBytes:
            return "--swap-bytes: " + words + " are no whole bytes";
        case LayoutProblem::HexWordsSwapped:
            return "--swap-bytes: hex words (.mem) have no bytes to swap";
    }
    return {};
}

std::string RefusalText(const ConversionOutcome& outcome, const ConversionOptions& options) {
    const std::string perComponent = options.moreComponents.empty() ? "" : " per component";
    const std::string needs = "the data needs " + Instances(outcome.source.instances) + " of " +
                              std::to_string(BytesPerInstance(options)) + " bytes" + perComponent;
    switch (outcome.refusal) {
        case SourceRefusal::None:
            break;
        case SourceRefusal::Layout:
            return DescribeLayoutProblem(outcome.layoutProblem, LayoutOf(options));
        case SourceRefusal::BaseNotTaken:
            if (outcome.sourceFormat == ImageFormat::HexWords)
                return "this file holds hex words, which take no base address (--base is for "
                       "Intel HEX, S-records and ELF)";
            return "by its content this source is a raw binary (no ELF header, no Intel HEX "
                   "or S-record line first), which takes no base address (--base is for Intel "
                   "HEX, S-records and ELF)";
        case SourceRefusal::SectionsNotElf:
            return "this file is no ELF file (--only-section and --remove-section are for ELF)";
        case SourceRefusal::Empty:
            return "the source is empty; nothing was changed (--allow-empty removes the "
                   "component's lines and writes none)";
        case SourceRefusal::OneInstanceOnly:
            return "--synthesizer none names one instance, and " + needs;
        case SourceRefusal::TooManyInstances: {
            std::string text = needs + ", more than --max-instances " +
                               std::to_string(options.maxInstances) + " allows";
            if (!outcome.sourceDescription.empty())
                text += ": " + outcome.sourceDescription + Remedy(outcome, options);
            return text;
        }
    }
    return FailureReason(outcome);
}

std::string ExtractionFailureText(const ExtractionOutcome& outcome,
                                  const ConversionOptions& options) {
    if (outcome.extractFailure == ExtractFailure::TooManyInstances) {
        return "the UCF names " + Instances(outcome.instances) + " per component, up to " +
               outcome.lastInstance + ", more than --max-instances " +
               std::to_string(options.maxInstances) + " allows";
    }
    if (outcome.layoutProblem != LayoutProblem::None)
        return DescribeLayoutProblem(outcome.layoutProblem, LayoutOf(options));
    return FailureReason(outcome);
}
