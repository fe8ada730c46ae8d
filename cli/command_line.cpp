#include "cli/command_line.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/help_text.h"
#include "cli/message_lines.h"
#include "cli/unknown_options.h"
#include "quillon_version.h"

namespace {

constexpr char kProgram[] = "quillon-convert";
constexpr char kMoreHelp[] = "Run 'quillon-convert --help' for more information.\n";

// The end of --help: a paragraph, wrapped when the help is made, and the examples, as they
// are printed (each line within 80 columns).
constexpr char kHelpFooter[] =
    "Exit status: 0 converted (or checked, with --dry-run); 1 the conversion failed and no file "
    "was changed; 2 the command line is wrong; 3 the UCF was updated but the EDIF netlist's "
    "last-write time could not be renewed. Errors and warnings go to standard error, one line "
    "each.";
constexpr char kHelpExamples[] =
    "Examples:\n"
    "  quillon-convert -s rom.bin -u design.ucf -c rom_bram -e design.edf\n"
    "  quillon-convert -s fw.elf -u design.ucf -c fw_rom -b 32k -w 4 -m 4\n"
    "\n"
    "See quillon-convert(1) for the details.";

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The Synthesizer list's indices; "none" is the list with nothing selected.
const std::map<std::string, int> kSynthesizers = {{"synopsys", 0}, {"xst", 1}, {"none", -1}};

// The list index for a synthesizer named in any letter case.
std::string ToSynthesizerIndex(std::string& value) {
    const auto found = kSynthesizers.find(Lowered(value));
    if (found == kSynthesizers.end()) return "'" + value + "' is not synopsys, xst or none";
    value = std::to_string(found->second);
    return {};
}

// Block RAM sizes by their data bits, named in any letter case, and the lines per instance.
const std::map<std::string, std::uint32_t> kBramSizes = {
    {"4k", kLinesPerInstance4k}, {"16k", kLinesPerInstance16k}, {"32k", kLinesPerInstance32k}};

std::string CheckBramSize(const std::string& value) {
    if (kBramSizes.count(Lowered(value)) == 0) return "'" + value + "' is not 4k, 16k or 32k";
    return {};
}

std::string CheckSwapWidth(const std::string& value) {
    if (value != "2" && value != "4" && value != "8") return "'" + value + "' is not 2, 4 or 8";
    return {};
}

// A count of instances: decimal digits only, from 1 on, within 64 bits.
bool ParseInstanceCount(const std::string& value, std::uint64_t& count) {
    if (value.empty()) return false;
    count = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') return false;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (count > (UINT64_MAX - digit) / 10) return false;
        count = count * 10 + digit;
    }
    return count >= 1;
}

std::string CheckInstanceCount(const std::string& value) {
    std::uint64_t count = 0;
    if (!ParseInstanceCount(value, count)) return "'" + value + "' is not a number from 1 on";
    return {};
}

// Source formats by name, in any letter case.
const std::map<std::string, ImageFormat> kFormats = {
    {"auto", ImageFormat::Auto},    {"bin", ImageFormat::Bin}, {"ihex", ImageFormat::IntelHex},
    {"srec", ImageFormat::SRecord}, {"elf", ImageFormat::Elf}, {"mem", ImageFormat::HexWords}};

std::string CheckFormat(const std::string& value) {
    if (kFormats.count(Lowered(value)) == 0)
        return "'" + value + "' is not auto, bin, ihex, srec, elf or mem";
    return {};
}

int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    const int lower = std::tolower(static_cast<unsigned char>(c));
    if (hex && lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return -1;
}

// A number in hex with "0x" (any letter case) or in decimal, at most `max`.
bool ParseNumber(const std::string& value, std::uint64_t max, std::uint64_t& number) {
    const bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
    const std::uint64_t radix = hex ? 16 : 10;
    if (value.empty()) return false;
    number = 0;
    for (std::size_t i = hex ? 2 : 0; i < value.size(); ++i) {
        const int digit = DigitValue(value[i], hex);
        if (digit < 0) return false;
        const auto d = static_cast<std::uint64_t>(digit);
        if (number > (max - d) / radix) return false;
        number = number * radix + d;
    }
    return true;
}

