// tests/fuzz/oe_message_fuzz.cpp: the mail client stand-in's message reader and its folder files
// (both layouts) on arbitrary input; what a folder file gives must write and read again unchanged.
#include "standins/oe/store/dbx_file.h"
#include "standins/oe/store/eml_message.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace
{
void CheckRoundTrip(const std::vector<oestore::CStoredMessage>& p_vMessages, uint32_t p_nNext, bool p_bMbx)
{
    std::vector<oestore::CStoredMessage> again;
    uint32_t next = 0;
    std::vector<oestore::CStoredMessage> stored = p_vMessages;
    for (oestore::CStoredMessage& message : stored)
    {
        // The index keeps flags in three bytes and texts up to their first zero.
        message.m_nFlags &= p_bMbx ? 0xFFFFFFFFu : 0xFFFFFFu;
        if (!p_bMbx)
            message.m_sText = message.m_sText.substr(0, message.m_sText.find('\0'));
    }
    const oestore::EDbxRead read =
        p_bMbx ? oestore::ReadMbxFile(oestore::BuildMbxFile(p_nNext, stored), next, again)
               : oestore::ReadFolderFile(oestore::BuildFolderFile(p_nNext, stored), next, again);
    if (read != oestore::EDbxRead::Ok || next != p_nNext || again.size() != stored.size())
        std::abort();
    for (size_t i = 0; i < stored.size(); ++i)
        if (again[i].m_nId != stored[i].m_nId || again[i].m_nFlags != stored[i].m_nFlags ||
            again[i].m_sText != stored[i].m_sText)
            std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    oestore::CMailMessage message;
    if (oestore::ParseMessage(std::string_view(reinterpret_cast<const char*>(p_pData), p_nSize), message))
    {
        oestore::CMailMessage again;
        if (!oestore::ParseMessage(oestore::ComposeMessageText(message, true), again) ||
            again.m_vAttachments.size() != message.m_vAttachments.size())
            std::abort();
    }
    const std::vector<uint8_t> bytes(p_pData, p_pData + p_nSize);
    std::vector<oestore::CStoredMessage> messages;
    uint32_t next = 0;
    if (oestore::ReadFolderFile(bytes, next, messages) == oestore::EDbxRead::Ok)
        CheckRoundTrip(messages, next, false);
    if (oestore::ReadMbxFile(bytes, next, messages) == oestore::EDbxRead::Ok)
        CheckRoundTrip(messages, next, true);
    return 0;
}
