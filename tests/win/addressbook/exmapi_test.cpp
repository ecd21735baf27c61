// tests/win/addressbook/exmapi_test.cpp: CExMAPI against the MAPI stand-in: the set-up over a
// seeded profile (stores, contact folders, address-book containers) and its stops, the contact
// e-mail rule through the address book, lists of both kinds, writing back, creating contacts, and
// a second thread working from a marshalled session.
#include "tests/win/addressbook/exmapi_test_support.h"

#include "Addressbook/addressbook/exmapi_members.h"
#include "Addressbook/addressbook/mapi_location.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/handle_win.h"

#include <objbase.h>

#include <thread>

using namespace exmapitest;

namespace
{
const char* const kInitCaption = "SMS - Addressbook Initialization Error";

TEST_F(ExMapi, SetUpFindsEveryContactFolderAndTheAddressBookContainers)
{
    {
        CExMAPI oExMapi(OutlookSettings(), m_oThread);
        ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text() << " / " << oExMapi.Mapi().Error().Text();
        EXPECT_TRUE(g_vBoxes.empty());
        EXPECT_EQ(m_oThread.Session(), oExMapi.Mapi().Session());
        EXPECT_NE(m_oThread.AddressBook(), nullptr);
        EXPECT_NE(m_oThread.MessageStore(), nullptr);
        EXPECT_FALSE(oExMapi.DefaultStoreEntryId().empty());
        ASSERT_TRUE(oExMapi.DefaultContactsFolder());
        EXPECT_EQ(oExMapi.DefaultContactsFolder()->m_sName, "Contacts");
        // Depth first in the default store (Suppliers three levels down), then the second store's
        // Clients, three levels down there too, and the IMAP store's; the public folders are left out.
        EXPECT_EQ(Names(oExMapi.ContactFolders()),
                  (std::vector<std::string>{"Contacts", "Suppliers", "Clients", "Contacts (This computer only)"}));
        for (const CFolderEntry& oFolder : oExMapi.ContactFolders())
            EXPECT_EQ(oFolder.m_iKind, EID_TYPE_STORE);
        EXPECT_EQ(oExMapi.StoreCount(), 2u);
        EXPECT_EQ(oExMapi.ImapStores(), std::vector<std::string>{"imap@example.com"});
        const std::string sTrace = NewTrace();
        for (const char* szLine : {"iVersion = 2, bIMO = false", "Exchange !!!!!", "Default store Personal Folders",
                                   "Couldnt access the public folders", "IMAP store imap@example.com"})
            EXPECT_NE(sTrace.find(szLine), std::string::npos) << szLine;
        // The Outlook Address Book gives way to its Contacts container.
        EXPECT_EQ(Names(oExMapi.AddressBookFolders()),
                  (std::vector<std::string>{"Global Address List", "Contacts", "Personal Address Book"}));
        for (const CFolderEntry& oFolder : oExMapi.AddressBookFolders())
            EXPECT_EQ(oFolder.m_iKind, EID_TYPE_AB);
        EXPECT_TRUE(oExMapi.IsExchangeAddressBook());
        for (ULONG ulTag : oExMapi.ContactEmailTags())
            EXPECT_NE(PROP_ID(ulTag), PROP_ID_NULL);
        EXPECT_EQ(PROP_TYPE(oExMapi.ContactEmailTags()[0]), static_cast<ULONG>(PT_STRING8));
        EXPECT_EQ(PROP_TYPE(oExMapi.ContactEmailTags()[2]), static_cast<ULONG>(PT_BINARY));
        EXPECT_FALSE(oExMapi.ReminderFolderEntryId().empty());

        std::vector<CFolderEntry> vTree;
        oExMapi.RetrieveTreeFolders(vTree);
        EXPECT_EQ(vTree.size(), 7u);
    }
    // Nothing is left in the thread's slots once the object is gone.
    EXPECT_EQ(m_oThread.Session(), nullptr);
    EXPECT_EQ(m_oThread.AddressBook(), nullptr);
    EXPECT_EQ(m_oThread.MessageStore(), nullptr);
}

// Whether another thread could take the startup mutex now (it gives it back at once).
bool StartupMutexIsFree()
{
    bool bFree = false;
    std::thread oOther([&] {
        const unique_handle hMutex(OpenMutexA(SYNCHRONIZE, FALSE, "SMSStartupMutex"));
        if (!hMutex)
        {
            bFree = true;
            return;
        }
        const DWORD dwWait = WaitForSingleObject(hMutex.get(), 0);
        bFree = dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;
        if (bFree)
            ReleaseMutex(hMutex.get());
    });
    oOther.join();
    return bFree;
}

TEST_F(ExMapi, TheStartupMutexIsHeldForTheObjectsLifeByOutlookCodes1And2Only)
{
    const struct
    {
        int m_iVersion;
        bool m_bOutlookExpress;
        bool m_bHeld;
    } aCases[] = {{1, false, true}, {2, false, true}, {3, false, false}, {2, true, false}};
    for (const auto& oCase : aCases)
    {
        {
            CExMapiSettings oSettings = OutlookSettings();
            oSettings.m_iVersion = oCase.m_iVersion;
            oSettings.m_bOutlookExpress = oCase.m_bOutlookExpress;
            CExMAPI oExMapi(oSettings, m_oThread);
            ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text();
            EXPECT_EQ(StartupMutexIsFree(), !oCase.m_bHeld) << oCase.m_iVersion;
            // The Outlook Express package walks neither the address book nor the other stores.
            EXPECT_EQ(m_oThread.AddressBook() == nullptr, oCase.m_bOutlookExpress);
            EXPECT_EQ(oExMapi.AddressBookFolders().empty(), oCase.m_bOutlookExpress);
            EXPECT_EQ(oExMapi.StoreCount(), oCase.m_bOutlookExpress ? 0u : 2u);
        }
        EXPECT_TRUE(StartupMutexIsFree()) << oCase.m_iVersion;
    }
}

TEST_F(ExMapi, AProfileWithoutADefaultStoreStopsWithMessage342AndNoAddressBook)
{
    const struct
    {
        const char* m_szSeed;
        unsigned m_uId;
        const char* m_szText;
    } aCases[] = {
        {"exmapi_no_default_seed.json", kMsgNoDefaultStore,
         "Could not find the default message store\nPlease contact your Admin about this problem"},
        {"exmapi_no_stores_seed.json", kMsgNoMessageStores, "No Message stores returned"},
    };
    for (const auto& oCase : aCases)
    {
        Seed(oCase.m_szSeed);
        g_vBoxes.clear();
        CExMAPI oExMapi(OutlookSettings(), m_oThread);
        ASSERT_TRUE(oExMapi.Mapi().IsInitialised()) << oCase.m_szSeed << ": " << oExMapi.Mapi().Error().Text();
        EXPECT_FALSE(oExMapi.IsReady());
        EXPECT_EQ(oExMapi.Error().Id(), oCase.m_uId);
        ASSERT_EQ(g_vBoxes.size(), 1u);
        EXPECT_EQ(g_vBoxes[0], std::string(kInitCaption) + "|" + oCase.m_szText);
        EXPECT_EQ(m_oThread.AddressBook(), nullptr);
        EXPECT_EQ(m_oThread.MessageStore(), nullptr);
        EXPECT_TRUE(oExMapi.AddressBookFolders().empty());
        EXPECT_NE(NewTrace().find("Error: InitialiseMessageStore failed in CExMAPI::CExMAPI"), std::string::npos);
    }
}

TEST_F(ExMapi, AFailingMapiSetUpIsShownAndStopsEverything)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOutlookClientKey, 0, KEY_SET_VALUE, &hKey), ERROR_SUCCESS);
    const unique_hkey oKey(hKey);
    const std::string sMissing = "C:\\no\\such\\mapi.dll";
    ASSERT_EQ(RegSetValueExA(hKey, kDllPathExValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(sMissing.c_str()),
                             static_cast<DWORD>(sMissing.size() + 1)),
              ERROR_SUCCESS);
    // Wine's own mapi32.dll has no profile to log on to.
    CExMAPI oExMapi(OutlookSettings(), m_oThread);
    if (oExMapi.Mapi().IsInitialised())
        GTEST_SKIP() << "this prefix's mapi32.dll logs on";
    EXPECT_FALSE(oExMapi.IsReady());
    EXPECT_EQ(oExMapi.Error().Id(), kMsgMapiObjectFailed);
    ASSERT_FALSE(g_vBoxes.empty());
    EXPECT_EQ(g_vBoxes.back(), std::string(kInitCaption) + "|MAPI Object Failed to Initialise");
    EXPECT_EQ(m_oThread.AddressBook(), nullptr);
}

