// tests/win/compose/window_test.cpp: compose windows opened by the server object in this process:
// the initial body, the opener's messages, the send flow's refusals and results, the bars.
#include "common/settings.h"
#include "common/trace_log.h"
#include "compose/quillet_object_win.h"
#include "compose/ui/bars.h"
#include "compose/ui/sms_window.h"
#include "tests/win/compose/compose_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>

using namespace std::chrono_literals;

namespace
{
SYSTEMTIME g_stClock{2026, 12, 2, 8, 10, 7, 0, 0};
std::mutex g_oClockLock;
CTraceTime TestClock()
{
    std::lock_guard<std::mutex> lock(g_oClockLock);
    CTraceTime now;
    now.m_iYear = g_stClock.wYear;
    now.m_iMonth = g_stClock.wMonth;
    now.m_iDay = g_stClock.wDay;
    now.m_iHour = g_stClock.wHour;
    now.m_iMinute = g_stClock.wMinute;
    now.m_iSecond = g_stClock.wSecond;
    return now;
}
void SetClock(WORD p_wHour, WORD p_wMinute)
{
    std::lock_guard<std::mutex> lock(g_oClockLock);
    g_stClock.wHour = p_wHour;
    g_stClock.wMinute = p_wMinute;
}

// What the fake sends saw.
struct CSendSeen
{
    std::atomic<int> m_iSingle{0};
    std::atomic<int> m_iBulk{0};
    std::mutex m_oLock;
    std::string m_sBody;
    std::string m_sSenderId;
    uint32_t m_dwToCount = 0;
    uint32_t m_dwCcCount = 0;
    uint32_t m_dwOptions = 0;
    CDeliveryTime m_stDelivery{};
    int m_iResult = 2;
} g_oSend;

int CORVANE_API FakeSendSMS(HWND, const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlCc,
                            const char* p_szMessage, uint32_t p_dwOptions, const CDeliveryTime* p_pstDelivery,
                            const char*, int* p_piResult)
{
    {
        std::lock_guard<std::mutex> lock(g_oSend.m_oLock);
        g_oSend.m_sBody = p_szMessage;
        g_oSend.m_dwToCount = p_p_mrlTo != nullptr ? p_p_mrlTo->m_dwCount : 0;
        g_oSend.m_dwCcCount = p_p_mrlCc != nullptr ? p_p_mrlCc->m_dwCount : 0;
        g_oSend.m_dwOptions = p_dwOptions;
        g_oSend.m_stDelivery = *p_pstDelivery;
        *p_piResult = g_oSend.m_iResult;
    }
    ++g_oSend.m_iSingle;
    return 1;
}

int CORVANE_API FakeSendBulkSMS(HWND, const char* p_szSenderId, const CFinalSMSList*, const char* p_szTagBody, uint32_t,
                                const CDeliveryTime*, const CDeliveryTime*, HWND, const char*,
                                const CMessageRecipientList*, const CMessageRecipientList*, int* p_piResult)
{
    {
        std::lock_guard<std::mutex> lock(g_oSend.m_oLock);
        g_oSend.m_sBody = p_szTagBody;
        g_oSend.m_sSenderId = p_szSenderId != nullptr ? p_szSenderId : "";
        *p_piResult = g_oSend.m_iResult;
    }
    ++g_oSend.m_iBulk;
    return 1;
}

int CORVANE_API FakeMailSummary(HWND, const CMessageRecipientList*, const CMessageRecipientList*, const char*,
                                const CMessageTokenList*, HWND, uint32_t, int32_t*, int32_t*, int32_t*,
                                int32_t* p_pbChanged, int32_t, int32_t)
{
    *p_pbChanged = 0;
    return 1;
}

unique_bstr Bstr(const char* p_szText)
{
    if (p_szText == nullptr)
        return unique_bstr();
    std::wstring wide(p_szText, p_szText + strlen(p_szText));
    return unique_bstr(SysAllocString(wide.c_str()));
}

class ComposeWindow : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        SetClock(10, 7);
        CRegistry registry;
        ASSERT_TRUE(registry.SetSendDefaults(kSendDefaultsAbsent | kSendSignature, "Sig"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, "Software\\Brevolt", "WarnSenderID", "TRUE"));
        m_pQuillet.attach(new CQuillet());
        m_pQuillet->SetClock(&TestClock);
        ASSERT_EQ(m_pQuillet->Init(1, 0, nullptr, nullptr,
                                   static_cast<LONG>(reinterpret_cast<LONG_PTR>(m_oOpener.Handle())), 0, 1),
                  S_OK);
        CAddressBookControlObject& core = *m_pQuillet->Binding();
        core.m_pfnSendSMS = &FakeSendSMS;
        core.m_pfnSendBulkSMS = &FakeSendBulkSMS;
        core.m_pfnMailSummary = &FakeMailSummary;
        g_oSend.m_iSingle = 0;
        g_oSend.m_iBulk = 0;
        g_oSend.m_iResult = 6;
    }

    void TearDown() override
    {
        m_oBoxes.SetAnswer(IDNO);
        EXPECT_TRUE(CloseOpenedWindows(m_oOpener));
        m_pQuillet.reset();
    }

    HWND Open(const char* p_szTo, const char* p_szBody)
    {
        const unique_bstr to = Bstr(p_szTo);
        const unique_bstr body = Bstr(p_szBody);
        return OpenComposeWindow(*m_pQuillet.get(), m_oOpener, to.get(), body.get());
    }

    // Posts Send and waits for a box or a call of the core's send.
    void Send(HWND p_hWindow)
    {
        m_oBoxes.Clear();
        const int before = g_oSend.m_iSingle + g_oSend.m_iBulk;
        PostMessageA(p_hWindow, WM_COMMAND, 40002, 0);
        PumpUntil([&] { return !m_oBoxes.Seen().empty() || g_oSend.m_iSingle + g_oSend.m_iBulk > before; }, 15s);
        // Let the window finish the send before the next step touches it.
        SendMessageTimeoutA(p_hWindow, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    }

    std::string LastCaption()
    {
        const auto seen = m_oBoxes.Seen();
        return seen.empty() ? std::string() : seen.back().m_sCaption;
    }

    CBoxRecorder m_oBoxes;
    COpener m_oOpener;
    com_ptr<CQuillet> m_pQuillet;
};
} // namespace

