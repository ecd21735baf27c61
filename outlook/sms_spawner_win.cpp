// outlook/sms_spawner_win.cpp: the compose server calls of the plug-in.
#include "outlook/sms_spawner_win.h"

#include "common/failure_log.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/quillet_h.h"
#include "outlook/plugin_strings.h"

namespace
{
bool Succeeded(HRESULT p_hr)
{
    return p_hr >= 0;
}

unique_bstr MakeBstr(const std::string& p_sText)
{
    const std::wstring wide = AnsiToWide(p_sText);
    return unique_bstr(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
}

void ReportCall(const char* p_szCall, HRESULT p_hr)
{
    ShowMessageBox(GetDesktopWindow(),
                   PluginText(plugin_string::kCallFailed, p_szCall, static_cast<unsigned>(p_hr), "CSMSSpawner()"),
                   PluginText(plugin_string::kErrorOccurred), MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}
} // namespace

CSMSSpawner::~CSMSSpawner() = default;

bool CSMSSpawner::Create(int p_iHostVersionCode, IUnknown* p_pSession, IUnknown* p_pApplication, HWND p_hWnd)
{
    m_iHostVersionCode = p_iHostVersionCode;
    HRESULT hr = LOG_IF_FAILED(
        CoCreateInstance(CLSID_Quillet, nullptr, CLSCTX_LOCAL_SERVER, IID_IQuillet, m_p_IQuillet.put_void()));
    if (FAILED(hr))
    {
        ReportCall("CoCreateInstance", hr);
        return false;
    }
    hr = LOG_IF_FAILED(
        m_p_IQuillet->Init(0, p_iHostVersionCode, p_pSession, p_pApplication, WindowArgument(p_hWnd), 0, 0));
    if (FAILED(hr))
    {
        ReportCall("m_p_IQuillet->Init", hr);
        m_p_IQuillet.reset();
        return false;
    }
    return true;
}

bool CSMSSpawner::CreateNewSMS(HWND p_hWnd, const std::string& p_sTo, const std::string& p_sText)
{
    const unique_bstr to = MakeBstr(p_sTo);
    const unique_bstr text = MakeBstr(p_sText);
    return m_p_IQuillet &&
           Succeeded(LOG_IF_FAILED(m_p_IQuillet->CreateNewSMS(WindowArgument(p_hWnd), to.get(), text.get())));
}

bool CSMSSpawner::StartReminderMonitor()
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->StartReminderMonitor()));
}

bool CSMSSpawner::StopReminderMonitor()
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->StopReminderMonitor()));
}

bool CSMSSpawner::StartMailMonitor(DWORD p_dwProcessId)
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->StartMailMonitor(static_cast<long>(p_dwProcessId))));
}

bool CSMSSpawner::StartVMIfNecessary(HWND p_hWnd)
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->StartVMIfNecessary(WindowArgument(p_hWnd))));
}

bool CSMSSpawner::CCPhoneStore(IUnknown* p_pMessage, bool p_bTo, bool p_bCC, bool p_bBCC)
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->CCPhoneStore(p_pMessage, p_bTo, p_bCC, p_bBCC)));
}

bool CSMSSpawner::CCPhoneSend(LONG p_lValue)
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->CCPhoneSend(p_lValue)));
}

bool CSMSSpawner::CreateReminder(HWND p_hWnd)
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->CreateReminder(WindowArgument(p_hWnd))));
}

bool CSMSSpawner::GetEmailDetails(ULONG p_cbEntryId, const std::string& p_sEntryHex, std::string& p_sSender,
                                  std::string& p_sText)
{
    if (!m_p_IQuillet)
        return false;
    const unique_bstr entry = MakeBstr(p_sEntryHex);
    unique_bstr sender;
    unique_bstr text;
    if (!Succeeded(LOG_IF_FAILED(
            m_p_IQuillet->GetEmailDetails(static_cast<long>(p_cbEntryId), entry.get(), sender.put(), text.put()))))
        return false;
    p_sSender = sender ? WideToAnsi(sender.get()) : std::string();
    p_sText = text ? WideToAnsi(text.get()) : std::string();
    return true;
}

bool CSMSSpawner::InstallSMSForms()
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->InstallSMSForms()));
}

bool CSMSSpawner::SetBrowserWindow(HWND p_hWnd)
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->SetBrowserWindow(WindowArgument(p_hWnd))));
}

bool CSMSSpawner::ShowRuleManager(HWND p_hWnd)
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->ShowRuleManager(WindowArgument(p_hWnd))));
}

bool CSMSSpawner::ChangeReminderForm(bool p_bChangeOldOnes)
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->ChangeReminderForm(p_bChangeOldOnes ? 1 : 0)));
}

bool CSMSSpawner::ShowTemplateEditor(HWND p_hWnd)
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->ShowTemplateEditor(WindowArgument(p_hWnd))));
}

bool CSMSSpawner::ShowSyncReminders(HWND p_hWnd)
{
    return m_p_IQuillet && Succeeded(LOG_IF_FAILED(m_p_IQuillet->ShowSyncReminders(WindowArgument(p_hWnd))));
}
