// tests/e2e/outlook_drive_support_win.h: what the drivers of the runs inside the Outlook stand-in share:
// their progress lines, waits with deadlines, child processes, the installed product's registration,
// window finding, the client's control channel and the SMS Bar it dumps, and their command lines.
#pragma once

#include "common/handle_win.h"

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

// Progress lines start with the driver's name and how far into the run they were written, so a slow
// step shows. p_szFormat takes at most one "%s", filled with p_sText.
void SetSayName(const char* p_szName);
void Say(const char* p_szFormat, const std::string& p_sText = {});

// Pumps this thread's messages until p_fnDone answers true (true) or the time is up (false).
bool WaitUntil(const std::function<bool()>& p_fnDone, DWORD p_dwMilliseconds);
// Lets a window paint before its picture is taken.
void WaitBriefly(DWORD p_dwMilliseconds);

// Runs a command line to its end, its standard output read into p_sOutput when given; its exit
// code, or -1 when it could not start or did not end within p_dwMilliseconds.
int Run(const std::string& p_sCommandLine, std::string* p_sOutput = nullptr, DWORD p_dwMilliseconds = 60000);
std::string Quoted(const std::string& p_s);
// A REG_SZ value; empty when missing.
std::string ReadValue(HKEY p_hRoot, const char* p_szKey, const char* p_szName);
std::string ReadText(const std::string& p_sPath);
// Files (not folders) directly in p_sFolder.
int CountFiles(const std::string& p_sFolder);
// A file in the temporary folder.
std::string TempFile(const char* p_szName);

// The plug-in the client loads and the compose server COM starts are what the package put into its
// folder (the folder of the Install key's core library), not a build's files registered over them.
[[nodiscard]] bool CheckInstalled();
// CheckInstalled, then the client registers itself as its own installer does.
[[nodiscard]] bool RegisterClient(const char* p_szOutlook);
// Earlier set-ups of a prefix named a build's resource module in the user key, which would win over
// the one the package names in the Install key.
[[nodiscard]] bool RemoveUserResource();
[[nodiscard]] bool SetUserValue(const char* p_szKey, const char* p_szName, const std::string& p_sValue);

// A top-level window of another process than this one.
struct CFind
{
    DWORD m_dwProcess = 0;    // 0: any
    DWORD m_dwNotProcess = 0; // a process whose windows are not wanted
    const char* m_szClass = nullptr;
    std::function<bool(HWND)> m_fnMatch;
    HWND m_hFound = nullptr;
};

DWORD ProcessOf(HWND p_hWindow);
HWND FindTopLevel(CFind p_oFind);
// A descendant with that control id.
HWND FindChild(HWND p_hRoot, int p_iId);
// The window's text, asked with a deadline so a hung window does not hang the driver.
std::string TextOf(HWND p_hWindow);
// A visible dialog (a message box, a wizard) of p_dwProcess (0: any other) but p_hExcept, as its
// caption and message; empty when none.
std::string DialogText(DWORD p_dwProcess, HWND p_hExcept = nullptr);
// Saves the window's picture as p_szName in p_sShots when a folder for pictures was given.
void SaveShot(HWND p_hWindow, const std::string& p_sShots, const char* p_szName);

// The client stand-in, driven through its control window's WM_COPYDATA commands.
class CClient
{
  public:
    // Starts the client and waits for its control window.
    [[nodiscard]] bool Start(const char* p_szExe, DWORD p_dwMilliseconds);
    [[nodiscard]] bool Command(const std::string& p_sCommand) const;
    // The visible top-level window of that class with what p_fnMatch asks for.
    HWND Window(const char* p_szClass, const std::function<bool(HWND)>& p_fnMatch) const;
    HWND Explorer() const;
    DWORD Process() const;
    // Why Start failed: the client's exit code when it ended, else that it is still running.
    std::string State() const;
    // Quits the client; its exit code, or -1 when it did not end.
    int Quit();
    ~CClient();

  private:
    unique_handle m_hProcess;
    DWORD m_dwProcess = 0;
    HWND m_hControl = nullptr;
};

// A dump of the client's command bars shows the SMS Bar visible, with a button of that caption on it
// unless p_sButton is empty.
bool SmsBarHasButton(const std::string& p_sDump, const std::string& p_sButton);
// The SMS Bar shows (dumped by the client into p_sDumpPath), with a button of that caption unless
// p_sButton is empty.
bool BarShows(const CClient& p_oClient, const std::string& p_sDumpPath, const std::string& p_sButton);

// Reads "--name value" pairs into the slots named; false on a missing value or an unknown name.
[[nodiscard]] bool ParseOptions(int argc, char** argv,
                                std::initializer_list<std::pair<const char*, const char**>> p_aSlots);