TEST_F(ComposeWindow, NewSMSBodyFollowsTheSignatureRule)
{
    HWND signature = Open(nullptr, nullptr);
    ASSERT_NE(signature, nullptr);
    EXPECT_EQ(Normalised(TextOf(FindDescendant(signature, kIdBodyField))), "\nSig");
    EXPECT_EQ(TextOf(signature), "New Brevolt SMS Message");
    HWND empty = Open(nullptr, "");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(TextOf(FindDescendant(empty, kIdBodyField)), "");
    HWND given = Open("0821234567", "Hello");
    ASSERT_NE(given, nullptr);
    EXPECT_EQ(TextOf(FindDescendant(given, kIdToField)), "0821234567");
    EXPECT_EQ(TextOf(FindDescendant(given, kIdBodyField)), "Hello");
    // Each window told its opener about itself and counted itself in.
    EXPECT_EQ(m_oOpener.m_vRegistered.size(), 3u);
    EXPECT_EQ(m_oOpener.m_iCount, 3);
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrA(given, GWLP_USERDATA)), m_oOpener.Handle());
}

TEST_F(ComposeWindow, SendRefusesWhatCannotBeSent)
{
    const struct
    {
        const char* m_szTo;
        const char* m_szCc;
        const char* m_szBody;
        const char* m_szCaption;
        const char* m_szTextStart;
    } cases[] = {
        {"", "", "Hello", "Send error", "There must be at least one recipient"},
        {"0821234567", "", "", "SMS Error", "This SMS has no message body."},
        {"0821234567", "", "\r\nSig", "SMS Error", "This SMS only contains your signature."},
    };
    for (const auto& c : cases)
    {
        HWND window = Open(c.m_szTo, c.m_szBody);
        ASSERT_NE(window, nullptr);
        SetWindowTextA(FindDescendant(window, kIdCcField), c.m_szCc);
        Send(window);
        const auto seen = m_oBoxes.Seen();
        ASSERT_EQ(seen.size(), 1u) << c.m_szCaption;
        EXPECT_EQ(seen[0].m_sCaption, c.m_szCaption);
        EXPECT_EQ(seen[0].m_sText.rfind(c.m_szTextStart, 0), 0u) << seen[0].m_sText;
        EXPECT_EQ(g_oSend.m_iSingle + g_oSend.m_iBulk, 0);
        EXPECT_TRUE(IsWindow(window));
    }
}

