// Thin wrappers of the controls, menus and device contexts the program uses.
#pragma once

#include <windows.h>

#include "platform/afx/AfxWnd.h"

class CComboBox : public CWnd {
public:
    // Index of the selected item, CB_ERR (-1) when nothing is selected.
    int GetCurSel() const { return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0)); }
    // An index outside the list leaves nothing selected.
    int SetCurSel(int nSelect) {
        return static_cast<int>(
            ::SendMessageA(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(nSelect), 0));
    }
};

// A menu handle. Menus found by handle are wrapped by objects that live as long as the
// thread, one per handle.
class CMenu {
public:
    HMENU m_hMenu = nullptr;

    static CMenu* FromHandle(HMENU hMenu);

    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr) {
        return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
    }
};

class CDC {
public:
    HDC m_hDC = nullptr;

    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
};

// Painting of one WM_PAINT: BeginPaint on construction, EndPaint on destruction.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC();

    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd;
};
