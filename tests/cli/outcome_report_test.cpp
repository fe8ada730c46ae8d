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

// An outcome of one component, or of more with `more` (whose counts are the first one's).
ConversionOutcome Wrote(std::uint64_t removed, std::uint64_t lines, std::uint64_t instances,
                        std::string first = "", std::string last = "", std::string name = "ram",
                        const std::vector<std::string>& more = {}) {
    ConversionOutcome outcome;
    outcome.linesRemoved = removed;
    outcome.linesWritten = lines;
    outcome.instancesWritten = instances;
    outcome.firstInstance = first;
    outcome.lastInstance = last;
    outcome.components.push_back({name, removed, 0, false, lines, instances, first, last});
    for (const std::string& other : more)
        outcome.components.push_back({other, removed, 0, false, lines, instances, other, other});
    return outcome;
}

std::string Report(const ConversionOutcome& outcome) {
    std::string text;
    for (const std::string& line : ReportLines(outcome)) text += line + "\n";
    return text;
}

TEST(ReportLines, CountsInTheirSingularAndPlural) {
    EXPECT_EQ(Report(Wrote(16, 33, 3, "ram", "ram_2")),
              "ram: removed 16 lines, wrote 33 lines in 3 instances (ram .. ram_2)\n");
    EXPECT_EQ(Report(Wrote(1, 1, 1, "ram0", "ram0")),
              "ram: removed 1 line, wrote 1 line in 1 instance (ram0)\n");
    EXPECT_EQ(Report(Wrote(0, 16, 1, "ram", "ram")),
              "ram: removed 0 lines, wrote 16 lines in 1 instance (ram)\n");
    EXPECT_EQ(Report(Wrote(16, 0, 0)), "ram: removed 16 lines, wrote 0 lines\n");
    EXPECT_EQ(Report(Wrote(1, 0, 0)), "ram: removed 1 line, wrote 0 lines\n");
    EXPECT_EQ(Report(Wrote(0, 17, 2, " My Ram", " My Ram_1", " My Ram")),
              " My Ram: removed 0 lines, wrote 17 lines in 2 instances ( My Ram ..  My Ram_1)\n");
    ConversionOutcome image = Wrote(64, 64, 1, "rom", "rom", "rom");
    image.sourceDescription = "Intel HEX, 2048 bytes at 0x0000..0x07FF";
    EXPECT_EQ(Report(image),
              "rom: removed 64 lines, wrote 64 lines in 1 instance (rom); Intel HEX, 2048 bytes at "
              "0x0000..0x07FF\n");

    ConversionOutcome kept = Wrote(16, 33, 3, "ram", "ram_2");
    EXPECT_EQ(ReportLines(kept, true).front(),
              "ram: removed 16 lines, kept 0 other lines, wrote 33 lines in 3 instances (ram .. "
              "ram_2)");
    kept.components.front().linesKept = 1;
    EXPECT_EQ(ReportLines(kept, true).front(),
              "ram: removed 16 lines, kept 1 other line, wrote 33 lines in 3 instances (ram .. "
              "ram_2)");
    EXPECT_EQ(ReportLines(kept), ReportLines(Wrote(16, 33, 3, "ram", "ram_2")));
}

TEST(ReportLines, OneLinePerComponentTheSourceOnTheFirstUnchangedOnEach) {
    ConversionOutcome lanes = Wrote(2, 72, 1, "lo", "lo", "lo", {"hi"});
    lanes.sourceDescription = "hex words, 1024 words of 36 bits at 0x0000..0x03FF";
    EXPECT_EQ(Report(lanes),
              "lo: removed 2 lines, wrote 72 lines in 1 instance (lo); hex words, 1024 words of 36 "
              "bits at 0x0000..0x03FF\n"
              "hi: removed 2 lines, wrote 72 lines in 1 instance (hi)\n");
    lanes.unchanged = true;
    EXPECT_EQ(Report(lanes),
              "lo: removed 2 lines, wrote 72 lines in 1 instance (lo); hex words, 1024 words of 36 "
              "bits at 0x0000..0x03FF; unchanged\n"
              "hi: removed 2 lines, wrote 72 lines in 1 instance (hi); unchanged\n");
    ConversionOutcome empty = Wrote(0, 0, 0);
    empty.unchanged = true;
    EXPECT_EQ(Report(empty), "ram: removed 0 lines, wrote 0 lines; unchanged\n");
}

