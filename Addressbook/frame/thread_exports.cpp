// Addressbook/frame/thread_exports.cpp: per-thread set-up (ThreadInit, ThreadUninit,
// GetSessionForThread), the parent window and StartAdvise.
#include "Addressbook/addressbook/exmapi_win.h"
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/newmail/new_mail.h"
#include "Addressbook/newmail/new_mail_sink_win.h"
#include "Addressbook/newmail/resource_installer_win.h"
#include "Addressbook/reminders/ui/sms_form_events_win.h"
#include "Addressbook/sending/email_sender.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"

#include <string>

namespace
{
// The session and dispatch the host marshalled to this thread. With the MAPI object the thread's
// address book and store are opened from the session too; without it (a start that made none)
// the two values are kept as given.
[[nodiscard]] bool StoreThreadMapiValues(CLibrary& p_oLibrary, IMAPISession* p_pSession, IDispatch* p_pApplication)
{
    if (p_oLibrary.m_p_oExMapi)
    {
        p_oLibrary.m_p_oExMapi->SetThreadValuesForNewThread(p_pSession, p_pApplication);
        return true;
    }
    return p_oLibrary.m_oThreadValues.Store(ESlot::Session, p_pSession) &&
           p_oLibrary.m_oThreadValues.Store(ESlot::Dispatch, p_pApplication);
}

// The SMS of the rules that fired for one mail, as one bulk job owned by the desktop.
bool SendRuleAnnouncements(const CFinalSMSList& p_oList)
{
    int result = kSendNothingSent;
    const int called = SendBulkSMS(GetDesktopWindow(), nullptr, &p_oList, "", kOptionSyncEnd, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, &result);
    return called == 1 && result == kSendSuccess;
}

// A new message of the default store, on the thread that advised.
HRESULT DealWithNewMailOfLibrary(const CEntryBytes& p_vMessage, const CEntryBytes& p_vFolder)
{
    CLibrary& library = Library();
    HANDLE changingMutex = nullptr;
    HANDLE changeEvent = nullptr;
    {
        std::lock_guard<std::mutex> lock(library.m_oAdviseMutex);
        changingMutex = library.m_hResourceChangingMutex.get();
        changeEvent = library.m_hResourceChangeEvent.get();
    }
    if (!library.m_p_oExMapi)
        return E_FAIL;
    // The watcher of the Outlook plug-in reloads after each wait; a set auto-reset event is not
    // lost when the replacement lands while it is still reloading from the previous one.
    CResourceInstallerWin installer(changingMutex, [changeEvent] { LOG_IF_WIN32_BOOL_FALSE(SetEvent(changeEvent)); });
    CNewMailServices services;
    services.m_p_oRegistry = &library.m_oRegistry;
    services.m_p_oRules = library.m_p_oRuleManager.get();
    services.m_p_oInstaller = &installer;
    services.m_fnSendBulk = &SendRuleAnnouncements;
    return library.m_p_oExMapi->DealWithNewMail(p_vMessage, p_vFolder, services);
}

void CountThreadInit(CThreadSlots& p_oSlots, int p_iStep)
{
    const auto count = reinterpret_cast<intptr_t>(p_oSlots.Get(ESlot::ThreadInitCount)) + p_iStep;
    if (!p_oSlots.Set(ESlot::ThreadInitCount, reinterpret_cast<void*>(count < 0 ? 0 : count)))
        LOG_FAILURE("no slot for the thread's count");
}
} // namespace

extern "C"
{
    int CORVANE_API ThreadInit(IMAPISession* p_pSession, IDispatch* p_pApplication)
    {
        return TrapExceptions("ThreadInit", 0, [&]() -> int {
            CLibrary& library = Library();
            if (library.Package() == kPackageOutlook && p_pSession != nullptr &&
                !StoreThreadMapiValues(library, p_pSession, p_pApplication))
            {
                LOG_FAILURE("the thread's MAPI values could not be stored");
                return 0;
            }
            CountThreadInit(library.m_oSlots, 1);
            return 1;
        });
    }

    int CORVANE_API ThreadUninit()
    {
        return TrapExceptions("ThreadUninit", 0, [&]() -> int {
            CLibrary& library = Library();
            if (library.Package() == kPackageOutlook)
            {
                if (library.m_p_oExMapi)
                    library.m_p_oExMapi->ClearThreadValues();
                else
                    library.m_oThreadValues.Clear();
            }
            CountThreadInit(library.m_oSlots, -1);
            return 1;
        });
    }

    IMAPISession* CORVANE_API GetSessionForThread()
    {
        return TrapExceptions("GetSessionForThread", static_cast<IMAPISession*>(nullptr), [&]() -> IMAPISession* {
            CLibrary& library = Library();
            if (library.Package() != kPackageOutlook)
                return nullptr;
            return library.m_oThreadValues.Session();
        });
    }

    int CORVANE_API SetParentWindow(HWND p_hParent)
    {
        return TrapExceptions("SetParentWindow", 0, [&]() -> int {
            Library().SetParentWindow(p_hParent);
            return 1;
        });
    }

    int CORVANE_API StartAdvise(DWORD p_dwNumber)
    {
        return TrapExceptions("StartAdvise", 0, [&]() -> int {
            CLibrary& library = Library();
            std::lock_guard<std::mutex> lock(library.m_oAdviseMutex);
            const std::string eventName = "ResourceChangeEvent" + std::to_string(p_dwNumber);
            const std::string mutexName = "ResourceChangingMutex" + std::to_string(GetCurrentProcessId());
            unique_handle event(LOG_IF_WIN32_BOOL_FALSE(CreateEventA(nullptr, FALSE, FALSE, eventName.c_str())));
            if (!event)
                return 0;
            unique_handle mutex(LOG_IF_WIN32_BOOL_FALSE(CreateMutexA(nullptr, FALSE, mutexName.c_str())));
            if (!mutex)
                return 0;
            library.m_hResourceChangeEvent = std::move(event);
            library.m_hResourceChangingMutex = std::move(mutex);
            IMsgStore* store = library.m_p_oExMapi ? library.m_oThreadValues.MessageStore() : nullptr;
            if (store != nullptr && !NewMailAdvise().IsAdvised())
            {
                // New and changed appointments and tasks take the SMS forms' classes.
                SetFormConversionSeam(CFormConversionSeam{&ConvertOnEvent, &ConvertFolderOnEvent});
                CNewMailHandlers handlers;
                handlers.m_fnDealWithNewMail = &DealWithNewMailOfLibrary;
                LOG_IF_MAPI_FAILED(NewMailAdvise().Start(
                    store, library.m_p_oExMapi->Mapi().Functions().m_pfnHrThisThreadAdviseSink, std::move(handlers)));
            }
            return 1;
        });
    }
}
