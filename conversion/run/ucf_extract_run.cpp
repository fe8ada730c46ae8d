#include "conversion/run/ucf_extract_run.h"

#include <new>
#include <string_view>
#include <utility>

#include "conversion/core/byte_order.h"
#include "conversion/run/output_file.h"
#include "conversion/run/ucf_preview.h"
#include "platform/standard_streams.h"

ExtractionOutcome ExtractUcfImage(const ConversionRequest& request,
                                  const ConversionOptions& options) {
    ExtractionOutcome outcome;
    const auto fail = [&outcome](FailedStep step, RunFailure failure) {
        outcome.failedStep = step;
        outcome.failure = std::move(failure);
        return outcome;
    };
    const MemoryLayout layout = LayoutOf(options);
    const std::vector<std::string_view> components = ComponentsOf(request, options);
    const ExtractedFormat format =
        options.extractHexWords ? ExtractedFormat::HexWords : ExtractedFormat::Raw;
    // The command line refuses such layouts; a caller that does not is told so.
    const LayoutProblem problem =
        format == ExtractedFormat::Raw ? CheckByteLayout(layout) : CheckLayout(layout);
    if (problem != LayoutProblem::None)
        return fail(FailedStep::Ucf, RunFailure(DescribeLayoutProblem(problem, layout)));

    if (options.extractFile != "-") {
        // An extraction reads no source.
        if (RunFailure failure = CheckOutputIsNoInputOf(options.extractFile, request, true))
            return fail(FailedStep::Output, std::move(failure));
    }
    ExtractedImage extracted;
    {
        std::string text;
        if (RunFailure failure = ReadUcfUnchanged(request.ucfFile, options.lockWait, text))
            return fail(FailedStep::Ucf, std::move(failure));
        try {
            extracted =
                ExtractImage(text, components, static_cast<SynthesizerKind>(request.synthesizer),
                             layout, format);
        } catch (const std::bad_alloc&) {
            return fail(FailedStep::Ucf, SystemErrorFor(FileProblem::OutOfMemory));
        }
    }
    if (!extracted.Succeeded()) return fail(FailedStep::Ucf, RunFailure(extracted.reason));

    std::string& image = extracted.image;
    if (format == ExtractedFormat::Raw && IsSwapWidth(options.swapWidth)) {
        // The image is whole lines, whose words fill whole swap words; a padding is only for
        // a layout where they would not.
        try {
            image.resize(static_cast<std::size_t>(PaddedToWords(image.size(), options.swapWidth)));
        } catch (const std::bad_alloc&) {
            return fail(FailedStep::Output, SystemErrorFor(FileProblem::OutOfMemory));
        }
        ReverseWordBytes(reinterpret_cast<std::uint8_t*>(image.data()), image.size(),
                         options.swapWidth);
    }
    const OutputProducer produce = [&image](const OutputWrite& write) {
        return write(image.data(), image.size());
    };
    std::string problemAfterwards;
    RunFailure written = options.extractFile == "-"
                             ? RunFailure(produce(WriteStandardOutput))
                             : WriteOutputFile(options.extractFile, produce, problemAfterwards);
    if (written) return fail(FailedStep::Output, std::move(written));
    if (!problemAfterwards.empty()) outcome.warnings.push_back(problemAfterwards);

    outcome.components.assign(components.begin(), components.end());
    outcome.lanes = std::move(extracted.lanes);
    outcome.words = extracted.words;
    outcome.imageSize = image.size();
    for (std::string& warning : ExtractWarnings(extracted)) outcome.warnings.push_back(warning);
    return outcome;
}
