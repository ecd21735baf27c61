// standins/mapi/provider/provider_ab_ids.cpp: the published entry-id layouts of contact-list members:
// wrapped entry ids (a contact, a list, a directory entry or a one-off inside the contact address
// book's id) and one-off entry ids (a name and an address, no directory behind them).
#include "standins/mapi/provider/provider_ab.h"

#include <cstring>

namespace mapiprov
{
namespace
{
const BYTE kWrappedUid[16] = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                              0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};
const BYTE kOneOffUid[16] = MAPI_ONE_OFF_UID;
constexpr size_t kHeader = 4 + 16;

void AppendWide(ms::CBytes& p_b, const std::string& p_s)
{
    for (wchar_t c : WideFromUtf8(p_s))
    {
        p_b.push_back(static_cast<uint8_t>(c & 0xFF));
        p_b.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
    }
    p_b.push_back(0);
    p_b.push_back(0);
}

// Reads a NUL-terminated string at p_at (UTF-16 when p_bWide), moving p_at past it.
bool ReadString(const uint8_t* p_p, size_t p_cb, size_t& p_at, bool p_bWide, std::string& p_out)
{
    if (!p_bWide)
    {
        const void* end = memchr(p_p + p_at, 0, p_cb - p_at);
        if (!end)
            return false;
        const size_t n = static_cast<const uint8_t*>(end) - (p_p + p_at);
        p_out = Utf8FromAnsi(std::string(reinterpret_cast<const char*>(p_p + p_at), n).c_str());
        p_at += n + 1;
        return true;
    }
    std::wstring w;
    for (; p_at + 1 < p_cb; p_at += 2)
    {
        const wchar_t c = static_cast<wchar_t>(p_p[p_at] | p_p[p_at + 1] << 8);
        if (c == 0)
        {
            p_at += 2;
            p_out = Utf8FromWide(w.c_str());
            return true;
        }
        w.push_back(c);
    }
    return false;
}
} // namespace

ms::CBytes WrapEntryId(EWrapKind p_kind, const ms::CBytes& p_embedded, ULONG p_ulSlot)
{
    ms::CBytes b(4, 0);
    b.insert(b.end(), kWrappedUid, kWrappedUid + 16);
    BYTE type = static_cast<BYTE>(p_kind);
    if (p_kind == kWrapContact)
        type |= static_cast<BYTE>(0x80 | ((4 + p_ulSlot) << 4));
    else if (p_kind != kWrapOneOff)
        type |= 0x80 | 0x30;
    b.push_back(type);
    b.insert(b.end(), p_embedded.begin(), p_embedded.end());
    return b;
}

bool ParseWrappedEntryId(ULONG p_cb, const void* p_p, CWrapped& p_out)
{
    const auto* p = static_cast<const uint8_t*>(p_p);
    if (!p || p_cb <= kHeader + 1 || memcmp(p + 4, kWrappedUid, 16) != 0)
        return false;
    const BYTE type = p[kHeader];
    const BYTE kind = type & 0x0F, index = (type >> 4) & 0x07;
    if (kind != kWrapOneOff && kind != kWrapContact && kind != kWrapDistList && kind != kWrapGalUser &&
        kind != kWrapGalList)
        return false;
    if ((kind == kWrapOneOff) != ((type & 0x80) == 0))
        return false;
    if (kind == kWrapContact && (index < 4 || index > 6))
        return false; // the fax slots are not e-mail members
    p_out.m_kind = static_cast<EWrapKind>(kind);
    p_out.m_ulSlot = kind == kWrapContact ? index - 4u : 0u;
    p_out.m_embedded.assign(p + kHeader + 1, p + p_cb);
    return true;
}

ms::CBytes OneOffEntryId(const COneOff& p_o)
{
    ms::CBytes b(4, 0);
    b.insert(b.end(), kOneOffUid, kOneOffUid + 16);
    const uint16_t flags = MAPI_ONE_OFF_UNICODE | (p_o.m_bRichInfo ? 0 : MAPI_ONE_OFF_NO_RICH_INFO);
    b.insert(b.end(), {0, 0, static_cast<uint8_t>(flags & 0xFF), static_cast<uint8_t>(flags >> 8)});
    AppendWide(b, p_o.m_sName);
    AppendWide(b, p_o.m_sType);
    AppendWide(b, p_o.m_sAddress);
    return b;
}

