// Reading and answering the system's message boxes. They are found by class and caption, and
// their parts by kind rather than by control ID, since the IDs differ between Windows and Wine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace guitest {

struct MessageBoxContent {
    std::string caption;
    std::string text;            // the message static's text
    HICON icon = nullptr;        // the icon static's icon, nullptr when there is none
    std::vector<int> buttonIds;  // visible push buttons, in z-order
};

MessageBoxContent ReadMessageBox(HWND box);

// Presses one of the box's buttons by its command ID (IDOK for a box with only "OK").
void AnswerMessageBox(HWND box, int buttonId);

}  // namespace guitest
