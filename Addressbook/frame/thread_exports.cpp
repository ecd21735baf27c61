// Addressbook/frame/thread_exports.cpp: per-thread set-up (ThreadInit, ThreadUninit,
// GetSessionForThread), the parent window and StartAdvise.
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"

#include <string>

namespace
{
// IMAPISession is only declared here; every COM interface starts with IUnknown's vtable, so its
// reference counting is reached through that base.
IUnknown* AsUnknown(IMAPISession* p_pSession)
{
    return reinterpret_cast<IUnknown*>(p_pSession);
}

// Replaces the interface in a slot of this thread, holding one reference to the new one. The
// slot owns a plain pointer, so the references move in and out of it through com_ptr.
[[nodiscard]] bool StoreInterface(CThreadSlots& p_oSlots, ESlot p_eSlot, IUnknown* p_pNew)
{
    if (!p_oSlots.IsAllocated(p_eSlot))
        return false;
    auto* old = static_cast<IUnknown*>(p_oSlots.Get(p_eSlot));
    if (old == p_pNew)
        return true;
    com_ptr<IUnknown> added = com_ptr<IUnknown>::copy_from(p_pNew);
    if (!p_oSlots.Set(p_eSlot, added.get()))
        return false;
    (void)added.detach(); // the slot holds it now
    // The slot's reference to the interface it held ends here.
    com_ptr<IUnknown> previous;
    previous.attach(old);
    return true;
}

void ReleaseInterface(CThreadSlots& p_oSlots, ESlot p_eSlot)
{
    if (!StoreInterface(p_oSlots, p_eSlot, nullptr))
        LOG_FAILURE("slot %u could not be cleared", static_cast<unsigned>(p_eSlot));
}

// The session and dispatch the host marshalled to this thread. The thread's message store and
// address book are opened from the session by the MAPI object once it is part of the library.
[[nodiscard]] bool StoreThreadMapiValues(CThreadSlots& p_oSlots, IMAPISession* p_pSession, IDispatch* p_pApplication)
{
    return StoreInterface(p_oSlots, ESlot::Session, AsUnknown(p_pSession)) &&
           StoreInterface(p_oSlots, ESlot::Dispatch, p_pApplication);
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
                !StoreThreadMapiValues(library.m_oSlots, p_pSession, p_pApplication))
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
                ReleaseInterface(library.m_oSlots, ESlot::Dispatch);
                ReleaseInterface(library.m_oSlots, ESlot::Session);
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
            return static_cast<IMAPISession*>(library.m_oSlots.Get(ESlot::Session));
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
