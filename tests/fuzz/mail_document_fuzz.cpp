// tests/fuzz/mail_document_fuzz.cpp: the gateway's MAIL document reader on arbitrary text.
#include "gateway/mail_document.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    CMailDocument document;
    std::string error;
    (void)ParseMailDocument(std::string_view(reinterpret_cast<const char*>(p_pData), p_nSize), document, error);
    return 0;
}
