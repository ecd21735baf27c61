// tests/win/oelaunch/about_options_test.cpp: Runbay's About box and Options dialog used as a user uses
// them, by window messages from a timer while they run modally: the version line, the Delivery page
// refusing notifications without a "when", and OK storing the defaults of both pages.
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/text_win.h"
#include "oelaunch/about_options_win.h"
#include "oelaunch/res/runbay_resource.h"
#include "tools/window_picture/window_picture_win.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace
{
std::vector<std::string> g_vBoxes;
std::function<bool(HWND)> g_fnStep;
HWND g_hDialog = nullptr;

int RecordBox(HWND, const std::string& p_sText, const std::string& p_sCaption, UINT)
{
    g_vBoxes.push_back(p_sCaption + ": " + p_sText);
    return IDOK;
}

// Each tick finds this process's visible dialog with the caption and hands it to the current step.
void CALLBACK Drive(HWND, UINT, UINT_PTR p_uTimer, DWORD)
{
    DWORD process = 0;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr;)
    {
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && window == g_hDialog)
            break;
    }
    if (g_hDialog == nullptr)
        for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr;)
        {
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(window))
                g_hDialog = window;
        }
    if (g_hDialog != nullptr && g_fnStep && g_fnStep(g_hDialog))
        KillTimer(nullptr, p_uTimer);
}

HWND Page(HWND p_hDialog)
{
    return FindWindowExA(p_hDialog, nullptr, "#32770", nullptr);
}

// The user's values of the names, put back (or removed again) when the test ends.
class CUserValuesKept
{
  public:
    CUserValuesKept(std::string p_sKey, std::vector<std::string> p_vNames)
        : m_sKey(std::move(p_sKey)), m_vNames(std::move(p_vNames))
    {
        for (const std::string& name : m_vNames)
        {
            std::vector<BYTE> data(4096);
            DWORD size = static_cast<DWORD>(data.size());
            DWORD type = 0;
            const bool found = RegGetValueA(HKEY_CURRENT_USER, m_sKey.c_str(), name.c_str(), RRF_RT_ANY, &type,
                                            data.data(), &size) == ERROR_SUCCESS;
            data.resize(found ? size : 0);
            m_vValues.push_back({found, type, data});
        }
    }
    ~CUserValuesKept()
    {
        for (size_t i = 0; i < m_vNames.size(); ++i)
            if (m_vValues[i].m_bFound)
                RegSetKeyValueA(HKEY_CURRENT_USER, m_sKey.c_str(), m_vNames[i].c_str(), m_vValues[i].m_dwType,
                                m_vValues[i].m_vData.data(), static_cast<DWORD>(m_vValues[i].m_vData.size()));
            else
                RegDeleteKeyValueA(HKEY_CURRENT_USER, m_sKey.c_str(), m_vNames[i].c_str());
    }

  private:
    struct CValue
    {
        bool m_bFound;
        DWORD m_dwType;
        std::vector<BYTE> m_vData;
    };
    std::string m_sKey;
    std::vector<std::string> m_vNames;
    std::vector<CValue> m_vValues;
};

std::string Artifact(const char* p_szName)
{
    return std::string(ARTIFACTS_DIR) + "/" + p_szName;
}

TEST(RunbayDialogs, AboutShowsTheVersionLine)
{
    // An eight-character version is shown as its first three characters and two single ones; the
    // prefix's own value is put back afterwards.
    const char* key = "Software\\Brevolt\\Install";
    char previous[64] = {};
    DWORD size = sizeof previous;
    const bool had =
        RegGetValueA(HKEY_LOCAL_MACHINE, key, "Version", RRF_RT_REG_SZ, nullptr, previous, &size) == ERROR_SUCCESS;
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "Version", REG_SZ, "10203040", 9), ERROR_SUCCESS);
    g_hDialog = nullptr;
    std::string version;
    g_fnStep = [&](HWND p_hDialog) {
        version = DialogItemText(p_hDialog, IDC_RUNBAY_ABOUT_VERSION);
        (void)SaveWindowBitmap(p_hDialog, Artifact("runbay_about.bmp").c_str());
        PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    };
    SetTimer(nullptr, 0, 200, Drive);
    ShowRunbayAbout(GetModuleHandleA(nullptr), nullptr);
    if (had)
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "Version", REG_SZ, previous, static_cast<DWORD>(strlen(previous) + 1));
    else
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key, "Version");
    EXPECT_EQ(version, "Version 102.0.3");
}

