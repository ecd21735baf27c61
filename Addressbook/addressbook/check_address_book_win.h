// Addressbook/addressbook/check_address_book_win.h: Check's view of the address books: typed text
// resolved by the address book's own ResolveName, the candidates of an ambiguous name, list
// expansion, and the contact and mobile writes of the fix wizard.
#pragma once

#include "Addressbook/addressbook/exmapi_win.h"
#include "Addressbook/messaging/check_pass.h"

class CCheckAddressBook : public ICheckAddressBook
{
  public:
    CCheckAddressBook(CExMAPI& p_oExMapi, IMapiThreadValues& p_oThread) : m_oExMapi(p_oExMapi), m_oThread(p_oThread)
    {
    }

    void Resolve(const std::string& p_sText, std::vector<RecipientPtr>& p_vMatches) override;
    bool ExpandList(const CEntryID& p_oList, CMessageRecipientList& p_oMembers) override;

    // A new contact in the default contacts folder, as a resolved recipient (state 1, 4 or 5);
    // null when it could not be made.
    RecipientPtr CreateContact(const CEntryDetails& p_oDetails);
    // Writes a new mobile to the recipient's entry; false when the entry refused it (or has none).
    [[nodiscard]] bool WriteMobile(const CMessageRecipient& p_oRecipient, const std::string& p_sMobile);

    CExMAPI& ExMapi()
    {
        return m_oExMapi;
    }

  private:
    // ResolveName over one name: S_OK with the entry id, MAPI_E_NOT_FOUND or MAPI_E_AMBIGUOUS_RECIP.
    [[nodiscard]] HRESULT ResolveOne(const std::string& p_sText, CEntryBytes& p_vEntryId);
    // The entries of the address-book containers whose name is the text or has a word that
    // begins with it, or whose e-mail address is the text.
    void Candidates(const std::string& p_sText, std::vector<RecipientPtr>& p_vMatches);

    CExMAPI& m_oExMapi;
    IMapiThreadValues& m_oThread;
};
