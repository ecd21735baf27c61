// tests/win/plugin/email_details_test.cpp: the core library's GetEmailDetails on an Outlook profile
// of the MAPI stand-in, as a reply by SMS uses it: the sender's mobile found through the contacts by
// e-mail address (empty when no contact has one) and the mail's text.
#include "tests/win/corvane/corvane_test_support.h"

#include "common/handle_win.h"
#include "common/unique_any.h"

#include <windows.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace
{
using CBytes = std::vector<uint8_t>;
using FreeBufferFn = ULONG(WINAPI*)(LPVOID);
using FreeRowsFn = void(WINAPI*)(LPSRowSet);

template <typename F> F MapiExport(const char* p_szName)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("mapi_standin.dll"), p_szName)));
}

// The Inbox messages of the default store by subject.
std::map<std::string, CBytes> InboxBySubject(IMAPISession* p_pSession)
{
    std::map<std::string, CBytes> messages;
    com_ptr<IMAPITable> stores;
    LPSRowSet rows = nullptr;
    SizedSPropTagArray(2, storeColumns) = {2, {PR_ENTRYID, PR_DEFAULT_STORE}};
    if (p_pSession->GetMsgStoresTable(0, stores.put()) != S_OK ||
        stores->SetColumns(reinterpret_cast<LPSPropTagArray>(&storeColumns), 0) != S_OK ||
        stores->QueryRows(10, 0, &rows) != S_OK || rows == nullptr || rows->cRows == 0)
        return messages;
    const SBinary& storeId = rows->aRow[0].lpProps[0].Value.bin;
    com_ptr<IMsgStore> store;
    const HRESULT opened = p_pSession->OpenMsgStore(0, storeId.cb, reinterpret_cast<LPENTRYID>(storeId.lpb), nullptr,
                                                    MAPI_BEST_ACCESS | MDB_NO_DIALOG, store.put());
    MapiExport<FreeRowsFn>("FreeProws")(rows);
    ULONG inboxBytes = 0;
    LPENTRYID inboxId = nullptr;
    if (opened != S_OK || store->GetReceiveFolder(nullptr, 0, &inboxBytes, &inboxId, nullptr) != S_OK)
        return messages;
    ULONG type = 0;
    com_ptr<IMAPIFolder> inbox;
    com_ptr<IMAPITable> contents;
    const HRESULT openedInbox =
        store->OpenEntry(inboxBytes, inboxId, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(inbox.put()));
    MapiExport<FreeBufferFn>("MAPIFreeBuffer")(inboxId);
    SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_SUBJECT_A}};
    if (openedInbox != S_OK || inbox->GetContentsTable(0, contents.put()) != S_OK ||
        contents->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0) != S_OK ||
        contents->QueryRows(50, 0, &rows) != S_OK || rows == nullptr)
        return messages;
    for (ULONG i = 0; i < rows->cRows; ++i)
    {
        const SPropValue* values = rows->aRow[i].lpProps;
        if (values[0].ulPropTag == PR_ENTRYID && values[1].ulPropTag == PR_SUBJECT_A)
            messages[values[1].Value.lpszA] =
                CBytes(values[0].Value.bin.lpb, values[0].Value.bin.lpb + values[0].Value.bin.cb);
    }
    MapiExport<FreeRowsFn>("FreeProws")(rows);
    return messages;
}

TEST(EmailDetails, TheSendersMobileFromTheContactsAndTheMailsText)
{
    CCorvane& corvane = CCorvane::Get();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const scope_exit comDone([] { CoUninitialize(); });
    CInitScope init(0, 5, kCallerFull);
    ASSERT_TRUE(init.Succeeded());
    IMAPISession* session = corvane.GetSessionForThread();
    ASSERT_NE(session, nullptr);
    const std::map<std::string, CBytes> inbox = InboxBySubject(session);
    ASSERT_EQ(inbox.size(), 2u);

    const auto getDetails = corvane.Bind<PFN_GetEmailDetails>(szGetEmailDetails);
    ASSERT_NE(getDetails, nullptr);
    const struct
    {
        const char* m_szSubject;
        const char* m_szMobile;
        const char* m_szText;
    } cases[] = {{"Lunch", "+447700900001", "Lunch at one?"}, {"Offer", "", "Half price"}};
    for (const auto& mail : cases)
    {
        const CBytes& entry = inbox.at(mail.m_szSubject);
        char* sender = nullptr;
        char* text = nullptr;
        ASSERT_EQ(getDetails(static_cast<uint32_t>(entry.size()), entry.data(), &sender, &text), 1) << mail.m_szSubject;
        EXPECT_STREQ(sender, mail.m_szMobile) << "the sender's address matches the contact's without regard to case";
        EXPECT_STREQ(text, mail.m_szText);
        corvane.FreeString(&sender);
        corvane.FreeString(&text);
    }

    char* sender = reinterpret_cast<char*>(1);
    char* text = reinterpret_cast<char*>(1);
    const uint8_t bogus[] = {1, 2, 3};
    EXPECT_EQ(getDetails(3, bogus, &sender, &text), 0) << "no such message";
    EXPECT_EQ(sender, nullptr);
    EXPECT_EQ(text, nullptr);
}
} // namespace
