// Every system call of the file layer failing, one call at a time, at every point of a run;
// and the calls that older kernels lack, whose absence the run works around.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "conversion/run/rollback_journal.h"
#include "tests/run/run_fixture.h"
#include "tests/support/call_failures.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

class CallFailureTest : public RunTest {
protected:
    std::string Journal() const {
        return JournalPath((std::filesystem::canonical(folder.Path()) / "design.ucf").string());
    }

    // The journal and its temporaries: what a run may leave.
    bool JournalFilesLeft() const {
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            if (entry.path().filename().string().rfind("design.ucf-journal", 0) == 0) return true;
        }
        return false;
    }

    const std::string user = "NET clk LOC = P1;\r\n# hand-written\r\n";
};

// Whatever call fails, and wherever: the run succeeds with the new text, or fails with the old
// one (a UCF it made gone again), or keeps the old one in its journal; the next run then
// converts the old text. Never a mix, never a loss, never a journal left without a word.
TEST_F(CallFailureTest, EachCallFailingAtEachPointLosesNothing) {
    struct Case {
        const char* what;
        bool ucfThere;
        UcfOutput output;
        bool empty = false;
    };
    for (const Case& c : {Case{"rewritten in place", true, UcfOutput::InPlace},
                          Case{"an empty UCF that was there", true, UcfOutput::InPlace, true},
                          Case{"made by the run", false, UcfOutput::InPlace},
                          Case{"written to another file", true, UcfOutput::File}}) {
        SCOPED_TRACE(c.what);
        const std::string oldText =
            c.ucfThere && !c.empty ? Rewritten(AllByteValues(3000, 1), user) : "";
        const std::string newText = Rewritten(AllByteValues(5000, 2), oldText);
        const std::string output = folder / "new.ucf";
        options.output = c.output;
        options.outputFile = output;
        WriteAll(source, AllByteValues(5000, 2));
        const auto reset = [&] {
            RemoveFile(ucf);
            RemoveFile(output);
            if (c.ucfThere) WriteAll(ucf, oldText);
        };
        reset();
        std::map<std::string, std::uint64_t> counts;
        {
            CallFailure counting;
            ASSERT_TRUE(ConvertFiles(Request(), options).Succeeded());
            counts = counting.Counts();
        }
        for (const auto& [name, count] : counts) {
            if (name == "umask") continue;  // cannot fail
            for (std::uint64_t nth = 1; nth <= count; ++nth) {
                SCOPED_TRACE(name + " call " + std::to_string(nth));
                reset();
                ConversionOutcome outcome;
                {
                    CallFailure failure(name, nth, SystemErrorFor(FileProblem::ReadFault));
                    outcome = ConvertFiles(Request(), options);
                }
                const std::string written = c.output == UcfOutput::File ? output : ucf;
                const std::optional<std::string> text = ReadIfExists(written);
                if (outcome.Succeeded()) {
                    EXPECT_EQ(text, newText);
                } else if (outcome.journalKept) {
                    EXPECT_TRUE(Exists(Journal()));
                } else if (c.output == UcfOutput::File) {
                    EXPECT_FALSE(text.has_value());
                } else if (c.ucfThere) {
                    EXPECT_EQ(text, oldText);
                } else {
                    // A UCF the run made goes again, unless the call that failed is one its
                    // removal needs.
                    EXPECT_FALSE(text.has_value()) << outcome.reason << " " << outcome.error;
                }
                if (!outcome.Succeeded()) {
                    EXPECT_FALSE(outcome.reason.empty() && outcome.error == 0);
                }
                if (c.output == UcfOutput::File) {
                    EXPECT_EQ(ReadIfExists(ucf), oldText);
                }
                // The next run, with nothing failing, converts the old text.
                const ConversionOutcome next = ConvertFiles(Request(), options);
                EXPECT_TRUE(next.Succeeded()) << next.reason;
                EXPECT_EQ(ReadIfExists(written), newText);
                EXPECT_FALSE(JournalFilesLeft());
            }
        }
    }
}

#ifndef _WIN32
// An older kernel (RHEL 7's 3.10): no open file description locks, no renameat2, no statx;
// a file system without links (FAT). The kernel's answer tells, and the run takes the older
// call: the journal gets its name by a link, or by a rename after a look under the run lock.
TEST_F(CallFailureTest, CallsAnOlderKernelLacksAreDoneTheOlderWay) {
    const std::string oldText = Rewritten(AllByteValues(3000, 1), user);
    WriteAll(source, AllByteValues(5000, 2));
    struct Lacking {
        const char* call;
        SystemErrorCode error;
    };
    const std::vector<std::vector<Lacking>> cases = {
        {{"lockRange", EINVAL}},
        {{"renameNoReplace", ENOSYS}},
        {{"renameNoReplace", EINVAL}},
        {{"renameNoReplace", EINVAL}, {"link", EPERM}},
        {{"statx", ENOSYS}, {"getVersion", ENOTTY}},
    };
    for (const std::vector<Lacking>& lacking : cases) {
        SCOPED_TRACE(std::string(lacking.front().call) + " and " +
                     std::to_string(lacking.size() - 1) + " more");
        WriteAll(ucf, oldText);
        std::vector<std::unique_ptr<CallFailure>> failures;
        for (const Lacking& call : lacking) {
            failures.push_back(
                std::make_unique<CallFailure>(call.call, CallFailure::kEvery, call.error));
        }

        const ConversionOutcome outcome = ConvertFiles(Request(), options);

        EXPECT_TRUE(outcome.Succeeded()) << outcome.reason;
        for (const auto& failure : failures) EXPECT_TRUE(failure->Failed());
        failures.clear();
        EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(5000, 2), oldText));
        EXPECT_FALSE(JournalFilesLeft());
    }
}

// Without open file description locks the runs take the whole file's flock: another run that
// holds one is waited for.
TEST_F(CallFailureTest, WithoutRangeLocksRunsWaitForEachOthersFlock) {
    WriteAll(ucf, user);
    WriteAll(source, AllByteValues(500, 2));
    const int other = ::open(ucf.c_str(), O_RDWR);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    CallFailure lacking("lockRange", CallFailure::kEvery, EINVAL);
    options.lockWait.limit = std::chrono::milliseconds(50);

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    EXPECT_EQ(outcome.error, SystemErrorFor(FileProblem::Locked));
    EXPECT_EQ(ReadAll(ucf), user);
    ::close(other);
}

#endif

}  // namespace
