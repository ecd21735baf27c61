// tests/win/addressbook/exmapi_send_test_support.h: what the Outlook-road tests read back from the
// stand-in's store (the messages of a folder with their recipients and attachments, the "Sent SMSs"
// folder), the recipients they send to, a recorded progress line and a store whose Outbox is locked.
#pragma once

#include "tests/win/addressbook/exmapi_test_support.h"

#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/smtp/cancel_link.h"
#include "Addressbook/smtp/send_progress.h"
#include "common/handle_win.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace exmapitest
{
// The status texts a transport showed, with a hook that acts as the user would meanwhile.
class CRecordedProgress : public CSendProgress
{
  public:
    void SetText(const std::string& p_sText) override
    {
        m_vTexts.push_back(p_sText);
        if (m_fnOnText)
            m_fnOnText(p_sText);
    }
    void SetRange(int, int) override
    {
    }
    void GetRange(int& p_iLow, int& p_iHigh) override
    {
        p_iLow = 0;
        p_iHigh = 0;
    }
    int GetPosition() override
    {
        return 0;
    }
    void SetPosition(int) override
    {
    }
    void Step() override
    {
    }

    std::vector<std::string> m_vTexts;
    std::function<void(const std::string&)> m_fnOnText;
};

struct CStoredAttachment
{
    std::string m_sLongName;
    std::string m_sDisplayName;
    LONG m_lMethod = 0;
    LONG m_lRenderingPosition = 0;
    std::string m_sData;
};

struct CStoredMessage
{
    std::string m_sSubject;
    std::string m_sConversationTopic;
    std::string m_sSenderName;
    std::string m_sClass;
    std::string m_sBody;
    LONG m_lFlags = 0;
    bool m_bDeleteAfterSubmit = false;
    bool m_bHasSubmitTime = false;
    // Recipient type and e-mail address, in the recipient table's order.
    std::vector<std::pair<LONG, std::string>> m_vRecipients;
    std::vector<CStoredAttachment> m_vAttachments;

    // "To:address Bcc:address ...".
    std::string Recipients() const;
};

// "User NN" <userNN@example.com> for NN from p_iFirst to p_iLast, as the send seed's address book has them.
RecipientListPtr Addresses(int p_iFirst, int p_iLast);

std::vector<CStoredMessage> FolderMessages(IMsgStore* p_pStore, const CEntryBytes& p_vFolder);
std::vector<CStoredMessage> OutboxMessages(IMsgStore* p_pStore);
// The rich text of the Outbox's first message, read through the MAPI library's decompressing wrapper.
std::string OutboxRichText(IMsgStore* p_pStore);

// The entry id of the IPM subtree's only child named "Sent SMSs"; empty when there is none.
CEntryBytes SentSMSFolderId(IMsgStore* p_pStore);
CEntryBytes MakeSubtreeFolder(IMsgStore* p_pStore, const char* p_szName);
void DeleteSentSMSFolder(IMsgStore* p_pStore, const CEntryBytes& p_vFolder);
CEntryBytes FolderViewInfo(IMsgStore* p_pStore, const CEntryBytes& p_vFolder);

// A store that works as p_pReal does except that its Outbox does not open (MAPI_E_NO_ACCESS).
com_ptr<IMsgStore> LockedOutboxStore(IMsgStore* p_pReal);

std::string TempDirectory();
std::string ReadFileText(const std::string& p_sPath);
// Values of the user's settings key.
bool DeleteUserValue(const char* p_szName);
CEntryBytes UserBinary(const char* p_szName);
} // namespace exmapitest
