// Dialog data exchange: moving values between a dialog's controls and its members.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    // Handle of the dialog's control `nIDC`.
    HWND GetControl(int nIDC) const;

    BOOL m_bSaveAndValidate;  // TRUE: controls into members; FALSE: members into controls
    CWnd* m_pDlgWnd;
};

// The control's whole text, as typed: nothing trimmed, no length limit.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);

// Attaches `rControl` to the dialog's control `nIDC` the first time.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
