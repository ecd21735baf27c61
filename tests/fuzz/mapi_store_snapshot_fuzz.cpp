// tests/fuzz/mapi_store_snapshot_fuzz.cpp: the MAPI stand-in's binary snapshot reader on arbitrary
// input (after its signature and version, so the fuzzer spends its time on the body); whatever it
// accepts must write out as JSON, and save and load again to the same bytes.
#include "standins/mapi/store/folder_index.h"
#include "standins/mapi/store/store_file.h"
#include "standins/mapi/store/store_snapshot.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    std::string bytes(mapistore::kSnapshotSignature, sizeof mapistore::kSnapshotSignature);
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>(mapistore::kSnapshotVersion >> (8 * i)));
    bytes.append(reinterpret_cast<const char*>(p_pData), p_nSize);
    mapistore::CStoreFile file;
    std::string err;
    if (!mapistore::LoadStoreSnapshot(bytes, file, err))
        return 0;
    (void)mapistore::SaveStoreFile(file);
    // Kept orders that were accepted lead only to rows that exist.
    for (auto& s : file.m_vStores)
        if (s.m_root.m_pIndex)
            for (const auto& k : s.m_root.m_pIndex->m_vOrders)
                for (uint32_t r : *k.m_pOrder)
                {
                    size_t item = 0;
                    if (!mapistore::FolderRowItem(s.m_root, k.m_bAssociated, r, item))
                        std::abort();
                }
    const std::string saved = mapistore::SaveStoreSnapshot(file);
    mapistore::CStoreFile again;
    if (!mapistore::LoadStoreSnapshot(saved, again, err) || mapistore::SaveStoreSnapshot(again) != saved)
        std::abort();
    return 0;
}
