// oehook/latchkit_profile.h: what differs between Outlook Express 4 and 5 and later: window classes,
// texts and the command ids the hooks send, watch and hand out.
#pragma once

#include <cstdint>

struct CLatchkitProfile
{
    int m_iMajor;
    const char* m_szBrowserClass;
    const char* m_szHiddenClass;
    const char* m_szListClass;
    const char* m_szSMSNoteTitle;
    uint32_t m_uSendCommand;
    // The New menu's first item (New mail); the menu that holds it is the New menu.
    uint32_t m_uNewMailCommand;
    uint32_t m_uSendReceiveCommand;
    uint32_t m_uNewSMSItemId;
    uint32_t m_uMenuSelectCommand;
    uint32_t m_uNewSMSItemPosition;
    uint32_t m_uSaveAsCommand;
    uint32_t m_uSaveStateCommand;
};

inline constexpr CLatchkitProfile kLatchkitProfile4{4,
                                                    "ThorBrowserWndClass",
                                                    "ThorShellWindowClass",
                                                    "SysListView32",
                                                    "New Brevolt SMS Message",
                                                    678,
                                                    633,
                                                    141,
                                                    232,
                                                    232,
                                                    0,
                                                    466,
                                                    142};
inline constexpr CLatchkitProfile kLatchkitProfile5{5,
                                                    "Outlook Express Browser Class",
                                                    "OutlookExpressHiddenWindow",
                                                    "ATL:SysListView32",
                                                    "Brevolt SMS Message",
                                                    40411,
                                                    40465,
                                                    40466,
                                                    40364,
                                                    40416,
                                                    1,
                                                    40204,
                                                    40176};

inline const CLatchkitProfile& LatchkitProfileFor(int p_iMajor)
{
    return p_iMajor <= 4 ? kLatchkitProfile4 : kLatchkitProfile5;
}

// The first id of the system's own menu items and the base of the toolbar definition commands.
inline constexpr uint32_t kFirstOwnCommand = 40001;
inline constexpr uint32_t kToolbarCommandBase = 39000;
// The SMS band's id in the browser's rebar.
inline constexpr uint32_t kSMSBandId = 10121;
