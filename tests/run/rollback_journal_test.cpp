// The rollback journal: its bytes, the one rule of when a journal is put back, and what a run
// does with a file at the journal's name that it does not put back (refuses, keeps it,
// changes nothing), with a journal it could not write, and with one whose restore fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "conversion/run/new_text_digests.h"
#include "conversion/run/rollback_journal.h"
#include "conversion/run/rewrite_plan.h"
#include "tests/run/run_fixture.h"
#include "tests/support/call_failures.h"

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

// The journal of rewriting `oldText` into `newText`, as a run writes it (identity left
// empty), with its digests.
JournalContent JournalOf(const std::string& oldText, const std::string& newText) {
    JournalContent journal;
    JournalHeader& header = journal.header;
    header.oldLength = oldText.size();
    header.savedFrom = static_cast<std::uint64_t>(
        std::mismatch(oldText.begin(), oldText.end(), newText.begin(), newText.end()).first -
        oldText.begin());
    header.newLength = newText.size();
    header.createdUcf = oldText.empty();
    header.prefixHash = Xxh64(oldText.data(), header.savedFrom);
    NewTextDigests digests(header);
    digests.Add(newText.data() + header.savedFrom, newText.size() - header.savedFrom);
    journal.digests = digests.Take();
    journal.saved = oldText.substr(header.savedFrom);
    return journal;
}

std::string BytesOf(const JournalContent& journal) {
    return JournalHeaderBytes(journal.header, journal.saved, journal.digests) + journal.saved +
           DigestBytes(journal.digests);
}

// What a crash leaves after the new text's first `cut` bytes reached the file: those, then the
// old text's rest.
std::string TornAt(const std::string& oldText, const std::string& newText, std::size_t cut) {
    return newText.substr(0, cut) + (cut < oldText.size() ? oldText.substr(cut) : "");
}

TEST(Xxh64, MatchesPublishedValues) {
    EXPECT_EQ(Xxh64("", 0), 0xEF46DB3751D8E999u);
    EXPECT_EQ(Xxh64("abc", 3), 0x44BC2CF5AD770999u);
    const std::string text = "Nobody inspects the spammish repetition";
    EXPECT_EQ(Xxh64(text.data(), text.size()), 0xFBCEA83C8A378BF1u);
}

// A journal is whole, not ours, or damaged: any byte changed, cut off or appended after it was
// written is damage, never a journal cut off while being written (it is named only once whole).
TEST(JournalBytes, ReadBackWholeAndEveryChangeIsDamage) {
    const std::string oldText(1500, 'o');
    const std::string newText = std::string(700, 'o') + std::string(1200, 'n');
    JournalContent journal = JournalOf(oldText, newText);
    journal.header.identity = {7, 99};
    journal.header.origin = {true, 1234, true, 5678};
    const std::string bytes = BytesOf(journal);
    ASSERT_EQ(bytes.substr(0, 8), "QLNJRNL3");
    // Segments from byte 700 on, cut at 1024, 1500 (the old length) and 1536.
    EXPECT_EQ(journal.digests.size(), 4u);

    JournalContent read;
    std::string what;
    ASSERT_EQ(ReadJournalBytes(bytes, read, what), JournalReading::Whole) << what;
    EXPECT_EQ(read.header.identity, (FileIdentity{7, 99}));
    EXPECT_EQ(read.header.origin.generation, 1234u);
    EXPECT_EQ(read.header.origin.birthTime, 5678);
    EXPECT_EQ(read.saved, journal.saved);
    EXPECT_EQ(read.digests, journal.digests);

    for (std::size_t at = 0; at < bytes.size(); ++at) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
        EXPECT_EQ(ReadJournalBytes(damaged, read, what),
                  at < 7 ? JournalReading::Foreign : JournalReading::Damaged)
            << "byte " << at;
    }
    for (std::size_t length = 7; length < bytes.size(); length += 97) {
        EXPECT_EQ(ReadJournalBytes(bytes.substr(0, length), read, what), JournalReading::Damaged)
            << "cut at " << length;
    }
    EXPECT_EQ(ReadJournalBytes(bytes + "x", read, what), JournalReading::Damaged);
    EXPECT_EQ(what, "1 bytes follow the end its header gives");
    for (const char* older : {"QLNJRNL1", "QLNJRNL2"}) {
        EXPECT_EQ(ReadJournalBytes(older + bytes.substr(8), read, what), JournalReading::Damaged);
        EXPECT_NE(what.find("does not put back"), std::string::npos) << what;
    }
    EXPECT_EQ(ReadJournalBytes("", read, what), JournalReading::Foreign);
    EXPECT_EQ(ReadJournalBytes("NET clk LOC = P1;", read, what), JournalReading::Foreign);
}

