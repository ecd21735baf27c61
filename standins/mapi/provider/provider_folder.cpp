// standins/mapi/provider/provider_folder.cpp: folders: contents and hierarchy tables, search
// folders, creating, copying and deleting messages and subfolders.
#include "standins/mapi/provider/provider_contents.h"
#include "standins/mapi/provider/provider_store_objects.h"
#include "standins/mapi/store/folder_index.h"

#include <algorithm>
#include <cstring>

namespace mapiprov
{
namespace
{
void AddSpecialFolders(ms::CStore& p_s, ms::CPropList& p_props)
{
    const struct
    {
        ULONG m_ulTag;
        const char* m_szRole;
    } special[] = {{PR_IPM_CONTACT_ENTRYID, "contacts"},
                   {PR_IPM_APPOINTMENT_ENTRYID, "calendar"},
                   {PR_IPM_TASK_ENTRYID, "tasks"},
                   {PR_IPM_DRAFTS_ENTRYID, "drafts"},
                   {PR_REM_ONLINE_ENTRYID, "reminders"}};
    for (const auto& s : special)
        if (ms::CFolder* f = ByRole(p_s, s.m_szRole))
            ms::SetProp(p_props, Bin(s.m_ulTag, FolderEntryId(p_s, *f)));
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
    ms::SetProp(props, Long(PR_FOLDER_TYPE, p_f.m_sRole == "root" ? FOLDER_ROOT
                                            : p_f.m_bSearch       ? FOLDER_SEARCH
                                                                  : FOLDER_GENERIC));
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
        const char* post = cls == "IPF.Contact"       ? "IPM.Contact"
                           : cls == "IPF.Appointment" ? "IPM.Appointment"
                           : cls == "IPF.Task"        ? "IPM.Task"
                                                      : "IPM.Note";
        ms::SetProp(props, Str(PR_DEF_POST_MSGCLASS, post));
    }
    if (p_f.m_sRole == "root" || p_f.m_sRole == "inbox")
        AddSpecialFolders(p_s, props);
    return props;
}

class CFolder final : public CPropObject<IMAPIFolder>
{
  public:
    CFolder(ms::CBytes p_uid, uint32_t p_uId) : m_uid(std::move(p_uid)), m_uId(p_uId)
    {
    }
    MAPI_UNKNOWN_IMPL(&IID_IMAPIFolder, &IID_IMAPIContainer, &IID_IMAPIProp)
    bool MarshalTarget(CMarshalTarget& p_target) override
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        ms::CStore* s;
        ms::CFolder* f;
        if (!Locate(s, f))
            return false;
        p_target.m_kind = EMarshalKind::Entry;
        p_target.m_vEntry = FolderEntryId(*s, *f);
        p_target.m_bWritable = true;
        return true;
    }

