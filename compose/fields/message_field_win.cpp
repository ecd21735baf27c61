// compose/fields/message_field_win.cpp: the message field family's text, tokens, files and clipboard.
#include "compose/fields/message_field_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/handle_win.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/fields/body_text.h"
#include "compose/fields/clipboard_win.h"
#include "compose/quillet_process_win.h"
#include "compose/quillet_strings.h"

#include <richole.h>

#include <algorithm>

namespace
{
// What stands for a token in a serialised text; readers ignore its value.
constexpr char kPlaceholder = '\x01';

// A copy of p_pData in movable memory for a storage medium, which its receiver frees.
HGLOBAL GlobalCopy(const void* p_pData, size_t p_nSize)
{
    unique_hglobal global(GlobalAlloc(GMEM_MOVEABLE, p_nSize > 0 ? p_nSize : 1));
    if (!global)
        return nullptr;
    void* target = GlobalLock(global.get());
    if (target == nullptr)
        return nullptr;
    if (p_nSize > 0)
        memcpy(target, p_pData, p_nSize);
    GlobalUnlock(global.get());
    return global.release();
}

// A snapshot of a copied range: the field's own format and the same range as text.
class CFieldDataObject final : public IDataObject
{
  public:
    CFieldDataObject(UINT p_uFormat, std::string p_sSerialised, std::string p_sText)
        : m_uFormat(p_uFormat), m_sSerialised(std::move(p_sSerialised)), m_sText(std::move(p_sText))
    {
        m_wsText = AnsiToWide(m_sText);
    }

    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (p_ppv == nullptr)
            return E_POINTER;
        *p_ppv = nullptr;
        if (!IsEqualIID(p_riid, IID_IUnknown) && !IsEqualIID(p_riid, IID_IDataObject))
            return E_NOINTERFACE;
        *p_ppv = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return m_oRefs.AddRef();
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        return m_oRefs.Release(this, "CFieldDataObject::Release");
    }

