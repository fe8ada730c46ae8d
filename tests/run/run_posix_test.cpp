// What POSIX adds: advisory locks in place of share modes, the umask, and limits that make
// real writes and allocations fail.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <algorithm>
#include <chrono>
#include <string>

#include "platform/system_calls.h"
#include "tests/run/run_fixture.h"

namespace {

// An open file description of its own, as another process would have, holding a flock.
class LockHolder {
public:
    LockHolder(const std::string& path, int operation) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        EXPECT_GE(fd_, 0);
        EXPECT_EQ(::flock(fd_, operation | LOCK_NB), 0);
    }
    ~LockHolder() { ::close(fd_); }

private:
    int fd_ = -1;
};

// Another conversion run holding the UCF: the lock on the byte that every build takes.
class RunLockHolder {
public:
    explicit RunLockHolder(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        EXPECT_GE(fd_, 0);
        struct flock range = {};
        range.l_type = F_WRLCK;
        range.l_whence = SEEK_SET;
        range.l_start = static_cast<off_t>((std::uint64_t{1} << 63) - 2);
        range.l_len = 1;
        EXPECT_EQ(::fcntl(fd_, F_OFD_SETLK, &range), 0);
    }
    ~RunLockHolder() { ::close(fd_); }

private:
    int fd_ = -1;
};

// Sets a resource limit for the scope and ignores SIGXFSZ, so that going past the file size
// limit fails the write instead of ending the process.
class ScopedLimit {
public:
    ScopedLimit(int resource, rlim_t soft) : resource_(resource) {
        ::getrlimit(resource_, &saved_);
        struct rlimit limit = saved_;
        limit.rlim_cur = soft;
        EXPECT_EQ(::setrlimit(resource_, &limit), 0);
        savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~ScopedLimit() {
        ::setrlimit(resource_, &saved_);
        std::signal(SIGXFSZ, savedHandler_);
    }

private:
    int resource_;
    struct rlimit saved_ {};
    void (*savedHandler_)(int) = nullptr;
};

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    return status.st_mode & 07777;
}

TEST_F(RunTest, SourceUnderAnExclusiveLockGivesTheSourceError) {
    WriteAll(source, "x");
    LockHolder writer(source, LOCK_EX);

    EXPECT_EQ(Run(), Error(kSourcePrefix, source, EWOULDBLOCK));

    EXPECT_FALSE(Exists(ucf));
    EXPECT_FALSE(Exists(edif));
}

TEST_F(RunTest, SourceUnderASharedLockIsRead) {
    WriteAll(source, "x");
    LockHolder reader(source, LOCK_SH);

    EXPECT_EQ(Run(), Success());
}

// Runs take turns on a UCF; the EDIF file is only touched.
TEST_F(RunTest, RunWaitsForTheUcfsLockAndTakesNoneOnTheEdif) {
    WriteAll(source, "x");
    WriteAll(ucf, "NET a;\n");
    WriteAll(edif, "(edif)");
    auto ucfLock = std::make_unique<RunLockHolder>(ucf);
    LockHolder edifLock(edif, LOCK_EX);

    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        // Written under the lock, as a run before this one would: the waiting run reads it.
        WriteAll(ucf, "NET b;\n");
        ucfLock.reset();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(), Success());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    release.join();

    EXPECT_EQ(ReadAll(ucf), Rewritten("x", "NET b;\n"));
}

// A dry run waits for a run that is rewriting the UCF too, so that it reads a whole text.
TEST_F(RunTest, DryRunWaitsForTheUcfsLock) {
    WriteAll(source, "x");
    WriteAll(ucf, "NET a;\n");
    auto ucfLock = std::make_unique<RunLockHolder>(ucf);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        WriteAll(ucf, "NET b;\nINST bram INIT_00 = 00;\n");
        ucfLock.reset();
    });
    options.output = UcfOutput::DryRun;
    const auto start = std::chrono::steady_clock::now();
    const ConversionOutcome outcome = ConvertFiles(Request(), options);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    release.join();

    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.components.at(0).linesRemoved, 1u);
    EXPECT_EQ(ReadAll(ucf), "NET b;\nINST bram INIT_00 = 00;\n");
}