TEST_F(ComposeWindow, OneMoreCharacterThanTheSignatureAndCcOnlyAreSent)
{
    HWND window = Open("0821234567", "\r\nSig!");
    ASSERT_NE(window, nullptr);
    Send(window);
    EXPECT_TRUE(m_oBoxes.Seen().empty());
    ASSERT_EQ(g_oSend.m_iSingle, 1);

    HWND ccOnly = Open(nullptr, "Hello");
    ASSERT_NE(ccOnly, nullptr);
    SetWindowTextA(FindDescendant(ccOnly, kIdCcField), "0821234567");
    Send(ccOnly);
    EXPECT_TRUE(m_oBoxes.Seen().empty());
    ASSERT_EQ(g_oSend.m_iSingle, 2);
    std::lock_guard<std::mutex> lock(g_oSend.m_oLock);
    EXPECT_EQ(g_oSend.m_dwToCount, 0u);
    EXPECT_EQ(g_oSend.m_dwCcCount, 1u);
    EXPECT_EQ(g_oSend.m_sBody, "Hello");
}

TEST_F(ComposeWindow, AllDeliveriesNeedNetworkOrPhone)
{
    HWND window = Open("0821234567", "Hello");
    ASSERT_NE(window, nullptr);
    // Defaults ask for network and phone; take both away after asking for every delivery.
    for (WPARAM command : {32784u, 32800u, 32801u})
        SendMessageA(window, WM_COMMAND, command, 0);
    Send(window);
    EXPECT_EQ(LastCaption(), "Notification when the SMS reaches phone or network ?");
    EXPECT_EQ(g_oSend.m_iSingle, 0);
    SendMessageA(window, WM_COMMAND, 32800, 0); // network
    Send(window);
    EXPECT_TRUE(m_oBoxes.Seen().empty());
    ASSERT_EQ(g_oSend.m_iSingle, 1);
    std::lock_guard<std::mutex> lock(g_oSend.m_oLock);
    EXPECT_EQ(g_oSend.m_dwOptions & 0xE0, 0x60u);
}

TEST_F(ComposeWindow, DeliveryTimeInThePastIsRefusedToTheMinute)
{
    SetClock(10, 16);
    HWND window = Open("0821234567", "Hello");
    ASSERT_NE(window, nullptr);
    SendMessageA(FindDescendant(window, kIdDeliverOn), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(FindDescendant(window, kIdDeliveryTime)));
    SendMessageA(FindDescendant(window, kIdDeliveryTime), CB_SETCURSEL, 41, 0); // 10:15 AM
    Send(window);
    EXPECT_EQ(LastCaption(), "Delivery date in the past");
    EXPECT_EQ(g_oSend.m_iSingle, 0);
    SetClock(10, 15);
    Send(window);
    EXPECT_TRUE(m_oBoxes.Seen().empty());
    ASSERT_EQ(g_oSend.m_iSingle, 1);
    std::lock_guard<std::mutex> lock(g_oSend.m_oLock);
    EXPECT_EQ(g_oSend.m_stDelivery.m_wYear, 2026);
    EXPECT_EQ(g_oSend.m_stDelivery.m_wMonth, 12);
    EXPECT_EQ(g_oSend.m_stDelivery.m_wDay, 8);
    EXPECT_EQ(g_oSend.m_stDelivery.m_wHour, 10);
    EXPECT_EQ(g_oSend.m_stDelivery.m_wMinute, 15);
}

