// The UCF step of an in-place run, as one straight sequence: lock, recover, read until the
// text settles, plan, write with the journal, commit or undo.
#include "conversion/run/ucf_update.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/run/journal_format.h"
#include "conversion/run/new_text_digests.h"
#include "conversion/run/rollback_journal.h"
#include "conversion/run/run_failure.h"
#include "conversion/run/rewrite_plan.h"
#include "conversion/run/sector_writer.h"
#include "conversion/run/ucf_reading.h"
#include "platform/interrupt_guard.h"
#include "platform/large_buffer.h"

namespace {

#ifdef _WIN32
constexpr bool kWindowsIdentity = true;
#else
constexpr bool kWindowsIdentity = false;
#endif

// An editor that keeps saving by renaming while runs convert: each save is converted, up to
// this many times in one run.
constexpr int kMaxRounds = 10;

const char kNotRegular[] = "not a regular file (a device, a FIFO or a socket); nothing was written";
const char kChangedMeanwhile[] =
    "changed by another program during the conversion; nothing was written";

// The UCF as the run holds it: open, locked against other runs, a plain file.
struct HeldUcf {
    File file;
    FileStatus status;
    std::string journal;   // its rollback journal's path
    bool created = false;  // made by this run's open
    bool locked = false;
    bool madeHere = false;  // created by this run's open, and still empty once locked
};

// Lock: opens the UCF (created when missing) and waits for the runs before this one. The path
// may meanwhile name another file (an editor saved by renaming, a run removed the file it had
// made): it is then opened again, so that the lock held is the path's.
RunFailure OpenAndLock(const std::string& path, const LockWait& wait, HeldUcf& ucf) {
    constexpr int kMaxOpenings = 1000;
    for (int opening = 0;; ++opening) {
        ucf.locked = false;
        if (!ucf.file.Open(path, FileOpening::ReadWriteAlways)) return ucf.file.Error();
        ucf.created = ucf.file.Created();
        // The new name on the disk before anything refers to it: a journal must never outlast
        // the file it was written for.
        if (ucf.created) {
            if (const SystemErrorCode error = FlushFolderOf(path)) return error;
        }
        if (!ucf.file.Status(ucf.status)) return ucf.file.Error();
        if (!ucf.status.regular) return RunFailure(kNotRegular);
        if (!ucf.file.LockForRun(false, wait)) return ucf.file.Error();
        ucf.locked = true;
        bool same = false;
        if (!ucf.file.StillAtPath(path, same)) return ucf.file.Error();
        if (!same && opening < kMaxOpenings) continue;
        std::string resolved;
        if (!ucf.file.ResolvedPath(path, resolved) || !ucf.file.Status(ucf.status)) {
            return ucf.file.Error();
        }
        ucf.journal = JournalPath(resolved);
        ucf.madeHere = ucf.created && ucf.status.state.size == 0;
        return {};
    }
}

// A file this run made goes again after a failure, but only while the run holds its lock and
// it is still empty: a run that took it over meanwhile has written its own text into it.
void CloseOrRemoveMadeFile(HeldUcf& ucf, const std::string& path) {
    if (!ucf.file.IsOpen()) return;
    bool remove = ucf.created;
    if (remove && !ucf.locked) {
        remove = ucf.file.LockForRun(false, LockWait{std::chrono::milliseconds(1), nullptr});
    }
    FileStatus now;
    if (remove && ucf.file.Status(now) && now.state.size == 0) {
        ucf.file.CloseAndRemove(path);
    } else {
        ucf.file.Close();
    }
}

// Recover: undoes the last rewrite of a run that died, which its journal holds. `reopen`: the
// dead run had created the file, which is gone again.
RunFailure Recover(HeldUcf& ucf, const std::string& path, ConversionOutcome& outcome,
                   bool& reopen) {
    JournalRecovery recovery = JournalRecovery::NoJournal;
    InterruptHold hold;
    RunFailure failure = RecoverFromJournal(ucf.file, path, ucf.status, ucf.journal, recovery);
    hold.Release(failure ? RewriteEnd::InJournal : RewriteEnd::Undone);
    if (failure) return failure;
    outcome.journalRecovered = outcome.journalRecovered || recovery != JournalRecovery::NoJournal;
    reopen = recovery == JournalRecovery::RemovedUcf;
    if (recovery == JournalRecovery::Restored && !ucf.file.Status(ucf.status)) {
        return ucf.file.Error();
    }
    return {};
}

// Whether another program changed the file since `atRead`: its size, last-write or change
// time. The one test of "the UCF changed under us", made after the read, before the journal
// is written and before the first byte is overwritten.
RunFailure ChangedSince(File& file, const FileState& atRead, bool& changed) {
    FileStatus now;
    if (!file.Status(now)) return file.Error();
    changed = !(now.state == atRead);
    return {};
}

// Read: the whole text, and the file's state it was read in.
RunFailure ReadWhole(HeldUcf& ucf, LargeBuffer& text, FileState& atRead, bool& changed) {
    if (RunFailure failure = ReadWholeText(ucf.file, text, atRead)) return failure;
    return ChangedSince(ucf.file, atRead, changed);
}

// The read that settles: the text and its plan, read once more when another program changed
// the file meanwhile; a second change fails the run.
RunFailure ReadSettled(HeldUcf& ucf, const WideLines& lines, const ConversionOptions& options,
                       LargeBuffer& oldBytes, FileState& atRead, RewritePlan& plan) {
    for (int reading = 0;; ++reading) {
        bool changed = false;
        if (RunFailure failure = ReadWhole(ucf, oldBytes, atRead, changed)) return failure;
        if (!changed) {
            try {
                plan = PlanRewrite(std::string_view(oldBytes.chars(), oldBytes.size()), lines,
                                   options);
            } catch (const std::bad_alloc&) {
                return SystemErrorFor(FileProblem::OutOfMemory);
            }
            if (RunFailure failure = ChangedSince(ucf.file, atRead, changed)) return failure;
        }
        if (!changed) return {};
        if (reading == 1) return RunFailure(kChangedMeanwhile);
    }
}

// Write: the new text from `from` on over the UCF, then its length and the flush.
bool WriteNewText(File& file, const RewritePlan& plan, const WideLines& lines) {
    if (!file.Seek(plan.from)) return false;
    SectorAlignedWriter writer(file, plan.from);
    const bool written = StreamNewText(
        plan.kept.text, lines, plan.from,
        [&writer](const char* text, std::size_t size) { return writer.Put(text, size); },
        kFileLineBlock);
    return written && writer.Finish() && file.Resize(plan.newSize) && file.Flush();
}

// Undo: the old text back over the file (or the file gone, when this run made it), then the
// journal deleted. What is on disk afterwards.
RewriteEnd Undo(HeldUcf& ucf, const std::string& path, std::string_view oldText,
                std::uint64_t from) {
    bool removed = false;
    if (ucf.madeHere) {
        if (!ucf.file.Resize(0) || !ucf.file.Flush()) return RewriteEnd::InJournal;
        RemoveJournal(ucf.journal, removed);
        if (!removed) return RewriteEnd::InJournal;
        ucf.file.CloseAndRemove(path);
        return RewriteEnd::Undone;
    }
    if (!PutBack(ucf.file, from, oldText.substr(static_cast<std::size_t>(from)), oldText.size())) {
        return RewriteEnd::InJournal;
    }
    // A journal that cannot go only puts the same old text back again next time.
    RemoveJournal(ucf.journal, removed);
    return RewriteEnd::Undone;
}

// The journal's header for rewriting `oldText` as planned.
JournalHeader HeaderFor(HeldUcf& ucf, std::string_view oldText, const RewritePlan& plan) {
    JournalHeader header;
    header.oldLength = oldText.size();
    header.savedFrom = plan.from;
    header.newLength = plan.newSize;
    header.createdUcf = ucf.madeHere;
    header.identity = ucf.status.identity;
    header.windowsIdentity = kWindowsIdentity;
    header.origin = ucf.file.Origin();
    header.prefixHash = Xxh64(oldText.data(), static_cast<std::size_t>(plan.from));
    return header;
}

// The journalled write: the journal with the new text's digests, the check that the file is
// still the one read, the new text, and the commit that deletes the journal; after a failure
// the old text is put back. `end` receives what is on the disk afterwards.
RunFailure WriteWithJournal(HeldUcf& ucf, const std::string& path, std::string_view oldText,
                            const FileState& atRead, const RewritePlan& plan,
                            const WideLines& lines, ConversionOutcome& outcome, RewriteEnd& end) {
    end = RewriteEnd::Undone;
    const JournalHeader header = HeaderFor(ucf, oldText, plan);
    std::vector<std::uint32_t> digests;
    try {
        digests = NewTextDigestsOf(header, plan.kept.text, lines);
    } catch (const std::bad_alloc&) {
        return SystemErrorFor(FileProblem::OutOfMemory);
    }
    if (RunFailure failure =
            WriteJournal(ucf.journal, oldText, header, digests, ucf.status.permissions)) {
        return failure;
    }
    // The journal holds the text as read; a change until now is seen, and nothing is
    // written from a text that is no longer the file's.
    bool changed = false;
    RunFailure failure = ChangedSince(ucf.file, atRead, changed);
    if (!failure && changed) failure = RunFailure(kChangedMeanwhile);
    if (failure) {
        bool removed = false;
        RemoveJournal(ucf.journal, removed);
        outcome.journalKept = !removed;
        end = removed ? RewriteEnd::Undone : RewriteEnd::InJournal;
        return failure;
    }
    bool written = false;
    try {
        written = WriteNewText(ucf.file, plan, lines);
    } catch (const std::bad_alloc&) {
        failure = SystemErrorFor(FileProblem::OutOfMemory);
    }
    if (!written && !failure) failure = ucf.file.Error();
    // Commit: deleting the journal makes the new text the file's.
    bool removed = false;
    SystemErrorCode removal = 0;
    if (!failure) {
        removal = RemoveJournal(ucf.journal, removed);
        // The new text is whole on the disk; a journal that stays would take it back.
        if (!removed)
            failure = RunFailure("cannot delete its rollback journal " + ucf.journal, removal);
    }
    if (failure) {
        end = Undo(ucf, path, oldText, plan.from);
        outcome.journalKept = end == RewriteEnd::InJournal;
        return failure;
    }
    if (removal != 0) {
        outcome.problemAfterCommit =
            "the new text is in place, but the folder of its deleted rollback journal "
            "could not be flushed: " +
            SystemErrorText(removal);
    }
    end = RewriteEnd::Completed;
    return {};
}

// One conversion of the text the path names now. `again`: an editor renamed a new file over
// the UCF meanwhile, which gets the conversion too.
RunFailure ConvertOnce(HeldUcf& ucf, const std::string& path, const WideLines& lines,
                       const ConversionOptions& options, ConversionOutcome& outcome, bool& again) {
    again = false;
    LargeBuffer oldBytes;
    FileState atRead;
    RewritePlan plan;
    if (RunFailure failure = ReadSettled(ucf, lines, options, oldBytes, atRead, plan)) {
        return failure;
    }
    const std::string_view oldText(oldBytes.chars(), oldBytes.size());
    outcome.oldUcfSize = oldText.size();
    outcome.newUcfSize = plan.newSize;
    outcome.unchanged = plan.unchanged;
    RecordRemoval(oldText, LaneComponents(lines), lines.lanes.front().data.synthesizer, plan,
                  options.removalDetails, options.removal, outcome);
    if (plan.unchanged) {
        // The same text: nothing to write. The dialog's run still gives the file a new time,
        // which build tools compare.
        if (options.renewWhenUnchanged && !ucf.file.SetLastWriteTimeToNow()) {
            return ucf.file.Error();
        }
    } else {
        // From the journal's first byte until the file is whole again, interrupts wait.
        InterruptHold hold;
        RewriteEnd end = RewriteEnd::Undone;
        RunFailure failure =
            WriteWithJournal(ucf, path, oldText, atRead, plan, lines, outcome, end);
        hold.Release(end);
        if (failure) return failure;
    }
    // An editor that saved by renaming a new file over the UCF meanwhile has the path now.
    bool same = true;
    again = ucf.file.StillAtPath(path, same) && !same;
    return {};
}

}  // namespace

