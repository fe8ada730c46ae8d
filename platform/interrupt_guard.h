// Holding interrupts while a file is being rewritten, so that Ctrl+C, a build tool stopping
// the program or a closed console never leaves a file half-written.
#pragma once

// How a rewrite that held an interrupt ended, for the one line the program says about it.
enum class RewriteEnd {
    Completed,  // the new text is in place
    Undone,     // the old text is back (or nothing was changed)
    InJournal,  // putting the old text back failed: the rollback journal holds it
};

using HeldInterruptReport = void (*)(RewriteEnd end);

// From now on, SIGINT, SIGTERM and SIGHUP on POSIX (those not ignored or blocked already), and
// Ctrl+C, Ctrl+Break and the console's closing on Windows, that arrive during an InterruptHold
// wait until it ends, and then until the program calls EndIfInterrupted: so that it can say
// what it did first. Outside a hold they act as before. A program that never calls this (the
// dialog) holds nothing.
void HoldInterruptsDuringRewrites(HeldInterruptReport report);

// Whether an interrupt arrived during a hold and waits: the run does nothing more.
bool InterruptHeld();

// When an interrupt waits: tells the report how the rewrite it waited for ended, and ends the
// program as the interrupt asks. Returns otherwise.
void EndIfInterrupted();

// The stretch of one rewrite, on the thread that does it.
class InterruptHold {
public:
    InterruptHold();
    ~InterruptHold();
    InterruptHold(const InterruptHold&) = delete;
    InterruptHold& operator=(const InterruptHold&) = delete;

    // Ends the hold; an interrupt that arrived meanwhile goes on waiting, with `end` kept for
    // the report.
    void Release(RewriteEnd end);

private:
    bool holding_ = false;
};
