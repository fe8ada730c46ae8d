// The command line parsed by CLI11 (cli/command_options.cpp declares the options), then
// mapped onto the request and the options of a run, with the checks of what the options mean
// together.
#include "cli/command_line.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/command_options.h"
#include "cli/help_text.h"
#include "cli/message_lines.h"
#include "cli/option_messages.h"
#include "cli/option_values.h"
#include "cli/unknown_options.h"
#include "conversion/core/instance_names.h"
#include "quillon_version.h"

namespace {

constexpr char kProgram[] = "quillon-convert";
constexpr char kMoreHelp[] = "Try 'quillon-convert --help' for more information.\n";
constexpr char kDescription[] =
    "Writes a memory image (a raw binary, Intel HEX, S-records, ELF or hex words) into an "
    "FPGA design's User Constraints File as block RAM initialization constraints (INST "
    "<instance> INIT_xx = <64 hex digits>;, 32 bytes per line, the first byte rightmost), "
    "replacing the INIT_xx lines written for the same component before, then renews the "
    "EDIF netlist's last-write time. The instances' other lines, such as their placements, "
    "stay (--drop-placements removes them too). After a conversion it prints \"UCF file "
    "updated!\" and what it removed and wrote, one line per component, with the format it "
    "read; when the new text is the old one it changes no file and prints \"design.ucf: "
    "unchanged (rom: 64 lines of 4 instances)\". Warnings tell where the old lines show another "
    "number of instances, block RAM size or width, or other components' names. Wider "
    "memories: each word has --width bits per --component (lane 0 the lowest); "
    "widths 9, 18 and 36 hold 1, 2 and 4 parity bits, written as INITP_xx lines. --extract "
    "reads such lines back into an image; --list tells which memories a UCF initialises.";

// The end of --help: a paragraph, wrapped when the help is made, and the examples, as they
// are printed (each line within 80 columns).
constexpr char kHelpFooter[] =
    "Exit status: 0 converted (or checked, with --dry-run; listed, with --list); 1 the "
    "conversion failed and no file "
    "was changed; 2 the command line is wrong; 3 the EDIF netlist named by --edif does not "
    "exist (it is not created) or its last-write time could not be renewed, the UCF being "
    "converted all the same. Errors and warnings go to standard error, one line each.";
constexpr char kHelpExamples[] =
    "Examples:\n"
    "  quillon-convert -s rom.bin -u design.ucf -c rom_bram -e design.edf\n"
    "  quillon-convert -s fw.elf -u design.ucf -c fw_rom --bram 32k --swap-bytes 4\n"
    "  quillon-convert --list -u design.ucf\n"
    "\n"
    "See quillon-convert(1) for the details.";

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

// CLI11's own texts in the shape of the others: lowercase, and an option given twice said so.
std::string UsageReason(std::string text) {
    const std::string atMost = ": At Most 1 required but received ";
    if (const std::size_t at = text.find(atMost); at != std::string::npos)
        return text.substr(0, at) + " is given " + text.substr(at + atMost.size()) +
               " times; it takes one value";
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        std::islower(static_cast<unsigned char>(text[1])))
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// "unexpected argument 'extra'", the arguments in the order given.
std::string UnexpectedArguments(const std::vector<std::string>& arguments) {
    std::string text = arguments.size() == 1 ? "unexpected argument" : "unexpected arguments";
    for (std::size_t i = 0; i < arguments.size(); ++i)
        text.append(i == 0 ? " '" : ", '").append(arguments[i]).append("'");
    return text;
}

std::vector<std::string> LongNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options())
        for (const std::string& name : option->get_lnames()) names.push_back(name);
    return names;
}