TEST(ExtractionLine, ReadLinesInstancesAndTheComponentsShare) {
    const LaneReading three{33, 3, "ram", "ram_2", 1056 * 8};
    EXPECT_EQ(ExtractionLine("ram", three, 8),
              "ram: read 33 lines of 3 instances (ram .. ram_2), 1056 bytes");
    const LaneReading one{1, 1, "ram0", "ram0", 32 * 8};
    EXPECT_EQ(ExtractionLine("ram", one, 16), "ram: read 1 line of 1 instance (ram0), 32 bytes");
    const LaneReading none{0, 0, "", "", 64 * 8};  // the other lanes' lines make its share
    EXPECT_EQ(ExtractionLine("hi", none, 8), "hi: read 0 lines, 64 bytes");
    const LaneReading parity{72, 1, "prog", "prog", 1024 * 18};
    EXPECT_EQ(ExtractionLine("prog", parity, 18),
              "prog: read 72 lines of 1 instance (prog), 1024 words of 18 bits");
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
    int Extraction(const CommandLine& commandLine, const ExtractionOutcome& outcome) {
        return ReportExtraction(commandLine, outcome, out_, err_);
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
    outcome.components[0].otherLinesRemoved = 1;
    outcome.components[0].otherConventionLines = true;  // only told when nothing was removed
    Printed printed;
    EXPECT_EQ(printed.Report(Line(UcfOutput::InPlace, true), outcome), 0);
    EXPECT_EQ(printed.Out(), "");
    EXPECT_EQ(printed.Err(),
              "quillon-convert: warning: 1 removed line was not an INIT_xx constraint (every "
              "line of ram's instances goes, a placement such as LOC included; "
              "--keep-placements keeps them)\n");

    outcome.components[0].otherLinesRemoved = 2;
    Printed plural;
    plural.Report(Line(UcfOutput::StandardOutput), outcome);
    EXPECT_NE(plural.Err().find(": warning: 2 removed lines were not INIT_xx constraints ("),
              std::string::npos);

    ConversionOutcome none = Wrote(0, 1, 1, "ram", "ram");
    none.components[0].otherConventionLines = true;
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

TEST(OutcomeReport, WarningsNameTheirComponentAndPerComponentFitIsSaid) {
    ConversionOutcome lanes = Wrote(1, 1, 1, "lo", "lo", "lo", {"hi"});
    lanes.components[1].otherLinesRemoved = 1;
    Printed printed;
    printed.Report(Line(), lanes);
    EXPECT_EQ(printed.Err(),
              "quillon-convert: warning: 1 removed line was not an INIT_xx constraint (every "
              "line of hi's instances goes, a placement such as LOC included; "
              "--keep-placements keeps them)\n");

    ConversionOutcome tooMany;
    tooMany.failedStep = FailedStep::TooManyInstances;
    tooMany.instancesNeeded = 2;
    CommandLine fit = Line();
    fit.options.maxInstances = 1;
    fit.options.moreComponents = {"hi"};
    Printed failed;
    EXPECT_EQ(failed.Report(fit, tooMany), 1);
    EXPECT_NE(failed.Err().find("2 block RAM instances of 512 bytes per component, more than "
                                "--max-instances 1"),
              std::string::npos)
        << failed.Err();
}

TEST(ExtractionReport, ALinePerComponentUnlessQuietOrOnStandardOutput) {
    CommandLine extract = Line();
    extract.action = CommandLine::Action::Extract;
    extract.options.extractFile = "rom.bin";
    extract.options.moreComponents = {"hi"};
    ExtractionOutcome outcome;
    outcome.components = {"ram", "hi"};
    outcome.lanes = {{33, 3, "ram", "ram_2", 1056 * 8}, {0, 0, "", "", 1056 * 8}};
    outcome.warnings = {
        "1 line before the image's end is missing from the UCF, the first hi "
        "INIT_00; it reads as zeros"};
    const std::string warning =
        "quillon-convert: warning: 1 line before the image's end is missing from the UCF, the "
        "first hi INIT_00; it reads as zeros\n";
    {
        Printed printed;
        EXPECT_EQ(printed.Extraction(extract, outcome), 0);
        EXPECT_EQ(printed.Out(),
                  "ram: read 33 lines of 3 instances (ram .. ram_2), 1056 bytes\n"
                  "hi: read 0 lines, 1056 bytes\n");
        EXPECT_EQ(printed.Err(), warning);
    }
    CommandLine quiet = extract;
    quiet.quiet = true;
    CommandLine piped = extract;
    piped.options.extractFile = "-";
    for (const CommandLine& silent : {quiet, piped}) {
        Printed printed;
        EXPECT_EQ(printed.Extraction(silent, outcome), 0);
        EXPECT_EQ(printed.Out(), "");
        EXPECT_EQ(printed.Err(), warning);
    }

    ExtractionOutcome noLines;
    noLines.failedStep = FailedStep::Ucf;
    noLines.failure = RunFailure("no line of ram's instances holds INIT_xx or INITP_xx");
    Printed printed;
    EXPECT_EQ(printed.Extraction(extract, noLines), 1);
    EXPECT_EQ(printed.Out(), "");
    EXPECT_EQ(printed.Err(),
              "quillon-convert: UCF file: top.ucf: no line of ram's instances holds INIT_xx or "
              "INITP_xx\n");
    ExtractionOutcome unwritable;
    unwritable.failedStep = FailedStep::Output;
    unwritable.failure = RunFailure("cannot create a temporary file beside it",
                                    SystemErrorFor(FileProblem::DiskFull));
    Printed output;
    EXPECT_EQ(output.Extraction(piped, unwritable), 1);
    EXPECT_EQ(output.Err().rfind("quillon-convert: Output file: standard output: cannot create a "
                                 "temporary file beside it: ",
                                 0),
              0u)
        << output.Err();
}

}  // namespace
