// quillon-convert runs that overlap, are stopped, crash or fail on one UCF, as real processes
// on real files: the UCF is always one run's whole text, never a mix, a cut or a loss.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "conversion/run/rollback_journal.h"
#include "tests/cli/program_processes.h"
#include "tests/run/run_fixture.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Blocks of constraints that are the user's own, ending with a line break.
std::string UserLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text +=
            "NET \"data<" + std::to_string(i) + ">\" LOC = P" + std::to_string(i % 97) + ";\r\n";
    }
    return text;
}

class DurableUpdateTest : public RunTest {
protected:
    std::vector<std::string> Args(const std::string& sourcePath, const std::string& component) {
        return {"-s", sourcePath, "-u", ucf, "-c", component};
    }
    std::string Out(int i) const { return scratch / ("out" + std::to_string(i) + ".txt"); }
    std::string Err(int i) const { return scratch / ("err" + std::to_string(i) + ".txt"); }

    // Starts every run, then waits for all; their exit codes.
    std::vector<int> RunTogether(const std::vector<std::vector<std::string>>& runs,
                                 const std::vector<ProcessLimits>& limits = {}) {
        std::vector<std::unique_ptr<RunningProgram>> programs;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            programs.push_back(std::make_unique<RunningProgram>(
                runs[i], Out(static_cast<int>(i)), Err(static_cast<int>(i)),
                i < limits.size() ? limits[i] : ProcessLimits{}));
            EXPECT_TRUE(programs.back()->Started());
        }
        std::vector<int> codes;
        for (auto& program : programs) codes.push_back(program->Wait());
        return codes;
    }

    // Several runs, each for a component of its own: afterwards each component's lines are
    // there exactly once, and taking them out leaves the user's text as it was.
    void ExpectRunsTakeTurns(int runs, int rounds) {
        const std::string user = UserLines(3000);
        std::vector<std::string> blocks;
        std::vector<std::vector<std::string>> args;
        for (int i = 0; i < runs; ++i) {
            const std::string path = folder / ("rom" + std::to_string(i) + ".bin");
            const std::string bytes = AllByteValues(2048 + 512 * i, i);
            WriteAll(path, bytes);
            const std::string component = "ram" + std::string(1, static_cast<char>('a' + i));
            blocks.push_back(Rewritten(bytes, "", component));
            args.push_back(Args(path, component));
        }
        for (int round = 0; round < rounds; ++round) {
            WriteAll(ucf, user);
            const std::vector<int> codes = RunTogether(args);
            for (int code : codes) EXPECT_EQ(code, 0) << "round " << round;
            std::string text = ReadAll(ucf);
            for (const std::string& block : blocks) {
                const auto at = text.find(block);
                ASSERT_NE(at, std::string::npos) << "round " << round;
                text.erase(at, block.size());
                EXPECT_EQ(text.find(block.substr(0, 30)), std::string::npos) << "round " << round;
            }
            ASSERT_EQ(text, user) << "round " << round;
            EXPECT_FALSE(Exists(JournalPath(ucf)));
        }
    }

    TempFolder scratch;
};

#ifdef _WIN32
constexpr int kTurnRounds = 5;  // starting a Windows program under Wine is slow
#else
constexpr int kTurnRounds = 20;
#endif

TEST_F(DurableUpdateTest, TwoRunsForDifferentComponentsTakeTurns) {
    ExpectRunsTakeTurns(2, kTurnRounds);
}

#ifndef _WIN32
TEST_F(DurableUpdateTest, EightRunsForDifferentComponentsTakeTurns) {
    ExpectRunsTakeTurns(8, kTurnRounds);
}
#endif

TEST_F(DurableUpdateTest, TwoRunsForTheSameComponentLeaveOneOfTheirTexts) {
    const std::string user = UserLines(3000);
    const std::string first = folder / "first.bin";
    const std::string second = folder / "second.bin";
    WriteAll(first, AllByteValues(40000, 1));
    WriteAll(second, AllByteValues(20000, 2));
    const std::string afterFirst = Rewritten(AllByteValues(40000, 1), user);
    const std::string afterSecond = Rewritten(AllByteValues(20000, 2), user);
    for (int round = 0; round < kTurnRounds; ++round) {
        WriteAll(ucf, user);
        for (int code : RunTogether({Args(first, "bram"), Args(second, "bram")})) {
            EXPECT_EQ(code, 0);
        }
        const std::string text = ReadAll(ucf);
        // Each run replaces the other's lines: the last one's text is what stays.
        EXPECT_TRUE(text == Rewritten(AllByteValues(40000, 1), afterSecond) ||
                    text == Rewritten(AllByteValues(20000, 2), afterFirst))
            << "round " << round;
    }
}

