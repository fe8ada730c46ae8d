#include "platform/afx/AfxWnd.h"

#include "platform/afx/AfxControls.h"
#include "platform/afx/AfxDataExchange.h"
#include "platform/afx/AfxWinApp.h"

namespace {

// The window property that leads from an HWND to its CWnd.
constexpr char kWndObjectProperty[] = "AfxWndObject";

}  // namespace

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_HELPINFO()
END_MESSAGE_MAP()

CWnd::~CWnd() {
    if (m_hWnd != nullptr && m_pfnSuper != nullptr) UnsubclassWindow();
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (hWnd == nullptr || m_hWnd != nullptr) return FALSE;
    if (!::SetPropA(hWnd, kWndObjectProperty, this)) return FALSE;
    m_hWnd = hWnd;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    return TRUE;
}

HWND CWnd::UnsubclassWindow() {
    HWND hWnd = m_hWnd;
    if (hWnd == nullptr) return nullptr;
    if (m_pfnSuper != nullptr) {
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    }
    ::RemovePropA(hWnd, kWndObjectProperty);
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return hWnd;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* pWnd = static_cast<CWnd*>(::GetPropA(hWnd, kWndObjectProperty));
    if (pWnd == nullptr) return ::DefWindowProcA(hWnd, message, wParam, lParam);
    LRESULT result = pWnd->WindowProc(message, wParam, lParam);
    // The window is gone: give it back its own procedure and forget it.
    if (message == WM_NCDESTROY && pWnd->m_hWnd == hWnd) pWnd->UnsubclassWindow();
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Handlers may send messages to this window again, so the current message nests.
    const CurrentMessage outer = m_currentMsg;
    m_currentMsg = {message, wParam, lParam};
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) {
        result = DefWindowProc(message, wParam, lParam);
    }
    m_currentMsg = outer;
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *pResult = 0;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0);
    if (entry == nullptr) return FALSE;
    *pResult = entry->pfn(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT nID = LOWORD(wParam);
    // Menus and accelerators (no control) are plain commands.
    const UINT nCode = lParam == 0 ? CN_COMMAND : HIWORD(wParam);
    return OnCmdMsg(nID, nCode);
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_currentMsg.message, m_currentMsg.wParam, m_currentMsg.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper != nullptr)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

void CWnd::OnSysCommand(UINT, LPARAM) {
    Default();
}

void CWnd::OnPaint() {
    Default();
}

BOOL CWnd::OnHelpInfo(HELPINFO*) {
    // F1 in a top-level window asks the main window for the application's help command.
    if ((GetStyle() & WS_CHILD) == 0) {
        CWinApp* pApp = AfxGetApp();
        HWND hWndMain =
            pApp != nullptr && pApp->m_pMainWnd != nullptr ? pApp->m_pMainWnd->m_hWnd : nullptr;
        ::SendMessageA(hWndMain != nullptr ? hWndMain : m_hWnd, WM_COMMAND, ID_HELP, 0);
        return TRUE;
    }
    return static_cast<BOOL>(Default());
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

void CWnd::GetDlgItem(int nID, HWND* phWnd) const {
    *phWnd = ::GetDlgItem(m_hWnd, nID);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const {
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

void CWnd::CenterWindow() {
    RECT rcWindow;
    GetWindowRect(&rcWindow);

    HWND hWndOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hWndOwner != nullptr && (!::IsWindowVisible(hWndOwner) || ::IsIconic(hWndOwner))) {
        hWndOwner = nullptr;
    }
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoA(
        ::MonitorFromWindow(hWndOwner != nullptr ? hWndOwner : m_hWnd, MONITOR_DEFAULTTOPRIMARY),
        &monitor);
    const RECT& rcArea = monitor.rcWork;
    RECT rcCenter = rcArea;
    if (hWndOwner != nullptr) ::GetWindowRect(hWndOwner, &rcCenter);

    const LONG width = rcWindow.right - rcWindow.left;
    const LONG height = rcWindow.bottom - rcWindow.top;
    LONG left = (rcCenter.left + rcCenter.right) / 2 - width / 2;
    LONG top = (rcCenter.top + rcCenter.bottom) / 2 - height / 2;
    // Keep the window on its work area.
    if (left + width > rcArea.right) left = rcArea.right - width;
    if (left < rcArea.left) left = rcArea.left;
    if (top + height > rcArea.bottom) top = rcArea.bottom - height;
    if (top < rcArea.top) top = rcArea.top;
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
