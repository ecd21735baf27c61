// tests/fuzz/verify_xml_fuzz.cpp: signed blocks and UPGRADE notices. Odd first bytes feed the
// input to the readers as it is; even ones take it as a notice's decrypted DATA text, signed here
// with a known key, so the reading after a good signature is reached too.
#include "Addressbook/protocol/aes.h"
#include "Addressbook/protocol/xml_protocol.h"

namespace
{
CAES& FuzzKey()
{
    static CAES s_oKey;
    static const bool s_bReady = [] {
        const uint8_t raw[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        return s_oKey.SetKey(raw, sizeof(raw), 16) != 0;
    }();
    if (!s_bReady)
        __builtin_trap();
    return s_oKey;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    static CXMLProtocol s_oXML;
    if (p_nSize == 0)
        return 0;
    CAES& key = FuzzKey();
    const std::string_view text(reinterpret_cast<const char*>(p_pData + 1), p_nSize - 1);
    std::vector<uint8_t> data;
    int verified = 0;
    int failed = 0;
    int upgrade = 0;
    if ((p_pData[0] & 1) != 0)
    {
        std::string email, vendor;
        (void)s_oXML.AESVerifyXML(key, text, &email, &vendor, data, verified, failed);
        (void)s_oXML.AESVerifyXML(key, text, nullptr, nullptr, data, verified, failed);
        (void)s_oXML.ProcessProtocolUpgrade(text, key, upgrade, data);
        return 0;
    }
    std::vector<uint8_t> encrypted;
    std::string element, block;
    if (!key.Encrypt(reinterpret_cast<const uint8_t*>(text.data()), text.size(), encrypted) ||
        !s_oXML.DatatoXML(encrypted.data(), encrypted.size(), "DATA", element) ||
        !s_oXML.AESSignXML(key, element, block))
        __builtin_trap();
    if (s_oXML.ProcessProtocolUpgrade("<UPGRADE>\r\n" + block + "</UPGRADE>\r\n", key, upgrade, data) && upgrade == 1 &&
        data.size() != 20)
        __builtin_trap();
    return 0;
}
