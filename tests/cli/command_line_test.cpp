// The command line of quillon-convert, parsed in-process: what becomes the request and what
// is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_line.h"

namespace {

CommandLine Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "quillon-convert");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

void ExpectRequest(const CommandLine& parsed, const ConversionRequest& expected) {
    ASSERT_EQ(parsed.action, CommandLine::Action::Convert) << parsed.text;
    EXPECT_EQ(parsed.request.sourceFile, expected.sourceFile);
    EXPECT_EQ(parsed.request.ucfFile, expected.ucfFile);
    EXPECT_EQ(parsed.request.component, expected.component);
    EXPECT_EQ(parsed.request.edifFile, expected.edifFile);
    EXPECT_EQ(parsed.request.synthesizer, expected.synthesizer);
}

void ExpectUsageError(const std::vector<std::string>& args, const std::string& reason) {
    const CommandLine parsed = Parse(args);
    EXPECT_EQ(parsed.action, CommandLine::Action::UsageError);
    EXPECT_NE(parsed.text.find(reason), std::string::npos) << parsed.text;
    EXPECT_NE(parsed.text.find("Usage: quillon-convert --source FILE --ucf FILE"),
              std::string::npos)
        << parsed.text;
}

TEST(CommandLine, LongShortAndEqualsFormsGiveTheSameRequest) {
    const ConversionRequest expected{"rom.bin", "top.ucf", "bram", "top.edf", 1};
    ExpectRequest(Parse({"--source", "rom.bin", "--ucf", "top.ucf", "--component", "bram",
                         "--synthesizer", "xst", "--edif", "top.edf"}),
                  expected);
    ExpectRequest(
        Parse({"-s", "rom.bin", "-u", "top.ucf", "-c", "bram", "-y", "xst", "-e", "top.edf"}),
        expected);
    ExpectRequest(Parse({"--edif=top.edf", "--synthesizer=xst", "--component=bram", "--ucf=top.ucf",
                         "--source=rom.bin"}),
                  expected);
}

TEST(CommandLine, SynthesizerIsNamedInAnyCaseAndDefaultsToSynopsys) {
    const std::vector<std::string> files = {"-s", "a", "-u", "b", "-c", "c"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = files;
        args.insert(args.end(), more.begin(), more.end());
        return Parse(args);
    };
    ExpectRequest(with({}), {"a", "b", "c", "", 0});
    ExpectRequest(with({"-y", "Synopsys"}), {"a", "b", "c", "", 0});
    ExpectRequest(with({"-y", "XsT"}), {"a", "b", "c", "", 1});
    ExpectRequest(with({"-y", "NONE"}), {"a", "b", "c", "", -1});

    for (const char* wrong : {"vivado", "0", "-1", "", "xst "}) {
        const CommandLine parsed = with({"-y", wrong});
        EXPECT_EQ(parsed.action, CommandLine::Action::UsageError) << wrong;
    }
}

TEST(CommandLine, ValuesAreTakenAsGivenEmptyOnesIncluded) {
    ExpectRequest(Parse({"--source=", "--ucf", "", "--component", "", "--edif="}),
                  {"", "", "", "", 0});
    ExpectRequest(Parse({"-s", " a b ", "-u", "-", "-c", " my ram\t", "-e", "x y.edf"}),
                  {" a b ", "-", " my ram\t", "x y.edf", 0});
}

TEST(CommandLine, ComponentWithALineBreakIsRefused) {
    for (const char* name : {"ram\n", "ra\rm", "\r\n"}) {
        ExpectUsageError({"-s", "a", "-u", "b", "-c", name},
                         "must not hold a line feed, carriage return or NUL");
    }
}

TEST(CommandLine, IncompleteOrUnknownCommandLinesAreRefused) {
    ExpectUsageError({}, "required");
    ExpectUsageError({"-s", "a", "-u", "b"}, "--component is required");
    ExpectUsageError({"-s", "a", "-c", "c"}, "--ucf is required");
    ExpectUsageError({"-u", "b", "-c", "c"}, "--source is required");
    ExpectUsageError({"-s", "a", "-u", "b", "-c", "c", "extra"}, "extra");
    ExpectUsageError({"-s", "a", "-u", "b", "-c", "c", "--verbose"}, "--verbose");
    ExpectUsageError({"-s", "a", "-s", "a2", "-u", "b", "-c", "c"}, "--source");
    ExpectUsageError({"-s", "a", "-u", "b", "-c"}, "--component");
}

TEST(CommandLine, HelpAndVersion) {
    const CommandLine help = Parse({"--help"});
    EXPECT_EQ(help.action, CommandLine::Action::ShowHelp);
    for (const char* option : {"--source", "--ucf", "--component", "--synthesizer", "--edif",
                               "--version", "synopsys", "xst", "none"}) {
        EXPECT_NE(help.text.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(Parse({"-h"}).action, CommandLine::Action::ShowHelp);

    const CommandLine version = Parse({"--version"});
    EXPECT_EQ(version.action, CommandLine::Action::ShowVersion);
    EXPECT_EQ(version.text, std::string("quillon-convert ") + QUILLON_VERSION + "\n");
}

}  // namespace
