// tests/e2e/oe_newmail_drive_win.cpp: oe-newmail-drive.exe --shots FOLDER --drop FOLDER --notice FILE
// --mail FILE: new mail reaching the mail client started by Runbay, by window messages from outside
// its process. Waits for the browser with the SMS band and for the core library's monitor to listen,
// pictures the band, puts the upgrade notice where the client's next download takes it from and
// presses Send/Recv; the band must come back with one button more (pictured). Then the same with a
// mail for the notification rules, waiting until the monitor has dealt with that download, and
// closes the client. Exit code 0 when every step happened; the step that failed is printed otherwise.
#include "tests/e2e/oe_drive_support_win.h"
#include "tools/window_picture/window_picture_win.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace
{
constexpr WPARAM kSendReceive = 40466;
constexpr DWORD kStepMs = 60000;

// The monitor's message range (empty while no monitor listens).
std::string RangeValue(const char* p_szName)
{
    char text[32] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Brevolt", p_szName, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return std::string();
    return text;
}

struct COptions
{
    std::string m_sShots;
    std::string m_sDrop;
    std::string m_sNotice;
    std::string m_sMail;
};

bool ParseOptions(int p_iArgc, char** p_ppArgv, COptions& p_oOptions)
{
    for (int i = 1; i + 1 < p_iArgc; i += 2)
    {
        const std::string name = p_ppArgv[i];
        std::string* target = name == "--shots"    ? &p_oOptions.m_sShots
                              : name == "--drop"   ? &p_oOptions.m_sDrop
                              : name == "--notice" ? &p_oOptions.m_sNotice
                              : name == "--mail"   ? &p_oOptions.m_sMail
                                                   : nullptr;
        if (target == nullptr)
            return false;
        *target = p_ppArgv[i + 1];
    }
    return p_iArgc % 2 == 1 && !p_oOptions.m_sShots.empty() && !p_oOptions.m_sDrop.empty() &&
           !p_oOptions.m_sNotice.empty() && !p_oOptions.m_sMail.empty();
}

// The mail file waits in the drop folder; Send/Recv downloads it.
bool Download(HWND p_hBrowser, const std::string& p_sDrop, const std::string& p_sMail, const char* p_szName)
{
    CreateDirectoryA(p_sDrop.c_str(), nullptr);
    if (!CopyFileA(p_sMail.c_str(), (p_sDrop + "\\" + p_szName).c_str(), FALSE))
        return false;
    return PostMessageA(p_hBrowser, WM_COMMAND, kSendReceive, 0) != FALSE;
}

void Picture(HWND p_hBrowser, const COptions& p_oOptions, const char* p_szName)
{
    RedrawWindow(p_hBrowser, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(p_hBrowser, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    if (!SaveWindowBitmap(p_hBrowser, (p_oOptions.m_sShots + "\\" + p_szName).c_str()))
        std::fprintf(stderr, "oe-newmail-drive: %s was not pictured\n", p_szName);
}

int Drive(const COptions& p_oOptions)
{
    HWND browser = nullptr;
    if (const char* failed = WaitForBand(browser, kStepMs); failed != nullptr)
        return Fail(failed);
    if (!PumpUntil([] { return !RangeValue("OEIDFrom").empty() && !RangeValue("OEIDTo").empty(); }, kStepMs))
        return Fail("the core library's monitor never stored its message range");
    const std::string listening = RangeValue("OEIDFrom");
    const int before = BandButtonCount(browser);
    std::printf("oe-newmail-drive: the band shows %d buttons, the monitor listens from message %s\n", before,
                RangeValue("OEIDFrom").c_str());
    Picture(browser, p_oOptions, "oe_newmail_band_before.bmp");

    if (!Download(browser, p_oOptions.m_sDrop, p_oOptions.m_sNotice, "upgrade.eml"))
        return Fail("the upgrade notice could not be downloaded");
    if (!PumpUntil([&] { return BandButtonCount(browser) == before + 1; }, kStepMs))
        return Fail("the band did not come back with the upgraded module's button");
    std::printf("oe-newmail-drive: after the upgrade notice the band shows %d buttons\n", BandButtonCount(browser));
    Picture(browser, p_oOptions, "oe_newmail_band_after.bmp");

    // The monitor ends a batch by storing its last message as the start of the next range.
    const auto batchDone = [](const std::string& p_sStart) {
        const std::string from = RangeValue("OEIDFrom");
        return from != p_sStart && from == RangeValue("OEIDTo");
    };
    if (!PumpUntil([&] { return batchDone(listening); }, kStepMs))
        return Fail("the monitor did not finish the upgrade notice's batch");
    const std::string start = RangeValue("OEIDFrom");
    if (!Download(browser, p_oOptions.m_sDrop, p_oOptions.m_sMail, "rule.eml"))
        return Fail("the mail for the rules could not be downloaded");
    if (!PumpUntil([&] { return batchDone(start); }, kStepMs))
        return Fail("the monitor did not deal with the downloaded mail");
    std::printf("oe-newmail-drive: the monitor dealt with messages %s to %s\n", start.c_str(),
                RangeValue("OEIDTo").c_str());

    if (!CloseBrowser(browser))
        return Fail("the browser did not close");
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    SetDriverName("oe-newmail-drive");
    COptions options;
    if (!ParseOptions(argc, argv, options))
    {
        std::fprintf(stderr, "usage: oe-newmail-drive --shots FOLDER --drop FOLDER --notice FILE --mail FILE\n");
        return 2;
    }
    const int result = Drive(options);
    std::fflush(stdout);
    return result;
}
