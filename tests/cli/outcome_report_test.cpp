// What quillon-convert prints for an outcome: the report line's wording, the lines it leaves
// out when quiet or when standard output carries the new text, the warnings and the failures
// of the new steps.
#include "cli/outcome_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_access.h"

namespace {

ConversionOutcome Wrote(std::uint64_t removed, std::uint64_t lines, std::uint64_t instances,
                        std::string first = "", std::string last = "") {
    ConversionOutcome outcome;
    outcome.linesRemoved = removed;
    outcome.linesWritten = lines;
    outcome.instancesWritten = instances;
    outcome.firstInstance = std::move(first);
    outcome.lastInstance = std::move(last);
    return outcome;
}

TEST(ReportLine, CountsInTheirSingularAndPlural) {
    EXPECT_EQ(ReportLine("ram", Wrote(16, 33, 3, "ram", "ram_2")),
              "ram: removed 16 lines, wrote 33 lines in 3 instances (ram .. ram_2)");
    EXPECT_EQ(ReportLine("ram", Wrote(1, 1, 1, "ram0", "ram0")),
              "ram: removed 1 line, wrote 1 line in 1 instance (ram0)");
    EXPECT_EQ(ReportLine("ram", Wrote(0, 16, 1, "ram", "ram")),
              "ram: removed 0 lines, wrote 16 lines in 1 instance (ram)");
    EXPECT_EQ(ReportLine("ram", Wrote(16, 0, 0)), "ram: removed 16 lines, wrote 0 lines");
    EXPECT_EQ(ReportLine("ram", Wrote(1, 0, 0)), "ram: removed 1 line, wrote 0 lines");
    EXPECT_EQ(ReportLine(" My Ram", Wrote(0, 17, 2, " My Ram", " My Ram_1")),
              " My Ram: removed 0 lines, wrote 17 lines in 2 instances ( My Ram ..  My Ram_1)");
    ConversionOutcome image = Wrote(64, 64, 1, "rom", "rom");
    image.sourceDescription = "Intel HEX, 2048 bytes at 0x0000..0x07FF";
    EXPECT_EQ(ReportLine("rom", image),
              "rom: removed 64 lines, wrote 64 lines in 1 instance (rom); Intel HEX, 2048 bytes at "
              "0x0000..0x07FF");

    ConversionOutcome kept = Wrote(16, 33, 3, "ram", "ram_2");
    EXPECT_EQ(ReportLine("ram", kept, true),
              "ram: removed 16 lines, kept 0 other lines, wrote 33 lines in 3 instances (ram .. "
              "ram_2)");
    kept.linesKept = 1;
    EXPECT_EQ(ReportLine("ram", kept, true),
              "ram: removed 16 lines, kept 1 other line, wrote 33 lines in 3 instances (ram .. "
              "ram_2)");
    EXPECT_EQ(ReportLine("ram", kept), ReportLine("ram", Wrote(16, 33, 3, "ram", "ram_2")));
}

// The two streams of one report, read back.
class Printed {
public:
    Printed() : out_(std::tmpfile()), err_(std::tmpfile()) {}
    ~Printed() {
        std::fclose(out_);
        std::fclose(err_);
    }
    int Report(const CommandLine& commandLine, const ConversionOutcome& outcome) {
        return ReportOutcome(commandLine, outcome, out_, err_);
    }
    std::string Out() { return Read(out_); }
    std::string Err() { return Read(err_); }

private:
    static std::string Read(std::FILE* stream) {
        std::rewind(stream);
        std::string text;
        char buffer[512];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, n);
        // Text streams on Windows widen line ends.
        std::string::size_type at = 0;
        while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
        return text;
    }
    std::FILE* out_;
    std::FILE* err_;
};

CommandLine Line(UcfOutput output = UcfOutput::InPlace, bool quiet = false) {
    CommandLine commandLine;
    commandLine.action = CommandLine::Action::Convert;
    commandLine.request = {"rom.bin", "top.ucf", "ram", "", 0};
    commandLine.options.output = output;
    commandLine.options.outputFile = "new.ucf";
    commandLine.quiet = quiet;
    return commandLine;
}