// The checks of the memory's layout and its components, and of the file its words come from
// or go to, as far as the names tell; the run makes the same checks of what the files hold.
void CheckMemory(const CommandLine& result, bool extract) {
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
    const std::string words = "words of " + std::to_string(WordBits(layout)) + " bits";
    if (extract) {
        const ImageFormat format =
            FormatByName(options.format, options.extractFile, options.extractFile == "-");
        if (options.format != ImageFormat::Auto && format != ImageFormat::Bin &&
            format != ImageFormat::HexWords)
            throw CLI::ValidationError("--format", "--extract writes bin or mem");
        const LayoutProblem problem =
            CheckExtractedLayout(layout, options.extractHexWords, options.swapWidth);
        if (problem == LayoutProblem::NotWholeBytes) {
            throw CLI::ValidationError("--extract", words +
                                                        " are no whole bytes: they are written as "
                                                        "hex words (FILE.mem, or --format mem)");
        }
        if (problem != LayoutProblem::None)
            throw CLI::ValidationError(DescribeLayoutProblem(problem, layout));
        return;
    }
    const std::string& source = result.request.sourceFile;
    const LayoutProblem problem = CheckSourceLayout(
        layout, MayHoldHexWords(options.format, source, options.sourceFromStandardInput),
        options.swapWidth);
    if (problem != LayoutProblem::None)
        throw CLI::ValidationError(DescribeLayoutProblem(problem, layout));
}

// The options that only some formats take, as far as the source's name tells (a .hex file may
// still turn out to hold hex words, and a source that its name does not tell is read as its
// content shows: the run refuses what does not fit then).
void CheckFormatOptions(const CommandLine& result, bool baseGiven) {
    const ConversionOptions& options = result.options;
    const ImageFormat format =
        FormatByName(options.format, result.request.sourceFile, options.sourceFromStandardInput);
    if (format == ImageFormat::Auto) return;
    const std::string readAs = "the source is read as " + FormatOptionName(format);
    if (baseGiven && !TakesBase(format)) {
        throw CLI::ValidationError(
            "--base", readAs + ", which takes no base address (it is for ihex, srec and elf)");
    }
    if (options.sections.Picks() && format != ImageFormat::Elf) {
        throw CLI::ValidationError(
            options.sections.only.empty() ? "--remove-section" : "--only-section",
            readAs + ", which has no sections (they are for elf)");
    }
}

