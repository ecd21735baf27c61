// compose/send_rules.h: the compose window's decisions that need no window: the delivery time list
// and its parsing, the past-delivery test, the SMS limit and sender ID checks, the bulk decision, the
// notification menu's flag changes and what each send result does to the window.
#pragma once

#include "Addressbook/include/corvane_records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace compose
{
// Notification and reply flags of a compose window.
constexpr uint32_t kFlagFailedOnly = 0x0002;
constexpr uint32_t kFlagOncePerRecipient = 0x0004;
constexpr uint32_t kFlagEachSubpart = 0x0008;
constexpr uint32_t kFlagToMyPhone = 0x0010;
constexpr uint32_t kFlagAllDeliveries = 0x0020;
constexpr uint32_t kFlagNetwork = 0x0040;
constexpr uint32_t kFlagPhone = 0x0080;
constexpr uint32_t kFlagRepliesByEmail = 0x0200;
constexpr uint32_t kFlagRepliesToMobile = 0x0400;
constexpr uint32_t kSignatureDefault = 0x0800;

// Delivery time list: 96 quarter hours from midnight, "%02d:%02d %s" on a 12-hour dial.
constexpr int kTimeEntryCount = 96;
std::string TimeEntryText(int p_iIndex);
// The entry of the current time rounded up to the next quarter hour, past midnight to 0.
int InitialTimeIndex(int p_iHour, int p_iMinute);
// "%d:%d %s": "PM" adds 12, and 24 or more takes 12 off again (12:xx PM is 12, 00:xx AM is 0).
[[nodiscard]] bool ParseTimeEntry(const std::string& p_sText, int& p_iHour, int& p_iMinute);

// Whether a chosen delivery time lies before now, to the minute (the current minute is not past).
bool IsDeliveryInPast(const CDeliveryTime& p_stDelivery, const CDeliveryTime& p_stNow);

// The SMS limit edit: 1 to 10 is kept; otherwise the text it is replaced by ("10" above the range,
// "1" for 0 or a text that is no number).
struct CLimitCheck
{
    bool m_bValid;
    int m_iValue;
    std::string m_sReplacement;
};
CLimitCheck CheckSMSLimit(const std::string& p_sText);

enum class ESenderIdCheck
{
    Valid,
    Empty,
    NumbersOnly,
};
// A sender ID needs at least one letter: a number cannot be used to reply to.
ESenderIdCheck CheckSenderId(const std::string& p_sText);

// How many recipients a list counts for the bulk decision: a recipient with members counts them.
uint32_t CountForBulk(const CMessageRecipientList* p_p_mrlList);
bool HoldsBulkEntry(const CMessageRecipientList* p_p_mrlList);
constexpr uint32_t kMaxSingleSendRecipients = 100;
bool IsBulkSend(bool p_bTokensKnown, bool p_bBodyHasTokens, const CMessageRecipientList* p_p_mrlTo,
                const CMessageRecipientList* p_p_mrlCc, bool p_bSenderId);

// The Tools menu's Delivery Notifications and Reply Path commands.
uint32_t ApplyNotifyCommand(int p_iCommand, uint32_t p_dwFlags);
// Replies box index (0 None, 1 E-mail only, 2 E-mail and mobile) for flags, and flags for an index.
int RepliesIndexOf(uint32_t p_dwFlags);
uint32_t ApplyRepliesIndex(int p_iIndex, uint32_t p_dwFlags);
// 0x0020 asks for a report on every delivery, which needs to know when: network, phone or both.
bool NeedsNotifyTarget(uint32_t p_dwFlags);

// What a send result does to the window.
enum class EResultBox
{
    None,
    Failed,
    TimeOut,
};
struct CResultAction
{
    bool m_bReleaseMutex;
    EResultBox m_eBox;
    bool m_bClose;
};
CResultAction ActionForResult(int p_iResult);

// The body a new window starts with when none was given: CR LF and the signature when the send
// defaults ask for one.
std::string InitialBody(uint32_t p_dwSendDefaults, const std::string& p_sSignature);
// A body that holds nothing but the signature line.
bool IsOnlySignature(const std::string& p_sBody, const std::string& p_sSignature);

// Two hexadecimal digits per byte, high nibble first; false for a short or non-hex text.
[[nodiscard]] bool HexToBytes(const std::string& p_sText, size_t p_nCount, std::vector<uint8_t>& p_vBytes);

// Menu command ids of the notification items.
constexpr int kCmdNeverNotify = 32787;
constexpr int kCmdFailedOnly = 32783;
constexpr int kCmdAllDeliveries = 32784;
constexpr int kCmdNotifyByEmail = 32770;
constexpr int kCmdOncePerRecipient = 32779;
constexpr int kCmdEachSubpart = 32780;
constexpr int kCmdToMyPhone = 32781;
constexpr int kCmdNetwork = 32800;
constexpr int kCmdPhone = 32801;
constexpr int kCmdReplyNone = 32879;
constexpr int kCmdReplyEmail = 32775;
constexpr int kCmdReplyEmailMobile = 32776;
} // namespace compose
