// Files as a conversion run uses them: the Windows open, share and create semantics on every
// platform, 64-bit sizes, whole reads and writes, and the system's own error codes and texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

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
};
SystemErrorCode SystemErrorFor(FileProblem problem);

enum class FileOpening {
    // Read only, must exist. Others may read it meanwhile but not write it (a shared,
    // non-waiting flock on POSIX: a process holding an exclusive one makes the open fail).
    ReadExisting,
    // Read and write, created empty when missing (0666 less the umask on POSIX); others may
    // read and write it meanwhile.
    ReadWriteAlways,
    // Read only, must exist; others may read and write it meanwhile (no lock on POSIX): for a
    // file that is only looked at.
    ReadShared,
    // Read and write, created when missing and emptied when it was there; others may read
    // it meanwhile. For files the run keeps for itself, such as the rollback journal.
    ReplaceAlways,
};

// What tells one file from another on its volume, whatever its path: the device and inode on
// POSIX, the volume serial and file index on Windows.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FileAccessFaults;
class FileView;

// One open file, closed when the object goes. Every operation returns false on failure and
// keeps the system's reason, which Error() gives until the next failure.
class File {
public:
    // `faults`: the test seam below; the programs pass none.
    explicit File(FileAccessFaults* faults = nullptr) : faults_(faults) {}
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool Open(const std::string& path, FileOpening opening);
    bool IsOpen() const;
    // Whether the last Open made the file, which did not exist before.
    bool Created() const { return created_; }
    const std::string& Path() const { return path_; }
    // Why the last operation that failed did.
    SystemErrorCode Error() const { return error_; }

    bool Size(std::uint64_t& size);
    bool Seek(std::uint64_t position);
    // Reads exactly `count` bytes at the current position, in as many reads as it takes; a
    // file that ends sooner fails with FileProblem::EndOfFile.
    bool ReadFully(void* buffer, std::size_t count);
    // One read of at most `count` bytes at the current position; `done` receives how many
    // came, 0 at the file's end. For files whose size tells nothing, such as pipes.
    bool ReadSomeBytes(void* buffer, std::size_t count, std::size_t& done);
    // The whole file as a view (see file_view.h); to the seam, one read of all its bytes.
    bool View(FileView& view);
    // Writes all `count` bytes at the current position, in as many writes as it takes;
    // `written`, when given, receives how many were stored, also when a write failed.
    bool WriteFully(const void* data, std::size_t count, std::size_t* written = nullptr);
    // Sets the file's length, cutting or growing it; the position is unspecified afterwards.
    bool Resize(std::uint64_t length);
    // Waits until no other conversion run holds this file, then holds it until it is closed.
    // Only runs take this lock: on POSIX an advisory flock, on Windows a lock on one byte far
    // beyond any real end of file, so other programs read and write the text as before.
    bool LockForRun();
    // Whether `path` still names this very file (false, without failing, when it names none).
    bool StillAtPath(bool& same);
    bool Identity(FileIdentity& identity);
    // Has the system put everything written so far on the disk.
    bool Flush();
    // Lets the system start writing the given range to the disk now, without waiting for
    // it, so that a Flush later has less left to wait for. Only a hint: it never fails.
    void StartFlush(std::uint64_t offset, std::uint64_t length);
    // Renews the last-write time without touching the content.
    bool SetLastWriteTimeToNow();
    // Closes the file and removes it from its path, provided the path still names it; on
    // Windows only when no other program has it open either (they could not share a
    // deletion). A file that stays is reported as a failure and left closed.
    bool CloseAndRemove();
    // Closes the file; false when the system reports a failure while closing it.
    bool Close();

private:
    // Keeps the reason of a failure that the system, or the seam, has just reported.
    bool Failed();
    bool Failed(SystemErrorCode error);
    template <class ReadPart>
    bool ReadAll(unsigned char* bytes, std::size_t count, ReadPart readPart);
    bool ResizeFaultDue();
    // Takes a read of `size` bytes from the seam's budget; false when that read would fail.
    bool TakeWholeRead(std::uint64_t size);
    // Makes `view` show the file's first `size` bytes (at least one): mapped where the
    // platform can, else a copy.
    bool ShowWhole(FileView& view, std::size_t size);
    // Makes `view` a copy of the file's first `size` bytes.
    bool ViewCopy(FileView& view, std::size_t size);

    // One system call each, leaving the reason of a failure in LastSystemError(); the
    // public operations above loop over them.
    bool QuerySize(std::uint64_t& size);
    bool ReadSome(void* buffer, std::size_t count, std::size_t& done);
    bool WriteSome(const void* data, std::size_t count, std::size_t& done);
    bool SetLength(std::uint64_t length);
    bool FlushToDisk();

    FileAccessFaults* faults_ = nullptr;
    std::string path_;
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
// The identity of the file that `path` names; `exists` false when it names none.
SystemErrorCode IdentityAtPath(const std::string& path, FileIdentity& identity, bool& exists);

// Test seam, handed to the files a run opens: lets tests make a read, a write or a length
// change fail, as a failing device or a full disk would, and act between a file's size being
// taken and its reading, as another program could. Each injected failure happens once; the
// operations after it work again, as they would once the device recovered.
struct FileAccessFaults {
    static constexpr std::uint64_t kUnlimited = ~std::uint64_t{0};
    std::uint64_t readBudget = kUnlimited;   // bytes reads deliver before one fails (read fault)
    std::uint64_t writeBudget = kUnlimited;  // bytes writes store before one fails (disk full)
    bool failResize = false;                 // the next Resize fails (disk full)
    // Once the write budget is spent, every later write fails as well: a disk that stays
    // full, so that putting the old text back fails too.
    bool diskStaysFull = false;
    bool failFlush = false;  // the next Flush fails (a device error)
    std::function<void(const std::string& path)> afterSize;  // after each successful Size
};