// An editor that saves by writing a new file and renaming it over the UCF.
void SaveByRenaming(const std::string& path, const std::string& text) {
    WriteAll(path + ".new", text);
    ASSERT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
}

// Saved while the run waits for the lock: the run converts what the editor saved.
TEST_F(RunTest, UcfReplacedWhileTheRunWaitsIsOpenedAgain) {
    WriteAll(source, "x");
    WriteAll(ucf, "NET a;\n");
    auto otherRun = std::make_unique<RunLockHolder>(ucf);
    std::thread editor([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        SaveByRenaming(ucf, "NET edited;\n");
        otherRun.reset();
    });
    EXPECT_EQ(Run(), Success());
    editor.join();

    EXPECT_EQ(ReadAll(ucf), Rewritten("x", "NET edited;\n"));
}

// Saved after the run has read the UCF: the run's text went into the file the editor
// replaced, so the editor's file is converted as well.
TEST_F(FaultTest, UcfReplacedDuringTheRewriteIsConvertedAgain) {
    WriteAll(source, "x");
    WriteAll(ucf, "NET a;\n");
    bool saved = false;
    faults.beforeStatus = [&](const std::string& path) {
        if (path != ucf || saved) return;
        saved = true;
        SaveByRenaming(ucf, "NET edited;\n");
    };

    EXPECT_EQ(Run(), Success());

    EXPECT_TRUE(saved);
    EXPECT_EQ(ReadAll(ucf), Rewritten("x", "NET edited;\n"));
}

// `flock design.ucf quillon-convert ...` serialises build steps: the run's own lock is
// another one, so it neither waits for the wrapper nor deadlocks with it.
TEST_F(RunTest, FlockOnTheUcfDoesNotHoldTheRunUp) {
    WriteAll(source, "x");
    WriteAll(ucf, "NET a;\n");
    LockHolder wrapper(ucf, LOCK_EX);

    EXPECT_EQ(Run(), Success());

    EXPECT_EQ(ReadAll(ucf), Rewritten("x", "NET a;\n"));
}

// The dialog does not freeze behind another run: it gives up after its limit.
TEST_F(RunTest, RunWithALockLimitGivesUpAndChangesNothing) {
    WriteAll(source, "x");
    WriteAll(ucf, "NET a;\n");
    RunLockHolder otherRun(ucf);
    options.lockWait.limit = std::chrono::milliseconds(300);

    EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, FileProblem::Locked));

    EXPECT_EQ(ReadAll(ucf), "NET a;\n");
}

// Only a plain file is rewritten in place: a device or a FIFO fails the run before anything
// is written, and leaves no journal behind.
TEST_F(RunTest, UcfThatIsNoPlainFileIsNotWritten) {
    WriteAll(source, "x");
    const std::string fifo = folder / "fifo.ucf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/null"), fifo}) {
        ConversionRequest request = Request();
        request.ucfFile = path;

        const RecordedMessage message = Run(request);

        EXPECT_EQ(message, (RecordedMessage{kUcfPrefix + path +
                                                "\n\nnot a regular file (a device, a FIFO or a "
                                                "socket); nothing was written",
                                            "ERROR", 0x10}));
        EXPECT_FALSE(Exists(path + "-journal"));
    }
}

// A failure once the new text is in place and its journal deleted (the folder's flush) does
// not fail the run: the outcome says what happened, and the text stays.
int failFolderFlushes = 0;
int FolderFlushThatFails(int fd) {
    struct stat status;
    if (failFolderFlushes > 0 && ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode) &&
        --failFolderFlushes == 0) {
        errno = EIO;
        return -1;
    }
    return RealSystemCalls().fsync(fd);
}

TEST_F(RunTest, FailureAfterTheCommitIsReportedWithTheNewTextInPlace) {
    WriteAll(source, AllByteValues(3000, 1));
    const std::string oldText = Rewritten(AllByteValues(2000, 2), "NET a;\r\n");
    WriteAll(ucf, oldText);
    FileSystemCalls().fsync = FolderFlushThatFails;
    failFolderFlushes = 2;  // the journal's making, then its deletion

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    FileSystemCalls() = RealSystemCalls();
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.problemAfterCommit,
              "the new text is in place, but the folder of its deleted rollback journal could "
              "not be flushed: " +
                  SystemErrorText(EIO));
    EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(3000, 1), oldText));
    EXPECT_FALSE(Exists(ucf + "-journal"));
}

