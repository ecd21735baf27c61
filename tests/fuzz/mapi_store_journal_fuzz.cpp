// tests/fuzz/mapi_store_journal_fuzz.cpp: the MAPI stand-in's journal of saved messages on arbitrary
// bytes, after a store file's document and as one record's payload; whatever store it yields must
// save and load again to the same text.
#include "standins/mapi/store/store_file.h"
#include "standins/mapi/store/store_journal.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
const char kBase[] = R"({"names":[{"guid":"{00020329-0000-0000-C000-000000000046}","name":"Keywords"}],
"stores":[{"uid":"B7000000000000000000000000000001","default":true,"root":{"id":1,"folders":[
{"id":2,"role":"ipm_subtree","folders":[{"id":3,"role":"calendar","messages":[{"id":10,"props":[]}]}]}]}}]})";

void CheckStable(mapistore::CStoreFile& p_file)
{
    mapistore::EnsureStandardFolders(p_file, true);
    const std::string saved = mapistore::SaveStoreFile(p_file);
    mapistore::CStoreFile again;
    std::string err;
    if (!mapistore::LoadStoreFile(saved, again, err) || mapistore::SaveStoreFile(again) != saved)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    const std::string input(reinterpret_cast<const char*>(p_pData), p_nSize);
    mapistore::CStoreFile file;
    std::string err;
    // As the journal after a document (a mark in front, so the input is read as records).
    if (mapistore::LoadStoreAny(std::string(kBase) + mapistore::kJournalMark + input, file, err))
        CheckStable(file);
    // As one framed record, and as a payload applied directly.
    mapistore::CStoreFile framed;
    if (mapistore::LoadStoreAny(std::string(kBase) + mapistore::FrameJournalRecord(input), framed, err))
        CheckStable(framed);
    mapistore::CStoreFile direct;
    if (mapistore::LoadStoreFile(kBase, direct, err) && mapistore::ApplyJournalRecord(input, direct, err))
        CheckStable(direct);
    return 0;
}
