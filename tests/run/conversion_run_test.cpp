// The conversion run over real files: what it writes, what it leaves alone, what it says.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/run/run_fixture.h"

namespace {

TEST_F(RunTest, MissingUcfIsCreatedHoldingOnlyTheGeneratedLines) {
    WriteAll(source, CountingBytes(40));

    EXPECT_EQ(Run(), Success());

    EXPECT_EQ(ReadAll(ucf),
              "INST bram INIT_00 = "
              "1F1E1D1C1B1A191817161514131211100F0E0D0C0B0A09080706050403020100;\r\n"
              "INST bram INIT_01 = "
              "0000000000000000000000000000000000000000000000002726252423222120;\r\n");
}

TEST_F(RunTest, RewritesInPlaceAndLeavesNoTailOfTheLongerOldText) {
    WriteAll(ucf, "NET clk LOC = P1;\r\n");
    WriteAll(source, AllByteValues(1300));
    ASSERT_EQ(Run(), Success());
    const std::string before = ReadAll(ucf);
    ASSERT_GT(before.size(), 40u * 90);

    WriteAll(source, "\xAB");
    EXPECT_EQ(Run(), Success());

    const std::string after = ReadAll(ucf);
    EXPECT_EQ(after, Rewritten("\xAB", before));
    EXPECT_EQ(after,
              "NET clk LOC = P1;\r\n"
              "INST bram INIT_00 = "
              "00000000000000000000000000000000000000000000000000000000000000AB;\r\n");
}

// Large enough to be written in many blocks.
TEST_F(RunTest, LargeSourceIsConvertedWhole) {
    const std::string bytes = AllByteValues((std::size_t{8} << 20) + 77, 3);
    const std::string oldText = Rewritten(AllByteValues(5000), "NET clk LOC = P1;\r\n", "rom");
    WriteAll(source, bytes);
    WriteAll(ucf, oldText);

    EXPECT_EQ(Run(Request("rom")), Success());

    const std::string expected = Rewritten(bytes, oldText, "rom");
    ASSERT_GT(expected.size(), std::size_t{20} << 20);
    ExpectSameText(ReadAll(ucf), expected);
}

TEST_F(RunTest, EachNamingConventionReplacesItsOwnLines) {
    WriteAll(source, AllByteValues(600));
    ASSERT_EQ(Run(Request("Ram", 1)), Success());
    ASSERT_EQ(Run(Request("Ram", 1)), Success());
    const std::string once = Rewritten(AllByteValues(600), "", "Ram", 1);
    EXPECT_EQ(ReadAll(ucf), once);

    // No convention removes nothing and appends the one instance's lines without suffix.
    WriteAll(source, AllByteValues(500));
    ASSERT_EQ(Run(Request("Ram", -1)), Success());
    EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(500), once, "Ram", -1));
}

TEST_F(RunTest, ZeroLengthSourceRemovesTheComponentsLines) {
    WriteAll(ucf,
             "NET clk LOC = P1;\r\n"
             "INST bram INIT_00 = 00;\r\n"
             "inst\tBRAM_3 LOC = RAMB16_X0Y0;\r\n"
             "INST other INIT_00 = 00;\r\n");
    WriteAll(source, "");

    EXPECT_EQ(Run(), Success());

    EXPECT_EQ(ReadAll(ucf), "NET clk LOC = P1;\r\nINST other INIT_00 = 00;\r\n");
}

TEST_F(RunTest, UcfHoldingNulBytesIsKeptWhole) {
    const std::string old("NET a\0b LOC = P1;\r\n\0\0NET c;\r\n", 29);
    WriteAll(ucf, old);
    WriteAll(source, "\x01");

    EXPECT_EQ(Run(), Success());

    const std::string after = ReadAll(ucf);
    EXPECT_EQ(after.substr(0, old.size()), old);
    EXPECT_EQ(after, Rewritten("\x01", old));
}

TEST_F(RunTest, EmptyUcfPathGivesTheDestinationErrorAndLeavesTheEdifAlone) {
    WriteAll(source, "x");

    EXPECT_EQ(Run({source, "", "bram", edif, 0}), Error(kUcfPrefix, "", kEmptyPath));

    EXPECT_FALSE(Exists(edif));
}

