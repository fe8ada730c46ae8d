// Read-only questions about windows of the program under test: their texts and classes, the
// dialogs a thread or a process shows, child windows in template (z) order and their places.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "wait_until.h"

namespace guitest {

std::string WindowText(HWND window);
std::string ClassName(HWND window);

// The visible top-level dialog windows (class "#32770") of a thread, in z-order.
std::vector<HWND> ThreadDialogs(DWORD threadId);

// The visible top-level dialog of a thread with this caption, or nullptr.
HWND FindThreadDialog(DWORD threadId, const std::string& caption);
HWND WaitForThreadDialog(DWORD threadId, const std::string& caption, DWORD timeoutMs = kLongWaitMs);

// The same for any thread of a process.
HWND FindProcessDialog(DWORD processId, const std::string& caption);
HWND WaitForProcessDialog(DWORD processId, const std::string& caption,
                          DWORD timeoutMs = kLongWaitMs);

// Waits until `window` is destroyed (or hidden); returns whether it went.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = kLongWaitMs);

// Direct children of `parent` in z-order, which for a dialog is the template's order.
std::vector<HWND> ChildWindows(HWND parent);

// A child's rectangle in its parent's client coordinates.
RECT RectInParentClient(HWND child);

// The window that has the keyboard focus in `threadId`, or nullptr.
HWND FocusOfThread(DWORD threadId);

}  // namespace guitest