bool ParseOneOffEntryId(ULONG p_cb, const void* p_p, COneOff& p_out)
{
    const auto* p = static_cast<const uint8_t*>(p_p);
    if (!p || p_cb < kHeader + 4 || memcmp(p + 4, kOneOffUid, 16) != 0)
        return false;
    const bool bWide = (p[kHeader + 3] << 8 & MAPI_ONE_OFF_UNICODE) != 0;
    size_t at = kHeader + 4;
    COneOff o;
    if (!ReadString(p, p_cb, at, bWide, o.m_sName) || !ReadString(p, p_cb, at, bWide, o.m_sType) ||
        !ReadString(p, p_cb, at, bWide, o.m_sAddress) || o.m_sType.empty() || o.m_sAddress.empty())
        return false;
    o.m_bRichInfo = ((p[kHeader + 2] | p[kHeader + 3] << 8) & MAPI_ONE_OFF_NO_RICH_INFO) == 0;
    p_out = std::move(o);
    return true;
}

HRESULT CompareAnyEntryIds(ULONG p_cb1, const void* p_p1, ULONG p_cb2, const void* p_p2, ULONG* p_pResult)
{
    if (!p_pResult || !p_p1 || !p_p2)
        return MAPI_E_INVALID_PARAMETER;
    CEntryIdBits a, b;
    const bool bOwn1 = ParseEntryId(p_cb1, p_p1, a), bOwn2 = ParseEntryId(p_cb2, p_p2, b);
    auto known = [](bool p_bOwn, ULONG p_cb, const void* p_p) {
        CWrapped w;
        COneOff o;
        return p_bOwn || ParseWrappedEntryId(p_cb, p_p, w) || ParseOneOffEntryId(p_cb, p_p, o);
    };
    if (!known(bOwn1, p_cb1, p_p1) || !known(bOwn2, p_cb2, p_p2))
        return MAPI_E_UNKNOWN_ENTRYID;
    *p_pResult = p_cb1 == p_cb2 &&
                 memcmp(static_cast<const BYTE*>(p_p1) + 4, static_cast<const BYTE*>(p_p2) + 4, p_cb1 - 4) == 0;
    return S_OK;
}

void RegisterContactNames(ms::CStoreFile& p_file)
{
    for (uint32_t base : {0x8080u, 0x8090u, 0x80A0u})
        for (uint32_t lid = base; lid <= base + 5; ++lid)
            (void)p_file.IdOfName({ms::GuidAddress(), false, lid, {}}, true);
    for (uint32_t lid : {kLidDlName, kLidDlOneOffMembers, kLidDlMembers})
        (void)p_file.IdOfName({ms::GuidAddress(), false, lid, {}}, true);
}

void RegisterCalendarNames(ms::CStoreFile& p_file)
{
    // Appointment: location, start, end, recurrence blob, recurring, recurrence type, pattern text.
    for (uint32_t lid : {0x8208u, 0x820Du, 0x820Eu, 0x8216u, 0x8223u, 0x8231u, 0x8232u})
        (void)p_file.IdOfName({ms::GuidAppointment(), false, lid, {}}, true);
    // Task: status, start, due, complete, recurring.
    for (uint32_t lid : {0x8101u, 0x8104u, 0x8105u, 0x811Cu, 0x8126u})
        (void)p_file.IdOfName({ms::GuidTask(), false, lid, {}}, true);
    // Common: reminder delta, reminder time, reminder set, reminder signal time.
    for (uint32_t lid : {0x8501u, 0x8502u, 0x8503u, 0x8560u})
        (void)p_file.IdOfName({ms::GuidCommon(), false, lid, {}}, true);
}

uint32_t AddressNamedId(uint32_t p_ulLid)
{
    return CProvider::Get().m_file.IdOfName({ms::GuidAddress(), false, p_ulLid, {}}, true);
}
} // namespace mapiprov
