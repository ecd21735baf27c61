// standins/mapi/provider/provider_message.cpp: messages with their recipients and attachments,
// worked on as a copy that SaveChanges puts into the store.
#include "standins/mapi/provider/provider_store_objects.h"
#include "standins/mapi/store/folder_index.h"

#include <algorithm>

namespace mapiprov
{
void AddItemComputed(ms::CStore& p_s, const ms::CFolder& p_f, const ms::CItem& p_item, ms::CPropList& p_props,
                     bool p_bSaved)
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

namespace
{
class CMessage;

class CAttach final : public CPropObject<IAttach>
{
  public:
    CAttach(CMessage* p_pMsg, uint32_t p_ulNum, ms::CPropList p_props);
    ~CAttach() override;
    MAPI_UNKNOWN_IMPL(&IID_IAttachment, &IID_IMAPIProp)

  protected:
    ms::CPropList* Stored() override
    {
        return &m_props;
    }
    void AddComputed(ms::CPropList& p_props) override
    {
        ms::SetProp(p_props, Long(PR_ATTACH_NUM, m_ulNum));
        ms::SetProp(p_props, Long(PR_OBJECT_TYPE, MAPI_ATTACH));
        if (const ms::CPropValue* d = ms::FindProp(m_props, PR_ATTACH_DATA_BIN))
            ms::SetProp(p_props, Long(PR_ATTACH_SIZE, static_cast<int64_t>(d->m_bValue.size())));
    }
    HRESULT Save(ULONG p_ulFlags) override;

  private:
    com_ptr<CMessage> m_pMsg; // the message whose working copy the attachment writes into
    uint32_t m_ulNum;
    ms::CPropList m_props;
};

class CMessage final : public CPropObject<IMessage>
{
  public:
    CMessage(ms::CBytes p_uid, uint32_t p_uFolder, ms::CItem p_item, bool p_bSaved, bool p_bWritable)
        : m_uid(std::move(p_uid)), m_uFolder(p_uFolder), m_item(std::move(p_item)), m_bSaved(p_bSaved),
          m_bWritable(p_bWritable)
    {
    }
    MAPI_UNKNOWN_IMPL(&IID_IMessage, &IID_IMAPIProp)
    // Only a saved message is in the file the other process reads; it sees what was saved.
    bool MarshalTarget(CMarshalTarget& p_target) override
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        const ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid);
        if (!m_bSaved || !s)
            return false;
        p_target.m_kind = EMarshalKind::Entry;
        p_target.m_vEntry = MessageEntryId(*s, m_item.m_uId);
        p_target.m_bWritable = m_bWritable;
        return true;
    }

    STDMETHODIMP GetAttachmentTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IMessage::GetAttachmentTable", [&]() -> HRESULT {
            auto source = [this] {
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
            HRESULT hr =
                NewTable([source, keep = com_ptr<IMessage>::copy_from(this)] { return source(); },
                         {PR_ATTACH_NUM, PR_INSTANCE_KEY, PR_ATTACH_LONG_FILENAME_A, PR_ATTACH_METHOD, PR_ATTACH_SIZE},
                         p_ulFlags, p_pp);
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
                m_ulNextAttach = std::max<uint32_t>(
                    m_ulNextAttach, static_cast<uint32_t>(ms::GetLong(a, PR_ATTACH_NUM).value_or(0) + 1));
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
            // The table reads this object's recipients, so it holds a reference to it.
            return NewTable(
                [this, keep = com_ptr<IMessage>::copy_from(this)] { return m_item.m_vRecipients; },
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
                        m_ulNextRow = std::max<uint32_t>(
                            m_ulNextRow, static_cast<uint32_t>(ms::GetLong(r, PR_ROWID).value_or(0) + 1));
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
            ms::SetProp(m_item.m_props, Long(PR_CLIENT_SUBMIT_TIME,
                                             static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) |
                                                                  ft.dwLowDateTime)));
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
            flags =
                (p_ulFlags & CLEAR_READ_FLAG) ? (flags & ~static_cast<int64_t>(MSGFLAG_READ)) : (flags | MSGFLAG_READ);
            ms::SetProp(m_item.m_props, Long(PR_MESSAGE_FLAGS, flags));
            // The read state is stored at once, without SaveChanges.
            if (ms::CStore* s = CProvider::Get().m_file.StoreByUid(m_uid))
                if (ms::CItemRef ref = ms::FindItem(s->m_root, m_item.m_uId); ref.Item())
                {
                    ms::SetProp(ref.Item()->m_props, Long(PR_MESSAGE_FLAGS, flags));
                    ms::MarkFolderChanged(*ref.m_pFolder);
                }
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
    bool IsWritable() const
    {
        return m_bWritable;
    }

  protected:
    ms::CPropList* Stored() override
    {
        return &m_item.m_props;
    }
    bool Writable() override
    {
        return m_bWritable;
    }
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
        const uint64_t ulBefore = prov.Generation();
        const uint32_t uFolder = bNew ? f->m_uId : ref.m_pFolder->m_uId;
        if (bNew)
            f->m_vItems.push_back(m_item);
        else
            *ref.Item() = m_item;
        ms::MarkFolderChanged(bNew ? *f : *ref.m_pFolder);
        m_bSaved = true;
        prov.Changed();
        QueueObjectEvent(bNew ? fnevObjectCreated : fnevObjectModified, m_uid, MessageEntryId(*s, m_item.m_uId),
                         MAPI_MESSAGE, FolderEntryId(*s, *f));
        // The message is in the store the session sees either way; the caller hears when it could
        // not be kept on disk, and may save again.
        if (!prov.SaveItem(*s, uFolder, m_item, ulBefore))
            return MAPI_E_DISK_ERROR;
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

CAttach::CAttach(CMessage* p_pMsg, uint32_t p_ulNum, ms::CPropList p_props)
    : m_pMsg(com_ptr<CMessage>::copy_from(p_pMsg)), m_ulNum(p_ulNum), m_props(std::move(p_props))
{
}
CAttach::~CAttach() = default;
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
} // namespace

IMessage* NewMessage(ms::CBytes p_uid, uint32_t p_uFolder, ms::CItem p_item, bool p_bSaved, bool p_bWritable)
{
    return new CMessage(std::move(p_uid), p_uFolder, std::move(p_item), p_bSaved, p_bWritable);
}
} // namespace mapiprov
