// standins/mapi/provider/prop_object_impl.h: the IMAPIProp methods every stand-in object shares.
#pragma once

#include "standins/mapi/provider/provider.h"

namespace mapiprov
{
template <typename I> bool CPropObject<I>::IsComputedTag(ULONG p_ulTag)
{
    ms::CPropList computed;
    AddComputed(computed);
    return ms::FindProp(computed, PROP_TAG(PT_UNSPECIFIED, PROP_ID(p_ulTag))) != nullptr;
}

template <typename I>
STDMETHODIMP CPropObject<I>::GetProps(LPSPropTagArray p_pTags, ULONG p_ulFlags, ULONG* p_pc, LPSPropValue* p_pp)
{
    return Call("IMAPIProp::GetProps", [&]() -> HRESULT {
        if (!p_pc || !p_pp)
            return MAPI_E_INVALID_PARAMETER;
        *p_pc = 0;
        *p_pp = nullptr;
        const bool bUnicode = (p_ulFlags & MAPI_UNICODE) != 0;
        const ms::CPropList props = AllProps();
        std::vector<ULONG> tags;
        if (p_pTags)
            tags.assign(p_pTags->aulPropTag, p_pTags->aulPropTag + p_pTags->cValues);
        else
            for (const auto& v : props)
                tags.push_back(PROP_TAG(PT_UNSPECIFIED, PROP_ID(v.m_ulTag)));
        if (tags.empty())
            return p_pTags ? MAPI_E_INVALID_PARAMETER : S_OK;
        LPSPropValue out = nullptr;
        if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * tags.size()),
                                      reinterpret_cast<void**>(&out))))
            return MAPI_E_NOT_ENOUGH_MEMORY;
        bool bErrors = false;
        for (size_t i = 0; i < tags.size(); ++i)
        {
            const ms::CPropValue* v = ms::FindProp(props, tags[i]);
            if (!v || FAILED(ToSPropValue(*v, tags[i], bUnicode, out, out[i])))
            {
                out[i].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(tags[i]));
                out[i].dwAlignPad = 0;
                out[i].Value.err = MAPI_E_NOT_FOUND;
                bErrors = true;
            }
        }
        *p_pc = static_cast<ULONG>(tags.size());
        *p_pp = out;
        return bErrors ? MAPI_W_ERRORS_RETURNED : S_OK;
    });
}

template <typename I> STDMETHODIMP CPropObject<I>::GetPropList(ULONG p_ulFlags, LPSPropTagArray* p_pp)
{
    return Call("IMAPIProp::GetPropList", [&]() -> HRESULT {
        if (!p_pp)
            return MAPI_E_INVALID_PARAMETER;
        std::vector<ULONG> tags;
        for (const auto& v : AllProps())
        {
            ULONG t = v.m_ulTag;
            if (ms::IsStringType(PROP_TYPE(t)))
                t = PROP_TAG(((p_ulFlags & MAPI_UNICODE) ? PT_UNICODE : PT_STRING8) | (PROP_TYPE(t) & MV_FLAG),
                             PROP_ID(t));
            tags.push_back(t);
        }
        return AllocTagArray(tags, p_pp);
    });
}

template <typename I>
STDMETHODIMP CPropObject<I>::SetProps(ULONG p_c, LPSPropValue p_pv, LPSPropProblemArray* p_ppProblems)
{
    return Call("IMAPIProp::SetProps", [&]() -> HRESULT {
        if (p_ppProblems)
            *p_ppProblems = nullptr;
        if (p_c && !p_pv)
            return MAPI_E_INVALID_PARAMETER;
        ms::CPropList* stored = Stored();
        if (!stored || !Writable())
            return MAPI_E_NO_ACCESS;
        std::vector<std::pair<ULONG, SCODE>> problems;
        for (ULONG i = 0; i < p_c; ++i)
        {
            const ULONG t = p_pv[i].ulPropTag;
            ms::CPropValue v;
            if (PROP_TYPE(t) == PT_ERROR || PROP_TYPE(t) == PT_NULL)
                continue; // documented as ignored
            if (PROP_ID(t) == 0 || IsComputedTag(t))
                problems.push_back({t, MAPI_E_COMPUTED});
            else if (!FromSPropValue(p_pv[i], v))
                problems.push_back({t, MAPI_E_BAD_VALUE});
            else
                ms::SetProp(*stored, std::move(v));
        }
        Touched();
        if (p_ppProblems && !problems.empty())
        {
            LPSPropProblemArray pa = nullptr;
            if (SUCCEEDED(MAPIAllocateBuffer(CbNewSPropProblemArray(problems.size()), reinterpret_cast<void**>(&pa))))
            {
                pa->cProblem = static_cast<ULONG>(problems.size());
                for (size_t i = 0; i < problems.size(); ++i)
                    pa->aProblem[i] = {static_cast<ULONG>(i), problems[i].first, problems[i].second};
                *p_ppProblems = pa;
            }
        }
        return S_OK;
    });
}

