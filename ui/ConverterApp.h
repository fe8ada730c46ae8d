// The application object: starts the program as its main dialog.
#pragma once

#include "platform/afx/AfxWin.h"

class CConverterApp : public CWinApp {
public:
    CConverterApp() = default;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CConverterApp theApp;
