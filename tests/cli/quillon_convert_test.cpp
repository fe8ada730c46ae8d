// quillon-convert as build scripts see it: exit codes, stdout and stderr, the files it leaves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_access.h"
#include "tests/cli/program_runner.h"
#include "tests/run/run_fixture.h"

namespace {

class QuillonConvertTest : public RunTest {
protected:
    ProgramOutcome Convert(const std::vector<std::string>& args) {
        return RunQuillonConvert(args, scratch.Path().string());
    }

    // What stderr shows for an error box: its text as lines.
    static std::string ErrorLines(const char* prefix, const std::string& path,
                                  SystemErrorCode code) {
        std::string text = SystemErrorText(code);
        std::string::size_type at = 0;
        while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        return prefix + path + "\n\n" + text + "\n";
    }

    void ExpectUsageError(const std::vector<std::string>& args) {
        const ProgramOutcome outcome = Convert(args);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_EQ(outcome.out, "");
        EXPECT_NE(outcome.err.find("Usage: quillon-convert --source FILE --ucf FILE"),
                  std::string::npos)
            << outcome.err;
        EXPECT_FALSE(Exists(ucf));
    }

    TempFolder scratch;
};

TEST_F(QuillonConvertTest, ConvertsAndSaysSoOnStdout) {
    WriteAll(source, std::string("\x00\x01\x02", 3));

    const ProgramOutcome outcome = Convert({"-s", source, "-u", ucf, "-c", "bram", "-e", edif});

    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, "UCF file updated!\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(ReadAll(ucf),
              "INST bram INIT_00 = "
              "0000000000000000000000000000000000000000000000000000000000020100;\r\n");
    EXPECT_TRUE(Exists(edif));
}

TEST_F(QuillonConvertTest, SynthesizerIsNamedInAnyCaseAndDefaultsToSynopsys) {
    WriteAll(source, AllByteValues(600));

    ASSERT_EQ(Convert({"--source", source, "--ucf", ucf, "--component", "ram"}).exitCode, 0);
    const std::string synopsys = Rewritten(AllByteValues(600), "", "ram", 0);
    EXPECT_EQ(ReadAll(ucf), synopsys);

    ASSERT_EQ(
        Convert({"--source=" + source, "--ucf=" + ucf, "--component=ram", "--synthesizer=XsT"})
            .exitCode,
        0);
    const std::string both = Rewritten(AllByteValues(600), synopsys, "ram", 1);
    EXPECT_EQ(ReadAll(ucf), both);

    ASSERT_EQ(Convert({"-s", source, "-u", ucf, "-c", "ram", "-y", "NONE"}).exitCode, 0);
    EXPECT_EQ(ReadAll(ucf), Rewritten(AllByteValues(600), both, "ram", -1));
}

TEST_F(QuillonConvertTest, ComponentIsTakenAsGiven) {
    WriteAll(source, "\x7F");

    ASSERT_EQ(Convert({"-s", source, "-u", ucf, "-c", "", "-y", "synopsys"}).exitCode, 0);
    ASSERT_EQ(Convert({"-s", source, "-u", ucf, "-c", "my ram", "-y", "xst"}).exitCode, 0);

    const std::string value = std::string(62, '0') + "7F;\r\n";
    EXPECT_EQ(ReadAll(ucf), "INST  INIT_00 = " + value + "INST my ram0 INIT_00 = " + value);
}

TEST_F(QuillonConvertTest, RunFailureGoesToStderrWithExitCode1) {
    ProgramOutcome outcome = Convert({"-s", source, "-u", ucf, "-c", "bram"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, ErrorLines(kSourcePrefix, source, kNoSuchFile));
    EXPECT_FALSE(Exists(ucf));

    WriteAll(source, "x");
    outcome = Convert({"-s", source, "-u", "", "-c", "bram", "-e", edif});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, ErrorLines(kUcfPrefix, "", kEmptyPath));
    EXPECT_FALSE(Exists(edif));
}

TEST_F(QuillonConvertTest, EmptyValuesArePassedOnAsEmptyFields) {
    WriteAll(source, "x");

    ProgramOutcome outcome = Convert({"--source=", "--ucf", ucf, "-c", "bram"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, ErrorLines(kSourcePrefix, "", kEmptyPath));

    outcome = Convert({"--source", source, "--ucf=", "-c", "bram"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, ErrorLines(kUcfPrefix, "", kEmptyPath));

    outcome = Convert({"-s", source, "-u", ucf, "-c", "bram", "--edif="});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, "UCF file updated!\n");
    EXPECT_EQ(ReadAll(ucf), Rewritten("x", ""));
}

TEST_F(QuillonConvertTest, WrongCommandLinesAreUsageErrors) {
    WriteAll(source, "x");
    ExpectUsageError({});
    ExpectUsageError({"-s", source, "-u", ucf});
    ExpectUsageError({"-s", source, "-c", "bram"});
    ExpectUsageError({"-s", source, "-u", ucf, "-c", "bram", "-y", "vivado"});
    ExpectUsageError({"-s", source, "-u", ucf, "-c", "bram", "-y", "0"});
    ExpectUsageError({"-s", source, "-u", ucf, "-c", "line\nbreak"});
    ExpectUsageError({"-s", source, "-u", ucf, "-c", "carriage\rreturn"});
    ExpectUsageError({"-s", source, "-u", ucf, "-c", "bram", "extra"});
    ExpectUsageError({"-s", source, "-u", ucf, "-c", "bram", "--verbose"});
    ExpectUsageError({"-s", source, "-s", source, "-u", ucf, "-c", "bram"});
}

TEST_F(QuillonConvertTest, HelpAndVersionGoToStdout) {
    ProgramOutcome outcome = Convert({"--help"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.err, "");
    for (const char* option : {"--source", "--ucf", "--component", "--synthesizer", "--edif"})
        EXPECT_NE(outcome.out.find(option), std::string::npos) << option;

    outcome = Convert({"--version"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, std::string("quillon-convert ") + QUILLON_VERSION + "\n");
    EXPECT_EQ(outcome.err, "");
}

}  // namespace
