// tests/win/ccmobile/cc_phone_test.cpp: CCPhoneStore, CCPhoneSend and CCPhoneCleanup in Corvane.dll
// over the MAPI stand-in: an e-mail written as Outlook writes it (address-book recipients of the
// three types, a distribution list, a deferred delivery time) is stored, and its notice goes out
// through the Outbox; the reference gateway's decoding of the mail the SMTP server received says
// who got which text.
#include "tests/win/corvane/corvane_test_support.h"

#include "Addressbook/protocol/aes.h"
#include "common/handle_win.h"
#include "gateway/gateway_commands.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <mapitags.h>
#include <mapiutil.h>
#include <mapix.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace
{
constexpr const char* kUserKey = "Software\\Brevolt";
constexpr const char* kStandinKey = "Software\\Brevolt Test\\MAPI Stand-in";
using CBytes = std::vector<uint8_t>;

struct CRows
{
    CRows()
    {
        m_pfnFree = reinterpret_cast<decltype(m_pfnFree)>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("mapi_standin.dll"), "FreeProws")));
    }
    // Every row of the table for the columns.
    template <class F> void ForEach(IMAPITable* p_pTable, LPSPropTagArray p_pColumns, F&& p_fnRow) const
    {
        if (p_pTable->SetColumns(p_pColumns, 0) != S_OK)
            return;
        for (;;)
        {
            LPSRowSet pRows = nullptr;
            if (p_pTable->QueryRows(50, 0, &pRows) != S_OK || pRows == nullptr)
                return;
            const ULONG ulCount = pRows->cRows;
            for (ULONG i = 0; i < ulCount; ++i)
                p_fnRow(pRows->aRow[i].lpProps);
            m_pfnFree(pRows);
            if (ulCount == 0)
                return;
        }
    }
    void(WINAPI* m_pfnFree)(LPSRowSet) = nullptr;
};

