// standins/mapi/provider/provider_store.cpp: message stores, folders, messages and attachments.
#include "standins/mapi/provider/provider.h"

#include <algorithm>

namespace mapiprov
{
namespace
{
ms::CBytes Uid(const CEntryIdBits& p_bits) { return ms::CBytes(p_bits.m_abUid, p_bits.m_abUid + 16); }

ms::CPropValue Bin(ULONG p_ulTag, ms::CBytes p_b) { return ms::CPropValue::Binary(p_ulTag, std::move(p_b)); }
ms::CPropValue Long(ULONG p_ulTag, int64_t p_i) { return ms::CPropValue::Long(p_ulTag, p_i); }
ms::CPropValue Str(ULONG p_ulTag, std::string p_s)
{
    return ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(p_ulTag)), std::move(p_s));
}

const ms::CBytes& StoreProviderGuid()
{
    static const ms::CBytes s_g = {0xB7, 0x5D, 0x31, 0x4E, 0x42, 0x72, 0x65, 0x76, 0x6F, 0x6C, 0x74, 0x4D, 0x53, 0x00, 0x00, 0x01};
    return s_g;
}

ms::CFolder* ByRole(ms::CStore& p_s, const char* p_szRole) { return ms::FindFolderByRole(p_s.m_root, p_szRole); }

void AddSpecialFolders(ms::CStore& p_s, ms::CPropList& p_props)
{
    const struct
    {
        ULONG m_ulTag;
        const char* m_szRole;
    } special[] = {{PR_IPM_CONTACT_ENTRYID, "contacts"}, {PR_IPM_APPOINTMENT_ENTRYID, "calendar"},
                   {PR_IPM_TASK_ENTRYID, "tasks"},       {PR_IPM_DRAFTS_ENTRYID, "drafts"},
                   {PR_REM_ONLINE_ENTRYID, "reminders"}};
    for (const auto& s : special)
        if (ms::CFolder* f = ByRole(p_s, s.m_szRole))
            ms::SetProp(p_props, Bin(s.m_ulTag, FolderEntryId(p_s, *f)));
}

void AddItemComputed(ms::CStore& p_s, const ms::CFolder& p_f, const ms::CItem& p_item, ms::CPropList& p_props, bool p_bSaved)
{
    if (p_bSaved)
    {
        ms::SetProp(p_props, Bin(PR_ENTRYID, MessageEntryId(p_s, p_item.m_uId)));
        ms::SetProp(p_props, Bin(PR_RECORD_KEY, MessageEntryId(p_s, p_item.m_uId)));
    }
    ms::SetProp(p_props, Bin(PR_PARENT_ENTRYID, FolderEntryId(p_s, p_f)));
    ms::SetProp(p_props, Bin(PR_STORE_ENTRYID, StoreEntryId(p_s)));
    ms::SetProp(p_props, Bin(PR_STORE_RECORD_KEY, p_s.m_uid));
    ms::SetProp(p_props, Long(PR_OBJECT_TYPE, MAPI_MESSAGE));
    ms::SetProp(p_props, Long(PR_HASATTACH, p_item.m_vAttachments.empty() ? 0 : 1));
    int64_t flags = ms::GetLong(p_item.m_props, PR_MESSAGE_FLAGS).value_or(0);
    if (!p_item.m_vAttachments.empty())
        flags |= MSGFLAG_HASATTACH;
    if (p_item.m_bAssociated)
        flags |= MSGFLAG_ASSOCIATED;
    if (!p_item.m_bAssociated || ms::FindProp(p_props, PR_MESSAGE_FLAGS))
        ms::SetProp(p_props, Long(PR_MESSAGE_FLAGS, flags));
    std::string to, cc, bcc;
    for (const auto& r : p_item.m_vRecipients)
    {
        std::string& list = ms::GetLong(r, PR_RECIPIENT_TYPE).value_or(MAPI_TO) == MAPI_CC    ? cc
                            : ms::GetLong(r, PR_RECIPIENT_TYPE).value_or(MAPI_TO) == MAPI_BCC ? bcc
                                                                                              : to;
        list += (list.empty() ? "" : "; ") + ms::GetString(r, PR_DISPLAY_NAME);
    }
    ms::SetProp(p_props, Str(PR_DISPLAY_TO, to));
    ms::SetProp(p_props, Str(PR_DISPLAY_CC, cc));
    ms::SetProp(p_props, Str(PR_DISPLAY_BCC, bcc));
    if (!ms::FindProp(p_props, PR_MESSAGE_CLASS))
        ms::SetProp(p_props, Str(PR_MESSAGE_CLASS, "IPM.Note"));
}

// The messages a search folder shows: every item of the folders it searches (recursively when
// asked) that its criteria match.
void CollectSearch(ms::CFolder& p_f, const ms::CRestriction* p_pRes, bool p_bRecursive, std::vector<std::pair<ms::CFolder*, size_t>>& p_out)
{
    for (size_t i = 0; i < p_f.m_vItems.size(); ++i)
        if (!p_f.m_vItems[i].m_bAssociated && (!p_pRes || ms::Matches(*p_pRes, p_f.m_vItems[i].m_props)))
            p_out.push_back({&p_f, i});
    if (p_bRecursive)
        for (auto& c : p_f.m_vFolders)
            if (!c->m_bSearch)
                CollectSearch(*c, p_pRes, true, p_out);
}

ms::CPropList FolderProps(ms::CStore& p_s, ms::CFolder& p_f)
{
    ms::CPropList props = p_f.m_props;
    ms::SetProp(props, Bin(PR_ENTRYID, FolderEntryId(p_s, p_f)));
    ms::SetProp(props, Bin(PR_RECORD_KEY, FolderEntryId(p_s, p_f)));
    if (ms::CFolder* parent = ms::FindParent(p_s.m_root, p_f.m_uId))
        ms::SetProp(props, Bin(PR_PARENT_ENTRYID, FolderEntryId(p_s, *parent)));
    else
        ms::SetProp(props, Bin(PR_PARENT_ENTRYID, FolderEntryId(p_s, p_f)));
    ms::SetProp(props, Bin(PR_STORE_ENTRYID, StoreEntryId(p_s)));
    ms::SetProp(props, Bin(PR_STORE_RECORD_KEY, p_s.m_uid));
    ms::SetProp(props, Long(PR_OBJECT_TYPE, MAPI_FOLDER));
    ms::SetProp(props, Long(PR_FOLDER_TYPE, p_f.m_sRole == "root" ? FOLDER_ROOT : p_f.m_bSearch ? FOLDER_SEARCH : FOLDER_GENERIC));
    int64_t count = 0, unread = 0, assoc = 0;
    if (p_f.m_bSearch)
    {
        std::vector<std::pair<ms::CFolder*, size_t>> hits;
        for (uint32_t id : p_f.m_vSearchFolders)
            if (ms::CFolder* sf = ms::FindFolder(p_s.m_root, id))
                CollectSearch(*sf, p_f.m_searchRestriction ? &*p_f.m_searchRestriction : nullptr,
                              (p_f.m_ulSearchFlags & RECURSIVE_SEARCH) != 0, hits);
        count = static_cast<int64_t>(hits.size());
    }
    for (const auto& item : p_f.m_vItems)
    {
        if (item.m_bAssociated)
            ++assoc;
        else
        {
            ++count;
            if (!(ms::GetLong(item.m_props, PR_MESSAGE_FLAGS).value_or(0) & MSGFLAG_READ))
                ++unread;
        }
    }
    ms::SetProp(props, Long(PR_CONTENT_COUNT, count));
    ms::SetProp(props, Long(PR_CONTENT_UNREAD, unread));
    ms::SetProp(props, Long(PR_ASSOC_CONTENT_COUNT, assoc));
    ms::SetProp(props, Long(PR_SUBFOLDERS, p_f.m_vFolders.empty() ? 0 : 1));
    ms::SetProp(props, Long(PR_FOLDER_CHILD_COUNT, static_cast<int64_t>(p_f.m_vFolders.size())));
    if (!ms::FindProp(props, PR_DEF_POST_MSGCLASS))
    {
        const std::string cls = ms::GetString(p_f.m_props, PR_CONTAINER_CLASS);
        const char* post = cls == "IPF.Contact" ? "IPM.Contact" : cls == "IPF.Appointment" ? "IPM.Appointment"
                           : cls == "IPF.Task"  ? "IPM.Task" : "IPM.Note";
        ms::SetProp(props, Str(PR_DEF_POST_MSGCLASS, post));
    }
    if (p_f.m_sRole == "root" || p_f.m_sRole == "inbox")
        AddSpecialFolders(p_s, props);
    return props;
}