template <typename I>
STDMETHODIMP CPropObject<I>::DeleteProps(LPSPropTagArray p_pTags, LPSPropProblemArray* p_ppProblems)
{
    return Call("IMAPIProp::DeleteProps", [&]() -> HRESULT {
        if (p_ppProblems)
            *p_ppProblems = nullptr;
        if (!p_pTags)
            return MAPI_E_INVALID_PARAMETER;
        ms::CPropList* stored = Stored();
        if (!stored || !Writable())
            return MAPI_E_NO_ACCESS;
        for (ULONG i = 0; i < p_pTags->cValues; ++i)
            if (!IsComputedTag(p_pTags->aulPropTag[i]))
                ms::DeleteProp(*stored, p_pTags->aulPropTag[i]);
        Touched();
        return S_OK;
    });
}

template <typename I>
HRESULT CPropObject<I>::OpenProp(ULONG p_ulTag, LPCIID p_iid, ULONG p_ulOpts, ULONG p_ulFlags, LPUNKNOWN* p_pp)
{
    (void)p_ulOpts;
    if (!p_iid || !p_pp)
        return MAPI_E_INVALID_PARAMETER;
    *p_pp = nullptr;
    if (*p_iid != IID_IStream)
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    const ULONG type = PROP_TYPE(p_ulTag);
    if (type != PT_BINARY && type != PT_STRING8 && type != PT_UNICODE)
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    ms::CPropList* stored = Stored();
    const ms::CPropList all = AllProps();
    const ms::CPropValue* v = ms::FindProp(all, p_ulTag);
    const bool bCreate = (p_ulFlags & MAPI_CREATE) != 0, bModify = (p_ulFlags & MAPI_MODIFY) != 0;
    if (!v && !bCreate)
        return MAPI_E_NOT_FOUND;
    if ((bCreate || bModify) && (!stored || !Writable()))
        return MAPI_E_NO_ACCESS;
    ms::CBytes data;
    if (v && !(bCreate && !bModify))
    {
        if (type == PT_BINARY)
            data = v->m_bValue;
        else if (type == PT_STRING8)
        {
            const std::string a = AnsiFromUtf8(v->m_sValue);
            data.assign(a.begin(), a.end());
        }
        else
        {
            const std::wstring w = WideFromUtf8(v->m_sValue);
            const auto* p = reinterpret_cast<const uint8_t*>(w.data());
            data.assign(p, p + w.size() * sizeof(wchar_t));
        }
    }
    std::function<HRESULT(const ms::CBytes&)> onCommit;
    com_ptr<IUnknown> owner;
    if (bCreate || bModify)
    {
        // The stream writes back through this object, which stays alive while the stream does.
        owner = com_ptr<IUnknown>::copy_from(static_cast<I*>(this));
        auto* self = this;
        onCommit = [self, p_ulTag, type](const ms::CBytes& p_b) {
            std::lock_guard<CStoreMutex> lock(Lock());
            ms::CPropValue nv;
            if (type == PT_BINARY)
                nv = ms::CPropValue::Binary(PROP_TAG(PT_BINARY, PROP_ID(p_ulTag)), p_b);
            else if (type == PT_STRING8)
                nv = ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(p_ulTag)),
                                            Utf8FromAnsi(std::string(p_b.begin(), p_b.end()).c_str()));
            else
            {
                std::wstring w(p_b.size() / sizeof(wchar_t), L'\0');
                memcpy(w.data(), p_b.data(), w.size() * sizeof(wchar_t));
                nv = ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(p_ulTag)), Utf8FromWide(w.c_str()));
            }
            if (ms::CPropList* s = self->Stored())
                ms::SetProp(*s, std::move(nv));
            self->Touched();
            return S_OK;
        };
    }
    IStream* stream = nullptr;
    RETURN_IF_FAILED(NewMemoryStream(std::move(data), onCommit, std::move(owner), &stream));
    *p_pp = stream;
    return S_OK;
}

