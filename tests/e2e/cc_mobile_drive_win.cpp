// tests/e2e/cc_mobile_drive_win.cpp: brevolt-ccmobile-drive, a user of the Outlook stand-in with the
// installed plug-in and Penhold: checks that the plug-in and the compose server registered are the
// files the package installed, registers the client as its installer does, starts it, opens a new
// mail note once the plug-in is up, ticks the note's "Notify mobile" box of the Cc line (only that
// one), types the recipients, subject and body, saves the note's picture and presses Send. The note
// closes once Outlook has submitted the e-mail and the plug-in has handed the CC-to-mobile notice to
// the compose server; the client is quit once the expected number of mails has reached the SMTP
// server's Maildir. Exit 0 when every step happened; the step that failed is printed otherwise.
#include "tests/e2e/outlook_drive_support_win.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
constexpr DWORD kStartWaitMs = 60000; // the client's start, the plug-in's Install and the compose server's Init
constexpr DWORD kSendWaitMs = 90000;  // the e-mail's submit, then the notice's check and send
constexpr DWORD kMailWaitMs = 30000;
// The note's envelope pane, its Send command and Penhold's boxes and question (wordhook/).
constexpr int kEnvelopeId = 0xE210;
constexpr WPARAM kNoteSendCommand = 0xE200;
constexpr int kIdNotifyTo = 5345;
constexpr int kIdNotifyCc = 5346;
constexpr int kIdNotifyBcc = 5347;
constexpr UINT kMsgCCMobileChoice = WM_USER + 1;

struct COptions
{
    const char* m_szOutlook = nullptr;
    const char* m_szTo = "";
    const char* m_szCc = "";
    const char* m_szSubject = "";
    const char* m_szBody = "";
    const char* m_szShots = "";   // a folder for the pictures (Windows path)
    const char* m_szMaildir = ""; // the SMTP server's Maildir (Windows path)
    const char* m_szMails = "0";  // how many mails must have arrived before the client is quit
};

// The newest compose note: a visible top-level "rctrl_renwnd32" with the envelope pane.
HWND FindNote(const CClient& p_oClient)
{
    return p_oClient.Window("rctrl_renwnd32", [](HWND p_h) { return GetDlgItem(p_h, kEnvelopeId) != nullptr; });
}

bool Click(HWND p_hButton)
{
    DWORD_PTR result = 0;
    return p_hButton != nullptr && SendMessageTimeoutA(p_hButton, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
}

// Ticks only the Cc line's box, whatever the CC default left ticked; true when the note then answers
// the plug-in's question with the Cc bit alone.
bool TickOnlyCc(HWND p_hNote)
{
    const HWND envelope = GetDlgItem(p_hNote, kEnvelopeId);
    for (int id : {kIdNotifyTo, kIdNotifyCc, kIdNotifyBcc})
    {
        const HWND box = GetDlgItem(envelope, id);
        DWORD_PTR checked = 0;
        if (box == nullptr || !SendMessageTimeoutA(box, BM_GETCHECK, 0, 0, SMTO_NORMAL, 10000, &checked))
            return Say("the note has no \"Notify mobile\" box %s", std::to_string(id)), false;
        if ((checked == BST_CHECKED) != (id == kIdNotifyCc) && !Click(box))
            return false;
    }
    DWORD_PTR choice = 0;
    SendMessageTimeoutA(p_hNote, kMsgCCMobileChoice, 0, 0, SMTO_NORMAL, 10000, &choice);
    if (choice != 2)
        return Say("the note answers %s to the CC-to-mobile question, not 2", std::to_string(choice)), false;
    return true;
}

int Drive(const COptions& p_oOptions)
{
    if (!RegisterClient(p_oOptions.m_szOutlook) || !RemoveUserResource())
        return 2;
    CClient client;
    if (!client.Start(p_oOptions.m_szOutlook, kStartWaitMs))
        return Say("the client did not start: %s", client.State()), 3;
    // The plug-in's viewer Install has run (and with it Penhold's hook) once the SMS Bar shows.
    const std::string dump = TempFile("brevolt-ccmobile-drive-bars.txt");
    if (!WaitUntil([&] { return BarShows(client, dump, {}); }, kStartWaitMs))
        return Say("the plug-in's SMS Bar did not show"), 4;
    HWND note = nullptr;
    if (!client.Command("new-note") || !WaitUntil([&] { return (note = FindNote(client)) != nullptr; }, 10000))
        return Say("no mail note opened"), 5;
    if (!TickOnlyCc(note))
        return 6;
    Say("a new mail note with the Cc line's \"Notify mobile\" box ticked");
    for (const auto& [field, text] :
         {std::pair{"to", p_oOptions.m_szTo}, std::pair{"cc", p_oOptions.m_szCc},
          std::pair{"subject", p_oOptions.m_szSubject}, std::pair{"body", p_oOptions.m_szBody}})
        if (!client.Command(std::string("fill ") + field + " " + text))
            return Say("the note's %s line could not be filled", field), 7;
    // The note paints what was typed before its picture is taken from the screen.
    RedrawWindow(note, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(note, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    SaveShot(note, p_oOptions.m_szShots, "cc_mobile_note.bmp");
    // As the user presses Send: posted, so the driver keeps watching while Outlook sends.
    PostMessageA(note, WM_COMMAND, kNoteSendCommand, 0);
    if (!WaitUntil([&] { return !IsWindow(note); }, kSendWaitMs))
    {
        const std::string dialog = DialogText(0);
        return Say("the note was not sent: %s", dialog.empty() ? "it stayed open" : dialog), 8;
    }
    Say("sent: the note closed");
    // The SMTP server delivers into the Maildir's "new" folder.
    const std::string arrived = std::string(p_oOptions.m_szMaildir) + "\\new";
    if (*p_oOptions.m_szMaildir != '\0' &&
        !WaitUntil([&] { return CountFiles(arrived) >= std::atoi(p_oOptions.m_szMails); }, kMailWaitMs))
        return Say("only %s mails reached the SMTP server", std::to_string(CountFiles(arrived))), 9;
    const int code = client.Quit();
    if (code != 0)
        return Say("the client ended with %s", std::to_string(code)), 10;
    Say("the client ended");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    SetSayName("ccmobile-drive");
    COptions options;
    const bool known = ParseOptions(argc, argv,
                                    {{"--outlook", &options.m_szOutlook},
                                     {"--to", &options.m_szTo},
                                     {"--cc", &options.m_szCc},
                                     {"--subject", &options.m_szSubject},
                                     {"--body", &options.m_szBody},
                                     {"--shots", &options.m_szShots},
                                     {"--maildir", &options.m_szMaildir},
                                     {"--mails", &options.m_szMails}});
    if (!known || !options.m_szOutlook)
    {
        std::fprintf(stderr, "usage: brevolt-ccmobile-drive --outlook EXE [--to TEXT] [--cc TEXT] [--subject TEXT] "
                             "[--body TEXT] [--shots DIR] [--maildir DIR --mails N]\n");
        return 1;
    }
    return Drive(options);
}
