// tests/win/ccmobile/launcher_test.cpp: Launcher.exe with Penhold's global Word hook over the Word
// stand-in: the Launcher holding the hooking mutex gives Word's e-mail envelopes their boxes while
// its Word runs; a second Launcher waits until that Word has ended and then takes over; a Launcher
// whose process ends first ends with 1, and one without "Hook" ends at once.
#include "tests/win/outlook/outlook_test_support.h"

#include "common/handle_win.h"
#include "common/settings.h"
#include "wordhook/penhold_exports.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>

using namespace oltest;

namespace
{
constexpr UINT kCmdEnvelope = 0x101;
constexpr UINT kCmdEnvelopeNoBcc = 0x102;
constexpr int kEnvelopeId = 0x200;
constexpr int kPaneId = 0x201;

struct CProcess
{
    unique_handle m_hProcess;
    DWORD m_dwId = 0;

    bool Start(const std::string& p_sCommandLine)
    {
        STARTUPINFOA oStartup{};
        oStartup.cb = sizeof oStartup;
        PROCESS_INFORMATION oInfo{};
        std::string sCommandLine = p_sCommandLine;
        if (!CreateProcessA(nullptr, sCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &oStartup,
                            &oInfo))
            return false;
        m_hProcess.reset(oInfo.hProcess);
        unique_handle hThread(oInfo.hThread);
        m_dwId = oInfo.dwProcessId;
        return true;
    }
    bool Running() const
    {
        return WaitForSingleObject(m_hProcess.get(), 0) == WAIT_TIMEOUT;
    }
    // The exit code once it ended within the time, else -1.
    int WaitForExit(std::chrono::milliseconds p_oLimit) const
    {
        if (WaitForSingleObject(m_hProcess.get(), static_cast<DWORD>(p_oLimit.count())) != WAIT_OBJECT_0)
            return -1;
        DWORD dwCode = 0;
        GetExitCodeProcess(m_hProcess.get(), &dwCode);
        return static_cast<int>(dwCode);
    }
};

struct CWord : CProcess
{
    HWND m_hDocument = nullptr;

