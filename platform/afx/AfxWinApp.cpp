#include "platform/afx/AfxWinApp.h"

#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "platform/afx/AfxResources.h"
#include "platform/afx/AfxWnd.h"

namespace {

CWinApp* g_pApp = nullptr;

// The executable's file name without folder and extension.
std::string ExecutableBaseName() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    const std::string::size_type slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::string::size_type dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string ApplicationDataFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA("APPDATA", path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return std::string(path, length);
    if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return path;
    }
    return {};
}

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName) {
    g_pApp = this;
    m_hInstance = ::GetModuleHandleA(nullptr);
    const std::string exeName = ExecutableBaseName();
    m_strAppName = lpszAppName != nullptr ? lpszAppName : exeName;
    const std::string folder = ApplicationDataFolder();
    // Without an application-data folder the bare name leaves the place to the system.
    m_strProfileName = folder.empty() ? exeName + ".ini" : folder + "\\" + exeName + ".ini";
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

CWnd* AfxGetMainWnd() {
    return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() {
    return 0;
}

std::string CWinApp::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry,
                                      LPCSTR lpszDefault) const {
    // The system cuts a value at the buffer's size minus one: grow until it fits.
    std::vector<char> buffer(512);
    for (;;) {
        const DWORD length = ::GetPrivateProfileStringA(
            lpszSection, lpszEntry, lpszDefault != nullptr ? lpszDefault : "", buffer.data(),
            static_cast<DWORD>(buffer.size()), m_strProfileName.c_str());
        if (length + 1 < buffer.size() || buffer.size() >= (1u << 24)) {
            return std::string(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
}

UINT CWinApp::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault) const {
    return ::GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault, m_strProfileName.c_str());
}

BOOL CWinApp::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue) {
    return ::WritePrivateProfileStringA(lpszSection, lpszEntry, lpszValue,
                                        m_strProfileName.c_str());
}

BOOL CWinApp::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue) {
    char text[16];
    std::snprintf(text, sizeof(text), "%d", nValue);
    return WriteProfileString(lpszSection, lpszEntry, text);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
}

void CWinApp::OnHelp() {
    // The program has no help file; say so instead of failing silently.
    const std::string text = "There is no help file for " + m_strAppName + ".";
    HWND hWndOwner = m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
    ::MessageBoxA(hWndOwner, text.c_str(), m_strAppName.c_str(), MB_OK | MB_ICONINFORMATION);
}
