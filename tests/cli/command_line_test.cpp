// The command line of quillon-convert, parsed in-process: what becomes the request and what
// is refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cli/command_line.h"
#include "cli/message_lines.h"
#include "cli/unknown_options.h"

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

TEST(CommandLine, ValuesAreTakenAsGivenButOnlyTheEdifFileMayBeEmpty) {
    ExpectRequest(Parse({"-s", " a b ", "-u", "-", "-c", " my ram\t", "-e", "x y.edf"}),
                  {" a b ", "-", " my ram\t", "x y.edf", 0});
    ExpectRequest(Parse({"-s", "a", "-u", "b", "-c", "c", "--edif="}), {"a", "b", "c", "", 0});
    ExpectRequest(Parse({"-s", "a", "-u", "b", "-c", "c", "-e", ""}), {"a", "b", "c", "", 0});
    for (const auto& [args, option] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--source=", "-u", "b", "-c", "c"}, "--source"},
             {{"-s", "", "-u", "b", "-c", "c"}, "--source"},
             {{"-s", "a", "--ucf", "", "-c", "c"}, "--ucf"},
             {{"-s", "a", "-u", "b", "--component="}, "--component"},
             {{"-s", "a", "-u", "b", "-c", "c", "--output", ""}, "--output"},
         }) {
        ExpectUsageError(args, "quillon-convert: " + option + ": the value is empty\n");
    }
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

// The command lines below start with the three required options.
CommandLine ParseWith(std::vector<std::string> more) {
    std::vector<std::string> args = {"-s", "rom.bin", "-u", "top.ucf", "-c", "ram"};
    args.insert(args.end(), more.begin(), more.end());
    return Parse(args);
}

TEST(CommandLine, DefaultsAreTheDialogsRun) {
    const CommandLine parsed = ParseWith({});
    ASSERT_EQ(parsed.action, CommandLine::Action::Convert) << parsed.text;
    EXPECT_EQ(parsed.options.linesPerInstance, kLinesPerInstance4k);
    EXPECT_EQ(parsed.options.swapWidth, 1u);
    EXPECT_EQ(parsed.options.maxInstances, 0u);
    EXPECT_EQ(parsed.options.output, UcfOutput::InPlace);
    EXPECT_FALSE(parsed.options.sourceFromStandardInput);
    EXPECT_FALSE(parsed.quiet);
    // Beyond the dialog: an empty source is refused, quoted names are recognised.
    EXPECT_TRUE(parsed.options.refuseEmptySource);
    EXPECT_TRUE(parsed.options.removal.quotedNames);
    EXPECT_FALSE(parsed.options.removal.keepPlacements);
    EXPECT_FALSE(parsed.options.quoteNames);

    const CommandLine more = ParseWith({"--allow-empty", "--keep-placements", "--quote-names"});
    ASSERT_EQ(more.action, CommandLine::Action::Convert) << more.text;
    EXPECT_FALSE(more.options.refuseEmptySource);
    EXPECT_TRUE(more.options.removal.keepPlacements);
    EXPECT_TRUE(more.options.quoteNames);
}

