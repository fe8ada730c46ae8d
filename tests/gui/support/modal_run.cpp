#include "modal_run.h"

#include <cstdio>

#include "window_queries.h"

namespace guitest {

ModalRun::ModalRun(std::function<INT_PTR()> runModal) : runModal_(std::move(runModal)) {
    thread_ = CreateThread(nullptr, 0, &ModalRun::ThreadMain, this, 0, &threadId_);
}

DWORD WINAPI ModalRun::ThreadMain(LPVOID self) {
    auto* run = static_cast<ModalRun*>(self);
    run->result_ = run->runModal_();
    return 0;
}

ModalRun::~ModalRun() {
    if (thread_ == nullptr) return;
    const bool ended = WaitUntil([&] {
        if (Ended()) return true;
        const auto open = ThreadDialogs(threadId_);
        if (!open.empty()) PostMessageA(open.front(), WM_COMMAND, IDCANCEL, 0);
        return WaitForSingleObject(thread_, 500) == WAIT_OBJECT_0;
    });
    if (!ended) {
        // Nothing else can free the test program from a dialog that ignores Cancel.
        std::fprintf(stderr, "modal run did not end; terminating its thread\n");
        TerminateThread(thread_, 1);
    }
    CloseHandle(thread_);
}

HWND ModalRun::WaitForDialog(const std::string& caption, DWORD timeoutMs) const {
    return WaitForThreadDialog(threadId_, caption, timeoutMs);
}

bool ModalRun::WaitForEnd(DWORD timeoutMs) {
    return WaitForSingleObject(thread_, timeoutMs) == WAIT_OBJECT_0;
}

bool ModalRun::Ended() const {
    return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0;
}

}  // namespace guitest