std::string CheckBase(const std::string& value) {
    std::uint64_t base = 0;
    if (!ParseNumber(value, UINT64_MAX, base))
        return "'" + value + "' is not an address (hex with 0x, or decimal)";
    return {};
}

std::string CheckFill(const std::string& value) {
    std::uint64_t fill = 0;
    if (!ParseNumber(value, 0xFF, fill))
        return "'" + value + "' is not a byte value from 0 to 255 (hex with 0x, or decimal)";
    return {};
}

// CLI11 reads "--name=" as the option without a value and takes the next argument as its
// value; the empty value is meant, as other tools read it.
std::vector<std::string> WithEmptyValuesSplit(int argc, const char* const* argv) {
    std::vector<std::string> args;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") optionsEnded = true;
        if (!optionsEnded && arg.size() > 3 && arg.compare(0, 2, "--") == 0 &&
            arg.find('=') == arg.size() - 1) {
            arg.pop_back();
            args.push_back(arg);
            args.emplace_back();
        } else {
            args.push_back(arg);
        }
    }
    // CLI11 takes the arguments last first.
    std::reverse(args.begin(), args.end());
    return args;
}

// An empty path names no file and an empty name gives instances named "_1", "_2", ...: such a
// value is a slip of the command line (an unset variable), refused before anything is read.
std::string CheckNotEmpty(const std::string& value) {
    if (value.empty()) return "the value is empty";
    return {};
}

// What the scan for unknown options needs to know of each option.
std::vector<KnownOption> KnownOptions(const CLI::App& app) {
    std::vector<KnownOption> known;
    for (const CLI::Option* option : app.get_options()) {
        known.push_back(
            {option->get_lnames(), option->get_snames(), option->get_expected_min() > 0});
    }
    return known;
}

// A width in bits: decimal digits, which CheckLayout then judges.
std::string CheckWidth(const std::string& value) {
    if (value.empty() || value.size() > 2 ||
        value.find_first_not_of("0123456789") != std::string::npos)
        return "'" + value + "' is not a number of bits";
    return {};
}

// The format a source is read in as far as its name tells (a .hex file may still turn out to
// hold hex words), or an extracted image is written in.
ImageFormat ExpectedFormat(ImageFormat format, const std::string& path) {
    if (format != ImageFormat::Auto) return format;
    return path == "-" ? ImageFormat::Bin : FormatByExtension(path);
}

// The checks of the memory's layout, its components and what they go with, after parsing.
void CheckMemory(const CommandLine& result, bool extract, bool swap) {
    const ConversionOptions& options = result.options;
    const MemoryLayout layout = LayoutOf(options);
    if (const LayoutProblem problem = CheckLayout(layout); problem != LayoutProblem::None)
        throw CLI::ValidationError(DescribeLayoutProblem(problem, layout));
    const std::vector<std::string_view> components = ComponentsOf(result.request, options);
    const auto synthesizer = static_cast<SynthesizerKind>(result.request.synthesizer);
    if (const auto pair = FindOverlappingComponents(components, synthesizer)) {
        throw CLI::ValidationError(
            "--component", "components " + std::string(components[pair->first]) + " and " +
                               std::string(components[pair->second]) + " share instance names");
    }
    const unsigned bits = WordBits(layout);
    const std::string words = "words of " + std::to_string(bits) + " bits";
    if (extract) {
        const ImageFormat format = ExpectedFormat(options.format, options.extractFile);
        if (options.format != ImageFormat::Auto && format != ImageFormat::Bin &&
            format != ImageFormat::HexWords)
            throw CLI::ValidationError("--format", "--extract writes bin or mem");
        if (!options.extractHexWords && bits % 8 != 0) {
            throw CLI::ValidationError("--extract", words +
                                                        " are no whole bytes: they are written as "
                                                        "hex words (FILE.mem, or --format mem)");
        }
        if (options.extractHexWords && swap)
            throw CLI::ValidationError("--swap-bytes", "hex words (.mem) have no bytes to swap");
        return;
    }
    if (bits % 8 == 0) return;
    if (swap) throw CLI::ValidationError("--swap-bytes", words + " are no whole bytes");
    // A .hex file may still hold hex words, which the run finds.
    const ImageFormat format = ExpectedFormat(options.format, result.request.sourceFile);
    const bool mayHoldWords =
        format == ImageFormat::HexWords ||
        (options.format == ImageFormat::Auto && format == ImageFormat::IntelHex);
    if (!mayHoldWords)
        throw CLI::ValidationError(DescribeLayoutProblem(LayoutProblem::NotWholeBytes, layout));
}

