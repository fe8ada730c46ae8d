#include "ui/ConverterApp.h"

#include "ui/ConverterDlg.h"

BEGIN_MESSAGE_MAP(CConverterApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

// The one application object; named after the executable, its profile is Quillon.ini.
CConverterApp theApp;

BOOL CConverterApp::InitInstance() {
    Enable3dControls();

    CConverterDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;

    // The dialog has ended: no message loop follows, the program ends.
    return FALSE;
}
