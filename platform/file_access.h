// Files as a conversion run uses them: the Windows open, share and create semantics on every
// platform, 64-bit sizes, whole reads and writes, and the system's own error codes and texts.
// Every system call of the file layer goes through the table of platform/system_calls.h.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// An operating-system error code: GetLastError() on Windows, errno elsewhere; 0 is success.
using SystemErrorCode = std::uint32_t;

// The calling thread's last error. The file operations below hand their errors on as values;
// only a message box that reports "the last error" reads this, and its caller sets it.
SystemErrorCode LastSystemError();
void SetLastSystemError(SystemErrorCode code);

// The system's own text for `code`, taken as the system gives it (on Windows with its line
// end); "Unknown error" and the code when the system has no text for it.
std::string SystemErrorText(SystemErrorCode code);

// Failures that the run detects itself and reports in the system's words.
enum class FileProblem {
    TooLarge,     // ERROR_FILE_TOO_LARGE, EFBIG
    OutOfMemory,  // ERROR_NOT_ENOUGH_MEMORY, ENOMEM
    EndOfFile,    // ERROR_HANDLE_EOF, ENODATA: the file ended before the size it had
    ReadFault,    // ERROR_READ_FAULT, EIO
    DiskFull,     // ERROR_DISK_FULL, ENOSPC
    Locked,       // ERROR_LOCK_VIOLATION, EWOULDBLOCK: another run held the file too long
    NameTaken,    // ERROR_FILE_EXISTS, EEXIST: something has the name already
};
SystemErrorCode SystemErrorFor(FileProblem problem);

enum class FileOpening {
    // Read only, must exist. Others may read it meanwhile but not write it (a shared,
    // non-waiting flock on POSIX: a process holding an exclusive one makes the open fail).
    ReadExisting,
    // Read and write, created empty when missing (0666 less the umask on POSIX); others may
    // read and write it meanwhile.
    ReadWriteAlways,
    // The same, but only when it exists: nothing is created.
    ReadWriteExisting,
    // Read only, must exist; others may read and write it meanwhile (no lock on POSIX): for a
    // file that is only looked at. Never waits for a writer, even on a FIFO.
    ReadShared,
    // Read only, must exist, and not through a symbolic link; never waits (a FIFO): for a
    // file of the run's own found on disk, such as a rollback journal.
    ReadOwn,
    // Read and write, made new: fails when anything, a symbolic link included, has the name.
    // Others may read it meanwhile. Takes the permission bits given to Open.
    CreateNew,
    // Write only, must exist: for writing into a device or a FIFO as it is.
    WriteExisting,
};

// What tells one file from another on its volume, whatever its path: the device and inode on
// POSIX, the volume serial and file index on Windows.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// What a run compares to tell whether another program changed a file meanwhile.
struct FileState {
    std::uint64_t size = 0;
    std::int64_t lastWrite = 0;  // system ticks; only compared
    std::int64_t lastChange = 0;
    bool operator==(const FileState&) const = default;
};

struct FileStatus {
    FileIdentity identity;
    FileState state;
    bool regular = false;  // a plain file, not a folder, device, FIFO or socket
    bool folder = false;
    bool link = false;         // a symbolic link itself (StatusAtPath without following only)
    unsigned permissions = 0;  // POSIX permission bits; 0 on Windows
    bool ownerKnown = false;   // POSIX only
    std::uint32_t owner = 0;   // the owning user's id
    std::uint64_t links = 1;   // how many names the file has (hard links)
};

// What tells a file from a later one that got its number (ext4 hands a freed inode number
// straight back to the next file made): the inode's generation and its birth time, where the
// system keeps them (nothing on Windows, whose file index carries a sequence number of its
// own). What the system does not tell stays unknown and is not compared.
struct FileOrigin {
    bool hasGeneration = false;
    std::uint64_t generation = 0;
    bool hasBirthTime = false;
    std::int64_t birthTime = 0;  // system ticks
};

// How long LockForRun waits for other runs. Unlimited waits as long as it takes; `onLongWait`
// is called once when the wait passes a second, so that a user can be told.
struct LockWait {
    std::chrono::milliseconds limit{0};  // 0: no limit
    std::function<void()> onLongWait;
};

