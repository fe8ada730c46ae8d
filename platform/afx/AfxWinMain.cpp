// The program entry: hands control to the application object's start hook. Linked only
// into the program, so test programs can use the layer with their own entry.
#include <windows.h>

#include "platform/afx/AfxWinApp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) return -1;
    pApp->m_hInstance = hInstance;
    if (!pApp->InitInstance()) return pApp->ExitInstance();
    return pApp->Run();
}
