// The MFC-style layer of the Windows program, in one include.
#pragma once

#include <windows.h>

#include "platform/afx/AfxMessageMap.h"
#include "platform/afx/AfxWnd.h"
#include "platform/afx/AfxWinApp.h"
#include "platform/afx/AfxDialog.h"
#include "platform/afx/AfxDataExchange.h"
#include "platform/afx/AfxControls.h"
#include "platform/afx/AfxResources.h"