    bool Open()
    {
        if (!Start(std::string("\"") + WINWORD_EXE + "\""))
            return false;
        const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (m_hDocument == nullptr && std::chrono::steady_clock::now() < tEnd)
        {
            for (HWND hWnd = FindWindowExA(nullptr, nullptr, "OpusApp", nullptr); hWnd != nullptr;
                 hWnd = FindWindowExA(nullptr, hWnd, "OpusApp", nullptr))
            {
                DWORD dwProcess = 0;
                GetWindowThreadProcessId(hWnd, &dwProcess);
                if (dwProcess == m_dwId)
                    m_hDocument = hWnd;
            }
            if (m_hDocument == nullptr)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return m_hDocument != nullptr;
    }
    HWND Envelope() const
    {
        return GetDlgItem(m_hDocument, kEnvelopeId);
    }
    HWND Box(int p_iId) const
    {
        return GetDlgItem(GetDlgItem(Envelope(), kPaneId), p_iId);
    }
    // Opens envelopes until one has its boxes (the global hook reaches Word) or the time is up.
    bool EnvelopeWithBoxes(UINT p_uCommand, std::chrono::seconds p_oLimit) const
    {
        const auto tEnd = std::chrono::steady_clock::now() + p_oLimit;
        while (std::chrono::steady_clock::now() < tEnd)
        {
            SendMessageA(m_hDocument, WM_COMMAND, p_uCommand, 0);
            if (Box(kIdNotifyTo) != nullptr)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // The other Words open at the same place: this one comes to the top, painted, for its picture.
    void Picture(const char* p_szName) const
    {
        SetWindowPos(m_hDocument, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        RedrawWindow(m_hDocument, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        SendMessageA(m_hDocument, WM_NULL, 0, 0);
        SavePicture(m_hDocument, p_szName);
        SetWindowPos(m_hDocument, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    int Close() const
    {
        PostMessageA(m_hDocument, WM_CLOSE, 0, 0);
        return WaitForExit(std::chrono::seconds(20));
    }
};

std::string LauncherFor(const CProcess& p_oProcess)
{
    return std::string("\"") + LAUNCHER_EXE + "\" Hook " + std::to_string(p_oProcess.m_dwId);
}

class LauncherWord : public testing::Test
{
  protected:
    void SetUp() override
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", 0, nullptr, 0,
                                                 KEY_SET_VALUE, nullptr, &hKey, nullptr));
        unique_hkey hInstall(hKey);
        const std::string sPath = PENHOLD_DLL;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(hInstall.get(), "Penhold", 0, REG_SZ, reinterpret_cast<const BYTE*>(sPath.c_str()),
                                 static_cast<DWORD>(sPath.size() + 1)));
        CRegistry oRegistry;
        ASSERT_TRUE(oRegistry.SetSendDefaults(kSendRepliesToEmail | kSendSignature | kSendCCMobile, ""));
    }
    // Other suites' Outlook runs load what this value names: they get no real Penhold from here.
    void TearDown() override
    {
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Penhold");
    }
};
} // namespace

TEST(Launcher, WithoutHookEndsAtOnce)
{
    const auto tStart = std::chrono::steady_clock::now();
    EXPECT_EQ(0, RunAndWait(std::string("\"") + LAUNCHER_EXE + "\""));
    EXPECT_EQ(0, RunAndWait(std::string("\"") + LAUNCHER_EXE + "\" Hooked"));
    EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(15));
}

TEST_F(LauncherWord, SecondLauncherWaitsForTheFirstWordAndTakesOver)
{
    CWord oFirstWord;
    CWord oSecondWord;
    CWord oShortWord;
    ASSERT_TRUE(oFirstWord.Open());
    ASSERT_TRUE(oSecondWord.Open());
    ASSERT_TRUE(oShortWord.Open());
    CProcess oFirst;
    ASSERT_TRUE(oFirst.Start(LauncherFor(oFirstWord)));
    ASSERT_TRUE(oFirstWord.EnvelopeWithBoxes(kCmdEnvelope, std::chrono::seconds(20)))
        << "the first Launcher's hook never reached Word";
    CProcess oSecond;
    ASSERT_TRUE(oSecond.Start(LauncherFor(oSecondWord)));
    CProcess oShort;
    ASSERT_TRUE(oShort.Start(LauncherFor(oShortWord)));

    // Word's envelope answers as a compose note does; without its Bcc line there is no bit 4.
    EXPECT_EQ(7, SendMessageA(oFirstWord.Envelope(), kMsgCCMobileChoice, 0, 0));
    HWND hPane = GetDlgItem(oFirstWord.Envelope(), kPaneId);
    for (auto [iField, iBox] : {std::pair{0x1003, kIdNotifyTo}, {0x1004, kIdNotifyCc}, {0x1007, kIdNotifyBcc}})
    {
        RECT rcField{};
        RECT rcBox{};
        GetWindowRect(GetDlgItem(hPane, iField), &rcField);
        GetWindowRect(GetDlgItem(hPane, iBox), &rcBox);
        EXPECT_EQ(rcField.right + 7, rcBox.left) << iBox;
        EXPECT_EQ(rcField.top, rcBox.top) << iBox;
    }
    oFirstWord.Picture("penhold_word_envelope");
    ASSERT_TRUE(oFirstWord.EnvelopeWithBoxes(kCmdEnvelopeNoBcc, std::chrono::seconds(5)));
    EXPECT_EQ(nullptr, oFirstWord.Box(kIdNotifyBcc));
    EXPECT_EQ(3, SendMessageA(oFirstWord.Envelope(), kMsgCCMobileChoice, 0, 0));
    SendMessageA(oFirstWord.Box(kIdNotifyTo), BM_CLICK, 0, 0);
    EXPECT_EQ(2, SendMessageA(oFirstWord.Envelope(), kMsgCCMobileChoice, 0, 0));

    // A Launcher whose Word ends while it waits for the mutex ends with 1.
    EXPECT_EQ(0, oShortWord.Close());
    EXPECT_EQ(1, oShort.WaitForExit(std::chrono::seconds(20)));
    // The second Launcher still waits while the first Word runs.
    EXPECT_TRUE(oSecond.Running());

    EXPECT_EQ(0, oFirstWord.Close());
    EXPECT_EQ(0, oFirst.WaitForExit(std::chrono::seconds(20)));
    ASSERT_TRUE(oSecondWord.EnvelopeWithBoxes(kCmdEnvelope, std::chrono::seconds(20)))
        << "the second Launcher did not take the hook over";
    EXPECT_TRUE(oSecond.Running());
    EXPECT_EQ(0, oSecondWord.Close());
    EXPECT_EQ(0, oSecond.WaitForExit(std::chrono::seconds(20)));
}
