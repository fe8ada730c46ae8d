// Static message maps in the framework's style: each class that handles messages has one
// table of entries, chained to its base class's table, searched from the most derived class
// upwards. The entry macros produce small thunks, so handlers keep their natural signatures
// and no member-function pointers are cast between classes.
#pragma once

#include <windows.h>

class CCmdTarget;

// Calls one handler on `target` (which is of the class that declared the entry).
using AFX_PMSG = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message; WM_COMMAND for commands and control notifications
    UINT nCode;     // notification code of WM_COMMAND entries (CN_COMMAND for commands)
    UINT nID;       // control or command ID of WM_COMMAND entries
    AFX_PMSG pfn;   // null in the table's terminating entry
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root of the chain
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Notification code of menu commands, accelerators and WM_COMMAND messages sent without a
// control; it equals BN_CLICKED.
inline constexpr UINT CN_COMMAND = 0;

#define afx_msg

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                     \
    }                                                   \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
        using ThisClass [[maybe_unused]] = theClass;    \
        using TheBaseClass = baseClass;                 \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                        \
    { 0, 0, 0, nullptr }                                                                         \
    }                                                                                            \
    ;                                                                                            \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]}; \
    return &messageMap;                                                                          \
    }

// Command entries: menu items, accelerators, buttons (BN_CLICKED is CN_COMMAND).
#define ON_COMMAND(id, memberFxn)                        \
    {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id),      \
     [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT { \
         static_cast<ThisClass*>(target)->memberFxn();   \
         return 0;                                       \
     }},

#define ON_BN_CLICKED(id, memberFxn)                     \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id),      \
     [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT { \
         static_cast<ThisClass*>(target)->memberFxn();   \
         return 0;                                       \
     }},

// Window messages, each bound to the handler name the framework gives it.
#define ON_WM_SYSCOMMAND()                                                                  \
    {WM_SYSCOMMAND, 0, 0, [](CCmdTarget* target, WPARAM wParam, LPARAM lParam) -> LRESULT { \
         static_cast<ThisClass*>(target)->OnSysCommand(static_cast<UINT>(wParam), lParam);  \
         return 0;                                                                          \
     }},

#define ON_WM_PAINT()                                                    \
    {WM_PAINT, 0, 0, [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT { \
         static_cast<ThisClass*>(target)->OnPaint();                     \
         return 0;                                                       \
     }},

#define ON_WM_QUERYDRAGICON()                                                                  \
    {WM_QUERYDRAGICON, 0, 0, [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT {               \
         return reinterpret_cast<LRESULT>(static_cast<ThisClass*>(target)->OnQueryDragIcon()); \
     }},

#define ON_WM_HELPINFO()                                                                          \
    {WM_HELP, 0, 0, [](CCmdTarget* target, WPARAM, LPARAM lParam) -> LRESULT {                    \
         return static_cast<ThisClass*>(target)->OnHelpInfo(reinterpret_cast<HELPINFO*>(lParam)); \
     }},

// The root of every message map.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Runs the handler of a command (WM_COMMAND with `nCode`), when this object has one.
    virtual BOOL OnCmdMsg(UINT nID, UINT nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // The first entry of this object's map chain that matches, or null.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;
};
