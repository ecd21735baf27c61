// Addressbook/frame/local_user_exports.cpp: the local sender's details and dialogs, and freeing the
// strings the library hands out.
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/messaging/phone_rules.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/messaging/ui/local_user_dialog.h"
#include "common/boundary.h"
#include "common/trace_log.h"

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

    int CORVANE_API GetEmailDetails(uint32_t p_dwEntryByteCount, const uint8_t*, char** p_pszSender, char** p_pszText)
    {
        return TrapExceptions("GetEmailDetails", 0, [&]() -> int {
            if (p_pszSender != nullptr)
                *p_pszSender = nullptr;
            if (p_pszText != nullptr)
                *p_pszText = nullptr;
            // The details come from the message store through the MAPI object, which is not part
            // of the library yet.
            Log("GetEmailDetails: no message store to read the %u-byte entry from", p_dwEntryByteCount);
            return 0;
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
