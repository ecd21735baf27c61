// compose/send_rules.cpp: the compose window's portable decisions.
#include "compose/send_rules.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace compose
{
std::string TimeEntryText(int p_iIndex)
{
    const int hour = p_iIndex / 4;
    const int minute = (p_iIndex % 4) * 15;
    const int dial = (hour == 0 || hour == 12) ? hour : hour % 12;
    char text[16];
    std::snprintf(text, sizeof(text), "%02d:%02d %s", dial, minute, hour < 12 ? "AM" : "PM");
    return text;
}

int InitialTimeIndex(int p_iHour, int p_iMinute)
{
    const int quarters = p_iHour * 4 + p_iMinute / 15 + (p_iMinute % 15 != 0 ? 1 : 0);
    return quarters % kTimeEntryCount;
}

bool ParseTimeEntry(const std::string& p_sText, int& p_iHour, int& p_iMinute)
{
    int hour = 0;
    int minute = 0;
    char suffix[8] = {};
    if (std::sscanf(p_sText.c_str(), "%d:%d %7s", &hour, &minute, suffix) != 3)
        return false;
    if (std::string(suffix) == "PM")
        hour += 12;
    if (hour >= 24)
        hour -= 12;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59)
        return false;
    p_iHour = hour;
    p_iMinute = minute;
    return true;
}

bool IsDeliveryInPast(const CDeliveryTime& p_stDelivery, const CDeliveryTime& p_stNow)
{
    const auto key = [](const CDeliveryTime& t) {
        return std::make_tuple(t.m_wYear, t.m_wMonth, t.m_wDay, t.m_wHour, t.m_wMinute);
    };
    return key(p_stDelivery) < key(p_stNow);
}

CLimitCheck CheckSMSLimit(const std::string& p_sText)
{
    // Read as a decimal number of at most 10 characters, as the edit holds.
    const std::string text = p_sText.substr(0, 10);
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (value >= 1 && value <= 10)
        return {true, static_cast<int>(value), {}};
    if (value > 10)
        return {false, 10, "10"};
    return {false, 1, "1"};
}

ESenderIdCheck CheckSenderId(const std::string& p_sText)
{
    if (p_sText.empty())
        return ESenderIdCheck::Empty;
    for (const char c : p_sText)
        if (std::isalpha(static_cast<unsigned char>(c)))
            return ESenderIdCheck::Valid;
    return ESenderIdCheck::NumbersOnly;
}