// The entry id of every address-book entry, by display name.
std::map<std::string, CBytes> BookEntryIds(IMAPISession* p_pSession)
{
    const CRows oRows;
    std::map<std::string, CBytes> mIds;
    com_ptr<IAddrBook> pBook;
    ULONG ulType = 0;
    com_ptr<IABContainer> pRoot;
    com_ptr<IMAPITable> pHierarchy;
    if (p_pSession->OpenAddressBook(0, nullptr, AB_NO_DIALOG, pBook.put()) != S_OK ||
        pBook->OpenEntry(0, nullptr, nullptr, 0, &ulType, reinterpret_cast<LPUNKNOWN*>(pRoot.put())) != S_OK ||
        pRoot->GetHierarchyTable(CONVENIENT_DEPTH, pHierarchy.put()) != S_OK)
        return mIds;
    SizedSPropTagArray(2, oColumns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
    std::vector<CBytes> vContainers;
    oRows.ForEach(pHierarchy.get(), reinterpret_cast<LPSPropTagArray>(&oColumns), [&](LPSPropValue p) {
        if (p[0].ulPropTag == PR_ENTRYID)
            vContainers.emplace_back(p[0].Value.bin.lpb, p[0].Value.bin.lpb + p[0].Value.bin.cb);
    });
    for (CBytes& vContainer : vContainers)
    {
        com_ptr<IABContainer> pContainer;
        com_ptr<IMAPITable> pContents;
        if (pBook->OpenEntry(static_cast<ULONG>(vContainer.size()), reinterpret_cast<LPENTRYID>(vContainer.data()),
                             nullptr, 0, &ulType, reinterpret_cast<LPUNKNOWN*>(pContainer.put())) != S_OK ||
            pContainer->GetContentsTable(0, pContents.put()) != S_OK)
            continue;
        oRows.ForEach(pContents.get(), reinterpret_cast<LPSPropTagArray>(&oColumns), [&](LPSPropValue p) {
            if (p[0].ulPropTag == PR_ENTRYID && p[1].ulPropTag == PR_DISPLAY_NAME_A)
                mIds.emplace(p[1].Value.lpszA, CBytes(p[0].Value.bin.lpb, p[0].Value.bin.lpb + p[0].Value.bin.cb));
        });
    }
    return mIds;
}

com_ptr<IMsgStore> DefaultStore(IMAPISession* p_pSession)
{
    const CRows oRows;
    com_ptr<IMAPITable> pStores;
    com_ptr<IMsgStore> pStore;
    if (p_pSession->GetMsgStoresTable(0, pStores.put()) != S_OK)
        return pStore;
    SizedSPropTagArray(2, oColumns) = {2, {PR_ENTRYID, PR_DEFAULT_STORE}};
    CBytes vDefault;
    oRows.ForEach(pStores.get(), reinterpret_cast<LPSPropTagArray>(&oColumns), [&](LPSPropValue p) {
        if (p[0].ulPropTag == PR_ENTRYID && p[1].ulPropTag == PR_DEFAULT_STORE && p[1].Value.b)
            vDefault.assign(p[0].Value.bin.lpb, p[0].Value.bin.lpb + p[0].Value.bin.cb);
    });
    if (!vDefault.empty())
        (void)p_pSession->OpenMsgStore(0, static_cast<ULONG>(vDefault.size()),
                                       reinterpret_cast<LPENTRYID>(vDefault.data()), nullptr, MDB_WRITE, pStore.put());
    return pStore;
}

struct CMailRecipient
{
    std::string m_sName;
    ULONG m_ulType;
};

// An e-mail as Outlook has it when the note is written: address-book recipients of their types,
// the subject and, when given, a deferred delivery time.
com_ptr<IMessage> WriteMail(IMAPISession* p_pSession, const std::vector<CMailRecipient>& p_vRecipients,
                            const char* p_szSubject, const SYSTEMTIME* p_pstDeferred)
{
    com_ptr<IMessage> pMessage;
    const std::map<std::string, CBytes> mIds = BookEntryIds(p_pSession);
    com_ptr<IMsgStore> pStore = DefaultStore(p_pSession);
    com_ptr<IMAPIFolder> pRoot;
    ULONG ulType = 0;
    if (!pStore ||
        pStore->OpenEntry(0, nullptr, nullptr, MAPI_MODIFY, &ulType, reinterpret_cast<LPUNKNOWN*>(pRoot.put())) !=
            S_OK ||
        pRoot->CreateMessage(nullptr, 0, pMessage.put()) != S_OK)
        return com_ptr<IMessage>();
    std::vector<uint8_t> vList(CbNewADRLIST(p_vRecipients.size()));
    auto* pList = reinterpret_cast<LPADRLIST>(vList.data());
    pList->cEntries = static_cast<ULONG>(p_vRecipients.size());
    std::vector<std::array<SPropValue, 3>> vProps(p_vRecipients.size());
    std::vector<CBytes> vIds;
    vIds.reserve(p_vRecipients.size());
    for (size_t i = 0; i < p_vRecipients.size(); ++i)
    {
        EXPECT_TRUE(mIds.count(p_vRecipients[i].m_sName)) << p_vRecipients[i].m_sName;
        vIds.push_back(mIds.count(p_vRecipients[i].m_sName) ? mIds.at(p_vRecipients[i].m_sName) : CBytes{1});
        vProps[i][0].ulPropTag = PR_ENTRYID;
        vProps[i][0].Value.bin.cb = static_cast<ULONG>(vIds[i].size());
        vProps[i][0].Value.bin.lpb = vIds[i].data();
        vProps[i][1].ulPropTag = PR_RECIPIENT_TYPE;
        vProps[i][1].Value.l = static_cast<LONG>(p_vRecipients[i].m_ulType);
        vProps[i][2].ulPropTag = PR_DISPLAY_NAME_A;
        vProps[i][2].Value.lpszA = const_cast<char*>(p_vRecipients[i].m_sName.c_str());
        pList->aEntries[i].cValues = 3;
        pList->aEntries[i].rgPropVals = vProps[i].data();
    }
    EXPECT_EQ(S_OK, pMessage->ModifyRecipients(MODRECIP_ADD, pList));
    std::vector<SPropValue> vMailProps(1);
    vMailProps[0].ulPropTag = PR_SUBJECT_A;
    vMailProps[0].Value.lpszA = const_cast<char*>(p_szSubject);
    if (p_pstDeferred != nullptr)
    {
        SPropValue oTime{};
        oTime.ulPropTag = PR_DEFERRED_DELIVERY_TIME;
        EXPECT_TRUE(SystemTimeToFileTime(p_pstDeferred, &oTime.Value.ft));
        vMailProps.push_back(oTime);
    }
    EXPECT_EQ(S_OK, pMessage->SetProps(static_cast<ULONG>(vMailProps.size()), vMailProps.data(), nullptr));
    EXPECT_EQ(S_OK, pMessage->SaveChanges(KEEP_OPEN_READWRITE));
    return pMessage;
}

size_t VisibleDialogsOfProcess()
{
    size_t nCount = 0;
    EnumWindows(
        [](HWND p_hWindow, LPARAM p_lCount) -> BOOL {
            DWORD dwProcess = 0;
            GetWindowThreadProcessId(p_hWindow, &dwProcess);
            if (dwProcess == GetCurrentProcessId() && IsWindowVisible(p_hWindow))
                ++*reinterpret_cast<size_t*>(p_lCount);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&nCount));
    return nCount;
}

class CCPhone : public testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        CCorvane& oCorvane = CCorvane::Get();
        // Run by ccmobile_win_mail with the SMTP server around it; elsewhere mail never leaves.
        if (const char* szServer = std::getenv("BREVOLT_SMTP_SERVER"))
        {
            ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kStandinKey, "SmtpServer", szServer));
        }
        std::string sError;
        ASSERT_TRUE(MakeKeyText(256, s_sKeyText, sError)) << sError;
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "AccountKey", s_sKeyText));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Name", "Ann Example"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Email", "ann@example.org"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Phone", "07700900001"));
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "CountryCode", "44"));
        s_p_oInit = std::make_unique<CInitScope>(0, 5, kCallerFull);
        ASSERT_TRUE(s_p_oInit->Succeeded());
        s_pfnStore = oCorvane.Bind<PFN_CCPhoneStore>(szCCPhoneStore);
        s_pfnSend = oCorvane.Bind<PFN_CCPhoneSend>(szCCPhoneSend);
        s_pfnCleanup = oCorvane.Bind<PFN_CCPhoneCleanup>(szCCPhoneCleanup);
        ASSERT_NE(nullptr, s_pfnStore);
        ASSERT_NE(nullptr, s_pfnSend);
        ASSERT_NE(nullptr, s_pfnCleanup);
    }
    static void TearDownTestSuite()
    {
        s_p_oInit.reset();
        CoUninitialize();
    }
    IMAPISession* Session() const
    {
        return CCorvane::Get().GetSessionForThread();
    }

    static std::string s_sKeyText;
    static std::unique_ptr<CInitScope> s_p_oInit;
    static PFN_CCPhoneStore s_pfnStore;
    static PFN_CCPhoneSend s_pfnSend;
    static PFN_CCPhoneCleanup s_pfnCleanup;
};
std::string CCPhone::s_sKeyText;
std::unique_ptr<CInitScope> CCPhone::s_p_oInit;
PFN_CCPhoneStore CCPhone::s_pfnStore = nullptr;
PFN_CCPhoneSend CCPhone::s_pfnSend = nullptr;
PFN_CCPhoneCleanup CCPhone::s_pfnCleanup = nullptr;

