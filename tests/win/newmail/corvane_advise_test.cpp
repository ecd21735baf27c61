// tests/win/newmail/corvane_advise_test.cpp: the new-mail sink as the Corvane DLL runs it: after an
// Outlook start, StartAdvise's sink applies an upgrade notice that arrives in the Inbox (module in
// the documents folder, "Resource" set, "ResourceChangeEvent%d" signalled, notice deleted); Uninit
// ends the connection, so the next start advises afresh.
#include "tests/win/corvane/corvane_test_support.h"
#include "tests/win/newmail/mail_delivery.h"

#include "Addressbook/reminders/rule_manager.h"
#include "common/handle_win.h"
#include "common/mapi_owner_win.h"
#include "common/settings.h"
#include "common/unique_any.h"
#include "gateway/gateway_commands.h"

#include <mapitags.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

using namespace newmailtest;

namespace
{
// The test binds the stand-in's free functions as the library does for its own copy.
void UseStandinFreeFunctions()
{
    const HMODULE mapi = GetModuleHandleA("mapi_standin.dll");
    ASSERT_NE(mapi, nullptr);
    CMapiFreeFunctions functions;
    functions.m_pfnFreeBuffer = reinterpret_cast<decltype(functions.m_pfnFreeBuffer)>(
        reinterpret_cast<void*>(GetProcAddress(mapi, "MAPIFreeBuffer")));
    functions.m_pfnFreeProws = reinterpret_cast<decltype(functions.m_pfnFreeProws)>(
        reinterpret_cast<void*>(GetProcAddress(mapi, "FreeProws")));
    SetMapiFreeFunctions(functions);
}

com_ptr<IMsgStore> DefaultStore(IMAPISession* p_pSession)
{
    com_ptr<IMsgStore> store;
    com_ptr<IMAPITable> stores;
    if (FAILED(p_pSession->GetMsgStoresTable(0, stores.put())))
        return store;
    SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_DEFAULT_STORE}};
    unique_mapi_rows rows;
    if (FAILED(stores->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0)) ||
        FAILED(stores->QueryRows(20, 0, rows.put())) || !rows)
        return store;
    for (ULONG i = 0; i < rows.get()->cRows; ++i)
    {
        const SPropValue* props = rows.get()->aRow[i].lpProps;
        if (props[1].ulPropTag != PR_DEFAULT_STORE || !props[1].Value.b)
            continue;
        EXPECT_EQ(p_pSession->OpenMsgStore(0, props[0].Value.bin.cb,
                                           reinterpret_cast<LPENTRYID>(props[0].Value.bin.lpb), nullptr,
                                           MAPI_BEST_ACCESS | MDB_NO_DIALOG, store.put()),
                  S_OK);
    }
    return store;
}

