// tests/e2e/newmail_driver_win.cpp: brevolt-newmail-drive, new mail arriving in the Outlook stand-in
// with the installed plug-in: checks that the plug-in and the compose server registered are the
// files the package installed, registers the client as its installer does, names a copy of the
// resource module in the user key (as a user's earlier upgrade leaves it: applying a notice deletes
// the module in use, which must not be the package's), writes one notification rule, starts the
// client and waits for the SMS Bar; then hands an upgrade notice to the store's drop folder with
// "mapistore deliver" (another process, as mail arrives) and waits until the bar shows the new
// resource module's extra button (its picture saved); then delivers a mail the rule matches and
// waits until the SMS it causes reaches the mail server; and quits the client. Exit 0 when every
// step happened; the step that failed is printed otherwise.
#include "Addressbook/reminders/rule_manager.h"
#include "common/settings.h"
#include "tests/e2e/outlook_drive_support_win.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace
{
constexpr DWORD kBarWaitMs = 60000; // the client's start, the plug-in's Install and the bar
constexpr DWORD kMailWaitMs = 60000;
constexpr char kStandinKey[] = "Software\\Brevolt Test\\MAPI Stand-in";

struct COptions
{
    const char* m_szOutlook = nullptr;
    const char* m_szResource = nullptr; // a copy of the resource module, named in the user key
    const char* m_szMapistore = nullptr;
    const char* m_szNotice = nullptr;   // the upgrade notice (.eml)
    const char* m_szRuleMail = nullptr; // a mail the rule matches (.eml)
    const char* m_szButton = nullptr;   // the caption of the button only the new module has
    const char* m_szDrop = nullptr;     // the stand-in's drop folder
    const char* m_szSent = nullptr;     // the mail server's folder of arrived mail
    const char* m_szRuleSubject = "";   // the rule fires on this word in a subject
    const char* m_szRuleMobile = "";
    const char* m_szShots = ""; // a folder for the pictures (Windows path)
};

// The rule: a subject with the word, announced with the sender and subject to the rule's mobile.
bool WriteRule(const COptions& p_oOptions)
{
    CRegistry registry;
    CMessageRule rule;
    rule.m_aCriteria[kRuleFieldSubject].SetTriggerData(p_oOptions.m_szRuleSubject);
    rule.m_dwTriggerAction = kRuleActionSender | kRuleActionSubject;
    rule.m_bSendToMe = false;
    rule.m_sRecipientNumberCC = "27";
    rule.m_sRecipientNumber = p_oOptions.m_szRuleMobile;
    CRuleManager rules(registry);
    rules.SetRules({rule});
    return rules.SaveRules();
}

bool Register(const COptions& p_oOptions)
{
    if (!RegisterClient(p_oOptions.m_szOutlook))
        return false;
    // The SMS Bar's definitions come from the resource module the user key names: a copy, as the
    // notice applied later deletes the module in use.
    if (!SetUserValue("Software\\Brevolt", "Resource", p_oOptions.m_szResource))
        return Say("the resource module could not be named"), false;
    if (!SetUserValue(kStandinKey, "DropFolder", p_oOptions.m_szDrop))
        return Say("the drop folder could not be named"), false;
    if (!WriteRule(p_oOptions))
        return Say("the rule could not be written"), false;
    return true;
}

// Where the product writes a new resource module: its folder in the user's documents folder.
std::string InstalledModulePath()
{
    char documents[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents) != S_OK)
        return {};
    return std::string(documents) + "\\Brevolt SMS\\resource.dll";
}

int Drive(const COptions& p_oOptions)
{
    if (!Register(p_oOptions))
        return 2;
    CClient client;
    if (!client.Start(p_oOptions.m_szOutlook, kBarWaitMs))
        return Say("the client did not start: %s", client.State()), 3;
    const std::string dump = TempFile("brevolt-newmail-drive-bars.txt");
    if (!WaitUntil([&] { return BarShows(client, dump, "New SMS"); }, kBarWaitMs))
        return Say("the SMS Bar did not show"), 4;
    if (BarShows(client, dump, p_oOptions.m_szButton))
        return Say("the bar shows '%s' before the notice came", p_oOptions.m_szButton), 4;
    Say("the SMS Bar shows New SMS");

    const std::string deliver = Quoted(p_oOptions.m_szMapistore) + " deliver ";
    if (Run(deliver + Quoted(p_oOptions.m_szNotice)) != 0)
        return Say("mapistore did not take the notice"), 5;
    const ULONGLONG delivered = GetTickCount64();
    const std::string installed = InstalledModulePath();
    CRegistry registry;
    if (!WaitUntil(
            [&] {
                return registry.ReadUserText("Resource") == installed && BarShows(client, dump, p_oOptions.m_szButton);
            },
            kMailWaitMs))
        return Say("the new module's button did not show (Resource is '%s')", registry.ReadUserText("Resource")), 6;
    Say("the bar shows the new button %s ms after the notice came", std::to_string(GetTickCount64() - delivered));
    WaitBriefly(1000); // the rebuilt bar paints before its picture is taken
    SaveShot(client.Explorer(), p_oOptions.m_szShots, "newmail_sms_bar.bmp");

    if (Run(deliver + Quoted(p_oOptions.m_szRuleMail)) != 0)
        return Say("mapistore did not take the mail"), 7;
    if (!WaitUntil([&] { return CountFiles(p_oOptions.m_szSent) > 0; }, kMailWaitMs))
        return Say("no SMS reached the mail server after the rule's mail came"), 8;
    Say("the rule's SMS reached the mail server");
    const int code = client.Quit();
    if (code != 0)
        return Say("the client ended with %s", std::to_string(code)), 9;
    Say("the client ended");
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    SetSayName("newmail-drive");
    COptions options;
    const std::pair<const char*, const char**> required[] = {
        {"--outlook", &options.m_szOutlook},     {"--resource", &options.m_szResource},
        {"--mapistore", &options.m_szMapistore}, {"--notice", &options.m_szNotice},
        {"--rule-mail", &options.m_szRuleMail},  {"--button", &options.m_szButton},
        {"--drop", &options.m_szDrop},           {"--sent", &options.m_szSent}};
    bool bKnown = ParseOptions(argc, argv,
                               {required[0],
                                required[1],
                                required[2],
                                required[3],
                                required[4],
                                required[5],
                                required[6],
                                required[7],
                                {"--rule-subject", &options.m_szRuleSubject},
                                {"--rule-mobile", &options.m_szRuleMobile},
                                {"--shots", &options.m_szShots}});
    for (const auto& [name, value] : required)
        bKnown = bKnown && *value != nullptr;
    if (!bKnown)
    {
        std::fprintf(stderr, "usage: brevolt-newmail-drive --outlook EXE --resource DLL --mapistore EXE --notice EML "
                             "--rule-mail EML --button CAPTION --drop DIR --sent DIR [--rule-subject WORD] "
                             "[--rule-mobile NUMBER] [--shots DIR]\n");
        return 1;
    }
    return Drive(options);
}
