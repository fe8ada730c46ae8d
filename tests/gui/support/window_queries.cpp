#include "window_queries.h"

namespace guitest {

std::string WindowText(HWND window) {
    // WM_GETTEXT rather than GetWindowTextA: the latter does not ask windows of other
    // processes, and the text of a control is what its window procedure answers.
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied =
        SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::string ClassName(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

namespace {

struct DialogSearch {
    DWORD processId = 0;  // 0: any
    std::vector<HWND> found;
};

bool IsVisibleDialog(HWND window) {
    return IsWindowVisible(window) && ClassName(window) == "#32770";
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    if (search->processId != 0) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != search->processId) return TRUE;
    }
    if (IsVisibleDialog(window)) search->found.push_back(window);
    return TRUE;
}

HWND WithCaption(const std::vector<HWND>& windows, const std::string& caption) {
    for (HWND window : windows) {
        if (WindowText(window) == caption) return window;
    }
    return nullptr;
}

}  // namespace

std::vector<HWND> ThreadDialogs(DWORD threadId) {
    DialogSearch search;
    EnumThreadWindows(threadId, CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindThreadDialog(DWORD threadId, const std::string& caption) {
    return WithCaption(ThreadDialogs(threadId), caption);
}

HWND WaitForThreadDialog(DWORD threadId, const std::string& caption, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindThreadDialog(threadId, caption)) != nullptr; }, timeoutMs);
    return found;
}

HWND FindProcessDialog(DWORD processId, const std::string& caption) {
    DialogSearch search;
    search.processId = processId;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    return WithCaption(search.found, caption);
}

HWND WaitForProcessDialog(DWORD processId, const std::string& caption, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindProcessDialog(processId, caption)) != nullptr; },
              timeoutMs);
    return found;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

RECT RectInParentClient(HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND FocusOfThread(DWORD threadId) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId, &info)) return nullptr;
    return info.hwndFocus;
}

}  // namespace guitest
