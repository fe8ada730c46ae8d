#include "cli/printing_owner.h"

#include <string>

namespace {

// A box's text as lines for a text stream: the system's own line end dropped, one newline
// added, and on Windows CR LF pairs made single newlines, which the stream widens again.
std::string AsPrintedLines(std::string text) {
#ifdef _WIN32
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
#endif
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text + "\n";
}

}  // namespace

void PrintingOwner::ShowMessage(const std::string& text, const std::string&, unsigned style) {
    const bool isError = (style & kMbIconStop) != 0;
    showedError_ = showedError_ || isError;
    std::FILE* stream = isError ? err_ : out_;
    const std::string lines = AsPrintedLines(text);
    std::fwrite(lines.data(), 1, lines.size(), stream);
    std::fflush(stream);
}
