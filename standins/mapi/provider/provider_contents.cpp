// standins/mapi/provider/provider_contents.cpp: the rows of contents tables: built from a folder's
// items when read, with only the columns asked for where the item's own values serve.
#include "standins/mapi/provider/provider_contents.h"
#include "standins/mapi/provider/provider_store_objects.h"
#include "standins/mapi/store/folder_index.h"

#include <algorithm>

namespace mapiprov
{
void CollectSearch(ms::CFolder& p_f, const ms::CRestriction* p_pRes, bool p_bRecursive,
                   std::vector<std::pair<ms::CFolder*, size_t>>& p_out)
{
    for (size_t i = 0; i < p_f.m_vItems.size(); ++i)
        if (!p_f.m_vItems[i].m_bAssociated && (!p_pRes || ms::Matches(*p_pRes, p_f.m_vItems[i].m_props)))
            p_out.push_back({&p_f, i});
    if (p_bRecursive)
        for (auto& c : p_f.m_vFolders)
            if (!c->m_bSearch)
                CollectSearch(*c, p_pRes, true, p_out);
}

namespace
{
// A contents row: the item's properties without the body, what a message computes, and an
// instance key that stays with the item.
ms::CPropList ContentsRow(ms::CStore& p_s, ms::CFolder& p_f, const ms::CItem& p_item)
{
    ms::CPropList r = p_item.m_props;
    ms::DeleteProp(r, PR_BODY);
    ms::DeleteProp(r, PR_RTF_COMPRESSED);
    AddItemComputed(p_s, p_f, p_item, r, true);
    ms::SetProp(r, Bin(PR_INSTANCE_KEY, MessageEntryId(p_s, p_item.m_uId)));
    return r;
}

// Whether a contents row computes the column (or leaves it out) rather than copying the item's own.
bool IsComputedColumn(ULONG p_ulTag)
{
    switch (PROP_ID(p_ulTag))
    {
    case PROP_ID(PR_ENTRYID):
    case PROP_ID(PR_RECORD_KEY):
    case PROP_ID(PR_PARENT_ENTRYID):
    case PROP_ID(PR_STORE_ENTRYID):
    case PROP_ID(PR_STORE_RECORD_KEY):
    case PROP_ID(PR_OBJECT_TYPE):
    case PROP_ID(PR_HASATTACH):
    case PROP_ID(PR_MESSAGE_FLAGS):
    case PROP_ID(PR_DISPLAY_TO):
    case PROP_ID(PR_DISPLAY_CC):
    case PROP_ID(PR_DISPLAY_BCC):
    case PROP_ID(PR_MESSAGE_CLASS):
    case PROP_ID(PR_INSTANCE_KEY):
    case PROP_ID(PR_BODY):
    case PROP_ID(PR_RTF_COMPRESSED):
        return true;
    default:
        return false;
    }
}

// The columns p_cols of a contents row: the item's own values and its entry id, record and
// instance keys copied directly; any other computed column takes the whole row.
ms::CPropList ContentsColumns(ms::CStore& p_s, ms::CFolder& p_f, const ms::CItem& p_item,
                              const std::vector<ULONG>& p_cols)
{
    ms::CPropList r;
    for (ULONG col : p_cols)
    {
        const ULONG id = PROP_ID(col);
        if (id == PROP_ID(PR_ENTRYID) || id == PROP_ID(PR_RECORD_KEY) || id == PROP_ID(PR_INSTANCE_KEY))
            ms::SetProp(r, Bin(PROP_TAG(PT_BINARY, id), MessageEntryId(p_s, p_item.m_uId)));
        else if (IsComputedColumn(col))
            return ContentsRow(p_s, p_f, p_item);
        else if (const ms::CPropValue* v = ms::FindProp(p_item.m_props, PROP_TAG(PT_UNSPECIFIED, id)))
            ms::SetProp(r, *v);
    }
    return r;
}

// The contents table of a plain folder: rows are built from the items when read, and sorts on
// stored properties use the folder's kept orders (folder_index.h), shared by all its tables.
class CContentsSource final : public CTable::CLazySource
{
  public:
    CContentsSource(ms::CBytes p_uid, uint32_t p_uId, bool p_bAssociated)
        : m_uid(std::move(p_uid)), m_uId(p_uId), m_bAssociated(p_bAssociated)
    {
    }
    uint64_t Stamp() override
    {
        ms::CStore* s;
        ms::CFolder* f = Locate(s);
        return f ? ms::FolderStamp(*f) : UINT64_MAX;
    }
    uint32_t Count() override
    {
        ms::CStore* s;
        ms::CFolder* f = Locate(s);
        return f ? ms::FolderRowCount(*f, m_bAssociated) : 0;
    }
    ms::CPropList Row(uint32_t p_uRow) override
    {
        ms::CStore* s;
        ms::CFolder* f = Locate(s);
        size_t item = 0;
        if (!f || !ms::FolderRowItem(*f, m_bAssociated, p_uRow, item))
            return {};
        return ContentsRow(*s, *f, f->m_vItems[item]);
    }
    ms::CPropList Columns(uint32_t p_uRow, const std::vector<ULONG>& p_cols) override
    {
        ms::CStore* s;
        ms::CFolder* f = Locate(s);
        size_t item = 0;
        if (!f || !ms::FolderRowItem(*f, m_bAssociated, p_uRow, item))
            return {};
        return ContentsColumns(*s, *f, f->m_vItems[item], p_cols);
    }
    ms::COrderPtr Order(const std::vector<ms::CSortKey>& p_keys) override
    {
        ms::CStore* s;
        ms::CFolder* f = Locate(s);
        if (!f)
            return nullptr;
        // Columns a row computes or leaves out are not the items' own: the view sorts built rows.
        for (const ms::CSortKey& k : p_keys)
            if (IsComputedColumn(k.m_ulPropTag))
                return nullptr;
        return ms::FolderOrder(*f, m_bAssociated, p_keys);
    }