// The one rule: the journal fits a file only in a state that a crash of its rewrite (or of a
// restore of its old text) can leave, each segment torn at sector boundaries.
TEST(JournalFit, OnlyStatesTheRewriteCanLeave) {
    const std::string prefix(600, 'p');
    const std::string oldText = prefix + std::string(1700, 'o');
    const std::string longer = prefix + std::string(3000, 'n');
    const std::string shorter = prefix + std::string(500, 'n');
    // `git checkout` of a version with lines after the component, of a length the rewrite
    // can leave.
    std::string user = oldText;
    user.resize(2560, '#');
    user.replace(oldText.size(), 2, "\r\n");
    struct Case {
        const char* what;
        std::string newText;
        std::string file;
        JournalFit fit;
    };
    std::string zeroExtended = oldText + std::string(1024, '\0');
    zeroExtended.resize(2560);
    std::string sectorsMixed = longer.substr(0, 2560);
    std::copy(oldText.begin() + 1024, oldText.begin() + 1536, sectorsMixed.begin() + 1024);
    std::string oneByteOff = TornAt(oldText, longer, 1536);
    std::string prefixEdited = longer;
    prefixEdited[0] = 'P';
    std::string tooLong = longer;
    tooLong.push_back('x');
    oneByteOff[1700] = 'x';
    const std::vector<Case> cases = {
        {"the old text", longer, oldText, JournalFit::Fits},
        {"the new text", longer, longer, JournalFit::Fits},
        {"torn at a sector", longer, TornAt(oldText, longer, 1536), JournalFit::Fits},
        {"new and old sectors mixed", longer, sectorsMixed, JournalFit::Fits},
        {"extended with zeros", longer, zeroExtended, JournalFit::Fits},
        {"shorter, not yet cut", shorter, TornAt(oldText, shorter, 1100), JournalFit::Fits},
        {"shorter, cut", shorter, shorter, JournalFit::Fits},
        {"a length no write ends at", longer, longer.substr(0, 2500), JournalFit::LengthDiffers},
        {"shorter than both texts", shorter, prefix, JournalFit::LengthDiffers},
        {"longer than both texts", longer, tooLong, JournalFit::LengthDiffers},
        {"the prefix edited", longer, prefixEdited, JournalFit::PrefixDiffers},
        {"one byte neither old nor new", longer, oneByteOff, JournalFit::ContentDiffers},
        {"a checked-out version with more lines", longer, user, JournalFit::ContentDiffers},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::uint64_t where = 0;
        EXPECT_EQ(FitOfFile(c.file, JournalOf(oldText, c.newText), where), c.fit);
    }
    // A run that made the UCF: it goes only when empty or made of the new text's sectors.
    const JournalContent created = JournalOf("", longer);
    std::uint64_t where = 0;
    EXPECT_EQ(FitOfFile("", created, where), JournalFit::Fits);
    EXPECT_EQ(FitOfFile(longer.substr(0, 1024), created, where), JournalFit::Fits);
    EXPECT_EQ(FitOfFile(user.substr(0, 1024), created, where), JournalFit::ContentDiffers);
}