// The ".TXT" attachments of the Outbox's messages: the jobs the library handed to the spooler.
std::vector<std::string> OutboxJobs(IMsgStore* p_pStore)
{
    std::vector<std::string> jobs;
    SizedSPropTagArray(1, outboxTag) = {1, {PR_IPM_OUTBOX_ENTRYID}};
    ULONG count = 0;
    unique_mapi_buffer<SPropValue> outboxId;
    if (FAILED(p_pStore->GetProps(reinterpret_cast<LPSPropTagArray>(&outboxTag), 0, &count, outboxId.put())) ||
        outboxId.get()->ulPropTag != PR_IPM_OUTBOX_ENTRYID)
        return jobs;
    const SBinary& id = outboxId.get()->Value.bin;
    com_ptr<IMAPIFolder> outbox;
    com_ptr<IMAPITable> contents;
    ULONG type = 0;
    SizedSPropTagArray(1, entryTag) = {1, {PR_ENTRYID}};
    unique_mapi_rows rows;
    if (FAILED(p_pStore->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0, &type,
                                   reinterpret_cast<IUnknown**>(outbox.put()))) ||
        FAILED(outbox->GetContentsTable(0, contents.put())) ||
        FAILED(contents->SetColumns(reinterpret_cast<LPSPropTagArray>(&entryTag), 0)) ||
        FAILED(contents->QueryRows(100, 0, rows.put())) || !rows)
        return jobs;
    for (ULONG i = 0; i < rows.get()->cRows; ++i)
    {
        const SBinary& entry = rows.get()->aRow[i].lpProps[0].Value.bin;
        com_ptr<IMessage> message;
        com_ptr<IAttach> attach;
        unique_mapi_buffer<SPropValue> data;
        SizedSPropTagArray(1, dataTag) = {1, {PR_ATTACH_DATA_BIN}};
        if (FAILED(p_pStore->OpenEntry(entry.cb, reinterpret_cast<LPENTRYID>(entry.lpb), nullptr, 0, &type,
                                       reinterpret_cast<IUnknown**>(message.put()))) ||
            FAILED(message->OpenAttach(0, nullptr, 0, attach.put())) ||
            FAILED(attach->GetProps(reinterpret_cast<LPSPropTagArray>(&dataTag), 0, &count, data.put())) ||
            data.get()->ulPropTag != PR_ATTACH_DATA_BIN)
            continue;
        jobs.emplace_back(reinterpret_cast<const char*>(data.get()->Value.bin.lpb), data.get()->Value.bin.cb);
    }
    return jobs;
}

std::string InstalledModulePath()
{
    char documents[MAX_PATH] = {};
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents), S_OK);
    return std::string(documents) + "\\Brevolt SMS\\resource.dll";
}
} // namespace