class CMessage;

class CAttach final : public CPropObject<IAttach>
{
  public:
    CAttach(CMessage* p_pMsg, uint32_t p_ulNum, ms::CPropList p_props);
    ~CAttach() override;
    MAPI_UNKNOWN_IMPL(&IID_IAttachment, &IID_IMAPIProp)

  protected:
    ms::CPropList* Stored() override { return &m_props; }
    void AddComputed(ms::CPropList& p_props) override
    {
        ms::SetProp(p_props, Long(PR_ATTACH_NUM, m_ulNum));
        ms::SetProp(p_props, Long(PR_OBJECT_TYPE, MAPI_ATTACH));
        if (const ms::CPropValue* d = ms::FindProp(m_props, PR_ATTACH_DATA_BIN))
            ms::SetProp(p_props, Long(PR_ATTACH_SIZE, static_cast<int64_t>(d->m_bValue.size())));
    }
    HRESULT Save(ULONG p_ulFlags) override;

  private:
    CMessage* m_pMsg;
    uint32_t m_ulNum;
    ms::CPropList m_props;
};

class CMessage final : public CPropObject<IMessage>
{
  public:
    CMessage(ms::CBytes p_uid, uint32_t p_uFolder, ms::CItem p_item, bool p_bSaved, bool p_bWritable)
        : m_uid(std::move(p_uid)), m_uFolder(p_uFolder), m_item(std::move(p_item)), m_bSaved(p_bSaved), m_bWritable(p_bWritable)
    {
    }
    MAPI_UNKNOWN_IMPL(&IID_IMessage, &IID_IMAPIProp)

