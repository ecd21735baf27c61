// standins/mapi/provider/marshal_blob.cpp: writing and checking the bytes a stand-in object is
// handed to another process as.
#include "standins/mapi/provider/marshal_blob.h"

#include <cstring>

namespace mapiprov
{
namespace
{
constexpr char kMagic[8] = {'B', 'V', 'M', 'A', 'R', 'S', 'H', '1'};
constexpr uint32_t kFlagWritable = 1;

void PutU32(std::vector<uint8_t>& p_out, uint32_t p_u)
{
    for (int i = 0; i < 4; ++i)
        p_out.push_back(static_cast<uint8_t>(p_u >> (8 * i)));
}

uint32_t GetU32(const uint8_t* p_p)
{
    return static_cast<uint32_t>(p_p[0]) | static_cast<uint32_t>(p_p[1]) << 8 | static_cast<uint32_t>(p_p[2]) << 16 |
           static_cast<uint32_t>(p_p[3]) << 24;
}
} // namespace

std::vector<uint8_t> WriteMarshalBlob(const CMarshalTarget& p_target)
{
    const bool bSession = p_target.m_kind == EMarshalKind::Session;
    if (p_target.m_sStorePath.empty() || p_target.m_sStorePath.size() > kMarshalMaxPath ||
        p_target.m_vEntry.size() > kMarshalMaxEntry || bSession != p_target.m_vEntry.empty() ||
        (!bSession && p_target.m_kind != EMarshalKind::Entry))
        return {};
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    PutU32(out, static_cast<uint32_t>(p_target.m_kind));
    PutU32(out, p_target.m_bWritable ? kFlagWritable : 0);
    PutU32(out, static_cast<uint32_t>(p_target.m_sStorePath.size()));
    out.insert(out.end(), p_target.m_sStorePath.begin(), p_target.m_sStorePath.end());
    PutU32(out, static_cast<uint32_t>(p_target.m_vEntry.size()));
    out.insert(out.end(), p_target.m_vEntry.begin(), p_target.m_vEntry.end());
    return out;
}

size_t MarshalBlobSize(const uint8_t* p_pHeader, size_t p_nSize)
{
    if (!p_pHeader || p_nSize < kMarshalHeaderSize || std::memcmp(p_pHeader, kMagic, sizeof kMagic) != 0)
        return 0;
    const uint32_t uPath = GetU32(p_pHeader + 16);
    return uPath > kMarshalMaxPath ? 0 : kMarshalHeaderSize + uPath + 4;
}

bool ReadMarshalBlob(const uint8_t* p_pData, size_t p_nSize, CMarshalTarget& p_out)
{
    const size_t nFixed = MarshalBlobSize(p_pData, p_nSize);
    if (nFixed == 0 || p_nSize < nFixed)
        return false;
    const uint32_t uKind = GetU32(p_pData + 8), uFlags = GetU32(p_pData + 12), uPath = GetU32(p_pData + 16);
    const uint32_t uEntry = GetU32(p_pData + nFixed - 4);
    const bool bSession = uKind == static_cast<uint32_t>(EMarshalKind::Session);
    if ((!bSession && uKind != static_cast<uint32_t>(EMarshalKind::Entry)) || (uFlags & ~kFlagWritable) != 0 ||
        uPath == 0 || uEntry > kMarshalMaxEntry || bSession != (uEntry == 0) || p_nSize != nFixed + uEntry)
        return false;
    const char* pPath = reinterpret_cast<const char*>(p_pData + kMarshalHeaderSize);
    if (std::memchr(pPath, 0, uPath) != nullptr)
        return false; // a path with a NUL in it names some other file
    CMarshalTarget target;
    target.m_kind = static_cast<EMarshalKind>(uKind);
    target.m_bWritable = (uFlags & kFlagWritable) != 0;
    target.m_sStorePath.assign(pPath, uPath);
    target.m_vEntry.assign(p_pData + nFixed, p_pData + nFixed + uEntry);
    p_out = std::move(target);
    return true;
}
} // namespace mapiprov
