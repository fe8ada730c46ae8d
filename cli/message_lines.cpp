#include "cli/message_lines.h"

namespace {

constexpr std::string_view kProgramPrefix = "quillon-convert: ";
constexpr std::string_view kWarning = "warning: ";

bool IsLineBreak(char c) {
    return c == '\n' || c == '\r';
}

}  // namespace

std::string MessageLine(std::string_view text) {
    while (!text.empty() && (IsLineBreak(text.back()) || text.back() == ' ')) text.remove_suffix(1);
    std::string line(kProgramPrefix);
    line.reserve(line.size() + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsLineBreak(text[i])) {
            line += text[i];
            continue;
        }
        // A run of line breaks (and the blanks that indent what follows) becomes one space.
        while (i + 1 < text.size() && (IsLineBreak(text[i + 1]) || text[i + 1] == ' ')) ++i;
        if (!line.empty() && line.back() != ' ') line += ' ';
    }
    return line;
}

std::string WarningLine(std::string_view text) {
    return MessageLine(std::string(kWarning) + std::string(text));
}

std::string FileMessageLine(std::string_view label, std::string_view path, std::string_view reason,
                            bool warning) {
    std::string text = warning ? std::string(kWarning) : std::string();
    text.append(label).append(" ").append(path).append(": ").append(reason);
    return MessageLine(text);
}
