// quillon-convert as build scripts see it: exit codes, stdout and stderr, the files it leaves.
// Each case starts the real program, which is slow under Wine, so there are few of them; the
// command line's details are tested in-process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_access.h"
#include "tests/cli/program_runner.h"
#include "tests/core/rewriter_test_support.h"
#include "tests/run/run_fixture.h"

namespace {

class QuillonConvertTest : public RunTest {
protected:
    ProgramOutcome Convert(const std::vector<std::string>& args, const std::string& input = "") {
        return RunQuillonConvert(args, scratch.Path().string(), input);
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

    TempFolder scratch;
};

TEST_F(QuillonConvertTest, ConversionSaysSoOnStdoutAndExits0) {
    WriteAll(source, std::string("\x00\x01\x02", 3));

    const ProgramOutcome outcome =
        Convert({"-s", source, "--ucf", ucf, "-c", "my ram", "-y", "XST", "--edif=" + edif});

    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out,
              "UCF file updated!\nmy ram: removed 0 lines, wrote 1 line in 1 instance (my ram0)\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(ReadAll(ucf),
              "INST my ram0 INIT_00 = "
              "0000000000000000000000000000000000000000000000000000000000020100;\r\n");
    EXPECT_TRUE(Exists(edif));
}

TEST_F(QuillonConvertTest, RunFailureGoesToStderrAndExits1) {
    WriteAll(source, "x");

    const ProgramOutcome outcome = Convert({"-s", source, "--ucf=", "-c", "bram", "-e", edif});

    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, ErrorLines(kUcfPrefix, "", kEmptyPath));
    EXPECT_FALSE(Exists(edif));
}

TEST_F(QuillonConvertTest, UsageErrorGoesToStderrAndExits2) {
    WriteAll(source, "x");

    const ProgramOutcome outcome = Convert({"-s", source, "-u", ucf, "-c", "bram", "-y", "ise"});

    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("--synthesizer: 'ise' is not synopsys, xst or none"),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("Usage: quillon-convert --source FILE --ucf FILE"),
              std::string::npos)
        << outcome.err;
    EXPECT_FALSE(Exists(ucf));
}

TEST_F(QuillonConvertTest, StandardInputToStandardOutputGivesWhatTheInPlaceRunWrites) {
    const std::string bytes = AllByteValues(3000, 7);
    const std::string input = folder / "piped.bin";
    WriteAll(input, bytes);
    WriteAll(source, bytes);
    const std::string oldText = "NET a;\r\nINST rom_1 LOC = RAMB16_X0Y1;\r\n";
    WriteAll(ucf, oldText);
    const std::vector<std::string> geometry = {"-c", "rom", "-b", "16K", "-w", "4"};

    std::vector<std::string> args = {"--source=-", "-u", ucf, "-o", "-", "-e", edif};
    args.insert(args.end(), geometry.begin(), geometry.end());
    const ProgramOutcome piped = Convert(args, input);
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.err,
              "quillon-convert: warning: 1 removed line was not an INIT_xx constraint (every "
              "line of rom's instances goes, a placement such as LOC included)\n");
    EXPECT_EQ(ReadAll(ucf), oldText);
    EXPECT_FALSE(Exists(edif));

    args = {"-s", source, "-u", ucf, "-q", "-e", edif};
    args.insert(args.end(), geometry.begin(), geometry.end());
    const ProgramOutcome inPlace = Convert(args);
    EXPECT_EQ(inPlace.exitCode, 0);
    EXPECT_EQ(inPlace.out, "");
    ExpectSameText(piped.rawOut, ReadAll(ucf));
    EXPECT_EQ(Lines(ReadAll(ucf)).size(), 1u + 94u);  // 3000 bytes: 94 lines, 64 per instance
    EXPECT_TRUE(Exists(edif));
}

TEST_F(QuillonConvertTest, TooManyInstancesFailBeforeTheUcfIsOpened) {
    WriteAll(source, std::string(2049, 'x'));

    const ProgramOutcome outcome =
        Convert({"-s", source, "-u", ucf, "-c", "rom", "-b", "16k", "--max-instances=1"});

    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, std::string(kSourcePrefix) + source +
                               "\n\nThe data needs 2 block RAM instances of 2048 bytes, more "
                               "than --max-instances 1 allows.\n");
    EXPECT_FALSE(Exists(ucf));
}

#ifndef _WIN32
TEST_F(QuillonConvertTest, ClosedStandardOutputFailsOnlyWhenItCarriesTheText) {
    WriteAll(source, "abc");
    std::string err;
    EXPECT_EQ(RunQuillonConvertIntoClosedPipe({"-s", source, "-u", ucf, "-c", "rom"},
                                              scratch.Path().string(), err),
              0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(ReadAll(ucf), Rewritten("abc", "", "rom"));

    const std::string other = folder / "other.ucf";
    EXPECT_EQ(RunQuillonConvertIntoClosedPipe({"-s", source, "-u", other, "-c", "rom", "-o", "-"},
                                              scratch.Path().string(), err),
              1);
    EXPECT_EQ(err, "Output file:\nstandard output\n\n" + SystemErrorText(EPIPE) + "\n");
    EXPECT_FALSE(Exists(other));
}
#endif

TEST_F(QuillonConvertTest, VersionGoesToStdoutAndExits0) {
    const ProgramOutcome outcome = Convert({"--version"});

    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, std::string("quillon-convert ") + QUILLON_VERSION + "\n");
    EXPECT_EQ(outcome.err, "");
}

}  // namespace
