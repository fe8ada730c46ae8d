// CDialog: a modal dialog built from a dialog template in the program's resources.
#pragma once

#include <windows.h>

#include "platform/afx/AfxWnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog until EndDialog; returns its result, -1 when it cannot be created.
    virtual INT_PTR DoModal();

    // Applies the template's initialization data and loads the members into the controls.
    // TRUE lets the system put the focus on the first tab stop.
    virtual BOOL OnInitDialog();

    void EndDialog(int nResult);

    BOOL OnCmdMsg(UINT nID, UINT nCode) override;

protected:
    // The OK command (the default button, the Enter key): saves the controls and ends.
    virtual void OnOK();
    // The Cancel command (the Escape key, the close box): ends without saving.
    virtual void OnCancel();

    // Sends the template's RT_DLGINIT data (the framework's list-filling format) to the
    // controls. FALSE when a control refuses an item.
    BOOL ExecuteDlgInit(LPCSTR lpszResourceName);

    LPCSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    BOOL HandleInitDialog();
};

// The dialog procedure of every CDialog: attaches the object on WM_INITDIALOG and leaves
// every other message to the object's message map and the system's dialog handling.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