// The digests of a large text come from two threads that split its lines: they are those of
// the one stream, wherever the first change and the old length fall.
TEST(JournalDigests, TwoThreadsGiveTheDigestsOfTheWholeText) {
    const std::string bytes = AllByteValues(6 << 20, 5);
    const std::string_view component = "bram";
    const WideLines lines = LayOutLanes(
        WordImage::FromBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
        {kLinesPerInstance4k, 8, 1}, std::span(&component, 1), SynthesizerKind::Synopsys);
    const std::string kept = "NET clk LOC = P1;\r\n";
    std::string text = RewriteUcf(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                  static_cast<std::uint32_t>(bytes.size()), kept, component,
                                  SynthesizerKind::Synopsys);
    const std::uint64_t size = text.size();
    for (const std::uint64_t from : {std::uint64_t{5}, std::uint64_t{777777}, size / 2 - 3}) {
        for (const std::uint64_t oldLength : {from, size / 2 + 100, size + 9}) {
            SCOPED_TRACE(testing::Message() << "from " << from << ", old length " << oldLength);
            JournalHeader header;
            header.savedFrom = from;
            header.oldLength = oldLength;
            header.newLength = size;
            NewTextDigests whole(header);
            whole.Add(text.data() + from, static_cast<std::size_t>(size - from));
            const std::vector<std::uint32_t> expected = whole.Take();
            EXPECT_EQ(NewTextDigestsOf(header, kept, lines), expected);
            EXPECT_EQ(expected.size(), DigestCount(header));
        }
    }
}

class JournalTest : public FaultTest {
protected:
    // What a run that died while writing `newText` over `oldText` leaves: its journal, and the
    // new text's first `cut` bytes (by default the sector before the middle of the change).
    void LeaveInterruptedRewrite(const std::string& oldText, const std::string& newText,
                                 std::size_t cut = std::string::npos) {
        WriteAll(ucf, oldText);
        JournalContent journal = JournalOf(oldText, newText);
        bool exists = false;
        EXPECT_EQ(IdentityAtPath(ucf, journal.header.identity, exists), 0u);
        File file;
        ASSERT_TRUE(file.Open(ucf, FileOpening::ReadShared));
        journal.header.origin = file.Origin();
        journal.header.windowsIdentity = kOnWindows;
        file.Close();
        ASSERT_FALSE(WriteJournal(Journal(), oldText, journal.header, journal.digests, 0644));
        // Any multiple of the sector up to the new length is where a write of the run ended.
        if (cut == std::string::npos) {
            cut = (journal.header.savedFrom + newText.size()) / 2 / kJournalSector * kJournalSector;
        }
        WriteAll(ucf, TornAt(oldText, newText, cut));
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
    LeaveInterruptedRewrite(oldText, Rewritten(AllByteValues(5000, 3), userLines));

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    EXPECT_TRUE(outcome.Succeeded()) << outcome.reason;
    EXPECT_TRUE(outcome.journalRecovered);
    EXPECT_EQ(outcome.oldUcfSize, oldText.size());
    EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(3000, 1), oldText));
    EXPECT_FALSE(Exists(Journal()));
}

TEST_F(JournalTest, JournalOfAUcfThatTheDeadRunCreatedRemovesItFirst) {
    WriteAll(source, "x");
    LeaveInterruptedRewrite("", Rewritten(AllByteValues(900, 3), ""), 1024);

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    EXPECT_TRUE(outcome.journalRecovered);
    EXPECT_EQ(ReadAll(ucf), Rewritten("x", ""));
    EXPECT_FALSE(Exists(Journal()));
}