TEST(CommandLine, FirstUnknownOptionIsTheErrorWithTheClosestKnownOne) {
    struct Case {
        std::vector<std::string> args;
        const char* error;
    };
    for (const Case& c : std::vector<Case>{
             // Before the missing --source is reported.
             {{"--sorce", "fw.bin", "-u", "b", "-c", "c"},
              "unknown option '--sorce' (did you mean '--source'?)"},
             {{"-s", "a", "-u", "b", "-c", "c", "--bramm", "16k"},
              "unknown option '--bramm' (did you mean '--bram'?)"},
             {{"--suorce=a"}, "unknown option '--suorce' (did you mean '--source'?)"},
             {{"--dryrun"}, "unknown option '--dryrun' (did you mean '--dry-run'?)"},
             {{"--qiute"}, "unknown option '--qiute' (did you mean '--quiet'?)"},
             {{"--keep-placement", "--quote-name"},
              "unknown option '--keep-placement' (did you mean '--keep-placements'?)"},
             {{"--verbose"}, "unknown option '--verbose'"},
             {{"--src", "a"}, "unknown option '--src'"},  // three edits from --source
             {{"--"}, "--ucf is required"},
             {{"-s", "a", "-u", "b", "-c", "c", "-x"}, "unknown option '-x'"},
             {{"-nqz"}, "unknown option '-z'"},
             // Values are not options, also when they look like one.
             {{"-s", "--sorce", "-u", "b", "-c", "c", "-bx"}, "'x' is not 4k, 16k or 32k"},
             {{"-s", "a", "-u", "b", "-c", "c", "--", "--sorce"}, "--sorce"},
         }) {
        SCOPED_TRACE(c.args.front());
        const CommandLine parsed = Parse(c.args);
        EXPECT_EQ(parsed.action, CommandLine::Action::UsageError);
        EXPECT_NE(parsed.text.find(c.error), std::string::npos) << parsed.text;
        EXPECT_EQ(parsed.text.rfind("quillon-convert: ", 0), 0u) << parsed.text;
        EXPECT_EQ(parsed.text.find("unknown option"), parsed.text.rfind("unknown option"));
    }
    // Attached values, clusters and "-" are taken as the parser takes them.
    ExpectRequest(Parse({"-sfw.bin", "-uu.ucf", "-nqcram", "-e", "-"}),
                  {"fw.bin", "u.ucf", "ram", "-", 0});
}

TEST(EditDistance, CountsEditsAndNeighbourSwaps) {
    struct Case {
        const char* a;
        const char* b;
        std::size_t distance;
    };
    for (const Case& c : std::vector<Case>{{"", "", 0},
                                           {"source", "source", 0},
                                           {"sorce", "source", 1},
                                           {"suorce", "source", 1},
                                           {"bramm", "bram", 1},
                                           {"src", "source", 3},
                                           {"", "ucf", 3},
                                           {"ca", "abc", 3},
                                           {"kitten", "sitting", 3}}) {
        EXPECT_EQ(EditDistance(c.a, c.b), c.distance) << c.a << " " << c.b;
        EXPECT_EQ(EditDistance(c.b, c.a), c.distance) << c.b << " " << c.a;
    }
}

TEST(MessageLine, EveryMessageIsOneLineStartingWithTheProgramsName) {
    EXPECT_EQ(MessageLine("--ucf: the value is empty"),
              "quillon-convert: --ucf: the value is empty");
    EXPECT_EQ(MessageLine("The system cannot find the file specified.\r\n"),
              "quillon-convert: The system cannot find the file specified.");
    EXPECT_EQ(MessageLine("two\r\n  lines\n\nand more\n"), "quillon-convert: two lines and more");
    EXPECT_EQ(WarningLine("careful"), "quillon-convert: warning: careful");
    EXPECT_EQ(FileMessageLine("Source binary file:", "fw.bin", "No such file or directory"),
              "quillon-convert: Source binary file: fw.bin: No such file or directory");
    EXPECT_EQ(FileMessageLine("EDIF file:", "a b.edf", "Is a directory\n", true),
              "quillon-convert: warning: EDIF file: a b.edf: Is a directory");
}

TEST(CommandLine, NewOptionsInTheirLongShortAndEqualsForms) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--bram", "32k", "--swap-bytes", "8", "--max-instances", "12", "--quiet"},
             {"-b", "32K", "-w", "8", "-m", "12", "-q"},
             {"--bram=32k", "--swap-bytes=8", "--max-instances=012", "-q"}}) {
        const CommandLine parsed = ParseWith(args);
        ASSERT_EQ(parsed.action, CommandLine::Action::Convert) << parsed.text;
        EXPECT_EQ(parsed.options.linesPerInstance, kLinesPerInstance32k);
        EXPECT_EQ(parsed.options.swapWidth, 8u);
        EXPECT_EQ(parsed.options.maxInstances, 12u);
        EXPECT_TRUE(parsed.quiet);
    }
    EXPECT_EQ(ParseWith({"-b", "16k"}).options.linesPerInstance, kLinesPerInstance16k);
    EXPECT_EQ(ParseWith({"-b", "4K"}).options.linesPerInstance, kLinesPerInstance4k);
    EXPECT_EQ(ParseWith({"-w", "2"}).options.swapWidth, 2u);
    EXPECT_EQ(ParseWith({"-m", "18446744073709551615"}).options.maxInstances,
              18446744073709551615u);
}

