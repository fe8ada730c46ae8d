// What ConvertFiles says it did: the step that failed with the system's reason, or the lines
// it removed and wrote, the instances and the sizes of the old and the new UCF.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/run/run_fixture.h"

namespace {

constexpr char kOtherLines[] = "NET clk LOC = P1;\r\n# placement\r\n";

TEST_F(RunTest, OutcomeCountsWhatWasRemovedAndWritten) {
    const std::string oldText =
        Rewritten(AllByteValues(512 + 32), kOtherLines) + "INST bram_1 LOC = RAMB16_X0Y1;\r\n";
    WriteAll(ucf, oldText);
    WriteAll(source, AllByteValues(1040, 7));

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.error, 0u);
    ASSERT_EQ(outcome.components.size(), 1u);
    const ComponentOutcome& bram = outcome.components[0];
    EXPECT_EQ(bram.linesRemoved, 18u);  // 17 INIT lines and the placement
    EXPECT_EQ(bram.linesWritten, 33u);
    EXPECT_EQ(bram.instancesWritten, 3u);
    EXPECT_EQ(bram.firstInstance, "bram");
    EXPECT_EQ(bram.lastInstance, "bram_2");
    EXPECT_EQ(outcome.oldUcfSize, oldText.size());
    EXPECT_EQ(outcome.newUcfSize, ReadAll(ucf).size());
}

// Without a naming convention (nothing selected in the Synthesizer list) every instance would
// have the component's name: data for more than one fails as the source's, and nothing is
// written.
TEST_F(RunTest, NoConventionTakesDataForOneInstanceOnly) {
    WriteAll(ucf, "NET a;\r\n");
    WriteAll(source, AllByteValues(513));
    EXPECT_EQ(Run(Request("rom", -1)),
              (RecordedMessage{kSourcePrefix + source +
                                   "\n\nthe data needs 2 block RAM instances of 512 bytes, and "
                                   "with no synthesizer selected every instance would have the "
                                   "same name: select Synopsys or XST",
                               "ERROR", 0x10}));
    EXPECT_EQ(ReadAll(ucf), "NET a;\r\n");
    EXPECT_FALSE(Exists(edif));
}

TEST_F(RunTest, OutcomeOfAnEmptySourceWritesNoInstance) {
    WriteAll(ucf, Rewritten(AllByteValues(64), kOtherLines));
    WriteAll(source, "");

    const ConversionOutcome outcome = ConvertFiles(Request(), options);

    ASSERT_TRUE(outcome.Succeeded());
    const ComponentOutcome& bram = outcome.components.at(0);
    EXPECT_EQ(bram.linesRemoved, 2u);
    EXPECT_EQ(bram.linesWritten, 0u);
    EXPECT_EQ(bram.instancesWritten, 0u);
    EXPECT_EQ(bram.firstInstance, "");
    EXPECT_EQ(ReadAll(ucf), kOtherLines);
}

TEST_F(RunTest, OutcomeOfAFailureNamesTheStepAndTheSystemsReason) {
    ConversionOutcome outcome = ConvertFiles(Request(), options);
    EXPECT_EQ(outcome.failedStep, FailedStep::Source);
    EXPECT_EQ(outcome.error, kNoSuchFile);
    EXPECT_FALSE(Exists(ucf));

    WriteAll(source, "x");
    ConversionRequest request = Request();
    request.ucfFile = folder / "missing/design.ucf";
    outcome = ConvertFiles(request, options);
    EXPECT_EQ(outcome.failedStep, FailedStep::Ucf);
    EXPECT_EQ(outcome.error, kNoSuchFolder);
    EXPECT_EQ(FailureText(request, outcome), "Destination UCF file:\n" + request.ucfFile + "\n\n" +
                                                 SystemErrorText(kNoSuchFolder));
}

// The error travels as a value: what the thread's last error says meanwhile does not matter.
TEST_F(RunTest, FailureIsReportedWhateverTheThreadsLastErrorSays) {
    SetLastSystemError(0);
    RecordingOwner owner;
    RunConversion(Request(), owner, options);
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0], Error(kSourcePrefix, source, kNoSuchFile));
}

}  // namespace