// Whatever is at the journal's name that the run does not put back, it keeps, and changes
// nothing: a journal whose run cannot have left the UCF as it is (after `git checkout`,
// `cp other.ucf design.ucf` or an editor's save, whatever the file system did with the
// inode's number), a damaged one, one someone else could have written, or no journal of ours.
TEST_F(JournalTest, WhatTheRunDoesNotPutBackItKeepsAndChangesNothing) {
    WriteAll(source, AllByteValues(300, 1));
    const std::string oldText = Rewritten(AllByteValues(2000, 2), userLines);
    const std::string newText = Rewritten(AllByteValues(4000, 3), userLines);
    const std::string created = Rewritten(AllByteValues(900, 3), "");
    const auto replaceFile = [this](const std::string& text) {
        WriteAll(folder / "replacement.ucf", text);
        std::filesystem::rename(folder / "replacement.ucf", ucf);
    };
    const auto changeJournal = [this](const std::function<void(std::string&)>& change) {
        std::string journal = ReadAll(Journal());
        change(journal);
        WriteAll(Journal(), journal);
    };
    const std::string fromRun =
        "the rollback journal " + Journal() + " was left by an unfinished run";
    const std::string damaged = "the rollback journal " + Journal() + " is damaged: ";
    const std::string notOurs = Journal() + " is in the way of the rollback journal and is not one";
    struct Case {
        const char* what;
        std::function<void()> arrange;  // after the dead run left its journal
        std::string says;
        bool createdUcf = false;
    };
    std::vector<Case> cases = {
        {"another file, other first lines", [&] { replaceFile("# checked out\r\n" + oldText); },
         fromRun + " on another file of this name"},
        {"another file, the same text", [&] { replaceFile(oldText); },
         fromRun + " on another file of this name"},
        {"its prefix edited", [&] { WriteAll(ucf, "NET clk LOC = P2;\r\n# mine\r\n" + oldText); },
         fromRun + ", and the UCF was changed since"},
        {"lines after the component", [&] { WriteAll(ucf, oldText + "# thirty more\r\n"); },
         fromRun + ", and the UCF was changed since"},
        {"longer than either text", [&] { WriteAll(ucf, newText + newText); },
         fromRun + ", and the UCF was changed since"},
        {"a file copied in where the run made one", [&] { WriteAll(ucf, userLines); },
         fromRun + ", and the UCF was changed since", true},
        {"a bit of the saved text",
         [&] { changeJournal([](std::string& j) { j[kJournalHeaderSize + 3] ^= 1; }); },
         damaged + "the checksum of its saved text"},
        {"an earlier format", [&] { changeJournal([](std::string& j) { j[7] = '1'; }); },
         damaged + "it is of the format QLNJRNL1"},
    };
    for (const std::string content : {"", "QLNJ", "my notes on the design\n"}) {
        cases.push_back({"not ours", [this, content] { WriteAll(Journal(), content); }, notOurs});
    }
#ifndef _WIN32
    // Another user's journal in a shared folder, and one that users who cannot write the UCF can.
    const auto alterJournal = [this](uid_t owner, mode_t mode) {
        const std::string journal = Journal();
        ASSERT_EQ(::chmod(ucf.c_str(), 0644), 0);
        faults.targets = [journal](const std::string& path) { return path == journal; };
        faults.alterStatus = [owner, mode](const std::string&, struct stat& status) {
            status.st_uid = owner;
            status.st_mode = (status.st_mode & ~07777) | mode;
        };
    };
    cases.push_back({"another user's", [&] { alterJournal(::geteuid() + 4242, 0644); },
                     Journal() + " belongs to user " + std::to_string(::geteuid() + 4242)});
    cases.push_back({"writable by all", [&] { alterJournal(::geteuid(), 0666); },
                     Journal() + " can be written by users who cannot write the UCF"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.createdUcf) {
            LeaveInterruptedRewrite("", created, 1024);
        } else {
            LeaveInterruptedRewrite(oldText, newText);
        }
        c.arrange();
        const std::string text = ReadAll(ucf);
        const std::string journal = ReadAll(Journal());

        const ConversionOutcome outcome = ConvertFiles(Request(), options);

        faults = FileAccessFaults();
        EXPECT_EQ(outcome.failedStep, FailedStep::Ucf);
        EXPECT_EQ(outcome.reason.rfind(c.says, 0), 0u) << outcome.reason;
        EXPECT_NE(outcome.reason.find("; nothing was changed"), std::string::npos)
            << outcome.reason;
        EXPECT_EQ(ReadAll(ucf), text);
        EXPECT_EQ(ReadAll(Journal()), journal);
        RemoveFile(Journal());
    }
}

