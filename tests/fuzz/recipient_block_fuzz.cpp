// tests/fuzz/recipient_block_fuzz.cpp: "SMSRecip" blocks from the clipboard, read through the
// messaging library's own creation exports. A refused block leaves nothing behind; what is read
// writes out to blocks that read back to as many recipients, and nothing leaks.
#include "compose/fields/recipient_block.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    compose::CRecipientFactory factory;
    factory.m_pfnCreateMessageRecipientFromDetails = &CreateMessageRecipientFromDetails;
    factory.m_pfnAddExtraProp = &AddExtraProp;
    factory.m_pfnAddDistList = &AddDistList;
    factory.m_pfnAddMessageRecipient = &AddMessageRecipient;
    factory.m_pfnDeleteMessageRecipient = &DeleteMessageRecipient;
    std::vector<CMessageRecipient*> recipients;
    if (compose::ReadRecipientBlocks(p_pData, p_nSize, factory, recipients) != compose::EBlockResult::Ok)
    {
        if (!recipients.empty())
            __builtin_trap();
        return 0;
    }
    std::string written;
    for (CMessageRecipient* recipient : recipients)
        compose::WriteRecipientBlock(*recipient, written);
    std::vector<CMessageRecipient*> again;
    if (compose::ReadRecipientBlocks(reinterpret_cast<const uint8_t*>(written.data()), written.size(), factory,
                                     again) != compose::EBlockResult::Ok ||
        again.size() != recipients.size())
        __builtin_trap();
    for (CMessageRecipient*& recipient : recipients)
        DeleteMessageRecipient(&recipient);
    for (CMessageRecipient*& recipient : again)
        DeleteMessageRecipient(&recipient);
    return 0;
}
