// The conversion run as the user sees it: the work of ConvertFiles, told in one message box.
#include "conversion/run/conversion_run.h"

namespace {

constexpr char kSourceLabel[] = "Source binary file:";
constexpr char kUcfLabel[] = "Destination UCF file:";
constexpr char kSuccessText[] = "UCF file updated!";
constexpr char kSuccessCaption[] = "INFORMATION";
constexpr char kErrorCaption[] = "ERROR";

bool NamesTheSource(FailedStep step) {
    return step == FailedStep::Source || step == FailedStep::TooManyInstances;
}

std::string FailurePrefix(const ConversionRequest& request, FailedStep step) {
    const std::string& path = NamesTheSource(step) ? request.sourceFile : request.ucfFile;
    return FailureLabel(step) + "\n" + path + "\n\n";
}

}  // namespace

void RunConversion(const ConversionRequest& request, MessageOwner& owner,
                   const ConversionOptions& options) {
    const ConversionOutcome outcome = ConvertFiles(request, options);
    if (outcome.Succeeded()) {
        owner.ShowMessage(kSuccessText, kSuccessCaption, kMbOk | kMbIconInformation);
        return;
    }
    if (!outcome.reason.empty()) {
        owner.ShowMessage(FailureText(request, outcome), kErrorCaption, kMbOk | kMbIconStop);
        return;
    }
    SetLastSystemError(outcome.error);
    ShowSystemError(owner, FailurePrefix(request, outcome.failedStep));
}

void ShowSystemError(MessageOwner& owner, const std::string& prefix) {
    const SystemErrorCode error = LastSystemError();
    owner.ShowMessage(prefix + SystemErrorText(error), kErrorCaption, kMbOk | kMbIconStop);
}

std::string FailureLabel(FailedStep step) {
    return NamesTheSource(step) ? kSourceLabel : kUcfLabel;
}

std::string RefusalReason(const ConversionOutcome& outcome, const MemoryLayout& layout) {
    const std::string words = "words of " + std::to_string(WordBits(layout)) + " bits";
    const std::uint64_t instances = outcome.source.instances;
    const std::string needs =
        "the data needs " + std::to_string(instances) + " block RAM instances of " +
        std::to_string(std::uint64_t{layout.linesPerInstance} * kBytesPerLine) + " bytes";
    switch (outcome.refusal) {
        case SourceRefusal::None:
            break;
        case SourceRefusal::Layout:
            if (outcome.layoutProblem == LayoutProblem::NotWholeBytes)
                return words + " are no whole bytes: such words come from a hex word file";
            if (outcome.layoutProblem == LayoutProblem::SwapNotWholeBytes)
                return words + " are no whole bytes: their bytes cannot be swapped";
            return "the memory's layout is not one that block RAM instances hold";
        case SourceRefusal::BaseNotTaken:
            return "this file holds hex words, which take no base address";
        case SourceRefusal::SectionsNotElf:
            return "this file is no ELF file, which has no sections to pick";
        case SourceRefusal::Empty:
            return "the source is empty; nothing was changed";
        case SourceRefusal::OneInstanceOnly:
            // The dialog's Synthesizer list with nothing selected.
            return needs +
                   ", and with no synthesizer selected every instance would have the same "
                   "name: select Synopsys or XST";
        case SourceRefusal::TooManyInstances:
            return needs + ", more than the run allows";
    }
    return {};
}

std::string FailureReason(const RunFailure& failure) {
    if (failure.reason.empty()) return SystemErrorText(failure.error);
    if (failure.error == 0) return failure.reason;
    std::string text = SystemErrorText(failure.error);
    if (!failure.afterError.empty()) {
        // The system's own line end would split the sentence.
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        text += failure.afterError;
    }
    return failure.reason + ": " + text;
}

std::string FailureText(const ConversionRequest& request, const ConversionOutcome& outcome) {
    return FailurePrefix(request, outcome.failedStep) + FailureReason(outcome);
}
