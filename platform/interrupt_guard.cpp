#include "platform/interrupt_guard.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <signal.h>

#include <cstring>
#endif

namespace {

HeldInterruptReport installedReport = nullptr;

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
    if (!holding) {
        // Under the lock, so that no hold can begin before the program has ended.
        ExitProcess(kInterruptedExit);
    }
    interruptPending = true;
    LeaveCriticalSection(&holdLock);
    // The holding thread ends the program when the file is whole again; the system waits
    // for this handler meanwhile (for a closing console, up to its own time limit).
    Sleep(INFINITE);
    return TRUE;
}

#else

bool enabled = false;

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

static_assert(sizeof(sigset_t) <= 128, "the saved signal mask does not fit");

#endif

}  // namespace

#ifdef _WIN32

void HoldInterruptsDuringRewrites(HeldInterruptReport report) {
    InitializeCriticalSection(&holdLock);
    installedReport = report;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptHold::InterruptHold() {
    if (installedReport == nullptr) return;
    EnterCriticalSection(&holdLock);
    holding = true;
    LeaveCriticalSection(&holdLock);
    holding_ = true;
}

void InterruptHold::Release(RewriteEnd end) {
    if (!holding_) return;
    holding_ = false;
    EnterCriticalSection(&holdLock);
    holding = false;
    const bool interrupted = interruptPending;
    LeaveCriticalSection(&holdLock);
    if (!interrupted) return;
    installedReport(end);
    ExitProcess(kInterruptedExit);
}

#else

void HoldInterruptsDuringRewrites(HeldInterruptReport report) {
    installedReport = report;
    enabled = true;
}

InterruptHold::InterruptHold() {
    if (!enabled) return;
    sigset_t saved;
    if (pthread_sigmask(SIG_BLOCK, nullptr, &saved) != 0) return;
    const sigset_t signals = HeldSignals(saved);
    std::memcpy(heldSet_, &signals, sizeof signals);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) return;
    std::memcpy(savedMask_, &saved, sizeof saved);
    holding_ = true;
}

void InterruptHold::Release(RewriteEnd end) {
    if (!holding_) return;
    holding_ = false;
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    sigset_t held;
    std::memcpy(&held, heldSet_, sizeof held);
    bool interrupted = false;
    for (const int signal : kInterrupts) {
        interrupted = interrupted || (sigismember(&held, signal) && sigismember(&pending, signal));
    }
    if (interrupted && installedReport) installedReport(end);
    // Unblocked, the waiting signal takes its ordinary course: the program ends with it.
    sigset_t saved;
    std::memcpy(&saved, savedMask_, sizeof saved);
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

#endif

InterruptHold::~InterruptHold() {
    Release(RewriteEnd::Undone);
}
