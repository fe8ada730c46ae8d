// CWinApp: the program's single application object, its start hook and its profile.
#pragma once

#include <windows.h>

#include <string>

#include "platform/afx/AfxMessageMap.h"

class CWnd;

// The framework's help command.
#ifndef ID_HELP
#define ID_HELP 0xE146
#endif

class CWinApp : public CCmdTarget {
public:
    // Registers this object as the application. Without a name the application is named
    // after its executable.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    ~CWinApp() override;

    // Start hook, called once by the program entry. FALSE ends the program at once;
    // TRUE runs the message loop.
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    // Profile entries, in the INI file m_strProfileName. Values are taken and stored as
    // they are, in the ANSI code page.
    std::string GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry,
                                 LPCSTR lpszDefault = nullptr) const;
    UINT GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault) const;
    BOOL WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue);
    BOOL WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue);

    HICON LoadIcon(UINT nIDResource) const;

    afx_msg void OnHelp();

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    std::string m_strAppName;
    // Full path of the profile: %APPDATA%\<executable name>.ini, since the framework's old
    // place, the Windows folder, is not writable for a normal user.
    std::string m_strProfileName;

protected:
    // The system draws three-dimensional controls by itself; kept for the framework's
    // start sequence.
    BOOL Enable3dControls() { return TRUE; }

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
