// Addressbook/messaging/cc_mobile.cpp: the pending CC-to-mobile notice, its text and its send.
#include "Addressbook/messaging/cc_mobile.h"

#include "common/trace_log.h"
#include "common/unique_any.h"

#include <new>

const char* const kCCMobileFolderSubject = "SMS notification of email";

bool TakesRecipientRow(const CCCMobileRow& p_oRow, const CCCMobileChoice& p_oChoice)
{
    if (p_oRow.m_vEntryId.empty())
        return false;
    if (!p_oRow.m_iType)
        return true;
    switch (*p_oRow.m_iType)
    {
    case kRecipientTypeTo:
        return p_oChoice.m_bTo;
    case kRecipientTypeCc:
        return p_oChoice.m_bCc;
    case kRecipientTypeBcc:
        return p_oChoice.m_bBcc;
    default:
        return true;
    }
}

std::string CCMobileText(const std::string& p_sName, const std::string& p_sSubject)
{
    std::string sText = "You have a new e-mail";
    if (!p_sName.empty())
        sText += " from " + p_sName;
    if (!p_sSubject.empty())
        sText += ", subject : '" + p_sSubject + "'";
    return sText;
}

bool CCCMobileNotice::Store(const std::vector<CCCMobileRow>& p_vRows, const CCCMobileChoice& p_oChoice,
                            ICCMobileBook& p_oBook, const std::string& p_sSenderName, const std::string& p_sSubject,
                            const std::optional<CDeliveryTime>& p_oDelivery)
{
    Clear();
    ListPtr<CMessageRecipientList> mrlTaken(new (std::nothrow) CMessageRecipientList());
    if (!mrlTaken)
        return false;
    for (const CCCMobileRow& oRow : p_vRows)
        if (TakesRecipientRow(oRow, p_oChoice) && !p_oBook.AddEntry(oRow.m_vEntryId, *mrlTaken))
            Log("CCPhoneStore: a recipient's address-book entry could not be read");
    m_mrlRecipients = std::move(mrlTaken);
    m_sText = CCMobileText(p_sSenderName, p_sSubject);
    m_oDelivery = p_oDelivery;
    m_bStored = true;
    return true;
}

int CCCMobileNotice::Send(ICCMobileSteps& p_oSteps, uint32_t p_dwOptions)
{
    // Whatever happens, this e-mail's notice is not sent twice.
    scope_exit discard([this]() { Clear(); });
    if (!m_bStored)
        return 1;
    // The check may replace either list; whatever it leaves is freed here.
    CMessageRecipientList* p_mrlFirst = m_mrlRecipients.release();
    CMessageRecipientList* p_mrlSecond = new (std::nothrow) CMessageRecipientList();
    scope_exit free_lists([&]() {
        DestroyList(p_mrlFirst);
        DestroyList(p_mrlSecond);
    });
    if (p_mrlSecond == nullptr)
        return 0;
    bool bExited = false;
    const bool bSend = p_oSteps.Check(&p_mrlFirst, &p_mrlSecond, bExited);
    if (bSend && !p_oSteps.Send(p_mrlFirst, p_mrlSecond, m_sText, p_dwOptions, m_oDelivery ? &*m_oDelivery : nullptr,
                                kCCMobileFolderSubject))
        return 0;
    if (bExited)
        p_oSteps.ShowCancelled();
    return 1;
}

void CCCMobileNotice::Clear()
{
    m_mrlRecipients.reset();
    m_sText.clear();
    m_oDelivery.reset();
    m_bStored = false;
}

CCCMobileNotice& ProcessCCMobileNotice()
{
    static CCCMobileNotice s_oNotice;
    return s_oNotice;
}