TEST_F(ComposeWindow, MoreThanAHundredRecipientsMakeABulkSend)
{
    const auto numbers = [](int p_iCount) {
        std::string text;
        for (int i = 0; i < p_iCount; ++i)
            text += (i ? "; " : "") + std::string("08210") + std::to_string(10000 + i);
        return text;
    };
    HWND hundred = Open(numbers(100).c_str(), "Hello");
    ASSERT_NE(hundred, nullptr);
    Send(hundred);
    EXPECT_EQ(g_oSend.m_iSingle, 1);
    EXPECT_EQ(g_oSend.m_iBulk, 0);
    HWND more = Open(numbers(101).c_str(), "Hello");
    ASSERT_NE(more, nullptr);
    Send(more);
    EXPECT_TRUE(m_oBoxes.Seen().empty()) << LastCaption();
    EXPECT_EQ(g_oSend.m_iSingle, 1);
    EXPECT_EQ(g_oSend.m_iBulk, 1);
}

TEST_F(ComposeWindow, ResultTwoClosesTheWindowAndSixKeepsIt)
{
    HWND keeps = Open("0821234567", "Hello");
    ASSERT_NE(keeps, nullptr);
    g_oSend.m_iResult = 6;
    Send(keeps);
    ASSERT_EQ(g_oSend.m_iSingle, 1);
    PumpUntil([] { return false; }, 300ms);
    EXPECT_TRUE(IsWindow(keeps));
    EXPECT_TRUE(m_oBoxes.Seen().empty());

    HWND closes = Open("0821234567", "Hello");
    ASSERT_NE(closes, nullptr);
    EXPECT_EQ(m_oOpener.m_iCount, 2);
    g_oSend.m_iResult = 2;
    Send(closes);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(closes); }, 10s));
    EXPECT_TRUE(PumpUntil([&] { return m_oOpener.m_iCount == 1; }, 5s));

    g_oSend.m_iResult = 3;
    Send(keeps);
    EXPECT_EQ(LastCaption(), "Sending failed");
    EXPECT_TRUE(IsWindow(keeps));
}

TEST_F(ComposeWindow, SenderIdNeedsALetter)
{
    HWND window = Open("0821234567", "Hello");
    ASSERT_NE(window, nullptr);
    HWND option = FindDescendant(window, kIdSenderIdOption);
    HWND senderId = FindDescendant(window, kIdSenderId);
    ASSERT_NE(option, nullptr);
    EXPECT_FALSE(IsWindowEnabled(senderId));
    SendMessageA(option, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(senderId));
    SetWindowTextA(senderId, "12345");
    Send(window);
    EXPECT_EQ(LastCaption(), "Invalid SenderID");
    EXPECT_EQ(g_oSend.m_iBulk, 0);
    SetWindowTextA(senderId, "");
    Send(window);
    EXPECT_EQ(LastCaption(), "Empty SenderID");
    SetWindowTextA(senderId, "Shop 24");
    Send(window);
    EXPECT_TRUE(m_oBoxes.Seen().empty()) << LastCaption();
    ASSERT_EQ(g_oSend.m_iBulk, 1);
    std::lock_guard<std::mutex> lock(g_oSend.m_oLock);
    EXPECT_EQ(g_oSend.m_sSenderId, "Shop 24");
}

TEST_F(ComposeWindow, SMSLimitIsKeptWithinOneToTen)
{
    HWND window = Open(nullptr, "Hello");
    ASSERT_NE(window, nullptr);
    HWND limit = FindDescendant(window, kIdSMSLimit);
    ASSERT_NE(limit, nullptr);
    EXPECT_EQ(TextOf(limit), "10");
    const struct
    {
        const char* m_szTyped;
        const char* m_szAfter;
        bool m_bBox;
    } cases[] = {{"0", "1", true}, {"11", "10", true}, {"10", "10", false}, {"4", "4", false}};
    for (const auto& c : cases)
    {
        m_oBoxes.Clear();
        SetWindowTextA(limit, c.m_szTyped);
        SendMessageA(window, WM_SMS_VALIDATELIMIT, 0, 0);
        EXPECT_EQ(TextOf(limit), c.m_szAfter) << c.m_szTyped;
        EXPECT_EQ(LastCaption(), c.m_bBox ? "SMS limit violation" : "") << c.m_szTyped;
    }
}

