// Reads that fail or come short, writes that fail part-way, files too large to hold: the run
// stops with the matching message and the files are what they were.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>
#include <string>

#include "conversion/run/rollback_journal.h"
#include "tests/run/run_fixture.h"

namespace {

constexpr char kOtherConstraints[] =
    "# timing\r\nNET clk TNM_NET = clk;\r\nTIMESPEC TS_clk = PERIOD clk 10 ns;\r\n";

class RunFaultTest : public FaultTest {
protected:
    // A design that was converted before: other constraints, lines of the component and an
    // EDIF file with an old last-write time.
    void SetUpDesign(std::size_t sourceSize, std::size_t earlierSourceSize) {
        oldUcf = Rewritten(AllByteValues(earlierSourceSize, 1), kOtherConstraints);
        WriteAll(ucf, oldUcf);
        WriteAll(source, AllByteValues(sourceSize, 2));
        WriteAll(edif, netlist);
        SetLastWriteTime(edif, LongAgo());
        // As stored: file systems keep times at their own precision.
        edifTime = LastWriteTime(edif);
    }

    // Another program cuts the source to `length` once the run has taken its size, once;
    // `tried` and `cut` tell whether it tried and whether the system let it.
    void CutSourceOnceItsSizeIsTaken(std::uint64_t length) {
        faults.beforeRead = [this, length](const std::string& path) {
            if (path != source || tried) return;
            tried = true;
            cut = CutThroughOtherHandle(source, length);
        };
    }

    void ExpectUcfAndEdifAsTheyWere() {
        ExpectSameText(ReadAll(ucf), oldUcf);
        EXPECT_EQ(ReadAll(edif), netlist);
        EXPECT_EQ(LastWriteTime(edif), edifTime);
    }

    std::string oldUcf;
    bool tried = false;
    bool cut = false;
    const std::string netlist = "(edif top)\r\n" + AllByteValues(100000, 5);
    FileTime edifTime;
};

TEST_F(RunFaultTest, SourceReadThatFailsChangesNothing) {
    SetUpDesign(1000, 100);
    faults.readBudget = 600;

    EXPECT_EQ(Run(), Error(kSourcePrefix, source, FileProblem::ReadFault));

    ExpectUcfAndEdifAsTheyWere();
}

TEST_F(RunFaultTest, UcfReadThatFailsChangesNothing) {
    SetUpDesign(1000, 100);
    faults.readBudget = 1000 + oldUcf.size() / 2;

    EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, FileProblem::ReadFault));

    ExpectUcfAndEdifAsTheyWere();
}

// Another program changes the UCF at each point where the run looks at its status: it cuts
// it, appends a line, or edits it keeping its length. Whatever the point, the run either
// converts the changed text, fails leaving the changed text as it is, or (after its own
// commit) leaves its text for the other program to change: never a mix, never a loss.
TEST_F(RunFaultTest, UcfChangedByAnotherProgramAtAnyPointLosesNothing) {
    struct Change {
        const char* what;
        std::function<std::string(const std::string&)> apply;
    };
    const std::vector<Change> changes = {
        {"cut", [](const std::string& text) { return text.substr(0, 10); }},
        {"appended", [](const std::string& text) { return text + "NET added LOC = P7;\r\n"; }},
        {"same length", [](const std::string& text) { return "# TIMING" + text.substr(8); }},
    };
    for (const Change& change : changes) {
        for (const std::size_t earlier : {std::size_t{100}, std::size_t{300000}}) {
            for (int at = 1; at <= 12; ++at) {
                SCOPED_TRACE(std::string(change.what) + " at status " + std::to_string(at) +
                             ", earlier source " + std::to_string(earlier));
                SetUpDesign(1000, earlier);
                int statuses = 0;
                std::string changedTo;
                faults.beforeStatus = [&](const std::string& path) {
                    if (path != ucf || ++statuses != at) return;
                    changedTo = change.apply(ReadAll(ucf));
                    ASSERT_TRUE(ReplaceThroughOtherHandle(ucf, changedTo));
                };

                const RecordedMessage message = Run();

                faults.beforeStatus = nullptr;
                const std::string text = ReadAll(ucf);
                EXPECT_FALSE(Exists(ucf + "-journal"));
                if (changedTo.empty()) {
                    EXPECT_EQ(message, Success());  // the run looked fewer times
                    continue;
                }
                const bool converted = text == Rewritten(AllByteValues(1000, 2), changedTo);
                const bool changedAfter =
                    text == change.apply(Rewritten(AllByteValues(1000, 2), oldUcf));
                if (message == Success()) {
                    EXPECT_TRUE(converted || changedAfter);
                } else {
                    EXPECT_EQ(message.caption, "ERROR");
                    ExpectSameText(text, changedTo);
                }
            }
        }
    }
}

