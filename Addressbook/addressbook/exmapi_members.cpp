// Addressbook/addressbook/exmapi_members.cpp: decoding and making the member entry ids of
// contact-folder distribution lists.
#include "Addressbook/addressbook/exmapi_members.h"

#include <algorithm>
#include <array>

namespace
{
using CUid = std::array<uint8_t, 16>;
constexpr CUid kOneOffUid = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                             0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
constexpr CUid kWrappedUid = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                              0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};
constexpr size_t kHeaderSize = 4 + 16; // flags, provider uid
constexpr uint16_t kOneOffUnicode = 0x8000;

bool HasProvider(const CEntryBytes& p_vEntryId, const CUid& p_aUid)
{
    return p_vEntryId.size() >= kHeaderSize && std::equal(p_aUid.begin(), p_aUid.end(), p_vEntryId.begin() + 4);
}

// Reads one terminated string at p_nPos and moves past it; none when it runs off the end.
std::optional<std::string> ReadText(const CEntryBytes& p_vBytes, size_t& p_nPos, bool p_bWide,
                                    const WideToAnsiFn& p_fnWideToAnsi)
{
    if (!p_bWide)
    {
        const auto itEnd = std::find(p_vBytes.begin() + static_cast<std::ptrdiff_t>(p_nPos), p_vBytes.end(), 0);
        if (itEnd == p_vBytes.end())
            return std::nullopt;
        std::string sText(p_vBytes.begin() + static_cast<std::ptrdiff_t>(p_nPos), itEnd);
        p_nPos = static_cast<size_t>(itEnd - p_vBytes.begin()) + 1;
        return sText;
    }
    std::u16string wsText;
    for (;;)
    {
        if (p_nPos + 2 > p_vBytes.size())
            return std::nullopt;
        const char16_t c = static_cast<char16_t>(p_vBytes[p_nPos] | (p_vBytes[p_nPos + 1] << 8));
        p_nPos += 2;
        if (c == 0)
            break;
        wsText.push_back(c);
    }
    return p_fnWideToAnsi ? p_fnWideToAnsi(wsText) : std::string();
}

void AppendText(CEntryBytes& p_vBytes, std::string_view p_s)
{
    p_vBytes.insert(p_vBytes.end(), p_s.begin(), p_s.end());
    p_vBytes.push_back(0);
}
} // namespace

std::optional<COneOffAddress> DecodeOneOffEntryId(const CEntryBytes& p_vEntryId, const WideToAnsiFn& p_fnWideToAnsi)
{
    if (!HasProvider(p_vEntryId, kOneOffUid) || p_vEntryId.size() < kHeaderSize + 4)
        return std::nullopt;
    const uint16_t uFlags = static_cast<uint16_t>(p_vEntryId[kHeaderSize + 2] | (p_vEntryId[kHeaderSize + 3] << 8));
    const bool bWide = (uFlags & kOneOffUnicode) != 0;
    size_t nPos = kHeaderSize + 4;
    std::optional<std::string> osName = ReadText(p_vEntryId, nPos, bWide, p_fnWideToAnsi);
    std::optional<std::string> osType = osName ? ReadText(p_vEntryId, nPos, bWide, p_fnWideToAnsi) : std::nullopt;
    std::optional<std::string> osAddress = osType ? ReadText(p_vEntryId, nPos, bWide, p_fnWideToAnsi) : std::nullopt;
    if (!osAddress)
        return std::nullopt;
    return COneOffAddress{std::move(*osName), std::move(*osType), std::move(*osAddress)};
}

std::optional<CListMember> DecodeListMember(const CEntryBytes& p_vEntryId, const WideToAnsiFn& p_fnWideToAnsi)
{
    if (HasProvider(p_vEntryId, kOneOffUid))
    {
        std::optional<COneOffAddress> oOneOff = DecodeOneOffEntryId(p_vEntryId, p_fnWideToAnsi);
        if (!oOneOff)
            return std::nullopt;
        return CListMember{EListMember::OneOff, p_vEntryId, std::move(oOneOff), std::nullopt};
    }
    if (!HasProvider(p_vEntryId, kWrappedUid) || p_vEntryId.size() <= kHeaderSize + 1)
        return std::nullopt;
    CListMember oMember;
    oMember.m_vEntryId.assign(p_vEntryId.begin() + kHeaderSize + 1, p_vEntryId.end());
    switch (p_vEntryId[kHeaderSize] & 0x0F)
    {
    case 0x0:
        oMember.m_oOneOff = DecodeOneOffEntryId(oMember.m_vEntryId, p_fnWideToAnsi);
        if (!oMember.m_oOneOff)
            return std::nullopt;
        oMember.m_eKind = EListMember::OneOff;
        break;
    case 0x3:
        oMember.m_eKind = EListMember::Contact;
        // The next three bits give the contact's address: 4 to 6 its e-mail slots, 0 to 2 its faxes.
        if (const int iAddress = (p_vEntryId[kHeaderSize] >> 4) & 0x7; iAddress >= 4 && iAddress <= 6)
            oMember.m_oiEmailSlot = iAddress - 4;
        break;
    case 0x4:
        oMember.m_eKind = EListMember::PersonalList;
        break;
    case 0x5:
        oMember.m_eKind = EListMember::GalUser;
        break;
    case 0x6:
        oMember.m_eKind = EListMember::GalList;
        break;
    default:
        return std::nullopt;
    }
    return oMember;
}

CEntryBytes MakeOneOffEntryId(std::string_view p_sName, std::string_view p_sAddrType, std::string_view p_sAddress)
{
    CEntryBytes vBytes(4, 0);
    vBytes.insert(vBytes.end(), kOneOffUid.begin(), kOneOffUid.end());
    vBytes.insert(vBytes.end(), {0, 0, 0, 0}); // version 0, ANSI strings
    AppendText(vBytes, p_sName);
    AppendText(vBytes, p_sAddrType);
    AppendText(vBytes, p_sAddress);
    return vBytes;
}

CEntryBytes WrapListMember(EListMember p_eKind, const CEntryBytes& p_vEntryId, int p_iEmailSlot)
{
    if (p_eKind == EListMember::OneOff)
        return p_vEntryId;
    // Every kind but a one-off has the high bit; a contact gives its e-mail slot in the next three
    // bits, the others 3 there.
    static constexpr uint8_t s_aTypes[] = {0x00, 0x83, 0xB4, 0xB5, 0xB6};
    uint8_t uType = s_aTypes[static_cast<int>(p_eKind)];
    if (p_eKind == EListMember::Contact)
        uType = static_cast<uint8_t>(uType | ((4 + std::clamp(p_iEmailSlot, 0, 2)) << 4));
    CEntryBytes vBytes(4, 0);
    vBytes.insert(vBytes.end(), kWrappedUid.begin(), kWrappedUid.end());
    vBytes.push_back(uType);
    vBytes.insert(vBytes.end(), p_vEntryId.begin(), p_vEntryId.end());
    return vBytes;
}