TEST_F(ComposeWindow, TimeListStartsAtTheNextQuarterHour)
{
    const struct
    {
        WORD m_wHour, m_wMinute;
        const char* m_szSelected;
    } cases[] = {{10, 7, "10:15 AM"}, {23, 50, "00:00 AM"}};
    for (const auto& c : cases)
    {
        SetClock(c.m_wHour, c.m_wMinute);
        HWND window = Open(nullptr, "Hello");
        ASSERT_NE(window, nullptr);
        HWND times = FindDescendant(window, kIdDeliveryTime);
        ASSERT_EQ(SendMessageA(times, CB_GETCOUNT, 0, 0), 96);
        char text[32] = {};
        SendMessageA(times, CB_GETLBTEXT, SendMessageA(times, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, c.m_szSelected);
        EXPECT_FALSE(IsWindowEnabled(times));
        // Replies start as the reply flags say: e-mail only by default.
        HWND replies = FindDescendant(window, kIdReplies);
        EXPECT_EQ(SendMessageA(replies, CB_GETCURSEL, 0, 0), 1);
        HWND tokens = FindDescendant(window, kIdTokenList);
        ASSERT_EQ(SendMessageA(tokens, CB_GETCOUNT, 0, 0), 1);
        SendMessageA(tokens, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, "No tokens");
    }
}

TEST_F(ComposeWindow, ScreenshotWithBothBars)
{
    HWND window = Open("0821234567; 0837654321", "Hello from the compose window :-)");
    ASSERT_NE(window, nullptr);
    CRegistry registry;
    uint32_t shown = 0;
    const bool bBulk = registry.ReadOptionsDword("ShowBulkBar", shown) && shown != 0;
    if (!bBulk)
        SendMessageA(window, WM_COMMAND, 32807, 0);
    const bool bDelivery = registry.ReadOptionsDword("ShowDeliveryBar", shown) && shown != 0;
    if (!bDelivery)
        SendMessageA(window, WM_COMMAND, 32803, 0);
    ASSERT_TRUE(registry.ReadOptionsDword("ShowBulkBar", shown));
    EXPECT_EQ(shown, 1u);
    // Emoticons go in at the caret.
    HWND body = FindDescendant(window, kIdBodyField);
    SendMessageA(body, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    SendMessageA(window, WM_COMMAND, 32846, 0);
    EXPECT_EQ(TextOf(body), "Hello from the compose window :-):-D");
    MoveWindow(window, 20, 20, 820, 480, TRUE);
    PumpUntil([] { return false; }, 700ms);
    EXPECT_TRUE(IsWindowVisible(FindDescendant(window, kIdBulkBar)));
    EXPECT_TRUE(SaveWindowShot(window, "compose_window.bmp"));
    // The bars' choice is the user's: put it back as it was.
    if (!bBulk)
        SendMessageA(window, WM_COMMAND, 32807, 0);
    if (!bDelivery)
        SendMessageA(window, WM_COMMAND, 32803, 0);
}

TEST_F(ComposeWindow, CloseAsksBeforeLosingChanges)
{
    HWND window = Open("0821234567", "Hello");
    ASSERT_NE(window, nullptr);
    // Untouched since it opened: closes without asking.
    HWND untouched = Open(nullptr, "Hello");
    ASSERT_NE(untouched, nullptr);
    m_oBoxes.Clear();
    PostMessageA(untouched, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(untouched); }, 5s));
    EXPECT_TRUE(m_oBoxes.Seen().empty());

    SetWindowTextA(FindDescendant(window, kIdBodyField), "Hello again");
    m_oBoxes.SetAnswer(IDCANCEL);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !m_oBoxes.Seen().empty(); }, 5s));
    EXPECT_EQ(LastCaption(), "Confirm Close");
    PumpUntil([] { return false; }, 200ms);
    EXPECT_TRUE(IsWindow(window));
    m_oBoxes.SetAnswer(IDNO);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 5s));
}

