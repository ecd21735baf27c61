// tests/e2e/runbay_drive_win.cpp: runbay-drive.exe --shots FOLDER (--to TEXT --text TEXT | --mail-to
// ADDRESSES --subject TEXT): uses the mail client started by Runbay as a user would, by window messages
// from outside its process. With --to: waits for the browser with the SMS band, pictures it and its
// "B&revolt" menu, clicks the band's New SMS button, types the recipients and the text into the compose
// window that opens, presses Send and waits for the window to close (it closes only once the SMS went
// out and its readable copy was filed), checks that the client's "Sent SMSs" folder holds that copy and
// pictures it. With --mail-to: writes an e-mail in a note of the client, ticks "CC Mobile", sends it
// and waits until the SMS notice left through the client. Then it closes the client. Exit code 0 when
// every step happened; the step that failed is printed otherwise.
#include "common/file_read.h"
#include "common/handle_win.h"
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/store/eml_message.h"
#include "tests/e2e/oe_drive_support_win.h"
#include "tools/window_picture/window_picture_win.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr WPARAM kMenuBarButton = 40999;
// The compose window's To field, body and Send command.
constexpr int kToField = 1000;
constexpr int kBodyField = 1003;
constexpr WPARAM kComposeSend = 40002;
constexpr DWORD kSendWaitMs = 120000;
constexpr const char* kHiddenClass = "OutlookExpressHiddenWindow";
// The client's Create Mail, a note's fields, its Send, and the "CC Mobile" box Latchkit adds.
constexpr WPARAM kCreateMail = 40465;
constexpr WPARAM kNoteSend = 40411;
constexpr int kNoteTo = 1001;
constexpr int kNoteSubject = 1004;
constexpr int kNoteBody = 1010;
constexpr int kCCMobileButton = 0x4343;
// The client's control channel (WM_COPYDATA to its hidden window).
constexpr ULONG_PTR kControlTag = 0x4F45434C;

DWORD ProcessOf(HWND p_hWnd)
{
    DWORD process = 0;
    GetWindowThreadProcessId(p_hWnd, &process);
    return process;
}

HWND FindVisibleOfProcess(const char* p_szClass, DWORD p_dwProcess)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, p_szClass, nullptr)) != nullptr;)
        if (ProcessOf(window) == p_dwProcess && IsWindowVisible(window))
            return window;
    return nullptr;
}

// A compose window: a visible dialog of another process with the To field and the body.
HWND FindCompose(DWORD p_dwClientProcess)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr;)
        if (ProcessOf(window) != p_dwClientProcess && IsWindowVisible(window) &&
            GetDlgItem(window, kToField) != nullptr && GetDlgItem(window, kBodyField) != nullptr)
            return window;
    return nullptr;
}

std::string TextOf(HWND p_hWnd)
{
    char text[2048] = {};
    SendMessageTimeoutA(p_hWnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, nullptr);
    return text;
}

// Types the text into the field key by key, as the keyboard delivers it to the focused field. A
// recipient field turns what it recognises into recipient objects, so only the keys' arrival is
// awaited there; a text field must then hold the text.
bool Type(HWND p_hField, const std::string& p_sText, bool p_bPlainText)
{
    for (const char c : p_sText)
        PostMessageA(p_hField, WM_CHAR, static_cast<unsigned char>(c), 1);
    DWORD_PTR ignored = 0;
    if (SendMessageTimeoutA(p_hField, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored) != 0 && !p_bPlainText)
        return !TextOf(p_hField).empty();
    if (PumpUntil([&] { return TextOf(p_hField).find(p_sText) != std::string::npos; }, 10000))
        return true;
    char name[64] = {};
    GetClassNameA(p_hField, name, sizeof name);
    std::fprintf(stderr, "runbay-drive: the %s field holds \"%s\"\n", name, TextOf(p_hField).c_str());
    return false;
}

