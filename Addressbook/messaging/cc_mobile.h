// Addressbook/messaging/cc_mobile.h: CC to mobile: the one pending SMS notice of the process, which
// rows of an outgoing e-mail's recipient table it takes, its text, and the send of what was stored.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/item_list.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Recipient types as MAPI numbers them (PR_RECIPIENT_TYPE).
constexpr int32_t kRecipientTypeTo = 1;
constexpr int32_t kRecipientTypeCc = 2;
constexpr int32_t kRecipientTypeBcc = 3;

// The folder subject of the readable copy of a notice.
extern const char* const kCCMobileFolderSubject; // "SMS notification of email"

// Which recipient types of the e-mail are told, as the compose note's boxes say.
struct CCCMobileChoice
{
    bool m_bTo = false;
    bool m_bCc = false;
    bool m_bBcc = false;
};

// One row of the e-mail's recipient table: its address-book entry and its type when it has one.
struct CCCMobileRow
{
    std::vector<uint8_t> m_vEntryId;
    std::optional<int32_t> m_iType;
};

// A row without an entry id is never taken; a To, Cc or Bcc row when its box is ticked; a row of
// any other type (or none) always.
bool TakesRecipientRow(const CCCMobileRow& p_oRow, const CCCMobileChoice& p_oChoice);

// The notice text from the sender's name and the e-mail's subject; either may be empty.
std::string CCMobileText(const std::string& p_sName, const std::string& p_sSubject);

// Turns an address-book entry into recipients: a person, or the members of a distribution list.
class ICCMobileBook
{
  public:
    virtual ~ICCMobileBook() = default;
    // Appends what the entry stands for; false when the entry could not be read (it is skipped).
    virtual bool AddEntry(const std::vector<uint8_t>& p_vEntryId, CMessageRecipientList& p_oList) = 0;
};

// What sending a stored notice needs from the library.
class ICCMobileSteps
{
  public:
    virtual ~ICCMobileSteps() = default;
    // The recipient check over the pending list and an empty second list; true to send. Sets
    // p_bExited when the user left the fix wizard.
    virtual bool Check(CMessageRecipientList** p_pp_mrlFirst, CMessageRecipientList** p_pp_mrlSecond,
                       bool& p_bExited) = 0;
    [[nodiscard]] virtual bool Send(const CMessageRecipientList* p_p_mrlFirst,
                                    const CMessageRecipientList* p_p_mrlSecond, const std::string& p_sText,
                                    uint32_t p_dwOptions, const CDeliveryTime* p_p_stDelivery,
                                    const char* p_szFolderSubject) = 0;
    // "CC Mobile Send Cancelled".
    virtual void ShowCancelled() = 0;
};

class CCCMobileNotice
{
  public:
    bool IsStored() const
    {
        return m_bStored;
    }
    const CMessageRecipientList* Recipients() const
    {
        return m_mrlRecipients.get();
    }
    const std::string& Text() const
    {
        return m_sText;
    }
    const std::optional<CDeliveryTime>& DeliveryTime() const
    {
        return m_oDelivery;
    }

    // Replaces whatever was pending with the rows the choice takes, expanded through the book, and
    // the text for the sender's name and the subject. False (nothing stored) when memory runs out.
    [[nodiscard]] bool Store(const std::vector<CCCMobileRow>& p_vRows, const CCCMobileChoice& p_oChoice,
                             ICCMobileBook& p_oBook, const std::string& p_sSenderName, const std::string& p_sSubject,
                             const std::optional<CDeliveryTime>& p_oDelivery);
    // Checks and sends what is stored with the options word, then discards it. Nothing stored: 1
    // without a step. 0 only when the send could not be started.
    int Send(ICCMobileSteps& p_oSteps, uint32_t p_dwOptions);
    void Clear();

  private:
    ListPtr<CMessageRecipientList> m_mrlRecipients;
    std::string m_sText;
    std::optional<CDeliveryTime> m_oDelivery;
    bool m_bStored = false;
};

// The process's one pending notice. The plug-in calls the exports from Outlook's one thread, one
// e-mail at a time, so it has no lock.
CCCMobileNotice& ProcessCCMobileNotice();