// A name the journal's cannot extend: the error names the journal, not the UCF.
TEST_F(RunTest, JournalNameTooLongIsNamedInTheError) {
    const std::string longUcf = folder / (std::string(250, 'u') + ".ucf");
    WriteAll(longUcf, Rewritten(AllByteValues(2000, 2), ""));
    WriteAll(source, AllByteValues(3000, 1));
    ConversionRequest request = Request();
    request.ucfFile = longUcf;

    const ConversionOutcome outcome = ConvertFiles(request, options);

    EXPECT_EQ(outcome.failedStep, FailedStep::Ucf);
    EXPECT_EQ(outcome.error, static_cast<SystemErrorCode>(ENAMETOOLONG));
    EXPECT_EQ(outcome.reason, "cannot create its rollback journal " +
                                  std::filesystem::canonical(longUcf).string() + "-journal");
    EXPECT_EQ(ReadAll(longUcf), Rewritten(AllByteValues(2000, 2), ""));
}

// Output onto a device is written into it: /dev/null stays what it is.
TEST_F(RunTest, OutputOntoADeviceWritesIntoIt) {
    WriteAll(source, "x");
    options.output = UcfOutput::File;
    options.outputFile = "/dev/null";

    EXPECT_TRUE(ConvertFiles(Request(), options).Succeeded());

    struct stat status;
    ASSERT_EQ(::stat("/dev/null", &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
}

TEST_F(RunTest, CreatedFilesGetReadWriteForAllLessTheUmask) {
    WriteAll(source, "x");
    const mode_t saved = ::umask(027);

    EXPECT_EQ(Run(), Success());

    ::umask(saved);
    EXPECT_EQ(ModeOf(ucf), 0640u);
    EXPECT_EQ(ModeOf(edif), 0640u);
}

// A link to a file that is not there yet: the file is made at the link's target, as an open
// that creates would make it, and it is not taken for the run's own when the run fails.
TEST_F(FaultTest, UcfBehindALinkToAMissingFileIsMadeAtTheTarget) {
    const std::string target = folder / "real.ucf";
    ASSERT_EQ(::symlink(target.c_str(), ucf.c_str()), 0);
    WriteAll(source, AllByteValues(100));

    EXPECT_EQ(Run(), Success());
    EXPECT_EQ(ReadAll(target), Rewritten(AllByteValues(100), ""));

    ASSERT_EQ(::unlink(target.c_str()), 0);
    faults.writeBudget = 50;
    EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, FileProblem::DiskFull));
    EXPECT_TRUE(Exists(target));
    EXPECT_EQ(ReadAll(target), "");
}

class LimitTest : public RunTest {
protected:
    void SetUpDesign(std::size_t sourceSize, std::size_t earlierSourceSize) {
        oldUcf = Rewritten(AllByteValues(earlierSourceSize, 1), "NET clk LOC = P1;\r\n");
        WriteAll(ucf, oldUcf);
        WriteAll(source, AllByteValues(sourceSize, 2));
        newUcf = Rewritten(AllByteValues(sourceSize, 2), oldUcf);
    }
    std::string oldUcf;
    std::string newUcf;
};

// The file size limit stops the write of the new, shorter text part-way, for real: the old
// text is written back over what was written.
TEST_F(LimitTest, WriteStoppedPartWayByTheFileSizeLimitLeavesTheUcfAsItWas) {
    SetUpDesign(1024, 8192);
    ASSERT_LT(newUcf.size(), oldUcf.size());
    const rlim_t limit = newUcf.size() / 2;
    {
        ScopedLimit fileSize(RLIMIT_FSIZE, limit);
        // The journal of the old text meets the limit first.
        EXPECT_EQ(Run(),
                  (RecordedMessage{kUcfPrefix + ucf + "\n\ncannot write its rollback journal " +
                                       ucf + "-journal: " + SystemErrorText(EFBIG),
                                   "ERROR", 0x10}));
    }
    EXPECT_EQ(ReadAll(ucf), oldUcf);
}