TEST(CommandLine, OutputsAndStandardInput) {
    const CommandLine toFile = ParseWith({"-o", "new.ucf"});
    EXPECT_EQ(toFile.options.output, UcfOutput::File);
    EXPECT_EQ(toFile.options.outputFile, "new.ucf");
    EXPECT_EQ(ParseWith({"--output=-"}).options.output, UcfOutput::StandardOutput);
    EXPECT_EQ(ParseWith({"-n"}).options.output, UcfOutput::DryRun);
    EXPECT_EQ(ParseWith({"--dry-run", "-q"}).options.output, UcfOutput::DryRun);

    const CommandLine piped = Parse({"--source=-", "-u", "top.ucf", "-c", "ram"});
    EXPECT_TRUE(piped.options.sourceFromStandardInput);
    EXPECT_EQ(piped.request.sourceFile, "-");
    EXPECT_FALSE(ParseWith({"-u", "-"}).options.sourceFromStandardInput);
}

TEST(CommandLine, NewOptionsRefuseWrongValues) {
    for (const char* size : {"8k", "16", "4096", "", "16k ", "k16"}) {
        SCOPED_TRACE(size);
        const CommandLine parsed = ParseWith({"-b", size});
        EXPECT_EQ(parsed.action, CommandLine::Action::UsageError);
        EXPECT_NE(parsed.text.find("is not 4k, 16k or 32k"), std::string::npos) << parsed.text;
    }
    for (const char* width : {"1", "3", "16", "0", "", "4 ", "04"}) {
        SCOPED_TRACE(width);
        const CommandLine parsed = ParseWith({"--swap-bytes", width});
        EXPECT_EQ(parsed.action, CommandLine::Action::UsageError);
        EXPECT_NE(parsed.text.find("is not 2, 4 or 8"), std::string::npos) << parsed.text;
    }
    for (const char* count : {"0", "00", "-1", "+1", "1.5", "x", "", " 1", "0x10",
                              "18446744073709551616", "99999999999999999999"}) {
        SCOPED_TRACE(count);
        const CommandLine parsed = ParseWith({"-m", count});
        EXPECT_EQ(parsed.action, CommandLine::Action::UsageError);
        EXPECT_NE(parsed.text.find("is not a number from 1 on"), std::string::npos) << parsed.text;
    }
    ExpectUsageError({"-s", "a", "-u", "b", "-c", "c", "-n", "-o", "x"}, "excludes");
    ExpectUsageError({"-s", "a", "-u", "b", "-c", "c", "-o"}, "--output");
    ExpectUsageError({"-s", "a", "-u", "b", "-c", "c", "-b", "4k", "-b", "16k"}, "--bram");
    ExpectUsageError({"-s", "a", "-u", "b", "-c", "c", "-n", "yes"}, "yes");
}

