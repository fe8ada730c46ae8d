// One conversion over the three files, in this order: the source is read and closed, the UCF
// is read, rewritten in place and closed, the EDIF file's last-write time is renewed. Each
// file is closed before the next is opened.
#include <cstdint>

#include "conversion/conversion_run.h"
#include "conversion/edif_refresh.h"
#include "conversion/generated_lines.h"
#include "conversion/source_reading.h"
#include "conversion/ucf_update.h"

ConversionOutcome ConvertFiles(const ConversionRequest& request, const ConversionOptions& options) {
    ConversionOutcome outcome;
    SourceBytes source;
    if (const SystemErrorCode error = ReadSource(request.sourceFile, options.faults, source)) {
        outcome.failedStep = FailedStep::Source;
        outcome.error = error;
        return outcome;
    }
    const GeneratedLines lines{source.data.get(), static_cast<std::uint32_t>(source.size),
                               request.component,
                               static_cast<SynthesizerKind>(request.synthesizer)};
    UpdateUcf(request.ucfFile, lines, options, outcome, [&source] { source = SourceBytes(); });
    if (!outcome.Succeeded()) return outcome;

    outcome.linesWritten = GeneratedLineCount(lines);
    outcome.instancesWritten = GeneratedInstanceCount(lines);
    if (outcome.instancesWritten > 0) {
        outcome.firstInstance = InstanceName(lines, 0);
        outcome.lastInstance =
            InstanceName(lines, static_cast<std::uint32_t>(outcome.instancesWritten - 1));
    }
    RefreshEdif(request.edifFile, options.faults);
    return outcome;
}
