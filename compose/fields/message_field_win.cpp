// compose/fields/message_field_win.cpp: the message field family's text, tokens, files and clipboard.
#include "compose/fields/message_field_win.h"

#include "common/boundary.h"
#include "common/trace_log.h"
#include "compose/fields/body_text.h"
#include "compose/fields/clipboard_win.h"
#include "compose/quillet_process_win.h"
#include "compose/quillet_strings.h"

#include <richole.h>

#include <algorithm>

namespace
{
constexpr unsigned kMsgWriteErrorCaption = 330;
constexpr unsigned kMsgWriteError = 331;
constexpr unsigned kMsgCorruptCaption = 332;
constexpr unsigned kMsgCorrupt = 333;
constexpr const char* kProduct = "Brevolt SMS";
// What stands for a token in a serialised text; readers ignore its value.
constexpr char kPlaceholder = '\x01';

HGLOBAL GlobalCopy(const void* p_pData, size_t p_nSize)
{
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, p_nSize > 0 ? p_nSize : 1);
    if (global == nullptr)
        return nullptr;
    void* target = GlobalLock(global);
    if (target == nullptr)
    {
        GlobalFree(global);
        return nullptr;
    }
    if (p_nSize > 0)
        memcpy(target, p_pData, p_nSize);
    GlobalUnlock(global);
    return global;
}

std::wstring Widened(const std::string& p_sText)
{
    if (p_sText.empty())
        return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, p_sText.data(), static_cast<int>(p_sText.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, p_sText.data(), static_cast<int>(p_sText.size()), wide.data(), length);
    return wide;
}

