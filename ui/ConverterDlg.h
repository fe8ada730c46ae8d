// The main dialog: the five settings of a conversion, Convert, the file choosers, Exit.
#pragma once

#include <string>

#include "platform/afx/AfxWin.h"
#include "platform/message_owner.h"
#include "resources/resource.h"

struct FileChooserParams;

class CConverterDlg : public CDialog, public MessageOwner {
public:
    explicit CConverterDlg(CWnd* pParent = nullptr);

    enum { IDD = IDD_MAIN };

    CComboBox m_cbSynthesizer;
    std::string m_strSourceFile;
    std::string m_strUcfFile;
    std::string m_strComponent;
    std::string m_strEdifFile;

    // The conversion's message boxes, modal to this dialog.
    void ShowMessage(const std::string& text, const std::string& caption, unsigned style) override;

protected:
    HICON m_hIcon;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnBrowseSource();
    afx_msg void OnBrowseUcf();
    afx_msg void OnConvert();
    afx_msg void OnBrowseEdif();

    DECLARE_MESSAGE_MAP()

private:
    void AddAboutToSystemMenu();
    void Browse(const FileChooserParams& params, std::string& field);
};
