#include "conversion/run/ucf_update.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <string_view>

#include "conversion/core/generated_line_stream.h"
#include "conversion/run/rollback_journal.h"
#include "conversion/run/ucf_preview.h"
#include "conversion/core/ucf_rewriter.h"
#include "platform/interrupt_guard.h"
#include "platform/file_view.h"

namespace {

// Opens the UCF, waits for the runs before this one and undoes the last rewrite of a run that
// died. The path may meanwhile name another file (an editor saved by renaming, a run removed
// the file it had made): the file is then opened again, so that the lock is the path's.
SystemErrorCode OpenForRun(File& ucf, const std::string& path, const std::string& journal,
                           ConversionOutcome& outcome) {
    constexpr int kMaxReopenings = 1000;
    for (int opening = 0;; ++opening) {
        if (!ucf.Open(path, FileOpening::ReadWriteAlways) || !ucf.LockForRun()) {
            return ucf.Error();
        }
        bool same = false;
        if (!ucf.StillAtPath(same)) return ucf.Error();
        if (!same && opening < kMaxReopenings) continue;
        JournalRecovery recovery = JournalRecovery::NoJournal;
        SystemErrorCode error = 0;
        {
            InterruptHold hold;
            error = RecoverFromJournal(ucf, journal, recovery);
            hold.Release(error == 0 ? RewriteEnd::Undone : RewriteEnd::InJournal);
        }
        if (error != 0) return error;
        if (recovery == JournalRecovery::Restored || recovery == JournalRecovery::RemovedUcf) {
            outcome.journalRecovered = true;
        }
        if (recovery != JournalRecovery::RemovedUcf) return 0;
    }
}

// What another program did to the UCF since the run took its view. Cut: the view showed zeros
// in place of the bytes it cut, up to the end of the last page the file reaches, or was torn
// beyond it. Grown: an editor appended to it, and the view ends before what it added.
enum class ChangeSinceViewed { None, Cut, Grown };

ChangeSinceViewed UcfChangeSinceViewed(File& ucf, const FileView& view) {
    std::uint64_t size = 0;
    if (view.Torn()) return ChangeSinceViewed::Cut;
    if (!ucf.Size(size) || size == view.Text().size()) return ChangeSinceViewed::None;
    return size < view.Text().size() ? ChangeSinceViewed::Cut : ChangeSinceViewed::Grown;
}

// Writes the new text, the kept text followed by the generated lines, over the UCF that the
// view shows. Only the bytes from the first that differs are written, and only after the old
// text from there on is safe in the journal; the view is not read after that, since it shows
// what is written. All or nothing: after a failure the old text is put back from the journal,
// or, when even that fails, left in it for the next run.
class Rewrite {
public:
    static constexpr std::uint64_t kFlushStep = std::uint64_t{1} << 20;

    // `readAgainIfGrown`: whether a UCF that grew since it was viewed stops the rewrite before
    // anything is written, so that the run reads it again.
    Rewrite(File& ucf, const FileView& view, std::uint64_t newSize, const std::string& journal,
            bool createdUcf, bool readAgainIfGrown)
        : ucf_(ucf),
          view_(view),
          old_(view.Text()),
          newSize_(newSize),
          journal_(journal),
          created_(createdUcf),
          readAgainIfGrown_(readAgainIfGrown) {}

    // One piece of the new text, in order.
    bool Take(const char* text, std::size_t size) {
        if (!started_) {
            const std::size_t common = CommonPrefix(text, size);
            position_ += common;
            if (common == size) return true;
            if (!Begin(position_)) return false;
            text += common;
            size -= common;
        }
        std::size_t written = 0;
        const bool complete = ucf_.WriteFully(text, size, &written);
        overwrittenEnd_ = position_ + written;
        position_ += size;
        // What is written goes on to the disk while the next blocks are formatted and
        // written, so the flush at the end waits for little more than the last of them.
        if (overwrittenEnd_ - flushedTo_ >= kFlushStep) {
            ucf_.StartFlush(flushedTo_, overwrittenEnd_ - flushedTo_);
            flushedTo_ = overwrittenEnd_;
        }
        return complete || Fail(ucf_.Error());
    }