    STDMETHODIMP GetContentsTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IMAPIFolder::GetContentsTable", [&]() -> HRESULT {
            ms::CStore* s;
            ms::CFolder* f;
            if (!Locate(s, f))
                return MAPI_E_OBJECT_DELETED;
            const bool bAssoc = (p_ulFlags & MAPI_ASSOCIATED) != 0;
            const std::vector<ULONG> cols = {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_SUBJECT_A, PR_MESSAGE_CLASS_A,
                                             PR_INSTANCE_KEY};
            if (!f->m_bSearch || bAssoc)
                return NewTable(NewContentsSource(m_uid, m_uId, bAssoc), cols, p_ulFlags, p_pp);
            return NewTable(NewSearchSource(m_uid, m_uId), cols, p_ulFlags, p_pp);
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
    STDMETHODIMP OpenEntry(ULONG p_cb, LPENTRYID p_pEid, LPCIID p_iid, ULONG p_ulFlags, ULONG* p_pType,
                           LPUNKNOWN* p_pp) override
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
                    if (!ParseEntryId(p_pFolders->lpbin[i].cb, p_pFolders->lpbin[i].lpb, bits) ||
                        bits.m_ulKind != kKindFolder || Uid(bits) != m_uid || !ms::FindFolder(s->m_root, bits.m_ulId))
                        return MAPI_E_INVALID_ENTRYID;
                    ids.push_back(bits.m_ulId);
                }
                f->m_vSearchFolders = std::move(ids);
            }
            if (!f->m_searchRestriction || f->m_vSearchFolders.empty())
                return MAPI_E_INVALID_PARAMETER; // a first search needs both criteria and folders
            f->m_ulSearchFlags = p_ulFlags & RECURSIVE_SEARCH;
            ms::MarkFolderChanged(*f); // open contents tables find their items again
            CProvider::Get().Changed();
            (void)CProvider::Get().Save(); // a failure is logged; the change stays in memory
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
                unique_own_buffer<SRestriction> r;
                if (FAILED(MAPIAllocateBuffer(sizeof(SRestriction), reinterpret_cast<void**>(r.put()))))
                    return MAPI_E_NOT_ENOUGH_MEMORY;
                RETURN_IF_FAILED(ToSRestriction(*f->m_searchRestriction, r.get(), *r.get()));
                *p_ppRes = r.release();
            }
            if (p_ppList)
            {
                unique_own_buffer<ENTRYLIST> list;
                if (FAILED(MAPIAllocateBuffer(sizeof(ENTRYLIST), reinterpret_cast<void**>(list.put()))))
                    return MAPI_E_NOT_ENOUGH_MEMORY;
                LPENTRYLIST l = list.get();
                l->cValues = static_cast<ULONG>(f->m_vSearchFolders.size());
                if (FAILED(MAPIAllocateMore(static_cast<ULONG>(sizeof(SBinary) * (l->cValues + 1)), l,
                                            reinterpret_cast<void**>(&l->lpbin))))
                    return MAPI_E_NOT_ENOUGH_MEMORY;
                for (ULONG i = 0; i < l->cValues; ++i)
                {
                    ms::CFolder* sf = ms::FindFolder(s->m_root, f->m_vSearchFolders[i]);
                    const ms::CBytes eid = sf ? FolderEntryId(*s, *sf) : ms::CBytes();
                    LPENTRYID e = nullptr;
                    (void)CopyBytesOut(eid, &l->lpbin[i].cb, &e, l);
                    l->lpbin[i].lpb = reinterpret_cast<LPBYTE>(e);
                }
                *p_ppList = list.release();
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
            *p_pp = NewMessage(m_uid, m_uId, std::move(item), false, true);
            return S_OK;
        });
    }
    STDMETHODIMP CopyMessages(LPENTRYLIST p_pList, LPCIID, LPVOID p_pDest, ULONG, LPMAPIPROGRESS,
                              ULONG p_ulFlags) override
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
                ms::MarkFolderChanged(*f);
                ms::MarkFolderChanged(*df);
                QueueObjectEvent(bMove ? fnevObjectMoved : fnevObjectCopied, ds->m_uid, MessageEntryId(*ds, newId),
                                 MAPI_MESSAGE, FolderEntryId(*ds, *df), oldEid, FolderEntryId(*s, *f));
            }
            CProvider::Get().Changed();
            (void)CProvider::Get().Save(); // a failure is logged; the change stays in memory
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
                const auto it = std::find_if(f->m_vItems.begin(), f->m_vItems.end(),
                                             [&](const ms::CItem& m) { return m.m_uId == bits.m_ulId; });
                if (it == f->m_vItems.end())
                {
                    bPartial = true;
                    continue;
                }
                f->m_vItems.erase(it);
                ms::MarkFolderChanged(*f);
                QueueObjectEvent(fnevObjectDeleted, m_uid, MessageEntryId(*s, bits.m_ulId), MAPI_MESSAGE,
                                 FolderEntryId(*s, *f));
            }
            CProvider::Get().Changed();
            (void)CProvider::Get().Save(); // a failure is logged; the change stays in memory
            return bPartial ? MAPI_W_PARTIAL_COMPLETION : S_OK;
        });
    }
    STDMETHODIMP CreateFolder(ULONG p_ulType, LPTSTR p_szName, LPTSTR, LPCIID, ULONG p_ulFlags,
                              LPMAPIFOLDER* p_pp) override
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
            (void)CProvider::Get().Save(); // a failure is logged; the change stays in memory
            QueueObjectEvent(fnevObjectCreated, m_uid, FolderEntryId(*s, *f->m_vFolders.back()), MAPI_FOLDER,
                             FolderEntryId(*s, *f));
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
            const auto it = std::find_if(f->m_vFolders.begin(), f->m_vFolders.end(),
                                         [&](const auto& c) { return c->m_uId == bits.m_ulId; });
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
            (void)CProvider::Get().Save(); // a failure is logged; the change stays in memory
            QueueObjectEvent(fnevObjectDeleted, m_uid, eid, MAPI_FOLDER, FolderEntryId(*s, *f));
            return S_OK;
        });
    }
    STDMETHODIMP SetReadFlags(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP SetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG, ULONG*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP SaveContentsSort(LPSSortOrderSet, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP EmptyFolder(ULONG, LPMAPIPROGRESS, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }

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
        if (!CProvider::Get().Save())
            return MAPI_E_DISK_ERROR;
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
            p_out.rt = p_r.m_kind == ms::CRestriction::And  ? RES_AND
                       : p_r.m_kind == ms::CRestriction::Or ? RES_OR
                                                            : RES_NOT;
            LPSRestriction kids = nullptr;
            if (FAILED(MAPIAllocateMore(static_cast<ULONG>(sizeof(SRestriction) * (p_r.m_children.size() + 1)),
                                        p_pParent, reinterpret_cast<void**>(&kids))))
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
} // namespace

IMAPIFolder* NewFolder(const ms::CBytes& p_uid, uint32_t p_uId)
{
    return new CFolder(p_uid, p_uId);
}
} // namespace mapiprov
