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

using Args = std::vector<std::string>;

CommandLine Parse(Args args) {
    args.insert(args.begin(), "quillon-convert");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

// `more` after the required options; its own --source or --extract replaces rom.bin.
Args Full(const Args& more) {
    Args args = {"-u", "top.ucf", "-c", "ram"};
    bool source = false;
    for (const std::string& arg : more) source |= arg == "-s" || arg.rfind("--extract", 0) == 0;
    if (!source) args.insert(args.end(), {"-s", "rom.bin"});
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

CommandLine ParseWith(const Args& more) {
    return Parse(Full(more));
}

constexpr char kTryHelp[] = "Try 'quillon-convert --help' for more information.\n";

// Two lines, as other tools write them: the reason, and where to read more.
void ExpectUsageError(const Args& args, const std::string& reason) {
    const CommandLine parsed = Parse(args);
    EXPECT_EQ(parsed.action, CommandLine::Action::UsageError);
    const std::size_t lineEnd = parsed.text.find('\n');
    ASSERT_NE(lineEnd, std::string::npos) << parsed.text;
    EXPECT_NE(parsed.text.substr(0, lineEnd).find(reason), std::string::npos) << parsed.text;
    EXPECT_EQ(parsed.text.substr(lineEnd + 1), kTryHelp) << parsed.text;
    EXPECT_EQ(parsed.usage, kTryHelp);
}

TEST(CommandLine, EveryFormOfTheRequiredOptionsGivesTheRequest) {
    const ConversionRequest bram{"rom.bin", "top.ucf", "bram", "top.edf", 1};
    const ConversionRequest abc{"a", "b", "c", "", 0};
    const Args files = {"-s", "a", "-u", "b", "-c", "c"};
    auto with = [&](Args more) {
        more.insert(more.begin(), files.begin(), files.end());
        return more;
    };
    // Values are taken as given, attached values and clusters as the parser takes them.
    for (const auto& [args, expected] : std::vector<std::pair<Args, ConversionRequest>>{
             {{"--source", "rom.bin", "--ucf", "top.ucf", "--component", "bram", "--synthesizer",
               "xst", "--edif", "top.edf"},
              bram},
             {{"-s", "rom.bin", "-u", "top.ucf", "-c", "bram", "-y", "xst", "-e", "top.edf"}, bram},
             {{"--edif=top.edf", "--synthesizer=xst", "--component=bram", "--ucf=top.ucf",
               "--source=rom.bin"},
              bram},
             {files, abc},  // synopsys by default
             {with({"-y", "Synopsys"}), abc},
             {with({"-y", "XsT"}), {"a", "b", "c", "", 1}},
             {with({"-y", "NONE"}), {"a", "b", "c", "", -1}},
             {with({"--edif="}), abc},
             {with({"-e", ""}), abc},
             {{"-s", " a b ", "-u", "-", "-c", " my ram\t", "-e", "x y.edf"},
              {" a b ", "-", " my ram\t", "x y.edf", 0}},
             {{"-sfw.bin", "-uu.ucf", "-nqcram", "-e", "-"}, {"fw.bin", "u.ucf", "ram", "-", 0}},
         }) {
        SCOPED_TRACE(args.front());
        const CommandLine parsed = Parse(args);
        ASSERT_EQ(parsed.action, CommandLine::Action::Convert) << parsed.text;
        EXPECT_EQ(parsed.request.sourceFile, expected.sourceFile);
        EXPECT_EQ(parsed.request.ucfFile, expected.ucfFile);
        EXPECT_EQ(parsed.request.component, expected.component);
        EXPECT_EQ(parsed.request.edifFile, expected.edifFile);
        EXPECT_EQ(parsed.request.synthesizer, expected.synthesizer);
    }
}

TEST(CommandLine, WrongCommandLinesAreRefusedWithTheReasonAndTheUsage) {
    auto empty = [](const std::string& option) {
        return "quillon-convert: " + option + ": the value is empty";
    };
    // Without arguments: the short synopsis, every form on a line of its own.
    const CommandLine none = Parse({});
    EXPECT_EQ(none.action, CommandLine::Action::UsageError);
    EXPECT_EQ(none.text,
              std::string("Usage: quillon-convert --source FILE --ucf FILE --component NAME "
                          "[OPTION]...\n"
                          "       quillon-convert --extract FILE --ucf FILE --component NAME "
                          "[OPTION]...\n"
                          "       quillon-convert --list --ucf FILE [--component NAME]... "
                          "[--json]\n") +
                  kTryHelp);
    // As given: what is missing or empty.
    for (const auto& [args, reason] : std::vector<std::pair<Args, std::string>>{
             {{"-q"}, "--ucf is required"},
             {{"-s", "a", "-u", "b"}, "--component is required"},
             {{"-s", "a", "-c", "c"}, "--ucf is required"},
             {{"-u", "b", "-c", "c"}, "--source is required"},
             {{"-u", "top.ucf", "-c", "ram"}, "--source is required"},
             {{"--extract", "x.bin", "-c", "ram"}, "--ucf is required"},
             {{"--extract", "x.bin", "-u", "top.ucf"}, "--component is required"},
             {{"-s", "a", "-s", "a2", "-u", "b", "-c", "c"}, "--source"},
             {{"-s", "a", "-u", "b", "-c"}, "--component"},
             {{"--list"}, "--ucf is required"},
             {{"--json", "-u", "b"}, "--json requires --list"},
             {{"--list", "-u", "b", "-f", "ihex"}, "--format: --list prints text or json"},
             {{"--source=", "-u", "b", "-c", "c"}, empty("--source")},
             {{"-s", "", "-u", "b", "-c", "c"}, empty("--source")},
             {{"-s", "a", "--ucf", "", "-c", "c"}, empty("--ucf")},
             {{"-s", "a", "-u", "b", "--component="}, empty("--component")},
         }) {
        SCOPED_TRACE(args.back());
        ExpectUsageError(args, reason);
    }
    // After the required options (rom.bin unless the row names its source or --extract).
    for (const auto& [more, reason] : std::vector<std::pair<Args, std::string>>{
             {{"--output", ""}, empty("--output")},
             {{"extra"}, "quillon-convert: unexpected argument 'extra'"},
             {{"extra", "-q", "firmware.bin"},
              "quillon-convert: unexpected arguments 'extra', 'firmware.bin'"},
             {{"--verbose"}, "--verbose"},
             {{"-n", "-o", "x"}, "excludes"},
             {{"-o"}, "--output"},
             {{"-b", "4k", "-b", "16k"}, "quillon-convert: --bram is given 2 times; it takes one"},
             {{"-n", "yes"}, "unexpected argument 'yes'"},
             {{"--keep-placements", "--drop-placements"}, "excludes"},
             {{"-f", "json"}, "--format: text and json are for --list"},
             {{"--list"}, "--source excludes --list"},
             {{"--list", "-s", "-", "-b", "16k"}, "excludes --list"},
             {{"--list", "-e", "top.edf"}, "excludes --list"},
             {{"-s", "fw.hex", "-f", "mem", "--base", "0x100"}, "--base: the source is read as "},
             {{"-s", "fw.hex", "-f", "BIN", "--base", "0x100"}, "--base: the source is read as "},
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
             {{"-s", "p.hex", "--width", "18", "-b", "16k", "-f", "ihex"},
              "which are no whole bytes"},
             {{"-s", "-", "--width", "18", "-b", "16k"}, "which are no whole bytes"},
             {{"-s", "p.mem", "--width", "18", "-b", "32k", "-w", "2"},
              "--swap-bytes: words of 18 bits are no whole bytes"},
             {{"--extract", "x.bin", "-s", "a.bin"}, "excludes"},
             {{"--extract", "x.bin", "-o", "new.ucf"}, "excludes"},
             {{"--extract", "x.bin", "--base", "0x100"}, "excludes"},
             {{"--extract", "x.bin", "-f", "ihex"}, "--format: --extract writes bin or mem"},
             {{"--extract", "x.bin", "--width", "18", "-b", "16k"},
              "--extract: words of 18 bits are no whole bytes: they are written as hex words"},
             {{"--extract", "x.bin", "-f", "mem", "-w", "2"},
              "--swap-bytes: hex words (.mem) have no bytes to swap"},
             {{"--extract", "x.bin", "-c", "RAM"}, "share instance names"},
             {{"-s", "fw.hex", "-j", ".text"},
              "--only-section: the source is read as ihex, which has no sections"},
             {{"--extract", "x.bin", "-R", ".eeprom"}, "excludes"},
         }) {
        SCOPED_TRACE(more.empty() ? "" : more.front());
        ExpectUsageError(Full(more), reason);
    }
    // Values an option does not take: the option before each.
    struct BadValues {
        Args option;
        std::vector<std::string> values;
        std::string reason;
    };
    for (const BadValues& c : std::vector<BadValues>{
             {{"-y"}, {"vivado", "0", "-1", "", "xst "}, "is not synopsys, xst or none"},
             {{"-b"}, {"8k", "16", "4096", "", "16k ", "k16"}, "is not 4k, 16k or 32k"},
             {{"--swap-bytes"}, {"1", "3", "16", "0", "", "4 ", "04"}, "is not 2, 4 or 8"},
             {{"-m"},
              {"0", "00", "-1", "+1", "1.5", "x", "", " 1", "0x10", "18446744073709551616",
               "99999999999999999999"},
              "is not a number from 1 on"},
             {{"-f"},
              {"hex", "ihx", "", "binary", "s19", "jsonl"},
              "is not auto, bin, ihex, srec, elf or mem (or, with --list, text or json)"},
             {{"-s", "a.hex", "--base"},
              {"", "0x", "-1", "E000", "0x1_0000", "18446744073709551616", "0x10000000000000000",
               " 1"},
              "is not an address (hex with 0x, or decimal)"},
             {{"--base", "0x100", "-s"}, {"fw.mem", "FW.MEM"}, "--base: the source is read as "},
             {{"-c"},
              {"ram\n", "ra\rm", "\r\n"},
              "must not hold a line feed, carriage return or NUL"},
             {{"--fill"},
              {"256", "0x100", "-1", "ff", "", "0x"},
              "is not a byte value from 0 to 255"},
         }) {
        for (const std::string& value : c.values) {
            SCOPED_TRACE(c.option.back() + " '" + value + "'");
            Args more = c.option;
            more.push_back(value);
            ExpectUsageError(Full(more), c.reason);
        }
    }
    // A memory has at most 64 components.
    Args many = {"-s", "a", "-u", "b", "--width", "1"};
    for (int i = 0; i < 64; ++i) many.insert(many.end(), {"-c", std::to_string(i) + "r"});
    EXPECT_EQ(Parse(many).action, CommandLine::Action::Convert) << Parse(many).text;
    many.insert(many.end(), {"-c", "last"});
    ExpectUsageError(many, "--component is given 65 times; a memory has 1 to 64 components");
}

TEST(CommandLine, FirstUnknownOptionIsTheErrorWithTheClosestKnownOne) {
    for (const auto& [args, error] : std::vector<std::pair<Args, std::string>>{
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
        SCOPED_TRACE(args.front());
        const CommandLine parsed = Parse(args);
        EXPECT_EQ(parsed.action, CommandLine::Action::UsageError);
        EXPECT_NE(parsed.text.find(error), std::string::npos) << parsed.text;
        EXPECT_EQ(parsed.text.rfind("quillon-convert: ", 0), 0u) << parsed.text;
        EXPECT_EQ(parsed.text.find("unknown option"), parsed.text.rfind("unknown option"));
    }
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

TEST(CommandLine, DefaultsAreTheDialogsRun) {
    const CommandLine parsed = ParseWith({});
    ASSERT_EQ(parsed.action, CommandLine::Action::Convert) << parsed.text;
    EXPECT_EQ(parsed.options.linesPerInstance, kLinesPerInstance4k);
    EXPECT_EQ(parsed.options.swapWidth, 1u);
    EXPECT_EQ(parsed.options.maxInstances, 0u);
    EXPECT_EQ(parsed.options.output, UcfOutput::InPlace);
    EXPECT_FALSE(parsed.options.sourceFromStandardInput);
    EXPECT_FALSE(parsed.quiet);
    EXPECT_EQ(parsed.options.format, ImageFormat::Auto);
    EXPECT_FALSE(parsed.options.baseGiven);
    EXPECT_EQ(parsed.options.fill, 0x00);
    EXPECT_EQ(parsed.options.width, 8u);
    EXPECT_TRUE(parsed.options.moreComponents.empty());
    // Beyond the dialog: an empty source is refused, quoted names are recognised, placements
    // stay.
    EXPECT_TRUE(parsed.options.refuseEmptySource);
    EXPECT_TRUE(parsed.options.removal.quotedNames);
    EXPECT_TRUE(parsed.options.removal.keepPlacements);
    EXPECT_FALSE(parsed.options.quoteNames);
    EXPECT_TRUE(ParseWith({"--keep-placements"}).options.removal.keepPlacements);

    const CommandLine more = ParseWith({"--allow-empty", "--drop-placements", "--quote-names"});
    ASSERT_EQ(more.action, CommandLine::Action::Convert) << more.text;
    EXPECT_FALSE(more.options.refuseEmptySource);
    EXPECT_FALSE(more.options.removal.keepPlacements);
    EXPECT_TRUE(more.options.quoteNames);
}

TEST(CommandLine, OptionValuesInTheirLongShortAndEqualsForms) {
    for (const Args& args : std::vector<Args>{
             {"--bram", "32k", "--swap-bytes", "8", "--max-instances", "12", "--quiet", "--width",
              "16"},
             {"-b", "32K", "-w", "8", "-m", "12", "-q", "-W", "16"},
             {"--bram=32k", "--swap-bytes=8", "--max-instances=012", "-q", "--width=16"}}) {
        const CommandLine parsed = ParseWith(args);
        ASSERT_EQ(parsed.action, CommandLine::Action::Convert) << parsed.text;
        EXPECT_EQ(parsed.options.linesPerInstance, kLinesPerInstance32k);
        EXPECT_EQ(parsed.options.swapWidth, 8u);
        EXPECT_EQ(parsed.options.maxInstances, 12u);
        EXPECT_EQ(parsed.options.width, 16u);
        EXPECT_TRUE(parsed.quiet);
    }
    auto options = [](const Args& more) {
        const CommandLine parsed = ParseWith(more);
        EXPECT_EQ(parsed.action, CommandLine::Action::Convert) << parsed.text;
        return parsed.options;
    };
    EXPECT_EQ(options({"-b", "16k"}).linesPerInstance, kLinesPerInstance16k);
    EXPECT_EQ(options({"-b", "4K"}).linesPerInstance, kLinesPerInstance4k);
    EXPECT_EQ(options({"-w", "2"}).swapWidth, 2u);
    EXPECT_EQ(options({"-m", "18446744073709551615"}).maxInstances, 18446744073709551615u);
    EXPECT_EQ(options({"-s", "a.mem", "--width=1"}).width, 1u);
    EXPECT_EQ(options({"--fill", "0xff"}).fill, 0xFF);
    EXPECT_EQ(options({"--fill=255"}).fill, 255);
    EXPECT_EQ(options({"--fill", "0x0"}).fill, 0);
    for (const auto& [text, value] :
         std::vector<std::pair<std::string, std::uint64_t>>{{"0xE000", 0xE000},
                                                            {"0XfFfF", 0xFFFF},
                                                            {"57344", 57344},
                                                            {"0", 0},
                                                            {"0xFFFFFFFFFFFFFFFF", UINT64_MAX}}) {
        const ConversionOptions parsed = options({"-f", "ihex", "--base", text});
        EXPECT_EQ(parsed.base, value) << text;
        EXPECT_TRUE(parsed.baseGiven);
    }
    for (const auto& [name, format] :
         std::vector<std::pair<std::string, ImageFormat>>{{"AUTO", ImageFormat::Auto},
                                                          {"Bin", ImageFormat::Bin},
                                                          {"iHex", ImageFormat::IntelHex},
                                                          {"SREC", ImageFormat::SRecord},
                                                          {"elf", ImageFormat::Elf},
                                                          {"Mem", ImageFormat::HexWords}}) {
        EXPECT_EQ(options({"-f", name}).format, format) << name;
        EXPECT_EQ(options({"--format=" + name}).format, format) << name;
    }
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

// Which format takes a base is known from the name alone, except for the Intel HEX extensions,
// whose content may still make them hex words, and the names that name no format, whose
// content tells; names that only meet under another naming are apart; hex words may hold any
// width, and a .hex file may turn out to hold them.
TEST(CommandLine, AcceptedCombinations) {
    for (const Args& more :
         std::vector<Args>{{"-s", "fw.hex", "--base", "0x100"},
                           {"-s", "fw.bin", "--base", "0x100"},
                           {"-s", "-", "--base", "0x100", "-j", ".text"},
                           {"-s", "fw.S19", "--base", "0x100"},
                           {"-s", "fw.elf", "--base", "0x100"},
                           {"-s", "-", "-f", "srec", "--base", "0x100"},
                           {"-s", "fw.bin", "-f", "ihex", "--base", "0x100"},
                           {"-c", "ram2"},
                           {"-c", "ram_2", "-y", "xst"},
                           {"-c", "ram_2", "-y", "none"},
                           {"-s", "p.mem", "--width", "18", "-b", "16k"},
                           {"-s", "p.hex", "--width", "18", "-b", "16k"},
                           {"-s", "-", "-f", "mem", "--width", "36", "-b", "32k"},
                           {"-s", "p.mem", "--width", "9", "-c", "q", "-c", "r", "-c", "s", "-c",
                            "t", "-c", "u", "-c", "v", "-b", "16k"}}) {
        EXPECT_EQ(ParseWith(more).action, CommandLine::Action::Convert) << ParseWith(more).text;
    }
    const CommandLine lanes = Parse({"-s", "a.bin", "-u", "b", "-c", "lo", "--component=mid", "-c",
                                     "hi", "-b", "16k", "--width", "16"});
    ASSERT_EQ(lanes.action, CommandLine::Action::Convert) << lanes.text;
    EXPECT_EQ(lanes.request.component, "lo");
    EXPECT_EQ(lanes.options.moreComponents, (std::vector<std::string>{"mid", "hi"}));
    EXPECT_EQ(lanes.options.width, 16u);
    const CommandLine elf =
        ParseWith({"-s", "fw.elf", "-j", ".text", "-R", ".eeprom", "--only-section=.data"});
    ASSERT_EQ(elf.action, CommandLine::Action::Convert) << elf.text;
    EXPECT_EQ(elf.options.sections.only, (std::vector<std::string>{".text", ".data"}));
    EXPECT_EQ(elf.options.sections.removed, std::vector<std::string>{".eeprom"});
}

TEST(CommandLine, ListTakesTheUcfAndOptionallyComponents) {
    const CommandLine all = Parse({"--list", "-u", "top.ucf"});
    ASSERT_EQ(all.action, CommandLine::Action::List) << all.text;
    EXPECT_EQ(all.request.ucfFile, "top.ucf");
    EXPECT_EQ(all.request.component, "");
    EXPECT_FALSE(all.listJson);
    for (const Args& json : std::vector<Args>{{"--json"}, {"-f", "JSON"}, {"--format=json"}}) {
        Args args = {"--list", "-u", "top.ucf", "-c", "lo", "-c", "hi", "-y", "xst"};
        args.insert(args.end(), json.begin(), json.end());
        const CommandLine some = Parse(args);
        ASSERT_EQ(some.action, CommandLine::Action::List) << some.text;
        EXPECT_TRUE(some.listJson);
        EXPECT_EQ(some.request.component, "lo");
        EXPECT_EQ(some.options.moreComponents, std::vector<std::string>{"hi"});
        EXPECT_EQ(some.request.synthesizer, 1);
    }
    EXPECT_FALSE(Parse({"--list", "-u", "top.ucf", "-f", "text"}).listJson);
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
    EXPECT_EQ(ParseWith({"--extract", "x.bin", "-m", "2"}).options.maxInstances, 2u);
    for (const auto& [args, hexWords] : std::vector<std::pair<Args, bool>>{
             {{"--extract", "ROM.MEM"}, true},
             {{"--extract", "-"}, false},
             {{"--extract", "-", "-f", "mem"}, true},
             {{"--extract=x.mem", "-f", "bin"}, false},
             {{"--extract", "x.hex"}, false},
             {{"--extract", "p.mem", "--width", "18", "-b", "16k"}, true}}) {
        const CommandLine parsed = ParseWith(args);
        ASSERT_EQ(parsed.action, CommandLine::Action::Extract) << parsed.text;
        EXPECT_EQ(parsed.options.extractHexWords, hexWords) << args[1];
    }
}

// The options themselves are named in --help by the parser; what is checked is its shape.
TEST(CommandLine, HelpAndVersion) {
    for (const char* option : {"--help", "-h"}) {
        const CommandLine help = Parse({option});
        EXPECT_EQ(help.action, CommandLine::Action::ShowHelp);
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
        EXPECT_NE(synopsisEnd.find("[--quote-names]"), std::string::npos);
        EXPECT_EQ(synopsisEnd.find("--help"), std::string::npos);
    }
    const CommandLine version = Parse({"--version"});
    EXPECT_EQ(version.action, CommandLine::Action::ShowVersion);
    EXPECT_EQ(version.text, std::string("quillon-convert ") + QUILLON_VERSION + "\n");
}

}  // namespace
