// The rollback journal: its format, torn journals told from whole ones, recovery, and a run
// whose restore fails leaving the old text in it for the next run.
#include <gtest/gtest.h>

#include <chrono>

#include <string>

#include "conversion/run/rollback_journal.h"
#include "tests/run/run_fixture.h"

namespace {

TEST(Xxh64, MatchesPublishedValuesOfEachPath) {
    // Under 32 bytes; and a text that takes the four lanes, a four-byte step and single bytes.
    EXPECT_EQ(Xxh64("", 0), 0xEF46DB3751D8E999u);
    EXPECT_EQ(Xxh64("abc", 3), 0x44BC2CF5AD770999u);
    const std::string text = "Nobody inspects the spammish repetition";
    EXPECT_EQ(Xxh64(text.data(), text.size()), 0xFBCEA83C8A378BF1u);
}

TEST(JournalHeader, RoundTripsAndRefusesEveryDamagedField) {
    const std::string saved = "old text\r\n";
    const std::string header = JournalHeaderBytes({25, 15, false}, saved);
    ASSERT_EQ(header.size(), kJournalHeaderSize);
    JournalHeader fields;
    std::uint64_t savedSize = 0;
    std::uint64_t savedChecksum = 0;
    ASSERT_TRUE(ParseJournalHeader(header, fields, savedSize, savedChecksum));
    EXPECT_EQ(fields.oldLength, 25u);
    EXPECT_EQ(fields.savedFrom, 15u);
    EXPECT_FALSE(fields.createdUcf);
    EXPECT_EQ(savedSize, saved.size());
    EXPECT_EQ(savedChecksum, Xxh64(saved.data(), saved.size()));
    EXPECT_EQ(header.substr(0, 8), "QLNJRNL1");

    for (std::size_t at = 0; at < kJournalHeaderSize; ++at) {
        std::string damaged = header;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
        EXPECT_FALSE(ParseJournalHeader(damaged, fields, savedSize, savedChecksum))
            << "byte " << at;
        EXPECT_FALSE(ParseJournalHeader(header.substr(0, at), fields, savedSize, savedChecksum));
    }
    // A created UCF has no old text; a saved part that does not fit the old length is refused.
    EXPECT_TRUE(
        ParseJournalHeader(JournalHeaderBytes({0, 0, true}, ""), fields, savedSize, savedChecksum));
    EXPECT_TRUE(fields.createdUcf);
    EXPECT_FALSE(ParseJournalHeader(JournalHeaderBytes({5, 0, true}, "12345"), fields, savedSize,
                                    savedChecksum));
    EXPECT_FALSE(ParseJournalHeader(JournalHeaderBytes({5, 6, false}, ""), fields, savedSize,
                                    savedChecksum));
    EXPECT_FALSE(ParseJournalHeader(JournalHeaderBytes({9, 2, false}, "abc"), fields, savedSize,
                                    savedChecksum));
}

class JournalTest : public FaultTest {
protected:
    // What a run that died after writing `newText` over `oldText` from `from` on leaves.
    void LeaveInterruptedRewrite(const std::string& oldText, std::size_t from,
                                 const std::string& newText) {
        ASSERT_EQ(WriteJournal(journal, oldText, from, false), 0u);
        WriteAll(ucf, newText.substr(0, newText.size() / 2));
    }

    std::string journal = JournalPath(ucf);
    const std::string userLines = "NET clk LOC = P1;\r\n# mine\r\n";
};

TEST_F(JournalTest, JournalIsNamedAfterTheUcfInItsFolder) {
    EXPECT_EQ(JournalPath("/d/design.ucf"), "/d/design.ucf-journal");
}

TEST_F(JournalTest, NextRunPutsTheOldTextBackThenConverts) {
    WriteAll(source, AllByteValues(3000, 1));
    const std::string oldText = Rewritten(AllByteValues(2000, 2), userLines);
    LeaveInterruptedRewrite(oldText, userLines.size(),
                            Rewritten(AllByteValues(5000, 3), userLines));

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_TRUE(outcome.journalRecovered);
    EXPECT_EQ(outcome.oldUcfSize, oldText.size());
    EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(3000, 1), oldText));
    EXPECT_FALSE(Exists(journal));
}

TEST_F(JournalTest, JournalOfAUcfThatTheDeadRunCreatedRemovesItFirst) {
    WriteAll(source, "x");
    ASSERT_EQ(WriteJournal(journal, "", 0, true), 0u);
    WriteAll(ucf, "INST bram INIT_00 = 00");

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    EXPECT_TRUE(outcome.journalRecovered);
    EXPECT_EQ(ReadAll(ucf), Rewritten("x", ""));
    EXPECT_FALSE(Exists(journal));
}

// Cut at every header field and inside the saved text: the journal was being written, the
// UCF not yet touched, so it stays as it is and only the journal goes.
TEST_F(JournalTest, TornJournalIsRemovedWithoutTouchingTheUcf) {
    const std::string oldText = userLines + "INST bram INIT_00 = 1;\r\n";
    ASSERT_EQ(WriteJournal(journal, oldText, 5, false), 0u);
    const std::string whole = ReadAll(journal);
    WriteAll(source, "");
    for (std::size_t length : {0, 1, 7, 8, 12, 16, 24, 31, 32, 36, 40, 47, 48, 55, 56, 57, 70}) {
        ASSERT_LT(length, whole.size());
        WriteAll(journal, whole.substr(0, length));
        WriteAll(ucf, userLines);

        // A zero-length source with no synthesizer named changes nothing.
        const ConversionOutcome outcome = ConvertFiles(Request("bram", 2), options);

        EXPECT_TRUE(outcome.Succeeded()) << length;
        EXPECT_FALSE(outcome.journalRecovered) << length;
        EXPECT_EQ(ReadAll(ucf), userLines) << length;
        EXPECT_FALSE(Exists(journal)) << length;
    }
    // A flipped byte in the saved text fails its checksum.
    std::string flipped = whole;
    flipped[kJournalHeaderSize + 3] ^= 1;
    WriteAll(journal, flipped);
    EXPECT_FALSE(ConvertFiles(Request("bram", 2), options).journalRecovered);
    EXPECT_EQ(ReadAll(ucf), userLines);
    EXPECT_FALSE(Exists(journal));
}

