#include "conversion/run/rollback_journal.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "conversion/run/sector_writer.h"
#include "conversion/run/ucf_reading.h"
#include "conversion/run/xxhash_support.h"

namespace {

constexpr std::size_t kStep = std::size_t{1} << 20;
constexpr std::size_t kSuffixLength = 6;

#ifdef _WIN32
constexpr bool kOnWindows = true;
#else
constexpr bool kOnWindows = false;
#endif

constexpr char kHowByHand[] = "the README says how to put the old text back by hand";

std::string NotOurs(const std::string& journalPath) {
    return journalPath +
           " is in the way of the rollback journal and is not one; nothing was changed "
           "(move it away and convert again)";
}

std::string CannotRead(const std::string& journalPath) {
    return "cannot read its rollback journal " + journalPath;
}

// A journal the run does not put back: what it found, and what the user can do.
std::string Kept(const std::string& journalPath, const std::string& found) {
    return "the rollback journal " + journalPath + " " + found +
           "; nothing was changed and the journal is kept (" + kHowByHand +
           "; once the UCF is as you want it, move the journal away and convert again)";
}

// What a file at the journal's name holds; `found` false when there is none.
struct FoundJournal {
    bool found = false;
    JournalContent content;
};

// Whether the owner and the permissions of a file at the journal's name let it be taken for
// one: written by the user who runs the program or by the UCF's owner, and writable by no
// one the UCF does not let write.
RunFailure CheckOwner(const std::string& journalPath, const FileStatus& journal,
                      const FileStatus& ucf) {
    if (!journal.ownerKnown || !ucf.ownerKnown) return {};
    if (journal.owner != CurrentUser() && journal.owner != ucf.owner) {
        return journalPath + " belongs to user " + std::to_string(journal.owner) +
               ", neither you nor the UCF's owner, so it is not taken for its rollback "
               "journal; nothing was changed (find out where it came from, then move it away "
               "and convert again)";
    }
    if ((journal.permissions & 022 & ~ucf.permissions) != 0) {
        return journalPath +
               " can be written by users who cannot write the UCF, so it is not taken for its "
               "rollback journal; nothing was changed (find out where it came from, then move "
               "it away and convert again)";
    }
    return {};
}

RunFailure ReadJournalFile(const std::string& journalPath, const FileStatus& ucf,
                           FoundJournal& found) {
    found = FoundJournal();
    File journal;
    if (!journal.Open(journalPath, FileOpening::ReadOwn)) {
        bool taken = true;
        if (NameTaken(journalPath, taken) == 0 && !taken) return {};
        // A symbolic link is never followed, whether or not its target exists.
        if (taken && IsLinkRefusal(journal.Error())) return NotOurs(journalPath);
        return {CannotRead(journalPath), journal.Error()};
    }
    found.found = true;
    FileStatus status;
    if (!journal.Status(status)) return {CannotRead(journalPath), journal.Error()};
    if (!status.regular) return NotOurs(journalPath);
    if (RunFailure failure = CheckOwner(journalPath, status, ucf)) return failure;
    LargeBuffer bytes;
    FileState state;
    if (RunFailure failure = ReadWholeText(journal, bytes, state)) {
        return {CannotRead(journalPath), failure.error};
    }
    journal.Close();
    std::string what;
    switch (ReadJournalBytes(std::string_view(bytes.chars(), bytes.size()), found.content, what)) {
        case JournalReading::Whole:
            return {};
        case JournalReading::Foreign:
            return NotOurs(journalPath);
        case JournalReading::Damaged:
            break;
    }
    return Kept(journalPath, "is damaged: " + what);
}

// Whether the journal was written for the file `held` describes: the same device and inode,
// and where the system tells them, the same generation and birth time. A journal of the other
// build (the Windows program under Wine) knows the file by the inode alone.
bool SameFile(const JournalHeader& header, const FileStatus& held, const FileOrigin& origin) {
    if (header.windowsIdentity != kOnWindows) return header.identity.index == held.identity.index;
    if (!(header.identity == held.identity)) return false;
    const FileOrigin& then = header.origin;
    if (then.hasGeneration && origin.hasGeneration && then.generation != origin.generation) {
        return false;
    }
    return !(then.hasBirthTime && origin.hasBirthTime && then.birthTime != origin.birthTime);
}

// Why the UCF is not in a state the journal's rewrite can leave, or nothing.
RunFailure CheckFit(const std::string& journalPath, const JournalContent& journal,
                    const FileStatus& held, const FileOrigin& origin, std::string_view text) {
    // The run that made the UCF died and the file is gone or empty: nothing is lost either way.
    if (journal.header.createdUcf && text.empty()) return {};
    if (!SameFile(journal.header, held, origin)) {
        return Kept(journalPath,
                    "was left by an unfinished run on another file of this name (the UCF was "
                    "replaced since)");
    }
    std::uint64_t where = 0;
    const JournalFit fit = FitOfFile(text, journal, where);
    if (fit == JournalFit::Fits) return {};
    const std::string what =
        fit == JournalFit::LengthDiffers ? "the UCF's length, " + std::to_string(text.size()) +
                                               " bytes, is none that run "
                                               "can leave"
        : fit == JournalFit::PrefixDiffers
            ? "its first " + std::to_string(journal.header.savedFrom) +
                  " bytes are not the ones that run kept"
            : "from byte " + std::to_string(where) + " on it holds text that run did not write";
    return Kept(journalPath,
                "was left by an unfinished run, and the UCF was changed since: " + what);
}

RunFailure CannotPutBack(const std::string& journalPath, SystemErrorCode error) {
    RunFailure failure("cannot put the old text back from its rollback journal " + journalPath,
                       error);
    failure.afterError = "; the journal stays for the next run";
    return failure;
}

// Temporaries that a run killed while writing its journal left: ours by their name, their
// owner and their magic. Anything else of that name pattern stays; so does everything when
// the folder cannot be read.
void RemoveLeftoverTemporaries(const std::string& journalPath, const FileStatus& ucf) {
    std::vector<std::string> names;
    const std::string folder = FolderOf(journalPath);
    if (ListFolder(folder, names) != 0) return;
    for (const std::string& name : names) {
        if (!IsJournalTemporaryOf(journalPath, name)) continue;
        const std::string path = PathIn(folder, name);
        File temporary;
        FileStatus status;
        if (!temporary.Open(path, FileOpening::ReadOwn) || !temporary.Status(status) ||
            !status.regular || CheckOwner(path, status, ucf)) {
            continue;
        }
        char magic[8] = {};
        const bool ours =
            status.state.size >= sizeof magic && temporary.ReadFully(magic, sizeof magic) &&
            std::string_view(magic, sizeof magic) == std::string_view(kJournalMagic, 8);
        temporary.Close();
        if (ours) RemoveFile(path);
    }
}

}  // namespace