// A line break in the name would split a generated line, and a NUL would end it early.
std::string CheckComponent(const std::string& name) {
    if (name.find_first_of(std::string("\n\r\0", 3)) != std::string::npos)
        return "the component name must not hold a line feed, carriage return or NUL";
    return {};
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    ConversionRequest& request = result.request;
    request.synthesizer = 0;  // the dialog's choice on its first start

    CLI::App app{
        "Writes the bytes of a binary file into an FPGA design's User Constraints File as block "
        "RAM initialization constraints (INST <instance> INIT_xx = <64 hex digits>;, 32 bytes "
        "per line, the first byte rightmost), replacing the lines written for the same "
        "component before, then renews the EDIF netlist's last-write time. After a conversion "
        "it prints \"UCF file updated!\" and what it removed and wrote, one line per "
        "component. Wider memories: each word has --width bits per --component (lane 0 the "
        "lowest); widths 9, 18 and 36 hold 1, 2 and 4 parity bits, written as INITP_xx lines. "
        "--extract reads such lines back into an image.",
        kProgram};
    app.formatter(std::make_shared<WrappedHelpFormatter>());
    app.footer(WrappedText(kHelpFooter, kHelpWidth) + "\n\n" + kHelpExamples);
    app.set_version_flag("--version", std::string(kProgram) + " " + QUILLON_VERSION,
                         "Print the version and exit");
    CLI::Option* sourceOption =
        app.add_option("-s,--source", request.sourceFile,
                       "Binary file whose bytes are written; - reads standard input to its end. "
                       "An empty source fails, with nothing changed (see --allow-empty). Required, "
                       "except with --extract")
            ->type_name("FILE")
            ->check(CheckNotEmpty);
    app.add_option("-u,--ucf", request.ucfFile, "UCF to update in place, created when missing")
        ->required()
        ->type_name("FILE")
        ->check(CheckNotEmpty);
    std::vector<std::string> components;
    app.add_option("-c,--component", components,
                   "Component name the block RAM instances are named after; given N times (1 to "
                   "64), the memory's lanes in that order, lane i holding bits i*W .. i*W+W-1 of "
                   "each word")
        ->required()
        ->type_name("NAME")
        ->check(CheckNotEmpty)
        ->allow_extra_args(false)
        ->check(CheckComponent);
    app.add_option("-y,--synthesizer", request.synthesizer,
                   "Instance naming: synopsys (bram, bram_1, ...), xst (bram0, bram1, ...) or "
                   "none (removes nothing, no suffix); default synopsys")
        ->type_name("KIND")
        ->transform(CLI::Validator(ToSynthesizerIndex, ""));
    CLI::Option* edifOption =
        app.add_option("-e,--edif", request.edifFile,
                       "EDIF netlist whose last-write time is renewed, created empty when missing; "
                       "empty: no refresh. When the refresh fails, a warning and exit status 3")
            ->type_name("FILE");
    std::string bram = "4k";
    app.add_option("-b,--bram", bram,
                   "Data bits per block RAM instance: 4k (INIT_00..INIT_0F, 512 bytes; the "
                   "default), 16k (INIT_00..INIT_3F, 2048 bytes: RAMB16, RAMB18) or 32k "
                   "(INIT_00..INIT_7F, 4096 bytes: RAMB36)")
        ->type_name("SIZE")
        ->check(CheckBramSize);
    std::string width;
    app.add_option("--width", width,
                   "Bits of each component's share of a word (W): 1, 2, 4, 8 (the default) or 16; "
                   "with 16k and 32k also 9, 18, 32 and 36, of which 9, 18 and 36 hold 1, 2 and 4 "
                   "parity bits (the highest), written as INITP_xx lines. Words have components "
                   "x W bits, at most 64; a source other than hex words holds each word in "
                   "components x W / 8 bytes, least significant first")
        ->type_name("W")
        ->check(CheckWidth);
    std::string swapWidth;
    app.add_option("-w,--swap-bytes", swapWidth,
                   "Take the source as W-byte words stored big-endian (2, 4 or 8) and reverse "
                   "each word's bytes; a short last word is padded with zero bytes first")
        ->type_name("W")
        ->check(CheckSwapWidth);
    std::string maxInstances;
    CLI::Option* maxInstancesOption =
        app.add_option("-m,--max-instances", maxInstances,
                       "Fail, before the UCF is opened, when the data needs more than N instances "
                       "(N from 1) in a component")
            ->type_name("N")
            ->check(CheckInstanceCount);
    std::string format = "auto";
    app.add_option(
           "-f,--format", format,
           "What the source holds, in any letter case: bin (raw bytes), ihex (Intel "
           "HEX), srec (Motorola S-records), elf (the loadable segments at their "
           "physical addresses), mem (hex words of components x W bits, as $readmemh "
           "reads them) or auto (the default: by the extension, .hex .ihx .ihex .h86 ihex when "
           "they start with ':' and else mem, .srec .s19 .s28 .s37 .mot srec, .elf .axf "
           "elf, .mem mem; any other name and standard input bin)")
        ->type_name("FMT")
        ->check(CheckFormat);
    std::string base;
    CLI::Option* baseOption =
        app.add_option("--base", base,
                       "Byte address of the memory's first byte, for ihex, srec and elf (hex "
                       "with 0x, or decimal; default 0): data below it fails")
            ->type_name("ADDR")
            ->check(CheckBase);
    std::string fill;
    CLI::Option* fillOption =
        app.add_option("--fill", fill,
                       "Value of the bytes in the gaps between records and segments (0 to 255, hex "
                       "with 0x, or decimal; default 0x00)")
            ->type_name("BYTE")
            ->check(CheckFill);
    std::string extract;
    CLI::Option* extractOption =
        app.add_option("--extract", extract,
                       "Read the image that the UCF's INIT_xx and INITP_xx lines of the components "
                       "hold, through the last INIT_xx line's words, and write it to FILE (- for "
                       "standard output): raw bytes (their words reversed as --swap-bytes says), "
                       "or hex words when FILE ends in .mem or with --format mem. Nothing else is "
                       "written")
            ->type_name("FILE");
    std::string output;
    CLI::Option* outputOption =
        app.add_option("-o,--output", output,
                       "Write the new UCF text to FILE (- for standard output, which then "
                       "carries nothing else) and only read the UCF, which is not created "
                       "when missing; the EDIF file is left alone")
            ->type_name("FILE")
            ->check(CheckNotEmpty);
    bool dryRun = false;
    CLI::Option* dryRunOption =
        app.add_flag("-n,--dry-run", dryRun,
                     "Read the source and the UCF and report, but change and create no file")
            ->excludes(outputOption);
    for (CLI::Option* option : {sourceOption, edifOption, outputOption, dryRunOption, baseOption,
                                fillOption, maxInstancesOption})
        extractOption->excludes(option);
    app.add_flag("-q,--quiet", result.quiet, "Print nothing on standard output after a success");
    bool allowEmpty = false;
    app.add_flag("--allow-empty", allowEmpty,
                 "Take an empty source: the component's lines are removed and none written");
    bool keepPlacements = false;
    app.add_flag("--keep-placements", keepPlacements,
                 "Remove only the component's INIT_xx and INITP_xx lines; its instances' other "
                 "lines (LOC, RLOC, any attribute) stay where they are");
    app.add_flag("--quote-names", result.options.quoteNames,
                 "Write the instance names in double quotes: INST \"bram_1\" INIT_00 = ...; "
                 "(quoted names are always recognised in the removal)");

    const std::string usage = Synopsis(app) + kMoreHelp;
    // CLI11 would first say what is missing, or list a misspelt option's value as unexpected.
    std::vector<std::string> given;
    for (int i = 1; i < argc; ++i) given.emplace_back(argv[i]);
    if (const auto unknown = FindUnknownOption(given, KnownOptions(app))) {
        result.action = CommandLine::Action::UsageError;
        result.text = MessageLine(UnknownOptionText(*unknown)) + "\n" + usage;
        return result;
    }
    try {
        std::vector<std::string> args = WithEmptyValuesSplit(argc, argv);
        app.parse(args);
        const bool extracting = extractOption->count() > 0;
        if (!extracting && sourceOption->count() == 0) throw CLI::RequiredError("--source");
        result.action = extracting ? CommandLine::Action::Extract : CommandLine::Action::Convert;
        ConversionOptions& options = result.options;
        request.component = components.front();
        options.moreComponents.assign(components.begin() + 1, components.end());
        if (!width.empty()) options.width = static_cast<unsigned>(std::stoul(width));
        options.removalDetails = true;  // for the warnings
        options.sourceFromStandardInput = request.sourceFile == "-";
        options.refuseEmptySource = !allowEmpty;
        // A quoted line of the component would otherwise stay beside the new one.
        options.removal.quotedNames = true;
        options.removal.keepPlacements = keepPlacements;
        options.linesPerInstance = kBramSizes.at(Lowered(bram));
        if (!swapWidth.empty()) options.swapWidth = static_cast<unsigned>(std::stoul(swapWidth));
        if (!maxInstances.empty()) ParseInstanceCount(maxInstances, options.maxInstances);
        options.format = kFormats.at(Lowered(format));
        if (baseOption->count() > 0) {
            ParseNumber(base, UINT64_MAX, options.base);
            options.baseGiven = true;
            // A .hex file may still turn out to hold hex words, which the run then refuses.
            const ImageFormat expected = options.format != ImageFormat::Auto ? options.format
                                         : options.sourceFromStandardInput
                                             ? ImageFormat::Bin
                                             : FormatByExtension(request.sourceFile);
            if (!TakesBase(expected)) {
                throw CLI::ValidationError(
                    "--base", std::string("the source is read as ") +
                                  (expected == ImageFormat::Bin ? "bin" : "mem") +
                                  ", which takes no base address (it is for ihex, srec and elf)");
            }
        }
        if (!fill.empty()) {
            std::uint64_t value = 0;
            ParseNumber(fill, 0xFF, value);
            options.fill = static_cast<std::uint8_t>(value);
        }
        if (dryRun) {
            options.output = UcfOutput::DryRun;
        } else if (outputOption->count() > 0) {
            options.output = output == "-" ? UcfOutput::StandardOutput : UcfOutput::File;
            options.outputFile = output;
        }
        if (extracting) {
            options.extractFile = extract;
            options.extractHexWords =
                ExpectedFormat(options.format, extract) == ImageFormat::HexWords;
        }
        CheckMemory(result, extracting, !swapWidth.empty());
    } catch (const CLI::CallForHelp&) {
        result.action = CommandLine::Action::ShowHelp;
        result.text = app.help();
    } catch (const CLI::CallForVersion& version) {
        result.action = CommandLine::Action::ShowVersion;
        result.text = std::string(version.what()) + "\n";
    } catch (const CLI::ParseError& error) {
        result.action = CommandLine::Action::UsageError;
        result.text = MessageLine(error.what()) + "\n" + usage;
    }
    return result;
}
