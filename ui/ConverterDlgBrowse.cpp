// The three Browse buttons of the main dialog: one behaviour, three parameter sets.
#include "ui/ConverterDlg.h"
#include "ui/FileChooser.h"

void CConverterDlg::OnBrowseSource() {
    Browse(kSourceFileChooser, m_strSourceFile);
}

void CConverterDlg::OnBrowseUcf() {
    Browse(kUcfFileChooser, m_strUcfFile);
}

void CConverterDlg::OnBrowseEdif() {
    Browse(kEdifFileChooser, m_strEdifFile);
}

void CConverterDlg::Browse(const FileChooserParams& params, std::string& field) {
    // Takes the field as it stands on screen.
    UpdateData(TRUE);
    CWnd* pMainWnd = AfxGetMainWnd();
    HWND hWndOwner = pMainWnd != nullptr && pMainWnd->m_hWnd != nullptr ? pMainWnd->m_hWnd : m_hWnd;
    if (ChooseFile(hWndOwner, params, field)) UpdateData(FALSE);
}
