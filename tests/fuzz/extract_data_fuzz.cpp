// tests/fuzz/extract_data_fuzz.cpp: finding a document in a mail body, with the clean-up of line
// ends and the decompression of ZIP COMPRESSED content.
#include "Addressbook/protocol/xml_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    static CXMLProtocol s_oXML;
    const std::string_view body(reinterpret_cast<const char*>(p_pData), p_nSize);
    for (const char* tag : {"UPGRADE", "SMS SEND"})
    {
        std::string content;
        int found = 0;
        if (s_oXML.PreProcessAndExtractData(body, tag, content, found) && found != 1)
            __builtin_trap();
    }
    const std::string cleaned = CXMLProtocol::CorrectParsingProblems(body);
    if (cleaned.size() > body.size())
        __builtin_trap();
    return 0;
}
