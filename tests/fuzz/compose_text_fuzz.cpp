// tests/fuzz/compose_text_fuzz.cpp: the compose window's readers of text from hosts and users: the
// entry identifier's hexadecimal text, typed recipients, a time entry, the SMS limit and the sender ID.
#include "compose/fields/recipient_text.h"
#include "compose/send_rules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    const std::string text(reinterpret_cast<const char*>(p_pData), p_nSize);
    std::vector<uint8_t> bytes;
    const size_t count = p_nSize > 0 ? p_pData[0] : 0;
    if (compose::HexToBytes(text, count, bytes) && bytes.size() != count)
        __builtin_trap();
    for (const std::string& part : compose::SplitRecipientText(text))
        if (part.empty() || part.find(';') != std::string::npos)
            __builtin_trap();
    int hour = 0;
    int minute = 0;
    if (compose::ParseTimeEntry(text, hour, minute) && (hour < 0 || hour > 23 || minute < 0 || minute > 59))
        __builtin_trap();
    const compose::CLimitCheck limit = compose::CheckSMSLimit(text);
    if (limit.m_iValue < 1 || limit.m_iValue > 10)
        __builtin_trap();
    (void)compose::CheckSenderId(text);
    return 0;
}
