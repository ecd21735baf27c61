// tests/win/remforms/forms_test_support.h: what the SMS forms tests share: the MAPI stand-in seeded from
// forms_seed.json, the client stand-in's object model in this process over the same profile, the
// settings the forms read, and helpers that read items' classes and reminder flags back.
#pragma once

#include "Addressbook/addressbook/thread_values_win.h"
#include "Addressbook/reminders/sms_forms_win.h"
#include "standins/outlook/ol_extensions_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace formstest
{
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

    com_ptr<IMAPISession> m_pSession;
    com_ptr<IMsgStore> m_pStore;
    com_ptr<IDispatch> m_pDispatch;
};

struct CItemState
{
    std::string m_sSubject;
    std::string m_sClass;
    std::optional<bool> m_obMustSend;
    std::optional<bool> m_obAttendees;
};

class SMSForms : public testing::Test
{
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // The forms over this test's profile, as the library makes them for Init's package version.
    CSMSForms Forms(int p_iPackageVersion = 4, std::function<bool()> p_fnHoldsStartup = {},
                    std::function<void()> p_fnReleaseStartup = {}, int p_iCallerKind = 0);
    void SetDefaults(uint32_t p_dwReminder, uint32_t p_dwAttendee);
    // Points one template setting at a file that does not exist.
    void BreakTemplate(const char* p_szValue);
    void SetTemplate(const char* p_szValue, const std::string& p_sPath);

    std::vector<BYTE> FolderId(const std::string& p_sName) const;
    std::vector<CItemState> Items(const std::string& p_sFolder) const;
    CItemState Item(const std::string& p_sFolder, const std::string& p_sSubject) const;
    std::vector<BYTE> ItemId(const std::string& p_sFolder, const std::string& p_sSubject) const;
    // The names of the form definitions in a folder's associated contents (the root folder: "").
    std::vector<std::string> Definitions(const std::string& p_sFolder) const;
    std::string DefaultClass(const std::string& p_sFolder) const;
    // A new item with this class and subject in a folder; its entry id.
    std::vector<BYTE> AddItem(const std::string& p_sFolder, const std::string& p_sClass, const std::string& p_sSubject);

    std::unique_ptr<olstandin::CMapiProfile> m_p_oProfile;
    olstandin::CHostServices m_oServices;
    CThreadValues m_oThread;
};
} // namespace formstest
