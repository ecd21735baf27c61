// tests/win/outlook/outlook_test_support.h: running the client stand-in as a test would run the real
// client: a seeded MAPI profile, the test extension registered, OUTLOOK.EXE of one version started
// and driven through its control channel, and the files where the host and the extension write.
#pragma once

#include "common/handle_win.h"

#include <windows.h>

#include <oaidl.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace oltest
{
inline constexpr const char* kExtensionsKey = "Software\\Microsoft\\Exchange\\Client\\Extensions";
inline constexpr const char* kTestExtensionName = "Brevolt Test Extension";

// A fresh store from the seed, the MAPI stand-in behind DLLPathEx, and the extension registrations:
// the test extension under its name plus whatever p_vExtra adds (name, value).
void PrepareMachine(const std::vector<std::pair<std::string, std::string>>& p_vExtra = {});

// Removes the registrations PrepareMachine wrote, so the prefix's other users load none of them.
void ForgetExtensions();

// Takes back what the client's "/regserver" writes for as long as it lives: keys it creates go
// again and the mail client entries get their values back. Other suites share the prefix, and a
// default mail client left at "Microsoft Outlook" makes the system's MAPI stub load the MAPI
// stand-in behind its DLLPathEx into every process that loads the stub, for the process's life:
// those suites would then keep one test's store into the next.
class CClientRegistrationRestore
{
  public:
    CClientRegistrationRestore();
    ~CClientRegistrationRestore();
    CClientRegistrationRestore(const CClientRegistrationRestore&) = delete;
    CClientRegistrationRestore& operator=(const CClientRegistrationRestore&) = delete;

  private:
    std::vector<bool> m_vExisted;
    std::vector<std::string> m_vValues;
};
// A REG_SZ value's text, or "<missing>".
std::string RegText(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName);

std::string ReadText(const std::string& p_sPath);
std::vector<std::string> ReadLines(const std::string& p_sPath);
// The lines of p_vLines that start with p_sPrefix.
std::vector<std::string> LinesStarting(const std::vector<std::string>& p_vLines, const std::string& p_sPrefix);
bool ContainsLine(const std::vector<std::string>& p_vLines, const std::string& p_sLine);

class COutlookRun
{
  public:
    // Starts p_szExe with fresh trace and log files; waits until its control window is up.
    explicit COutlookRun(const char* p_szExe);
    ~COutlookRun();
    COutlookRun(const COutlookRun&) = delete;
    COutlookRun& operator=(const COutlookRun&) = delete;

    [[nodiscard]] bool Started() const
    {
        return m_hControl != nullptr;
    }
    [[nodiscard]] bool Command(const std::string& p_sCommand) const;
    // Waits until the extension log holds a line starting with p_sPrefix (up to 10 s).
    [[nodiscard]] bool WaitForLog(const std::string& p_sPrefix) const;
    // Quits through the control channel; the exit code, or -1 when it did not end.
    [[nodiscard]] int Quit();
    // The first visible top-level window of p_szClass in the process whose title contains p_szTitle.
    [[nodiscard]] HWND FindWindowOf(const char* p_szClass, const char* p_szTitle) const;
    DWORD ThreadId() const
    {
        return m_dwThreadId;
    }

    std::string m_sTrace;
    std::string m_sExtensionLog;
    std::string m_sProbeLog;

  private:
    unique_handle m_hProcess;
    DWORD m_dwProcessId = 0;
    DWORD m_dwThreadId = 0;
    HWND m_hControl = nullptr;
};

// A late-bound result that owns its value.
class CDispResult
{
  public:
    CDispResult();
    ~CDispResult();
    CDispResult(CDispResult&& p_o) noexcept;
    CDispResult(const CDispResult&) = delete;
    CDispResult& operator=(const CDispResult&) = delete;
    IDispatch* Object() const
    {
        return m_v.vt == VT_DISPATCH ? m_v.pdispVal : nullptr;
    }
    // The text of a string result ("<none>" for anything else).
    std::string Text() const;
    long Number() const;
    VARIANT m_v;
    HRESULT m_hr = E_FAIL;
};

// Arguments for CallByName: text, numbers and flags.
VARIANT TextArg(const wchar_t* p_szText);
VARIANT LongArg(long p_lValue);
VARIANT BoolArg(bool p_bValue);
// An optional argument left out.
VARIANT MissingArg();
// Calls a member by name (method or property get); p_vArgs in call order are freed afterwards.
CDispResult CallByName(IDispatch* p_pObject, const wchar_t* p_szName, std::initializer_list<VARIANT> p_vArgs = {});
[[nodiscard]] HRESULT PutByName(IDispatch* p_pObject, const wchar_t* p_szName, VARIANT p_oValue);
// The Outlook.Application of the running client through COM, as another program reaches it.
[[nodiscard]] com_ptr<IDispatch> ConnectToApplication();
// The texts of the edit controls below p_hWindow, in window order.
std::vector<std::string> EditTexts(HWND p_hWindow);

// The pixels of p_dwColour (0x00RRGGBB) in the window's screen area; -1 when it could not be read.
int CountColour(HWND p_hWnd, DWORD p_dwColour);
// The line of a dump-bars file that describes the control with this caption, or empty.
std::string ControlLine(const std::string& p_sDump, const std::string& p_sCaption);

// Saves the window's picture as ARTIFACTS_DIR/<p_szName>.bmp (turned into PNG after the suite).
void SavePicture(HWND p_hWindow, const char* p_szName);
std::string TempDir();
[[nodiscard]] int RunAndWait(const std::string& p_sCommandLine);
} // namespace oltest
