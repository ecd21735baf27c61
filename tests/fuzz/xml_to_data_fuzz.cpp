// tests/fuzz/xml_to_data_fuzz.cpp: positional element reading (encoded elements, blocks and plain
// blocks) walked over arbitrary text until a read fails.
#include "Addressbook/protocol/xml_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    static CXMLProtocol s_oXML;
    static const char* const s_aTags[] = {"NONCE", "DATA", "T", "ZIP COMPRESSED", "ATTACHMENT DIGEST"};
    std::string_view cursor(reinterpret_cast<const char*>(p_pData), p_nSize);
    for (size_t step = 0; step < 64 && !cursor.empty(); ++step)
    {
        const char* tag = s_aTags[step % 5];
        std::vector<uint8_t> value;
        std::string text;
        std::string_view content;
        int ok = 0;
        switch (step % 4)
        {
        case 0:
            ok = s_oXML.XMLtoData(cursor, tag, value);
            break;
        case 1:
            ok = s_oXML.XMLtoString(cursor, tag, text);
            break;
        case 2:
            ok = s_oXML.ReadBlock(cursor, tag, content);
            break;
        default:
            ok = s_oXML.PlainBlockFromXML(cursor, tag, text);
            break;
        }
        if (!ok)
            cursor.remove_prefix(1);
    }
    return 0;
}
