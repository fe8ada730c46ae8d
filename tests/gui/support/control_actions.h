// What a user does to a dialog, done by window messages from the test thread. Actions that
// may open a modal window (a button press, a key) are posted, so the test thread is never
// blocked inside the dialog's handler and can go on to answer the window that opens.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace guitest {

std::string ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::string& text);

// Presses a push button the way a mouse click does (BM_CLICK), without waiting for it.
void PressButton(HWND dialog, int id);

// Posts a key press (key down and up) to a window, as the keyboard would to the focused
// control; the dialog's message loop sees it first, so Enter and Escape work as typed.
void PressKey(HWND target, UINT virtualKey);

// Moves the keyboard focus to a control as the Tab key does (WM_NEXTDLGCTL).
void FocusControl(HWND dialog, int id);

int ComboSelection(HWND dialog, int id);
std::vector<std::string> ComboItems(HWND dialog, int id);
// Selects an item as picking it from the list does: the selection, then CBN_SELCHANGE.
void SelectComboItem(HWND dialog, int id, int index);

}  // namespace guitest
