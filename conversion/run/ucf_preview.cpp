#include "conversion/run/ucf_preview.h"

#include <cstdint>
#include <new>
#include <string_view>

#include "conversion/core/components_removal.h"
#include "conversion/core/instance_names.h"
#include "conversion/run/output_file.h"
#include "conversion/run/rollback_journal.h"
#include "conversion/run/ucf_update.h"
#include "platform/standard_streams.h"

#ifndef _WIN32
#include <cerrno>
#endif

namespace {

// Whether a failed open means the UCF is missing in a folder that exists, where an in-place
// run would create it.
bool IsMissingUcf(const std::string& path, SystemErrorCode error) {
#ifdef _WIN32
    (void)path;
    return error == 2;  // ERROR_FILE_NOT_FOUND; a missing folder is ERROR_PATH_NOT_FOUND
#else
    // ENOENT also stands for a missing folder and for the empty path.
    if (error != ENOENT || path.empty()) return false;
    FileStatus folder;
    bool exists = false;
    return StatusAtPath(FolderOf(path), true, folder, exists) == 0 && exists && folder.folder;
#endif
}

// Writes the kept text and then every lane's lines through `write`; 0 or its error.
SystemErrorCode WriteText(std::string_view kept, const WideLines& lines, const OutputWrite& write) {
    SystemErrorCode error = write(kept.data(), kept.size());
    if (error != 0) return error;
    try {
        StreamWideLines(lines, [&](const char* text, std::size_t size) {
            error = write(text, size);
            return error == 0;
        });
    } catch (const std::bad_alloc&) {
        return SystemErrorFor(FileProblem::OutOfMemory);
    }
    return error;
}

}  // namespace

RunFailure ReadUcfUnchanged(const std::string& path, const LockWait& wait, std::string& text) {
    bool pending = false;
    return ReadUcfUnchanged(path, wait, text, pending);
}

RunFailure ReadUcfUnchanged(const std::string& path, const LockWait& wait, std::string& text,
                            bool& journalPending) {
    text.clear();
    journalPending = false;
    File ucf;
    if (!ucf.Open(path, FileOpening::ReadShared)) {
        return IsMissingUcf(path, ucf.Error()) ? 0 : ucf.Error();
    }
    FileStatus status;
    if (!ucf.Status(status)) return ucf.Error();
    if (!status.regular) return RunFailure("not a regular file (a device, a FIFO or a socket)");
    // A run rewriting it is waited for, so that what is read is a whole text.
    if (!ucf.LockForRun(true, wait) || !ucf.Status(status)) return ucf.Error();
    std::string resolved;
    if (!ucf.ResolvedPath(path, resolved)) return ucf.Error();
    if (status.state.size > kMaxUcfSize) return SystemErrorFor(FileProblem::TooLarge);
    try {
        text.resize(static_cast<std::size_t>(status.state.size));
    } catch (const std::bad_alloc&) {
        return SystemErrorFor(FileProblem::OutOfMemory);
    }
    if (!ucf.Seek(0) || !ucf.ReadFully(text.data(), text.size())) {
        text.clear();
        return ucf.Error();
    }
    // A run that died half-way left its journal: the text is what the next run will put back.
    RunFailure failure =
        RecoveredText(JournalPath(resolved), status, ucf.Origin(), text, journalPending);
    ucf.Close();  // only read: nothing to lose at the close
    return failure;
}

std::vector<std::string_view> LaneComponents(const WideLines& lines) {
    std::vector<std::string_view> components;
    for (const LaneLines& lane : lines.lanes) components.push_back(lane.data.component);
    return components;
}

void RecordRemoval(std::string_view ucfText, std::span<const std::string_view> components,
                   SynthesizerKind synthesizer, const std::vector<RemovalCounts>& removed,
                   bool details, const RemovalRules& rules, ConversionOutcome& outcome) {
    std::vector<std::string_view> noneRemoved;  // whose lines of the other naming matter
    std::vector<std::size_t> which;
    for (std::size_t i = 0; i < removed.size() && i < outcome.components.size(); ++i) {
        ComponentOutcome& component = outcome.components[i];
        component.linesRemoved = removed[i].removedLines;
        component.linesKept = removed[i].keptLines;
        component.otherLinesRemoved = details ? removed[i].removedOtherLines : 0;
        component.otherConventionLines = false;
        if (removed[i].removedLines == 0) {
            noneRemoved.push_back(components[i]);
            which.push_back(i);
        }
    }
    if (!details || !HasNamingConvention(synthesizer) || noneRemoved.empty()) return;
    const SynthesizerKind other =
        IsXst(synthesizer) ? SynthesizerKind::Synopsys : SynthesizerKind::Xst;
    // One walk for all of them, unless their names meet under the other naming, where a line
    // would count for the first of them only.
    const bool apart = !FindOverlappingComponents(noneRemoved, other).has_value();
    for (std::size_t j = 0; j < noneRemoved.size(); ++j) {
        if (apart && j > 0) break;
        const std::span<const std::string_view> names =
            apart ? std::span<const std::string_view>(noneRemoved) : std::span(&noneRemoved[j], 1);
        const std::vector<RemovalCounts> counts = CountRemovedLines(ucfText, names, other, rules);
        for (std::size_t k = 0; k < counts.size(); ++k)
            outcome.components[which[apart ? k : j]].otherConventionLines =
                counts[k].removedLines > 0;
    }
}

void PreviewUcf(const std::string& path, const WideLines& lines, const ConversionOptions& options,
                ConversionOutcome& outcome, const std::function<void()>& releaseSource) {
    const auto fail = [&](FailedStep step, const RunFailure& why) {
        releaseSource();
        outcome.failedStep = step;
        outcome.error = why.error;
        outcome.reason = why.reason;
        outcome.afterError = why.afterError;
    };
    const std::vector<std::string_view> components = LaneComponents(lines);
    const SynthesizerKind synthesizer = lines.lanes.front().data.synthesizer;
    RunFailure failure;
    {
        std::string oldText;
        if ((failure = ReadUcfUnchanged(path, options.lockWait, oldText, outcome.journalPending))) {
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
        RecordRemoval(oldText, components, synthesizer, kept.removed, true, options.removal,
                      outcome);
        oldText = std::string();

        const OutputProducer produce = [&](const OutputWrite& write) {
            return WriteText(kept.text, lines, write);
        };
        if (options.output == UcfOutput::StandardOutput) {
            failure = produce(WriteStandardOutput);
        } else if (options.output == UcfOutput::File) {
            failure = WriteOutputFile(options.outputFile, produce, outcome.problemAfterCommit);
        }
    }
    if (failure) return fail(FailedStep::Output, failure);
    releaseSource();
}
