// standins/outlook/compound_file.h: the compound-file container (storages and streams in one file of
// 512-byte sectors) that message files and form templates are written in; portable, read as outside input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace olstandin
{
// One storage or stream. Names are UTF-16 code units, at most 31 of them.
struct CCompoundEntry
{
    std::u16string m_sName;
    bool m_bStorage = false;
    std::string m_sData;                  // a stream's bytes
    std::vector<CCompoundEntry> m_vItems; // a storage's children

    [[nodiscard]] const CCompoundEntry* Find(const std::u16string& p_sName) const;
    CCompoundEntry& AddStream(const std::u16string& p_sName, std::string p_sData);
    CCompoundEntry& AddStorage(const std::u16string& p_sName);
};

// Limits the reader holds a file to, so a hostile file cannot make it allocate without bound.
inline constexpr size_t kMaxCompoundFile = static_cast<size_t>(32) * 1024 * 1024;
inline constexpr size_t kMaxCompoundEntries = 4096;

// The root storage's children and the file's bytes (version 3, 512-byte sectors, streams under 4096
// bytes in the mini stream). Empty when a name is too long or the file would need more than 109 FAT
// sectors.
[[nodiscard]] std::optional<std::string> WriteCompoundFile(const CCompoundEntry& p_oRoot);
// The root storage, or empty when the bytes are not a well-formed compound file: every sector chain,
// size, directory link and name is checked against the file before it is followed.
[[nodiscard]] std::optional<CCompoundEntry> ReadCompoundFile(const std::string& p_sBytes);
} // namespace olstandin
