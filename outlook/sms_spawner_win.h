// outlook/sms_spawner_win.h: the plug-in's one compose server object: CSMSSpawner creates IQuillet
// and forwards each operation to one of its methods.
#pragma once

#include "common/handle_win.h"
#include "compose/quillet_h.h"

#include <windows.h>

#include <string>

class CSMSSpawner
{
  public:
    CSMSSpawner() = default;
    CSMSSpawner(const CSMSSpawner&) = delete;
    CSMSSpawner& operator=(const CSMSSpawner&) = delete;
    ~CSMSSpawner();

    // CoCreateInstance of the compose server, then Init(0, code, session, application, window, 0, 0).
    // Failures are reported with string 218 and fail.
    [[nodiscard]] bool Create(int p_iHostVersionCode, IUnknown* p_pSession, IUnknown* p_pApplication, HWND p_hWnd);

    // Each is true when the call's HRESULT is not negative.
    bool CreateNewSMS(HWND p_hWnd, const std::string& p_sTo, const std::string& p_sText);
    bool StartReminderMonitor();
    bool StopReminderMonitor();
    bool StartMailMonitor(DWORD p_dwProcessId);
    bool StartVMIfNecessary(HWND p_hWnd);
    bool CCPhoneStore(IUnknown* p_pMessage, bool p_bTo, bool p_bCC, bool p_bBCC);
    bool CCPhoneSend(LONG p_lValue);
    bool CreateReminder(HWND p_hWnd);
    // The sender's number and the message text of the message with that entry id.
    bool GetEmailDetails(ULONG p_cbEntryId, const std::string& p_sEntryHex, std::string& p_sSender,
                         std::string& p_sText);
    bool InstallSMSForms();
    bool SetBrowserWindow(HWND p_hWnd);
    bool ShowRuleManager(HWND p_hWnd);
    bool ChangeReminderForm(bool p_bChangeOldOnes);
    bool ShowTemplateEditor(HWND p_hWnd);
    bool ShowSyncReminders(HWND p_hWnd);

    int HostVersionCode() const
    {
        return m_iHostVersionCode;
    }

  private:
    com_ptr<IQuillet> m_p_IQuillet;
    int m_iHostVersionCode = 0;
};

// The window handle as the compose server's 32-bit window arguments carry it.
inline long WindowArgument(HWND p_hWnd)
{
    return static_cast<long>(reinterpret_cast<LONG_PTR>(p_hWnd));
}
