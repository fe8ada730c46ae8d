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

// An outcome of one component, or of more with `more` (whose counts are the first one's), from
// a raw binary of as many bytes as the lines hold.
ConversionOutcome Wrote(std::uint64_t removed, std::uint64_t lines, std::uint64_t instances,
                        std::string first = "", std::string last = "", std::string name = "ram",
                        const std::vector<std::string>& more = {}) {
    ConversionOutcome outcome;
    outcome.source.imageBytes = 32 * lines;
    outcome.components.push_back({name, removed, 0, false, lines, instances, first, last, 0, {}});
    for (const std::string& other : more)
        outcome.components.push_back(
            {other, removed, 0, false, lines, instances, other, other, 0, {}});
    return outcome;
}

std::string Report(const ConversionOutcome& outcome) {
    std::string text;
    for (const std::string& line : ReportLines(outcome)) text += line + "\n";
    return text;
}

// The format is always named, a raw binary's too.
TEST(ReportLines, CountsInTheirSingularAndPlural) {
    EXPECT_EQ(Report(Wrote(16, 33, 3, "ram", "ram_2")),
              "ram: removed 16 lines, wrote 33 lines in 3 instances (ram .. ram_2); raw binary, "
              "1056 bytes at 0x0000..0x041F\n");
    EXPECT_EQ(Report(Wrote(1, 1, 1, "ram0", "ram0")),
              "ram: removed 1 line, wrote 1 line in 1 instance (ram0); raw binary, 32 bytes at "
              "0x0000..0x001F\n");
    EXPECT_EQ(Report(Wrote(16, 0, 0)),
              "ram: removed 16 lines, wrote 0 lines; raw binary, 0 bytes\n");
    EXPECT_EQ(Report(Wrote(1, 0, 0)), "ram: removed 1 line, wrote 0 lines; raw binary, 0 bytes\n");
    EXPECT_EQ(Report(Wrote(0, 17, 2, " My Ram", " My Ram_1", " My Ram")).substr(0, 80),
              " My Ram: removed 0 lines, wrote 17 lines in 2 instances ( My Ram ..  My Ram_1); ");
    ConversionOutcome image = Wrote(64, 64, 1, "rom", "rom", "rom");
    image.sourceDescription = "Intel HEX, 2048 bytes at 0x0000..0x07FF";
    EXPECT_EQ(Report(image),
              "rom: removed 64 lines, wrote 64 lines in 1 instance (rom); Intel HEX, 2048 bytes at "
              "0x0000..0x07FF\n");

    // Kept placements are counted where there are some.
    ConversionOutcome kept = Wrote(16, 33, 3, "ram", "ram_2");
    kept.sourceDescription = "S-records, 4 bytes";
    EXPECT_EQ(ReportLines(kept, true).front(),
              "ram: removed 16 lines, wrote 33 lines in 3 instances (ram .. ram_2); S-records, 4 "
              "bytes");
    kept.components.front().linesKept = 1;
    EXPECT_EQ(ReportLines(kept, true).front(),
              "ram: removed 16 lines, kept 1 other line, wrote 33 lines in 3 instances (ram .. "
              "ram_2); S-records, 4 bytes");
    kept.components.front().linesKept = 2;
    EXPECT_EQ(ReportLines(kept, true).front().substr(0, 40),
              "ram: removed 16 lines, kept 2 other line");
    EXPECT_EQ(ReportLines(kept).front().substr(0, 40), "ram: removed 16 lines, wrote 33 lines in");
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
    EXPECT_EQ(Report(empty),
              "ram: removed 0 lines, wrote 0 lines; raw binary, 0 bytes; unchanged\n");
}

