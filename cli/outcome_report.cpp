#include "cli/outcome_report.h"

#include <string>

#include "cli/command_line.h"
#include "conversion/conversion_run.h"

namespace {

// A message's text as lines for a text stream: the system's own line end dropped, one newline
// added, and on Windows CR LF pairs made single newlines, which the stream widens again.
std::string AsPrintedLines(std::string text) {
#ifdef _WIN32
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
#endif
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text + "\n";
}

void Print(std::FILE* stream, const std::string& text) {
    const std::string lines = AsPrintedLines(text);
    std::fwrite(lines.data(), 1, lines.size(), stream);
    std::fflush(stream);
}

}  // namespace

int ReportOutcome(const ConversionRequest& request, const ConversionOutcome& outcome,
                  std::FILE* out, std::FILE* err) {
    if (!outcome.Succeeded()) {
        Print(err, FailureText(request, outcome));
        return kExitRunFailed;
    }
    Print(out, "UCF file updated!");
    return kExitConverted;
}