#ifdef _WIN32
// TerminateProcess with this exit code stands for kill -9.
constexpr int kKill = 9;
constexpr int kKilledStatus = 9;
constexpr int kKillRounds = 8;
#else
constexpr int kKill = SIGKILL;
constexpr int kKilledStatus = -SIGKILL;
constexpr int kKillRounds = 30;
#endif

#ifndef _WIN32
// The failing run goes past a file size limit; whichever run gets the new UCF first, the
// succeeding run's text is what stays.
TEST_F(DurableUpdateTest, FailingRunBesideASucceedingOneOnAMissingUcf) {
    const std::string small = folder / "small.bin";
    const std::string large = folder / "large.bin";
    WriteAll(small, AllByteValues(1000, 1));
    WriteAll(large, AllByteValues(65536, 2));
    const std::string expected = Rewritten(AllByteValues(1000, 1), "");
    ProcessLimits limited;
    limited.fileSizeLimit = 64 * 1024;
    for (int round = 0; round < 100; ++round) {
        RemoveFile(ucf);
        const bool failingFirst = round % 2 == 0;
        const std::vector<int> codes =
            failingFirst ? RunTogether({Args(large, "bram"), Args(small, "bram")}, {limited, {}})
                         : RunTogether({Args(small, "bram"), Args(large, "bram")}, {{}, limited});
        EXPECT_EQ(codes[failingFirst ? 0 : 1], 1) << "round " << round;
        EXPECT_EQ(codes[failingFirst ? 1 : 0], 0) << "round " << round;
        ASSERT_TRUE(Exists(ucf)) << "round " << round;
        ASSERT_EQ(ReadAll(ucf), expected) << "round " << round;
        EXPECT_FALSE(Exists(JournalPath(ucf)));
    }
}

#endif

// A rewrite of tens of MiB, stopped at delays spread over a whole run.
class StoppedRunTest : public DurableUpdateTest {
protected:
    void SetUp() override {
        oldText = Rewritten(AllByteValues(6 << 20, 1), UserLines(2000));
        newText = Rewritten(AllByteValues(6 << 20, 2), oldText);
        WriteAll(source, AllByteValues(6 << 20, 2));
        // One run undisturbed, to know how long a run takes here.
        WriteAll(ucf, oldText);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(RunTogether({Args(source, "bram")})[0], 0);
        runTime = std::chrono::steady_clock::now() - start;
        ExpectSameText(ReadAll(ucf), newText);
    }

    // Starts a run on the old text and sends `signal` after the `round`th of `rounds` delays.
    int StopRun(int signal, int round, int rounds) {
        WriteAll(ucf, oldText);
        RunningProgram program(Args(source, "bram"), Out(0), Err(0));
        std::this_thread::sleep_for(runTime * (round + 1) / rounds);
        program.Signal(signal);
        return program.Wait();
    }

    std::string oldText;
    std::string newText;
    std::chrono::steady_clock::duration runTime{};
};

TEST_F(StoppedRunTest, RunKilledAnywhereIsUndoneOrCompletedByTheNextRun) {
    constexpr int kRounds = kKillRounds;
    int journals = 0;
    for (int round = 0; round < kRounds; ++round) {
        const int status = StopRun(kKill, round, kRounds);
        EXPECT_TRUE(status == kKilledStatus || status == 0) << status;
        const std::string text = ReadAll(ucf);
        const bool journal = Exists(JournalPath(ucf));
        journals += journal;
        EXPECT_TRUE(journal || text == oldText || text == newText) << "round " << round;

        ASSERT_EQ(RunTogether({Args(source, "bram")})[0], 0);
        ExpectSameText(ReadAll(ucf), newText);
        EXPECT_FALSE(Exists(JournalPath(ucf)));
        // Recovery is announced exactly when there was a journal: one is named only once whole,
        // and a run killed before that leaves the UCF untouched.
        EXPECT_EQ(!ReadAll(Err(0)).empty(), journal) << "round " << round;
    }
    std::printf("runs killed while a journal was there: %d of %d\n", journals, kRounds);
}

#ifndef _WIN32
TEST_F(StoppedRunTest, InterruptedOrTerminatedRunLeavesAWholeText) {
    constexpr int kRounds = 12;
    for (int signal : {SIGINT, SIGTERM}) {
        int held = 0;
        for (int round = 0; round < kRounds; ++round) {
            const int status = StopRun(signal, round, kRounds);
            EXPECT_TRUE(status == -signal || status == 0) << status;
            const std::string text = ReadAll(ucf);
            const std::string err = ReadAll(Err(0));
            EXPECT_FALSE(Exists(JournalPath(ucf))) << "round " << round;
            if (err.find("the conversion was completed first") != std::string::npos) {
                ++held;
                ExpectSameText(text, newText);
                // The report is out before the interrupt line, which ends what it says.
                EXPECT_EQ(ReadAll(Out(0)).rfind("UCF file updated!", 0), 0u) << "round " << round;
                EXPECT_EQ(err.find("quillon-convert: interrupted"), err.rfind("quillon-convert:"));
            } else if (err.find("the conversion was undone first") != std::string::npos) {
                ++held;
                ExpectSameText(text, oldText);
            } else {
                EXPECT_EQ(err, "");
                EXPECT_TRUE(text == oldText || text == newText) << "round " << round;
            }
        }
        std::printf("signal %d held until the rewrite ended: %d of %d\n", signal, held, kRounds);
    }
}

