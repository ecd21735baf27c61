// tests/fuzz/transfer_file_fuzz.cpp: Runbay's readers of the saved-message transfer file and the
// CC-to-mobile text on arbitrary input; the body is always a tail of the file and the SMS text
// never carries more than the cut name and subject.
#include "oelaunch/transfer_file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    const std::string_view input(reinterpret_cast<const char*>(p_pData), p_nSize);
    const runbay::CTransferMessage message = runbay::ParseTransferText(input);
    if (message.m_sText.size() > input.size() || input.substr(input.size() - message.m_sText.size()) != message.m_sText)
        std::abort();
    if (message.m_sRecipient.size() > input.size())
        std::abort();

    const runbay::CCCPhoneRequest request = runbay::ParseCCPhoneText(input);
    if (request.m_sSubject.size() > input.size() || request.m_sSubject.find(';') != std::string::npos)
        std::abort();
    const std::string sms = runbay::CCPhoneMessage(
        request.m_sSubject, request.m_vAddresses.empty() ? std::string() : request.m_vAddresses.front());
    if (sms.size() > 2 * runbay::kCCPhoneFieldChars + 64)
        std::abort();
    return 0;
}