// Email1 is an Exchange address; Email2 a plain SMTP one.
TEST_F(ExMapi, AnExchangeEmail1GivesItsSmtpAddressWhenTheAddressBookHasOne)
{
    CExMAPI oExMapi(OutlookSettings(), m_oThread);
    ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text() << " / " << oExMapi.Mapi().Error().Text();
    IMAPISession* pSession = m_oThread.Session();
    const CEntryBytes& vContacts = oExMapi.DefaultContactsFolder()->m_vEntryId;
    const CEntryBytes& vGal = FolderNamed(oExMapi.AddressBookFolders(), "Global Address List").m_vEntryId;
    const CContactEmailTags& aTags = oExMapi.ContactEmailTags();
    auto contact = [&](const char* p_szName, const char* p_szGalName) {
        const CEntryBytes vGalEntry = ABEntryNamed(m_oThread.AddressBook(), vGal, p_szGalName);
        return CreateItem(pSession, vContacts,
                          {Text(PR_MESSAGE_CLASS_A, "IPM.Contact"), Text(PR_DISPLAY_NAME_A, p_szName),
                           Text(aTags[0], "EX"), Text(aTags[1], "/o=Brevolt/cn=x"), Bytes(aTags[2], vGalEntry),
                           Text(aTags[3], "SMTP"), Text(aTags[4], "home@example.org"),
                           Bytes(aTags[5], MakeOneOffEntryId(p_szName, "SMTP", "home@example.org"))});
    };
    const CEntryBytes vResolved = contact("Gail Resolved", "Bob Smith");
    const CEntryBytes vUnresolved = contact("Hugo Unresolved", "Eve Hall");

    CEntryDetails oDetails;
    ASSERT_EQ(oExMapi.RetrieveDetailsForNormalUser(vResolved, oDetails), S_OK);
    EXPECT_EQ(oDetails.m_sName, "Gail Resolved");
    EXPECT_EQ(oDetails.m_sEmail, "bob@example.com");
    EXPECT_FALSE(oDetails.m_bDistList);
    ASSERT_EQ(oExMapi.RetrieveDetailsForNormalUser(vUnresolved, oDetails), S_OK);
    EXPECT_EQ(oDetails.m_sEmail, "home@example.org");

    // The folder read applies the same rule to every row.
    RecipientListPtr oList = NewList<CMessageRecipientList>();
    ASSERT_EQ(oExMapi.RetrieveAllMessageRecipientsInNormalFolder(vContacts, *oList), S_OK);
    EXPECT_EQ(Describe(*oList), "Ann Smith, Colin Brown, Gail Resolved, Hugo Unresolved");
    std::vector<std::string> vEmails;
    for (auto* pNode = oList->m_p_oFirst; pNode; pNode = pNode->m_p_oNext)
    {
        vEmails.push_back(pNode->m_p_oItem->m_szEmail ? pNode->m_p_oItem->m_szEmail : "");
        ASSERT_NE(pNode->m_p_oItem->m_p_oEntry, nullptr);
        EXPECT_EQ(pNode->m_p_oItem->m_p_oEntry->m_iKind, EID_TYPE_STORE);
    }
    EXPECT_EQ(vEmails, (std::vector<std::string>{"ann@example.com", "", "bob@example.com", "home@example.org"}));
    EXPECT_EQ(oList->m_p_oFirst->m_p_oItem->m_dwState, kStateResolved);
    EXPECT_TRUE(g_vReports.empty());
}