  private:
    ms::CFolder* Locate(ms::CStore*& p_s)
    {
        p_s = CProvider::Get().m_file.StoreByUid(m_uid);
        return p_s ? ms::FindFolder(p_s->m_root, m_uId) : nullptr;
    }
    ms::CBytes m_uid;
    uint32_t m_uId;
    bool m_bAssociated;
};

// A search folder's contents: the places of the items its criteria match, found again only when
// the search folder or a folder it searches has changed; a row is built when it is read.
class CSearchSource final : public CTable::CLazySource
{
  public:
    CSearchSource(ms::CBytes p_uid, uint32_t p_uId) : m_uid(std::move(p_uid)), m_uId(p_uId)
    {
    }
    uint64_t Stamp() override
    {
        // Every table call asks: while no folder was marked and nothing in the store changed (the
        // provider's generation moves with every change, unmarked ones too), the last walk holds.
        const uint64_t newest = ms::NewestFolderStamp(), generation = CProvider::Get().Generation();
        if (newest == m_uSeenNewest && generation == m_uSeenGeneration)
            return m_uStamp;
        m_uStamp = Walk();
        m_uSeenNewest = ms::NewestFolderStamp(); // the walk itself may mark a folder
        m_uSeenGeneration = generation;
        return m_uStamp;
    }
    uint64_t Walk()
    {
        ms::CStore* s;
        ms::CFolder* f = Locate(s);
        if (!f)
            return UINT64_MAX;
        // Stamps come from one counter, so any change raises the newest of them; the folder count
        // catches a searched folder that went away.
        uint64_t newest = ms::FolderStamp(*f), folders = 0;
        const bool bRecursive = (f->m_ulSearchFlags & RECURSIVE_SEARCH) != 0;
        std::function<void(ms::CFolder&)> visit = [&](ms::CFolder& p_f) {
            newest = std::max(newest, ms::FolderStamp(p_f));
            ++folders;
            if (bRecursive)
                for (auto& c : p_f.m_vFolders)
                    if (!c->m_bSearch)
                        visit(*c);
        };
        for (uint32_t id : f->m_vSearchFolders)
            if (ms::CFolder* searched = ms::FindFolder(s->m_root, id))
                visit(*searched);
        return newest ^ (folders << 48);
    }
    uint32_t Count() override
    {
        return static_cast<uint32_t>(Hits().size());
    }
    ms::CPropList Row(uint32_t p_uRow) override
    {
        ms::CStore* s;
        ms::CFolder* folder;
        const ms::CItem* item = Item(p_uRow, s, folder);
        return item ? ContentsRow(*s, *folder, *item) : ms::CPropList{};
    }
    ms::CPropList Columns(uint32_t p_uRow, const std::vector<ULONG>& p_cols) override
    {
        ms::CStore* s;
        ms::CFolder* folder;
        const ms::CItem* item = Item(p_uRow, s, folder);
        return item ? ContentsColumns(*s, *folder, *item, p_cols) : ms::CPropList{};
    }
    ms::COrderPtr Order(const std::vector<ms::CSortKey>&) override
    {
        return nullptr; // the view sorts the rows it reads
    }

