#include "platform/afx/AfxResources.h"

HINSTANCE AfxGetResourceHandle() {
    return ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxFindResourceHandle(LPCSTR, LPCSTR) {
    return AfxGetResourceHandle();
}

BOOL AfxLoadString(UINT nID, std::string& text) {
    // String resources are short; the system cuts longer ones at the buffer's end.
    char buffer[1024];
    const int length = ::LoadStringA(AfxGetResourceHandle(), nID, buffer, sizeof(buffer));
    text.assign(buffer, length > 0 ? static_cast<std::string::size_type>(length) : 0);
    return length > 0;
}
