// The rollback journal: its format, torn journals told from whole ones, recovery only into the
// file a journal belongs to, files at its name that are not ours, and a run whose restore
// fails leaving the old text in it for the next run.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "conversion/run/rollback_journal.h"
#include "tests/run/run_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr bool kOnWindows = true;
#else
constexpr bool kOnWindows = false;
#endif

TEST(Xxh64, MatchesPublishedValues) {
    EXPECT_EQ(Xxh64("", 0), 0xEF46DB3751D8E999u);
    EXPECT_EQ(Xxh64("abc", 3), 0x44BC2CF5AD770999u);
    const std::string text = "Nobody inspects the spammish repetition";
    EXPECT_EQ(Xxh64(text.data(), text.size()), 0xFBCEA83C8A378BF1u);
}

TEST(JournalHeader, RoundTripsAndTellsTornFromForeign) {
    const std::string saved = "old text\r\n";
    JournalHeader header;
    header.oldLength = 25;
    header.savedFrom = 15;
    header.newLength = 40;
    header.identity = {7, 99};
    header.prefixHash = 1234;
    const std::string bytes = JournalHeaderBytes(header, saved);
    ASSERT_EQ(bytes.size(), kJournalHeaderSize);
    EXPECT_EQ(bytes.substr(0, 8), "QLNJRNL2");
    const std::uint64_t fileSize = bytes.size() + saved.size();
    JournalHeader fields;
    std::uint64_t checksum = 0;
    bool one = false;
    ASSERT_EQ(ParseJournalHeader(bytes, fileSize, fields, checksum, one), JournalKind::Intact);
    EXPECT_EQ(fields.newLength, 40u);
    EXPECT_EQ(fields.identity, (FileIdentity{7, 99}));
    EXPECT_EQ(fields.prefixHash, 1234u);
    EXPECT_EQ(checksum, Xxh64(saved.data(), saved.size()));
    EXPECT_FALSE(one);

    // Every damaged byte and every cut leaves a journal of ours that is torn, as long as the
    // magic (or as much of it as was written) is there; anything else is not ours.
    for (std::size_t at = 0; at < kJournalHeaderSize; ++at) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
        EXPECT_EQ(ParseJournalHeader(damaged, fileSize, fields, checksum, one),
                  at < 8 ? JournalKind::Foreign : JournalKind::Torn)
            << "byte " << at;
        EXPECT_EQ(ParseJournalHeader(bytes.substr(0, at), at, fields, checksum, one),
                  JournalKind::Torn)
            << "cut at " << at;
    }
    EXPECT_EQ(ParseJournalHeader("NET clk LOC = P1;", 17, fields, checksum, one),
              JournalKind::Foreign);
    EXPECT_EQ(ParseJournalHeader(bytes, fileSize + 1, fields, checksum, one), JournalKind::Torn);
}

class JournalTest : public FaultTest {
protected:
    // What a run that died after writing `newText` over `oldText` from `from` on leaves.
    void LeaveInterruptedRewrite(const std::string& oldText, std::size_t from,
                                 const std::string& newText, bool created = false) {
        WriteAll(ucf, oldText);
        ASSERT_FALSE(
            WriteJournal(Journal(), oldText, HeaderFor(oldText, from, newText, created), 0644));
        WriteAll(ucf, newText.substr(0, newText.size() / 2));
    }

    JournalHeader HeaderFor(const std::string& oldText, std::size_t from,
                            const std::string& newText, bool created) {
        JournalHeader header;
        header.oldLength = oldText.size();
        header.savedFrom = from;
        header.newLength = newText.size();
        header.createdUcf = created;
        bool exists = false;
        EXPECT_EQ(IdentityAtPath(ucf, header.identity, exists), 0u);
        header.windowsIdentity = kOnWindows;
        header.prefixHash = Xxh64(oldText.data(), from);
        return header;
    }

    // Named after the UCF's resolved path.
    std::string Journal() const {
        return JournalPath(std::filesystem::weakly_canonical(ucf).string());
    }

    const std::string userLines = "NET clk LOC = P1;\r\n# mine\r\n";
};

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
    EXPECT_FALSE(Exists(Journal()));
}

TEST_F(JournalTest, JournalOfAUcfThatTheDeadRunCreatedRemovesItFirst) {
    WriteAll(source, "x");
    LeaveInterruptedRewrite("", 0, "INST bram INIT_00 = 00", true);

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    EXPECT_TRUE(outcome.journalRecovered);
    EXPECT_EQ(ReadAll(ucf), Rewritten("x", ""));
    EXPECT_FALSE(Exists(Journal()));
}