    STDMETHODIMP GetAttachmentTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IMessage::GetAttachmentTable", [&]() -> HRESULT {
            AddRef();
            IMessage* self = this;
            auto source = [this, self] {
                std::vector<ms::CPropList> rows;
                for (const auto& a : m_item.m_vAttachments)
                {
                    ms::CPropList r = a;
                    ms::DeleteProp(r, PR_ATTACH_DATA_BIN);
                    if (const ms::CPropValue* d = ms::FindProp(a, PR_ATTACH_DATA_BIN))
                        ms::SetProp(r, Long(PR_ATTACH_SIZE, static_cast<int64_t>(d->m_bValue.size())));
                    rows.push_back(std::move(r));
                }
                return rows;
            };
            // The table reads this object's attachments, so it holds a reference to it.
            HRESULT hr = NewTable(
                [source, keep = std::shared_ptr<IMessage>(self, [](IMessage* p) { p->Release(); })] { return source(); },
                {PR_ATTACH_NUM, PR_INSTANCE_KEY, PR_ATTACH_LONG_FILENAME_A, PR_ATTACH_METHOD, PR_ATTACH_SIZE}, p_ulFlags, p_pp);
            m_ulTableGen = 0;
            return hr;
        });
    }
    STDMETHODIMP OpenAttach(ULONG p_ulNum, LPCIID, ULONG p_ulFlags, LPATTACH* p_pp) override
    {
        return Call("IMessage::OpenAttach", [&]() -> HRESULT {
            if (!p_pp)
                return MAPI_E_INVALID_PARAMETER;
            for (const auto& a : m_item.m_vAttachments)
                if (ms::GetLong(a, PR_ATTACH_NUM) == static_cast<int64_t>(p_ulNum))
                {
                    (void)p_ulFlags;
                    *p_pp = new CAttach(this, p_ulNum, a);
                    return S_OK;
                }
            return MAPI_E_NOT_FOUND;
        });
    }
    STDMETHODIMP CreateAttach(LPCIID, ULONG, ULONG* p_pulNum, LPATTACH* p_pp) override
    {
        return Call("IMessage::CreateAttach", [&]() -> HRESULT {
            if (!p_pulNum || !p_pp)
                return MAPI_E_INVALID_PARAMETER;
            if (!m_bWritable)
                return MAPI_E_NO_ACCESS;
            const uint32_t num = m_ulNextAttach++;
            for (const auto& a : m_item.m_vAttachments)
                m_ulNextAttach = std::max<uint32_t>(m_ulNextAttach, static_cast<uint32_t>(ms::GetLong(a, PR_ATTACH_NUM).value_or(0) + 1));
            *p_pulNum = num;
            *p_pp = new CAttach(this, num, {Long(PR_ATTACH_NUM, num)});
            return S_OK;
        });
    }
    STDMETHODIMP DeleteAttach(ULONG p_ulNum, ULONG, LPMAPIPROGRESS, ULONG) override
    {
        return Call("IMessage::DeleteAttach", [&]() -> HRESULT {
            auto& v = m_item.m_vAttachments;
            const auto it = std::find_if(v.begin(), v.end(), [&](const ms::CPropList& a) {
                return ms::GetLong(a, PR_ATTACH_NUM) == static_cast<int64_t>(p_ulNum);
            });
            if (it == v.end())
                return MAPI_E_NOT_FOUND;
            v.erase(it);
            return S_OK;
        });
    }
    STDMETHODIMP GetRecipientTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IMessage::GetRecipientTable", [&]() -> HRESULT {
            AddRef();
            IMessage* self = this;
            return NewTable([this, keep = std::shared_ptr<IMessage>(self, [](IMessage* p) { p->Release(); })] {
                return m_item.m_vRecipients;
            },
                            {PR_ROWID, PR_DISPLAY_NAME_A, PR_EMAIL_ADDRESS_A, PR_ADDRTYPE_A, PR_RECIPIENT_TYPE, PR_ENTRYID},
                            p_ulFlags, p_pp);
        });
    }
    STDMETHODIMP ModifyRecipients(ULONG p_ulFlags, LPADRLIST p_pMods) override
    {
        return Call("IMessage::ModifyRecipients", [&]() -> HRESULT {
            if (!p_pMods)
                return MAPI_E_INVALID_PARAMETER;
            if (!m_bWritable)
                return MAPI_E_NO_ACCESS;
            auto& recips = m_item.m_vRecipients;
            if (p_ulFlags == 0)
                recips.clear(); // no flag: the list replaces the recipients
            for (ULONG i = 0; i < p_pMods->cEntries; ++i)
            {
                const ADRENTRY& e = p_pMods->aEntries[i];
                ms::CPropList props;
                for (ULONG j = 0; j < e.cValues && e.rgPropVals; ++j)
                {
                    ms::CPropValue v;
                    if (PROP_TYPE(e.rgPropVals[j].ulPropTag) != PT_ERROR && FromSPropValue(e.rgPropVals[j], v))
                        ms::SetProp(props, std::move(v));
                }
                const auto rowid = ms::GetLong(props, PR_ROWID);
                auto find = [&] {
                    return std::find_if(recips.begin(), recips.end(), [&](const ms::CPropList& r) {
                        return rowid && ms::GetLong(r, PR_ROWID) == rowid;
                    });
                };
                if (p_ulFlags & MODRECIP_REMOVE)
                {
                    const auto it = find();
                    if (it == recips.end())
                        return MAPI_E_NOT_FOUND;
                    recips.erase(it);
                }
                else if (p_ulFlags & MODRECIP_MODIFY)
                {
                    const auto it = find();
                    if (it == recips.end())
                        return MAPI_E_NOT_FOUND;
                    *it = std::move(props);
                }
                else
                {
                    ms::SetProp(props, Long(PR_ROWID, m_ulNextRow++));
                    for (const auto& r : recips)
                        m_ulNextRow = std::max<uint32_t>(m_ulNextRow, static_cast<uint32_t>(ms::GetLong(r, PR_ROWID).value_or(0) + 1));
                    recips.push_back(std::move(props));
                }
            }
            return S_OK;
        });
    }
    STDMETHODIMP SubmitMessage(ULONG) override
    {
        return Call("IMessage::SubmitMessage", [&]() -> HRESULT {
            if (m_item.m_vRecipients.empty())
                return MAPI_E_NO_RECIPIENTS;
            int64_t flags = ms::GetLong(m_item.m_props, PR_MESSAGE_FLAGS).value_or(0);
            flags = (flags | MSGFLAG_SUBMIT | MSGFLAG_FROMME) & ~static_cast<int64_t>(MSGFLAG_UNSENT);
            ms::SetProp(m_item.m_props, Long(PR_MESSAGE_FLAGS, flags));
            FILETIME ft;
            GetSystemTimeAsFileTime(&ft);
            ms::SetProp(m_item.m_props, Long(PR_CLIENT_SUBMIT_TIME, static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime)));
            HRESULT hr = Save(KEEP_OPEN_READONLY);
            if (FAILED(hr))
                return hr;
            m_bWritable = false;
            QueueSubmission(m_uid, m_item.m_uId);
            return S_OK;
        });
    }
    STDMETHODIMP SetReadFlag(ULONG p_ulFlags) override
    {
        return Call("IMessage::SetReadFlag", [&]() -> HRESULT {
            int64_t flags = ms::GetLong(m_item.m_props, PR_MESSAGE_FLAGS).value_or(0);
            flags = (p_ulFlags & CLEAR_READ_FLAG) ? (flags & ~static_cast<int64_t>(MSGFLAG_READ)) : (flags | MSGFLAG_READ);
            ms::SetProp(m_item.m_props, Long(PR_MESSAGE_FLAGS, flags));
            // The read state is stored at once, without SaveChanges.
            if (ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid))
                if (ms::CItem* it = ms::FindItem(s->m_root, m_item.m_uId).Item())
                    ms::SetProp(it->m_props, Long(PR_MESSAGE_FLAGS, flags));
            CProvider::Get().Changed();
            return S_OK;
        });
    }

    // The working copy the attachment objects write into.
    void PutAttachment(uint32_t p_ulNum, ms::CPropList p_props)
    {
        for (auto& a : m_item.m_vAttachments)
            if (ms::GetLong(a, PR_ATTACH_NUM) == static_cast<int64_t>(p_ulNum))
            {
                a = std::move(p_props);
                return;
            }
        m_item.m_vAttachments.push_back(std::move(p_props));
    }
    bool IsWritable() const { return m_bWritable; }

  protected:
    ms::CPropList* Stored() override { return &m_item.m_props; }
    bool Writable() override { return m_bWritable; }
    void AddComputed(ms::CPropList& p_props) override
    {
        ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid);
        ms::CFolder* f = s ? ms::FindFolder(s->m_root, m_uFolder) : nullptr;
        if (s && f)
            AddItemComputed(*s, *f, m_item, p_props, m_bSaved);
    }
    bool IsComputedTag(ULONG p_ulTag) override
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
        case PROP_ID(PR_DISPLAY_TO):
        case PROP_ID(PR_DISPLAY_CC):
        case PROP_ID(PR_DISPLAY_BCC):
            return true;
        default:
            return false;
        }
    }
    HRESULT Save(ULONG p_ulFlags) override
    {
        if (!m_bWritable)
            return MAPI_E_NO_ACCESS;
        CProvider& prov = CProvider::Get();
        ms::CStore* s = prov.m_file.StoreByUid(m_uid);
        ms::CFolder* f = s ? ms::FindFolder(s->m_root, m_uFolder) : nullptr;
        if (!f)
            return MAPI_E_OBJECT_DELETED;
        ms::CItemRef ref = ms::FindItem(s->m_root, m_item.m_uId);
        const bool bNew = ref.Item() == nullptr;
        if (bNew)
            f->m_vItems.push_back(m_item);
        else
            *ref.Item() = m_item;
        m_bSaved = true;
        prov.Changed();
        prov.Save();
        QueueObjectEvent(bNew ? fnevObjectCreated : fnevObjectModified, m_uid, MessageEntryId(*s, m_item.m_uId),
                         MAPI_MESSAGE, FolderEntryId(*s, *f));
        if (!(p_ulFlags & (KEEP_OPEN_READWRITE | KEEP_OPEN_READONLY)))
            m_bWritable = true; // the object may be used again; a further save writes again
        if (p_ulFlags & KEEP_OPEN_READONLY)
            m_bWritable = false;
        return S_OK;
    }

  private:
    ms::CBytes m_uid;
    uint32_t m_uFolder;
    ms::CItem m_item;
    bool m_bSaved;
    bool m_bWritable;
    uint32_t m_ulNextAttach = 0;
    uint32_t m_ulNextRow = 0;
    uint64_t m_ulTableGen = 0;
};

CAttach::CAttach(CMessage* p_pMsg, uint32_t p_ulNum, ms::CPropList p_props) : m_pMsg(p_pMsg), m_ulNum(p_ulNum), m_props(std::move(p_props))
{
    m_pMsg->AddRef();
}
CAttach::~CAttach() { m_pMsg->Release(); }
HRESULT CAttach::Save(ULONG)
{
    if (!m_pMsg->IsWritable())
        return MAPI_E_NO_ACCESS;
    ms::CPropList props = m_props;
    ms::SetProp(props, Long(PR_ATTACH_NUM, m_ulNum));
    if (!ms::FindProp(props, PR_ATTACH_METHOD))
        ms::SetProp(props, Long(PR_ATTACH_METHOD, ATTACH_BY_VALUE));
    m_pMsg->PutAttachment(m_ulNum, std::move(props));
    return S_OK;
}

