// Addressbook/frame/init_exports.cpp: Init and Uninit, the library's life cycle inside its host.
#include "Addressbook/frame/address_book_object.h"
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/frame_messages.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/frame/mail_package_object.h"
#include "Addressbook/newmail/new_mail_sink_win.h"
#include "Addressbook/res/corvane_strings.h"
#include "Addressbook/ui/message_box.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/text_win.h"
#include "common/trace_log.h"

#include <cstring>
#include <new>
#include <vector>

namespace
{
constexpr const char* kOutlookWindowClass = "rctrl_renwnd32";

// Init's boxes belong to the desktop: the host's own windows may not be usable yet.
void ShowInitMessage(unsigned p_uCaptionId, const std::string& p_sText, UINT p_uIcon = 0)
{
    ShowMessage(GetDesktopWindow(), p_uCaptionId, p_sText, MB_OK | p_uIcon);
}

void ShowInitMessage(unsigned p_uId)
{
    ShowInitMessage(p_uId, TableText(p_uId));
}

// Outlook 97 and 98 (package versions 1 and 2) are Office 8.0, Outlook 2000 (3) is 9.0.
[[nodiscard]] bool IsInternetMailOnly(int p_iVersion, CRegistry& p_oRegistry)
{
    if (p_iVersion == 1 || p_iVersion == 2)
        return p_oRegistry.IsOutlookInternetMailOnly(8);
    return p_iVersion == 3 && p_oRegistry.IsOutlookInternetMailOnly(9);
}

BOOL CALLBACK FindOutlookWindowProc(HWND p_hWindow, LPARAM p_lParam)
{
    char className[64] = {};
    if (GetClassNameA(p_hWindow, className, sizeof(className)) == 0 || lstrcmpiA(className, kOutlookWindowClass) != 0)
        return TRUE;
    if (ControlText(p_hWindow).find("Outlook") == std::string::npos)
        return TRUE;
    *reinterpret_cast<HWND*>(p_lParam) = p_hWindow;
    return FALSE;
}

[[nodiscard]] HWND FindOutlookMainWindow()
{
    HWND found = nullptr;
    EnumWindows(&FindOutlookWindowProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

[[nodiscard]] bool AllocateSlots(CLibrary& p_oLibrary, const CSlotRange& p_oRange)
{
    if (p_oLibrary.m_oSlots.Allocate(p_oRange))
        return true;
    ShowInitMessage(kMsgTlsAllocFailed);
    return false;
}

[[nodiscard]] bool CreateBoldFont(CLibrary& p_oLibrary)
{
    if (p_oLibrary.m_hBoldFont)
        return true;
    p_oLibrary.m_hBoldFont.reset(LOG_IF_WIN32_BOOL_FALSE(
        CreateFontA(10, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif")));
    return static_cast<bool>(p_oLibrary.m_hBoldFont);
}

[[nodiscard]] bool IsFullStart(int p_iCallerKind)
{
    return p_iCallerKind != kCallerNoPackage && p_iCallerKind != kCallerNoPackageToo;
}

// The mail-package object, and for Outlook the Word-hook binding. A second Init keeps the object
// the first one made.
[[nodiscard]] bool CreatePackageObjects(CLibrary& p_oLibrary, IMAPISession* p_pSession, IDispatch* p_pApplication)
{
    const int package = p_oLibrary.m_iPackage;
    if (package != kPackageOutlook && package != kPackageOutlookExpress)
    {
        Log("Init: package %d has no package object", package);
        return true;
    }
    std::unique_ptr<CMailPackage>& slot =
        package == kPackageOutlook ? p_oLibrary.m_p_oOutlook : p_oLibrary.m_p_oOutlookExpress;
    if (!slot)
    {
        slot = CreateMailPackageObject(package, p_oLibrary.m_iPackageVersion, p_pSession, p_pApplication,
                                       p_oLibrary.m_oRegistry);
        if (!slot)
        {
            ShowInitMessage(kMsgNoPackageObject);
            return false;
        }
        if (slot->Error().IsSet())
        {
            ShowInitMessage(kMsgInitCaption, slot->Error().Text(), MB_ICONWARNING);
            slot.reset();
            return false;
        }
    }
    if (package == kPackageOutlook && !p_oLibrary.m_p_oWordHook)
    {
        // Word-edited mail only loses its "Notify mobile" boxes without the hook, so a binding
        // in error is traced and the start goes on.
        p_oLibrary.m_p_oWordHook = std::make_unique<CWordHookBinding>(p_oLibrary.m_oRegistry);
        if (p_oLibrary.m_p_oWordHook->Error().IsSet())
            LOG_FAILURE("Word hook binding: %s", p_oLibrary.m_p_oWordHook->Error().Text().c_str());
    }
    return true;
}

[[nodiscard]] bool CreateSecurityObject(CLibrary& p_oLibrary)
{
    if (p_oLibrary.m_p_oSecurity)
        return true;
    p_oLibrary.m_p_oSecurity.reset(new (std::nothrow) CClientSecurityProtocol(p_oLibrary.m_oRegistry));
    if (!p_oLibrary.m_p_oSecurity)
    {
        ShowInitMessage(kMsgSecurityCreateFailed);
        return false;
    }
    if (p_oLibrary.m_p_oSecurity->IsError())
    {
        LOG_FAILURE("CClientSecurityProtocol: %s", p_oLibrary.m_p_oSecurity->Error().Text().c_str());
        p_oLibrary.m_p_oSecurity.reset();
        ShowInitMessage(kMsgSecurityInError);
        return false;
    }
    return true;
}

// The rule manager, loaded from the settings once here; the mailbox watchers and the rules dialog
// share it. A second Init keeps the one the first made.
[[nodiscard]] bool CreateRuleManagerObject(CLibrary& p_oLibrary)
{
    if (p_oLibrary.m_p_oRuleManager)
        return true;
    std::unique_ptr<CRuleManager> manager(new (std::nothrow) CRuleManager(p_oLibrary.m_oRegistry));
    if (!manager)
    {
        ShowInitMessage(kMsgRuleManagerFailed);
        return false;
    }
    if (!manager->LoadRulesFromRegistry() || manager->IsError())
    {
        LOG_FAILURE("CRuleManager: %s", manager->Error().Text().c_str());
        ShowInitMessage(kMsgRuleManagerFailed, manager->Error().Text());
        return false;
    }
    p_oLibrary.m_p_oRuleManager = std::move(manager);
    return true;
}
} // namespace

extern "C"
{
    int CORVANE_API Init(int p_iPackage, int p_iPackageVersion, IMAPISession* p_pSession, IDispatch* p_pApplication,
                         HWND p_hParent, int p_iCallerKind)
    {
        return TrapExceptions("Init", 0, [&]() -> int {
            CLogScope scope("Init");
            Log("Init: package %d, version %d, session %p, application %p, parent %p, caller %d", p_iPackage,
                p_iPackageVersion, static_cast<void*>(p_pSession), static_cast<void*>(p_pApplication),
                static_cast<void*>(p_hParent), p_iCallerKind);
            CLibrary& library = Library();

            library.SetParentWindow(p_hParent);
            if (p_iCallerKind == kCallerNoPackage && p_iPackage == kPackageOutlook)
            {
                if (IsInternetMailOnly(p_iPackageVersion, library.m_oRegistry) || p_iPackageVersion == 4 ||
                    p_iPackageVersion == 5)
                {
                    if (const HWND outlook = FindOutlookMainWindow(); outlook != nullptr)
                        library.SetParentWindow(outlook);
                }
            }

            if (!AllocateSlots(library, kFirstSlots))
                return 0;

            library.m_iPackage = p_iPackage;
            library.m_iPackageVersion = p_iPackageVersion;
            library.m_iCallerKind = p_iCallerKind;
            // Without the bold font labels are drawn plain; the start goes on.
            (void)CreateBoldFont(library);

            if (IsFullStart(p_iCallerKind))
            {
                if (!CreatePackageObjects(library, p_pSession, p_pApplication))
                    return 0;
                if (!AllocateSlots(library, kFullStartSlots))
                    return 0;
                // The MAPI object fills this thread's slots, so it comes once they exist.
                if (library.m_iPackage == kPackageOutlook &&
                    !CreateAddressBookObject(library, p_pSession, p_pApplication,
                                             IsInternetMailOnly(p_iPackageVersion, library.m_oRegistry)))
                {
                    library.m_p_oOutlook.reset();
                    return 0;
                }
                if (!CreateSecurityObject(library) || !CreateRuleManagerObject(library))
                    return 0;
            }

            if (!AllocateSlots(library, kLastSlots))
                return 0;
            Log("Init: ready");
            return 1;
        });
    }

    int CORVANE_API Uninit()
    {
        return TrapExceptions("Uninit", 0, [&]() -> int {
            CLogScope scope("Uninit");
            CLibrary& library = Library();
            library.m_hBoldFont.reset();
            library.m_p_oOutlookExpress.reset();
            // The Outlook Express monitor uses the rules and the registry until it has stopped.
            (void)StopOEMonitor();
            NewMailAdvise().Stop();
            DestroyAddressBookObject(library);
            library.m_p_oOutlook.reset();
            library.m_p_oSecurity.reset();
            library.m_p_oRuleManager.reset();
            library.m_oSlots.FreeAll();
            {
                std::lock_guard<std::mutex> lock(library.m_oAdviseMutex);
                library.m_hResourceChangeEvent.reset();
                library.m_hResourceChangingMutex.reset();
            }
            library.m_p_oWordHook.reset();
            library.m_iPackage = kPackageNotChosen;
            library.m_iPackageVersion = 0;
            library.m_iCallerKind = 0;
            library.SetParentWindow(nullptr);
            Log("Uninit: done");
            return 1;
        });
    }
}
