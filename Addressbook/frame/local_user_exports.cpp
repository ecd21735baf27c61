// Addressbook/frame/local_user_exports.cpp: the local sender's details and dialogs, a mail's details
// for replying by SMS, and freeing the strings the library hands out.
#include "Addressbook/addressbook/exmapi_win.h"
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/ansi_text.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/messaging/phone_rules.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/messaging/ui/local_user_dialog.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/mapi_owner_win.h"
#include "common/trace_log.h"

#include <mapitags.h>

#include <new>

namespace
{
// A stored text; false when the value is absent (an empty value is present).
bool ReadRequiredUserText(CRegistry& p_oRegistry, const char* p_szName, std::string& p_sText)
{
    if (!p_oRegistry.ValueExists(ERegRoot::CurrentUser, kUserKey, p_szName))
    {
        Log("GetLocalSenderDetails: no \"%s\" setting", p_szName);
        return false;
    }
    p_sText = p_oRegistry.ReadUserText(p_szName);
    return true;
}

// The mobile of the contact whose e-mail address is p_sEmail, searched through the contact folders;
// empty when no contact has both.
std::string MobileOfSender(CExMAPI& p_oExMapi, const std::string& p_sEmail)
{
    if (p_sEmail.empty())
        return std::string();
    for (const CFolderEntry& folder : p_oExMapi.ContactFolders())
    {
        ListPtr<CMessageRecipientList> contacts = NewList<CMessageRecipientList>();
        if (!contacts || FAILED(p_oExMapi.RetrieveAllMessageRecipientsInNormalFolder(folder.m_vEntryId, *contacts)))
            continue;
        for (auto* node = contacts->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
        {
            const CMessageRecipient* contact = node->m_p_oItem;
            if (contact != nullptr && contact->m_szEmail != nullptr && contact->m_szMobile != nullptr &&
                *contact->m_szMobile != '\0' && AnsiEqualsNoCase(contact->m_szEmail, p_sEmail))
                return contact->m_szMobile;
        }
    }
    return std::string();
}

// Reads the sender's address and the plain text of the message with that entry id. The two answers
// of GetEmailDetails are what a reply by SMS needs: the sender's mobile (from the address book) and
// the mail's text.
bool ReadEmailDetails(CExMAPI& p_oExMapi, uint32_t p_dwCount, const uint8_t* p_pBytes, std::string& p_sMobile,
                      std::string& p_sText)
{
    IMAPISession* session = p_oExMapi.Mapi().Session();
    if (session == nullptr || p_pBytes == nullptr || p_dwCount == 0)
        return false;
    ULONG type = 0;
    com_ptr<IMessage> message;
    if (FAILED(LOG_IF_MAPI_FAILED(
            session->OpenEntry(p_dwCount, reinterpret_cast<LPENTRYID>(const_cast<uint8_t*>(p_pBytes)), nullptr, 0,
                               &type, reinterpret_cast<LPUNKNOWN*>(message.put())))) ||
        !message || type != MAPI_MESSAGE)
        return false;
    SizedSPropTagArray(2, tags) = {2, {PR_SENDER_EMAIL_ADDRESS_A, PR_BODY_A}};
    ULONG count = 0;
    SPropValue* values = nullptr;
    if (FAILED(LOG_IF_MAPI_FAILED(message->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values))))
        return false;
    unique_mapi_buffer<SPropValue> owner(values);
    const std::string email =
        count > 0 && values[0].ulPropTag == PR_SENDER_EMAIL_ADDRESS_A ? values[0].Value.lpszA : "";
    p_sText = count > 1 && values[1].ulPropTag == PR_BODY_A ? values[1].Value.lpszA : "";
    p_sMobile = MobileOfSender(p_oExMapi, email);
    return true;
}

int RunLocalUserDialog(HWND p_hParent, CLocalUserDialog::EMode p_eMode)
{
    CLocalUserDialog dialog(Library().m_oRegistry, p_eMode);
    return dialog.Run(Library().OwnerFor(p_hParent)) ? 1 : 0;
}

int FreeLibraryString(char** p_pszText)
{
    if (p_pszText == nullptr)
        return 0;
    FreeOwnedString(*p_pszText);
    return 1;
}
} // namespace

extern "C"
{
    int CORVANE_API GetLocalSenderDetails(CMessageRecipient** p_pp_oSender)
    {
        return TrapExceptions("GetLocalSenderDetails", 0, [&]() -> int {
            if (p_pp_oSender == nullptr)
                return 0;
            *p_pp_oSender = nullptr;
            CRegistry& registry = Library().m_oRegistry;
            std::string name, email, countryCode, phone;
            if (!ReadRequiredUserText(registry, "Name", name) || !ReadRequiredUserText(registry, "Email", email) ||
                !ReadRequiredUserText(registry, "CountryCode", countryCode) ||
                !ReadRequiredUserText(registry, "Phone", phone))
                return 0;
            try
            {
                RecipientPtr sender = NewTextRecipient("");
                sender->m_dwState = kStateResolved;
                sender->m_iKind = kKindIndividual;
                ReplaceOwnedString(sender->m_szName, MakeOwnedString(name));
                ReplaceOwnedString(sender->m_szEmail, MakeOwnedString(email));
                ReplaceOwnedString(sender->m_szMobile, MakeOwnedString(InternationalForm(countryCode, phone)));
                *p_pp_oSender = sender.release();
                return 1;
            }
            catch (const std::bad_alloc&)
            {
                Log("GetLocalSenderDetails: out of memory");
                return 0;
            }
        });
    }

    int CORVANE_API CreateLocalUser(HWND p_hParent, uint32_t)
    {
        return TrapExceptions("CreateLocalUser", 0,
                              [&]() { return RunLocalUserDialog(p_hParent, CLocalUserDialog::EMode::Create); });
    }

    int CORVANE_API EditLocalUser(HWND p_hParent, uint32_t, uint32_t)
    {
        return TrapExceptions("EditLocalUser", 0,
                              [&]() { return RunLocalUserDialog(p_hParent, CLocalUserDialog::EMode::Edit); });
    }

    int CORVANE_API GetEmailDetails(uint32_t p_dwEntryByteCount, const uint8_t* p_p_bEntryBytes, char** p_pszSender,
                                    char** p_pszText)
    {
        return TrapExceptions("GetEmailDetails", 0, [&]() -> int {
            if (p_pszSender == nullptr || p_pszText == nullptr)
                return 0;
            *p_pszSender = nullptr;
            *p_pszText = nullptr;
            CExMAPI* exMapi = Library().m_p_oExMapi.get();
            std::string mobile;
            std::string text;
            if (exMapi == nullptr || !ReadEmailDetails(*exMapi, p_dwEntryByteCount, p_p_bEntryBytes, mobile, text))
            {
                Log("GetEmailDetails: the %u-byte entry could not be read", p_dwEntryByteCount);
                return 0;
            }
            OwnedString sender = MakeOwnedString(mobile);
            OwnedString body = MakeOwnedString(text);
            *p_pszSender = sender.release();
            *p_pszText = body.release();
            return 1;
        });
    }

    int CORVANE_API FreeString(char** p_pszText)
    {
        return TrapExceptions("FreeString", 0, [&]() { return FreeLibraryString(p_pszText); });
    }

    int CORVANE_API DeleteString(char** p_pszText)
    {
        return TrapExceptions("DeleteString", 0, [&]() { return FreeLibraryString(p_pszText); });
    }
}
