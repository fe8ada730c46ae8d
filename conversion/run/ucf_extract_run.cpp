#include "conversion/run/ucf_extract_run.h"

#include <new>
#include <string_view>
#include <utility>

#include "conversion/run/output_file.h"
#include "conversion/run/ucf_reading.h"
#include "platform/standard_streams.h"

ExtractionOutcome ExtractUcfImage(const ConversionRequest& request,
                                  const ConversionOptions& options) {
    ExtractionOutcome outcome;
    const auto fail = [&outcome](FailedStep step, const RunFailure& failure) {
        outcome.FailAt(step, failure);
        return outcome;
    };
    const MemoryLayout layout = LayoutOf(options);
    const std::vector<std::string_view> components = ComponentsOf(request, options);
    const ExtractedFormat format =
        options.extractHexWords ? ExtractedFormat::HexWords : ExtractedFormat::Raw;
    // The command line refuses such layouts; a caller that does not is told so.
    outcome.layoutProblem =
        CheckExtractedLayout(layout, options.extractHexWords, options.swapWidth);
    if (outcome.layoutProblem != LayoutProblem::None)
        return fail(FailedStep::Ucf, RunFailure("the layout cannot be extracted into this file"));

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
                             layout, format, options.maxInstances);
        } catch (const std::bad_alloc&) {
            return fail(FailedStep::Ucf, SystemErrorFor(FileProblem::OutOfMemory));
        }
    }
    outcome.extractFailure = extracted.failure;
    outcome.instances = extracted.instances;
    outcome.lastInstance = extracted.lastInstance;
    if (!extracted.Succeeded()) return fail(FailedStep::Ucf, RunFailure(extracted.reason));

    const OutputProducer produce = [&](const OutputWrite& write) {
        SystemErrorCode error = 0;
        try {
            WriteExtractedImage(extracted, options.swapWidth,
                                [&](const char* bytes, std::size_t size) {
                                    error = write(bytes, size);
                                    return error == 0;
                                });
        } catch (const std::bad_alloc&) {
            return SystemErrorFor(FileProblem::OutOfMemory);
        }
        return error;
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
    outcome.imageSize = ExtractedImageSize(extracted);
    for (std::string& warning : ExtractWarnings(extracted)) outcome.warnings.push_back(warning);
    return outcome;
}
