// standins/mapi/provider/marshal_blob.h: what the stand-in's objects write when they are handed to
// another process: which store file and which object in it, so that process opens the same one.
// Portable, so the reader of these bytes (outside input in the receiving process) is tested and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mapiprov
{
enum class EMarshalKind : uint32_t
{
    Session = 1, // a session on the store file
    Entry = 2,   // a store, folder or saved message, by its entry id
};

struct CMarshalTarget
{
    EMarshalKind m_kind = EMarshalKind::Session;
    bool m_bWritable = false;      // the object was open for writing: the copy is too
    std::string m_sStorePath;      // UTF-8; the receiving process must use the same file
    std::vector<uint8_t> m_vEntry; // empty for a session
};

// The written form: "BVMARSH1", kind (u32), flags (u32, bit 0 writable), path length (u32) and the
// path, entry id length (u32) and the entry id; integers little-endian.
constexpr size_t kMarshalHeaderSize = 8 + 4 + 4 + 4;
constexpr size_t kMarshalMaxPath = 4096;
constexpr size_t kMarshalMaxEntry = 1024;
constexpr size_t kMarshalMaxSize = kMarshalHeaderSize + kMarshalMaxPath + 4 + kMarshalMaxEntry;

// Empty when the target does not fit the limits.
[[nodiscard]] std::vector<uint8_t> WriteMarshalBlob(const CMarshalTarget& p_target);
// The number of bytes the whole blob takes, from its first kMarshalHeaderSize bytes (the path
// length is the last field there); 0 when they are not the start of a blob.
[[nodiscard]] size_t MarshalBlobSize(const uint8_t* p_pHeader, size_t p_nSize);
// False for anything that is not exactly one well-formed blob within the limits.
[[nodiscard]] bool ReadMarshalBlob(const uint8_t* p_pData, size_t p_nSize, CMarshalTarget& p_out);
} // namespace mapiprov