TEST(OutcomeReport, SuccessLineThenReportLine) {
    const ConversionOutcome outcome = Wrote(16, 33, 3, "ram", "ram_2");
    const std::string report =
        "ram: removed 16 lines, wrote 33 lines in 3 instances (ram .. ram_2)\n";
    {
        Printed printed;
        EXPECT_EQ(printed.Report(Line(), outcome), 0);
        EXPECT_EQ(printed.Out(), "UCF file updated!\n" + report);
        EXPECT_EQ(printed.Err(), "");
    }
    {
        Printed printed;
        EXPECT_EQ(printed.Report(Line(UcfOutput::File), outcome), 0);
        EXPECT_EQ(printed.Out(), "Wrote new.ucf (the UCF was only read).\n" + report);
    }
    {
        Printed printed;
        EXPECT_EQ(printed.Report(Line(UcfOutput::DryRun), outcome), 0);
        EXPECT_EQ(printed.Out(), "Dry run: no file changed.\n" + report);
    }
    for (const CommandLine& silent :
         {Line(UcfOutput::StandardOutput), Line(UcfOutput::InPlace, true),
          Line(UcfOutput::DryRun, true)}) {
        Printed printed;
        EXPECT_EQ(printed.Report(silent, outcome), 0);
        EXPECT_EQ(printed.Out(), "");
        EXPECT_EQ(printed.Err(), "");
    }
}

TEST(OutcomeReport, WarningsGoToStderrEvenWhenQuiet) {
    ConversionOutcome outcome = Wrote(3, 1, 1, "ram", "ram");
    outcome.otherLinesRemoved = 1;
    outcome.otherConventionLines = true;  // only told when nothing was removed
    Printed printed;
    EXPECT_EQ(printed.Report(Line(UcfOutput::InPlace, true), outcome), 0);
    EXPECT_EQ(printed.Out(), "");
    EXPECT_EQ(printed.Err(),
              "quillon-convert: warning: 1 removed line was not an INIT_xx constraint (every "
              "line of ram's instances goes, a placement such as LOC included; "
              "--keep-placements keeps them)\n");

    outcome.otherLinesRemoved = 2;
    Printed plural;
    plural.Report(Line(UcfOutput::StandardOutput), outcome);
    EXPECT_NE(plural.Err().find(": warning: 2 removed lines were not INIT_xx constraints ("),
              std::string::npos);

    ConversionOutcome none = Wrote(0, 1, 1, "ram", "ram");
    none.otherConventionLines = true;
    Printed synopsys;
    synopsys.Report(Line(), none);
    EXPECT_EQ(synopsys.Err(),
              "quillon-convert: warning: the UCF holds lines for ram under the xst naming (ram0, "
              "ram1, ...); they stay beside the new ones\n");
    CommandLine xst = Line();
    xst.request.synthesizer = 1;
    Printed underXst;
    underXst.Report(xst, none);
    EXPECT_EQ(underXst.Err(),
              "quillon-convert: warning: the UCF holds lines for ram under the synopsys naming "
              "(ram, ram_1, ...); they stay beside the new ones\n");
}

TEST(OutcomeReport, FailuresOfTheNewStepsNameTheirFile) {
    ConversionOutcome tooMany;
    tooMany.failedStep = FailedStep::TooManyInstances;
    tooMany.instancesNeeded = 5;
    CommandLine fit = Line();
    fit.options.maxInstances = 4;
    fit.options.linesPerInstance = kLinesPerInstance32k;
    {
        Printed printed;
        EXPECT_EQ(printed.Report(fit, tooMany), 1);
        EXPECT_EQ(printed.Out(), "");
        EXPECT_EQ(printed.Err(),
                  "quillon-convert: Source binary file: rom.bin: the data needs 5 block RAM "
                  "instances of 4096 bytes, more than --max-instances 4 allows\n");
    }
    ConversionOutcome output;
    output.failedStep = FailedStep::Output;
    output.error = SystemErrorFor(FileProblem::DiskFull);
    std::string reason = SystemErrorText(output.error);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    {
        Printed printed;
        EXPECT_EQ(printed.Report(Line(UcfOutput::File), output), 1);
        EXPECT_EQ(printed.Err(), "quillon-convert: Output file: new.ucf: " + reason + "\n");
    }
    {
        Printed printed;
        EXPECT_EQ(printed.Report(Line(UcfOutput::StandardOutput), output), 1);
        EXPECT_EQ(printed.Err(), "quillon-convert: Output file: standard output: " + reason + "\n");
    }
    ConversionOutcome ucf;
    ucf.failedStep = FailedStep::Ucf;
    ucf.error = SystemErrorFor(FileProblem::ReadFault);
    Printed printed;
    EXPECT_EQ(printed.Report(Line(UcfOutput::DryRun), ucf), 1);
    EXPECT_EQ(printed.Out(), "");
    EXPECT_EQ(printed.Err().rfind("quillon-convert: Destination UCF file: top.ucf: ", 0), 0u);
}