TEST_F(ExMapi, TheSmtpAddressOfAnAddressBookEntry)
{
    CExMAPI oExMapi(OutlookSettings(), m_oThread);
    ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text() << " / " << oExMapi.Mapi().Error().Text();
    const CEntryBytes& vGal = FolderNamed(oExMapi.AddressBookFolders(), "Global Address List").m_vEntryId;
    const CEntryBytes& vPab = FolderNamed(oExMapi.AddressBookFolders(), "Personal Address Book").m_vEntryId;
    const struct
    {
        const CEntryBytes& m_vContainer;
        const char* m_szName;
        std::optional<std::string> m_osSmtp;
    } aCases[] = {
        {vGal, "Bob Smith", "bob@example.com"},     // its SMTP address
        {vGal, "Carol Jones", "carol@example.com"}, // "SMTP:" taken off
        {vGal, "Fay Proxy", "fay@example.com"},     // from its proxy addresses
        {vGal, "Eve Hall", std::nullopt},           // an Exchange address only
        {vPab, "Dave Smith", "dave@example.com"},   // an SMTP entry is its own address
    };
    for (const auto& oCase : aCases)
    {
        const CEntryBytes vEntry = ABEntryNamed(m_oThread.AddressBook(), oCase.m_vContainer, oCase.m_szName);
        EXPECT_EQ(oExMapi.GetMatchingABSMTPAddress(vEntry), oCase.m_osSmtp) << oCase.m_szName;
        EXPECT_EQ(oExMapi.SmtpAddressOf(vEntry), oCase.m_osSmtp) << oCase.m_szName;
    }
    // An entry that cannot be opened has no address; the lists ask row by row, so nothing is shown.
    EXPECT_EQ(oExMapi.GetMatchingABSMTPAddress({1, 2, 3}), std::nullopt);
    EXPECT_EQ(oExMapi.MobileOf({1, 2, 3}), std::nullopt);
    EXPECT_TRUE(g_vReports.empty());
    const CEntryBytes vBob = ABEntryNamed(m_oThread.AddressBook(), vGal, "Bob Smith");
    EXPECT_EQ(oExMapi.MobileOf(vBob), "+447700900011");
    EXPECT_EQ(oExMapi.MobileOf(ABEntryNamed(m_oThread.AddressBook(), vGal, "Eve Hall")), std::nullopt);
    CEntryDetails oDetails;
    ASSERT_EQ(oExMapi.RetrieveDetailsForABUser(vBob, oDetails), S_OK);
    EXPECT_EQ(oDetails.m_sName, "Bob Smith");
    EXPECT_EQ(oDetails.m_sMobile, "+447700900011");
    EXPECT_EQ(oDetails.m_sEmail, "bob@example.com");
    ASSERT_EQ(oExMapi.RetrieveDetailsForABUser(ABEntryNamed(m_oThread.AddressBook(), vGal, "Sales Team"), oDetails),
              S_OK);
    EXPECT_TRUE(oDetails.m_bDistList);
    EXPECT_EQ(oDetails.m_sMobile, "");
}