TEST(CommandLine, HelpAndVersion) {
    const CommandLine help = Parse({"--help"});
    EXPECT_EQ(help.action, CommandLine::Action::ShowHelp);
    // The text as one line: wrapping may break a phrase anywhere.
    std::string flat;
    for (const char c : help.text) {
        if (c == '\n' || (c == ' ' && !flat.empty() && flat.back() == ' ')) {
            if (flat.empty() || flat.back() != ' ') flat += ' ';
        } else {
            flat += c;
        }
    }
    for (const char* option :
         {"--source", "--ucf",    "--component",   "--synthesizer", "--edif", "--version",
          "synopsys", "xst",      "none",          "--bram",        "-b,",    "4k",
          "16k",      "32k",      "INIT_7F",       "--swap-bytes",  "-w,",    "--max-instances",
          "-m,",      "--output", "-o,",           "--dry-run",     "-n,",    "--quiet",
          "-q,",      "INITP_xx", "standard input"}) {
        EXPECT_NE(flat.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(Parse({"-h"}).action, CommandLine::Action::ShowHelp);
    for (const char* more : {"--allow-empty", "--keep-placements", "--quote-names", "Examples:",
                             "-s fw.elf", "3 the UCF was updated", "quillon-convert(1)"}) {
        EXPECT_NE(flat.find(more), std::string::npos) << more;
    }
    // A terminal's width; the synopsis names every option but --help and --version.
    std::size_t lineStart = 0;
    while (lineStart < help.text.size()) {
        const std::size_t end = help.text.find('\n', lineStart);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - lineStart, 80u) << help.text.substr(lineStart, end - lineStart);
        lineStart = end + 1;
    }
    const std::string synopsis = help.text.substr(help.text.find("Usage:"));
    const std::string synopsisEnd = synopsis.substr(0, synopsis.find("\n\n"));
    for (const char* option : {"--source FILE", "--ucf FILE", "--component NAME", "[--edif FILE]",
                               "[--quiet]", "[--quote-names]"}) {
        EXPECT_NE(synopsisEnd.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(synopsisEnd.find("--help"), std::string::npos);

    const CommandLine version = Parse({"--version"});
    EXPECT_EQ(version.action, CommandLine::Action::ShowVersion);
    EXPECT_EQ(version.text, std::string("quillon-convert ") + QUILLON_VERSION + "\n");
}

TEST(CommandLine, SourceFormatsBaseAndFill) {
    const CommandLine defaults = ParseWith({});
    EXPECT_EQ(defaults.options.format, ImageFormat::Auto);
    EXPECT_FALSE(defaults.options.baseGiven);
    EXPECT_EQ(defaults.options.fill, 0x00);
    const std::vector<std::pair<const char*, ImageFormat>> formats = {
        {"AUTO", ImageFormat::Auto},    {"Bin", ImageFormat::Bin}, {"iHex", ImageFormat::IntelHex},
        {"SREC", ImageFormat::SRecord}, {"elf", ImageFormat::Elf}, {"Mem", ImageFormat::HexWords}};
    for (const auto& [name, format] : formats) {
        EXPECT_EQ(ParseWith({"-f", name}).options.format, format) << name;
        EXPECT_EQ(ParseWith({std::string("--format=") + name}).options.format, format) << name;
    }
    const std::vector<std::pair<std::string, std::uint64_t>> bases = {
        {"0xE000", 0xE000},
        {"0XfFfF", 0xFFFF},
        {"57344", 57344},
        {"0", 0},
        {"0xFFFFFFFFFFFFFFFF", UINT64_MAX}};
    for (const auto& [text, value] : bases) {
        const CommandLine parsed = ParseWith({"-f", "ihex", "--base", text});
        ASSERT_EQ(parsed.action, CommandLine::Action::Convert) << parsed.text;
        EXPECT_EQ(parsed.options.base, value);
        EXPECT_TRUE(parsed.options.baseGiven);
    }
    EXPECT_EQ(ParseWith({"--fill", "0xff"}).options.fill, 0xFF);
    EXPECT_EQ(ParseWith({"--fill=255"}).options.fill, 255);
    EXPECT_EQ(ParseWith({"--fill", "0x0"}).options.fill, 0);

    // Which format takes a base is known from the name alone, except for the Intel HEX
    // extensions, whose content may still make them hex words.
    const std::vector<std::vector<std::string>> takeBase = {{"-s", "fw.hex"},
                                                            {"-s", "fw.S19"},
                                                            {"-s", "fw.elf"},
                                                            {"-s", "-", "-f", "srec"},
                                                            {"-s", "fw.bin", "-f", "ihex"}};
    for (const auto& args : takeBase) {
        std::vector<std::string> all = {"-u", "top.ucf", "-c", "ram", "--base", "0x100"};
        all.insert(all.end(), args.begin(), args.end());
        EXPECT_EQ(Parse(all).action, CommandLine::Action::Convert) << Parse(all).text;
    }
    const std::vector<std::vector<std::string>> refuseBase = {{"-s", "fw.bin"},
                                                              {"-s", "fw.mem"},
                                                              {"-s", "-"},
                                                              {"-s", "fw.hex", "-f", "mem"},
                                                              {"-s", "fw.hex", "-f", "BIN"}};
    for (const auto& args : refuseBase) {
        std::vector<std::string> all = {"-u", "top.ucf", "-c", "ram", "--base", "0x100"};
        all.insert(all.end(), args.begin(), args.end());
        ExpectUsageError(all, "--base: the source is read as ");
    }
    for (const char* format : {"hex", "ihx", "", "binary", "s19"})
        ExpectUsageError({"-s", "a", "-u", "b", "-c", "c", "-f", format},
                         "is not auto, bin, ihex, srec, elf or mem");
    for (const char* base :
         {"", "0x", "-1", "E000", "0x1_0000", "18446744073709551616", "0x10000000000000000", " 1"})
        ExpectUsageError({"-s", "a.hex", "-u", "b", "-c", "c", "--base", base},
                         "is not an address (hex with 0x, or decimal)");
    for (const char* fill : {"256", "0x100", "-1", "ff", "", "0x"})
        ExpectUsageError({"-s", "a", "-u", "b", "-c", "c", "--fill", fill},
                         "is not a byte value from 0 to 255");
    const CommandLine help = Parse({"--help"});
    for (const char* word : {"--format", "-f,", "--base", "--fill", "ihex", "srec", "elf", "mem"})
        EXPECT_NE(help.text.find(word), std::string::npos) << word;
}

TEST(CommandLine, WidthAndComponentsMakeTheMemorysLanes) {
    const CommandLine one = ParseWith({});
    EXPECT_EQ(one.options.width, 8u);
    EXPECT_TRUE(one.options.moreComponents.empty());
    const CommandLine lanes = Parse({"-s", "a.bin", "-u", "b", "-c", "lo", "--component=mid", "-c",
                                     "hi", "-b", "16k", "--width", "16"});
    ASSERT_EQ(lanes.action, CommandLine::Action::Convert) << lanes.text;
    EXPECT_EQ(lanes.request.component, "lo");
    EXPECT_EQ(lanes.options.moreComponents, (std::vector<std::string>{"mid", "hi"}));
    EXPECT_EQ(lanes.options.width, 16u);
    EXPECT_EQ(ParseWith({"--width=1"}).options.width, 1u);

    std::vector<std::string> many = {"-s", "a", "-u", "b", "--width", "1"};
    for (int i = 0; i < 64; ++i) {
        many.emplace_back("-c");
        many.push_back(std::to_string(i) + "r");
    }
    EXPECT_EQ(Parse(many).action, CommandLine::Action::Convert) << Parse(many).text;
    many.insert(many.end(), {"-c", "last"});
    ExpectUsageError(many, "--component is given 65 times; a memory has 1 to 64 components");

    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--width", "9"}, "--width 9 is not a width of --bram 4k (1, 2, 4, 8 or 16)"},
        {{"--width", "3", "-b", "16k"}, "--width 3 is not a width of --bram 16k"},
        {{"--width", "x"}, "--width: 'x' is not a number of bits"},
        {{"--width", ""}, "is not a number of bits"},
        {{"--width", "-8"}, "is not a number of bits"},
        {{"--width", "16", "-c", "b", "-c", "c", "-c", "d", "-c", "e"},
         "--width 16 with 5 components makes words of 80 bits, more than 64"},
        {{"-c", "RAM"}, "--component: components ram and RAM share instance names"},
        {{"-c", "ram_2"}, "--component: components ram and ram_2 share instance names"},
        {{"-c", "ram2", "-y", "xst"}, "components ram and ram2 share instance names"},
        {{"-c", "x", "extra"}, "extra"},
        // Words that are no whole bytes come only from hex words, and have no bytes to swap.
        {{"-c", "b", "-c", "c", "--width", "9", "-b", "16k"},
         "--width 9 with 3 components makes words of 27 bits, which are no whole bytes: such "
         "words come from a hex word file (--format mem)"},
        {{"-s", "p.hex", "--width", "18", "-b", "16k", "-f", "ihex"}, "which are no whole bytes"},
        {{"-s", "-", "--width", "18", "-b", "16k"}, "which are no whole bytes"},
        {{"-s", "p.mem", "--width", "18", "-b", "32k", "-w", "2"},
         "--swap-bytes: words of 18 bits are no whole bytes"},
    };
    for (const auto& [more, reason] : refused) {
        std::vector<std::string> args = {"-u", "top.ucf", "-c", "ram"};
        if (more[0] != "-s") args.insert(args.end(), {"-s", "rom.bin"});
        args.insert(args.end(), more.begin(), more.end());
        ExpectUsageError(args, reason);
    }
    // Names that only meet under another naming are apart; hex words may hold any width, and
    // a .hex file may turn out to hold them.
    for (const std::vector<std::string>& fine : std::vector<std::vector<std::string>>{
             {"-s", "a", "-c", "ram", "-c", "ram2"},
             {"-s", "a", "-c", "ram", "-c", "ram_2", "-y", "xst"},
             {"-s", "a", "-c", "ram", "-c", "ram_2", "-y", "none"},
             {"-s", "p.mem", "-c", "p", "--width", "18", "-b", "16k"},
             {"-s", "p.hex", "-c", "p", "--width", "18", "-b", "16k"},
             {"-s", "-", "-f", "mem", "-c", "p", "--width", "36", "-b", "32k"},
             {"-s", "p.mem", "-c", "p", "--width", "9", "-c", "q", "-c", "r",
              "-c", "s",     "-c", "t", "-c",      "u", "-c", "v", "-b", "16k"}}) {
        std::vector<std::string> args = {"-u", "top.ucf"};
        args.insert(args.end(), fine.begin(), fine.end());
        EXPECT_EQ(Parse(args).action, CommandLine::Action::Convert) << Parse(args).text;
    }
}

TEST(CommandLine, ExtractTakesTheUcfAndComponentsWithoutASource) {
    const CommandLine raw = Parse({"--extract", "rom.bin", "-u", "top.ucf", "-c", "lo", "-c", "hi",
                                   "-b", "16k", "-y", "xst", "-w", "4"});
    ASSERT_EQ(raw.action, CommandLine::Action::Extract) << raw.text;
    EXPECT_EQ(raw.options.extractFile, "rom.bin");
    EXPECT_FALSE(raw.options.extractHexWords);
    EXPECT_EQ(raw.request.component, "lo");
    EXPECT_EQ(raw.options.moreComponents, std::vector<std::string>{"hi"});
    EXPECT_EQ(raw.options.swapWidth, 4u);
    EXPECT_EQ(raw.request.synthesizer, 1);
    const std::vector<std::pair<std::vector<std::string>, bool>> formats = {
        {{"--extract", "ROM.MEM"}, true},
        {{"--extract", "-"}, false},
        {{"--extract", "-", "-f", "mem"}, true},
        {{"--extract=x.mem", "-f", "bin"}, false},
        {{"--extract", "x.hex"}, false},
        {{"--extract", "p.mem", "--width", "18", "-b", "16k"}, true}};
    for (const auto& [args, hexWords] : formats) {
        std::vector<std::string> all = {"-u", "top.ucf", "-c", "ram"};
        all.insert(all.end(), args.begin(), args.end());
        const CommandLine parsed = Parse(all);
        ASSERT_EQ(parsed.action, CommandLine::Action::Extract) << parsed.text;
        EXPECT_EQ(parsed.options.extractHexWords, hexWords) << args[1];
    }
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"-s", "a.bin"}, "excludes"},
        {{"-o", "new.ucf"}, "excludes"},
        {{"--base", "0x100"}, "excludes"},
        {{"-f", "ihex"}, "--format: --extract writes bin or mem"},
        {{"--width", "18", "-b", "16k"},
         "--extract: words of 18 bits are no whole bytes: they are written as hex words"},
        {{"-f", "mem", "-w", "2"}, "--swap-bytes: hex words (.mem) have no bytes to swap"},
        {{"-c", "RAM"}, "share instance names"},
    };
    for (const auto& [more, reason] : refused) {
        std::vector<std::string> args = {"--extract", "x.bin", "-u", "top.ucf", "-c", "ram"};
        args.insert(args.end(), more.begin(), more.end());
        ExpectUsageError(args, reason);
    }
    ExpectUsageError({"--extract", "x.bin", "-c", "ram"}, "--ucf is required");
    ExpectUsageError({"--extract", "x.bin", "-u", "top.ucf"}, "--component is required");
    ExpectUsageError({"-u", "top.ucf", "-c", "ram"}, "--source is required");

    const CommandLine help = Parse({"--help"});
    for (const char* word : {"--width", "--extract", "INITP_xx", "parity", ".mem"})
        EXPECT_NE(help.text.find(word), std::string::npos) << word;
}

}  // namespace
