#include "platform/interrupt_guard.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <signal.h>
#endif

namespace {

HeldInterruptReport installedReport = nullptr;
bool interruptHeld = false;  // an interrupt waits for EndIfInterrupted
RewriteEnd heldEnd = RewriteEnd::Undone;

#ifdef _WIN32

// What Windows gives a console program that Ctrl+C ends.
constexpr UINT kInterruptedExit = 0xC000013Au;

CRITICAL_SECTION holdLock;
bool holding = false;
bool interruptPending = false;

// Runs on a thread of its own that the system starts for each console event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    EnterCriticalSection(&holdLock);
    if (!holding && !interruptPending) {
        // Under the lock, so that no hold can begin before the program has ended.
        ExitProcess(kInterruptedExit);
    }
    interruptPending = true;
    LeaveCriticalSection(&holdLock);
    // The program ends when it has said what it did; the system waits for this handler
    // meanwhile (for a closing console, up to its own time limit).
    Sleep(INFINITE);
    return TRUE;
}

bool TakeArrived() {
    EnterCriticalSection(&holdLock);
    holding = false;
    const bool arrived = interruptPending;
    LeaveCriticalSection(&holdLock);
    return arrived;
}

#else

bool enabled = false;
sigset_t maskBefore;  // the thread's mask before the hold that caught the interrupt
sigset_t heldSignals;

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

// The interrupts that would end the program now. One that is ignored (SIGHUP under nohup)
// or blocked already (a mask the program inherited) is left alone: held, it would wait as
// pending and be taken for an interrupt, although it ends nothing.
sigset_t HeldSignals(const sigset_t& blocked) {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : kInterrupts) {
        struct sigaction action;
        if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) continue;
        if (sigismember(&blocked, signal) == 1) continue;
        sigaddset(&signals, signal);
    }
    return signals;
}

// Whether one of the held interrupts arrived; they stay blocked, and pending, either way.
bool TakeArrived() {
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    for (const int signal : kInterrupts) {
        if (sigismember(&heldSignals, signal) && sigismember(&pending, signal)) return true;
    }
    return false;
}

#endif

}  // namespace

bool InterruptHeld() {
    return interruptHeld;
}

#ifdef _WIN32

void HoldInterruptsDuringRewrites(HeldInterruptReport report) {
    InitializeCriticalSection(&holdLock);
    installedReport = report;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptHold::InterruptHold() {
    if (installedReport == nullptr || interruptHeld) return;
    EnterCriticalSection(&holdLock);
    holding = true;
    LeaveCriticalSection(&holdLock);
    holding_ = true;
}

void InterruptHold::Release(RewriteEnd end) {
    if (!holding_) return;
    holding_ = false;
    if (!TakeArrived()) return;
    interruptHeld = true;
    heldEnd = end;
}

void EndIfInterrupted() {
    if (!interruptHeld) return;
    installedReport(heldEnd);
    ExitProcess(kInterruptedExit);
}

#else

void HoldInterruptsDuringRewrites(HeldInterruptReport report) {
    installedReport = report;
    enabled = true;
}

InterruptHold::InterruptHold() {
    if (!enabled || interruptHeld) return;
    sigset_t before;
    if (pthread_sigmask(SIG_BLOCK, nullptr, &before) != 0) return;
    const sigset_t signals = HeldSignals(before);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) return;
    maskBefore = before;
    heldSignals = signals;
    holding_ = true;
}

void InterruptHold::Release(RewriteEnd end) {
    if (!holding_) return;
    holding_ = false;
    if (TakeArrived()) {
        // Blocked still: it is delivered once the program has said what it did.
        interruptHeld = true;
        heldEnd = end;
        return;
    }
    pthread_sigmask(SIG_SETMASK, &maskBefore, nullptr);
}

void EndIfInterrupted() {
    if (!interruptHeld) return;
    if (installedReport) installedReport(heldEnd);
    // Unblocked, the waiting signal takes its ordinary course: the program ends with it.
    pthread_sigmask(SIG_SETMASK, &maskBefore, nullptr);
}

#endif

InterruptHold::~InterruptHold() {
    Release(RewriteEnd::Undone);
}