TEST_F(ExMapi, NestedAddressBookListsFlattenToTheirMembersOnce)
{
    CExMAPI oExMapi(OutlookSettings(), m_oThread);
    ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text() << " / " << oExMapi.Mapi().Error().Text();
    const CEntryBytes& vGal = FolderNamed(oExMapi.AddressBookFolders(), "Global Address List").m_vEntryId;
    RecipientListPtr oList = NewList<CMessageRecipientList>();
    // All Staff holds Sales Team, Bob, Leads (which holds All Staff again) and Eve.
    ASSERT_EQ(oExMapi.AddAllRecipientsInABDistList(ABEntryNamed(m_oThread.AddressBook(), vGal, "All Staff"), *oList),
              S_OK);
    EXPECT_EQ(Describe(*oList), "Sales Team[Bob Smith, Carol Jones], Bob Smith, Leads[Carol Jones], Eve Hall");
    const CMessageRecipient& oSales = *oList->m_p_oFirst->m_p_oItem;
    EXPECT_EQ(oSales.m_iKind, kKindDistList);
    EXPECT_EQ(oSales.m_p_oEntry->m_iKind, EID_TYPE_AB);
    const CMessageRecipient& oBob = *oSales.m_p_mrlMembers->m_p_oFirst->m_p_oItem;
    EXPECT_STREQ(oBob.m_szEmail, "bob@example.com");
    EXPECT_STREQ(oBob.m_szMobile, "+447700900011");

    RecipientListPtr oAll = NewList<CMessageRecipientList>();
    ASSERT_EQ(oExMapi.RetrieveAllMessageRecipientsInABFolder(vGal, *oAll), S_OK);
    EXPECT_EQ(Describe(*oAll),
              "Bob Smith, Carol Jones, Sales Team[Bob Smith, Carol Jones], Eve Hall, Fay Proxy, "
              "All Staff[Sales Team[Bob Smith, Carol Jones], Bob Smith, Leads[Carol Jones], Eve Hall], "
              "Leads[All Staff[Sales Team[Bob Smith, Carol Jones], Bob Smith, Eve Hall], Carol Jones]");
}