    // The end of the new text: the file gets its length and goes to the disk.
    bool Finish() {
        if (!started_) {
            // The same text: nothing to write, unless the text compared with changed meanwhile.
            if (newSize_ == old_.size()) {
                const ChangeSinceViewed change = UcfChangeSinceViewed(ucf_, view_);
                if (change == ChangeSinceViewed::Cut) return Fail(CutShort());
                grown_ = change == ChangeSinceViewed::Grown && readAgainIfGrown_;
                return !grown_;
            }
            if (!Begin(newSize_)) return false;
        }
        return (ucf_.Resize(newSize_) || Fail(ucf_.Error())) &&
               (ucf_.Flush() || Fail(ucf_.Error()));
    }

    // After Finish: deleting the journal commits the new text.
    bool Commit() {
        if (!started_) return true;
        if (const SystemErrorCode error = RemoveJournal(journal_)) {
            // The new text is whole on the disk; a journal that stays would take it back.
            return Fail(error);
        }
        committed_ = true;
        return true;
    }

    // After a failure: the old text back, the journal deleted. False when the journal had to
    // stay because the old text could not be put back.
    bool Undo() {
        if (!started_ || committed_) return true;
        JournalRecovery recovery = JournalRecovery::NoJournal;
        return RecoverFromJournal(ucf_, journal_, recovery) == 0 &&
               (recovery == JournalRecovery::Restored || recovery == JournalRecovery::RemovedUcf);
    }

    bool Started() const { return started_; }
    // Whether the rewrite stopped, writing nothing, because the UCF grew since it was viewed.
    bool Grown() const { return grown_; }
    SystemErrorCode Error() const { return error_; }
    bool Fail(SystemErrorCode error) {
        if (error_ == 0) error_ = error;
        return false;
    }

private:
    // How many of the `size` bytes are the same as the old text's at the current position.
    std::size_t CommonPrefix(const char* text, std::size_t size) const {
        if (position_ >= old_.size()) return 0;
        const std::size_t comparable = std::min<std::size_t>(size, old_.size() - position_);
        const char* old = old_.data() + position_;
        return static_cast<std::size_t>(std::mismatch(text, text + comparable, old).first - text);
    }

    bool Begin(std::uint64_t from) {
        started_ = true;
        from_ = from;
        overwrittenEnd_ = from;
        flushedTo_ = from;
        SystemErrorCode error = WriteJournal(journal_, old_, from, created_);
        // The view is not read after this: a change until now is seen, a later one came after.
        const ChangeSinceViewed change = UcfChangeSinceViewed(ucf_, view_);
        if (change == ChangeSinceViewed::Cut ||
            (change == ChangeSinceViewed::Grown && readAgainIfGrown_)) {
            // The text compared and saved is no longer the file's: cut (the journal holds zeros
            // in place of what was cut, or could not be written from it) or added to. Nothing
            // is written from it.
            const SystemErrorCode removal = error == 0 ? RemoveJournal(journal_) : 0;
            if (removal != 0) {
                error = removal;
            } else if (change == ChangeSinceViewed::Cut) {
                error = CutShort();
            } else {
                grown_ = error == 0;
            }
        }
        if (error != 0 || grown_) {
            started_ = false;  // nothing was overwritten and no journal is left
            return error == 0 ? false : Fail(error);
        }
        // No room is taken ahead: a write that meets a full disk is undone from the journal,
        // and writing into allocated but unwritten room would cost the flush extra work on
        // every run.
        return ucf_.Seek(from) || Fail(ucf_.Error());
    }

    static SystemErrorCode CutShort() { return SystemErrorFor(FileProblem::EndOfFile); }

    File& ucf_;
    const FileView& view_;
    std::string_view old_;
    std::uint64_t newSize_;
    const std::string& journal_;
    bool created_;
    bool readAgainIfGrown_;
    bool grown_ = false;
    bool started_ = false;
    bool committed_ = false;
    std::uint64_t from_ = 0;
    std::uint64_t position_ = 0;
    std::uint64_t overwrittenEnd_ = 0;
    std::uint64_t flushedTo_ = 0;  // the end of what was sent on to the disk
    SystemErrorCode error_ = 0;
};

}  // namespace

