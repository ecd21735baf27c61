// tests/win/corvane/outlook_start_test.cpp: a full Outlook start on a seeded MAPI profile (the MAPI
// stand-in, found through DLLPathEx): the library logs on to the default profile, and a job naming
// an address-book distribution list, picked without its members, reaches each member once.
#include "tests/win/corvane/corvane_test_support.h"

#include "common/handle_win.h"
#include "common/unique_any.h"

#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace
{
using CBytes = std::vector<uint8_t>;

// The table functions of the MAPI library the library loaded, as a client of it binds them.
struct CTableFunctions
{
    CTableFunctions()
    {
        const HMODULE hMapi = GetModuleHandleA("mapi_standin.dll");
        m_pfnFreeProws =
            reinterpret_cast<decltype(m_pfnFreeProws)>(reinterpret_cast<void*>(GetProcAddress(hMapi, "FreeProws")));
    }
    void(WINAPI* m_pfnFreeProws)(LPSRowSet) = nullptr;
};

// Rows of PR_ENTRYID and PR_DISPLAY_NAME_A of a table, all of them.
std::vector<std::pair<CBytes, std::string>> EntriesOf(IMAPITable* p_pTable)
{
    static const CTableFunctions s_oMapi;
    std::vector<std::pair<CBytes, std::string>> vEntries;
    SizedSPropTagArray(2, oColumns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
    if (p_pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&oColumns), 0) != S_OK)
        return vEntries;
    for (;;)
    {
        LPSRowSet pRows = nullptr;
        if (p_pTable->QueryRows(50, 0, &pRows) != S_OK || pRows == nullptr)
            break;
        const ULONG ulCount = pRows->cRows;
        for (ULONG i = 0; i < ulCount; ++i)
        {
            const SPropValue* pValues = pRows->aRow[i].lpProps;
            if (pValues[0].ulPropTag == PR_ENTRYID && pValues[1].ulPropTag == PR_DISPLAY_NAME_A)
                vEntries.emplace_back(
                    CBytes(pValues[0].Value.bin.lpb, pValues[0].Value.bin.lpb + pValues[0].Value.bin.cb),
                    pValues[1].Value.lpszA);
        }
        s_oMapi.m_pfnFreeProws(pRows);
        if (ulCount == 0)
            break;
    }
    return vEntries;
}

// The entry id of the address-book entry of that name in any container of the address book.
CBytes AddressBookEntryId(IMAPISession* p_pSession, const std::string& p_sName)
{
    com_ptr<IAddrBook> pBook;
    ULONG ulType = 0;
    com_ptr<IABContainer> pRoot;
    com_ptr<IMAPITable> pHierarchy;
    if (p_pSession->OpenAddressBook(0, nullptr, AB_NO_DIALOG, pBook.put()) != S_OK ||
        pBook->OpenEntry(0, nullptr, nullptr, 0, &ulType, reinterpret_cast<LPUNKNOWN*>(pRoot.put())) != S_OK ||
        pRoot->GetHierarchyTable(CONVENIENT_DEPTH, pHierarchy.put()) != S_OK)
        return {};
    for (auto& [vContainer, sContainer] : EntriesOf(pHierarchy.get()))
    {
        com_ptr<IABContainer> pContainer;
        com_ptr<IMAPITable> pContents;
        if (pBook->OpenEntry(static_cast<ULONG>(vContainer.size()), reinterpret_cast<LPENTRYID>(vContainer.data()),
                             nullptr, 0, &ulType, reinterpret_cast<LPUNKNOWN*>(pContainer.put())) != S_OK ||
            pContainer->GetContentsTable(0, pContents.put()) != S_OK)
            continue;
        for (auto& [vEntry, sName] : EntriesOf(pContents.get()))
            if (sName == p_sName)
                return vEntry;
    }
    return {};
}
} // namespace