// A build step that waits for another run on its UCF says so once, after a second; with
// standard error closed (`2>&-`) the message goes nowhere, never over the UCF's first bytes
// (the UCF is never opened as descriptor 2).
TEST_F(DurableUpdateTest, RunThatWaitsForAnotherSaysSoOnce) {
    WriteAll(source, AllByteValues(100, 1));
    for (const bool errorClosed : {false, true}) {
        SCOPED_TRACE(errorClosed ? "standard error closed" : "standard error open");
        WriteAll(ucf, UserLines(3));
        const int fd = ::open(ucf.c_str(), O_RDWR | O_CLOEXEC);
        struct flock range = {};
        range.l_type = F_WRLCK;
        range.l_start = static_cast<off_t>((std::uint64_t{1} << 63) - 2);
        range.l_len = 1;
        ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &range), 0);
        std::thread otherRun([fd] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1300));
            ::close(fd);
        });
        ProcessLimits limits;
        limits.closeError = errorClosed;
        RunningProgram program(Args(source, "bram"), Out(0), Err(0), limits);
        EXPECT_EQ(program.Wait(), 0);
        otherRun.join();
        EXPECT_EQ(ReadAll(Err(0)), errorClosed ? std::string()
                                               : "quillon-convert: waiting for another run on " +
                                                     ucf + " to finish\n");
        EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(100, 1), UserLines(3)));
    }
}

// A signal that would not end the program is no interrupt: a hangup ignored under nohup, a
// termination blocked by the mask the program inherited. Neither waits nor is reported.
TEST_F(StoppedRunTest, SignalThatEndsNothingIsNoInterrupt) {
    ProcessLimits nohup;
    nohup.ignoreHangup = true;
    ProcessLimits masked;
    masked.blockTerminate = true;
    for (const auto& [signal, limits] : {std::pair{SIGHUP, nohup}, std::pair{SIGTERM, masked}}) {
        for (int round = 0; round < 6; ++round) {
            WriteAll(ucf, oldText);
            RunningProgram program(Args(source, "bram"), Out(0), Err(0), limits);
            std::this_thread::sleep_for(runTime * (round + 1) / 6);
            program.Signal(signal);
            EXPECT_EQ(program.Wait(), 0) << "signal " << signal << ", round " << round;
            EXPECT_EQ(ReadAll(Err(0)), "") << "signal " << signal << ", round " << round;
            ExpectSameText(ReadAll(ucf), newText);
        }
    }
}

// A UCF with a second name (a hard link): a killed run is put right only through the name it
// used, and the run says so once.
TEST_F(DurableUpdateTest, UcfWithTwoNamesIsWarnedOf) {
    WriteAll(source, AllByteValues(100, 1));
    WriteAll(ucf, UserLines(3));
    const std::string other = folder / "copy.ucf";
    ASSERT_EQ(::link(ucf.c_str(), other.c_str()), 0);

    RunningProgram program(Args(source, "bram"), Out(0), Err(0));

    EXPECT_EQ(program.Wait(), 0);
    EXPECT_EQ(ReadAll(Err(0)),
              "quillon-convert: warning: " + ucf +
                  " has 2 names (hard links); a run killed half-way is put right only through "
                  "the name it used\n");
    EXPECT_EQ(ReadAll(other), ReadAll(ucf));
}

// The journal cannot be written: the run stops with the destination error and the system's
// text, and the UCF is as it was.
TEST_F(DurableUpdateTest, FolderWhereNoJournalCanBeMadeChangesNothing) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as another user";
    const std::string locked = folder / "locked";
    ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
    const std::string lockedUcf = locked + "/design.ucf";
    const std::string oldText = Rewritten(AllByteValues(3000, 1), UserLines(20));
    WriteAll(lockedUcf, oldText);
    WriteAll(source, AllByteValues(5000, 2));
    ::chmod(lockedUcf.c_str(), 0666);
    ::chmod(source.c_str(), 0644);
    ::chmod(folder.Path().c_str(), 0755);
    ::chmod(scratch.Path().c_str(), 0777);
    ProcessLimits nobody;
    nobody.userId = 65534;

    RunningProgram program({"-s", source, "-u", lockedUcf, "-c", "bram"}, Out(0), Err(0), nobody);
    const int code = program.Wait();
    if (code == 126 || code == 127) GTEST_SKIP() << "cannot run the program as another user";

    EXPECT_EQ(code, 1);
    EXPECT_EQ(ReadAll(Err(0)), "quillon-convert: Destination UCF file: " + lockedUcf +
                                   ": cannot create its rollback journal " + lockedUcf +
                                   "-journal: " + SystemErrorLine(EACCES) + "\n");
    EXPECT_EQ(ReadAll(lockedUcf), oldText);
    EXPECT_FALSE(Exists(JournalPath(lockedUcf)));
}