uint32_t CountForBulk(const CMessageRecipientList* p_p_mrlList)
{
    uint32_t count = 0;
    if (p_p_mrlList == nullptr)
        return 0;
    for (auto* node = p_p_mrlList->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
    {
        const CMessageRecipient* recipient = node->m_p_oItem;
        if (recipient != nullptr && recipient->m_p_mrlMembers != nullptr)
            count += recipient->m_p_mrlMembers->m_dwCount;
        else
            ++count;
    }
    return count;
}

bool HoldsBulkEntry(const CMessageRecipientList* p_p_mrlList)
{
    if (p_p_mrlList == nullptr)
        return false;
    for (auto* node = p_p_mrlList->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
        if (node->m_p_oItem != nullptr && node->m_p_oItem->m_p_oEntry != nullptr &&
            node->m_p_oItem->m_p_oEntry->m_iKind == EID_TYPE_BULK)
            return true;
    return false;
}

bool IsBulkSend(bool p_bTokensKnown, bool p_bBodyHasTokens, const CMessageRecipientList* p_p_mrlTo,
                const CMessageRecipientList* p_p_mrlCc, bool p_bSenderId)
{
    return !p_bTokensKnown || p_bBodyHasTokens || HoldsBulkEntry(p_p_mrlTo) || HoldsBulkEntry(p_p_mrlCc) ||
           CountForBulk(p_p_mrlTo) + CountForBulk(p_p_mrlCc) > kMaxSingleSendRecipients || p_bSenderId;
}

uint32_t ApplyNotifyCommand(int p_iCommand, uint32_t p_dwFlags)
{
    switch (p_iCommand)
    {
    case kCmdNeverNotify:
        return p_dwFlags & ~(kFlagAllDeliveries | kFlagFailedOnly);
    case kCmdFailedOnly:
        return (p_dwFlags & ~kFlagAllDeliveries) | kFlagFailedOnly;
    case kCmdAllDeliveries:
        return (p_dwFlags | kFlagAllDeliveries) & ~kFlagFailedOnly;
    case kCmdEachSubpart:
        return (p_dwFlags & ~kFlagOncePerRecipient) | kFlagEachSubpart;
    case kCmdOncePerRecipient:
        return (p_dwFlags | kFlagOncePerRecipient) & ~kFlagEachSubpart;
    case kCmdToMyPhone:
        return p_dwFlags ^ kFlagToMyPhone;
    case kCmdNetwork:
        return p_dwFlags ^ kFlagNetwork;
    case kCmdPhone:
        return p_dwFlags ^ kFlagPhone;
    case kCmdReplyNone:
        return ApplyRepliesIndex(0, p_dwFlags);
    case kCmdReplyEmail:
        return ApplyRepliesIndex(1, p_dwFlags);
    case kCmdReplyEmailMobile:
        return ApplyRepliesIndex(2, p_dwFlags);
    default: // "Notify me via e-mail" and anything else change nothing
        return p_dwFlags;
    }
}

int RepliesIndexOf(uint32_t p_dwFlags)
{
    if ((p_dwFlags & kFlagRepliesToMobile) != 0)
        return 2;
    return (p_dwFlags & kFlagRepliesByEmail) != 0 ? 1 : 0;
}

uint32_t ApplyRepliesIndex(int p_iIndex, uint32_t p_dwFlags)
{
    p_dwFlags &= ~(kFlagRepliesByEmail | kFlagRepliesToMobile);
    if (p_iIndex >= 1)
        p_dwFlags |= kFlagRepliesByEmail;
    if (p_iIndex >= 2)
        p_dwFlags |= kFlagRepliesToMobile;
    return p_dwFlags;
}

bool NeedsNotifyTarget(uint32_t p_dwFlags)
{
    return (p_dwFlags & kFlagAllDeliveries) != 0 && (p_dwFlags & (kFlagNetwork | kFlagPhone)) == 0;
}

CResultAction ActionForResult(int p_iResult)
{
    switch (p_iResult)
    {
    case 1:
        return {false, EResultBox::None, false};
    case 2:
    case 5:
        return {false, EResultBox::None, true};
    case 6:
        return {true, EResultBox::None, false};
    case 7:
        return {true, EResultBox::TimeOut, false};
    default: // 0, 3, 4 and codes the window does not know: the send did not happen
        return {true, EResultBox::Failed, false};
    }
}

std::string InitialBody(uint32_t p_dwSendDefaults, const std::string& p_sSignature)
{
    if ((p_dwSendDefaults & kSignatureDefault) != 0 && !p_sSignature.empty())
        return "\r\n" + p_sSignature;
    return {};
}

bool IsOnlySignature(const std::string& p_sBody, const std::string& p_sSignature)
{
    // The body field hands its text over with line feeds; a CR LF body from a file counts the same.
    return p_sBody == "\n" + p_sSignature || p_sBody == "\r\n" + p_sSignature;
}

bool HexToBytes(const std::string& p_sText, size_t p_nCount, std::vector<uint8_t>& p_vBytes)
{
    if (p_sText.size() < p_nCount * 2)
        return false;
    const auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::vector<uint8_t> bytes;
    bytes.reserve(p_nCount);
    for (size_t i = 0; i < p_nCount; ++i)
    {
        const int high = nibble(p_sText[2 * i]);
        const int low = nibble(p_sText[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    p_vBytes = std::move(bytes);
    return true;
}
} // namespace compose
