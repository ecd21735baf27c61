// standins/oe/oe_profile.h: what differs between the stand-in's versions 4, 5 and 6: window classes,
// registry layout and command ids (portable).
#pragma once

namespace oestandin
{
struct COeProfile
{
    int m_iMajor;
    const char* m_szBrowserClass;
    const char* m_szHiddenClass;
    const char* m_szListClass;
    const char* m_szRebarClass;
    // From version 5 on the menu bar is a toolbar in its own rebar band.
    bool m_bMenuBand;
    // "Current" under "Version Info", the same numbers as the version resource.
    const char* m_szVersionText;
    // The first item of the New menu (New mail).
    unsigned m_nNewMailCommand;
    // Send in a note window.
    unsigned m_nSendCommand;
    // Save As of the selected message (or of a note), which opens the Save Message dialog.
    unsigned m_nSaveAsCommand;
    // Send and Receive: downloads what waits in the drop folder.
    unsigned m_nSendReceiveCommand;
};

inline const COeProfile& ProfileFor(int p_iMajor)
{
    static const COeProfile s_oe4{4,
                                  "ThorBrowserWndClass",
                                  "ThorShellWindowClass",
                                  "SysListView32",
                                  "ReBarWindow32",
                                  false,
                                  "4,72,3110,0",
                                  633,
                                  678,
                                  466,
                                  141};
    static const COeProfile s_oe5{5,
                                  "Outlook Express Browser Class",
                                  "OutlookExpressHiddenWindow",
                                  "ATL:SysListView32",
                                  "SizableRebar",
                                  true,
                                  "5,50,4807,1700",
                                  40465,
                                  40411,
                                  40204,
                                  40466};
    static const COeProfile s_oe6{6,
                                  "Outlook Express Browser Class",
                                  "OutlookExpressHiddenWindow",
                                  "ATL:SysListView32",
                                  "SizableRebar",
                                  true,
                                  "6,0,2900,5512",
                                  40465,
                                  40411,
                                  40204,
                                  40466};
    return p_iMajor <= 4 ? s_oe4 : p_iMajor == 5 ? s_oe5 : s_oe6;
}

// Registry keys below HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
constexpr const char* kIdentitiesKey = "Identities";
constexpr const char* kIdentitySettingsKey = "Software\\Microsoft\\Outlook Express\\5.0";
constexpr const char* kVersion4SettingsKey = "Software\\Microsoft\\Outlook Express";
constexpr const char* kAccountManagerKey = "Software\\Microsoft\\Internet Account Manager";
constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe";
constexpr const char* kVersionInfoKey = "Software\\Microsoft\\Outlook Express\\Version Info";
// The shell association of message files, below HKEY_LOCAL_MACHINE.
constexpr const char* kClassesKey = "Software\\Classes\\";
constexpr const char* kMessageExtensionKey = "Software\\Classes\\.eml";
constexpr const char* kMessageFileType = "OEStandin.Message";
} // namespace oestandin
