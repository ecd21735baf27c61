// standins/mapi/store/store_journal.cpp: frames, scans and applies the journal records of saved
// messages that follow a JSON store file's document. The journal is outside input like the rest of
// the file: every length is checked against what is there, and a record that does not fit is left out.
#include "standins/mapi/store/store_journal.h"

#include "standins/mapi/store/folder_index.h"
#include "standins/mapi/store/store_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <stdexcept>

using json = nlohmann::json;

namespace mapistore
{
// store_read.cpp: one item object as the file writes it, its named properties given ids in p_file.
[[nodiscard]] bool ReadJournalItem(const json& p_j, CStoreFile& p_file, CItem& p_item, std::string& p_sError);

namespace
{
constexpr std::string_view kRecordTag = "BVJ1 ";
constexpr size_t kMaxPayload = 256u << 20; // larger than any message the store takes (kMaxBinary and more)

uint64_t Fnv1a(std::string_view p_s)
{
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : p_s)
    {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// Reads one unsigned number of p_s from p_nPos up to p_cEnd; false when it is not exactly that.
template <typename T> bool ReadField(std::string_view p_s, size_t& p_nPos, char p_cEnd, int p_iBase, T& p_out)
{
    const size_t end = p_s.find(p_cEnd, p_nPos);
    if (end == std::string_view::npos || end == p_nPos || end - p_nPos > 20)
        return false;
    const auto [ptr, ec] = std::from_chars(p_s.data() + p_nPos, p_s.data() + end, p_out, p_iBase);
    if (ec != std::errc() || ptr != p_s.data() + end)
        return false;
    p_nPos = end + 1;
    return true;
}

// The record at p_nPos (its mark): its payload, and where the next one starts; false when the bytes
// there are not a whole record.
bool ReadRecord(std::string_view p_j, size_t p_nPos, std::string_view& p_payload, size_t& p_nNext)
{
    size_t pos = p_nPos + 1;
    if (p_j.substr(pos, kRecordTag.size()) != kRecordTag)
        return false;
    pos += kRecordTag.size();
    size_t length = 0;
    uint64_t checksum = 0;
    if (!ReadField(p_j, pos, ' ', 10, length) || !ReadField(p_j, pos, '\n', 16, checksum) || length > kMaxPayload)
        return false;
    if (p_j.size() - pos < length + 1 || p_j[pos + length] != '\n')
        return false;
    const std::string_view payload = p_j.substr(pos, length);
    if (Fnv1a(payload) != checksum)
        return false;
    p_payload = payload;
    p_nNext = pos + length + 1;
    return true;
}

CNamedProp NameOfJson(const json& p_j)
{
    CNamedProp n;
    if (!p_j.is_object() || !p_j.contains("guid") || !p_j["guid"].is_string() ||
        !TextToGuid(p_j["guid"].get<std::string>(), n.m_guid))
        throw std::invalid_argument("a name has a guid");
    if (p_j.contains("name") && p_j["name"].is_string() && !p_j["name"].get<std::string>().empty())
    {
        n.m_bString = true;
        n.m_sName = p_j["name"].get<std::string>();
    }
    else if (p_j.contains("lid") && p_j["lid"].is_number_unsigned() && p_j["lid"].get<uint64_t>() <= UINT32_MAX)
        n.m_ulLid = static_cast<uint32_t>(p_j["lid"].get<uint64_t>());
    else
        throw std::invalid_argument("a name has a lid or a name");
    return n;
}

uint32_t Number(const json& p_j, const char* p_szField, uint64_t p_uMax)
{
    if (!p_j.contains(p_szField) || !p_j[p_szField].is_number_unsigned() || p_j[p_szField].get<uint64_t>() > p_uMax)
        throw std::invalid_argument(std::string("bad ") + p_szField);
    return static_cast<uint32_t>(p_j[p_szField].get<uint64_t>());
}

// The record's named properties take the ids they had where it was written: those the store knows
// already must be the same names, the rest follow in order.
void ApplyNames(const json& p_j, CStoreFile& p_file)
{
    const size_t from = Number(p_j, "namesFrom", kLastNamedId - kFirstNamedId + 1);
    if (!p_j.contains("names") || !p_j["names"].is_array() || from > p_file.m_vNames.size())
        throw std::invalid_argument("the record's names do not follow the store's");
    const json& names = p_j["names"];
    for (size_t i = 0; i < names.size(); ++i)
    {
        const CNamedProp n = NameOfJson(names[i]);
        const size_t index = from + i;
        if (index < p_file.m_vNames.size())
        {
            if (!(p_file.m_vNames[index] == n))
                throw std::invalid_argument("the record names another property at " + std::to_string(index));
        }
        else if (p_file.IdOfName(n, false) != 0 || p_file.IdOfName(n, true) != kFirstNamedId + index)
            throw std::invalid_argument("the record's name " + std::to_string(index) + " does not fit");
    }
}

void ApplyRecord(const json& p_j, CStoreFile& p_file)
{
    // Ids taken without a message saved: the names and the next id, nothing else.
    if (p_j.is_object() && p_j.contains("kind"))
    {
        if (p_j["kind"] != "ids" || p_j.contains("item"))
            throw std::invalid_argument("an unknown kind of record");
        const uint32_t nextId = Number(p_j, "nextId", 0x7FFFFFFF);
        ApplyNames(p_j, p_file);
        p_file.m_uNextId = std::max(p_file.m_uNextId, nextId);
        return;
    }
    if (!p_j.is_object() || !p_j.contains("store") || !p_j["store"].is_string() || !p_j.contains("item"))
        throw std::invalid_argument("a record names its store and item");
    CBytes uid;
    CStore* store = FromHex(p_j["store"].get<std::string>(), uid) ? p_file.StoreByUid(uid) : nullptr;
    if (!store)
        throw std::invalid_argument("no such store");
    const uint32_t folderId = Number(p_j, "folder", UINT32_MAX);
    const uint32_t nextId = Number(p_j, "nextId", 0x7FFFFFFF);
    if (!p_j.contains("associated") || !p_j["associated"].is_boolean())
        throw std::invalid_argument("bad associated");
    ApplyNames(p_j, p_file);
    CItem item;
    std::string err;
    if (!ReadJournalItem(p_j["item"], p_file, item, err))
        throw std::invalid_argument(err);
    item.m_bAssociated = p_j["associated"].get<bool>();
    const uint32_t id = item.m_uId;
    if (FindFolder(store->m_root, id))
        throw std::invalid_argument("the item's id is a folder's");
    if (CItemRef ref = FindItem(store->m_root, id); ref.Item())
    {
        *ref.Item() = std::move(item);
        MarkFolderChanged(*ref.m_pFolder);
    }
    else if (CFolder* folder = FindFolder(store->m_root, folderId))
    {
        if (folder->m_vItems.size() >= kMaxFolderItems)
            throw std::invalid_argument("the folder is full");
        folder->m_vItems.push_back(std::move(item));
        MarkFolderChanged(*folder);
    }
    else
        throw std::invalid_argument("no such folder");
    p_file.m_uNextId = std::max({p_file.m_uNextId, nextId, id + 1});
}
} // namespace

std::string FrameJournalRecord(std::string_view p_payload)
{
    char head[64];
    const int n = std::snprintf(
        head, sizeof head, "%c%.*s%llu %016llx\n", kJournalMark, static_cast<int>(kRecordTag.size()), kRecordTag.data(),
        static_cast<unsigned long long>(p_payload.size()), static_cast<unsigned long long>(Fnv1a(p_payload)));
    std::string record(head, static_cast<size_t>(n));
    record.append(p_payload);
    record += '\n';
    return record;
}

size_t JournalStart(std::string_view p_text)
{
    const size_t pos = p_text.find(kJournalMark);
    return pos == std::string_view::npos ? p_text.size() : pos;
}

CJournalScan ScanJournal(std::string_view p_journal)
{
    CJournalScan scan;
    size_t pos = p_journal.find(kJournalMark);
    if (pos != 0 && !p_journal.empty())
        ++scan.m_nSkipped; // bytes before the first mark
    while (pos != std::string_view::npos)
    {
        std::string_view payload;
        size_t next = 0;
        if (ReadRecord(p_journal, pos, payload, next))
        {
            scan.m_vPayloads.push_back(payload);
            pos = p_journal.find(kJournalMark, next);
            if (pos != next && next < p_journal.size())
                ++scan.m_nSkipped;
        }
        else
        {
            ++scan.m_nSkipped;
            pos = p_journal.find(kJournalMark, pos + 1);
        }
    }
    return scan;
}

bool ApplyJournalRecord(std::string_view p_payload, CStoreFile& p_file, std::string& p_sError)
{
    const json j = json::parse(p_payload.begin(), p_payload.end(), nullptr, false);
    if (j.is_discarded())
    {
        p_sError = "a journal record is not JSON";
        return false;
    }
    // The names are all a failing record may have changed: the item joins the store last.
    const size_t names = p_file.m_vNames.size();
    try
    {
        ApplyRecord(j, p_file);
        return true;
    }
    catch (const std::exception& e)
    {
        p_sError = std::string("journal record left out: ") + e.what();
    }
    p_file.m_vNames.resize(names);
    return false;
}

bool LoadStoreJournaled(const std::string& p_sText, CStoreFile& p_file, std::string& p_sError, size_t* p_pnSkipped)
{
    const size_t start = JournalStart(p_sText);
    CStoreFile file;
    if (!(start == p_sText.size() ? LoadStoreFile(p_sText, file, p_sError)
                                  : LoadStoreFile(p_sText.substr(0, start), file, p_sError)))
        return false;
    const CJournalScan scan = ScanJournal(std::string_view(p_sText).substr(start));
    size_t skipped = scan.m_nSkipped;
    for (std::string_view payload : scan.m_vPayloads)
    {
        std::string err;
        if (!ApplyJournalRecord(payload, file, err))
            ++skipped;
    }
    if (p_pnSkipped)
        *p_pnSkipped = skipped;
    p_file = std::move(file);
    return true;
}
} // namespace mapistore