// One open file, closed when the object goes. Every operation returns false on failure and
// keeps the system's reason, which Error() gives until the next failure.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // `permissions`: for CreateNew, the POSIX bits the file gets (less the umask).
    bool Open(const std::string& path, FileOpening opening, unsigned permissions = 0666);
    bool IsOpen() const;
    // Whether the last Open made the file, which did not exist before.
    bool Created() const { return created_; }
    // Why the last operation that failed did.
    SystemErrorCode Error() const { return error_; }

    bool Status(FileStatus& status);
    bool Size(std::uint64_t& size);
    bool Seek(std::uint64_t position);
    // Reads exactly `count` bytes at the current position, in as many reads as it takes; a
    // file that ends sooner fails with FileProblem::EndOfFile.
    bool ReadFully(void* buffer, std::size_t count);
    // One read of at most `count` bytes at the current position; `done` receives how many
    // came, 0 at the file's end. For files whose size tells nothing, such as pipes.
    bool ReadSomeBytes(void* buffer, std::size_t count, std::size_t& done);
    // Writes all `count` bytes at the current position, in as many writes as it takes.
    bool WriteFully(const void* data, std::size_t count);
    // Sets the file's length, cutting or growing it; the position is unspecified afterwards.
    bool Resize(std::uint64_t length);
    // Holds the file against other conversion runs until it is closed, waiting for them as
    // `wait` says (FileProblem::Locked when the limit passes). Only runs take this lock: one
    // byte at 2^63 - 2, which no text reaches, with LockFileEx on Windows and an open file
    // description lock on POSIX, which Wine's locks and flock(1) meet as the Windows
    // program's do (a whole-file flock on a kernel without such locks, which the kernel's
    // answer tells). `shared`: for a run that only reads.
    bool LockForRun(bool shared, const LockWait& wait);
    // Whether `path` still names this very file (false, without failing, when it names none).
    bool StillAtPath(const std::string& path, bool& same);
    bool Identity(FileIdentity& identity);
    // Never fails: what cannot be had is left unknown.
    FileOrigin Origin();
    // Sets the permission bits (POSIX; nothing to do on Windows).
    bool SetPermissions(unsigned permissions);
    // The file's own path with every link resolved: realpath, GetFinalPathNameByHandle.
    bool ResolvedPath(const std::string& path, std::string& resolved);
    // Has the system put everything written so far on the disk.
    bool Flush();
    // Lets the system start writing the given range to the disk now, without waiting for
    // it, so that a Flush later has less left to wait for. Only a hint: it never fails.
    void StartFlush(std::uint64_t offset, std::uint64_t length);
    // Renews the last-write time without touching the content.
    bool SetLastWriteTimeToNow();
    // Closes the file and removes it from `path`, provided the path still names it; on
    // Windows only when no other program has it open either (they could not share a
    // deletion). A file that stays is reported as a failure and left closed.
    bool CloseAndRemove(const std::string& path);
    // Closes the file; false when the system reports a failure while closing it.
    bool Close();

private:
    bool Failed();
    bool Failed(SystemErrorCode error);
    bool TryLock(bool shared, bool wait, bool& held);

    // One system call each, leaving the reason of a failure in LastSystemError(); the
    // public operations above loop over them.
    bool ReadSome(void* buffer, std::size_t count, std::size_t& done);
    bool WriteSome(const void* data, std::size_t count, std::size_t& done);

    bool created_ = false;
    SystemErrorCode error_ = 0;
#ifdef _WIN32
    void* handle_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
#else
    int fd_ = -1;
#endif
};

// Deletes the file at `path`; the system's error, 0 when it is gone.
SystemErrorCode RemoveFile(const std::string& path);
// Has the system put the folder holding `path` on the disk, so that a file made or removed
// there stays made or removed after a crash. Does nothing where the system has no such call.
SystemErrorCode FlushFolderOf(const std::string& path);
// What `path` names: followed through symbolic links or the link itself; `exists` false, and
// no error, when it names nothing (a missing folder on the way included).
SystemErrorCode StatusAtPath(const std::string& path, bool followLinks, FileStatus& status,
                             bool& exists);
// The identity of the file that `path` names; `exists` false when it names none.
SystemErrorCode IdentityAtPath(const std::string& path, FileIdentity& identity, bool& exists);
// Whether anything has the name `path`, a dangling symbolic link included.
SystemErrorCode NameTaken(const std::string& path, bool& taken);
// Whether `error` is how Open(ReadOwn) refuses a symbolic link.
bool IsLinkRefusal(SystemErrorCode error);
// Whether `error` says that something has the name already.
bool IsNameTaken(SystemErrorCode error);
// Whether `error` says that the path names nothing: the file, or a folder on its way, is
// missing.
bool IsNoSuchFile(SystemErrorCode error);
// Whether `path` names something that is not a plain file (a device, a FIFO); `exists`
// false when it names nothing.
SystemErrorCode IsSpecialFile(const std::string& path, bool& special, bool& exists);
// What the symbolic link at `path` points to, as it is written; `isLink` false when `path`
// is no link.
SystemErrorCode LinkTarget(const std::string& path, std::string& target, bool& isLink);
// Moves the file at `from` to `to` in one step, replacing a file there (which readers then
// see either whole or not at all). 0 or the system's reason.
SystemErrorCode ReplaceFileWith(const std::string& from, const std::string& to);
// Gives the file at `from` the name `to` unless something has that name (then the error is
// SystemErrorFor(FileProblem::NameTaken) and nothing moves): a rename that refuses to
// replace, a link and an unlink where the file system has no such rename, and a rename after
// a look where it has no links either (the caller holds a lock that keeps its own runs out).
SystemErrorCode MoveWithoutReplacing(const std::string& from, const std::string& to);
// Makes a new, empty file named `prefix` followed by six letters or digits that no other file
// has, open for reading and writing, never through a link; `path` receives its name.
SystemErrorCode CreateUniqueFile(const std::string& prefix, unsigned permissions, File& file,
                                 std::string& path);
// The path of what `path` names (a file or a folder) with every link resolved.
SystemErrorCode ResolvePath(const std::string& path, std::string& resolved);
// The names in `folder` (not "." and "..").
SystemErrorCode ListFolder(const std::string& folder, std::vector<std::string>& names);
// The user the program runs as (POSIX: the effective user id; 0 on Windows).
std::uint32_t CurrentUser();
// The permission bits that files made now lose (the umask; 0 on Windows).
std::uint32_t CreationMask();
// Six letters and digits, different at each call, for names that no other file should have.
std::string UniqueNameSuffix();
// The folder part of `path` ("." for a plain name) and the name in it.
std::string FolderOf(const std::string& path);
std::string NameIn(const std::string& path);
// `name` in `folder`, with the system's separator.
std::string PathIn(const std::string& folder, const std::string& name);