// The values, each checked on its own by its option, as the request and the options of a
// run.
void MapOptions(const OptionValues& values, const DeclaredOptions& declared, CommandLine& result) {
    const std::optional<ListingFormat> listing = ListingFormatByName(values.format);
    if (values.list) {
        // The UCF alone: its path, and the components to show when given.
        if (!listing && FormatByOptionName(values.format) != ImageFormat::Auto)
            throw CLI::ValidationError("--format", "--list prints text or json");
        result.action = CommandLine::Action::List;
        result.listJson = values.json || listing == ListingFormat::Json;
        result.request.ucfFile = values.ucf;
        result.request.synthesizer = static_cast<int>(*SynthesizerByName(values.synthesizer));
        if (!values.components.empty()) {
            result.request.component = values.components.front();
            result.options.moreComponents.assign(values.components.begin() + 1,
                                                 values.components.end());
        }
        return;
    }
    if (listing) throw CLI::ValidationError("--format", "text and json are for --list");
    const bool extracting = declared.extract->count() > 0;
    if (declared.component->count() == 0) throw CLI::RequiredError("--component");
    if (!extracting && declared.source->count() == 0) throw CLI::RequiredError("--source");
    result.action = extracting ? CommandLine::Action::Extract : CommandLine::Action::Convert;
    result.quiet = values.quiet;
    ConversionRequest& request = result.request;
    ConversionOptions& options = result.options;
    request.sourceFile = values.source;
    request.ucfFile = values.ucf;
    request.edifFile = values.edif;
    request.component = values.components.front();
    request.synthesizer = static_cast<int>(*SynthesizerByName(values.synthesizer));
    options.moreComponents.assign(values.components.begin() + 1, values.components.end());
    options.linesPerInstance = *LinesPerInstanceByName(values.bram);
    if (!values.width.empty()) options.width = *WidthBits(values.width);
    if (!values.swapWidth.empty()) options.swapWidth = *SwapWidth(values.swapWidth);
    if (!values.maxInstances.empty()) options.maxInstances = *InstanceCount(values.maxInstances);
    options.format = *FormatByOptionName(values.format);
    options.baseGiven = declared.base->count() > 0;
    if (options.baseGiven) options.base = *Address(values.base);
    if (!values.fill.empty()) options.fill = *FillByte(values.fill);
    options.sections = {values.onlySections, values.removedSections};
    options.sourceFromStandardInput = request.sourceFile == "-";
    options.removalDetails = true;  // for the warnings
    options.refuseEmptySource = !values.allowEmpty;
    // Placements are the designer's and stay unless --drop-placements says otherwise (the
    // dialog's removal takes every line of an instance). A quoted line of the component would
    // otherwise stay beside the new one, and without a naming convention a rerun would add a
    // second set of the instance's lines.
    options.removal = {!values.dropPlacements, true, true};
    options.quoteNames = values.quoteNames;
    // A build compares times: a run that changes nothing leaves them alone, and a misspelt
    // --edif is said rather than made.
    options.renewWhenUnchanged = values.touch;
    options.createMissingEdif = false;
    // Two memories in one UCF: converting the first again leaves its lines before the
    // second's rather than moving them, so that the run is a no-op.
    options.linesInPlaceAreUnchanged = !values.dropPlacements;
    if (values.dryRun) {
        options.output = UcfOutput::DryRun;
    } else if (declared.output->count() > 0) {
        options.output = values.output == "-" ? UcfOutput::StandardOutput : UcfOutput::File;
        options.outputFile = values.output;
    }
    if (extracting) {
        options.extractFile = values.extract;
        options.extractHexWords = FormatByName(options.format, values.extract,
                                               values.extract == "-") == ImageFormat::HexWords;
    } else {
        CheckFormatOptions(result, options.baseGiven);
    }
    CheckMemory(result, extracting);
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    CLI::App app{kDescription, kProgram};
    app.formatter(std::make_shared<WrappedHelpFormatter>());
    app.footer(WrappedText(kHelpFooter, kHelpWidth) + "\n\n" + kHelpExamples);
    app.set_version_flag("--version", std::string(kProgram) + " " + QUILLON_VERSION,
                         "Print the version and exit");
    OptionValues values;
    const DeclaredOptions declared = DeclareOptions(app, values);
    // What the parser cannot place is kept, so that a misspelt option is the error rather than
    // an option it was meant to be and is now missing, or its value.
    app.allow_extras();
    result.usage = kMoreHelp;
    const auto usageError = [&result](const std::string& what) {
        result.action = CommandLine::Action::UsageError;
        result.text = MessageLine(UsageReason(what)) + "\n" + result.usage;
        return result;
    };
    if (argc <= 1) {
        result.text = ShortSynopsis(app) + kMoreHelp;
        return result;
    }

    std::string parseError;
    try {
        std::vector<std::string> args = WithEmptyValuesSplit(argc, argv);
        app.parse(args);
    } catch (const CLI::CallForHelp&) {
        result.action = CommandLine::Action::ShowHelp;
        result.text = app.help();
    } catch (const CLI::CallForVersion& version) {
        result.action = CommandLine::Action::ShowVersion;
        result.text = std::string(version.what()) + "\n";
    } catch (const CLI::ParseError& error) {
        parseError = error.what();
        if (parseError.empty()) parseError = "the command line is wrong";
    }
    if (const auto unknown = FindUnknownOption(app.remaining(), LongNames(app)))
        return usageError(UnknownOptionText(*unknown));
    if (!parseError.empty()) return usageError(parseError);
    if (result.action != CommandLine::Action::UsageError) return result;
    if (app.remaining_size() > 0) return usageError(UnexpectedArguments(app.remaining()));
    try {
        MapOptions(values, declared, result);
    } catch (const CLI::ParseError& error) {
        return usageError(error.what());
    }
    return result;
}