// A left click at the point of the window's client area.
void Click(HWND p_hWnd, int p_iX, int p_iY)
{
    const LPARAM at = MAKELPARAM(p_iX, p_iY);
    PostMessageA(p_hWnd, WM_MOUSEMOVE, 0, at);
    PostMessageA(p_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(p_hWnd, WM_LBUTTONUP, 0, at);
}

std::string Shot(const std::string& p_sFolder, const char* p_szName)
{
    return p_sFolder + "\\" + p_szName;
}

struct COptions
{
    std::string m_sShots;
    std::string m_sTo;
    std::string m_sText;
    // CC Mobile instead: an e-mail to these addresses with this subject, "CC Mobile" ticked.
    std::string m_sMailTo;
    std::string m_sSubject;
};

bool ParseOptions(int p_iArgc, char** p_ppArgv, COptions& p_oOptions)
{
    for (int i = 1; i + 1 < p_iArgc; i += 2)
    {
        const std::string name = p_ppArgv[i];
        if (name == "--shots")
            p_oOptions.m_sShots = p_ppArgv[i + 1];
        else if (name == "--to")
            p_oOptions.m_sTo = p_ppArgv[i + 1];
        else if (name == "--text")
            p_oOptions.m_sText = p_ppArgv[i + 1];
        else if (name == "--mail-to")
            p_oOptions.m_sMailTo = p_ppArgv[i + 1];
        else if (name == "--subject")
            p_oOptions.m_sSubject = p_ppArgv[i + 1];
        else
            return false;
    }
    if (p_iArgc % 2 == 0 || p_oOptions.m_sShots.empty())
        return false;
    return p_oOptions.m_sMailTo.empty() ? !p_oOptions.m_sTo.empty() && !p_oOptions.m_sText.empty()
                                        : !p_oOptions.m_sSubject.empty();
}

// The "B&revolt" menu of the menu bar opened, pictured over the browser, and closed again.
bool ShowBrevoltMenu(HWND p_hBrowser, const std::string& p_sShot)
{
    const DWORD client = ProcessOf(p_hBrowser);
    PostMessageA(p_hBrowser, WM_COMMAND, kMenuBarButton, 0);
    if (!PumpUntil([&] { return FindVisibleOfProcess("#32768", client) != nullptr; }, 10000))
        return false;
    Settle(500);
    const bool saved = SaveWindowBitmap(p_hBrowser, p_sShot.c_str());
    PostMessageA(p_hBrowser, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(p_hBrowser, WM_KEYDOWN, VK_ESCAPE, 0);
    return PumpUntil([&] { return FindVisibleOfProcess("#32768", client) == nullptr; }, 10000) && saved;
}

// New SMS from the band, typed into and sent; true once the compose window closed after Send.
int SendFromBand(HWND p_hBrowser, HWND p_hBand, const COptions& p_oOptions)
{
    const DWORD client = ProcessOf(p_hBrowser);
    // The band's first button is New SMS.
    const LRESULT size = SendMessageA(p_hBand, TB_GETBUTTONSIZE, 0, 0);
    Click(p_hBand, 8, HIWORD(size) / 2);
    HWND compose = nullptr;
    if (!PumpUntil([&] { return (compose = FindCompose(client)) != nullptr; }, 30000))
        return Fail("no compose window opened from the band's New SMS");
    std::printf("runbay-drive: a compose window opened from the band\n");
    Settle(1500);
    if (!Type(GetDlgItem(compose, kToField), p_oOptions.m_sTo, false))
        return Fail("the recipients could not be typed");
    if (!Type(GetDlgItem(compose, kBodyField), p_oOptions.m_sText, true))
        return Fail("the text could not be typed");
    Settle(500);
    if (!SaveWindowBitmap(compose, Shot(p_oOptions.m_sShots, "runbay_oe6_compose.bmp").c_str()))
        std::fprintf(stderr, "runbay-drive: the compose window was not pictured\n");
    PostMessageA(compose, WM_COMMAND, kComposeSend, 0);
    if (!PumpUntil([&] { return !IsWindow(compose); }, kSendWaitMs))
        return Fail("the compose window is still open two minutes after Send");
    std::printf("runbay-drive: sent, the compose window closed\n");
    return 0;
}

// The messages the current identity's "Sent SMSs" holds, as the client keeps them in its store.
std::vector<oestore::CMailMessage> SentSMSsMessages()
{
    std::string store;
    std::vector<oestore::CFolderRecord> folders;
    std::string index;
    if (!oestandin::CurrentStoreFolder(6, store) ||
        ReadWholeFile(store + "Folders.dbx", index, 16 * 1024 * 1024) != EReadFile::Read ||
        oestore::ReadFoldersFile(std::vector<uint8_t>(index.begin(), index.end()), folders) != oestore::EDbxRead::Ok)
        return {};
    std::vector<oestore::CMailMessage> messages;
    for (const oestore::CFolderRecord& folder : folders)
    {
        oestandin::CFolderContents contents;
        if (folder.m_sName != "Sent SMSs" || !oestandin::ReadFolderContents(6, store + folder.m_sFileName, contents))
            continue;
        for (const oestore::CStoredMessage& stored : contents.m_vMessages)
            if (oestore::CMailMessage message; oestore::ParseMessage(stored.m_sText, message))
                messages.push_back(message);
    }
    return messages;
}

LRESULT Control(HWND p_hBrowser, const std::string& p_sCommand)
{
    const DWORD client = ProcessOf(p_hBrowser);
    HWND hidden = nullptr;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, kHiddenClass, nullptr)) != nullptr;)
        if (ProcessOf(window) == client)
            hidden = window;
    COPYDATASTRUCT data{kControlTag, static_cast<DWORD>(p_sCommand.size()), const_cast<char*>(p_sCommand.data())};
    DWORD_PTR result = 0;
    if (hidden == nullptr ||
        SendMessageTimeoutA(hidden, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000, &result) == 0)
        return -1;
    return static_cast<LRESULT>(result);
}

