// Where the minimized dialog draws its icon.
#pragma once

#include <windows.h>

// The icon's top-left corner that centres it on a client area; the division truncates
// towards zero, as the system's own painting of minimized windows does.
inline POINT CenteredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return POINT{(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
