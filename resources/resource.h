// Resource identifiers of the Windows program.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128

#define IDC_SOURCE_FILE 1000
#define IDC_UCF_FILE 1002
#define IDC_COMPONENT 1003
#define IDC_SYNTHESIZER 1004
#define IDC_BROWSE_SOURCE 1005
#define IDC_BROWSE_UCF 1006
#define IDC_CONVERT 1007
#define IDC_EDIF_FILE 1008
#define IDC_BROWSE_EDIF 1009

// System-menu command; the system keeps the low four bits of such commands for itself.
#define IDM_ABOUTBOX 0x0010

// The framework's help command.
#define ID_HELP 0xE146