// The gateway's lines for every mail the SMTP server stored, once one has arrived.
std::vector<nlohmann::json> GatewayLines(const std::string& p_sKeyText)
{
    const char* szMaildir = std::getenv("BREVOLT_CCMOBILE_MAILDIR");
    if (szMaildir == nullptr)
        return {};
    CAES oKey;
    EXPECT_TRUE(oKey.ReadKeyXML(p_sKeyText));
    const std::string sMaildir = std::string("Z:") + szMaildir;
    std::vector<CGatewayInput> vInputs;
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (vInputs.empty() && std::chrono::steady_clock::now() < tEnd)
    {
        std::string sError;
        vInputs.clear();
        if (!ReadMaildir(sMaildir, vInputs, sError) || vInputs.empty())
            PumpMessages(std::chrono::milliseconds(100));
    }
    std::vector<nlohmann::json> vLines;
    for (const CGatewayInput& oInput : vInputs)
    {
        std::vector<std::string> vText;
        EXPECT_TRUE(DecodeGatewayMail(oInput, oKey, vText)) << (vText.empty() ? "" : vText.front());
        for (const std::string& sLine : vText)
            vLines.push_back(nlohmann::json::parse(sLine));
    }
    return vLines;
}
} // namespace

// Nothing stored: CCPhoneSend is done at once and shows nothing; a message that is not one stores
// nothing, and the clean-up of nothing succeeds.
TEST_F(CCPhone, SendWithoutStoreReturnsOneAndShowsNothing)
{
    const size_t nBefore = VisibleDialogsOfProcess();
    EXPECT_EQ(1, s_pfnSend(nullptr));
    PumpMessages(std::chrono::milliseconds(200));
    EXPECT_EQ(nBefore, VisibleDialogsOfProcess());
    EXPECT_EQ(0, s_pfnStore(nullptr, 1, 1, 1));
    EXPECT_EQ(1, s_pfnSend(nullptr));
    EXPECT_EQ(1, s_pfnCleanup());

    // A stored notice the clean-up discards is not sent afterwards.
    com_ptr<IMessage> pMail = WriteMail(Session(), {{"Bob To", MAPI_TO}}, "Cleaned", nullptr);
    ASSERT_TRUE(pMail);
    EXPECT_EQ(1, s_pfnStore(pMail.get(), 1, 1, 1));
    EXPECT_EQ(1, s_pfnCleanup());
    EXPECT_EQ(1, s_pfnSend(nullptr));
    EXPECT_EQ(nBefore, VisibleDialogsOfProcess());
}

