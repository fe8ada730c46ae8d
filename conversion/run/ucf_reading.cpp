#include "conversion/run/ucf_reading.h"

#include <new>

#include "conversion/run/rollback_journal.h"

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

}  // namespace

RunFailure ReadWholeText(File& file, LargeBuffer& text, FileState& state) {
    FileStatus status;
    if (!file.Status(status)) return file.Error();
    state = status.state;
    if (state.size > kMaxUcfSize) return SystemErrorFor(FileProblem::TooLarge);
    const auto size = static_cast<std::size_t>(state.size);
    if (!text.Allocate(size)) return SystemErrorFor(FileProblem::OutOfMemory);
    if (!file.Seek(0) || !file.ReadFully(text.get(), size)) return file.Error();
    return {};
}

RunFailure ReadUcfUnchanged(const std::string& path, const LockWait& wait, std::string& text) {
    bool pending = false;
    std::string journal;
    return ReadUcfUnchanged(path, wait, text, pending, journal);
}

RunFailure ReadUcfUnchanged(const std::string& path, const LockWait& wait, std::string& text,
                            bool& journalPending, std::string& journalPath) {
    text.clear();
    journalPending = false;
    journalPath.clear();
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
    LargeBuffer bytes;
    FileState state;
    if (RunFailure failure = ReadWholeText(ucf, bytes, state)) return failure;
    try {
        text.assign(bytes.chars(), bytes.size());
    } catch (const std::bad_alloc&) {
        return SystemErrorFor(FileProblem::OutOfMemory);
    }
    // A run that died half-way left its journal: the text is what the next run will put back.
    journalPath = JournalPath(resolved);
    RunFailure failure = RecoveredText(journalPath, status, ucf.Origin(), text, journalPending);
    ucf.Close();  // only read: nothing to lose at the close
    return failure;
}