// Every failure in one line: the box's label without its line break, the path, the reason (the
// run's own before the system's).
TEST(OutcomeReport, FailuresAreOneLineWithTheFilesLabelAndPath) {
    std::string reason = SystemErrorText(SystemErrorFor(FileProblem::ReadFault));
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    struct Case {
        FailedStep step;
        const char* ownReason;
        SystemErrorCode error;
        bool fromStandardInput;
        std::string err;
    };
    const SystemErrorCode fault = SystemErrorFor(FileProblem::ReadFault);
    for (const Case& c : std::vector<Case>{
             {FailedStep::Source, "", fault, false,
              "quillon-convert: Source binary file: rom.bin: " + reason + "\n"},
             {FailedStep::Source, "the source is empty", 0, true,
              "quillon-convert: Source binary file: standard input: the source is empty\n"},
             {FailedStep::Ucf, "", fault, false,
              "quillon-convert: Destination UCF file: top.ucf: " + reason + "\n"},
             {FailedStep::Ucf, "cannot create its rollback journal top.ucf-journal", fault, false,
              "quillon-convert: Destination UCF file: top.ucf: cannot create its rollback journal "
              "top.ucf-journal: " +
                  reason + "\n"},
         }) {
        ConversionOutcome outcome;
        outcome.failedStep = c.step;
        outcome.reason = c.ownReason;
        outcome.error = c.error;
        CommandLine commandLine = Line();
        commandLine.options.sourceFromStandardInput = c.fromStandardInput;
        Printed printed;
        EXPECT_EQ(printed.Report(commandLine, outcome), 1);
        EXPECT_EQ(printed.Out(), "");
        EXPECT_EQ(printed.Err(), c.err);
    }
}

// A named EDIF file whose time could not be renewed: the UCF was updated all the same, and the
// exit status says that the netlist was not.
TEST(OutcomeReport, EdifThatWasNotRefreshedIsAWarningAndExitStatus3) {
    ConversionOutcome outcome = Wrote(0, 1, 1, "ram", "ram");
    outcome.edifError = SystemErrorFor(FileProblem::ReadFault);
    std::string reason = SystemErrorText(outcome.edifError);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    CommandLine named = Line();
    named.request.edifFile = "top.edf";
    {
        Printed printed;
        EXPECT_EQ(printed.Report(named, outcome), kExitEdifNotRefreshed);
        EXPECT_EQ(printed.Out(),
                  "UCF file updated!\nram: removed 0 lines, wrote 1 line in 1 "
                  "instance (ram)\n");
        EXPECT_EQ(printed.Err(), "quillon-convert: warning: EDIF file: top.edf: " + reason +
                                     " (the UCF was updated, the netlist was not)\n");
    }
    // No EDIF file named, or none to refresh: no warning.
    for (const CommandLine& quietAboutIt : {Line(), [&] {
                                                CommandLine dry = named;
                                                dry.options.output = UcfOutput::DryRun;
                                                return dry;
                                            }()}) {
        Printed printed;
        EXPECT_EQ(printed.Report(quietAboutIt, outcome), 0);
        EXPECT_EQ(printed.Err(), "");
    }
}

}  // namespace