TEST_F(RunTest, EmptySourcePathGivesTheSourceErrorFirst) {
    EXPECT_EQ(Run({"", "", "bram", "", 0}), Error(kSourcePrefix, "", kEmptyPath));
    EXPECT_EQ(Run({"", ucf, "bram", edif, 0}), Error(kSourcePrefix, "", kEmptyPath));
    EXPECT_FALSE(Exists(ucf));
    EXPECT_FALSE(Exists(edif));
}

TEST_F(RunTest, SourceThatCannotBeOpenedTouchesNoOtherFile) {
    EXPECT_EQ(Run(), Error(kSourcePrefix, source, kNoSuchFile));

    const std::string subfolder = folder / "sub";
    std::filesystem::create_directory(subfolder);
    EXPECT_EQ(Run({subfolder, ucf, "bram", edif, 0}),
              Error(kSourcePrefix, subfolder, kFolderAsFile));

    EXPECT_FALSE(Exists(ucf));
    EXPECT_FALSE(Exists(edif));
}

TEST_F(RunTest, UcfThatCannotBeCreatedGivesTheDestinationError) {
    WriteAll(source, "x");
    const std::string nowhere = folder / "missing-folder/design.ucf";

    EXPECT_EQ(Run({source, nowhere, "bram", edif, 0}), Error(kUcfPrefix, nowhere, kNoSuchFolder));

    EXPECT_FALSE(Exists(edif));
    EXPECT_EQ(ReadAll(source), "x");
}

TEST_F(RunTest, EmptyEdifPathSkipsTheRefreshAndStillSucceeds) {
    WriteAll(source, "x");

    EXPECT_EQ(Run({source, ucf, "bram", "", 0}), Success());

    EXPECT_EQ(ReadAll(ucf), Rewritten("x", ""));
}

TEST_F(RunTest, EdifThatCannotBeOpenedIsSkippedSilently) {
    WriteAll(source, "x");
    const std::string nowhere = folder / "missing-folder/design.edf";

    EXPECT_EQ(Run({source, ucf, "bram", nowhere, 0}), Success());

    EXPECT_EQ(ReadAll(ucf), Rewritten("x", ""));
}

TEST_F(RunTest, MissingEdifIsCreatedEmpty) {
    WriteAll(source, "x");

    EXPECT_EQ(Run(), Success());

    ASSERT_TRUE(Exists(edif));
    EXPECT_EQ(ReadAll(edif), "");
}

TEST_F(RunTest, EdifKeepsItsContentAndGetsANewLastWriteTime) {
    WriteAll(source, "x");
    const std::string netlist = "(edif design\r\n" + AllByteValues(200000, 3) + ")\n";
    WriteAll(edif, netlist);
    const FileTime old = LongAgo();
    SetLastWriteTime(edif, old);

    EXPECT_EQ(Run(), Success());

    EXPECT_EQ(ReadAll(edif), netlist);
    EXPECT_GT(LastWriteTime(edif), old + std::chrono::hours(24));
}

TEST(ShowSystemError, ShowsThePrefixAndTheSystemsTextCaptionedError) {
    RecordingOwner owner;
    const SystemErrorCode code = SystemErrorFor(FileProblem::DiskFull);
    SetLastSystemError(code);

    ShowSystemError(owner, "Destination UCF file:\nx.ucf\n\n");

    ASSERT_EQ(owner.messages.size(), 1u);
    const std::string text = SystemErrorText(code);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find("Unknown error"), std::string::npos);
    EXPECT_EQ(owner.messages[0],
              (RecordedMessage{"Destination UCF file:\nx.ucf\n\n" + text, "ERROR", 0x10}));
}

TEST(ShowSystemError, CodeWithoutSystemTextShowsUnknownErrorAndTheCode) {
    RecordingOwner owner;
    SetLastSystemError(0x2FFFFFFF);

    ShowSystemError(owner, "Source binary file:\nx\n\n");

    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].text, "Source binary file:\nx\n\nUnknown error 805306367");
}

}  // namespace