class CFolder final : public CPropObject<IMAPIFolder>
{
  public:
    CFolder(ms::CBytes p_uid, uint32_t p_uId) : m_uid(std::move(p_uid)), m_uId(p_uId) {}
    MAPI_UNKNOWN_IMPL(&IID_IMAPIFolder, &IID_IMAPIContainer, &IID_IMAPIProp)

    STDMETHODIMP GetContentsTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IMAPIFolder::GetContentsTable", [&]() -> HRESULT {
            ms::CStore* s;
            ms::CFolder* f;
            if (!Locate(s, f))
                return MAPI_E_OBJECT_DELETED;
            const bool bAssoc = (p_ulFlags & MAPI_ASSOCIATED) != 0;
            return NewTable(
                [uid = m_uid, id = m_uId, bAssoc] {
                    std::vector<ms::CPropList> rows;
                    ms::CStore* st = CProvider::Get().m_file.StoreByUid(uid);
                    ms::CFolder* fo = st ? ms::FindFolder(st->m_root, id) : nullptr;
                    if (!fo)
                        return rows;
                    std::vector<std::pair<ms::CFolder*, size_t>> items;
                    if (fo->m_bSearch && !bAssoc)
                    {
                        for (uint32_t sid : fo->m_vSearchFolders)
                            if (ms::CFolder* sf = ms::FindFolder(st->m_root, sid))
                                CollectSearch(*sf, fo->m_searchRestriction ? &*fo->m_searchRestriction : nullptr,
                                              (fo->m_ulSearchFlags & RECURSIVE_SEARCH) != 0, items);
                    }
                    else
                        for (size_t i = 0; i < fo->m_vItems.size(); ++i)
                            if (fo->m_vItems[i].m_bAssociated == bAssoc)
                                items.push_back({fo, i});
                    for (auto& [folder, i] : items)
                    {
                        const ms::CItem& item = folder->m_vItems[i];
                        ms::CPropList r = item.m_props;
                        ms::DeleteProp(r, PR_BODY);
                        ms::DeleteProp(r, PR_RTF_COMPRESSED);
                        AddItemComputed(*st, *folder, item, r, true);
                        ms::SetProp(r, Bin(PR_INSTANCE_KEY, MessageEntryId(*st, item.m_uId)));
                        rows.push_back(std::move(r));
                    }
                    return rows;
                },
                {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_SUBJECT_A, PR_MESSAGE_CLASS_A, PR_INSTANCE_KEY}, p_ulFlags, p_pp);
        });
    }
    STDMETHODIMP GetHierarchyTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IMAPIFolder::GetHierarchyTable", [&]() -> HRESULT {
            const bool bDeep = (p_ulFlags & CONVENIENT_DEPTH) != 0;
            return NewTable(
                [uid = m_uid, id = m_uId, bDeep] {
                    std::vector<ms::CPropList> rows;
                    ms::CStore* st = CProvider::Get().m_file.StoreByUid(uid);
                    ms::CFolder* fo = st ? ms::FindFolder(st->m_root, id) : nullptr;
                    std::function<void(ms::CFolder&, int)> walk = [&](ms::CFolder& p_f, int p_iDepth) {
                        for (auto& c : p_f.m_vFolders)
                        {
                            ms::CPropList r = FolderProps(*st, *c);
                            ms::SetProp(r, Long(PR_DEPTH, p_iDepth));
                            ms::SetProp(r, Bin(PR_INSTANCE_KEY, FolderEntryId(*st, *c)));
                            rows.push_back(std::move(r));
                            if (bDeep)
                                walk(*c, p_iDepth + 1);
                        }
                    };
                    if (fo)
                        walk(*fo, 1);
                    return rows;
                },
                {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_CONTAINER_CLASS_A, PR_FOLDER_CHILD_COUNT, PR_DEPTH, PR_INSTANCE_KEY},
                p_ulFlags, p_pp);
        });
    }
    STDMETHODIMP OpenEntry(ULONG p_cb, LPENTRYID p_pEid, LPCIID p_iid, ULONG p_ulFlags, ULONG* p_pType, LPUNKNOWN* p_pp) override
    {
        return Call("IMAPIFolder::OpenEntry", [&]() -> HRESULT {
            (void)p_iid;
            if (!p_pType || !p_pp)
                return MAPI_E_INVALID_PARAMETER;
            if (p_cb == 0)
            {
                AddRef();
                *p_pType = MAPI_FOLDER;
                *p_pp = static_cast<IMAPIFolder*>(this);
                return S_OK;
            }
            CEntryIdBits bits;
            if (!ParseEntryId(p_cb, p_pEid, bits))
                return MAPI_E_INVALID_ENTRYID;
            return OpenStoreEntry(bits, p_ulFlags, p_pType, p_pp);
        });
    }
    STDMETHODIMP SetSearchCriteria(LPSRestriction p_pRes, LPENTRYLIST p_pFolders, ULONG p_ulFlags) override
    {
        return Call("IMAPIFolder::SetSearchCriteria", [&]() -> HRESULT {
            ms::CStore* s;
            ms::CFolder* f;
            if (!Locate(s, f))
                return MAPI_E_OBJECT_DELETED;
            if (!f->m_bSearch)
                return MAPI_E_NO_SUPPORT;
            if (p_pRes)
            {
                ms::CRestriction r;
                if (!FromSRestriction(p_pRes, r))
                    return MAPI_E_TOO_COMPLEX;
                f->m_searchRestriction = std::move(r);
            }
            if (p_pFolders)
            {
                std::vector<uint32_t> ids;
                for (ULONG i = 0; i < p_pFolders->cValues; ++i)
                {
                    CEntryIdBits bits;
                    if (!ParseEntryId(p_pFolders->lpbin[i].cb, p_pFolders->lpbin[i].lpb, bits) || bits.m_ulKind != kKindFolder ||
                        Uid(bits) != m_uid || !ms::FindFolder(s->m_root, bits.m_ulId))
                        return MAPI_E_INVALID_ENTRYID;
                    ids.push_back(bits.m_ulId);
                }
                f->m_vSearchFolders = std::move(ids);
            }
            if (!f->m_searchRestriction || f->m_vSearchFolders.empty())
                return MAPI_E_INVALID_PARAMETER; // a first search needs both criteria and folders
            f->m_ulSearchFlags = p_ulFlags & RECURSIVE_SEARCH;
            CProvider::Get().Changed();
            CProvider::Get().Save();
            return S_OK;
        });
    }
    STDMETHODIMP GetSearchCriteria(ULONG, LPSRestriction* p_ppRes, LPENTRYLIST* p_ppList, ULONG* p_pState) override
    {
        return Call("IMAPIFolder::GetSearchCriteria", [&]() -> HRESULT {
            ms::CStore* s;
            ms::CFolder* f;
            if (!Locate(s, f))
                return MAPI_E_OBJECT_DELETED;
            if (!f->m_bSearch)
                return MAPI_E_NO_SUPPORT;
            if (!f->m_searchRestriction)
                return MAPI_E_NOT_INITIALIZED;
            if (p_pState)
                *p_pState = SEARCH_RUNNING | ((f->m_ulSearchFlags & RECURSIVE_SEARCH) ? SEARCH_RECURSIVE : 0);
            if (p_ppRes)
            {
                *p_ppRes = nullptr;
                LPSRestriction r = nullptr;
                if (FAILED(MAPIAllocateBuffer(sizeof(SRestriction), reinterpret_cast<void**>(&r))))
                    return MAPI_E_NOT_ENOUGH_MEMORY;
                HRESULT hr = ToSRestriction(*f->m_searchRestriction, r, *r);
                if (FAILED(hr))
                {
                    MAPIFreeBuffer(r);
                    return hr;
                }
                *p_ppRes = r;
            }
            if (p_ppList)
            {
                LPENTRYLIST l = nullptr;
                if (FAILED(MAPIAllocateBuffer(sizeof(ENTRYLIST), reinterpret_cast<void**>(&l))))
                    return MAPI_E_NOT_ENOUGH_MEMORY;
                l->cValues = static_cast<ULONG>(f->m_vSearchFolders.size());
                MAPIAllocateMore(static_cast<ULONG>(sizeof(SBinary) * (l->cValues + 1)), l, reinterpret_cast<void**>(&l->lpbin));
                for (ULONG i = 0; i < l->cValues; ++i)
                {
                    ms::CFolder* sf = ms::FindFolder(s->m_root, f->m_vSearchFolders[i]);
                    const ms::CBytes eid = sf ? FolderEntryId(*s, *sf) : ms::CBytes();
                    LPENTRYID e = nullptr;
                    (void)CopyBytesOut(eid, &l->lpbin[i].cb, &e, l);
                    l->lpbin[i].lpb = reinterpret_cast<LPBYTE>(e);
                }
                *p_ppList = l;
            }
            return S_OK;
        });
    }
    STDMETHODIMP CreateMessage(LPCIID, ULONG p_ulFlags, LPMESSAGE* p_pp) override
    {
        return Call("IMAPIFolder::CreateMessage", [&]() -> HRESULT {
            ms::CStore* s;
            ms::CFolder* f;
            if (!p_pp)
                return MAPI_E_INVALID_PARAMETER;
            if (!Locate(s, f))
                return MAPI_E_OBJECT_DELETED;
            if (f->m_bSearch)
                return MAPI_E_NO_SUPPORT;
            ms::CItem item;
            item.m_uId = CProvider::Get().m_file.NewId();
            item.m_bAssociated = (p_ulFlags & MAPI_ASSOCIATED) != 0;
            ms::SetProp(item.m_props, Long(PR_MESSAGE_FLAGS, MSGFLAG_UNSENT | MSGFLAG_READ));
            *p_pp = new CMessage(m_uid, m_uId, std::move(item), false, true);
            return S_OK;
        });
    }
    STDMETHODIMP CopyMessages(LPENTRYLIST p_pList, LPCIID, LPVOID p_pDest, ULONG, LPMAPIPROGRESS, ULONG p_ulFlags) override
    {
        return Call("IMAPIFolder::CopyMessages", [&]() -> HRESULT {
            ms::CStore* s;
            ms::CFolder* f;
            if (!p_pList || !p_pDest)
                return MAPI_E_INVALID_PARAMETER;
            if (!Locate(s, f))
                return MAPI_E_OBJECT_DELETED;
            auto* dest = dynamic_cast<CFolder*>(static_cast<IMAPIFolder*>(p_pDest));
            ms::CStore* ds;
            ms::CFolder* df;
            if (!dest || !dest->Locate(ds, df) || df->m_bSearch)
                return MAPI_E_NO_SUPPORT;
            const bool bMove = (p_ulFlags & MESSAGE_MOVE) != 0;
            bool bPartial = false;
            for (ULONG i = 0; i < p_pList->cValues; ++i)
            {
                CEntryIdBits bits;
                ms::CItemRef ref;
                if (ParseEntryId(p_pList->lpbin[i].cb, p_pList->lpbin[i].lpb, bits) && bits.m_ulKind == kKindMessage)
                    ref = ms::FindItem(s->m_root, bits.m_ulId);
                if (!ref.Item() || ref.m_pFolder != f)
                {
                    bPartial = true;
                    continue;
                }
                ms::CItem copy = *ref.Item();
                const ms::CBytes oldEid = MessageEntryId(*s, copy.m_uId);
                if (bMove)
                    f->m_vItems.erase(f->m_vItems.begin() + static_cast<ptrdiff_t>(ref.m_nIndex));
                else
                    copy.m_uId = CProvider::Get().m_file.NewId();
                const uint32_t newId = copy.m_uId;
                df->m_vItems.push_back(std::move(copy));
                QueueObjectEvent(bMove ? fnevObjectMoved : fnevObjectCopied, ds->m_uid, MessageEntryId(*ds, newId), MAPI_MESSAGE,
                                 FolderEntryId(*ds, *df), oldEid, FolderEntryId(*s, *f));
            }
            CProvider::Get().Changed();
            CProvider::Get().Save();
            return bPartial ? MAPI_W_PARTIAL_COMPLETION : S_OK;
        });
    }
    STDMETHODIMP DeleteMessages(LPENTRYLIST p_pList, ULONG, LPMAPIPROGRESS, ULONG) override
    {
        return Call("IMAPIFolder::DeleteMessages", [&]() -> HRESULT {
            ms::CStore* s;
            ms::CFolder* f;
            if (!p_pList)
                return MAPI_E_INVALID_PARAMETER;
            if (!Locate(s, f))
                return MAPI_E_OBJECT_DELETED;
            bool bPartial = false;
            for (ULONG i = 0; i < p_pList->cValues; ++i)
            {
                CEntryIdBits bits;
                if (!ParseEntryId(p_pList->lpbin[i].cb, p_pList->lpbin[i].lpb, bits) || bits.m_ulKind != kKindMessage)
                {
                    bPartial = true;
                    continue;
                }
                const auto it = std::find_if(f->m_vItems.begin(), f->m_vItems.end(), [&](const ms::CItem& m) { return m.m_uId == bits.m_ulId; });
                if (it == f->m_vItems.end())
                {
                    bPartial = true;
                    continue;
                }
                f->m_vItems.erase(it);
                QueueObjectEvent(fnevObjectDeleted, m_uid, MessageEntryId(*s, bits.m_ulId), MAPI_MESSAGE, FolderEntryId(*s, *f));
            }
            CProvider::Get().Changed();
            CProvider::Get().Save();
            return bPartial ? MAPI_W_PARTIAL_COMPLETION : S_OK;
        });
    }
    STDMETHODIMP CreateFolder(ULONG p_ulType, LPTSTR p_szName, LPTSTR, LPCIID, ULONG p_ulFlags, LPMAPIFOLDER* p_pp) override
    {
        return Call("IMAPIFolder::CreateFolder", [&]() -> HRESULT {
            ms::CStore* s;
            ms::CFolder* f;
            if (!p_pp || !p_szName)
                return MAPI_E_INVALID_PARAMETER;
            if (!Locate(s, f))
                return MAPI_E_OBJECT_DELETED;
            const std::string name = ArgString(p_szName, (p_ulFlags & MAPI_UNICODE) != 0);
            if (name.empty())
                return MAPI_E_INVALID_PARAMETER;
            for (auto& c : f->m_vFolders)
                if (ms::GetString(c->m_props, PR_DISPLAY_NAME) == name)
                {
                    if (!(p_ulFlags & OPEN_IF_EXISTS))
                        return MAPI_E_COLLISION;
                    *p_pp = new CFolder(m_uid, c->m_uId);
                    return S_OK;
                }
            auto nf = std::make_unique<ms::CFolder>();
            nf->m_uId = CProvider::Get().m_file.NewId();
            nf->m_bSearch = p_ulType == FOLDER_SEARCH;
            ms::SetProp(nf->m_props, Str(PR_DISPLAY_NAME, name));
            const uint32_t id = nf->m_uId;
            f->m_vFolders.push_back(std::move(nf));
            CProvider::Get().Changed();
            CProvider::Get().Save();
            QueueObjectEvent(fnevObjectCreated, m_uid, FolderEntryId(*s, *f->m_vFolders.back()), MAPI_FOLDER, FolderEntryId(*s, *f));
            *p_pp = new CFolder(m_uid, id);
            return S_OK;
        });
    }
    STDMETHODIMP CopyFolder(ULONG, LPENTRYID, LPCIID, LPVOID, LPTSTR, ULONG, LPMAPIPROGRESS, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP DeleteFolder(ULONG p_cb, LPENTRYID p_pEid, ULONG, LPMAPIPROGRESS, ULONG p_ulFlags) override
    {
        return Call("IMAPIFolder::DeleteFolder", [&]() -> HRESULT {
            ms::CStore* s;
            ms::CFolder* f;
            CEntryIdBits bits;
            if (!Locate(s, f))
                return MAPI_E_OBJECT_DELETED;
            if (!ParseEntryId(p_cb, p_pEid, bits) || bits.m_ulKind != kKindFolder)
                return MAPI_E_INVALID_ENTRYID;
            const auto it = std::find_if(f->m_vFolders.begin(), f->m_vFolders.end(), [&](const auto& c) { return c->m_uId == bits.m_ulId; });
            if (it == f->m_vFolders.end())
                return MAPI_E_NOT_FOUND;
            if (!(*it)->m_sRole.empty())
                return MAPI_E_NO_ACCESS; // the standard folders stay
            if (!(p_ulFlags & DEL_FOLDERS) && !(*it)->m_vFolders.empty())
                return MAPI_E_HAS_FOLDERS;
            if (!(p_ulFlags & DEL_MESSAGES) && !(*it)->m_vItems.empty())
                return MAPI_E_HAS_MESSAGES;
            const ms::CBytes eid = FolderEntryId(*s, **it);
            f->m_vFolders.erase(it);
            CProvider::Get().Changed();
            CProvider::Get().Save();
            QueueObjectEvent(fnevObjectDeleted, m_uid, eid, MAPI_FOLDER, FolderEntryId(*s, *f));
            return S_OK;
        });
    }
    STDMETHODIMP SetReadFlags(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP GetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP SetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP SaveContentsSort(LPSSortOrderSet, ULONG) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP EmptyFolder(ULONG, LPMAPIPROGRESS, ULONG) override { return MAPI_E_NO_SUPPORT; }

    bool Locate(ms::CStore*& p_s, ms::CFolder*& p_f)
    {
        p_s = CProvider::Get().m_file.StoreByUid(m_uid);
        p_f = p_s ? ms::FindFolder(p_s->m_root, m_uId) : nullptr;
        return p_f != nullptr;
    }

  protected:
    ms::CPropList* Stored() override
    {
        ms::CStore* s;
        ms::CFolder* f;
        return Locate(s, f) ? &f->m_props : nullptr;
    }
    void AddComputed(ms::CPropList& p_props) override
    {
        ms::CStore* s;
        ms::CFolder* f;
        if (!Locate(s, f))
            return;
        const ms::CPropList all = FolderProps(*s, *f);
        for (const auto& v : all)
            if (!ms::FindProp(f->m_props, PROP_TAG(PT_UNSPECIFIED, PROP_ID(v.m_ulTag))))
                ms::SetProp(p_props, v);
    }
    bool IsComputedTag(ULONG p_ulTag) override
    {
        return PROP_ID(p_ulTag) != PROP_ID(PR_DEF_POST_MSGCLASS) && CPropObject<IMAPIFolder>::IsComputedTag(p_ulTag);
    }
    void Touched() override
    {
        CProvider::Get().Changed();
    }
    HRESULT Save(ULONG) override
    {
        // Folder properties are not transacted; SaveChanges persists them.
        ms::CStore* s;
        ms::CFolder* f;
        if (!Locate(s, f))
            return MAPI_E_OBJECT_DELETED;
        CProvider::Get().Save();
        QueueObjectEvent(fnevObjectModified, m_uid, FolderEntryId(*s, *f), MAPI_FOLDER, {});
        return S_OK;
    }

  private:
    static HRESULT ToSRestriction(const ms::CRestriction& p_r, void* p_pParent, SRestriction& p_out)
    {
        memset(&p_out, 0, sizeof p_out);
        auto value = [&](const ms::CPropValue& v, ULONG tag, LPSPropValue& out) -> HRESULT {
            if (FAILED(MAPIAllocateMore(sizeof(SPropValue), p_pParent, reinterpret_cast<void**>(&out))))
                return MAPI_E_NOT_ENOUGH_MEMORY;
            return ToSPropValue(v, tag, false, p_pParent, *out);
        };
        switch (p_r.m_kind)
        {
        case ms::CRestriction::And:
        case ms::CRestriction::Or:
        case ms::CRestriction::Not: {
            p_out.rt = p_r.m_kind == ms::CRestriction::And ? RES_AND : p_r.m_kind == ms::CRestriction::Or ? RES_OR : RES_NOT;
            LPSRestriction kids = nullptr;
            if (FAILED(MAPIAllocateMore(static_cast<ULONG>(sizeof(SRestriction) * (p_r.m_children.size() + 1)), p_pParent,
                                        reinterpret_cast<void**>(&kids))))
                return MAPI_E_NOT_ENOUGH_MEMORY;
            for (size_t i = 0; i < p_r.m_children.size(); ++i)
                if (HRESULT hr = ToSRestriction(p_r.m_children[i], p_pParent, kids[i]); FAILED(hr))
                    return hr;
            if (p_out.rt == RES_NOT)
                p_out.res.resNot.lpRes = kids;
            else
            {
                p_out.res.resAnd.cRes = static_cast<ULONG>(p_r.m_children.size());
                p_out.res.resAnd.lpRes = kids;
            }
            return S_OK;
        }
        case ms::CRestriction::Exist:
            p_out.rt = RES_EXIST;
            p_out.res.resExist.ulPropTag = p_r.m_ulPropTag;
            return S_OK;
        case ms::CRestriction::Property:
            p_out.rt = RES_PROPERTY;
            p_out.res.resProperty.relop = p_r.m_ulRelop;
            p_out.res.resProperty.ulPropTag = p_r.m_ulPropTag;
            return value(p_r.m_value, p_r.m_ulPropTag, p_out.res.resProperty.lpProp);
        case ms::CRestriction::Content:
            p_out.rt = RES_CONTENT;
            p_out.res.resContent.ulFuzzyLevel = p_r.m_ulFuzzy;
            p_out.res.resContent.ulPropTag = p_r.m_ulPropTag;
            return value(p_r.m_value, p_r.m_ulPropTag, p_out.res.resContent.lpProp);
        case ms::CRestriction::BitMask:
            p_out.rt = RES_BITMASK;
            p_out.res.resBitMask.relBMR = p_r.m_ulRelop;
            p_out.res.resBitMask.ulPropTag = p_r.m_ulPropTag;
            p_out.res.resBitMask.ulMask = p_r.m_ulMask;
            return S_OK;
        case ms::CRestriction::CompareProps:
            p_out.rt = RES_COMPAREPROPS;
            p_out.res.resCompareProps.relop = p_r.m_ulRelop;
            p_out.res.resCompareProps.ulPropTag1 = p_r.m_ulPropTag;
            p_out.res.resCompareProps.ulPropTag2 = p_r.m_ulPropTag2;
            return S_OK;
        }
        return MAPI_E_TOO_COMPLEX;
    }

    ms::CBytes m_uid;
    uint32_t m_uId;
};

class CMsgStore final : public CPropObject<IMsgStore>
{
  public:
    explicit CMsgStore(ms::CBytes p_uid) : m_uid(std::move(p_uid)) {}
    ~CMsgStore() override
    {
        std::lock_guard<std::recursive_mutex> lock(Lock());
        for (ULONG c : m_vConnections)
            RemoveAdvise(c);
    }
    MAPI_UNKNOWN_IMPL(&IID_IMsgStore, &IID_IMAPIProp)

    STDMETHODIMP Advise(ULONG p_cb, LPENTRYID p_pEid, ULONG p_ulMask, LPMAPIADVISESINK p_pSink, ULONG* p_pConn) override
    {
        return Call("IMsgStore::Advise", [&]() -> HRESULT {
            if (!p_pSink || !p_pConn || p_ulMask == 0)
                return MAPI_E_INVALID_PARAMETER;
            ms::CBytes filter;
            if (p_cb)
            {
                CEntryIdBits bits;
                if (!ParseEntryId(p_cb, p_pEid, bits) || Uid(bits) != m_uid)
                    return MAPI_E_INVALID_ENTRYID;
                filter.assign(reinterpret_cast<const uint8_t*>(p_pEid), reinterpret_cast<const uint8_t*>(p_pEid) + p_cb);
                if (bits.m_ulKind == kKindStore)
                    filter.clear();
            }
            *p_pConn = AddAdvise(m_uid, std::move(filter), p_ulMask, p_pSink);
            m_vConnections.push_back(*p_pConn);
            return S_OK;
        });
    }
    STDMETHODIMP Unadvise(ULONG p_ulConn) override
    {
        return Call("IMsgStore::Unadvise", [&]() -> HRESULT {
            const auto it = std::find(m_vConnections.begin(), m_vConnections.end(), p_ulConn);
            if (it == m_vConnections.end())
                return MAPI_E_NOT_FOUND;
            m_vConnections.erase(it);
            RemoveAdvise(p_ulConn);
            return S_OK;
        });
    }
    STDMETHODIMP CompareEntryIDs(ULONG p_cb1, LPENTRYID p_p1, ULONG p_cb2, LPENTRYID p_p2, ULONG, ULONG* p_pResult) override
    {
        return Call("IMsgStore::CompareEntryIDs", [&]() -> HRESULT {
            CEntryIdBits a, b;
            if (!p_pResult)
                return MAPI_E_INVALID_PARAMETER;
            if (!ParseEntryId(p_cb1, p_p1, a) || !ParseEntryId(p_cb2, p_p2, b))
                return MAPI_E_UNKNOWN_ENTRYID;
            // The flags bytes do not take part: short- and long-term ids of one object are equal.
            *p_pResult = memcmp(a.m_abUid, b.m_abUid, sizeof(CEntryIdBits) - 4) == 0;
            return S_OK;
        });
    }
    STDMETHODIMP OpenEntry(ULONG p_cb, LPENTRYID p_pEid, LPCIID, ULONG p_ulFlags, ULONG* p_pType, LPUNKNOWN* p_pp) override
    {
        return Call("IMsgStore::OpenEntry", [&]() -> HRESULT {
            if (!p_pType || !p_pp)
                return MAPI_E_INVALID_PARAMETER;
            ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid);
            if (!s)
                return MAPI_E_OBJECT_DELETED;
            if (p_cb == 0)
            {
                *p_pType = MAPI_FOLDER; // no entry id: the root folder
                *p_pp = static_cast<IMAPIFolder*>(new CFolder(m_uid, s->m_root.m_uId));
                return S_OK;
            }
            CEntryIdBits bits;
            if (!ParseEntryId(p_cb, p_pEid, bits) || Uid(bits) != m_uid)
                return MAPI_E_INVALID_ENTRYID;
            return OpenStoreEntry(bits, p_ulFlags, p_pType, p_pp);
        });
    }
    STDMETHODIMP SetReceiveFolder(LPTSTR, ULONG, ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP GetReceiveFolder(LPTSTR p_szClass, ULONG p_ulFlags, ULONG* p_pcb, LPENTRYID* p_pp, LPTSTR* p_pszExplicit) override
    {
        return Call("IMsgStore::GetReceiveFolder", [&]() -> HRESULT {
            if (!p_pcb || !p_pp)
                return MAPI_E_INVALID_PARAMETER;
            ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid);
            ms::CFolder* inbox = s ? ByRole(*s, "inbox") : nullptr;
            if (!inbox)
                return MAPI_E_NOT_FOUND;
            HRESULT hr = CopyBytesOut(FolderEntryId(*s, *inbox), p_pcb, p_pp);
            if (FAILED(hr))
                return hr;
            if (p_pszExplicit)
            {
                // Every class is received in the Inbox, which is the folder of the class "" (and of "IPM").
                (void)p_szClass;
                const bool bUnicode = (p_ulFlags & MAPI_UNICODE) != 0;
                void* p = nullptr;
                MAPIAllocateMore(bUnicode ? sizeof(wchar_t) : 1, *p_pp, &p);
                memset(p, 0, bUnicode ? sizeof(wchar_t) : 1);
                *p_pszExplicit = static_cast<LPTSTR>(p);
            }
            return S_OK;
        });
    }
    STDMETHODIMP GetReceiveFolderTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP StoreLogoff(ULONG* p_pFlags) override
    {
        if (p_pFlags)
            *p_pFlags = LOGOFF_NO_WAIT;
        return S_OK;
    }
    STDMETHODIMP AbortSubmit(ULONG p_cb, LPENTRYID p_pEid, ULONG) override
    {
        return Call("IMsgStore::AbortSubmit", [&]() -> HRESULT {
            CEntryIdBits bits;
            if (!ParseEntryId(p_cb, p_pEid, bits) || bits.m_ulKind != kKindMessage || Uid(bits) != m_uid)
                return MAPI_E_INVALID_ENTRYID;
            return AbortSubmission(m_uid, bits.m_ulId) ? S_OK : MAPI_E_NOT_IN_QUEUE;
        });
    }
    STDMETHODIMP GetOutgoingQueue(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP SetLockState(LPMESSAGE, ULONG) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP FinishedMsg(ULONG, ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP NotifyNewMail(LPNOTIFICATION) override { return MAPI_E_NO_SUPPORT; }

  protected:
    ms::CPropList* Stored() override
    {
        ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid);
        return s ? &s->m_props : nullptr;
    }
    void AddComputed(ms::CPropList& p_props) override
    {
        ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid);
        if (!s)
            return;
        ms::SetProp(p_props, Bin(PR_ENTRYID, StoreEntryId(*s)));
        ms::SetProp(p_props, Bin(PR_STORE_ENTRYID, StoreEntryId(*s)));
        ms::SetProp(p_props, Bin(PR_RECORD_KEY, s->m_uid));
        ms::SetProp(p_props, Bin(PR_STORE_RECORD_KEY, s->m_uid));
        ms::SetProp(p_props, Bin(PR_MDB_PROVIDER, StoreProviderGuid()));
        ms::SetProp(p_props, Long(PR_OBJECT_TYPE, MAPI_STORE));
        ms::SetProp(p_props, Long(PR_DEFAULT_STORE, s->m_bDefault ? 1 : 0));
        ms::SetProp(p_props, Long(PR_STORE_SUPPORT_MASK, STORE_ENTRYID_UNIQUE | STORE_MODIFY_OK | STORE_CREATE_OK |
                                                             STORE_ATTACH_OK | STORE_SUBMIT_OK | STORE_NOTIFY_OK |
                                                             STORE_SEARCH_OK | STORE_RESTRICTION_OK | STORE_SORT_OK |
                                                             STORE_UNICODE_OK));
        const struct
        {
            ULONG m_ulTag;
            const char* m_szRole;
        } folders[] = {{PR_IPM_SUBTREE_ENTRYID, "ipm_subtree"}, {PR_IPM_OUTBOX_ENTRYID, "outbox"},
                       {PR_IPM_SENTMAIL_ENTRYID, "sent"},        {PR_IPM_WASTEBASKET_ENTRYID, "deleted"},
                       {PR_FINDER_ENTRYID, "finder"}};
        for (const auto& f : folders)
            if (ms::CFolder* fo = ByRole(*s, f.m_szRole))
                ms::SetProp(p_props, Bin(f.m_ulTag, FolderEntryId(*s, *fo)));
    }
    HRESULT Save(ULONG) override
    {
        CProvider::Get().Save();
        return S_OK;
    }

  private:
    ms::CBytes m_uid;
    std::vector<ULONG> m_vConnections;
};
} // namespace

