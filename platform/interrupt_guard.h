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

// From now on, SIGINT, SIGTERM and SIGHUP on POSIX (those not ignored), and Ctrl+C, Ctrl+Break and
// the console's closing on Windows, that arrive during an InterruptHold wait until it ends;
// `report` is then told how the rewrite ended, and the program ends as the interrupt asks. Outside
// a hold they act as before. A program that never calls this (the dialog) holds nothing.
void HoldInterruptsDuringRewrites(HeldInterruptReport report);

// The stretch of one rewrite, on the thread that does it.
class InterruptHold {
public:
    InterruptHold();
    ~InterruptHold();
    InterruptHold(const InterruptHold&) = delete;
    InterruptHold& operator=(const InterruptHold&) = delete;

    // Ends the hold: an interrupt that arrived meanwhile is reported with `end` and acted on.
    void Release(RewriteEnd end);

private:
    bool holding_ = false;
#ifndef _WIN32
    unsigned char savedMask_[128] = {};  // the thread's signal mask before the hold
    unsigned char heldSet_[128] = {};    // the interrupts this hold holds
#endif
};
