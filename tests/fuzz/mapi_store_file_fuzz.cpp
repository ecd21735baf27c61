// tests/fuzz/mapi_store_file_fuzz.cpp: the MAPI stand-in's store-file reader on arbitrary input;
// whatever it accepts must save and load again to the same text.
#include "standins/mapi/store/store_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    mapistore::CStoreFile file;
    std::string err;
    if (!mapistore::LoadStoreFile(std::string(reinterpret_cast<const char*>(p_pData), p_nSize), file, err))
        return 0;
    mapistore::EnsureStandardFolders(file, true);
    const std::string saved = mapistore::SaveStoreFile(file);
    mapistore::CStoreFile again;
    if (!mapistore::LoadStoreFile(saved, again, err) || mapistore::SaveStoreFile(again) != saved)
        std::abort();
    return 0;
}
