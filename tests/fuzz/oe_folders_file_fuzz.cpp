// tests/fuzz/oe_folders_file_fuzz.cpp: the mail client stand-in's folder-index reader on arbitrary
// input; whatever it accepts must write and read again to the same folders.
#include "standins/oe/store/dbx_file.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    const std::vector<uint8_t> bytes(p_pData, p_pData + p_nSize);
    std::vector<oestore::CFolderRecord> folders;
    if (oestore::ReadFoldersFile(bytes, folders) != oestore::EDbxRead::Ok)
        return 0;
    // Ids and types are kept in three bytes, texts up to their first zero.
    for (oestore::CFolderRecord& folder : folders)
    {
        folder.m_nId &= 0xFFFFFF;
        folder.m_nParentId &= 0xFFFFFF;
        folder.m_nSpecial &= 0xFFFFFF;
    }
    std::vector<oestore::CFolderRecord> again;
    if (oestore::ReadFoldersFile(oestore::BuildFoldersFile(folders), again) != oestore::EDbxRead::Ok ||
        again.size() != folders.size())
        std::abort();
    for (size_t i = 0; i < folders.size(); ++i)
    {
        if (again[i].m_nId != folders[i].m_nId || again[i].m_nParentId != folders[i].m_nParentId ||
            again[i].m_sName != folders[i].m_sName || again[i].m_sFileName != folders[i].m_sFileName ||
            again[i].m_nSpecial != folders[i].m_nSpecial)
            std::abort();
    }
    return 0;
}
