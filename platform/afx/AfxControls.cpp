#include "platform/afx/AfxControls.h"

#include <map>
#include <memory>

CMenu* CMenu::FromHandle(HMENU hMenu) {
    if (hMenu == nullptr) return nullptr;
    thread_local std::map<HMENU, std::unique_ptr<CMenu>> wrappers;
    std::unique_ptr<CMenu>& menu = wrappers[hMenu];
    if (!menu) {
        menu = std::make_unique<CMenu>();
        menu->m_hMenu = hMenu;
    }
    return menu.get();
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) {
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
}