// A journal is put back only into the file it was written for: after `git checkout` or an
// editor's save by renaming, the file at the path is another one, or has another prefix.
TEST_F(JournalTest, JournalOfAReplacedUcfIsLeftAloneAndFailsTheRun) {
    WriteAll(source, AllByteValues(300, 1));
    const std::string oldText = Rewritten(AllByteValues(2000, 2), userLines);
    struct Case {
        const char* what;
        bool otherFile;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"another file, other first lines", true, "# checked out again\r\n" + oldText},
        {"another file, the same first lines", true, oldText},
        {"the same file, its prefix edited", false, "NET clk LOC = P2;\r\n# mine\r\n" + oldText},
        {"the same file, longer than either text", false, oldText + oldText + oldText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LeaveInterruptedRewrite(oldText, userLines.size() + 10, oldText + oldText);
        const std::string journal = ReadAll(Journal());
        if (c.otherFile) {
            const std::string replacement = folder / "replacement.ucf";
            WriteAll(replacement, c.text);
            std::filesystem::rename(replacement, ucf);
        } else {
            WriteAll(ucf, c.text);
        }

        const RecordedMessage message = Run();

        EXPECT_EQ(message.caption, "ERROR");
        EXPECT_NE(message.text.find(Journal() + " was left by an unfinished run"),
                  std::string::npos)
            << message.text;
        EXPECT_EQ(ReadAll(ucf), c.text);
        EXPECT_EQ(ReadAll(Journal()), journal);
        RemoveFile(Journal());
    }
}

// A file at the journal's name that is not one of ours is never deleted or used; an empty one
// or one with our magic and nothing valid is a journal cut off before the UCF was touched.
TEST_F(JournalTest, FilesAtTheJournalsNameThatAreNotOursStay) {
    WriteAll(source, "");
    struct Case {
        std::string content;
        bool ours;
    };
    const std::vector<Case> cases = {
        {"", true},
        {"QLNJ", true},
        {"QLNJRNL2 and then nothing valid", true},
        {"QLNJRNL1 an old one cut off", true},
        {"my notes on the design\n", false},
        {"QLNX", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        WriteAll(ucf, userLines);
        WriteAll(Journal(), c.content);

        // A zero-length source with no synthesizer named changes nothing.
        const ConversionOutcome outcome = ConvertFiles(Request("bram", 2), options);

        EXPECT_EQ(outcome.Succeeded(), c.ours);
        EXPECT_FALSE(outcome.journalRecovered);
        EXPECT_EQ(ReadAll(ucf), userLines);
        EXPECT_EQ(Exists(Journal()), !c.ours);
        if (!c.ours) {
            EXPECT_EQ(outcome.reason, Journal() +
                                          " is in the way of the rollback journal and is "
                                          "not one; nothing was changed (move it away "
                                          "and convert again)");
            EXPECT_EQ(ReadAll(Journal()), c.content);
            RemoveFile(Journal());
        }
    }
}

// Cut anywhere, the journal was being written and the UCF not yet touched: only the journal
// goes. A flipped byte in the saved text fails its checksum the same way.
TEST_F(JournalTest, TornJournalIsRemovedWithoutTouchingTheUcf) {
    const std::string oldText = userLines + "INST bram INIT_00 = 1;\r\n";
    LeaveInterruptedRewrite(oldText, 5, oldText);
    const std::string whole = ReadAll(Journal());
    std::string flipped = whole;
    flipped[kJournalHeaderSize + 3] ^= 1;
    WriteAll(source, "");
    std::vector<std::string> torn = {flipped};
    for (std::size_t length : {1, 7, 8, 40, 87, 88, 89}) torn.push_back(whole.substr(0, length));
    for (const std::string& journal : torn) {
        SCOPED_TRACE(journal.size());
        WriteAll(Journal(), journal);
        WriteAll(ucf, userLines);

        const ConversionOutcome outcome = ConvertFiles(Request("bram", 2), options);

        EXPECT_TRUE(outcome.Succeeded());
        EXPECT_FALSE(outcome.journalRecovered);
        EXPECT_EQ(ReadAll(ucf), userLines);
        EXPECT_FALSE(Exists(Journal()));
    }
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
    ASSERT_TRUE(Exists(Journal()));
    const std::string kept = ReadAll(Journal());
    JournalHeader fields;
    std::uint64_t checksum = 0;
    bool one = false;
    ASSERT_EQ(
        ParseJournalHeader(kept.substr(0, kJournalHeaderSize), kept.size(), fields, checksum, one),
        JournalKind::Intact);
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
    EXPECT_FALSE(Exists(Journal()));
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
    EXPECT_FALSE(Exists(ucf + "-journal"));
}

TEST_F(JournalTest, FlushThatFailsPutsTheOldTextBack) {
    const std::string oldText = Rewritten(AllByteValues(2000, 4), userLines);
    WriteAll(ucf, oldText);
    WriteAll(source, AllByteValues(3000, 5));
    faults.failFlush = true;

    EXPECT_EQ(Run(), Error(kUcfPrefix, ucf, FileProblem::ReadFault));

    EXPECT_EQ(ReadAll(ucf), oldText);
    EXPECT_FALSE(Exists(Journal()));
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
    const std::string saved = ReadAll(Journal());
    options.output = UcfOutput::DryRun;

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.oldUcfSize, oldText.size());
    EXPECT_EQ(outcome.linesRemoved, 63u);
    EXPECT_EQ(outcome.newUcfSize, Rewritten(AllByteValues(100, 1), oldText).size());
    EXPECT_EQ(ReadAll(ucf), torn);
    EXPECT_EQ(ReadAll(Journal()), saved);
}

