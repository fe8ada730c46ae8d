#include "cli/command_line.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "quillon_version.h"

namespace {

constexpr char kProgram[] = "quillon-convert";
constexpr char kUsage[] =
    "Usage: quillon-convert --source FILE --ucf FILE --component NAME\n"
    "                       [--synthesizer synopsys|xst|none] [--edif FILE]\n"
    "Run 'quillon-convert --help' for more information.\n";

// The Synthesizer list's indices; "none" is the list with nothing selected.
const std::map<std::string, int> kSynthesizers = {{"synopsys", 0}, {"xst", 1}, {"none", -1}};

// The list index for a synthesizer named in any letter case.
std::string ToSynthesizerIndex(std::string& value) {
    std::string name = value;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto found = kSynthesizers.find(name);
    if (found == kSynthesizers.end()) return "'" + value + "' is not synopsys, xst or none";
    value = std::to_string(found->second);
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
        "RAM initialization constraints (INST <instance> INIT_0x = <64 hex digits>;), "
        "replacing the lines written for the same component before, then renews the EDIF "
        "netlist's last-write time.",
        kProgram};
    app.set_version_flag("--version", std::string(kProgram) + " " + QUILLON_VERSION,
                         "Print the version and exit");
    app.add_option("-s,--source", request.sourceFile, "Binary file whose bytes are written")
        ->required()
        ->type_name("FILE");
    app.add_option("-u,--ucf", request.ucfFile, "UCF to update in place, created when missing")
        ->required()
        ->type_name("FILE");
    app.add_option("-c,--component", request.component,
                   "Component name the block RAM instances are named after")
        ->required()
        ->type_name("NAME")
        ->check(CheckComponent);
    app.add_option("-y,--synthesizer", request.synthesizer,
                   "Instance naming: synopsys (bram, bram_1, ...), xst (bram0, bram1, ...) or "
                   "none (removes nothing, no suffix); default synopsys")
        ->type_name("KIND")
        ->transform(CLI::Validator(ToSynthesizerIndex, ""));
    app.add_option("-e,--edif", request.edifFile,
                   "EDIF netlist whose last-write time is renewed, created empty when missing")
        ->type_name("FILE");

    try {
        std::vector<std::string> args = WithEmptyValuesSplit(argc, argv);
        app.parse(args);
        result.action = CommandLine::Action::Convert;
    } catch (const CLI::CallForHelp&) {
        result.action = CommandLine::Action::ShowHelp;
        result.text = app.help();
    } catch (const CLI::CallForVersion& version) {
        result.action = CommandLine::Action::ShowVersion;
        result.text = std::string(version.what()) + "\n";
    } catch (const CLI::ParseError& error) {
        result.action = CommandLine::Action::UsageError;
        result.text = std::string(kProgram) + ": " + error.what() + "\n" + kUsage;
    }
    return result;
}