// A run killed while writing its journal left it under the temporary name: the next run
// removes it when it is ours (the magic), and leaves anything else of that name alone.
TEST_F(JournalTest, TemporariesOfAJournalAreRemovedOnlyWhenOurs) {
    const std::string oldText = Rewritten(AllByteValues(2000, 2), userLines);
    WriteAll(ucf, oldText);
    WriteAll(source, AllByteValues(300, 1));
    const std::string ours = Journal() + "-a1B2c3";
    const std::string cut = Journal() + "-000000";
    const std::string other = Journal() + "-notes";
    WriteAll(ours, "QLNJRNL3 and the rest cut off");
    WriteAll(cut, std::string(4096, '\0'));  // a power loss before its first bytes
    WriteAll(other, "QLNJRNL3 but not of the pattern");

    EXPECT_TRUE(ConvertFiles(Request(), options).Succeeded());

    EXPECT_FALSE(Exists(ours));
    EXPECT_TRUE(Exists(cut));
    EXPECT_TRUE(Exists(other));
    EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(300, 1), oldText));
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
    JournalContent kept;
    std::string what;
    ASSERT_EQ(ReadJournalBytes(ReadAll(Journal()), kept, what), JournalReading::Whole) << what;
    EXPECT_EQ(kept.header.oldLength, oldText.size());
    // Only the old text from the first byte that changes is saved: the user's lines stay.
    EXPECT_GE(kept.header.savedFrom, userLines.size() + 20);  // within "INST bram INIT_00 = ..."
    EXPECT_LT(kept.header.savedFrom, userLines.size() + 84);
    EXPECT_EQ(kept.saved, oldText.substr(kept.header.savedFrom));

    faults.diskStaysFull = false;
    faults.writeBudget = FileAccessFaults::kUnlimited;
    const ConversionOutcome next = ConvertFiles(Request(), options);
    EXPECT_TRUE(next.Succeeded()) << next.reason;
    EXPECT_TRUE(next.journalRecovered);
    ExpectSameText(ReadAll(ucf), Rewritten(AllByteValues(30000, 5), oldText));
    EXPECT_FALSE(Exists(Journal()));
}

// Putting a journal's text back fails: the run says so naming the journal, which stays, and
// the UCF keeps the text it had.
TEST_F(JournalTest, RestoreThatFailsNamesTheJournalThatStays) {
    WriteAll(source, AllByteValues(300, 1));
    const std::string oldText = Rewritten(AllByteValues(2000, 2), userLines);
#ifdef _WIN32
    const char* calls[] = {"writeFile", "flushFileBuffers", "deleteFileA"};
#else
    const char* calls[] = {"write", "fsync", "unlink"};
#endif
    const SystemErrorCode error = SystemErrorFor(FileProblem::DiskFull);
    const std::string putBack =
        "cannot put the old text back from its rollback journal " + Journal();
    const std::vector<std::string> says = {
        putBack + ": " + SystemErrorLine(error) + "; the journal stays for the next run",
        putBack + ": " + SystemErrorLine(error) + "; the journal stays for the next run",
        "the old text is back, but its rollback journal " + Journal() +
            " could not be deleted: " + SystemErrorText(error)};
    for (std::size_t i = 0; i < says.size(); ++i) {
        SCOPED_TRACE(calls[i]);
        LeaveInterruptedRewrite(oldText, Rewritten(AllByteValues(4000, 3), userLines));
        ConversionOutcome outcome;
        {
            CallFailure failure(calls[i], 1, error);
            outcome = ConvertFiles(Request(), options);
        }
        EXPECT_EQ(FailureReason(outcome), says[i]);
        EXPECT_TRUE(Exists(Journal()));
        // The next run finds the old text or the torn one, both of which the journal fits.
        EXPECT_TRUE(ConvertFiles(Request(), options).Succeeded());
        EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(300, 1), oldText));
    }
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

// A run that only reads the UCF sees what the next run will put back from the journal, says
// that one is pending, and leaves both files as they are.
TEST_F(JournalTest, DryRunReadsTheTextTheJournalWillPutBack) {
    WriteAll(source, AllByteValues(100, 1));
    const std::string oldText = Rewritten(AllByteValues(2000, 2), userLines);
    LeaveInterruptedRewrite(oldText, Rewritten(AllByteValues(5000, 3), userLines));
    const std::string torn = ReadAll(ucf);
    const std::string saved = ReadAll(Journal());
    options.output = UcfOutput::DryRun;

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    ASSERT_TRUE(outcome.Succeeded()) << outcome.reason;
    EXPECT_TRUE(outcome.journalPending);
    EXPECT_EQ(outcome.oldUcfSize, oldText.size());
    EXPECT_EQ(outcome.components.front().linesRemoved, 63u);
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
    LeaveInterruptedRewrite(oldText, Rewritten(AllByteValues(900, 3), userLines));
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