TEST_F(ExMapi, NestedContactListsFlattenToTheirMembersOnce)
{
    CExMAPI oExMapi(OutlookSettings(), m_oThread);
    ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text() << " / " << oExMapi.Mapi().Error().Text();
    IMAPISession* pSession = m_oThread.Session();
    const CEntryBytes& vContacts = oExMapi.DefaultContactsFolder()->m_vEntryId;
    const ULONG ulMembers = NamedTag(pSession, vContacts, 0x8055, PT_MV_BINARY);
    const ULONG ulOneOffs = NamedTag(pSession, vContacts, 0x8054, PT_MV_BINARY);
    const CEntryBytes vAnn = ItemNamed(pSession, vContacts, "Ann Smith");
    const CEntryBytes vGone = MakeOneOffEntryId("Gone", "SMTP", "gone@example.com");
    const CEntryBytes vSales =
        ABEntryNamed(m_oThread.AddressBook(),
                     FolderNamed(oExMapi.AddressBookFolders(), "Global Address List").m_vEntryId, "Sales Team");
    // Inner holds Ann and a contact that no longer exists, known only by its one-off.
    const CEntryBytes vMissing = {0x01, 0x02, 0x03, 0x04};
    const CEntryBytes vInner = CreateItem(
        pSession, vContacts,
        {Text(PR_MESSAGE_CLASS_A, "IPM.DistList"), Text(PR_DISPLAY_NAME_A, "Inner"),
         Multi(ulMembers, {WrapListMember(EListMember::Contact, vAnn), WrapListMember(EListMember::Contact, vMissing)}),
         Multi(ulOneOffs, {MakeOneOffEntryId("Ann Smith", "SMTP", "ann@example.com"), vGone})});
    const CEntryBytes vZed = MakeOneOffEntryId("Zed", "SMTP", "zed@example.com");
    // Ivy is in the list by her Email2.
    const CContactEmailTags& aTags = oExMapi.ContactEmailTags();
    const CEntryBytes vIvy = CreateItem(pSession, vContacts,
                                        {Text(PR_MESSAGE_CLASS_A, "IPM.Contact"), Text(PR_DISPLAY_NAME_A, "Ivy Two"),
                                         Text(aTags[0], "SMTP"), Text(aTags[1], "ivy@work.example"),
                                         Bytes(aTags[2], MakeOneOffEntryId("Ivy", "SMTP", "ivy@work.example")),
                                         Text(aTags[3], "SMTP"), Text(aTags[4], "ivy@home.example"),
                                         Bytes(aTags[5], MakeOneOffEntryId("Ivy", "SMTP", "ivy@home.example"))});
    const CEntryBytes vOuter = CreateItem(
        pSession, vContacts,
        {Text(PR_MESSAGE_CLASS_A, "IPM.DistList"), Text(PR_DISPLAY_NAME_A, "Outer"),
         Multi(ulMembers,
               {WrapListMember(EListMember::Contact, vAnn), WrapListMember(EListMember::PersonalList, vInner),
                WrapListMember(EListMember::GalList, vSales), WrapListMember(EListMember::PersonalList, vInner), vZed,
                WrapListMember(EListMember::Contact, vIvy, 1)})});

    RecipientListPtr oList = NewList<CMessageRecipientList>();
    ASSERT_EQ(oExMapi.AddAllRecipientsInNormalDistList(vOuter, *oList), S_OK);
    EXPECT_EQ(Describe(*oList), "Ann Smith, Inner[Ann Smith, Gone], Sales Team[Bob Smith, Carol Jones], Zed, Ivy Two");
    const CMessageRecipient& oAnn = *oList->m_p_oFirst->m_p_oItem;
    EXPECT_STREQ(oAnn.m_szMobile, "+447700900001");
    EXPECT_STREQ(oAnn.m_szEmail, "ann@example.com");
    EXPECT_EQ(oAnn.m_p_oEntry->m_iKind, EID_TYPE_STORE);
    EXPECT_STREQ(oList->m_p_oLast->m_p_oPrev->m_p_oItem->m_szEmail, "zed@example.com");
    EXPECT_STREQ(oList->m_p_oLast->m_p_oItem->m_szEmail, "ivy@home.example");

    CEntryDetails oDetails;
    ASSERT_EQ(oExMapi.RetrieveDetailsForNormalUser(vOuter, oDetails), S_OK);
    EXPECT_TRUE(oDetails.m_bDistList);
    EXPECT_EQ(oDetails.m_sName, "Outer");
}

