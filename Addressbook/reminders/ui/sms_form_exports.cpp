// Addressbook/reminders/ui/sms_form_exports.cpp: the exports InstallSMSForms, UninstallSMSForms and
// ChangeReminderForm over CSMSForms, and the advise sink's entry points.
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/include/package_kinds.h"
#include "Addressbook/reminders/sms_forms_win.h"
#include "Addressbook/reminders/ui/sms_form_events_win.h"
#include "common/boundary.h"
#include "common/failure_log.h"

#include <mutex>

namespace
{
std::mutex g_oStartupAccessLock;
std::function<bool()> g_fnHoldsStartupMutex;
std::function<void()> g_fnReleaseStartupMutex;

CSMSForms MakeForms()
{
    CLibrary& library = Library();
    CSMSFormsHost host;
    host.m_pThread = &library.m_oThreadValues;
    host.m_pRegistry = &library.m_oRegistry;
    host.m_iCallerKind = library.CallerKind();
    host.m_iPackageVersion = library.PackageVersion();
    const std::lock_guard<std::mutex> lock(g_oStartupAccessLock);
    host.m_fnHoldsStartupMutex = g_fnHoldsStartupMutex;
    host.m_fnReleaseStartupMutex = g_fnReleaseStartupMutex;
    return CSMSForms(std::move(host));
}

// The forms belong to Outlook, and need the calling thread's session and store.
bool OutlookThreadReady()
{
    CLibrary& library = Library();
    return library.Package() == kPackageOutlook && library.m_oThreadValues.Session() != nullptr &&
           library.m_oThreadValues.MessageStore() != nullptr;
}
} // namespace

void SetFormsStartupMutexAccess(std::function<bool()> p_fnHolds, std::function<void()> p_fnRelease)
{
    const std::lock_guard<std::mutex> lock(g_oStartupAccessLock);
    g_fnHoldsStartupMutex = std::move(p_fnHolds);
    g_fnReleaseStartupMutex = std::move(p_fnRelease);
}

HRESULT ConvertOnEvent(const std::vector<BYTE>& p_vMessageEntryId, const std::vector<BYTE>& p_vFolderEntryId)
{
    return MakeForms().ConvertOnEvent(p_vMessageEntryId, p_vFolderEntryId);
}

HRESULT ConvertFolderOnEvent(const std::vector<BYTE>& p_vFolderEntryId)
{
    return MakeForms().ConvertFolderOnEvent(p_vFolderEntryId);
}

extern "C"
{
    int CORVANE_API InstallSMSForms()
    {
        return TrapExceptions("InstallSMSForms", 0, [&]() -> int {
            if (!OutlookThreadReady())
                return 1;
            return SUCCEEDED(MakeForms().SetupSMSForms()) ? 1 : 0;
        });
    }

    int CORVANE_API UninstallSMSForms()
    {
        return TrapExceptions("UninstallSMSForms", 0, [&]() -> int {
            if (!OutlookThreadReady())
                return 1;
            return SUCCEEDED(MakeForms().RemoveSMSForms()) ? 1 : 0;
        });
    }

    int CORVANE_API ChangeReminderForm(int32_t p_bChangeExisting)
    {
        return TrapExceptions("ChangeReminderForm", 0, [&]() -> int {
            if (OutlookThreadReady())
                (void)MakeForms().ChangeReminderForm(p_bChangeExisting != 0);
            return 1;
        });
    }
}