// Only the Cc box ticked: the Cc person and the members of the Cc list get the notice with the
// sender's name (the subject is empty) and the e-mail's deferred delivery time; the To and Bcc
// recipients get nothing.
TEST_F(CCPhone, MailOnlyCcTickedReachesCcAndListMembersAtTheDeferredTime)
{
    if (std::getenv("BREVOLT_CCMOBILE_MAILDIR") == nullptr)
        GTEST_SKIP() << "run by ccmobile_win_mail, with the SMTP server";
    SYSTEMTIME stDeferred{};
    stDeferred.wYear = 2031;
    stDeferred.wMonth = 3;
    stDeferred.wDay = 14;
    stDeferred.wHour = 9;
    stDeferred.wMinute = 30;
    com_ptr<IMessage> pMail = WriteMail(
        Session(), {{"Bob To", MAPI_TO}, {"Carol Copy", MAPI_CC}, {"Field Team", MAPI_CC}, {"Dan Blind", MAPI_BCC}}, "",
        &stDeferred);
    ASSERT_TRUE(pMail);
    ASSERT_EQ(1, s_pfnStore(pMail.get(), 0, 1, 0));
    EXPECT_EQ(1, s_pfnSend(nullptr));

    const std::vector<nlohmann::json> vLines = GatewayLines(s_sKeyText);
    std::set<std::string> setMobiles;
    for (const nlohmann::json& oLine : vLines)
    {
        ASSERT_FALSE(oLine.contains("error")) << oLine.dump();
        setMobiles.insert(oLine.at("mobile").get<std::string>());
        EXPECT_EQ("You have a new e-mail from Ann Example", oLine.at("text").get<std::string>());
        EXPECT_EQ("2031-03-14T09:30:00", oLine.at("delivery_time").get<std::string>());
        EXPECT_TRUE(oLine.at("verified").get<bool>());
    }
    EXPECT_EQ((std::set<std::string>{"+447700900022", "+447700900024", "+447700900025"}), setMobiles);
    EXPECT_EQ(3u, vLines.size());
}