TEST(ExtractionLine, ReadLinesInstancesAndTheComponentsShare) {
    EXPECT_EQ(ExtractionLine("ram", {33, 3, "ram", "ram_2", 1056 * 8}, 8),
              "ram: read 33 lines of 3 instances (ram .. ram_2), 1056 bytes");
    EXPECT_EQ(ExtractionLine("ram", {1, 1, "ram0", "ram0", 32 * 8}, 16),
              "ram: read 1 line of 1 instance (ram0), 32 bytes");
    // The other lanes' lines make its share.
    EXPECT_EQ(ExtractionLine("hi", {0, 0, "", "", 64 * 8}, 8), "hi: read 0 lines, 64 bytes");
    EXPECT_EQ(ExtractionLine("prog", {72, 1, "prog", "prog", 1024 * 18}, 18),
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
    int Print(const CommandLine& commandLine, const ConversionOutcome& outcome) {
        return ReportOutcome(commandLine, outcome, out_, err_);
    }
    int Print(const CommandLine& commandLine, const ExtractionOutcome& outcome) {
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

// What one report prints: the exit status, standard output, and standard error exactly or,
// with `errStart`, its beginning.
template <class Outcome>
void ExpectPrinted(const CommandLine& commandLine, const Outcome& outcome, int status,
                   const std::string& out, const std::string& err, bool errStart = false) {
    Printed printed;
    EXPECT_EQ(printed.Print(commandLine, outcome), status);
    EXPECT_EQ(printed.Out(), out);
    if (errStart)
        EXPECT_EQ(printed.Err().rfind(err, 0), 0u) << printed.Err();
    else
        EXPECT_EQ(printed.Err(), err);
}

CommandLine Line(UcfOutput output = UcfOutput::InPlace, bool quiet = false) {
    CommandLine commandLine;
    commandLine.action = CommandLine::Action::Convert;
    commandLine.request = {"rom.bin", "top.ucf", "ram", "", 0};
    commandLine.options.output = output;
    commandLine.options.outputFile = "new.ucf";
    commandLine.quiet = quiet;
    commandLine.usage = "Try 'quillon-convert --help' for more information.\n";
    return commandLine;
}

// The system's text for a problem, without the line break it may end in.
std::string Reason(SystemErrorCode error) {
    std::string reason = SystemErrorText(error);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    return reason;
}

ConversionOutcome Failed(FailedStep step, SystemErrorCode error, const char* reason = "",
                         std::uint64_t instancesNeeded = 0,
                         SourceRefusal refusal = SourceRefusal::None) {
    ConversionOutcome outcome;
    outcome.failedStep = step;
    outcome.error = error;
    outcome.reason = reason;
    outcome.source.instances = instancesNeeded;
    outcome.refusal = refusal;
    return outcome;
}

TEST(OutcomeReport, SuccessLinesWarningsAndFailuresOnTheirStreams) {
    const ConversionOutcome wrote = Wrote(16, 33, 3, "ram", "ram_2");
    const std::string report =
        "ram: removed 16 lines, wrote 33 lines in 3 instances (ram .. ram_2); raw binary, 1056 "
        "bytes at 0x0000..0x041F\n";
    const std::string updated = "UCF file updated!\n";
    // Removed placements are what --drop-placements asked for: nothing to warn of. Other
    // naming's lines are told only when nothing went.
    ConversionOutcome placement = Wrote(3, 1, 1, "ram", "ram");
    placement.components[0].otherLinesRemoved = 1;
    placement.components[0].otherConventionLines = true;
    ConversionOutcome placements = placement;
    placements.components[0].otherLinesRemoved = 2;
    ConversionOutcome otherNaming = Wrote(0, 1, 1, "ram", "ram");
    otherNaming.components[0].otherConventionLines = true;
    const std::string oneLine =
        "ram: removed 0 lines, wrote 1 line in 1 instance (ram); raw binary, 32 bytes at "
        "0x0000..0x001F\n";
    CommandLine xst = Line();
    xst.request.synthesizer = 1;
    // A memory of lanes: the fit is per component.
    ConversionOutcome lanes = Wrote(1, 1, 1, "lo", "lo", "lo", {"hi"});
    lanes.components[1].otherLinesRemoved = 1;
    CommandLine fit = Line();
    fit.options.maxInstances = 4;
    fit.options.linesPerInstance = kLinesPerInstance32k;
    CommandLine fitLanes = Line();
    fitLanes.options.maxInstances = 1;
    fitLanes.options.moreComponents = {"hi"};
    const SourceRefusal tooMany = SourceRefusal::TooManyInstances;
    const SourceRefusal oneName = SourceRefusal::OneInstanceOnly;
    // An image far above its base: the message names its extent, and what would let it fit.
    CommandLine farImage = Line();
    farImage.options.maxInstances = 1;
    ConversionOutcome farOutcome = Failed(FailedStep::TooManyInstances, 0, "", 8388608, tooMany);
    farOutcome.sourceFormat = ImageFormat::IntelHex;
    farOutcome.sourceDescription = "Intel HEX, 42 bytes at 0xFFFFFF00..0xFFFFFF29";
    farOutcome.source.firstData = 0xFFFFFF00;
    CommandLine fromStandardInput = Line();
    fromStandardInput.options.sourceFromStandardInput = true;
    // A named EDIF file whose time could not be renewed: the UCF was updated all the same, and
    // the exit status says that the netlist was not. Unnamed, or none to refresh: no warning.
    ConversionOutcome edifFault = otherNaming;
    edifFault.components[0].otherConventionLines = false;
    edifFault.edifError = SystemErrorFor(FileProblem::ReadFault);
    CommandLine named = Line();
    named.request.edifFile = "top.edf";
    CommandLine namedDry = named;
    namedDry.options.output = UcfOutput::DryRun;

    const SystemErrorCode fault = SystemErrorFor(FileProblem::ReadFault);
    const SystemErrorCode full = SystemErrorFor(FileProblem::DiskFull);
    struct Case {
        CommandLine commandLine;
        ConversionOutcome outcome;
        int status;
        std::string out;
        std::string err;
        bool errStart = false;
    };
    for (const Case& c : std::vector<Case>{
             {Line(), wrote, 0, updated + report, ""},
             {Line(UcfOutput::File), wrote, 0, "Wrote new.ucf (the UCF was only read).\n" + report,
              ""},
             {Line(UcfOutput::DryRun), wrote, 0, "Dry run: no file changed.\n" + report, ""},
             {Line(UcfOutput::StandardOutput), wrote, 0, "", ""},
             {Line(UcfOutput::InPlace, true), wrote, 0, "", ""},
             {Line(UcfOutput::DryRun, true), wrote, 0, "", ""},
             {Line(UcfOutput::InPlace, true), placement, 0, "", ""},
             {Line(UcfOutput::StandardOutput), placements, 0, "", ""},
             {Line(), otherNaming, 0, updated + oneLine,
              "quillon-convert: warning: the UCF holds lines for ram under the xst naming (ram0, "
              "ram1, ...); they stay beside the new ones\n"},
             {xst, otherNaming, 0, updated + oneLine,
              "quillon-convert: warning: the UCF holds lines for ram under the synopsys naming "
              "(ram, ram_1, ...); they stay beside the new ones\n"},
             {Line(), lanes, 0,
              updated +
                  "lo: removed 1 line, wrote 1 line in 1 instance (lo); raw binary, 32 bytes at "
                  "0x0000..0x001F\n" +
                  "hi: removed 1 line, wrote 1 line in 1 instance (hi)\n",
              ""},
             {named, edifFault, kExitEdifNotRefreshed, updated + oneLine,
              "quillon-convert: warning: EDIF file: top.edf: " + Reason(fault) +
                  " (the UCF was updated, the netlist was not)\n"},
             {Line(), edifFault, 0, updated + oneLine, ""},
             {namedDry, edifFault, 0, "Dry run: no file changed.\n" + oneLine, ""},
             // Every failure in one line: the box's label without its line break, the path, the
             // reason (the run's own before the system's).
             {fit, Failed(FailedStep::TooManyInstances, 0, "", 5, tooMany), 1, "",
              "quillon-convert: Source binary file: rom.bin: the data needs 5 block RAM "
              "instances of 4096 bytes, more than --max-instances 4 allows\n"},
             {fitLanes, Failed(FailedStep::TooManyInstances, 0, "", 2, tooMany), 1, "",
              "quillon-convert: Source binary file: rom.bin: the data needs 2 block RAM "
              "instances of 512 bytes per component, more than --max-instances 1",
              true},
             {farImage, farOutcome, 1, "",
              "quillon-convert: Source binary file: rom.bin: the data needs 8388608 block RAM "
              "instances of 512 bytes, more than --max-instances 1 allows: Intel HEX, 42 bytes at "
              "0xFFFFFF00..0xFFFFFF29; --base 0xFFFFFF00 starts the image at its first data\n"},
             {Line(), Failed(FailedStep::TooManyInstances, 0, "", 3, oneName), kExitUsage, "",
              "quillon-convert: --synthesizer none names one instance, and the data needs 3 "
              "block RAM instances of 512 bytes\nTry 'quillon-convert --help' for more "
              "information.\n"},
             {Line(UcfOutput::File), Failed(FailedStep::Output, full), 1, "",
              "quillon-convert: Output file: new.ucf: " + Reason(full) + "\n"},
             {Line(UcfOutput::StandardOutput), Failed(FailedStep::Output, full), 1, "",
              "quillon-convert: Output file: standard output: " + Reason(full) + "\n"},
             {Line(), Failed(FailedStep::Source, fault), 1, "",
              "quillon-convert: Source binary file: rom.bin: " + Reason(fault) + "\n"},
             {fromStandardInput, Failed(FailedStep::Source, 0, "the source is empty"), 1, "",
              "quillon-convert: Source binary file: standard input: the source is empty\n"},
             {Line(UcfOutput::DryRun), Failed(FailedStep::Ucf, fault), 1, "",
              "quillon-convert: Destination UCF file: top.ucf: " + Reason(fault) + "\n"},
             {Line(),
              Failed(FailedStep::Ucf, fault, "cannot create its rollback journal top.ucf-journal"),
              1, "",
              "quillon-convert: Destination UCF file: top.ucf: cannot create its rollback journal "
              "top.ucf-journal: " +
                  Reason(fault) + "\n"},
         }) {
        SCOPED_TRACE(c.err.empty() ? c.out : c.err);
        ExpectPrinted(c.commandLine, c.outcome, c.status, c.out, c.err, c.errStart);
    }
}

TEST(ExtractionReport, ALinePerComponentUnlessQuietOrOnStandardOutput) {
    CommandLine extract = Line();
    extract.action = CommandLine::Action::Extract;
    extract.options.extractFile = "rom.bin";
    extract.options.moreComponents = {"hi"};
    CommandLine quiet = extract;
    quiet.quiet = true;
    CommandLine piped = extract;
    piped.options.extractFile = "-";
    ExtractionOutcome outcome;
    outcome.components = {"ram", "hi"};
    outcome.lanes = {{33, 3, "ram", "ram_2", 1056 * 8}, {0, 0, "", "", 1056 * 8}};
    outcome.warnings = {
        "1 line before the image's end is missing from the UCF, the first hi "
        "INIT_00; it reads as zeros"};
    const std::string warning =
        "quillon-convert: warning: 1 line before the image's end is missing from the UCF, the "
        "first hi INIT_00; it reads as zeros\n";
    ExpectPrinted(extract, outcome, 0,
                  "ram: read 33 lines of 3 instances (ram .. ram_2), 1056 bytes\n"
                  "hi: read 0 lines, 1056 bytes\n",
                  warning);
    ExpectPrinted(quiet, outcome, 0, "", warning);
    ExpectPrinted(piped, outcome, 0, "", warning);

    ExtractionOutcome noLines;
    noLines.FailAt(FailedStep::Ucf,
                   RunFailure("no line of ram's instances holds INIT_xx or INITP_xx"));
    ExpectPrinted(extract, noLines, 1, "",
                  "quillon-convert: UCF file: top.ucf: no line of ram's instances holds INIT_xx or "
                  "INITP_xx\n");
    ExtractionOutcome unwritable;
    unwritable.FailAt(FailedStep::Output, RunFailure("cannot create a temporary file beside it",
                                                     SystemErrorFor(FileProblem::DiskFull)));
    ExpectPrinted(piped, unwritable, 1, "",
                  "quillon-convert: Output file: standard output: cannot create a temporary file "
                  "beside it: ",
                  true);
}

}  // namespace
