// Addressbook/oe/store_file.h: the reader of Outlook Express's indexed-tree store files (".dbx"):
// the index tree of value offsets and the indexed records they point to, and the Inbox's file
// name found in the folder index "Folders.dbx". Every structural fault fails the whole read; a
// hostile file can make a read fail but never reach outside the file or loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace oe
{
// Random access to a store file's bytes; reads past the end fail.
class CStoreFile
{
  public:
    virtual ~CStoreFile() = default;
    virtual uint64_t Size() const = 0;
    // Reads p_nCount bytes at p_qwOffset; false when they are not all there.
    [[nodiscard]] virtual bool ReadAt(uint64_t p_qwOffset, void* p_pBuffer, size_t p_nCount) = 0;
};

class CMemoryStoreFile final : public CStoreFile
{
  public:
    explicit CMemoryStoreFile(std::vector<uint8_t> p_vBytes) : m_vBytes(std::move(p_vBytes))
    {
    }
    uint64_t Size() const override
    {
        return m_vBytes.size();
    }
    [[nodiscard]] bool ReadAt(uint64_t p_qwOffset, void* p_pBuffer, size_t p_nCount) override;

  private:
    std::vector<uint8_t> m_vBytes;
};

// A file on disk; null with p_dwError (errno or the system's error) when it cannot be opened.
std::unique_ptr<CStoreFile> OpenStoreFile(const std::string& p_sPath, uint32_t& p_dwError);

constexpr uint32_t kHeaderCountOffset = 0xCC;
constexpr uint32_t kHeaderRootOffset = 0xEC;
constexpr size_t kNodeSize = 0x27C;
constexpr uint8_t kMaxNodeEntries = 51;
constexpr unsigned kRecordFieldCount = 48;

// The values of the tree at p_dwRoot in tree order; false with p_sError (the trace text) when the
// tree is damaged or does not hold exactly p_dwCount values.
[[nodiscard]] bool ReadIndex(CStoreFile& p_oFile, uint32_t p_dwRoot, uint32_t p_dwCount,
                             std::vector<uint32_t>& p_vValues, std::string& p_sError);

struct CRecordField
{
    bool m_bPresent = false;
    bool m_bDirect = false;  // the value is in the index entry itself
    uint32_t m_dwDirect = 0; // that value (the entry's upper three bytes)
    uint32_t m_dwOffset = 0; // an indirect value's start within the data block
    uint32_t m_dwLength = 0;
};

class CIndexedRecord
{
  public:
    CRecordField m_aFields[kRecordFieldCount];
    std::vector<uint8_t> m_vBlock; // the data block after the 12-byte header

    bool Has(unsigned p_uField) const
    {
        return p_uField < kRecordFieldCount && m_aFields[p_uField].m_bPresent;
    }
    // Up to 4 bytes, little-endian; a shorter field gives only its own bytes. 0 when absent.
    uint32_t Number(unsigned p_uField) const;
    // The value up to its first zero byte, within the field. Empty when absent.
    std::string Text(unsigned p_uField) const;
};

// The record at p_dwOffset; false with p_sError ("Failed to read indexed info" and why).
[[nodiscard]] bool ReadRecord(CStoreFile& p_oFile, uint32_t p_dwOffset, CIndexedRecord& p_oRecord,
                              std::string& p_sError);

constexpr unsigned kFolderFileNameField = 3;
constexpr unsigned kFolderSpecialField = 9;
constexpr uint32_t kSpecialInbox = 1;

// The file name of the first folder record of a "Folders.dbx" that is the Inbox.
[[nodiscard]] bool FindInboxFileName(CStoreFile& p_oFile, std::string& p_sFileName, std::string& p_sError);
[[nodiscard]] bool FindInboxFileName(const std::string& p_sFoldersPath, std::string& p_sFileName,
                                     std::string& p_sError);
} // namespace oe
