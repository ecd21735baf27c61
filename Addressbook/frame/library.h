// Addressbook/frame/library.h: Corvane's process-wide state: what Init creates and Uninit
// releases, and the module handle every dialog, string and animation is loaded from.
#pragma once

#include "Addressbook/frame/slot_thread_values.h"
#include "Addressbook/frame/thread_slots.h"
#include "Addressbook/frame/word_hook_binding.h"
#include "Addressbook/protocol/client_security_protocol.h"
#include "Addressbook/reminders/rule_manager.h"
#include "Addressbook/sending/mail_package.h"
#include "common/handle_win.h"
#include "common/settings.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>

class CExMAPI;

// Kept at process attach.
extern HMODULE g_hModule;

class CLibrary
{
  public:
    CLibrary();
    ~CLibrary();
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    // The window dialogs and message boxes are owned by.
    HWND ParentWindow() const
    {
        return m_hParent.load();
    }
    void SetParentWindow(HWND p_hParent)
    {
        m_hParent.store(p_hParent);
    }
    // p_hGiven when it is a window, else the library's parent window.
    HWND OwnerFor(HWND p_hGiven) const;

    int Package() const
    {
        return m_iPackage;
    }
    int PackageVersion() const
    {
        return m_iPackageVersion;
    }
    int CallerKind() const
    {
        return m_iCallerKind;
    }
    HFONT BoldFont() const
    {
        return m_hBoldFont.get();
    }
    // The package object the exports send and read address books through; null for callers
    // that started the library without one.
    CMailPackage* MailPackage() const;

    CRegistry m_oRegistry;
    CThreadSlots m_oSlots;
    // The MAPI values of each thread, kept in m_oSlots.
    CSlotThreadValues m_oThreadValues{m_oSlots};

    std::atomic<HWND> m_hParent{nullptr};
    int m_iPackage = kPackageNotChosen;
    int m_iPackageVersion = 0;
    int m_iCallerKind = 0;
    unique_hfont m_hBoldFont;

    std::unique_ptr<CMailPackage> m_p_oOutlookExpress;
    std::unique_ptr<CMailPackage> m_p_oOutlook;
    // The Outlook package's address books and stores; made by Init with the Outlook package object.
    std::unique_ptr<CExMAPI> m_p_oExMapi;
    std::unique_ptr<CClientSecurityProtocol> m_p_oSecurity;
    std::unique_ptr<CRuleManager> m_p_oRuleManager;
    std::unique_ptr<CWordHookBinding> m_p_oWordHook;

    // StartAdvise's resource-change event and mutex; the advise calls run on host threads.
    std::mutex m_oAdviseMutex;
    unique_handle m_hResourceChangeEvent;
    unique_handle m_hResourceChangingMutex;
};

CLibrary& Library();
