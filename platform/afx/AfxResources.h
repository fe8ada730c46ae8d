// The program's resources: they live in the executable itself.
#pragma once

#include <windows.h>

#include <string>

HINSTANCE AfxGetResourceHandle();
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);

// Loads string resource `nID` into `text`; FALSE (and an empty text) when there is none.
BOOL AfxLoadString(UINT nID, std::string& text);