template <typename I>
STDMETHODIMP CPropObject<I>::GetNamesFromIDs(LPSPropTagArray* p_ppTags, LPGUID p_pGuid, ULONG p_ulFlags, ULONG* p_pc,
                                             LPMAPINAMEID** p_ppp)
{
    (void)p_ulFlags;
    return Call("IMAPIProp::GetNamesFromIDs", [&]() -> HRESULT {
        if (!p_ppTags || !p_pc || !p_ppp)
            return MAPI_E_INVALID_PARAMETER;
        ms::CStoreFile& file = CProvider::Get().m_file;
        std::vector<ULONG> tags;
        if (*p_ppTags)
            tags.assign((*p_ppTags)->aulPropTag, (*p_ppTags)->aulPropTag + (*p_ppTags)->cValues);
        else
        {
            for (size_t i = 0; i < file.m_vNames.size(); ++i)
            {
                const auto& n = file.m_vNames[i];
                if (p_pGuid && memcmp(n.m_guid.data(), p_pGuid, 16) != 0)
                    continue;
                tags.push_back(PROP_TAG(PT_UNSPECIFIED, ms::kFirstNamedId + i));
            }
            HRESULT hr = AllocTagArray(tags, p_ppTags);
            if (FAILED(hr))
                return hr;
        }
        LPMAPINAMEID* names = nullptr;
        if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(sizeof(LPMAPINAMEID) * (tags.size() + 1)),
                                      reinterpret_cast<void**>(&names))))
            return MAPI_E_NOT_ENOUGH_MEMORY;
        bool bErrors = false;
        for (size_t i = 0; i < tags.size(); ++i)
        {
            names[i] = nullptr;
            const ms::CNamedProp* n = file.NameOfId(PROP_ID(tags[i]));
            if (!n)
            {
                bErrors = true;
                continue;
            }
            MAPINAMEID* id = nullptr;
            GUID* guid = nullptr;
            MAPIAllocateMore(sizeof(MAPINAMEID), names, reinterpret_cast<void**>(&id));
            MAPIAllocateMore(sizeof(GUID), names, reinterpret_cast<void**>(&guid));
            memcpy(guid, n->m_guid.data(), 16);
            id->lpguid = guid;
            if (n->m_bString)
            {
                const std::wstring w = WideFromUtf8(n->m_sName);
                wchar_t* s = nullptr;
                MAPIAllocateMore(static_cast<ULONG>((w.size() + 1) * sizeof(wchar_t)), names,
                                 reinterpret_cast<void**>(&s));
                memcpy(s, w.c_str(), (w.size() + 1) * sizeof(wchar_t));
                id->ulKind = MNID_STRING;
                id->Kind.lpwstrName = s;
            }
            else
            {
                id->ulKind = MNID_ID;
                id->Kind.lID = static_cast<LONG>(n->m_ulLid);
            }
            names[i] = id;
        }
        *p_pc = static_cast<ULONG>(tags.size());
        *p_ppp = names;
        return bErrors ? MAPI_W_ERRORS_RETURNED : S_OK;
    });
}

template <typename I>
STDMETHODIMP CPropObject<I>::GetIDsFromNames(ULONG p_c, LPMAPINAMEID* p_pp, ULONG p_ulFlags, LPSPropTagArray* p_ppTags)
{
    return Call("IMAPIProp::GetIDsFromNames", [&]() -> HRESULT {
        if (!p_ppTags || (p_c && !p_pp))
            return MAPI_E_INVALID_PARAMETER;
        ms::CStoreFile& file = CProvider::Get().m_file;
        std::vector<ULONG> tags;
        bool bErrors = false;
        if (!p_pp)
            for (size_t i = 0; i < file.m_vNames.size(); ++i)
                tags.push_back(PROP_TAG(PT_UNSPECIFIED, ms::kFirstNamedId + i));
        for (ULONG i = 0; p_pp && i < p_c; ++i)
        {
            const MAPINAMEID* n = p_pp[i];
            ms::CNamedProp name;
            if (!n || !n->lpguid || (n->ulKind != MNID_ID && n->ulKind != MNID_STRING) ||
                (n->ulKind == MNID_STRING && !n->Kind.lpwstrName))
            {
                tags.push_back(PROP_TAG(PT_ERROR, 0));
                bErrors = true;
                continue;
            }
            name.m_guid.assign(reinterpret_cast<const uint8_t*>(n->lpguid),
                               reinterpret_cast<const uint8_t*>(n->lpguid) + 16);
            name.m_bString = n->ulKind == MNID_STRING;
            if (name.m_bString)
                name.m_sName = Utf8FromWide(n->Kind.lpwstrName);
            else
                name.m_ulLid = static_cast<uint32_t>(n->Kind.lID);
            const uint32_t id = file.IdOfName(name, (p_ulFlags & MAPI_CREATE) != 0);
            if (id == 0)
                bErrors = true;
            tags.push_back(id ? PROP_TAG(PT_UNSPECIFIED, id) : PROP_TAG(PT_ERROR, 0));
        }
        const HRESULT hr = AllocTagArray(tags, p_ppTags);
        if (FAILED(hr))
            return hr;
        return bErrors ? MAPI_W_ERRORS_RETURNED : S_OK;
    });
}
} // namespace mapiprov
