// Addressbook/frame/thread_exports.cpp: per-thread set-up (ThreadInit, ThreadUninit,
// GetSessionForThread), the parent window and StartAdvise.
#include "Addressbook/addressbook/exmapi_win.h"
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
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
            // The new-mail advise sink on the default store follows once the library has its MAPI object.
            return 1;
        });
    }
}
