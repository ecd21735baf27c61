// tests/win/addressbook/vlist_test_support.h: what the page-cache and virtual-list tests (and the
// page-cache benchmark) share: a MAPI stand-in store seeded with a contact folder, the session,
// store, contact folder and address book opened through CMapiObject, the contact e-mail tags, and
// an address-book lookup that answers from a table and counts what it is asked.
#pragma once

#include <windows.h>
#include <mapidefs.h>
#include <mapix.h>

#include "Addressbook/addressbook/mapi_object_win.h"
#include "Addressbook/addressbook/mapi_page_cache_win.h"
#include "Addressbook/addressbook/virtual_listbox_win.h"
#include "common/handle_win.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vlisttest
{
// One e-mail slot of a seeded contact; an empty type leaves the slot out.
struct CSeedSlot
{
    std::string m_sType;
    std::string m_sAddress;
    std::string m_sOriginalHex = "00"; // the original entry id, as hex
};

struct CSeedContact
{
    std::string m_sName;
    std::string m_sMobile; // empty: no mobile property
    std::vector<CSeedSlot> m_vSlots;
    std::string m_sClass = "IPM.Contact"; // empty: no message class
};

// The seed text: a default store whose "Contacts" folder holds the contacts, and the stand-in's
// sample address book (two GAL users, a GAL list, a personal address-book user).
std::string SeedJson(const std::vector<CSeedContact>& p_vContacts);

// "Contact 0000042"-style names and their mobiles and e-mails, sorted as generated.
CSeedContact NumberedContact(uint32_t p_ulIndex);

class CSeededMapi
{
  public:
    // Writes the seed, points the stand-in at it and logs on through CMapiObject. p_sTag names the
    // temporary directory, so concurrent suites do not share a store.
    bool Open(const std::string& p_sTag, const std::string& p_sSeed)
    {
        return WriteSeed(p_sTag, p_sSeed) && LogOn();
    }
    // The two halves of Open, for a caller that changes the store file in between.
    bool WriteSeed(const std::string& p_sTag, const std::string& p_sSeed);
    bool LogOn();
    void Close();

    CMapiObject* Mapi() const
    {
        return m_p_oMapi.get();
    }
    IMsgStore* Store() const
    {
        return m_pStore.get();
    }
    IAddrBook* AddressBook() const
    {
        return m_pAddrBook.get();
    }
    IMAPIFolder* Contacts() const
    {
        return m_pContacts.get();
    }
    const CContactEmailTags& EmailTags() const
    {
        return m_aEmailTags;
    }

    // The contact folder's contents table sorted by display name, as CExMAPI hands it to the cache.
    com_ptr<IMAPITable> SortedContactsTable() const;
    // An address-book container's contents table: "Global Address List" or "Personal Address Book".
    com_ptr<IMAPITable> ContainerTable(const std::string& p_sName) const;

  private:
    std::unique_ptr<CMapiObject> m_p_oMapi;
    com_ptr<IMsgStore> m_pStore;
    com_ptr<IAddrBook> m_pAddrBook;
    com_ptr<IMAPIFolder> m_pContacts;
    CContactEmailTags m_aEmailTags{};
};

// An address book that knows some entries' SMTP addresses and mobiles, and counts the questions.
class CTableLookup : public IAddressBookLookup
{
  public:
    std::optional<std::string> SmtpAddressOf(const CEntryBytes& p_vEntryId) override;
    std::optional<std::string> MobileOf(const CEntryBytes& p_vEntryId) override;

    std::map<CEntryBytes, std::string> m_mSmtp;
    std::map<CEntryBytes, std::string> m_mMobile;
    int m_iSmtpQuestions = 0;
    int m_iMobileQuestions = 0;
};

CEntryBytes HexBytes(const std::string& p_sHex);

// Drags the window's vertical scroll-bar thumb as a user does (button down on the thumb, moves,
// button up, through the scroll bar's own tracking loop) until its top sits at p_dFraction of the
// track. True when the thumb was found and the drag ran.
bool DragThumb(HWND p_hWindow, double p_dFraction);

// The list a host window created with HostProc forwards its notifications to; null for none.
extern CVirtualListBox* g_pList;
// The window procedure of a test window hosting g_pList.
LRESULT CALLBACK HostProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);
// Dispatches this thread's pending messages.
void Pump();
} // namespace vlisttest