    STDMETHODIMP GetData(FORMATETC* p_pFormat, STGMEDIUM* p_pMedium) override
    {
        return TrapExceptions("CFieldDataObject::GetData", E_UNEXPECTED, [&]() -> HRESULT {
            if (p_pFormat == nullptr || p_pMedium == nullptr)
                return E_INVALIDARG;
            const HRESULT hr = QueryGetData(p_pFormat);
            if (hr != S_OK)
                return hr;
            HGLOBAL global = nullptr;
            if (p_pFormat->cfFormat == m_uFormat)
                global = GlobalCopy(m_sSerialised.data(), m_sSerialised.size());
            else if (p_pFormat->cfFormat == CF_TEXT)
                global = GlobalCopy(m_sText.c_str(), m_sText.size() + 1);
            else
                global = GlobalCopy(m_wsText.c_str(), (m_wsText.size() + 1) * sizeof(wchar_t));
            if (global == nullptr)
                return E_OUTOFMEMORY;
            p_pMedium->tymed = TYMED_HGLOBAL;
            p_pMedium->hGlobal = global;
            p_pMedium->pUnkForRelease = nullptr;
            return S_OK;
        });
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP QueryGetData(FORMATETC* p_pFormat) override
    {
        if (p_pFormat == nullptr)
            return E_INVALIDARG;
        if (p_pFormat->cfFormat != m_uFormat && p_pFormat->cfFormat != CF_TEXT && p_pFormat->cfFormat != CF_UNICODETEXT)
            return DV_E_FORMATETC;
        if ((p_pFormat->tymed & TYMED_HGLOBAL) == 0)
            return DV_E_TYMED;
        return S_OK;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* p_pOut) override
    {
        if (p_pOut != nullptr)
            p_pOut->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumFormatEtc(DWORD p_dwDirection, IEnumFORMATETC** p_ppEnum) override
    {
        if (p_ppEnum == nullptr)
            return E_POINTER;
        *p_ppEnum = nullptr;
        if (p_dwDirection != DATADIR_GET)
            return E_NOTIMPL;
        std::vector<FORMATETC> formats;
        for (UINT format : {m_uFormat, static_cast<UINT>(CF_UNICODETEXT), static_cast<UINT>(CF_TEXT)})
            formats.push_back(FORMATETC{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
        *p_ppEnum = new CEnumFormatEtc(std::move(formats));
        return S_OK;
    }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP DUnadvise(DWORD) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }

  private:
    friend class ::CComRefCount;
    ~CFieldDataObject() = default;
    CComRefCount m_oRefs;
    UINT m_uFormat;
    std::string m_sSerialised;
    std::string m_sText;
    std::wstring m_wsText;
};

} // namespace

CEnumFormatEtc::CEnumFormatEtc(std::vector<FORMATETC> p_vFormats, size_t p_nAt)
    : m_vFormats(std::move(p_vFormats)), m_nAt(p_nAt)
{
}

STDMETHODIMP CEnumFormatEtc::QueryInterface(REFIID p_riid, void** p_ppv)
{
    if (p_ppv == nullptr)
        return E_POINTER;
    *p_ppv = nullptr;
    if (!IsEqualIID(p_riid, IID_IUnknown) && !IsEqualIID(p_riid, IID_IEnumFORMATETC))
        return E_NOINTERFACE;
    *p_ppv = static_cast<IEnumFORMATETC*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CEnumFormatEtc::AddRef()
{
    return m_oRefs.AddRef();
}

STDMETHODIMP_(ULONG) CEnumFormatEtc::Release()
{
    return m_oRefs.Release(this, "CEnumFormatEtc::Release");
}

STDMETHODIMP CEnumFormatEtc::Next(ULONG p_nCount, FORMATETC* p_pFormats, ULONG* p_pnFetched)
{
    if (p_pFormats == nullptr)
        return E_POINTER;
    ULONG fetched = 0;
    while (fetched < p_nCount && m_nAt < m_vFormats.size())
        p_pFormats[fetched++] = m_vFormats[m_nAt++];
    if (p_pnFetched != nullptr)
        *p_pnFetched = fetched;
    return fetched == p_nCount ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumFormatEtc::Skip(ULONG p_nCount)
{
    m_nAt = std::min(m_vFormats.size(), m_nAt + static_cast<size_t>(p_nCount));
    return m_nAt < m_vFormats.size() ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumFormatEtc::Reset()
{
    m_nAt = 0;
    return S_OK;
}

STDMETHODIMP CEnumFormatEtc::Clone(IEnumFORMATETC** p_ppEnum)
{
    if (p_ppEnum == nullptr)
        return E_POINTER;
    *p_ppEnum = new CEnumFormatEtc(m_vFormats, m_nAt);
    return S_OK;
}

CMessageField::CMessageField(std::string p_sFormatName, std::string p_sExtension)
    : m_sFormatName(std::move(p_sFormatName)), m_sExtension(std::move(p_sExtension))
{
    m_uFormat = RegisterClipboardFormatA(m_sFormatName.c_str());
    if (m_uFormat == 0)
        LogCallFailure(__PRETTY_FUNCTION__, "RegisterClipboardFormatA", EResultKind::Win32Error, GetLastError());
}

CMessageField::~CMessageField() = default;

long CMessageField::Length() const
{
    if (m_hWnd == nullptr)
        return 0;
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT result = SendMessageA(m_hWnd, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    return result > 0 ? static_cast<long>(result) : 0;
}

std::string CMessageField::RangeText(long p_iStart, long p_iEnd) const
{
    const long length = Length();
    p_iStart = std::clamp(p_iStart, 0L, length);
    p_iEnd = std::clamp(p_iEnd < 0 ? length : p_iEnd, p_iStart, length);
    if (p_iEnd == p_iStart)
        return {};
    // Room for a double-byte code page.
    std::string text(static_cast<size_t>(p_iEnd - p_iStart) * 2 + 1, '\0');
    TEXTRANGEA range{{p_iStart, p_iEnd}, text.data()};
    const LRESULT copied = SendMessageA(m_hWnd, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

bool CMessageField::Objects(long p_iStart, long p_iEnd, std::vector<CFieldObject>& p_vObjects)
{
    p_vObjects.clear();
    std::vector<CEmbeddedObject> embedded;
    if (!EmbeddedObjects(embedded))
        return false;
    for (const CEmbeddedObject& object : embedded)
        if (object.m_iPosition >= p_iStart && (p_iEnd < 0 || object.m_iPosition < p_iEnd))
        {
            CFieldObject found;
            found.m_iPosition = object.m_iPosition;
            found.m_bToken = object.m_pObject && TokenName(object.m_pObject.get(), found.m_sName);
            p_vObjects.push_back(found);
        }
    return true;
}

bool CMessageField::ReadTokens(long p_iStart, long p_iEnd, std::vector<compose::CBodyToken>& p_vTokens)
{
    p_vTokens.clear();
    std::vector<CFieldObject> objects;
    if (!Objects(p_iStart, p_iEnd, objects))
        return false;
    for (const CFieldObject& object : objects)
        if (object.m_bToken)
            p_vTokens.push_back({object.m_sName, static_cast<int32_t>(object.m_iPosition - p_iStart)});
    return true;
}

bool CMessageField::Serialise(long p_iStart, long p_iEnd, std::string& p_sOut)
{
    compose::CTokenStream stream;
    if (!ReadTokens(p_iStart, p_iEnd, stream.m_vTokens))
        return false;
    stream.m_sText = compose::MarkTokens(RangeText(p_iStart, p_iEnd), stream.m_vTokens, kPlaceholder);
    m_iCacheStart = p_iStart;
    m_iCacheEnd = p_iEnd;
    p_sOut = compose::WriteTokenStream(stream);
    return true;
}

std::string CMessageField::PlainTextWithTokens(long p_iStart, long p_iEnd)
{
    std::vector<compose::CBodyToken> tokens;
    if (!ReadTokens(p_iStart, p_iEnd, tokens))
        tokens.clear();
    return compose::CollapseLineBreaks(compose::TokensWrittenOut(RangeText(p_iStart, p_iEnd), tokens));
}

bool CMessageField::InsertTokenAtCaret(const std::string& p_sName)
{
    com_ptr<IRichEditOle> ole;
    com_ptr<IOleClientSite> site;
    if (!GetOleAndSite(ole, site, "ole->GetClientSite(site.put())"))
        return false;
    // The object takes the place of the selection.
    ReplaceSelection(std::string(), true);
    long start = 0;
    long end = 0;
    GetSelection(start, end);
    com_ptr<IOleObject> object;
    object.attach(NewTokenObject(p_sName));
    bool bInserted = false;
    if (object)
    {
        object->SetClientSite(site.get());
        REOBJECT insert{};
        insert.cbStruct = sizeof(insert);
        insert.cp = REO_CP_SELECTION;
        insert.clsid = CLSID_NULL;
        insert.poleobj = object.get();
        insert.polesite = site.get();
        insert.pstg = nullptr;
        insert.dvaspect = DVASPECT_CONTENT;
        SIZEL size{};
        object->GetExtent(DVASPECT_CONTENT, &size);
        insert.sizel = size;
        bInserted = SUCCEEDED(LOG_IF_FAILED(ole->InsertObject(&insert)));
    }
    if (bInserted)
        SetSelection(start + 1, start + 1);
    return bInserted;
}

bool CMessageField::InsertTokenAtPos(long p_iPosition, const std::string& p_sName)
{
    if (p_iPosition < 0 || p_iPosition >= Length())
        return false;
    SetSelection(p_iPosition, p_iPosition + 1);
    return InsertTokenAtCaret(p_sName);
}

bool CMessageField::PasteSerialised(const uint8_t* p_pData, size_t p_nSize)
{
    compose::CTokenStream stream;
    const compose::EStreamResult result = compose::ReadTokenStream(p_pData, p_nSize, stream);
    if (result != compose::EStreamResult::Ok)
    {
        LOG_FAILURE("%s", compose::StreamResultText(result));
        return false;
    }
    // One character per position, as the control counts them: a line break is one CR, and each
    // token stands on a placeholder whatever character the writer left there.
    std::string text = compose::CollapseLineBreaks(stream.m_sText);
    for (char& c : text)
        if (c == '\n')
            c = '\r';
        else if (c == '\0')
            c = ' ';
    for (const compose::CBodyToken& token : stream.m_vTokens)
        if (static_cast<size_t>(token.m_iPosition) >= text.size())
        {
            LOG_FAILURE("a token lies past the text");
            return false;
        }
    text = compose::MarkTokens(text, stream.m_vTokens, kPlaceholder);
    long start = 0;
    long end = 0;
    GetSelection(start, end);
    if (!text.empty())
        ReplaceSelection(text, true);
    long after = 0;
    GetSelection(after, end);
    // The field's limit may have cut the text short: tokens past what went in are dropped.
    for (const compose::CBodyToken& token : stream.m_vTokens)
        if (start + token.m_iPosition < after && !InsertTokenAtPos(start + token.m_iPosition, token.m_sName))
            LOG_FAILURE("the token %s could not be put back", token.m_sName.c_str());
    SetSelection(after, after);
    NotifyChanged();
    return true;
}

bool CMessageField::Copy(bool p_bCut)
{
    long start = 0;
    long end = 0;
    GetSelection(start, end);
    if (start == end)
        return true;
    std::string serialised;
    if (!Serialise(start, end, serialised))
        return false;
    const std::string text = compose::ExpandLineBreaks(PlainTextWithTokens(start, end));
    com_ptr<IDataObject> data;
    data.attach(new CFieldDataObject(m_uFormat, std::move(serialised), text));
    if (!OfferOnClipboard(data.get(), m_hWnd))
        return false;
    if (p_bCut)
    {
        ReplaceSelection(std::string(), true);
        NotifyChanged();
    }
    return true;
}

bool CMessageField::Paste()
{
    com_ptr<IDataObject> data;
    if (m_uFormat != 0 && SUCCEEDED(OleGetClipboard(data.put())) && data)
    {
        FORMATETC format{static_cast<CLIPFORMAT>(m_uFormat), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        if (data->QueryGetData(&format) == S_OK)
            return PasteOwnFormat(data, format);
    }
    data.reset();
    // Plain text only: what another program offers as rich text or objects comes in as its text.
    std::wstring wide;
    {
        const CClipboardGuard clipboard(m_hWnd);
        if (!clipboard.IsOpen() || !ReadOpenClipboardText(wide))
            return false;
    }
    const std::string text = WideToAnsi(wide);
    if (text.empty())
        return false;
    ReplaceSelection(text, true);
    NotifyChanged();
    return true;
}

bool CMessageField::PasteOwnFormat(const com_ptr<IDataObject>& p_pData, FORMATETC& p_oFormat)
{
    STGMEDIUM medium{};
    if (FAILED(LOG_IF_FAILED(p_pData->GetData(&p_oFormat, &medium))))
        return false;
    bool bPasted = false;
    const void* bytes = medium.tymed == TYMED_HGLOBAL ? GlobalLock(medium.hGlobal) : nullptr;
    if (bytes == nullptr)
        LOG_FAILURE("the clipboard's field data cannot be locked");
    else
    {
        bPasted = PasteSerialised(static_cast<const uint8_t*>(bytes), GlobalSize(medium.hGlobal));
        if (!bPasted)
            LOG_FAILURE("PasteSerialised failed");
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return bPasted;
}

bool CMessageField::SaveToFile(const std::string& p_sPath, HWND p_hOwner)
{
    std::string bytes;
    if (compose::FileKindOf(p_sPath, m_sExtension) == compose::EFileKind::Own)
    {
        if (!Serialise(0, -1, bytes))
            return false;
    }
    else
        bytes = compose::ExpandLineBreaks(PlainTextWithTokens(0, -1));
    const unique_file file(
        CreateFileA(p_sPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    // A write the system only finishes on its way to the disk fails at the flush.
    const bool bWritten = file &&
                          WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                          written == bytes.size() && FlushFileBuffers(file.get());
    const DWORD error = bWritten ? 0 : GetLastError();
    if (!bWritten)
    {
        LogCallFailure(__PRETTY_FUNCTION__, ("writing " + p_sPath).c_str(), EResultKind::Win32Error, error);
        ShowMessageBox(p_hOwner, QuilletText(kQMsgWriteError, static_cast<long>(error), p_sPath.c_str()),
                       QuilletText(kQCaptionWriteError), MB_OK | MB_ICONWARNING);
        return false;
    }
    return true;
}

bool CMessageField::LoadFromFile(const std::string& p_sPath, HWND p_hOwner)
{
    std::string bytes;
    const EReadFile read = ReadWholeFile(p_sPath, bytes);
    if (read != EReadFile::Read || bytes.empty())
    {
        LOG_FAILURE("nothing read from %s (%d)", p_sPath.c_str(), static_cast<int>(read));
        return false;
    }
    if (compose::FileKindOf(p_sPath, m_sExtension) == compose::EFileKind::Own)
    {
        // The field is cleared only for a file that reads back whole: a damaged one loses nothing.
        compose::CTokenStream stream;
        const compose::EStreamResult result =
            compose::ReadTokenStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), stream);
        if (result != compose::EStreamResult::Ok)
        {
            LOG_FAILURE("%s: %s", p_sPath.c_str(), compose::StreamResultText(result));
            ShowMessageBox(p_hOwner, QuilletText(kQMsgFileCorrupt, kProductTitle), QuilletText(kQCaptionFileCorrupt),
                           MB_OK | MB_ICONERROR);
            return false;
        }
        SetText(std::string());
        SetSelection(0, 0);
        return PasteSerialised(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    // A text control ends at a NUL: keep what follows it.
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
    SetText(bytes);
    NotifyChanged();
    return true;
}

void CMessageField::NotifyChanged() const
{
    if (m_hWnd != nullptr && m_hParentWnd != nullptr)
        SendMessageA(m_hParentWnd, WM_COMMAND, MAKEWPARAM(m_iId, EN_CHANGE), reinterpret_cast<LPARAM>(m_hWnd));
}