TEST(RunbayDialogs, OptionsRefuseNotificationsWithoutAWhenAndStoreBothPages)
{
    const CUserValuesKept keptOptions("Software\\Brevolt\\Options", {"NotifyDefaults", "SendDefaults"});
    const CUserValuesKept keptSignature("Software\\Brevolt", {"Signature"});
    CRegistry registry;
    ASSERT_TRUE(registry.SetNotifyDefaults(kNotifyAlwaysSet));
    ASSERT_TRUE(registry.SetSendDefaults(kSendRepliesToEmail | kSendNoSignature, ""));
    g_vBoxes.clear();
    const MessageBoxFn previous = SetMessageBoxFunction(RecordBox);
    g_hDialog = nullptr;
    int step = 0;
    g_fnStep = [&](HWND p_hDialog) {
        const HWND page = Page(p_hDialog);
        switch (step++)
        {
        case 0:
            // Two tabs: Delivery and Sending; no Reminder page.
            EXPECT_EQ(SendDlgItemMessageA(p_hDialog, IDC_RUNBAY_TABS, TCM_GETITEMCOUNT, 0, 0), 2);
            SendDlgItemMessageA(page, IDC_RUNBAY_NOTIFY_ALL, BM_CLICK, 0, 0);
            PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return false;
        case 1:
            // Refused: the dialog stays and says why.
            EXPECT_EQ(g_vBoxes.size(), 1u);
            SendDlgItemMessageA(page, IDC_RUNBAY_REACHES_NETWORK, BM_CLICK, 0, 0);
            RedrawWindow(p_hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            (void)SaveWindowBitmap(p_hDialog, Artifact("runbay_options.bmp").c_str());
            {
                NMHDR change{GetDlgItem(p_hDialog, IDC_RUNBAY_TABS), IDC_RUNBAY_TABS, TCN_SELCHANGING};
                SendMessageA(p_hDialog, WM_NOTIFY, IDC_RUNBAY_TABS, reinterpret_cast<LPARAM>(&change));
                TabCtrl_SetCurSel(change.hwndFrom, 1);
                change.code = TCN_SELCHANGE;
                SendMessageA(p_hDialog, WM_NOTIFY, IDC_RUNBAY_TABS, reinterpret_cast<LPARAM>(&change));
            }
            return false;
        default:
            EXPECT_NE(GetDlgItem(page, IDC_RUNBAY_CC_NOTIFICATION), nullptr);
            SendDlgItemMessageA(page, IDC_RUNBAY_CC_NOTIFICATION, BM_CLICK, 0, 0);
            SendDlgItemMessageA(page, IDC_RUNBAY_SIGNATURE, BM_CLICK, 0, 0);
            SetDlgItemTextA(page, IDC_RUNBAY_SIGNATURE_TEXT, "- Ann");
            PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return true;
        }
    };
    SetTimer(nullptr, 0, 200, Drive);
    const bool stored = ShowRunbayOptions(GetModuleHandleA(nullptr), nullptr);
    SetMessageBoxFunction(previous);
    EXPECT_TRUE(stored);
    uint32_t notify = 0;
    uint32_t send = 0;
    std::string signature;
    EXPECT_TRUE(registry.GetNotifyDefaults(notify));
    EXPECT_EQ(notify, kNotifyAlwaysSet | kNotifyAll | kNotifyNetwork);
    EXPECT_TRUE(registry.GetSendDefaults(send, signature));
    EXPECT_EQ(send, kSendRepliesToEmail | kSendSignature | kSendCCMobile);
    EXPECT_EQ(signature, "- Ann");
}
} // namespace