TEST_F(LimitTest, NoRoomForTheLongerTextUnderTheFileSizeLimitLeavesTheUcfAsItWas) {
    SetUpDesign(8192, 64);
    ASSERT_GT(newUcf.size(), oldUcf.size());
    {
        ScopedLimit fileSize(RLIMIT_FSIZE, oldUcf.size() + 100);
        // The journal, which saves the lines that change, is larger than the limit too.
        const RecordedMessage message = Run();
        EXPECT_EQ(message.text, std::string(kUcfPrefix) + ucf +
                                    "\n\ncannot write its rollback journal " + ucf +
                                    "-journal: " + SystemErrorText(EFBIG));
    }
    EXPECT_EQ(ReadAll(ucf), oldUcf);
}

// Writing the EDIF file back stops part-way at the limit; it is not cut, so nothing is lost.
TEST_F(LimitTest, EdifWriteStoppedPartWayByTheFileSizeLimitLeavesItWhole) {
    SetUpDesign(64, 64);
    const std::string netlist = AllByteValues(300000, 9);
    WriteAll(edif, netlist);
    {
        ScopedLimit fileSize(RLIMIT_FSIZE, 100000);
        EXPECT_EQ(Run(), Success());
    }
    EXPECT_EQ(ReadAll(ucf), newUcf);
    EXPECT_EQ(ReadAll(edif), netlist);
}

// Address space limits do not mix with AddressSanitizer's shadow memory.
#if defined(__SANITIZE_ADDRESS__)
#define QUILLON_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLON_ADDRESS_SANITIZER 1
#endif
#endif

// The process's current address space size.
[[maybe_unused]] std::uint64_t AddressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

// Runs the conversion in a child process whose address space cannot hold `fileSize` more
// bytes; the child exits 0 when the run showed `expected`.
[[maybe_unused]] void RunWithoutRoomFor(std::uint64_t fileSize, const ConversionRequest& request,
                                        const RecordedMessage& expected) {
    EXPECT_EXIT(
        {
            const std::uint64_t inUse = AddressSpaceInUse();
            struct rlimit limit {};
            ::getrlimit(RLIMIT_AS, &limit);
            limit.rlim_cur = static_cast<rlim_t>(inUse + fileSize / 2);
            if (inUse == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(3);
            RecordingOwner owner;
            RunConversion(request, owner);
            const bool asExpected = owner.messages.size() == 1 && owner.messages[0] == expected;
            if (!asExpected && !owner.messages.empty()) {
                std::fprintf(stderr, "shown: %s\n", owner.messages[0].text.c_str());
            }
            std::_Exit(asExpected ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(RunTest, UcfTooLargeToHoldInMemoryChangesNothing) {
#ifdef QUILLON_ADDRESS_SANITIZER
    GTEST_SKIP() << "address space limits do not work under AddressSanitizer";
#else
    constexpr std::uint64_t kSize = std::uint64_t{1} << 31;
    WriteAll(source, "x");
    MakeSparseFile(ucf, kSize);
    WriteAll(edif, "(edif)");
    SetLastWriteTime(edif, LongAgo());
    const FileTime edifTime = LastWriteTime(edif);

    RunWithoutRoomFor(kSize, Request(), Error(kUcfPrefix, ucf, FileProblem::OutOfMemory));

    EXPECT_EQ(FileSize(ucf), kSize);
    EXPECT_EQ(LastWriteTime(edif), edifTime);
#endif
}

TEST_F(RunTest, EdifTooLargeToHoldInMemoryGetsANewLastWriteTime) {
#ifdef QUILLON_ADDRESS_SANITIZER
    GTEST_SKIP() << "address space limits do not work under AddressSanitizer";
#else
    constexpr std::uint64_t kSize = std::uint64_t{1} << 31;
    WriteAll(source, "x");
    MakeSparseFile(edif, kSize);
    SetLastWriteTime(edif, LongAgo());
    const FileTime edifTime = LastWriteTime(edif);

    RunWithoutRoomFor(kSize, Request(), Success());

    // Only its last-write time is renewed: nothing of it is read into memory.
    EXPECT_EQ(ReadAll(ucf), Rewritten("x", ""));
    EXPECT_EQ(FileSize(edif), kSize);
    EXPECT_GT(LastWriteTime(edif), edifTime);
#endif
}

}  // namespace
