// CWnd: a window of the program, attached to its HWND by subclassing so that the window's
// messages go through the class's message map before the window's own procedure.
#pragma once

// windows.h first, everywhere: several member names below (MessageBox, SendMessage,
// DefWindowProc) are macros for their ANSI forms there, and must be spelled the same way in
// every file that declares or calls them.
#include <windows.h>

#include "platform/afx/AfxMessageMap.h"

class CDataExchange;
class CMenu;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    // Routes `hWnd`'s messages through this object until the window is destroyed.
    BOOL SubclassWindow(HWND hWnd);
    HWND UnsubclassWindow();

    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Moves data between the controls and the members: TRUE saves the controls into the
    // members, FALSE loads the members into the controls.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    void GetDlgItem(int nID, HWND* phWnd) const;
    CMenu* GetSystemMenu(BOOL bRevert) const;
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);

    // Centres the window over its owner, or on its monitor's work area when it has no
    // visible owner, keeping it inside that work area.
    void CenterWindow();

    virtual void DoDataExchange(CDataExchange* pDX);

protected:
    // The message being handled, for Default().
    struct CurrentMessage {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    // Hands the current message to the window's own procedure.
    LRESULT Default();
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg BOOL OnHelpInfo(HELPINFO* pHelpInfo);

    DECLARE_MESSAGE_MAP()

private:
    friend LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr;
    CurrentMessage m_currentMsg;
};

// The window procedure of every subclassed window.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