TEST_F(JournalTest, CompletedRunLeavesNoJournal) {
    WriteAll(source, AllByteValues(4096));
    EXPECT_EQ(Run(), Success());
    EXPECT_FALSE(Exists(journal));
    WriteAll(source, AllByteValues(4096, 9));
    EXPECT_EQ(Run(), Success());
    EXPECT_FALSE(Exists(journal));
}

// A disk that stays full: the rewrite fails and so does putting the old text back. The
// journal keeps the old text, and the next run, with room again, restores it and converts.
TEST_F(JournalTest, RestoreWithoutRoomLeavesTheJournalForTheNextRun) {
    const std::string oldText = Rewritten(AllByteValues(20000, 4), userLines);
    WriteAll(ucf, oldText);
    WriteAll(source, AllByteValues(30000, 5));
    faults.writeBudget = 10000;
    faults.diskStaysFull = true;

    const ConversionOutcome failed = ConvertFiles(Request(), options);

    EXPECT_EQ(failed.failedStep, FailedStep::Ucf);
    EXPECT_EQ(failed.error, SystemErrorFor(FileProblem::DiskFull));
    EXPECT_TRUE(failed.journalKept);
    ASSERT_TRUE(Exists(journal));
    const std::string kept = ReadAll(journal);
    JournalHeader fields;
    std::uint64_t savedSize = 0;
    std::uint64_t savedChecksum = 0;
    ASSERT_TRUE(ParseJournalHeader(kept, fields, savedSize, savedChecksum));
    EXPECT_EQ(fields.oldLength, oldText.size());
    // Only the old text from the first byte that changes is saved: the user's lines stay.
    EXPECT_GE(fields.savedFrom, userLines.size() + 20);  // within "INST bram INIT_00 = ..."
    EXPECT_LT(fields.savedFrom, userLines.size() + 84);
    EXPECT_EQ(kept.substr(kJournalHeaderSize), oldText.substr(fields.savedFrom));

    faults.diskStaysFull = false;
    faults.writeBudget = FileAccessFaults::kUnlimited;
    const ConversionOutcome next = ConvertFiles(Request(), options);
    EXPECT_TRUE(next.Succeeded());
    EXPECT_TRUE(next.journalRecovered);
    ExpectSameText(ReadAll(ucf), Rewritten(AllByteValues(30000, 5), oldText));
    EXPECT_FALSE(Exists(journal));
}

// Undoing a UCF that the run made needs no room: it is emptied and removed, journal and all.
TEST_F(JournalTest, UcfMadeByARunOnAFullDiskIsRemovedWithItsJournal) {
    WriteAll(source, AllByteValues(30000, 5));
    faults.writeBudget = 10000;
    faults.diskStaysFull = true;

    const ConversionOutcome failed = ConvertFiles(Request(), options);

    EXPECT_EQ(failed.failedStep, FailedStep::Ucf);
    EXPECT_FALSE(failed.journalKept);
    EXPECT_FALSE(Exists(ucf));
    EXPECT_FALSE(Exists(journal));
}

TEST_F(JournalTest, FlushThatFailsPutsTheOldTextBack) {
    const std::string oldText = Rewritten(AllByteValues(2000, 4), userLines);
    WriteAll(ucf, oldText);
    WriteAll(source, AllByteValues(3000, 5));
    faults.failFlush = true;

    EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, FileProblem::ReadFault));

    EXPECT_EQ(ReadAll(ucf), oldText);
    EXPECT_FALSE(Exists(journal));
}

TEST_F(JournalTest, SameTextWritesNothingAndNeedsNoJournal) {
    WriteAll(source, AllByteValues(3000, 5));
    const std::string text = Rewritten(AllByteValues(3000, 5), userLines);
    WriteAll(ucf, text);
    SetLastWriteTime(ucf, LongAgo());
    const FileTime old = LastWriteTime(ucf);
    faults.writeBudget = 0;  // any write would fail

    EXPECT_EQ(Run(), Success());

    EXPECT_EQ(faults.writeBudget, 0u);
    EXPECT_EQ(ReadAll(ucf), text);
    // Build tools compare times: a completed run renews it all the same.
    EXPECT_GT(LastWriteTime(ucf), old + std::chrono::hours(24));
}

// A run that only reads the UCF sees what the next run will put back from the journal, and
// leaves both files as they are.
TEST_F(JournalTest, DryRunReadsTheTextTheJournalWillPutBack) {
    WriteAll(source, AllByteValues(100, 1));
    const std::string oldText = Rewritten(AllByteValues(2000, 2), userLines);
    LeaveInterruptedRewrite(oldText, userLines.size(),
                            Rewritten(AllByteValues(5000, 3), userLines));
    const std::string torn = ReadAll(ucf);
    const std::string saved = ReadAll(journal);
    options.output = UcfOutput::DryRun;

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.oldUcfSize, oldText.size());
    EXPECT_EQ(outcome.linesRemoved, 63u);
    EXPECT_EQ(outcome.newUcfSize, Rewritten(AllByteValues(100, 1), oldText).size());
    EXPECT_EQ(ReadAll(ucf), torn);
    EXPECT_EQ(ReadAll(journal), saved);
}

}  // namespace