// Lists and Exchange e-mail slots as the stand-in writes them from its seed; SMTP slots carry a
// one-off original entry id, as Outlook writes them.
TEST_F(ExMapi, SeededContactListsAndExchangeSlotsReadAsOutlookWroteThem)
{
    Seed("exmapi_lists_seed.json");
    CExMAPI oExMapi(OutlookSettings(), m_oThread);
    ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text() << " / " << oExMapi.Mapi().Error().Text();
    IMAPISession* pSession = m_oThread.Session();
    const CEntryBytes& vContacts = oExMapi.DefaultContactsFolder()->m_vEntryId;
    CEntryDetails oDetails;
    ASSERT_EQ(oExMapi.RetrieveDetailsForNormalUser(ItemNamed(pSession, vContacts, "Bob Contact"), oDetails), S_OK);
    EXPECT_EQ(oDetails.m_sEmail, "bob@example.com");
    ASSERT_EQ(oExMapi.RetrieveDetailsForNormalUser(ItemNamed(pSession, vContacts, "Eve Contact"), oDetails), S_OK);
    EXPECT_EQ(oDetails.m_sEmail, "eve.home@example.com");

    RecipientListPtr oList = NewList<CMessageRecipientList>();
    ASSERT_EQ(oExMapi.AddAllRecipientsInNormalDistList(ItemNamed(pSession, vContacts, "Friends"), *oList), S_OK);
    EXPECT_EQ(Describe(*oList), "Ann Smith, Bob Contact, Family[Eve Contact, Sales Team[Bob Smith, Carol Jones]], "
                                "Carol Jones, Zed Zero");
    std::vector<std::string> vEmails;
    for (auto* pNode = oList->m_p_oFirst; pNode; pNode = pNode->m_p_oNext)
        vEmails.push_back(pNode->m_p_oItem->m_szEmail ? pNode->m_p_oItem->m_szEmail : "-");
    EXPECT_EQ(vEmails, (std::vector<std::string>{"ann@example.com", "bob.home@example.com", "-", "carol@example.com",
                                                 "zed@example.com"}));

    // The same list seen through the Outlook Address Book's Contacts container.
    RecipientListPtr oAB = NewList<CMessageRecipientList>();
    ASSERT_EQ(oExMapi.RetrieveAllMessageRecipientsInABFolder(
                  FolderNamed(oExMapi.AddressBookFolders(), "Contacts").m_vEntryId, *oAB),
              S_OK);
    // Each list there is entered once: Family's Friends does not enter Family again.
    EXPECT_EQ(Describe(*oAB),
              "Ann Smith, Bob Contact, Eve Contact, "
              "Friends[Ann Smith, Bob Contact, Family[Eve Contact, Sales Team[Bob Smith, Carol Jones]], "
              "Carol Jones, Zed Zero], "
              "Family[Eve Contact, Sales Team[Bob Smith, Carol Jones], "
              "Friends[Ann Smith, Bob Contact, Carol Jones, Zed Zero]]");
}

