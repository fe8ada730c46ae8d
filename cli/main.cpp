// quillon-convert: one conversion run from the command line.
#include <csignal>
#include <cstdio>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "cli/command_line.h"
#include "cli/outcome_report.h"
#include "conversion/conversion_run.h"
#include "platform/interrupt_guard.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // Past a file size limit a write should fail and the UCF be put back, not the process die
    // half-way through writing it.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#if defined(__GLIBC__)
    // The run's helper threads allocate next to nothing. Sharing one malloc arena spares each
    // of them mapping its own, which waits on the other thread's page faults.
    mallopt(M_ARENA_MAX, 1);
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
            break;
    }
    // Ctrl+C or a build tool stopping the program waits while the UCF is being rewritten.
    HoldInterruptsDuringRewrites(ReportHeldInterrupt);
    const ConversionOutcome outcome = ConvertFiles(commandLine.request);
    return ReportOutcome(commandLine.request, outcome, stdout, stderr);
}
