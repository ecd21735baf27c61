// Addressbook/oe/oe_monitor_exports.cpp: StartOEMonitor, StopOEMonitor and GetOEMaxForIdentity, the
// library's exports of the Outlook Express monitor. An upgrade notice is announced to the parent
// window (Runbay's monitor window) with WM_RELOADBAR; the rules' SMS leave owned by that window.
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/mail_documents.h"
#include "Addressbook/newmail/resource_installer_win.h"
#include "Addressbook/oe/oe_monitor_win.h"
#include "Addressbook/sending/email_sender.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <memory>
#include <mutex>
#include <string>

namespace
{
constexpr UINT kReloadBarMessage = 0x410; // WM_RELOADBAR

std::mutex g_oMonitorMutex;

// Never destroyed: unloading the library must not wait for the thread under the loader lock.
// StopOEMonitor (and Uninit, through it) ends the monitor while that is still safe.
std::unique_ptr<oe::COEMonitor>& Monitor()
{
    static auto* s_p_oMonitor = new std::unique_ptr<oe::COEMonitor>();
    return *s_p_oMonitor;
}

bool SendRuleAnnouncements(const CFinalSMSList& p_oList)
{
    int result = kSendNothingSent;
    const int called = SendBulkSMS(Library().ParentWindow(), nullptr, &p_oList, "", kOptionSyncEnd, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, &result);
    return called == 1 && result == kSendSuccess;
}

void WithServices(const std::function<void(const CNewMailServices&)>& p_fnBatch)
{
    CLibrary& library = Library();
    const std::string mutexName = "ResourceChangingMutex" + std::to_string(GetCurrentProcessId());
    unique_handle changing(CreateMutexA(nullptr, FALSE, mutexName.c_str()));
    if (!LOG_IF_WIN32_BOOL_FALSE(changing.get() != nullptr))
        return;
    const HWND parent = library.ParentWindow();
    CResourceInstallerWin installer(
        changing.get(), [parent] { (void)LOG_IF_WIN32_BOOL_FALSE(PostMessageA(parent, kReloadBarMessage, 0, 0)); },
        parent);
    CNewMailServices services;
    services.m_p_oRegistry = &library.m_oRegistry;
    services.m_p_oRules = library.m_p_oRuleManager.get();
    services.m_p_oInstaller = &installer;
    services.m_fnSendBulk = &SendRuleAnnouncements;
    p_fnBatch(services);
}
} // namespace

extern "C"
{
    int CORVANE_API StartOEMonitor()
    {
        return TrapExceptions("StartOEMonitor", 0, [&]() -> int {
            CLogScope scope("StartOEMonitor");
            std::lock_guard<std::mutex> lock(g_oMonitorMutex);
            std::unique_ptr<oe::COEMonitor>& running = Monitor();
            if (running && running->IsRunning())
                return 1;
            oe::COEMonitorHost host;
            host.m_p_oRegistry = &Library().m_oRegistry;
            host.m_iMajor = Library().PackageVersion();
            host.m_fnWithServices = &WithServices;
            auto monitor = std::make_unique<oe::COEMonitor>(std::move(host));
            if (!monitor->Start())
                return 0;
            running = std::move(monitor);
            return 1;
        });
    }

    int CORVANE_API StopOEMonitor()
    {
        return TrapExceptions("StopOEMonitor", 0, [&]() -> int {
            CLogScope scope("StopOEMonitor");
            std::lock_guard<std::mutex> lock(g_oMonitorMutex);
            std::unique_ptr<oe::COEMonitor>& running = Monitor();
            if (running)
                running->Stop();
            running.reset();
            return 1;
        });
    }

    int CORVANE_API GetOEMaxForIdentity(const char* p_szIdentity, uint32_t* p_pdwLastMessage, uint32_t* p_pdwError)
    {
        return TrapExceptions("GetOEMaxForIdentity", 0, [&]() -> int {
            CLogScope scope("GetOEMaxForIdentity");
            uint32_t last = 0;
            uint32_t error = 0;
            oe::CSimpleMAPI mapi(Library().PackageVersion(), Library().m_oRegistry);
            bool done = mapi.IsValid();
            if (!done)
                error = mapi.Error().Id();
            else if (!mapi.LoginToIdentity(p_szIdentity != nullptr ? p_szIdentity : ""))
                error = 1;
            else
                done = oe::LastMessageNumber(mapi, last, error);
            if (p_pdwLastMessage != nullptr)
                *p_pdwLastMessage = done ? last : 0;
            if (p_pdwError != nullptr)
                *p_pdwError = done ? 0 : error;
            return done ? 1 : 0;
        });
    }
}