TEST_F(ExMapi, AWrittenMobilePersistsAndTheGlobalListRefusesIt)
{
    CEntryBytes vAnn;
    {
        CExMAPI oExMapi(OutlookSettings(), m_oThread);
        ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text() << " / " << oExMapi.Mapi().Error().Text();
        vAnn = ItemNamed(m_oThread.Session(), oExMapi.DefaultContactsFolder()->m_vEntryId, "Ann Smith");
        CEntryDetails oDetails;
        ASSERT_EQ(oExMapi.RetrieveDetailsForNormalUser(vAnn, oDetails), S_OK);
        oDetails.m_sMobile = "+447700900099";
        ASSERT_EQ(oExMapi.SetNormalUserDetails(vAnn, oDetails), S_OK);

        const CEntryBytes& vPab = FolderNamed(oExMapi.AddressBookFolders(), "Personal Address Book").m_vEntryId;
        const CEntryBytes vDave = ABEntryNamed(m_oThread.AddressBook(), vPab, "Dave Smith");
        oDetails = {};
        oDetails.m_sMobile = "+447700900098";
        EXPECT_EQ(oExMapi.SetABUserDetails(vDave, oDetails), S_OK);
        EXPECT_EQ(oExMapi.MobileOf(vDave), "+447700900098");

        const CEntryBytes& vGal = FolderNamed(oExMapi.AddressBookFolders(), "Global Address List").m_vEntryId;
        const CEntryBytes vBob = ABEntryNamed(m_oThread.AddressBook(), vGal, "Bob Smith");
        EXPECT_EQ(oExMapi.SetABUserDetails(vBob, oDetails), MAPI_E_NO_ACCESS);
        EXPECT_EQ(oExMapi.MobileOf(vBob), "+447700900011");
        ASSERT_FALSE(g_vReports.empty());
        EXPECT_NE(g_vReports.back().find("resulted in error 0x80070005 in function 'CExMAPI::SetABUserDetails'"),
                  std::string::npos)
            << g_vReports.back();
    }
    // A new session reads what the store file kept.
    CExMAPI oExMapi(OutlookSettings(), m_oThread);
    ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text() << " / " << oExMapi.Mapi().Error().Text();
    CEntryDetails oDetails;
    ASSERT_EQ(oExMapi.RetrieveDetailsForNormalUser(vAnn, oDetails), S_OK);
    EXPECT_EQ(oDetails.m_sMobile, "+447700900099");
    EXPECT_EQ(oDetails.m_sName, "Ann Smith");
    EXPECT_EQ(oDetails.m_sGivenName, "Ann");
}

TEST_F(ExMapi, ACreatedContactShowsUpInTheFolder)
{
    CExMAPI oExMapi(OutlookSettings(), m_oThread);
    ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text() << " / " << oExMapi.Mapi().Error().Text();
    CEntryDetails oNew;
    oNew.m_sName = "Nia Cole";
    oNew.m_sGivenName = "Nia";
    oNew.m_sSurname = "Cole";
    oNew.m_sMobile = "+447700900077";
    oNew.m_sEmail = "nia@example.com";
    CEntryBytes vNew;
    ASSERT_EQ(oExMapi.CreateContact(oNew, &vNew), S_OK);
    ASSERT_FALSE(vNew.empty());

    CEntryDetails oRead;
    ASSERT_EQ(oExMapi.RetrieveDetailsForNormalUser(vNew, oRead), S_OK);
    EXPECT_EQ(oRead.m_sName, "Nia Cole");
    EXPECT_EQ(oRead.m_sSurname, "Cole");
    EXPECT_EQ(oRead.m_sMobile, "+447700900077");
    EXPECT_EQ(oRead.m_sEmail, "nia@example.com");
    RecipientListPtr oList = NewList<CMessageRecipientList>();
    ASSERT_EQ(oExMapi.RetrieveAllMessageRecipientsInNormalFolder(oExMapi.DefaultContactsFolder()->m_vEntryId, *oList),
              S_OK);
    EXPECT_EQ(Describe(*oList), "Ann Smith, Colin Brown, Nia Cole");

    // Completion: the contacts folder first, then the address-book containers; case does not count.
    EXPECT_EQ(oExMapi.CompleteTheText("ni"), "Nia Cole");
    EXPECT_EQ(oExMapi.CompleteTheText("COL"), "Colin Brown");
    EXPECT_EQ(oExMapi.CompleteTheText("fay"), "Fay Proxy");
    EXPECT_EQ(oExMapi.CompleteTheText("xyz"), std::nullopt);
    EXPECT_EQ(oExMapi.CompleteTheText(""), std::nullopt);
}