// The readable copy of the SMS in "Sent SMSs": its text as body, the job's text as subject.
int CheckSentCopy(HWND p_hBrowser, const COptions& p_oOptions)
{
    std::vector<oestore::CMailMessage> copies;
    const auto holdsCopy = [&] {
        copies = SentSMSsMessages();
        for (const oestore::CMailMessage& copy : copies)
            if (copy.m_sBody.find(p_oOptions.m_sText) != std::string::npos &&
                copy.m_sSubject.rfind(p_oOptions.m_sText, 0) == 0)
                return true;
        return false;
    };
    if (!PumpUntil(holdsCopy, 30000))
    {
        std::fprintf(stderr, "runbay-drive: \"Sent SMSs\" holds %d messages\n", static_cast<int>(copies.size()));
        return Fail("the readable copy is not in \"Sent SMSs\"");
    }
    std::printf("runbay-drive: \"Sent SMSs\" holds the copy \"%s\" to %s\n", copies.back().m_sSubject.c_str(),
                copies.back().m_vTo.empty() ? "nobody" : oestore::AddressText(copies.back().m_vTo.front()).c_str());
    if (Control(p_hBrowser, "select-folder Sent SMSs") != 1 ||
        Control(p_hBrowser, "select-message " + p_oOptions.m_sText) != 1)
        return Fail("the copy could not be shown in the browser");
    Settle(1000);
    if (!SaveWindowBitmap(p_hBrowser, Shot(p_oOptions.m_sShots, "runbay_oe6_sent_smss.bmp").c_str()))
        std::fprintf(stderr, "runbay-drive: \"Sent SMSs\" was not pictured\n");
    return 0;
}

// How many gateway mails ("Brevolt email") the client's Sent Items holds: it files there what its notes sent.
size_t CountSentGatewayMails()
{
    std::string store;
    std::string path;
    oestandin::CFolderContents contents;
    if (!oestandin::CurrentStoreFolder(6, store) ||
        !oestandin::SpecialFolderFile(6, store, oestore::kSpecialSentItems, path) ||
        !oestandin::ReadFolderContents(6, path, contents))
        return 0;
    size_t count = 0;
    for (const oestore::CStoredMessage& stored : contents.m_vMessages)
        if (oestore::CMailMessage message;
            oestore::ParseMessage(stored.m_sText, message) && message.m_sSubject == "Brevolt email")
            ++count;
    return count;
}

