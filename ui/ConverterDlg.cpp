#include "ui/ConverterDlg.h"

#include "conversion/run/conversion_request.h"
#include "conversion/run/conversion_run.h"
#include "ui/AboutDlg.h"
#include "ui/IconPlacement.h"

namespace {

constexpr char kSettings[] = "Settings";
constexpr char kSourceFileKey[] = "Source Binary File";
constexpr char kUcfFileKey[] = "Destination UCF File";
constexpr char kComponentKey[] = "Component name";
constexpr char kSynthesizerKey[] = "Synthesizer";
constexpr char kEdifFileKey[] = "EDIF File";

}  // namespace

BEGIN_MESSAGE_MAP(CConverterDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_BROWSE_SOURCE, OnBrowseSource)
ON_BN_CLICKED(IDC_BROWSE_UCF, OnBrowseUcf)
ON_BN_CLICKED(IDC_CONVERT, OnConvert)
ON_BN_CLICKED(IDC_BROWSE_EDIF, OnBrowseEdif)
END_MESSAGE_MAP()

CConverterDlg::CConverterDlg(CWnd* pParent) : CDialog(IDD, pParent) {
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

void CConverterDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SYNTHESIZER, m_cbSynthesizer);
    DDX_Text(pDX, IDC_SOURCE_FILE, m_strSourceFile);
    DDX_Text(pDX, IDC_UCF_FILE, m_strUcfFile);
    DDX_Text(pDX, IDC_COMPONENT, m_strComponent);
    DDX_Text(pDX, IDC_EDIF_FILE, m_strEdifFile);
}

BOOL CConverterDlg::OnInitDialog() {
    // Fills the Synthesizer list and attaches m_cbSynthesizer, which the selection below needs.
    CDialog::OnInitDialog();

    AddAboutToSystemMenu();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    CWinApp* pApp = AfxGetApp();
    m_strSourceFile = pApp->GetProfileString(kSettings, kSourceFileKey);
    m_strUcfFile = pApp->GetProfileString(kSettings, kUcfFileKey);
    m_strComponent = pApp->GetProfileString(kSettings, kComponentKey);
    // A stored index outside the list leaves nothing selected.
    m_cbSynthesizer.SetCurSel(static_cast<int>(pApp->GetProfileInt(kSettings, kSynthesizerKey, 0)));
    m_strEdifFile = pApp->GetProfileString(kSettings, kEdifFileKey);
    UpdateData(FALSE);

    return TRUE;
}

void CConverterDlg::OnOK() {
    UpdateData(TRUE);
    // Writes are not checked: when the profile cannot be written the dialog closes anyway.
    CWinApp* pApp = AfxGetApp();
    pApp->WriteProfileString(kSettings, kSourceFileKey, m_strSourceFile.c_str());
    pApp->WriteProfileString(kSettings, kUcfFileKey, m_strUcfFile.c_str());
    pApp->WriteProfileString(kSettings, kComponentKey, m_strComponent.c_str());
    pApp->WriteProfileInt(kSettings, kSynthesizerKey, m_cbSynthesizer.GetCurSel());
    pApp->WriteProfileString(kSettings, kEdifFileKey, m_strEdifFile.c_str());
    CDialog::OnOK();
}

void CConverterDlg::OnConvert() {
    UpdateData(TRUE);
    ConversionRequest request;
    request.sourceFile = m_strSourceFile;
    request.ucfFile = m_strUcfFile;
    request.component = m_strComponent;
    request.edifFile = m_strEdifFile;
    request.synthesizer = m_cbSynthesizer.GetCurSel();
    RunConversion(request, *this);
}

void CConverterDlg::ShowMessage(const std::string& text, const std::string& caption,
                                unsigned style) {
    MessageBox(text.c_str(), caption.c_str(), style);
}

void CConverterDlg::AddAboutToSystemMenu() {
    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu == nullptr) return;
    std::string strAboutMenu;
    AfxLoadString(IDS_ABOUTBOX, strAboutMenu);
    if (strAboutMenu.empty()) return;
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu.c_str());
}

void CConverterDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    // The system keeps the low four bits of system-menu commands for itself.
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CConverterDlg::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    RECT rect;
    GetClientRect(&rect);
    const POINT origin =
        CenteredIconOrigin(rect.right - rect.left, rect.bottom - rect.top,
                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    dc.DrawIcon(origin.x, origin.y, m_hIcon);
}

HCURSOR CConverterDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}
