// standins/mapi/store/store_journal.h: the journal of saved messages (and of ids taken) a JSON store
// file carries after its document, so that saving one message appends a record instead of rewriting
// a store of any size.
// A record is a mark byte (0x1E, which JSON text never holds raw), "BVJ1 <length> <FNV-1a 64 in hex>",
// a line feed, the payload (one JSON object) and a line feed. Records are read in order; one that is
// cut short or whose checksum fails (a writer that ended mid-write) is skipped up to the next mark.
#pragma once

#include "standins/mapi/store/store_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mapistore
{
constexpr char kJournalMark = '\x1E';

// The payload of the record of one saved message (store_write.cpp): the store and folder it is in,
// the message as the file writes items, the store's next id and the named properties the file's
// list lacks (those from index p_nNamesFrom on), so a reader gives them the ids this writer did.
std::string JournalRecordPayload(const CStoreFile& p_file, const CStore& p_store, uint32_t p_uFolder,
                                 const CItem& p_item, size_t p_nNamesFrom);
// The payload of the record of ids taken without a message saved (a message made, whose id other
// processes must not give out too): the store's next id and the named properties from p_nNamesFrom.
std::string IdsRecordPayload(const CStoreFile& p_file, size_t p_nNamesFrom);
// The framed record of a payload, ready to append.
std::string FrameJournalRecord(std::string_view p_payload);

// Where the journal of a JSON store file's text begins (its length when it has none).
size_t JournalStart(std::string_view p_text);

struct CJournalScan
{
    std::vector<std::string_view> m_vPayloads; // the whole records, in file order
    size_t m_nSkipped = 0;                     // runs of bytes that were not a whole record
};
// The records of a journal (the text from JournalStart on).
CJournalScan ScanJournal(std::string_view p_journal);

// Applies one payload to the store: the message replaces the one of its id, or joins its folder.
// False with the reason, and the store as it was, when the payload does not fit the store.
[[nodiscard]] bool ApplyJournalRecord(std::string_view p_payload, CStoreFile& p_file, std::string& p_sError);

// A JSON store file's text with its journal: the document is read (a fault there fails the whole
// load, as LoadStoreFile does), then every whole record that fits is applied; p_pnSkipped, when
// given, counts the records and runs of bytes left out.
[[nodiscard]] bool LoadStoreJournaled(const std::string& p_sText, CStoreFile& p_file, std::string& p_sError,
                                      size_t* p_pnSkipped = nullptr);
} // namespace mapistore