// An e-mail written in a note of the client with "CC Mobile" ticked and sent; true once the SMS
// notice left through the client as well (its gateway mail is in Sent Items, where the client files
// what its notes sent).
int SendWithCCMobile(HWND p_hBrowser, const COptions& p_oOptions)
{
    const DWORD client = ProcessOf(p_hBrowser);
    const size_t before = CountSentGatewayMails();
    PostMessageA(p_hBrowser, WM_COMMAND, MAKEWPARAM(kCreateMail, 0), 0);
    HWND note = nullptr;
    HWND envelope = nullptr;
    if (!PumpUntil(
            [&] {
                note = FindVisibleOfProcess("ATH_Note", client);
                envelope = note != nullptr ? FindWindowExA(note, nullptr, "OE_Envelope", nullptr) : nullptr;
                return envelope != nullptr && GetDlgItem(envelope, kCCMobileButton) != nullptr;
            },
            15000))
        return Fail("no note with the CC Mobile box opened from Create Mail");
    SendMessageA(GetDlgItem(envelope, kNoteTo), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p_oOptions.m_sMailTo.c_str()));
    SendMessageA(GetDlgItem(envelope, kNoteSubject), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(p_oOptions.m_sSubject.c_str()));
    SendMessageA(GetDlgItem(note, kNoteBody), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("See you there."));
    const HWND box = GetDlgItem(envelope, kCCMobileButton);
    if (SendMessageA(box, BM_GETCHECK, 0, 0) != BST_CHECKED)
        SendMessageA(box, BM_CLICK, 0, 0);
    if (!PumpUntil([&] { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000))
        return Fail("the CC Mobile box could not be ticked");
    Settle(500);
    if (!SaveWindowBitmap(note, Shot(p_oOptions.m_sShots, "runbay_oe6_cc_mobile.bmp").c_str()))
        std::fprintf(stderr, "runbay-drive: the note was not pictured\n");
    PostMessageA(note, WM_COMMAND, MAKEWPARAM(kNoteSend, 0), 0);
    if (!PumpUntil([&] { return !IsWindow(note); }, 30000))
        return Fail("the e-mail's note is still open after Send");
    std::printf("runbay-drive: the e-mail was sent with CC Mobile ticked\n");
    if (!PumpUntil([&] { return CountSentGatewayMails() > before; }, kSendWaitMs))
        return Fail("no SMS notice left through the client within two minutes");
    std::printf("runbay-drive: the SMS notice left through the client's transfer file\n");
    return 0;
}

int Drive(const COptions& p_oOptions)
{
    HWND browser = nullptr;
    if (const char* failed = WaitForBand(browser, 60000); failed != nullptr)
        return Fail(failed);
    const HWND band = FindBand(browser);
    std::printf("runbay-drive: the browser shows the SMS band with %d buttons\n", BandButtonCount(browser));
    Settle(1500);
    if (!SaveWindowBitmap(browser, Shot(p_oOptions.m_sShots, "runbay_oe6_band.bmp").c_str()))
        std::fprintf(stderr, "runbay-drive: the browser was not pictured\n");
    if (!ShowBrevoltMenu(browser, Shot(p_oOptions.m_sShots, "runbay_oe6_menu.bmp")))
        return Fail("the B&revolt menu did not open and close");
    std::printf("runbay-drive: the B&revolt menu opened\n");
    if (!p_oOptions.m_sMailTo.empty())
    {
        if (const int result = SendWithCCMobile(browser, p_oOptions); result != 0)
            return result;
    }
    else
    {
        if (const int result = SendFromBand(browser, band, p_oOptions); result != 0)
            return result;
        if (const int result = CheckSentCopy(browser, p_oOptions); result != 0)
            return result;
    }
    // The user closes the client; Runbay follows it.
    if (!CloseBrowser(browser))
        return Fail("the browser did not close");
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    SetDriverName("runbay-drive");
    COptions options;
    if (!ParseOptions(argc, argv, options))
    {
        std::fprintf(
            stderr,
            "usage: runbay-drive --shots FOLDER (--to TEXT --text TEXT | --mail-to ADDRESSES --subject TEXT)\n");
        return 2;
    }
    const int result = Drive(options);
    std::fflush(stdout);
    return result;
}