#ifndef _WIN32
// Through a symbolic link or a relative path, a run finds the journal that a run through the
// other name left: it is named after the file's resolved path.
TEST_F(JournalTest, EveryNameOfTheUcfFindsItsJournal) {
    WriteAll(source, AllByteValues(300, 1));
    const std::string oldText = Rewritten(AllByteValues(2000, 2), userLines);
    LeaveInterruptedRewrite(oldText, userLines.size(), Rewritten(AllByteValues(900, 3), userLines));
    const std::string link = folder / "link.ucf";
    ASSERT_EQ(::symlink(ucf.c_str(), link.c_str()), 0);
    ConversionRequest request = Request();
    request.ucfFile = link;

    const ConversionOutcome outcome = ConvertFiles(request, options);

    EXPECT_TRUE(outcome.journalRecovered);
    EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(300, 1), oldText));
    EXPECT_FALSE(Exists(Journal()));
}

// The journal's name is never followed: a link there (dangling or to another file) makes the
// run fail and stay away from the link's target, and a FIFO there never blocks it.
TEST_F(JournalTest, LinkOrFifoAtTheJournalsNameIsNotFollowed) {
    WriteAll(source, AllByteValues(300, 1));
    const std::string target = folder / "private";
    const std::string oldText = Rewritten(AllByteValues(2000, 2), userLines);
    for (const char* kind : {"dangling", "file", "fifo"}) {
        SCOPED_TRACE(kind);
        WriteAll(ucf, oldText);
        RemoveFile(target);
        if (std::string(kind) == "fifo") {
            ASSERT_EQ(::mkfifo(Journal().c_str(), 0600), 0);
        } else {
            if (std::string(kind) == "file") WriteAll(target, "secret");
            ASSERT_EQ(::symlink(target.c_str(), Journal().c_str()), 0);
        }

        const ConversionOutcome outcome = ConvertFiles(Request(), options);

        EXPECT_FALSE(outcome.Succeeded());
        EXPECT_EQ(outcome.reason.rfind(Journal() + " is in the way", 0), 0u) << outcome.reason;
        EXPECT_EQ(ReadAll(ucf), oldText);
        EXPECT_EQ(ReadIfExists(target), std::string(kind) == "file"
                                            ? std::optional<std::string>("secret")
                                            : std::nullopt);
        RemoveFile(Journal());
    }
}

// The journal holds the UCF's text: it is never more readable than the UCF.
TEST_F(JournalTest, JournalTakesTheUcfsPermissions) {
    const std::string oldText = Rewritten(AllByteValues(2000, 2), userLines);
    WriteAll(ucf, oldText);
    ASSERT_EQ(::chmod(ucf.c_str(), 0600), 0);
    WriteAll(source, AllByteValues(3000, 1));
    faults.writeBudget = 1000;
    faults.diskStaysFull = true;  // the journal stays

    ASSERT_TRUE(ConvertFiles(Request(), options).journalKept);

    struct stat status;
    ASSERT_EQ(::stat(Journal().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}
#endif

}  // namespace