TEST(OutlookStart, LogsOnAndExpandsAddressBookListsWhenAJobIsFlattened)
{
    CCorvane& corvane = CCorvane::Get();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const scope_exit comDone([] { CoUninitialize(); });
    CInitScope init(0, 5, kCallerFull);
    ASSERT_TRUE(init.Succeeded());
    IMAPISession* pSession = corvane.GetSessionForThread();
    ASSERT_NE(pSession, nullptr) << "Init did not log on to the default profile";

    // "Everyone" holds "Sales Team" (Bob, Carol) and Bob again; picked, it has no members yet.
    CBytes vEveryone = AddressBookEntryId(pSession, "Everyone");
    ASSERT_FALSE(vEveryone.empty());
    CMessageRecipientList* p_mrlTo = nullptr;
    ASSERT_EQ(corvane.CreateMessageRecipientList(&p_mrlTo), 1);
    CMessageRecipient* p_oList = nullptr;
    ASSERT_EQ(corvane.CreateMessageRecipientFromDetails(
                  kStateListComplete, kKindDistList, "Everyone", nullptr, nullptr, "Everyone", EID_TYPE_AB,
                  static_cast<uint32_t>(vEveryone.size()), vEveryone.data(), kDefaultRecipientOptions, &p_oList),
              1);
    ASSERT_EQ(corvane.AddMessageRecipient(p_mrlTo, p_oList), 1);

    const auto pfnCreateFinalSMSs = corvane.Bind<PFN_CreateFinalSMSs>("CreateFinalSMSs");
    const auto pfnDeleteSMSList = corvane.Bind<PFN_DeleteSMSList>("DeleteSMSList");
    CFinalSMSList* p_oFinal = nullptr;
    ASSERT_EQ(pfnCreateFinalSMSs("Meeting at ten", nullptr, p_mrlTo, nullptr, 3, 1, 0, 0, &p_oFinal), 1);
    ASSERT_NE(p_oFinal, nullptr);
    std::multiset<std::string> setMobiles;
    for (auto* p_oNode = p_oFinal->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
        setMobiles.insert(p_oNode->m_p_oItem->m_szMobile ? p_oNode->m_p_oItem->m_szMobile : "(null)");
    EXPECT_EQ(setMobiles, (std::multiset<std::string>{"+447700900011", "+447700900012"}));
    pfnDeleteSMSList(&p_oFinal);
    EXPECT_EQ(corvane.DeleteMessageRecipientList(&p_mrlTo), 1);
}

namespace
{
// The names of the items of the "Sent SMSs" folder below the default store's message tree; none
// when there is no such folder.
std::vector<std::string> SentSMSSubjects(IMAPISession* p_pSession)
{
    com_ptr<IMAPITable> pStores;
    if (p_pSession->GetMsgStoresTable(0, pStores.put()) != S_OK)
        return {};
    com_ptr<IMsgStore> pStore;
    for (auto& [vStore, sStore] : EntriesOf(pStores.get()))
        if (!pStore &&
            p_pSession->OpenMsgStore(0, static_cast<ULONG>(vStore.size()), reinterpret_cast<LPENTRYID>(vStore.data()),
                                     nullptr, MAPI_BEST_ACCESS | MDB_NO_DIALOG, pStore.put()) != S_OK)
            pStore.reset();
    SizedSPropTagArray(1, oTags) = {1, {PR_IPM_SUBTREE_ENTRYID}};
    ULONG ulCount = 0;
    LPSPropValue pRootId = nullptr;
    if (!pStore || pStore->GetProps(reinterpret_cast<LPSPropTagArray>(&oTags), 0, &ulCount, &pRootId) != S_OK)
        return {};
    CBytes vRoot(pRootId->Value.bin.lpb, pRootId->Value.bin.lpb + pRootId->Value.bin.cb);
    using FreeBuffer = ULONG(WINAPI*)(LPVOID);
    reinterpret_cast<FreeBuffer>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("mapi_standin.dll"), "MAPIFreeBuffer")))(pRootId);
    ULONG ulType = 0;
    com_ptr<IMAPIFolder> pRoot;
    com_ptr<IMAPITable> pHierarchy;
    if (pStore->OpenEntry(static_cast<ULONG>(vRoot.size()), reinterpret_cast<LPENTRYID>(vRoot.data()), nullptr, 0,
                          &ulType, reinterpret_cast<LPUNKNOWN*>(pRoot.put())) != S_OK ||
        pRoot->GetHierarchyTable(0, pHierarchy.put()) != S_OK)
        return {};
    std::vector<std::string> vSubjects;
    for (auto& [vFolder, sFolder] : EntriesOf(pHierarchy.get()))
    {
        com_ptr<IMAPIFolder> pFolder;
        com_ptr<IMAPITable> pContents;
        if (sFolder != "Sent SMSs" ||
            pStore->OpenEntry(static_cast<ULONG>(vFolder.size()), reinterpret_cast<LPENTRYID>(vFolder.data()), nullptr,
                              0, &ulType, reinterpret_cast<LPUNKNOWN*>(pFolder.put())) != S_OK ||
            pFolder->GetContentsTable(0, pContents.put()) != S_OK)
            continue;
        SizedSPropTagArray(1, oSubject) = {1, {PR_SUBJECT_A}};
        LPSRowSet pRows = nullptr;
        if (pContents->SetColumns(reinterpret_cast<LPSPropTagArray>(&oSubject), 0) != S_OK ||
            pContents->QueryRows(100, 0, &pRows) != S_OK || pRows == nullptr)
            continue;
        for (ULONG i = 0; i < pRows->cRows; ++i)
            if (pRows->aRow[i].lpProps[0].ulPropTag == PR_SUBJECT_A)
                vSubjects.push_back(pRows->aRow[i].lpProps[0].Value.lpszA);
        CTableFunctions().m_pfnFreeProws(pRows);
    }
    return vSubjects;
}
} // namespace