void UpdateUcf(const std::string& path, const GeneratedLines& lines,
               const ConversionOptions& options, ConversionOutcome& outcome,
               const std::function<void()>& releaseSource) {
    File ucf(options.faults);
    const std::string journal = JournalPath(path);
    // Whether the file is this run's own: created by its open and still empty once locked (a
    // run that locked it first may have written its text into it).
    bool madeHere = false;
    const auto fail = [&](SystemErrorCode error) {
        releaseSource();
        // A file the run made is removed again, while it is still locked and only if the path
        // still names it: after a failed run it is not there.
        if (ucf.IsOpen() && madeHere && !outcome.journalKept) {
            ucf.CloseAndRemove();
        } else {
            ucf.Close();
        }
        outcome.failedStep = FailedStep::Ucf;
        outcome.error = error;
    };
    constexpr int kMaxRewrites = 10;
    SystemErrorCode error = 0;
    for (int rewrites = 1;; ++rewrites) {
        error = OpenForRun(ucf, path, journal, outcome);
        if (error != 0) return fail(error);
        bool again = false;  // the UCF is to be read and converted once more
        {
            FileView view;
            KeptText kept;
            if (!ucf.View(view)) error = ucf.Error();
            const std::string_view oldText = view.Text();
            madeHere = error == 0 && ucf.Created() && oldText.empty();
            if (error == 0) {
                try {
                    kept = KeptUcfText(oldText, lines.component, lines.synthesizer, lines.size > 0,
                                       options.removal);
                } catch (const std::bad_alloc&) {
                    error = SystemErrorFor(FileProblem::OutOfMemory);
                }
                // Cut by another program while it was read: as a read that came short; added to
                // (an editor appending a line): read again, so that the line stays.
                const ChangeSinceViewed change =
                    error == 0 ? UcfChangeSinceViewed(ucf, view) : ChangeSinceViewed::None;
                if (change == ChangeSinceViewed::Cut)
                    error = SystemErrorFor(FileProblem::EndOfFile);
                again = change == ChangeSinceViewed::Grown && rewrites < kMaxRewrites;
            }
            if (error == 0 && !again) {
                outcome.oldUcfSize = oldText.size();
                outcome.newUcfSize = kept.text.size() + GeneratedTextSize(lines);
                outcome.linesRemoved = kept.removedLines;
                outcome.linesKept = kept.keptLines;
                if (options.removalDetails) {
                    outcome.otherLinesRemoved = kept.removedOtherLines;
                    // Lines of the other naming matter only when none of this one's went.
                    if (kept.removedLines == 0)
                        FindRemovalDetails(oldText, lines, options.removal, outcome);
                }

                // From here until the file is whole again, interrupts wait.
                InterruptHold hold;
                Rewrite rewrite(ucf, view, outcome.newUcfSize, journal, madeHere,
                                rewrites < kMaxRewrites);
                const auto take = [&rewrite](const char* text, std::size_t size) {
                    return rewrite.Take(text, size);
                };
                bool done = false;
                try {
                    done = take(kept.text.data(), kept.text.size()) &&
                           StreamGeneratedLines(lines, take) && rewrite.Finish() &&
                           rewrite.Commit();
                } catch (const std::bad_alloc&) {
                    rewrite.Fail(SystemErrorFor(FileProblem::OutOfMemory));
                }
                if (done) {
                    // A text that came out the same was not written; the run still renews the
                    // file's time, which build tools compare.
                    if (!rewrite.Started()) ucf.SetLastWriteTimeToNow();
                    hold.Release(RewriteEnd::Completed);
                    // An editor that saved by renaming a new file over the UCF meanwhile has the
                    // path now; what it saved gets the conversion too.
                    bool same = true;
                    again = ucf.StillAtPath(same) && !same;
                } else if (rewrite.Grown()) {
                    hold.Release(RewriteEnd::Undone);  // nothing was written
                    again = true;
                } else {
                    error = rewrite.Error();
                    if (!rewrite.Undo()) outcome.journalKept = true;
                    hold.Release(outcome.journalKept ? RewriteEnd::InJournal : RewriteEnd::Undone);
                }
            }
            // The texts can be large; they go before anyone waits on the outcome.
        }
        if (error != 0 || !again || rewrites == kMaxRewrites) break;
        madeHere = false;
    }
    if (error != 0) return fail(error);
    releaseSource();
    // What was written may only now turn out lost (a network file system reports late).
    if (!ucf.Close()) return fail(ucf.Error());
}
