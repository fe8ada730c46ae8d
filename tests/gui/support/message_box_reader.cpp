#include "message_box_reader.h"

#include "window_queries.h"

namespace guitest {

MessageBoxContent ReadMessageBox(HWND box) {
    MessageBoxContent content;
    content.caption = WindowText(box);
    for (HWND child : ChildWindows(box)) {
        const std::string kind = ClassName(child);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (kind == "Static") {
            if ((style & SS_TYPEMASK) == SS_ICON) {
                content.icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            } else if (content.text.empty()) {
                content.text = WindowText(child);
            }
        } else if (kind == "Button" && (style & WS_VISIBLE)) {
            content.buttonIds.push_back(GetDlgCtrlID(child));
        }
    }
    return content;
}

void AnswerMessageBox(HWND box, int buttonId) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
}

}  // namespace guitest