void UpdateUcf(const std::string& path, const WideLines& lines, const ConversionOptions& options,
               ConversionOutcome& outcome) {
    HeldUcf ucf;
    RunFailure failure;
    bool committed = false;  // some round's new text is in place
    bool wrote = false;      // some round changed the text
    int reopenings = 0;
    for (int round = 0; round < kMaxRounds && !failure; ++round) {
        bool reopen = false;
        failure = OpenAndLock(path, options.lockWait, ucf);
        if (!failure) failure = Recover(ucf, path, outcome, reopen);
        // Interrupted while putting a dead run's text back: nothing more is begun.
        if (!failure && InterruptHeld()) {
            failure =
                RunFailure("interrupted once the old text was back; nothing else was changed");
        }
        if (reopen && ++reopenings < kMaxRounds) {
            --round;  // the dead run's own file is gone; this run makes it anew
            continue;
        }
        bool again = false;
        if (!failure) failure = ConvertOnce(ucf, path, lines, options, outcome, again);
        if (!failure) committed = true;
        wrote = wrote || (!failure && !outcome.unchanged);
        if (!again || InterruptHeld()) break;
    }
    outcome.journalPath = ucf.journal;
    outcome.ucfNames = ucf.status.links;
    // Unchanged only when no round wrote: a text written before an editor's save is a change
    // that the EDIF file's time must tell.
    outcome.unchanged = committed && !wrote;
    if (failure) {
        // A file the run made is removed again, while it is still locked and only if the path
        // still names it: after a failed run it is not there.
        if (!outcome.journalKept) {
            CloseOrRemoveMadeFile(ucf, path);
        } else {
            ucf.file.Close();
        }
        outcome.FailAt(FailedStep::Ucf, failure);
        return;
    }
    // What was written may only now turn out lost (a network file system reports late); the
    // new text was flushed before, so it is reported as in place.
    if (!ucf.file.Close() && committed && outcome.problemAfterCommit.empty()) {
        outcome.problemAfterCommit = "the new text is in place, but closing the file failed: " +
                                     SystemErrorText(ucf.file.Error());
    }
}
