// quillon-convert as build scripts see it: exit codes, stdout and stderr, the files it leaves.
// Each case starts the real program, which is slow under Wine, so there are few of them; the
// command line's details are tested in-process.
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

TEST_F(QuillonConvertTest, VersionGoesToStdoutAndExits0) {
    const ProgramOutcome outcome = Convert({"--version"});

    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, std::string("quillon-convert ") + QUILLON_VERSION + "\n");
    EXPECT_EQ(outcome.err, "");
}

}  // namespace
