// tests/win/addressbook/exmapi_test_support.h: what the CExMAPI tests share: thread values kept in
// thread-local variables, the stand-in seeded from a JSON file beside the tests, recorded message
// boxes and error reports, and MAPI helpers that build contacts and lists the way Outlook writes them.
#pragma once

#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

#include "Addressbook/addressbook/exmapi_win.h"
#include "Addressbook/messaging/recipient.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace exmapitest
{
// The calling thread's MAPI values, each thread its own.
class CThreadValues : public IMapiThreadValues
{
  public:
    IMAPISession* Session() override;
    IAddrBook* AddressBook() override;
    IMsgStore* MessageStore() override;
    IDispatch* Dispatch() override;
    void SetSession(IMAPISession* p_pSession) override;
    void SetAddressBook(IAddrBook* p_pAddressBook) override;
    void SetMessageStore(IMsgStore* p_pStore) override;
    void SetDispatch(IDispatch* p_pDispatch) override;
};

extern std::vector<std::string> g_vBoxes;   // "caption|text" of every message box
extern std::vector<std::string> g_vReports; // every reported error text

class ExMapi : public testing::Test
{
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // Copies the named seed (next to the tests) into the stand-in's store file.
    static void Seed(const char* p_szSeed);
    void SetUp() override;
    // What the trace log gained since the test began.
    std::string NewTrace() const;

    size_t m_nTraceStart = 0;

    CThreadValues m_oThread;
};

// A stand-in session's settings for CExMAPI as the Outlook package makes it.
CExMapiSettings OutlookSettings();

// A folder entry by name; fails the test when there is none.
const CFolderEntry& FolderNamed(const std::vector<CFolderEntry>& p_vFolders, const std::string& p_sName);
std::vector<std::string> Names(const std::vector<CFolderEntry>& p_vFolders);
// The entry id of the row named p_sName in an address-book container.
CEntryBytes ABEntryNamed(IAddrBook* p_pAddressBook, const CEntryBytes& p_vContainer, const std::string& p_sName);
// The entry id of the item named p_sName in a store folder.
CEntryBytes ItemNamed(IMAPISession* p_pSession, const CEntryBytes& p_vFolder, const std::string& p_sName);

// One value to write on a new item.
struct CValue
{
    ULONG m_ulTag;
    std::string m_sText;
    CEntryBytes m_vBytes;
    std::vector<CEntryBytes> m_vMulti;
};
CValue Text(ULONG p_ulTag, std::string p_sText);
CValue Bytes(ULONG p_ulTag, CEntryBytes p_vBytes);
CValue Multi(ULONG p_ulTag, std::vector<CEntryBytes> p_vValues);
// Creates and saves an item with these values in a store folder; its entry id.
CEntryBytes CreateItem(IMAPISession* p_pSession, const CEntryBytes& p_vFolder, const std::vector<CValue>& p_vValues);
// The tag of a contact named property (PSETID_Address) of type p_ulType, as the folder maps it.
ULONG NamedTag(IMAPISession* p_pSession, const CEntryBytes& p_vFolder, LONG p_lLid, ULONG p_ulType);

// "name" for a person, "name[member, ...]" for a list, in list order.
std::string Describe(const CMessageRecipientList& p_oList);
} // namespace exmapitest