  private:
    struct CHit
    {
        uint32_t m_uFolder;
        size_t m_uItem;
    };
    ms::CFolder* Locate(ms::CStore*& p_s)
    {
        p_s = CProvider::Get().m_file.StoreByUid(m_uid);
        return p_s ? ms::FindFolder(p_s->m_root, m_uId) : nullptr;
    }
    const std::vector<CHit>& Hits()
    {
        const uint64_t stamp = Stamp();
        if (stamp == m_uHitsStamp)
            return m_vHits;
        m_vHits.clear();
        m_uHitsStamp = stamp;
        ms::CStore* s;
        ms::CFolder* f = Locate(s);
        if (!f)
            return m_vHits;
        std::vector<std::pair<ms::CFolder*, size_t>> items;
        for (uint32_t id : f->m_vSearchFolders)
            if (ms::CFolder* searched = ms::FindFolder(s->m_root, id))
                CollectSearch(*searched, f->m_searchRestriction ? &*f->m_searchRestriction : nullptr,
                              (f->m_ulSearchFlags & RECURSIVE_SEARCH) != 0, items);
        m_vHits.reserve(items.size());
        for (const auto& [folder, index] : items)
            m_vHits.push_back({folder->m_uId, index});
        return m_vHits;
    }
    const ms::CItem* Item(uint32_t p_uRow, ms::CStore*& p_s, ms::CFolder*& p_folder)
    {
        const std::vector<CHit>& hits = Hits();
        if (p_uRow >= hits.size() || !Locate(p_s))
            return nullptr;
        if (!m_pLastFolder || m_pLastFolder->m_uId != hits[p_uRow].m_uFolder || m_uLastStamp != m_uHitsStamp)
        {
            m_pLastFolder = ms::FindFolder(p_s->m_root, hits[p_uRow].m_uFolder);
            m_uLastStamp = m_uHitsStamp;
        }
        p_folder = m_pLastFolder;
        if (!p_folder || hits[p_uRow].m_uItem >= p_folder->m_vItems.size())
            return nullptr;
        return &p_folder->m_vItems[hits[p_uRow].m_uItem];
    }

    ms::CBytes m_uid;
    uint32_t m_uId;
    uint64_t m_uStamp = UINT64_MAX, m_uSeenNewest = UINT64_MAX, m_uSeenGeneration = 0;
    std::vector<CHit> m_vHits;
    uint64_t m_uHitsStamp = UINT64_MAX - 1;
    ms::CFolder* m_pLastFolder = nullptr;
    uint64_t m_uLastStamp = 0;
};
} // namespace

std::shared_ptr<CTable::CLazySource> NewContentsSource(ms::CBytes p_uid, uint32_t p_uId, bool p_bAssociated)
{
    return std::make_shared<CContentsSource>(std::move(p_uid), p_uId, p_bAssociated);
}

std::shared_ptr<CTable::CLazySource> NewSearchSource(ms::CBytes p_uid, uint32_t p_uId)
{
    return std::make_shared<CSearchSource>(std::move(p_uid), p_uId);
}
} // namespace mapiprov
