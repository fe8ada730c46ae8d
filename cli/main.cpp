// quillon-convert: one conversion run from the command line.
#include <chrono>
#include <csignal>
#include <cstdio>

#include "cli/command_line.h"
#include "cli/outcome_report.h"
#include "cli/ucf_listing.h"
#include "conversion/run/conversion_run.h"
#include "conversion/run/ucf_extract_run.h"
#include "platform/interrupt_guard.h"
#include "platform/standard_streams.h"

int main(int argc, char** argv) {
    // Before any file is opened: a closed standard error would otherwise be the UCF's
    // descriptor, and a message meant for the user would land in the file.
    OpenMissingStandardDescriptors();
#ifdef SIGXFSZ
    // Past a file size limit a write should fail and the UCF be put back, not the process die
    // half-way through writing it.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef SIGPIPE
    // A reader that closes standard output early must not cut a conversion short: the write
    // fails instead, and the exit status still says what happened to the files.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    const CommandLine commandLine = ParseCommandLine(argc, argv);
    switch (commandLine.action) {
        case CommandLine::Action::ShowHelp:
        case CommandLine::Action::ShowVersion:
            std::fputs(commandLine.text.c_str(), stdout);
            return kExitConverted;
        case CommandLine::Action::UsageError:
            std::fputs(commandLine.text.c_str(), stderr);
            return kExitUsage;
        case CommandLine::Action::Convert:
        case CommandLine::Action::Extract:
        case CommandLine::Action::List:
            break;
    }
    // Ctrl+C or a build tool stopping the program waits while the UCF (or an output file) is
    // being written.
    HoldInterruptsDuringRewrites(ReportHeldInterrupt);
    ConversionOptions options = commandLine.options;
    // A build waits for the other runs on its UCF as long as they take, and says so once.
    options.lockWait.limit = std::chrono::milliseconds(0);
    const std::string& ucf = commandLine.request.ucfFile;
    options.lockWait.onLongWait = [&ucf] {
        std::fprintf(stderr, "quillon-convert: waiting for another run on %s to finish\n",
                     ucf.c_str());
        std::fflush(stderr);
    };
    if (commandLine.action == CommandLine::Action::List)
        return ListUcf(commandLine, stdout, stderr);
    if (commandLine.action == CommandLine::Action::Extract) {
        const ExtractionOutcome outcome = ExtractUcfImage(commandLine.request, options);
        const int status = ReportExtraction(commandLine, outcome, stdout, stderr);
        EndIfInterrupted();
        return status;
    }
    const ConversionOutcome outcome = ConvertFiles(commandLine.request, options);
    const int status = ReportOutcome(commandLine, outcome, stdout, stderr);
    // An interrupt that waited for a rewrite ends the program once its report is out.
    EndIfInterrupted();
    return status;
}
