// tests/fuzz/cc_mobile_text_fuzz.cpp: the CC Mobile text built from arbitrary note fields (the bytes
// split at zero bytes into subject, To, Cc and Bcc): every address it keeps comes from a field,
// with no separator inside it, and the subject leads the text unchanged.
#include "oehook/cc_mobile_text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    std::vector<std::string> parts(4);
    size_t part = 0;
    for (size_t i = 0; i < p_nSize; ++i)
    {
        if (p_pData[i] == 0 && part < 3)
            ++part;
        else
            parts[part] += static_cast<char>(p_pData[i]);
    }
    const std::string text = CCMobileText(parts[0], {parts[1], parts[2], parts[3]});
    if (text.compare(0, parts[0].size(), parts[0]) != 0)
        std::abort();
    size_t start = parts[0].size();
    while (start < text.size())
    {
        if (text[start] != ';')
            std::abort();
        const size_t end = text.find(';', start + 1);
        const std::string address =
            text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
        if (address.empty() || address.find(',') != std::string::npos ||
            (parts[1] + parts[2] + parts[3]).find(address) == std::string::npos)
            std::abort();
        start = end == std::string::npos ? text.size() : end;
    }
    return 0;
}