// The monitor of an Outlook Express host: what the archive requests of compose windows carried.
struct CArchiveSeen
{
    HWND m_hRequester = nullptr;
    uint32_t m_dwNumber = 0;
    int m_iRequests = 0;
} g_oArchive;

LRESULT CALLBACK ArchiveMonitorProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg == WM_USER + 500)
    {
        g_oArchive.m_hRequester = reinterpret_cast<HWND>(p_wParam);
        g_oArchive.m_dwNumber = static_cast<uint32_t>(p_lParam);
        ++g_oArchive.m_iRequests;
        return 0;
    }
    return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

TEST_F(ComposeWindow, InOutlookExpressASentJobsCopyIsHandedToTheMonitorAndTheWindowClosesWhenItIsFiled)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = &ArchiveMonitorProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ComposeTestArchiveMonitor";
    RegisterClassA(&wc);
    const unique_hwnd monitor(
        CreateWindowA(wc.lpszClassName, "Hoot", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr));
    ASSERT_TRUE(monitor);
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, "Software\\Brevolt", "Name", "Ann Example"));
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, "Software\\Brevolt", "Email", "ann@example.org"));
    com_ptr<CQuillet> host;
    host.attach(new CQuillet());
    host->SetClock(&TestClock);
    ASSERT_EQ(host->Init(1, 6, nullptr, nullptr, static_cast<LONG>(reinterpret_cast<LONG_PTR>(m_oOpener.Handle())),
                         static_cast<LONG>(reinterpret_cast<LONG_PTR>(monitor.get())), 1),
              S_OK);
    host->Binding()->m_pfnSendSMS = &FakeSendSMS;
    g_oArchive = CArchiveSeen{};

    // A job that did not go out files nothing; one that did is handed over, and the window waits.
    const unique_bstr to = Bstr("0821234567");
    const unique_bstr body = Bstr("Dinner at eight");
    HWND window = OpenComposeWindow(*host.get(), m_oOpener, to.get(), body.get());
    ASSERT_NE(window, nullptr);
    g_oSend.m_iResult = 6;
    Send(window);
    PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(g_oArchive.m_iRequests, 0);
    g_oSend.m_iResult = 2;
    Send(window);
    ASSERT_TRUE(PumpUntil([] { return g_oArchive.m_iRequests == 1; }, 10s));
    EXPECT_EQ(g_oArchive.m_hRequester, window);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char name[16] = {};
    wsprintfA(name, "%X.eml", g_oArchive.m_dwNumber);
    const std::string path = std::string(temp) + name;
    std::ifstream file(path, std::ios::binary);
    const std::string copy((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    EXPECT_EQ(copy.rfind("From: \"Ann Example [ann@example.org]\"\r\n", 0), 0u) << copy;
    EXPECT_NE(copy.find("\r\nSubject: Dinner at eight\r\n"), std::string::npos) << copy;
    EXPECT_EQ(copy.find("X-Unsent"), std::string::npos);
    EXPECT_NE(copy.find("\r\nDinner at eight\r\n"), std::string::npos);
    DeleteFileA(path.c_str());

    // While the copy is filed the next send of any window waits; the end lets it go.
    const unique_handle archive(CreateMutexA(nullptr, FALSE, "ArchiveMutex"));
    EXPECT_EQ(WaitForSingleObject(archive.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    PostMessageA(window, WM_USER + 501, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 10s));
    EXPECT_EQ(WaitForSingleObject(archive.get(), 5000), WAIT_OBJECT_0) << "released, not abandoned";
    ReleaseMutex(archive.get());
    EXPECT_TRUE(PumpUntil([&] { return m_oOpener.m_iCount == 0; }, 5s));
}

TEST(ServerShutdown, ReleasingTheObjectClosesItsWindowsAfterOfferingToSave)
{
    CBoxRecorder boxes;
    boxes.SetAnswer(IDNO);
    com_ptr<CQuillet> quillet;
    quillet.attach(new CQuillet());
    ASSERT_EQ(quillet->Init(1, 0, nullptr, nullptr, 0, 0, 0), S_OK);
    const unique_bstr body(SysAllocString(L"Unsaved text"));
    ASSERT_EQ(quillet->CreateNewSMS(0, nullptr, body.get()), S_OK);
    ASSERT_TRUE(PumpUntil(
        [&] {
            const auto records = quillet->Windows().Snapshot();
            return !records.empty() && records[0].m_hWnd != nullptr;
        },
        10s));
    HWND window = quillet->Windows().Snapshot()[0].m_hWnd;
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 10s));
    SetWindowTextA(FindDescendant(window, kIdBodyField), "Changed text");
    quillet.reset();
    EXPECT_FALSE(IsWindow(window));
    const auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].m_sCaption, "Save SMS");
}

