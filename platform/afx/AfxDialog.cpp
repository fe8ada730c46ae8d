#include "platform/afx/AfxDialog.h"

#include "platform/afx/AfxResources.h"
#include "platform/afx/AfxWinApp.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_pParentWnd(pParentWnd) {}

namespace {

// The window that owns a modal dialog: its parent, or else the application's main window
// (its last active pop-up), never a child window.
HWND ModalOwner(CWnd* pParentWnd) {
    HWND hWnd = pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr;
    const bool fromMainWindow = hWnd == nullptr;
    if (fromMainWindow) {
        CWnd* pMainWnd = AfxGetMainWnd();
        hWnd = pMainWnd != nullptr ? pMainWnd->m_hWnd : nullptr;
    }
    while (hWnd != nullptr && (::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD) != 0) {
        hWnd = ::GetParent(hWnd);
    }
    if (fromMainWindow && hWnd != nullptr) hWnd = ::GetLastActivePopup(hWnd);
    return hWnd;
}

}  // namespace

INT_PTR CDialog::DoModal() {
    HINSTANCE hInstance = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    return ::DialogBoxParamA(hInstance, m_lpszTemplateName, ModalOwner(m_pParentWnd), &AfxDlgProc,
                             reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* pDlg = reinterpret_cast<CDialog*>(lParam);
    pDlg->SubclassWindow(hWnd);
    return pDlg->HandleInitDialog();
}

BOOL CDialog::HandleInitDialog() {
    RECT rcBefore;
    GetWindowRect(&rcBefore);
    const BOOL result = OnInitDialog();
    // A dialog that did not place itself opens centred, unless the system centres it.
    RECT rcAfter;
    GetWindowRect(&rcAfter);
    const DWORD style = GetStyle();
    if ((style & (WS_CHILD | DS_CENTER)) == 0 && rcAfter.left == rcBefore.left &&
        rcAfter.top == rcBefore.top) {
        CenterWindow();
    }
    return result;
}

BOOL CDialog::OnInitDialog() {
    if (!ExecuteDlgInit(m_lpszTemplateName)) {
        EndDialog(-1);
        return FALSE;
    }
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::EndDialog(int nResult) {
    ::EndDialog(m_hWnd, nResult);
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCmdMsg(UINT nID, UINT nCode) {
    if (CWnd::OnCmdMsg(nID, nCode)) return TRUE;
    // Application commands the dialog does not handle go to the application object;
    // control notifications and system commands do not.
    if (nCode != CN_COMMAND || nID < 0x8000 || nID >= 0xF000) return FALSE;
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr && pApp->OnCmdMsg(nID, nCode);
}
