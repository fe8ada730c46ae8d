// The framework's dialog initialization data (resource type RT_DLGINIT, 240): items of
// {WORD control ID, WORD message, DWORD length, length bytes of data}, ending with a zero
// WORD, packed without alignment. The messages are stored with their 16-bit Windows values.
#include <cstring>

#include "platform/afx/AfxDialog.h"
#include "platform/afx/AfxResources.h"

namespace {

constexpr WORD kWin16LbAddString = 0x0401;
constexpr WORD kWin16CbAddString = 0x0403;
LPCSTR const kRtDlgInit = MAKEINTRESOURCEA(240);

}  // namespace

BOOL CDialog::ExecuteDlgInit(LPCSTR lpszResourceName) {
    HINSTANCE hInstance = AfxFindResourceHandle(lpszResourceName, kRtDlgInit);
    HRSRC hResource = ::FindResourceA(hInstance, lpszResourceName, kRtDlgInit);
    if (hResource == nullptr) return TRUE;  // nothing to initialize
    HGLOBAL hData = ::LoadResource(hInstance, hResource);
    const auto* data = static_cast<const BYTE*>(hData != nullptr ? ::LockResource(hData) : nullptr);
    if (data == nullptr) return FALSE;
    const DWORD size = ::SizeofResource(hInstance, hResource);

    DWORD pos = 0;
    for (;;) {
        WORD nIDC = 0;
        if (size - pos < sizeof(nIDC)) return FALSE;
        std::memcpy(&nIDC, data + pos, sizeof(nIDC));
        if (nIDC == 0) return TRUE;
        WORD nMsg = 0;
        DWORD length = 0;
        if (size - pos < sizeof(nIDC) + sizeof(nMsg) + sizeof(length)) return FALSE;
        std::memcpy(&nMsg, data + pos + 2, sizeof(nMsg));
        std::memcpy(&length, data + pos + 4, sizeof(length));
        pos += 8;
        if (size - pos < length) return FALSE;
        const char* item = reinterpret_cast<const char*>(data + pos);
        // A string item must hold its terminator inside its own length.
        const bool isString = length > 0 && item[length - 1] == '\0';
        UINT message = 0;
        if (nMsg == kWin16CbAddString) message = CB_ADDSTRING;
        if (nMsg == kWin16LbAddString) message = LB_ADDSTRING;
        if (message != 0 && isString) {
            const LRESULT result =
                ::SendDlgItemMessageA(m_hWnd, nIDC, message, 0, reinterpret_cast<LPARAM>(item));
            if (result == CB_ERR || result == CB_ERRSPACE) return FALSE;
        }
        pos += length;
    }
}
