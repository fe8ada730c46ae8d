// Runs a modal dialog on a thread of its own, so that the test thread can act on it by window
// messages as a user would, and check what it shows, while the dialog's own loop runs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "wait_until.h"

namespace guitest {

class ModalRun {
public:
    // Starts `runModal` (typically `[&] { return dlg.DoModal(); }`) on a new thread.
    explicit ModalRun(std::function<INT_PTR()> runModal);
    // A run that a failed test left open is cancelled window by window, from the topmost.
    ~ModalRun();

    ModalRun(const ModalRun&) = delete;
    ModalRun& operator=(const ModalRun&) = delete;

    DWORD ThreadId() const { return threadId_; }

    // The visible dialog window of the run's thread with this caption, or nullptr on timeout.
    HWND WaitForDialog(const std::string& caption, DWORD timeoutMs = kLongWaitMs) const;

    bool WaitForEnd(DWORD timeoutMs = kLongWaitMs);
    bool Ended() const;
    // What `runModal` returned; meaningful once the run has ended.
    INT_PTR Result() const { return result_; }

private:
    static DWORD WINAPI ThreadMain(LPVOID self);

    std::function<INT_PTR()> runModal_;
    INT_PTR result_ = -1;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
};

}  // namespace guitest