ms::CBytes StoreEntryId(const ms::CStore& p_store) { return MakeEntryId(p_store.m_uid, kKindStore, 0); }
ms::CBytes FolderEntryId(const ms::CStore& p_store, const ms::CFolder& p_f) { return MakeEntryId(p_store.m_uid, kKindFolder, p_f.m_uId); }
ms::CBytes MessageEntryId(const ms::CStore& p_store, uint32_t p_uId) { return MakeEntryId(p_store.m_uid, kKindMessage, p_uId); }

HRESULT OpenStore(const ms::CBytes& p_uid, IMsgStore** p_pp)
{
    if (!CProvider::Get().m_file.StoreByUid(p_uid))
        return MAPI_E_NOT_FOUND;
    *p_pp = new CMsgStore(p_uid);
    return S_OK;
}

bool LocateFolder(const CEntryIdBits& p_bits, ms::CStore*& p_store, ms::CFolder*& p_folder)
{
    p_store = CProvider::Get().m_file.StoreByUid(Uid(p_bits));
    p_folder = p_store && p_bits.m_ulKind == kKindFolder ? ms::FindFolder(p_store->m_root, p_bits.m_ulId) : nullptr;
    return p_folder != nullptr;
}

HRESULT OpenStoreEntry(const CEntryIdBits& p_bits, ULONG p_ulFlags, ULONG* p_pulType, IUnknown** p_pp)
{
    const ms::CBytes uid = Uid(p_bits);
    ms::CStore* s = CProvider::Get().m_file.StoreByUid(uid);
    if (!s)
        return MAPI_E_NOT_FOUND;
    switch (p_bits.m_ulKind)
    {
    case kKindStore: {
        IMsgStore* store = nullptr;
        HRESULT hr = OpenStore(uid, &store);
        if (SUCCEEDED(hr))
        {
            *p_pulType = MAPI_STORE;
            *p_pp = store;
        }
        return hr;
    }
    case kKindFolder:
        if (!ms::FindFolder(s->m_root, p_bits.m_ulId))
            return MAPI_E_NOT_FOUND;
        *p_pulType = MAPI_FOLDER;
        *p_pp = static_cast<IMAPIFolder*>(new CFolder(uid, p_bits.m_ulId));
        return S_OK;
    case kKindMessage: {
        ms::CItemRef ref = ms::FindItem(s->m_root, p_bits.m_ulId);
        if (!ref.Item())
            return MAPI_E_NOT_FOUND;
        // A submitted message is the spooler's until it has left.
        const bool bSubmitted = (ms::GetLong(ref.Item()->m_props, PR_MESSAGE_FLAGS).value_or(0) & MSGFLAG_SUBMIT) != 0;
        const bool bWrite = (p_ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0 && !bSubmitted;
        if ((p_ulFlags & MAPI_MODIFY) && bSubmitted)
            return MAPI_E_NO_ACCESS;
        *p_pulType = MAPI_MESSAGE;
        *p_pp = static_cast<IMessage*>(new CMessage(uid, ref.m_pFolder->m_uId, *ref.Item(), true, bWrite));
        return S_OK;
    }
    default:
        return MAPI_E_INVALID_ENTRYID;
    }
}

uint32_t DeliverToInbox(ms::CItem p_item)
{
    CProvider& prov = CProvider::Get();
    ms::CStore* s = prov.m_file.DefaultStore();
    ms::CFolder* inbox = s ? ByRole(*s, "inbox") : nullptr;
    if (!inbox)
        return 0;
    p_item.m_uId = prov.m_file.NewId();
    const uint32_t id = p_item.m_uId;
    const std::string cls = ms::GetString(p_item.m_props, PR_MESSAGE_CLASS, "IPM.Note");
    const ULONG flags = static_cast<ULONG>(ms::GetLong(p_item.m_props, PR_MESSAGE_FLAGS).value_or(0));
    inbox->m_vItems.push_back(std::move(p_item));
    prov.Changed();
    prov.Save();
    QueueObjectEvent(fnevObjectCreated, s->m_uid, MessageEntryId(*s, id), MAPI_MESSAGE, FolderEntryId(*s, *inbox));
    QueueNewMail(s->m_uid, MessageEntryId(*s, id), FolderEntryId(*s, *inbox), cls, flags);
    return id;
}
} // namespace mapiprov
