// compose/fields/recipient_block.h: the "SMSRecip" clipboard block: one recipient's strings, entry,
// state, options and extra properties, and for an imported bulk list its members. Several
// recipients are written one block after another.
// The reader makes its records through the core's creation exports (passed in), so the same code
// runs natively against the messaging library and in Quillet through the binding.
#pragma once

#include "Addressbook/include/corvane_records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace compose
{
// The exports a reader makes recipients with; every one must be set.
struct CRecipientFactory
{
    decltype(&CreateMessageRecipientFromDetails) m_pfnCreateMessageRecipientFromDetails = nullptr;
    decltype(&AddExtraProp) m_pfnAddExtraProp = nullptr;
    decltype(&AddDistList) m_pfnAddDistList = nullptr;
    decltype(&AddMessageRecipient) m_pfnAddMessageRecipient = nullptr;
    decltype(&DeleteMessageRecipient) m_pfnDeleteMessageRecipient = nullptr;
};

// The smallest block: four empty strings and six integers.
constexpr size_t kMinRecipientBlock = 40;

// Appends the block of p_oRecipient to p_sOut. Absent strings are written as empty ones.
void WriteRecipientBlock(const CMessageRecipient& p_oRecipient, std::string& p_sOut);

enum class EBlockResult
{
    Ok,
    Malformed,      // a length or count runs past the bytes there are, or a block is cut short
    CreationFailed, // the core refused or ran out of memory
};

// Reads every block of p_pData. On success p_vOut receives the new recipients (the caller owns
// them and frees them through the core); on failure nothing is left behind. A tail of zero bytes
// too short to be a block is padding of the transfer memory and ends the data.
EBlockResult ReadRecipientBlocks(const uint8_t* p_pData, size_t p_nSize, const CRecipientFactory& p_oFactory,
                                 std::vector<CMessageRecipient*>& p_vOut);
} // namespace compose