TEST(CorvaneNewMail, StartAdviseAppliesANoticeThatArrivesAndUninitEndsTheConnection)
{
    CCorvane& corvane = CCorvane::Get();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const scope_exit comDone([] { CoUninitialize(); });
    CRegistry registry;
    const std::string savedKey = registry.ReadUserText("AccountKey");
    const std::string savedResource = registry.ReadUserText("Resource");
    const scope_exit restore([&] {
        EXPECT_TRUE(registry.WriteUserText("AccountKey", savedKey));
        EXPECT_TRUE(registry.WriteUserText("Resource", savedResource));
    });
    const std::string keyText = NewKeyText();
    ASSERT_TRUE(registry.WriteUserText("AccountKey", keyText));
    ASSERT_TRUE(registry.WriteUserText("Resource", ""));
    const std::string installed = InstalledModulePath();

    for (int round = 1; round <= 2; ++round)
    {
        SCOPED_TRACE(round);
        CInitScope init(0, 5, kCallerFull);
        ASSERT_TRUE(init.Succeeded());
        UseStandinFreeFunctions();
        IMAPISession* session = corvane.GetSessionForThread();
        ASSERT_NE(session, nullptr);
        com_ptr<IMsgStore> store = DefaultStore(session);
        ASSERT_TRUE(store);
        const CBytes inbox = InboxIdOf(store.get());

        const DWORD number = 4700 + round;
        ASSERT_EQ(corvane.StartAdvise(number), 1);
        const unique_handle changed(
            OpenEventA(SYNCHRONIZE, FALSE, ("ResourceChangeEvent" + std::to_string(number)).c_str()));
        ASSERT_TRUE(changed);

        const CBytes module = Bytes("MZ resource module of round " + std::to_string(round));
        CIncomingMail notice;
        notice.m_sSenderAddress = "gateway@brevolt.example";
        notice.m_sSubject = "Upgrade " + std::to_string(round);
        notice.m_sBody = NoticeBody(keyText, module);
        notice.m_vAttachment = module;
        ASSERT_FALSE(DeliverTo(store.get(), inbox, notice).empty());

        EXPECT_TRUE(PumpUntil([&] {
            const std::vector<std::string> subjects = SubjectsIn(store.get(), inbox);
            return std::find(subjects.begin(), subjects.end(), notice.m_sSubject) == subjects.end();
        })) << "the notice is still in the Inbox";
        EXPECT_EQ(registry.ReadUserText("Resource"), installed);
        EXPECT_EQ(ReadBytes(installed), module);
        EXPECT_EQ(WaitForSingleObject(changed.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    }
}

TEST(CorvaneNewMail, MailMatchingARuleLeavesAsABulkJobTheGatewayDecodesWithTheRulesText)
{
    CCorvane& corvane = CCorvane::Get();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const scope_exit comDone([] { CoUninitialize(); });
    CRegistry registry;
    const std::string savedKey = registry.ReadUserText("AccountKey");
    // The user a job names: the suite must not rely on another suite having set one up.
    const std::pair<const char*, const char*> user[] = {
        {"Name", "Jane"}, {"Email", "jane@example.org"}, {"Phone", "+27 825551234"}, {"CountryCode", "27"}};
    std::vector<std::string> savedUser;
    for (const auto& [name, value] : user)
        savedUser.push_back(registry.ReadUserText(name));
    CRuleManager saved(registry);
    (void)saved.LoadRulesFromRegistry();
    const scope_exit restore([&] {
        EXPECT_TRUE(registry.WriteUserText("AccountKey", savedKey));
        for (size_t i = 0; i < std::size(user); ++i)
            EXPECT_TRUE(registry.WriteUserText(user[i].first, savedUser[i]));
        EXPECT_TRUE(saved.SaveRules());
    });
    const std::string keyText = NewKeyText();
    ASSERT_TRUE(registry.WriteUserText("AccountKey", keyText));
    for (const auto& [name, value] : user)
        ASSERT_TRUE(registry.WriteUserText(name, value));
    {
        CMessageRule rule;
        rule.m_aCriteria[kRuleFieldSubject].SetTriggerData("quarterly");
        rule.m_dwTriggerAction = kRuleActionSender | kRuleActionSubject;
        rule.m_bSendToMe = false;
        rule.m_sRecipientNumberCC = "44";
        rule.m_sRecipientNumber = "07700900456";
        CRuleManager rules(registry);
        rules.SetRules({rule});
        ASSERT_TRUE(rules.SaveRules());
    }

    CInitScope init(0, 5, kCallerFull);
    ASSERT_TRUE(init.Succeeded());
    UseStandinFreeFunctions();
    IMAPISession* session = corvane.GetSessionForThread();
    ASSERT_NE(session, nullptr);
    com_ptr<IMsgStore> store = DefaultStore(session);
    ASSERT_TRUE(store);
    ASSERT_EQ(corvane.StartAdvise(4710), 1);
    const size_t jobsBefore = OutboxJobs(store.get()).size();

    CIncomingMail mail;
    mail.m_sSenderAddress = "bob@example.com";
    mail.m_sSubject = "Quarterly figures";
    mail.m_sBody = "Attached.";
    ASSERT_FALSE(DeliverTo(store.get(), InboxIdOf(store.get()), mail).empty());
    ASSERT_TRUE(PumpUntil([&] { return OutboxJobs(store.get()).size() > jobsBefore; }, 20000))
        << "no job reached the Outbox";

    CAES key;
    ASSERT_TRUE(key.ReadKeyXML(keyText));
    const std::string job = OutboxJobs(store.get()).back();
    std::vector<std::string> lines;
    ASSERT_TRUE(DecodeGatewayMail(CGatewayInput{"outbox", job}, key, lines)) << (lines.empty() ? "" : lines[0]);
    ASSERT_EQ(lines.size(), 1u);
    const nlohmann::json sms = nlohmann::json::parse(lines[0]);
    EXPECT_EQ(sms["mobile"], "+447700900456");
    EXPECT_EQ(sms["text"], "Jane received an email from 'bob@example.com', with subject 'Quarterly figures'");
    EXPECT_EQ(sms["bulk"], true);
    EXPECT_EQ(sms["options"], 0x8000);
    EXPECT_EQ(sms["verified"], true);
}
