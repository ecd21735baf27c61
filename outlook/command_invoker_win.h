// outlook/command_invoker_win.h: the process's one command runner: it owns the compose server
// object, starts the monitors once, and executes the plug-in's menu commands by resource id.
#pragma once

#include "common/handle_win.h"
#include "outlook/exchext_win.h"
#include "outlook/sms_spawner_win.h"

#include <string>
#include <utility>
#include <vector>

class CCommandInvoker
{
  public:
    CCommandInvoker(HWND p_hExplorer, int p_iHostVersionCode);
    CCommandInvoker(const CCommandInvoker&) = delete;
    CCommandInvoker& operator=(const CCommandInvoker&) = delete;

    // Creates the compose server object with the session and the application, then (unless this is
    // the first Outlook 98 start) starts the reminder monitor, Penhold's hook, the mail monitor and
    // the recommend-to-friends check, in that order. Failures are reported with strings 218/227.
    [[nodiscard]] bool ActualInit(IUnknown* p_pSession, IUnknown* p_pApplication);

    // Runs the command of the plug-in's menu with resource id p_uResourceId for explorer p_hWnd;
    // false when it is not one of the plug-in's commands or it failed. The selection (Reply and
    // Forward via SMS) comes from p_pCallback, or without one from the explorer object p_pExplorer.
    bool Execute(uint32_t p_uResourceId, HWND p_hWnd, exchext::IExchExtCallback* p_pCallback,
                 IDispatch* p_pExplorer = nullptr);
    // Runs a toolbar definition entry's target: "ACTION:" and a command of the menu, or a web
    // target. An action that is no command of the plug-in shows "Unknown Action".
    bool ExecuteTarget(const std::string& p_sTarget, HWND p_hWnd, exchext::IExchExtCallback* p_pCallback,
                       IDispatch* p_pExplorer);
    // Whether p_uResourceId is a command of the plug-in's menu or toolbar.
    static bool IsCommand(uint32_t p_uResourceId);

    CSMSSpawner& Spawner()
    {
        return m_oSpawner;
    }

  private:
    bool ReplyOrForward(HWND p_hWnd, exchext::IExchExtCallback* p_pCallback, IDispatch* p_pExplorer, bool p_bReply);
    bool OpenWebTarget(HWND p_hWnd, const std::string& p_sTarget);
    bool OpenPage(HWND p_hWnd, const char* p_szSetting, const char* p_szDefault);
    void StartPenhold();
    bool RunViral();

    HWND m_hExplorer;
    int m_iHostVersionCode;
    CSMSSpawner m_oSpawner;
    unique_hmodule m_hPenhold;
    std::vector<std::pair<std::string, std::string>> m_vTokenCache;
};

// True on the first start of Outlook 98 (HostVersionCode 2) after installation: "DoneOnce" was not
// yet stored; it is stored then, and the answer kept for the rest of the process.
bool IsFirstOutlook98Run(int p_iHostVersionCode);

// Loads Penhold from the Install value "Penhold" and calls p_szExport with p_dwArgument when
// present (p_bWithArgument) or without; a missing library or export is skipped silently.
void CallPenhold(const char* p_szExport, bool p_bWithArgument, DWORD p_dwArgument, unique_hmodule* p_pKeep);