// A snapshot of a copied range: the field's own format and the same range as text.
class CFieldDataObject final : public IDataObject
{
  public:
    CFieldDataObject(UINT p_uFormat, std::string p_sSerialised, std::string p_sText)
        : m_uFormat(p_uFormat), m_sSerialised(std::move(p_sSerialised)), m_sText(std::move(p_sText))
    {
        m_wsText = Widened(m_sText);
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

bool ReadWholeFile(const std::string& p_sPath, std::string& p_sBytes)
{
    HANDLE file = CreateFileA(p_sPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool bRead = GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (64 << 20);
    if (bRead)
    {
        p_sBytes.assign(static_cast<size_t>(size.QuadPart), '\0');
        DWORD got = 0;
        bRead = ReadFile(file, p_sBytes.data(), static_cast<DWORD>(p_sBytes.size()), &got, nullptr) &&
                got == p_sBytes.size();
    }
    CloseHandle(file);
    return bRead;
}
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
        Log("RegisterClipboardFormat FAILED");
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
    IRichEditOle* ole = GetOle();
    if (ole == nullptr)
    {
        Log("Can't get OLE interface to the rich edit");
        return false;
    }
    const long count = ole->GetObjectCount();
    for (long i = 0; i < count; ++i)
    {
        REOBJECT object{};
        object.cbStruct = sizeof(object);
        if (FAILED(ole->GetObject(i, &object, REO_GETOBJ_POLEOBJ)))
            continue;
        if (object.cp >= p_iStart && (p_iEnd < 0 || object.cp < p_iEnd))
        {
            CFieldObject found;
            found.m_iPosition = object.cp;
            found.m_bToken = object.poleobj != nullptr && TokenName(object.poleobj, found.m_sName);
            p_vObjects.push_back(found);
        }
        if (object.poleobj != nullptr)
            object.poleobj->Release();
    }
    ole->Release();
    std::sort(p_vObjects.begin(), p_vObjects.end(),
              [](const CFieldObject& p_oLeft, const CFieldObject& p_oRight) {
                  return p_oLeft.m_iPosition < p_oRight.m_iPosition;
              });
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
    IRichEditOle* ole = nullptr;
    IOleClientSite* site = nullptr;
    if (!GetOleAndSite(ole, site, "p_IRichEdit->GetClientSite failed"))
        return false;
    // The object takes the place of the selection.
    ReplaceSelection(std::string(), true);
    long start = 0;
    long end = 0;
    GetSelection(start, end);
    IOleObject* object = NewTokenObject(p_sName);
    bool bInserted = false;
    if (object != nullptr)
    {
        object->SetClientSite(site);
        REOBJECT insert{};
        insert.cbStruct = sizeof(insert);
        insert.cp = REO_CP_SELECTION;
        insert.clsid = CLSID_NULL;
        insert.poleobj = object;
        insert.polesite = site;
        insert.pstg = nullptr;
        insert.dvaspect = DVASPECT_CONTENT;
        SIZEL size{};
        object->GetExtent(DVASPECT_CONTENT, &size);
        insert.sizel = size;
        const HRESULT hr = ole->InsertObject(&insert);
        bInserted = SUCCEEDED(hr);
        if (!bInserted)
            Log("CMessageField::InsertTokenAtCaret: InsertObject failed: 0x%lx", static_cast<unsigned long>(hr));
        object->Release();
    }
    site->Release();
    ole->Release();
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
        Log("CMessageField::PasteSerialised: %s", compose::StreamResultText(result));
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
            Log("CMessageField::PasteSerialised: a token lies past the text");
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
            Log("InsertTokenAtPos failed");
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
    IDataObject* data = new CFieldDataObject(m_uFormat, std::move(serialised), text);
    const bool bOffered = OfferOnClipboard(data, m_hWnd);
    data->Release();
    if (!bOffered)
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
    IDataObject* data = nullptr;
    if (m_uFormat != 0 && SUCCEEDED(OleGetClipboard(&data)) && data != nullptr)
    {
        FORMATETC format{static_cast<CLIPFORMAT>(m_uFormat), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        if (data->QueryGetData(&format) == S_OK)
        {
            STGMEDIUM medium{};
            const HRESULT hr = data->GetData(&format, &medium);
            data->Release();
            if (FAILED(hr))
            {
                Log("p_doData->GetData failed with 0x%lx", static_cast<unsigned long>(hr));
                return false;
            }
            bool bPasted = false;
            const void* bytes = medium.tymed == TYMED_HGLOBAL ? GlobalLock(medium.hGlobal) : nullptr;
            if (bytes == nullptr)
                Log("GlobalLock failed");
            else
            {
                bPasted = PasteSerialised(static_cast<const uint8_t*>(bytes), GlobalSize(medium.hGlobal));
                if (!bPasted)
                    Log("PasteRichMessage failed");
                GlobalUnlock(medium.hGlobal);
            }
            ReleaseStgMedium(&medium);
            return bPasted;
        }
        data->Release();
    }
    // Plain text only: what another program offers as rich text or objects comes in as its text.
    if (!OpenClipboard(m_hWnd))
        return false;
    std::string text;
    if (HANDLE global = GetClipboardData(CF_UNICODETEXT))
    {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(global)))
        {
            const size_t units = wcsnlen(wide, GlobalSize(global) / sizeof(wchar_t));
            const int length =
                WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(units), nullptr, 0, nullptr, nullptr);
            text.assign(static_cast<size_t>(length > 0 ? length : 0), '\0');
            if (length > 0)
                WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(units), text.data(), length, nullptr, nullptr);
            GlobalUnlock(global);
        }
    }
    CloseClipboard();
    if (text.empty())
        return false;
    ReplaceSelection(text, true);
    NotifyChanged();
    return true;
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
    HANDLE file =
        CreateFileA(p_sPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool bWritten = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    const DWORD error = bWritten ? 0 : GetLastError();
    if (file != INVALID_HANDLE_VALUE && !CloseHandle(file) && bWritten)
        bWritten = false;
    if (!bWritten)
    {
        Log("CMessageField::SaveToFile: writing %s failed: %lu", p_sPath.c_str(), error);
        QuilletMessageBox(p_hOwner, QuilletText(kMsgWriteError, static_cast<long>(error), p_sPath.c_str()),
                          QuilletText(kMsgWriteErrorCaption), MB_OK | MB_ICONWARNING);
        return false;
    }
    return true;
}

bool CMessageField::LoadFromFile(const std::string& p_sPath, HWND p_hOwner)
{
    std::string bytes;
    if (!ReadWholeFile(p_sPath, bytes))
    {
        Log("CMessageField::LoadFromFile: nothing read from %s", p_sPath.c_str());
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
            Log("CMessageField::LoadFromFile: %s: %s", p_sPath.c_str(), compose::StreamResultText(result));
            QuilletMessageBox(p_hOwner, QuilletText(kMsgCorrupt, kProduct), QuilletText(kMsgCorruptCaption),
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
