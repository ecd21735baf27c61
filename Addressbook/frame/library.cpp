// Addressbook/frame/library.cpp: the one CLibrary of the process.
#include "Addressbook/frame/library.h"

#include "Addressbook/addressbook/exmapi_win.h"

HMODULE g_hModule = nullptr;

CLibrary::CLibrary() = default;
CLibrary::~CLibrary() = default;

HWND CLibrary::OwnerFor(HWND p_hGiven) const
{
    if (p_hGiven != nullptr && IsWindow(p_hGiven))
        return p_hGiven;
    const HWND parent = ParentWindow();
    return parent != nullptr && IsWindow(parent) ? parent : nullptr;
}

CMailPackage* CLibrary::MailPackage() const
{
    if (m_iPackage == kPackageOutlookExpress)
        return m_p_oOutlookExpress.get();
    return m_p_oOutlook.get();
}

CLibrary& Library()
{
    static CLibrary s_oLibrary;
    return s_oLibrary;
}
