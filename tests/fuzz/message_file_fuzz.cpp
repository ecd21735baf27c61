// tests/fuzz/message_file_fuzz.cpp: the client stand-in's compound-file and message-file readers on
// arbitrary bytes; whatever they accept must write back and read again to the same message.
#include "standins/outlook/compound_file.h"
#include "standins/outlook/message_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    const std::string bytes(reinterpret_cast<const char*>(p_pData), p_nSize);
    (void)olstandin::ReadCompoundFile(bytes);
    const auto message = olstandin::ReadMessageFile(bytes);
    if (!message)
        return 0;
    const auto written = olstandin::WriteMessageFile(*message);
    if (!written)
        return 0;
    const auto again = olstandin::ReadMessageFile(*written);
    if (!again || again->m_vProperties.size() > message->m_vProperties.size())
        std::abort();
    return 0;
}