// Windows lets no one write the source while the run reads it; POSIX cannot forbid it, and
// then the run sees the file come short.
TEST_F(RunFaultTest, SourceThatAnotherProgramCutsWhileItIsRead) {
    SetUpDesign(1000, 100);
    CutSourceOnceItsSizeIsTaken(10);

    const RecordedMessage message = Run();

    ASSERT_TRUE(tried);
#ifdef _WIN32
    EXPECT_FALSE(cut);
    EXPECT_EQ(message, Success());
    EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(1000, 2), oldUcf));
#else
    EXPECT_TRUE(cut);
    EXPECT_EQ(message, Error(kSourcePrefix, source, FileProblem::EndOfFile));
    ExpectUcfAndEdifAsTheyWere();
#endif
}

// Large sources: their lines are written in many blocks.
constexpr std::size_t kLargeSource = (std::size_t{8} << 20) + 100;

TEST_F(RunFaultTest, LargeSourceWhoseReadFailsChangesNothing) {
    SetUpDesign(kLargeSource, 100);
    faults.readBudget = kLargeSource - 4096;

    EXPECT_EQ(Run(), Error(kSourcePrefix, source, FileProblem::ReadFault));

    ExpectUcfAndEdifAsTheyWere();
}

// A source cut near its end while it is read: the short read's error must reach the run.
TEST_F(RunFaultTest, LargeSourceCutInItsSecondHalfWhileItIsRead) {
    SetUpDesign(kLargeSource, 100);
    CutSourceOnceItsSizeIsTaken(kLargeSource - 1000);

    const RecordedMessage message = Run();

    ASSERT_TRUE(tried);
#ifdef _WIN32
    EXPECT_FALSE(cut);
    EXPECT_EQ(message, Success());
#else
    EXPECT_TRUE(cut);
    EXPECT_EQ(message, Error(kSourcePrefix, source, FileProblem::EndOfFile));
    ExpectUcfAndEdifAsTheyWere();
#endif
}

// The old text spans several blocks, all of which must be put back.
TEST_F(RunFaultTest, WriteThatFailsManyBlocksIntoTheLinesLeavesTheUcfAsItWas) {
    SetUpDesign(kLargeSource, std::size_t{1} << 20);
    ASSERT_GT(oldUcf.size(), std::size_t{2} << 20);
    faults.writeBudget = (std::uint64_t{5} << 20) + 333;

    EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, FileProblem::DiskFull));

    ExpectUcfAndEdifAsTheyWere();
}

TEST_F(RunFaultTest, LongerTextWhoseWriteFailsPartWayLeavesTheUcfAsItWas) {
    SetUpDesign(4096, 64);
    faults.writeBudget = oldUcf.size() + 100;

    EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, FileProblem::DiskFull));

    ExpectUcfAndEdifAsTheyWere();
}

TEST_F(RunFaultTest, ShorterTextWhoseWriteFailsPartWayLeavesTheUcfAsItWas) {
    SetUpDesign(64, 4096);
    faults.writeBudget = 150;

    EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, FileProblem::DiskFull));

    ExpectUcfAndEdifAsTheyWere();
}

// All or nothing also for a UCF that was not there: the run that made it removes it again.
TEST_F(RunFaultTest, UcfMadeByARunThatFailsIsRemovedAgain) {
    WriteAll(source, AllByteValues(4096));
    faults.writeBudget = 5000;

    EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, FileProblem::DiskFull));

    EXPECT_FALSE(Exists(ucf));
    EXPECT_FALSE(Exists(edif));
}

TEST_F(RunFaultTest, EdifWriteThatFailsPartWayLeavesItWhole) {
    SetUpDesign(1000, 100);
    const std::string newUcf = Rewritten(AllByteValues(1000, 2), oldUcf);
    faults.writeBudget = newUcf.size() + 5000;

    EXPECT_EQ(Run(), Success());

    EXPECT_EQ(ReadAll(ucf), newUcf);
    EXPECT_EQ(ReadAll(edif), netlist);
}

// The refresh renews the time through the handle alone: a netlist that is being written
// meanwhile is never read and written back, so it cannot come out cut or padded.
TEST_F(RunFaultTest, EdifIsNotReadButGetsANewLastWriteTime) {
    SetUpDesign(1000, 100);
    faults.readBudget = 1000 + oldUcf.size();

    EXPECT_EQ(Run(), Success());

    EXPECT_EQ(faults.readBudget, 0u);  // spent on the source and the UCF, never tried again
    EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(1000, 2), oldUcf));
    EXPECT_EQ(ReadAll(edif), netlist);
    EXPECT_GT(LastWriteTime(edif), edifTime);
}

// The rewriter counts the source's bytes in 32 bits: the low 32 bits of this size would be 1.
TEST_F(RunFaultTest, SourceBeyondFourGiBIsTooLargeAndChangesNothing) {
    SetUpDesign(0, 100);
    MakeSparseFile(source, (std::uint64_t{1} << 32) + 1);

    EXPECT_EQ(Run(), Error(kSourcePrefix, source, FileProblem::TooLarge));

    ExpectUcfAndEdifAsTheyWere();
    EXPECT_FALSE(SystemErrorText(SystemErrorFor(FileProblem::TooLarge)).empty());
}

}  // namespace
