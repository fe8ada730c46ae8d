// The About box, opened from the main dialog's system menu.
#pragma once

#include "platform/afx/AfxWin.h"
#include "resources/resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    enum { IDD = IDD_ABOUTBOX };

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
