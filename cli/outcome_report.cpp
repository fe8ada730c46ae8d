#include "cli/outcome_report.h"

#include <string>

#include "cli/command_line.h"
#include "cli/message_lines.h"
#include "cli/old_line_warnings.h"
#include "cli/option_messages.h"
#include "conversion/run/conversion_run.h"

namespace {

constexpr char kOutputLabel[] = "Output file:";
constexpr char kEdifLabel[] = "EDIF file:";

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

// A write that fails (a closed pipe, a full disk) changes nothing about the run's outcome,
// which the exit status tells.
void Print(std::FILE* stream, const std::string& text) {
    const std::string lines = AsPrintedLines(text);
    std::fwrite(lines.data(), 1, lines.size(), stream);
    std::fflush(stream);
}

std::string Counted(std::uint64_t n, const char* singular, const char* plural) {
    return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

std::string OutputName(const std::string& path) {
    return path == "-" ? std::string("standard output") : path;
}

// The source as the messages name it.
std::string SourceName(const CommandLine& commandLine) {
    return commandLine.options.sourceFromStandardInput ? std::string("standard input")
                                                       : commandLine.request.sourceFile;
}

// The failure in one line: the file's label and path, then why.
std::string FailureLine(const CommandLine& commandLine, const ConversionOutcome& outcome) {
    const ConversionOptions& options = commandLine.options;
    const FailedStep step = outcome.failedStep;
    if (step == FailedStep::Output) {
        const std::string name = options.output == UcfOutput::StandardOutput
                                     ? std::string("standard output")
                                     : options.outputFile;
        return FileMessageLine(kOutputLabel, name, FailureReason(outcome));
    }
    const std::string path =
        step == FailedStep::Ucf ? commandLine.request.ucfFile : SourceName(commandLine);
    std::string reason = outcome.refusal != SourceRefusal::None ? RefusalText(outcome, options)
                                                                : FailureReason(outcome);
    // What the content looked like decided the format: say so, and how to take the bytes.
    if (step == FailedStep::Source && outcome.refusal == SourceRefusal::None &&
        !outcome.reason.empty() && outcome.sourceFormat != ImageFormat::Bin &&
        FormatByName(options.format, commandLine.request.sourceFile,
                     options.sourceFromStandardInput) == ImageFormat::Auto) {
        reason += std::string(" (read as ") + FormatName(outcome.sourceFormat) +
                  " by its content; --format bin takes the bytes as they are)";
    }
    return FileMessageLine(FailureLabel(step), path, reason);
}

void PrintWarnings(const CommandLine& commandLine, const ComponentOutcome& outcome,
                   std::FILE* err) {
    const std::string& component = outcome.component;
    const auto synthesizer = static_cast<SynthesizerKind>(commandLine.request.synthesizer);
    if (outcome.linesRemoved == 0 && outcome.otherConventionLines) {
        const std::string other =
            IsXst(synthesizer) ? "synopsys naming (" + component + ", " + component + "_1, ...)"
                               : "xst naming (" + component + "0, " + component + "1, ...)";
        Print(err, WarningLine("the UCF holds lines for " + component + " under the " + other +
                               "; they stay beside the new ones"));
    }
}

// Whether the run was to renew a named EDIF file's time and could not; an empty --edif asks
// for no refresh.
bool EdifNotRefreshed(const CommandLine& commandLine, const ConversionOutcome& outcome) {
    return commandLine.options.output == UcfOutput::InPlace &&
           !commandLine.request.edifFile.empty() && outcome.edifError != 0;
}

// Why the EDIF file's time was not renewed, and what that means for the UCF.
std::string EdifReason(const CommandLine& commandLine, const ConversionOutcome& outcome) {
    // Not created: an empty netlist under a misspelt name would be refreshed in the real one's
    // place, run after run.
    if (!commandLine.options.createMissingEdif && IsNoSuchFile(outcome.edifError))
        return "does not exist; not created: the implementation tools will not see the change";
    const bool touched = !outcome.unchanged || commandLine.options.renewWhenUnchanged;
    return SystemErrorText(outcome.edifError) +
           (touched ? " (the UCF was updated, the netlist was not)" : " (the UCF is unchanged)");
}

// "design.ucf: unchanged (rom: 64 lines of 4 instances, ram: 16 lines of 1 instance)": an
// in-place run whose new text is the old one, which changed no file.
std::string UnchangedLine(const CommandLine& commandLine, const ConversionOutcome& outcome) {
    std::string line = commandLine.request.ucfFile + ": unchanged (";
    for (std::size_t i = 0; i < outcome.components.size(); ++i) {
        const ComponentOutcome& component = outcome.components[i];
        if (i > 0) line += ", ";
        line.append(component.component).append(": ");
        if (component.linesWritten == 0) {
            line += "no lines";
            continue;
        }
        line.append(Counted(component.linesWritten, "line", "lines"))
            .append(" of ")
            .append(Counted(component.instancesWritten, "instance", "instances"));
    }
    return line + ")";
}

// The first line after a success: what happened to the files.
std::string SuccessLine(const CommandLine& commandLine) {
    switch (commandLine.options.output) {
        case UcfOutput::DryRun:
            return "Dry run: no file changed.";
        case UcfOutput::File:
            return "Wrote " + commandLine.options.outputFile + " (the UCF was only read).";
        case UcfOutput::InPlace:
        case UcfOutput::StandardOutput:
            break;
    }
    return "UCF file updated!";
}

// " in 3 instances (ram .. ram_2)", " in 1 instance (ram)" or nothing.
std::string Instances(std::uint64_t count, const std::string& first, const std::string& last) {
    if (count == 0) return {};
    if (count == 1) return " in 1 instance (" + first + ")";
    return " in " + std::to_string(count) + " instances (" + first + " .. " + last + ")";
}

}  // namespace

std::vector<std::string> ReportLines(const ConversionOutcome& outcome, bool countKept) {
    std::vector<std::string> lines;
    // The run describes image files; a raw binary is its bytes from address 0.
    const std::string source =
        !outcome.sourceDescription.empty() || outcome.sourceFormat != ImageFormat::Bin
            ? outcome.sourceDescription
            : DescribeImage(ImageFormat::Bin, 0, outcome.source.imageBytes);
    for (const ComponentOutcome& component : outcome.components) {
        const bool kept = countKept && component.linesKept > 0;
        std::string line =
            component.component + ": removed " + Counted(component.linesRemoved, "line", "lines") +
            (kept ? ", kept " + Counted(component.linesKept, "other line", "other lines")
                  : std::string()) +
            ", wrote " + Counted(component.linesWritten, "line", "lines") +
            Instances(component.instancesWritten, component.firstInstance, component.lastInstance);
        if (lines.empty() && !source.empty()) line += "; " + source;
        if (outcome.unchanged) line += "; unchanged";
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string ExtractionLine(const std::string& component, const LaneReading& lane, unsigned width) {
    std::string line = component + ": read " + Counted(lane.linesRead, "line", "lines");
    if (lane.instances == 1) {
        line += " of 1 instance (" + lane.firstInstance + ")";
    } else if (lane.instances > 1) {
        line += " of " + std::to_string(lane.instances) + " instances (" + lane.firstInstance +
                " .. " + lane.lastInstance + ")";
    }
    if (width % 8 == 0 || width == 0) return line + ", " + Counted(lane.bits / 8, "byte", "bytes");
    return line + ", " + Counted(lane.bits / width, "word", "words") + " of " +
           std::to_string(width) + " bits";
}

int ReportExtraction(const CommandLine& commandLine, const ExtractionOutcome& outcome,
                     std::FILE* out, std::FILE* err) {
    const std::string& file = commandLine.options.extractFile;
    if (!outcome.Succeeded()) {
        const bool output = outcome.failedStep == FailedStep::Output;
        Print(err, FileMessageLine(output ? kOutputLabel : kUcfReadLabel,
                                   output ? OutputName(file) : commandLine.request.ucfFile,
                                   ExtractionFailureText(outcome, commandLine.options)));
        return kExitRunFailed;
    }
    if (!commandLine.quiet && file != "-") {
        for (std::size_t i = 0; i < outcome.lanes.size() && i < outcome.components.size(); ++i)
            Print(out, ExtractionLine(outcome.components[i], outcome.lanes[i],
                                      commandLine.options.width));
    }
    for (const std::string& warning : outcome.warnings) Print(err, WarningLine(warning));
    return kExitConverted;
}

void ReportJournal(const ConversionRequest&, const ConversionOutcome& outcome, std::FILE* err) {
    const std::string& journal = outcome.journalPath;
    if (outcome.journalRecovered) {
        Print(err, MessageLine("a run that did not finish left " + journal +
                               "; the UCF's old text was put back from it first"));
    }
    if (outcome.journalKept) {
        Print(err, MessageLine("the UCF's old text is kept in " + journal +
                               "; run the conversion again to put it back"));
    }
    // A run that only read the UCF saw the text the journal will put back.
    if (outcome.journalPending) {
        Print(err, MessageLine("a run that did not finish left " + journal +
                               "; the next run puts the old text back first"));
    }
}

void ReportHeldInterrupt(RewriteEnd end) {
    switch (end) {
        case RewriteEnd::Completed:
            Print(stderr, MessageLine("interrupted; the conversion was completed first"));
            break;
        case RewriteEnd::Undone:
            Print(stderr, MessageLine("interrupted; the conversion was undone first"));
            break;
        case RewriteEnd::InJournal:
            Print(stderr, MessageLine("interrupted; the UCF's old text is kept in its journal"));
            break;
    }
}

int ReportOutcome(const CommandLine& commandLine, const ConversionOutcome& outcome, std::FILE* out,
                  std::FILE* err) {
    ReportJournal(commandLine.request, outcome, err);
    if (outcome.refusal == SourceRefusal::OneInstanceOnly) {
        // The data showed the command line wrong: a usage error, as one the parser finds.
        Print(err, MessageLine(RefusalText(outcome, commandLine.options)));
        std::fputs(commandLine.usage.c_str(), err);
        std::fflush(err);
        return kExitUsage;
    }
    if (!outcome.Succeeded()) {
        Print(err, FailureLine(commandLine, outcome));
        return kExitRunFailed;
    }
    const ConversionOptions& options = commandLine.options;
    if (!commandLine.quiet && options.output == UcfOutput::InPlace && outcome.unchanged) {
        Print(out, UnchangedLine(commandLine, outcome));
    } else if (!commandLine.quiet && options.output != UcfOutput::StandardOutput) {
        Print(out, SuccessLine(commandLine));
        for (const std::string& line : ReportLines(outcome, options.removal.keepPlacements))
            Print(out, line);
    }
    for (const ComponentOutcome& component : outcome.components)
        PrintWarnings(commandLine, component, err);
    for (const std::string& warning : OldLineWarnings(commandLine, outcome))
        Print(err, WarningLine(warning));
    if (options.output == UcfOutput::InPlace && outcome.ucfNames > 1) {
        Print(err,
              WarningLine(commandLine.request.ucfFile + " has " + std::to_string(outcome.ucfNames) +
                          " names (hard links); a run killed half-way is put right only "
                          "through the name it used"));
    }
    if (!outcome.problemAfterCommit.empty()) {
        const bool output = options.output == UcfOutput::File;
        Print(err, FileMessageLine(output ? kOutputLabel : FailureLabel(FailedStep::Ucf),
                                   output ? options.outputFile : commandLine.request.ucfFile,
                                   outcome.problemAfterCommit, true));
    }
    if (EdifNotRefreshed(commandLine, outcome)) {
        Print(err, FileMessageLine(kEdifLabel, commandLine.request.edifFile,
                                   EdifReason(commandLine, outcome), true));
        return kExitEdifNotRefreshed;
    }
    return kExitConverted;
}
