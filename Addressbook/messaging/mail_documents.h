// Addressbook/messaging/mail_documents.h: the MAIL documents that describe an SMS job to the
// gateway, in the single-send form (one text, many recipients) and the bulk form (one merged
// text per recipient). The e-mail sender seals them into the SMS SEND envelope.
#pragma once

#include "Addressbook/include/corvane_records.h"

#include <cstdint>
#include <string>

struct CLocalSender
{
    std::string m_sName;
    std::string m_sEmail;
    std::string m_sPhone;
};

// Options bits the bulk form adjusts: a job with an end time is sent synchronised.
constexpr int32_t kOptionSyncEnd = 0x8000;
constexpr int32_t kOptionHasEndTime = 0x10000;

// The recipients of the first list, then of the second; a distribution list is written as its
// members, one level deep.
std::string GetQuilletEncBodyPlain(const CLocalSender& p_oSender, const CMessageRecipientList* p_p_mrlFirst,
                                   const CMessageRecipientList* p_p_mrlSecond, const std::string& p_sText,
                                   int32_t p_iOptions);

// One message block per final SMS, in list order. p_iOptions is adjusted for the end time and
// the adjusted word is what the document carries. p_pEndTime may be null (no end time).
std::string GetSMSBulkMessageEncBodyPlain(const CLocalSender& p_oSender, const std::string& p_sSenderId,
                                          const CFinalSMSList* p_p_oList, const std::string& p_sTagBody,
                                          const CDeliveryTime* p_pEndTime, int32_t& p_iOptions);

// The 32 upper-case hex digits of a time record's 16 bytes in memory order.
std::string TimeRecordHex(const CDeliveryTime& p_oTime);
