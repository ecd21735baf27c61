// tests/e2e/outlook_plugin_driver_win.cpp: brevolt-outlook-drive, a user of the Outlook stand-in with
// the installed product: checks that the plug-in and the compose server registered are the files
// the package installed, registers the client as its installer does, starts it, waits for the SMS
// Bar (its picture saved), clicks "New SMS" on it through the client's control channel, types a
// recipient and a text into the compose window the real compose server opens, presses Send, waits
// for the window to close (it closes once the job is submitted) and for the Outbox to hold nothing
// submitted (mapistore reads the store file), quits the client and looks for the job's copy in
// "Sent SMSs". Exit 0 when every step happened; the step that failed is printed otherwise.
#include "tests/e2e/outlook_drive_support_win.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
constexpr DWORD kBarWaitMs = 60000;     // the client's start, the plug-in's Install and the bar
constexpr DWORD kComposeWaitMs = 60000; // the compose server's first start and Init
constexpr DWORD kSendWaitMs = 120000;
constexpr DWORD kOutboxWaitMs = 60000; // the spooler's SMTP exchange after the flush
constexpr int64_t kSubmitFlag = 0x4;   // MSGFLAG_SUBMIT: submitted, not yet sent
// The compose window's children and its Send command (compose/ui/sms_window.h).
constexpr int kIdToField = 1000;
constexpr int kIdBodyField = 1003;
constexpr WPARAM kSendCommand = 40002;

struct COptions
{
    const char* m_szOutlook = nullptr;
    const char* m_szMapistore = nullptr;
    const char* m_szTo = "";
    const char* m_szText = "";
    const char* m_szShots = ""; // a folder for the pictures (Windows path)
};

// How many messages of the Outbox are still submitted (the spooler has not sent them), from
// mapistore's one JSON line per item; -1 when the store could not be read.
int SubmittedInOutbox(const COptions& p_oOptions)
{
    std::string lines;
    if (Run(Quoted(p_oOptions.m_szMapistore) + " show Outbox", &lines) != 0)
        return -1;
    int submitted = 0;
    for (size_t at = lines.find("\"flags\":"); at != std::string::npos; at = lines.find("\"flags\":", at + 1))
        if ((std::strtoll(lines.c_str() + at + 8, nullptr, 10) & kSubmitFlag) != 0)
            ++submitted;
    return submitted;
}

// A window of another process than the client's with the compose window's To and body fields.
HWND FindComposeWindow(DWORD p_dwClient)
{
    return FindTopLevel({0, p_dwClient, nullptr, [](HWND p_h) {
                             return IsWindowVisible(p_h) && FindChild(p_h, kIdToField) != nullptr &&
                                    FindChild(p_h, kIdBodyField) != nullptr;
                         }});
}

void SetField(HWND p_hField, const char* p_szText)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(p_hField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p_szText), SMTO_NORMAL, 15000, &result);
}

int Drive(const COptions& p_oOptions)
{
    if (!RegisterClient(p_oOptions.m_szOutlook) || !RemoveUserResource())
        return 2;
    CClient client;
    if (!client.Start(p_oOptions.m_szOutlook, kBarWaitMs))
        return Say("the client did not start: %s", client.State()), 3;
    const std::string dump = TempFile("brevolt-outlook-drive-bars.txt");
    if (!WaitUntil([&] { return BarShows(client, dump, "New SMS"); }, kBarWaitMs))
        return Say("the SMS Bar did not show"), 4;
    Say("the SMS Bar shows New SMS");
    WaitBriefly(1000); // the bar paints before its picture is taken
    SaveShot(client.Explorer(), p_oOptions.m_szShots, "outlook_sms_bar.bmp");
    if (!client.Command("bar-click New SMS"))
        return Say("New SMS could not be clicked"), 5;
    HWND compose = nullptr;
    if (!WaitUntil([&] { return (compose = FindComposeWindow(client.Process())) != nullptr; }, kComposeWaitMs))
        return Say("no compose window opened"), 6;
    const DWORD server = ProcessOf(compose);
    Say("New SMS opened the compose server's window");
    SetField(FindChild(compose, kIdToField), p_oOptions.m_szTo);
    SetField(FindChild(compose, kIdBodyField), p_oOptions.m_szText);
    WaitBriefly(1000);
    SaveShot(compose, p_oOptions.m_szShots, "outlook_compose.bmp");
    PostMessageW(compose, WM_COMMAND, kSendCommand, 0);
    // A progress dialog shows while it sends; whatever dialog is still up at the end says why not.
    if (!WaitUntil([&] { return !IsWindow(compose); }, kSendWaitMs))
    {
        const std::string dialog = DialogText(server, compose);
        return Say("the compose window did not send: %s", dialog.empty() ? "it stayed open" : dialog), 7;
    }
    Say("sent: the compose window closed");
    // The job is in the Outbox, handed to the spooler; the client ends only once it has left.
    int submitted = -1;
    if (!WaitUntil([&] { return (submitted = SubmittedInOutbox(p_oOptions)) == 0; }, kOutboxWaitMs))
        return Say("the Outbox still holds %s submitted message(s)", std::to_string(submitted)), 9;
    Say("the Outbox holds nothing submitted");
    const int code = client.Quit();
    if (code != 0)
        return Say("the client ended with %s", std::to_string(code)), 8;
    Say("the client ended");
    // The client read the store again after the compose server wrote it: the job's readable copy is
    // in "Sent SMSs" of the file the client saved last, so neither process lost the other's writes.
    std::string copies;
    if (Run(Quoted(p_oOptions.m_szMapistore) + " show \"Sent SMSs\"", &copies) != 0 ||
        copies.find(p_oOptions.m_szText) == std::string::npos)
        return Say("no copy of the job in \"Sent SMSs\": %s", copies), 10;
    Say("\"Sent SMSs\" holds the job's readable copy");
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    SetSayName("outlook-drive");
    COptions options;
    const bool known = ParseOptions(argc, argv,
                                    {{"--outlook", &options.m_szOutlook},
                                     {"--mapistore", &options.m_szMapistore},
                                     {"--to", &options.m_szTo},
                                     {"--text", &options.m_szText},
                                     {"--shots", &options.m_szShots}});
    if (!known || !options.m_szOutlook || !options.m_szMapistore)
    {
        std::fprintf(stderr, "usage: brevolt-outlook-drive --outlook EXE --mapistore EXE [--to TEXT] [--text TEXT] "
                             "[--shots DIR]\n");
        return 1;
    }
    return Drive(options);
}