namespace
{
// What the trace log gained after p_nFrom bytes (all of it when it restarted in between).
std::string TraceSince(uint64_t p_nFrom)
{
    std::ifstream file(ModuleLogger().FilePath(), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return p_nFrom <= text.size() ? text.substr(p_nFrom) : text;
}

uint64_t TraceSize()
{
    std::ifstream file(ModuleLogger().FilePath(), std::ios::binary | std::ios::ate);
    return file ? static_cast<uint64_t>(file.tellg()) : 0;
}
} // namespace

TEST(ServerShutdown, ReleasingTheObjectWhileItsWindowIsStillBeingMadeWaitsForIt)
{
    // The window's thread builds the window with the core library; the object must not free the
    // library under it, however soon after opening the window it is released.
    CBoxRecorder boxes;
    boxes.SetAnswer(IDNO);
    const uint64_t before = TraceSize();
    const CHangWatch watch("opening a window and releasing the object at once", 60000);
    com_ptr<CQuillet> quillet;
    quillet.attach(new CQuillet());
    ASSERT_EQ(quillet->Init(1, 0, nullptr, nullptr, 0, 0, 0), S_OK);
    ASSERT_EQ(quillet->CreateNewSMS(0, nullptr, nullptr), S_OK);
    quillet.reset();
    const std::string trace = TraceSince(before);
    EXPECT_EQ(trace.find("Exception"), std::string::npos) << trace;
}

TEST(ServerShutdown, ClosingTheWindowsTwiceWaitsOnHandlesThatAreStillOpen)
{
    // The list owns each window's closed event and thread handle: closing the windows (as a host's
    // shutdown and the object's own release both do) leaves them open, and a second close returns.
    const CHangWatch watch("closing the windows twice", 60000);
    CBoxRecorder boxes;
    boxes.SetAnswer(IDNO);
    com_ptr<CQuillet> quillet;
    quillet.attach(new CQuillet());
    ASSERT_EQ(quillet->Init(1, 0, nullptr, nullptr, 0, 0, 0), S_OK);
    ASSERT_EQ(quillet->CreateNewSMS(0, nullptr, nullptr), S_OK);
    ASSERT_TRUE(PumpUntil(
        [&] {
            const auto records = quillet->Windows().Snapshot();
            return !records.empty() && records[0].m_hWnd != nullptr;
        },
        10s));
    quillet->ForceSMSWindowsToClose();
    const CWindowRecord record = quillet->Windows().Snapshot()[0];
    EXPECT_FALSE(IsWindow(record.m_hWnd));
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(record.m_hClosedEvent, &flags));
    EXPECT_TRUE(GetHandleInformation(record.m_hThread, &flags));
    quillet->ForceSMSWindowsToClose();
    EXPECT_TRUE(GetHandleInformation(record.m_hClosedEvent, &flags));
    EXPECT_TRUE(GetHandleInformation(record.m_hThread, &flags));
    quillet.reset();
}
