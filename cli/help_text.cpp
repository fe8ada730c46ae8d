#include "cli/help_text.h"

#include <algorithm>

namespace {

// The names and the descriptions' column: "  -m, --max-instances N" fits before it.
constexpr std::size_t kNameColumn = 26;
// Stands for the blanks inside a synopsis item while the synopsis is wrapped.
constexpr char kJoined = '\x01';
constexpr std::string_view kUsage = "Usage: ";
// The forms after the conversion's, each under the one before.
constexpr std::string_view kOtherForms[] = {
    " --extract FILE --ucf FILE --component NAME [OPTION]...",
    " --list --ucf FILE [--component NAME]... [--json]",
};

std::string OtherForms(const CLI::App& app) {
    std::string text;
    for (const std::string_view form : kOtherForms)
        text.append(kUsage.size(), ' ').append(app.get_name()).append(form).append("\n");
    return text;
}

bool TakesValue(const CLI::Option* option) {
    return option->get_expected_min() > 0;
}

// "--source FILE", "[--quiet]".
// --source and --component are required for a conversion; an extraction goes without the
// one and a listing without both (the synopsis's other lines), which is why the parser does
// not require them.
bool RequiredInSynopsis(const CLI::Option* option) {
    return option->get_required() || option->get_name() == "--source" ||
           option->get_name() == "--component";
}

std::string SynopsisItem(const CLI::Option* option) {
    std::string item = option->get_name(false, false);
    if (TakesValue(option) && !option->get_type_name().empty())
        item += " " + option->get_type_name();
    return RequiredInSynopsis(option) ? item : "[" + item + "]";
}

}  // namespace

std::string WrappedText(std::string_view text, std::size_t width, std::size_t indent) {
    std::string out;
    std::size_t lineLength = 0;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view paragraph = text.substr(at, end - at);
        if (at > 0) {
            out += '\n';
            out.append(indent, ' ');
            lineLength = indent;
        }
        bool first = true;
        std::size_t word = 0;
        while (word < paragraph.size()) {
            const std::size_t wordEnd = std::min(paragraph.find(' ', word), paragraph.size());
            const std::string_view piece = paragraph.substr(word, wordEnd - word);
            if (!first && lineLength + 1 + piece.size() > width) {
                out += '\n';
                out.append(indent, ' ');
                lineLength = indent;
                first = true;
            }
            if (!first) {
                out += ' ';
                ++lineLength;
            }
            out.append(piece);
            lineLength += piece.size();
            first = false;
            word = wordEnd + 1;
        }
        at = end + 1;
    }
    return out;
}

std::string Synopsis(const CLI::App& app) {
    const std::string start = std::string(kUsage) + app.get_name();
    std::string required;
    std::string optional;
    for (const CLI::Option* option : app.get_options()) {
        if (option == app.get_help_ptr() || option->get_name() == "--version" ||
            option->get_name() == "--extract" || option->get_name() == "--list" ||
            option->get_name() == "--json")
            continue;
        std::string& items = RequiredInSynopsis(option) ? required : optional;
        if (option->get_name() == "--source") {
            required.insert(0, " " + SynopsisItem(option));  // first, as the manual page has it
            continue;
        }
        // An item is wrapped as one word: its name and value stay on one line.
        std::string item = SynopsisItem(option);
        std::replace(item.begin(), item.end(), ' ', kJoined);
        items += " " + item;
    }
    // The required options on the first line, as the manual page has them.
    std::string text =
        WrappedText(start + required + "\n" + optional.substr(optional.empty() ? 0 : 1), kHelpWidth,
                    start.size() + 1);
    std::replace(text.begin(), text.end(), kJoined, ' ');
    return text + "\n" + OtherForms(app);
}

std::string ShortSynopsis(const CLI::App& app) {
    return std::string(kUsage) + app.get_name() +
           " --source FILE --ucf FILE --component NAME [OPTION]...\n" + OtherForms(app);
}

WrappedHelpFormatter::WrappedHelpFormatter() {
    column_width(kNameColumn);
}

std::string WrappedHelpFormatter::make_description(const CLI::App* app) const {
    return WrappedText(app->get_description(), kHelpWidth) + "\n\n";
}

std::string WrappedHelpFormatter::make_usage(const CLI::App* app, std::string) const {
    return Synopsis(*app);
}

std::string WrappedHelpFormatter::make_option_name(const CLI::Option* option, bool) const {
    std::string name;
    for (const std::string& letter : option->get_snames()) name += "-" + letter + ", ";
    if (name.empty()) name = "    ";
    for (const std::string& word : option->get_lnames()) name += "--" + word;
    return name;
}

std::string WrappedHelpFormatter::make_option_opts(const CLI::Option* option) const {
    if (!TakesValue(option) || option->get_type_name().empty()) return {};
    return " " + option->get_type_name();
}

std::string WrappedHelpFormatter::make_option_desc(const CLI::Option* option) const {
    // Continuation lines get the column's indent from CLI11 itself.
    return WrappedText(option->get_description(), kHelpWidth - kNameColumn);
}

std::string WrappedHelpFormatter::make_footer(const CLI::App* app) const {
    const std::string footer = app->get_footer();
    return footer.empty() ? std::string() : footer + "\n";
}