// The export files through the Outlook package's MAPI object; an Outlook Express start has none.
TEST(OutlookStart, WriteToSMSFolderFilesTheCopyInSentSMSsOnlyForOutlook)
{
    CCorvane& corvane = CCorvane::Get();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const scope_exit comDone([] { CoUninitialize(); });
    const auto pfnWriteToSMSFolder = corvane.Bind<PFN_WriteToSMSFolder>(szWriteToSMSFolder);
    ASSERT_NE(pfnWriteToSMSFolder, nullptr);
    CMessageRecipientList* p_mrlTo = nullptr;
    ASSERT_EQ(corvane.CreateMessageRecipientList(&p_mrlTo), 1);
    CMessageRecipient* p_oPerson = nullptr;
    ASSERT_EQ(corvane.CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, "Bob", "+447700900011",
                                                        nullptr, "Bob", EID_TYPE_BULK, 0, nullptr,
                                                        kDefaultRecipientOptions, &p_oPerson),
              1);
    ASSERT_EQ(corvane.AddMessageRecipient(p_mrlTo, p_oPerson), 1);
    {
        CInitScope init(1, 6, kCallerFull);
        ASSERT_TRUE(init.Succeeded());
        EXPECT_EQ(pfnWriteToSMSFolder(p_mrlTo, nullptr, "Ann", "Express", "Not filed"), 0);
    }
    {
        CInitScope init(0, 5, kCallerFull);
        ASSERT_TRUE(init.Succeeded());
        IMAPISession* pSession = corvane.GetSessionForThread();
        ASSERT_NE(pSession, nullptr);
        const size_t nBefore = SentSMSSubjects(pSession).size();
        EXPECT_EQ(pfnWriteToSMSFolder(p_mrlTo, nullptr, "Ann Example [ann@example.org]", "Dinner", "Dinner at 8"), 1);
        const std::vector<std::string> vSubjects = SentSMSSubjects(pSession);
        ASSERT_EQ(vSubjects.size(), nBefore + 1);
        EXPECT_EQ(vSubjects.back(), "Dinner");
    }
    EXPECT_EQ(corvane.DeleteMessageRecipientList(&p_mrlTo), 1);
}
