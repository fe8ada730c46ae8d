#include "cli/outcome_report.h"

#include <string>

#include "cli/command_line.h"
#include "conversion/conversion_run.h"
#include "conversion/rollback_journal.h"

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

void ReportJournal(const ConversionRequest& request, const ConversionOutcome& outcome,
                   std::FILE* err) {
    const std::string journal = JournalPath(request.ucfFile);
    if (outcome.journalRecovered) {
        Print(err, "quillon-convert: a run that did not finish left " + journal +
                       "; the UCF's old text was put back from it first");
    }
    if (outcome.journalKept) {
        Print(err, "quillon-convert: the UCF's old text is kept in " + journal +
                       "; run the conversion again to put it back");
    }
}

void ReportHeldInterrupt(RewriteEnd end) {
    switch (end) {
        case RewriteEnd::Completed:
            Print(stderr, "quillon-convert: interrupted; the conversion was completed first");
            break;
        case RewriteEnd::Undone:
            Print(stderr, "quillon-convert: interrupted; the conversion was undone first");
            break;
        case RewriteEnd::InJournal:
            Print(stderr,
                  "quillon-convert: interrupted; the UCF's old text is kept in its journal");
            break;
    }
}

int ReportOutcome(const ConversionRequest& request, const ConversionOutcome& outcome,
                  std::FILE* out, std::FILE* err) {
    ReportJournal(request, outcome, err);
    if (!outcome.Succeeded()) {
        Print(err, FailureText(request, outcome));
        return kExitRunFailed;
    }
    Print(out, "UCF file updated!");
    return kExitConverted;
}