std::string JournalPath(const std::string& resolvedUcfPath) {
    return resolvedUcfPath + "-journal";
}

bool IsJournalTemporaryOf(const std::string& journalPath, const std::string& name) {
    const std::string stem = NameIn(journalPath) + "-";
    return name.size() == stem.size() + kSuffixLength && name.compare(0, stem.size(), stem) == 0 &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(stem.size()), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

std::uint64_t Xxh64(const void* data, std::size_t size) {
    return Xxh64Of(data, size);
}

bool PutBack(File& ucf, std::uint64_t from, std::string_view text, std::uint64_t length) {
    if (!ucf.Seek(from)) return false;
    SectorAlignedWriter writer(ucf, from);
    return writer.Put(text.data(), text.size()) && writer.Finish() && ucf.Resize(length) &&
           ucf.Flush();
}

RunFailure WriteJournal(const std::string& journalPath, std::string_view oldText,
                        const JournalHeader& header, const std::vector<std::uint32_t>& digests,
                        unsigned permissions) {
    const std::string_view saved = oldText.substr(static_cast<std::size_t>(header.savedFrom));
    File journal;
    std::string temporary;
    if (const SystemErrorCode error =
            CreateUniqueFile(journalPath + "-", permissions & 0777, journal, temporary)) {
        return {"cannot create its rollback journal " + journalPath, error};
    }
    const std::string head = JournalHeaderBytes(header, saved, digests);
    const std::string tail = DigestBytes(digests);
    bool written = journal.WriteFully(head.data(), head.size());
    // The saved text goes out in steps that are handed on to the disk at once.
    for (std::size_t done = 0; written && done < saved.size();) {
        const std::size_t step = std::min(kStep, saved.size() - done);
        written = journal.WriteFully(saved.data() + done, step);
        journal.StartFlush(kJournalHeaderSize + done, step);
        done += step;
    }
    written = written && journal.WriteFully(tail.data(), tail.size());
    SystemErrorCode error = written && journal.Flush() ? 0 : journal.Error();
    if (!journal.Close() && error == 0) error = journal.Error();
    bool named = false;
    if (error == 0) {
        // Named only once it is whole on the disk, and never in the place of another file.
        error = MoveWithoutReplacing(temporary, journalPath);
        named = error == 0;
        if (error == SystemErrorFor(FileProblem::NameTaken)) {
            RemoveFile(temporary);
            return NotOurs(journalPath);
        }
    }
    if (error == 0) error = FlushFolderOf(journalPath);
    if (error != 0) {
        // A journal whose name may not last could be lost while the UCF is half-written; one
        // left behind would be taken for the record of a rewrite that never began.
        RemoveFile(named ? journalPath : temporary);
        return {"cannot write its rollback journal " + journalPath, error};
    }
    return {};
}

SystemErrorCode RemoveJournal(const std::string& journalPath, bool& removed) {
    removed = false;
    if (const SystemErrorCode error = RemoveFile(journalPath)) return error;
    removed = true;
    return FlushFolderOf(journalPath);
}

RunFailure RecoverFromJournal(File& ucf, const std::string& ucfPath, const FileStatus& held,
                              const std::string& journalPath, JournalRecovery& recovery) {
    recovery = JournalRecovery::NoJournal;
    FoundJournal found;
    if (RunFailure failure = ReadJournalFile(journalPath, held, found)) return failure;
    if (found.found) {
        const JournalContent& journal = found.content;
        const JournalHeader& header = journal.header;
        LargeBuffer text;
        FileState state;
        if (RunFailure failure = ReadWholeText(ucf, text, state)) return failure;
        const std::string_view bytes(text.chars(), text.size());
        if (RunFailure failure = CheckFit(journalPath, journal, held, ucf.Origin(), bytes)) {
            return failure;
        }
        bool removed = false;
        if (header.createdUcf) {
            // The file holds nothing but the dead run's text: it goes, as that run's failure
            // would have removed it.
            if (!ucf.Resize(0) || !ucf.Flush()) return CannotPutBack(journalPath, ucf.Error());
        } else if (!PutBack(ucf, header.savedFrom, journal.saved, header.oldLength)) {
            return CannotPutBack(journalPath, ucf.Error());
        }
        // The journal goes while the UCF is still locked: a run waiting for the lock must not
        // find it and hold it against the file it then reads.
        if (const SystemErrorCode error = RemoveJournal(journalPath, removed); !removed) {
            return {"the old text is back, but its rollback journal " + journalPath +
                        " could not be deleted",
                    error};
        }
        if (header.createdUcf) {
            // A removal that the system refuses (Windows, while another program has the file
            // open) leaves an empty file, which converts as a missing one would.
            ucf.CloseAndRemove(ucfPath);
            recovery = JournalRecovery::RemovedUcf;
        } else {
            recovery = JournalRecovery::Restored;
        }
    }
    RemoveLeftoverTemporaries(journalPath, held);
    return {};
}

RunFailure RecoveredText(const std::string& journalPath, const FileStatus& held,
                         const FileOrigin& origin, std::string& text, bool& pending) {
    pending = false;
    FoundJournal found;
    if (RunFailure failure = ReadJournalFile(journalPath, held, found)) return failure;
    if (!found.found) return {};
    pending = true;
    const JournalContent& journal = found.content;
    if (RunFailure failure = CheckFit(journalPath, journal, held, origin, text)) return failure;
    try {
        text.resize(static_cast<std::size_t>(journal.header.savedFrom));
        text += journal.saved;
    } catch (const std::bad_alloc&) {
        return SystemErrorFor(FileProblem::OutOfMemory);
    }
    return {};
}