// A small file system that fills up: first with the journal, then with the longer new text.
TEST_F(DurableUpdateTest, FullFileSystemChangesNothing) {
    const std::string small = folder / "small";
    ASSERT_EQ(::mkdir(small.c_str(), 0755), 0);
    if (::mount("quillon-test", small.c_str(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    const std::string smallUcf = small + "/design.ucf";
    struct Case {
        std::string oldText;
        std::size_t sourceSize;
    };
    const std::vector<Case> cases = {
        {Rewritten(AllByteValues(50000, 1), UserLines(20)), 1000},  // no room for the journal
        {UserLines(20), 120000},                                    // none for the new text
    };
    for (const Case& c : cases) {
        WriteAll(smallUcf, c.oldText);
        WriteAll(source, AllByteValues(c.sourceSize, 2));

        RunningProgram program({"-s", source, "-u", smallUcf, "-c", "bram"}, Out(0), Err(0));

        EXPECT_EQ(program.Wait(), 1);
        const std::string journalFailure =
            c.sourceSize < 10000 ? "cannot write its rollback journal " + smallUcf + "-journal: "
                                 : "";
        EXPECT_EQ(ReadAll(Err(0)), "quillon-convert: Destination UCF file: " + smallUcf + ": " +
                                       journalFailure + SystemErrorLine(ENOSPC) + "\n");
        EXPECT_EQ(ReadAll(smallUcf), c.oldText);
        EXPECT_FALSE(Exists(JournalPath(smallUcf)));
    }
    ::umount(small.c_str());
}

#endif

// A journal left by a run that died: a dry run says that the next run puts it back first and
// leaves both files alone; the next run puts the old text back, says so in one line on stderr,
// converts and removes the journal.
TEST_F(DurableUpdateTest, JournalOfADeadRunIsRecoveredAndRemoved) {
    const std::string oldText = Rewritten(AllByteValues(3000, 1), UserLines(50));
    WriteAll(ucf, oldText);
    JournalHeader header;
    header.oldLength = oldText.size();
    header.savedFrom = 100;
    header.newLength = 122;
    bool exists = false;
    ASSERT_EQ(IdentityAtPath(ucf, header.identity, exists), 0u);
#ifdef _WIN32
    header.windowsIdentity = true;
#endif
    header.prefixHash = Xxh64(oldText.data(), 100);
    // Killed once its shorter text was written and cut.
    const std::string newText = oldText.substr(0, 100) + "INST bram INIT_00 = 00";
    NewTextDigests digests(header);
    digests.Add(newText.data() + 100, newText.size() - 100);
    const std::string journal = JournalPath(std::filesystem::canonical(ucf).string());
    ASSERT_FALSE(WriteJournal(journal, oldText, header, digests.Take(), 0644));
    WriteAll(ucf, newText);
    // As many instances as the old text had: no warning beside the journal's line.
    WriteAll(source, AllByteValues(3000, 2));
    const auto errLines = [this](int i) {
        std::string err = ReadAll(Err(i));
        std::string::size_type at = 0;
        while ((at = err.find("\r\n", at)) != std::string::npos) err.erase(at, 1);
        return err;
    };
    const std::string saved = ReadAll(journal);
    std::vector<std::string> dryRun = Args(source, "bram");
    dryRun.push_back("-n");
    RunningProgram preview(dryRun, Out(1), Err(1));
    EXPECT_EQ(preview.Wait(), 0);
    EXPECT_EQ(errLines(1), "quillon-convert: a run that did not finish left " + journal +
                               "; the next run puts the old text back first\n");
    EXPECT_EQ(ReadAll(ucf), newText);
    EXPECT_EQ(ReadAll(journal), saved);

    RunningProgram program(Args(source, "bram"), Out(0), Err(0));

    EXPECT_EQ(program.Wait(), 0);
    EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(3000, 2), oldText));
    EXPECT_FALSE(Exists(journal));
    EXPECT_EQ(errLines(0), "quillon-convert: a run that did not finish left " + journal +
                               "; the UCF's old text was put back from it first\n");
}

}  // namespace