TEST_F(ExMapi, ASecondThreadListsContactsFromAMarshalledSession)
{
    CExMAPI oExMapi(OutlookSettings(), m_oThread);
    ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text() << " / " << oExMapi.Mapi().Error().Text();
    IStream* pStream = nullptr;
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IMAPISession, m_oThread.Session(), &pStream), S_OK);
    const CEntryBytes vContacts = oExMapi.DefaultContactsFolder()->m_vEntryId;

    std::string sSeen;
    bool bHadStore = false, bHadAddressBook = false, bClearedAfter = false;
    std::thread oThread([&] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
            return;
        {
            com_ptr<IMAPISession> pSession;
            if (SUCCEEDED(CoGetInterfaceAndReleaseStream(pStream, IID_IMAPISession, pSession.put_void())))
            {
                CThreadValues oValues;
                oExMapi.SetThreadValuesForNewThread(pSession.get(), nullptr);
                bHadStore = oValues.MessageStore() != nullptr;
                bHadAddressBook = oValues.AddressBook() != nullptr;
                RecipientListPtr oList = NewList<CMessageRecipientList>();
                if (SUCCEEDED(oExMapi.RetrieveAllMessageRecipientsInNormalFolder(vContacts, *oList)))
                    sSeen = Describe(*oList);
                oExMapi.ClearThreadValues();
                bClearedAfter = !oValues.Session() && !oValues.AddressBook() && !oValues.MessageStore();
            }
        }
        CoUninitialize();
    });
    oThread.join();
    EXPECT_TRUE(bHadStore);
    EXPECT_TRUE(bHadAddressBook);
    EXPECT_EQ(sSeen, "Ann Smith, Colin Brown");
    EXPECT_TRUE(bClearedAfter);
    // The creating thread keeps its own values.
    EXPECT_EQ(m_oThread.Session(), oExMapi.Mapi().Session());
}

TEST_F(ExMapi, AThreadWithoutASessionWorksWithoutOne)
{
    CExMAPI oExMapi(OutlookSettings(), m_oThread);
    ASSERT_TRUE(oExMapi.IsReady()) << oExMapi.Error().Text() << " / " << oExMapi.Mapi().Error().Text();
    std::thread oThread([&] {
        CThreadValues oValues;
        oExMapi.SetThreadValuesForNewThread(nullptr, nullptr);
        RecipientListPtr oList = NewList<CMessageRecipientList>();
        EXPECT_EQ(
            oExMapi.RetrieveAllMessageRecipientsInNormalFolder(oExMapi.DefaultContactsFolder()->m_vEntryId, *oList),
            MAPI_E_NOT_INITIALIZED);
        EXPECT_EQ(oExMapi.GetMatchingABSMTPAddress({1, 2, 3}), std::nullopt);
        EXPECT_EQ(oValues.Session(), nullptr);
    });
    oThread.join();
    const std::string sTrace = NewTrace();
    EXPECT_NE(sTrace.find("Warning: p_dOutlookDispatch is NULL"), std::string::npos);
    EXPECT_NE(sTrace.find("Warning: pmsMapiSession is NULL"), std::string::npos);
}
} // namespace
