#include "platform/afx/AfxDataExchange.h"

#include <cstring>
#include <vector>

#include "platform/afx/AfxWnd.h"

HWND CDataExchange::GetControl(int nIDC) const {
    return ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    HWND hWndCtrl = pDX->GetControl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        const int length = ::GetWindowTextLengthA(hWndCtrl);
        std::vector<char> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
        ::GetWindowTextA(hWndCtrl, text.data(), static_cast<int>(text.size()));
        // The length may be an upper bound; the text ends at its terminator.
        value.assign(text.data(), std::strlen(text.data()));
    } else {
        // Setting an unchanged text would only make the control flicker.
        const int length = ::GetWindowTextLengthA(hWndCtrl);
        std::vector<char> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
        ::GetWindowTextA(hWndCtrl, text.data(), static_cast<int>(text.size()));
        if (value != text.data()) ::SetWindowTextA(hWndCtrl, value.c_str());
    }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd == nullptr) rControl.SubclassWindow(pDX->GetControl(nIDC));
}
