#include "conversion/run/ucf_preview.h"

#include <cstdint>
#include <filesystem>
#include <new>
#include <string_view>
#include <system_error>

#include "conversion/core/generated_line_stream.h"
#include "conversion/run/rollback_journal.h"
#include "conversion/core/ucf_rewriter.h"
#include "platform/interrupt_guard.h"
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
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ignored;
    return std::filesystem::is_directory(folder, ignored);
#endif
}

// Writes the kept text and then the generated lines through `write`; 0 or its error.
SystemErrorCode WriteText(std::string_view kept, const GeneratedLines& lines,
                          const std::function<SystemErrorCode(const char*, std::size_t)>& write) {
    SystemErrorCode error = write(kept.data(), kept.size());
    if (error != 0) return error;
    try {
        StreamGeneratedLines(lines, [&](const char* text, std::size_t size) {
            error = write(text, size);
            return error == 0;
        });
    } catch (const std::bad_alloc&) {
        return SystemErrorFor(FileProblem::OutOfMemory);
    }
    return error;
}

// The file the output replaces: a link's target, so that the link stays a link.
std::string ReplacedFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) return path;
    const std::filesystem::path target = std::filesystem::canonical(path, error);
    return error ? path : target.string();
}

// Writes the new text to a file of its own beside `path` and then puts it in the place of
// `path`: a failure at any point leaves `path` as it was, and no half-written file behind.
// A device or a FIFO at `path` (`-o /dev/null`) is written into as it is, never replaced.
// `problemAfterwards`: what failed once the new file was in place (its folder's flush).
RunFailure WriteOutputFile(const std::string& path, std::string_view kept,
                           const GeneratedLines& lines, std::string& problemAfterwards) {
    File file;
    // An empty path names no file, and no folder for a file beside it: it fails as it would
    // for the UCF.
    if (path.empty()) {
        file.Open(path, FileOpening::ReadShared);
        return file.Error() != 0 ? file.Error() : SystemErrorFor(FileProblem::ReadFault);
    }
    const auto write = [&file](const char* text, std::size_t size) -> SystemErrorCode {
        return file.WriteFully(text, size) ? 0 : file.Error();
    };
    bool special = false;
    bool exists = false;
    if (const SystemErrorCode error = IsSpecialFile(path, special, exists)) return error;
    if (special) {
        if (!file.Open(path, FileOpening::WriteExisting)) return file.Error();
        SystemErrorCode error = WriteText(kept, lines, write);
        if (!file.Close() && error == 0) error = file.Error();
        return error;
    }
    const std::string target = ReplacedFile(path);
    std::string temporary;
    if (const SystemErrorCode error = CreateTemporaryBeside(target, file, temporary)) {
        return {"cannot create a temporary file beside it", error};
    }
    // Until the temporary has taken the old file's place, an interrupt waits; a failure
    // removes it.
    InterruptHold hold;
    SystemErrorCode error = WriteText(kept, lines, write);
    // On the disk before it takes the old file's place, as the UCF is before a run reports.
    if (error == 0 && !file.Flush()) error = file.Error();
    if (!file.Close() && error == 0) error = file.Error();
    if (error == 0) error = ReplaceFileWith(temporary, target);
    if (error != 0) {
        RemoveFile(temporary);
        hold.Release(RewriteEnd::Undone);
        return error;
    }
    hold.Release(RewriteEnd::Completed);
    if (const SystemErrorCode flush = FlushFolderOf(target)) {
        problemAfterwards = "the new file is in place, but its folder could not be flushed: " +
                            SystemErrorText(flush);
    }
    return {};
}

}  // namespace

RunFailure ReadUcfUnchanged(const std::string& path, const LockWait& wait, std::string& text) {
    text.clear();
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
    RunFailure failure = RecoveredText(JournalPath(resolved), status, text);
    ucf.Close();  // only read: nothing to lose at the close
    return failure;
}

void FindRemovalDetails(std::string_view ucfText, const GeneratedLines& lines,
                        const RemovalRules& rules, ConversionOutcome& outcome) {
    const RemovalCounts removed =
        CountRemovedLines(ucfText, lines.component, lines.synthesizer, rules);
    outcome.otherLinesRemoved = removed.removedOtherLines;
    outcome.otherConventionLines = false;
    if (removed.removedLines == 0 && (IsSynopsys(lines.synthesizer) || IsXst(lines.synthesizer))) {
        const SynthesizerKind other =
            IsXst(lines.synthesizer) ? SynthesizerKind::Synopsys : SynthesizerKind::Xst;
        outcome.otherConventionLines =
            CountRemovedLines(ucfText, lines.component, other, rules).removedLines > 0;
    }
}

void PreviewUcf(const std::string& path, const GeneratedLines& lines,
                const ConversionOptions& options, ConversionOutcome& outcome,
                const std::function<void()>& releaseSource) {
    const auto fail = [&](FailedStep step, const RunFailure& why) {
        releaseSource();
        outcome.failedStep = step;
        outcome.error = why.error;
        outcome.reason = why.reason;
    };
    RunFailure failure;
    {
        std::string oldText;
        if ((failure = ReadUcfUnchanged(path, options.lockWait, oldText))) {
            return fail(FailedStep::Ucf, failure);
        }
        KeptText kept;
        try {
            kept = KeptUcfText(oldText, lines.component, lines.synthesizer, lines.size > 0,
                               options.removal);
        } catch (const std::bad_alloc&) {
            return fail(FailedStep::Ucf, SystemErrorFor(FileProblem::OutOfMemory));
        }
        outcome.oldUcfSize = oldText.size();
        outcome.newUcfSize = kept.text.size() + GeneratedTextSize(lines);
        outcome.linesRemoved = kept.removedLines;
        outcome.linesKept = kept.keptLines;
        FindRemovalDetails(oldText, lines, options.removal, outcome);
        oldText = std::string();

        if (options.output == UcfOutput::StandardOutput) {
            failure = WriteText(kept.text, lines, WriteStandardOutput);
        } else if (options.output == UcfOutput::File) {
            failure =
                WriteOutputFile(options.outputFile, kept.text, lines, outcome.problemAfterCommit);
        }
    }
    if (failure) return fail(FailedStep::Output, failure);
    releaseSource();
}
