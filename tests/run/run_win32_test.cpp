// What Windows adds: share modes that other handles meet, and sizes beyond a 32-bit process.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/run/run_fixture.h"

namespace {

// A handle of another program on the file.
class OtherHandle {
public:
    OtherHandle(const std::string& path, DWORD access, DWORD share) {
        handle_ = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << "cannot open " << path;
    }
    ~OtherHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    // Takes the lock that conversion runs take, as another run holding the file would.
    void LockAsARun() {
        OVERLAPPED at = {};
        at.Offset = 0xFFFFFFFEu;
        at.OffsetHigh = 0x7FFFFFFFu;
        EXPECT_TRUE(
            LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
    }
    OtherHandle(const OtherHandle&) = delete;
    OtherHandle& operator=(const OtherHandle&) = delete;

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

TEST_F(RunTest, SourceHeldOpenForWritingGivesTheSourceError) {
    WriteAll(source, "x");
    OtherHandle writer(source, GENERIC_WRITE, kShareAll);

    EXPECT_EQ(Run(), Error(kSourcePrefix, source, ERROR_SHARING_VIOLATION));

    EXPECT_FALSE(Exists(ucf));
    EXPECT_FALSE(Exists(edif));
    EXPECT_EQ(SystemErrorText(ERROR_SHARING_VIOLATION).find("Unknown error"), std::string::npos);
}

// The dialog does not freeze behind another run: with its options, the run gives up after
// 10 s with the system's text for a lock that is held, and changes nothing.
TEST_F(RunTest, RunOfTheDialogGivesUpOnAUcfThatAnotherRunHolds) {
    WriteAll(source, "x");
    WriteAll(ucf, "NET clk LOC = P1;\r\n");
    OtherHandle otherRun(ucf, GENERIC_READ | GENERIC_WRITE, kShareAll);
    otherRun.LockAsARun();
    const DWORD start = GetTickCount();

    EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, ERROR_LOCK_VIOLATION));

    EXPECT_GE(GetTickCount() - start, 9000u);
    EXPECT_EQ(ReadAll(ucf), "NET clk LOC = P1;\r\n");
}

TEST_F(RunTest, SourceHeldOpenForReadingIsRead) {
    WriteAll(source, "x");
    OtherHandle reader(source, GENERIC_READ, FILE_SHARE_READ);

    EXPECT_EQ(Run(), Success());
}

TEST_F(RunTest, UcfHeldWithoutSharingGivesTheDestinationError) {
    WriteAll(source, "x");
    WriteAll(ucf, "NET clk LOC = P1;\r\n");
    {
        OtherHandle locker(ucf, GENERIC_READ, 0);
        EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(ReadAll(ucf), "NET clk LOC = P1;\r\n");
    EXPECT_FALSE(Exists(edif));
}

TEST_F(RunTest, UcfAndEdifOpenElsewhereWithSharingAreWritten) {
    WriteAll(source, "x");
    WriteAll(ucf, "");
    WriteAll(edif, "(edif)");
    OtherHandle ucfEditor(ucf, GENERIC_READ | GENERIC_WRITE, kShareAll);
    OtherHandle edifEditor(edif, GENERIC_READ | GENERIC_WRITE, kShareAll);
    SetLastWriteTime(edif, LongAgo());
    const FileTime old = LastWriteTime(edif);

    EXPECT_EQ(Run(), Success());

    EXPECT_EQ(ReadAll(ucf), Rewritten("x", ""));
    EXPECT_GT(LastWriteTime(edif), old);
}

TEST_F(RunTest, EdifHeldWithoutSharingIsSkippedSilently) {
    WriteAll(source, "x");
    WriteAll(edif, "(edif)");
    SetLastWriteTime(edif, LongAgo());
    const FileTime old = LastWriteTime(edif);
    {
        OtherHandle locker(edif, GENERIC_READ, 0);
        EXPECT_EQ(Run(), Success());
    }
    EXPECT_EQ(ReadAll(ucf), Rewritten("x", ""));
    EXPECT_EQ(LastWriteTime(edif), old);
}

constexpr std::uint64_t kBeyondFourGiB = (std::uint64_t{5} << 30) + 3;

// A 32-bit process cannot hold such a file; taking the low 32 bits of its size would keep
// 1 GiB of it and cut the file there.
TEST_F(RunTest, UcfBeyondFourGiBIsTooLargeAndChangesNothing) {
    if (sizeof(std::size_t) > 4) GTEST_SKIP() << "a 64-bit process can hold the file";
    WriteAll(source, "x");
    MakeSparseFile(ucf, kBeyondFourGiB);

    EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, FileProblem::TooLarge));

    EXPECT_EQ(FileSize(ucf), kBeyondFourGiB);
    EXPECT_FALSE(Exists(edif));
}

// The refresh never reads the netlist, so its size does not matter.
TEST_F(RunTest, EdifBeyondFourGiBGetsANewLastWriteTime) {
    WriteAll(source, "x");
    MakeSparseFile(edif, kBeyondFourGiB);
    SetLastWriteTime(edif, LongAgo());
    const FileTime old = LastWriteTime(edif);

    EXPECT_EQ(Run(), Success());

    EXPECT_EQ(ReadAll(ucf), Rewritten("x", ""));
    EXPECT_EQ(FileSize(edif), kBeyondFourGiB);
    EXPECT_GT(LastWriteTime(edif), old);
}

}  // namespace
