#include "conversion/run/ucf_preview.h"

#include <cstdint>
#include <new>
#include <string_view>

#include "conversion/run/output_file.h"
#include "conversion/run/rewrite_plan.h"
#include "conversion/run/ucf_reading.h"
#include "platform/standard_streams.h"

void PreviewUcf(const std::string& path, const WideLines& lines, const ConversionOptions& options,
                ConversionOutcome& outcome) {
    const auto fail = [&](FailedStep step, const RunFailure& why) { outcome.FailAt(step, why); };
    const std::vector<std::string_view> components = LaneComponents(lines);
    const SynthesizerKind synthesizer = lines.lanes.front().data.synthesizer;
    RunFailure failure;
    {
        std::string oldText;
        if ((failure = ReadUcfUnchanged(path, options.lockWait, oldText, outcome.journalPending,
                                        outcome.journalPath))) {
            return fail(FailedStep::Ucf, failure);
        }
        RewritePlan plan;
        try {
            plan = PlanRewrite(oldText, lines, options);
        } catch (const std::bad_alloc&) {
            return fail(FailedStep::Ucf, SystemErrorFor(FileProblem::OutOfMemory));
        }
        ComponentsKeptText& kept = plan.kept;
        outcome.newUcfSize = plan.newSize;
        outcome.unchanged = plan.unchanged;
        outcome.oldUcfSize = oldText.size();
        RecordRemoval(oldText, components, synthesizer, plan, true, options.removal, outcome);
        // Lines already in place: the new text is the old one as it stands.
        if (!plan.linesInPlace) oldText = std::string();

        const OutputProducer produce = [&](const OutputWrite& write) -> SystemErrorCode {
            if (plan.linesInPlace) return write(oldText.data(), oldText.size());
            SystemErrorCode error = 0;
            try {
                StreamNewText(
                    kept.text, lines, 0,
                    [&](const char* text, std::size_t size) {
                        error = write(text, size);
                        return error == 0;
                    },
                    kFileLineBlock);
            } catch (const std::bad_alloc&) {
                return SystemErrorFor(FileProblem::OutOfMemory);
            }
            return error;
        };
        if (options.output == UcfOutput::StandardOutput) {
            failure = produce(WriteStandardOutput);
        } else if (options.output == UcfOutput::File) {
            failure = WriteOutputFile(options.outputFile, produce, outcome.problemAfterCommit);
        }
    }
    if (failure) return fail(FailedStep::Output, failure);
}
