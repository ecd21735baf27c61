// compose/fields/confirmed_recipient_win.cpp: the embedded recipient object and the clipboard copy of
// a field selection.
#include "compose/fields/confirmed_recipient_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/fields/recipient_block.h"
#include "compose/fields/recipient_text.h"

#include <shlobj.h>

#include <cstring>
#include <vector>

// {6F7C0D51-3E0B-4C7A-9A51-2B8E4D1C5A01}
const IID IID_IRecipientObject = {0x6f7c0d51, 0x3e0b, 0x4c7a, {0x9a, 0x51, 0x2b, 0x8e, 0x4d, 0x1c, 0x5a, 0x01}};

namespace
{
// The class the rich edit records for the objects; they are never created from it.
// {6F7C0D52-3E0B-4C7A-9A51-2B8E4D1C5A01}
const CLSID CLSID_ConfirmedRecipient = {0x6f7c0d52, 0x3e0b, 0x4c7a, {0x9a, 0x51, 0x2b, 0x8e, 0x4d, 0x1c, 0x5a, 0x01}};

// Padding beside the label, in pixels. The object stands on the text's baseline and is a little
// higher than the font's ascent, so that a line with objects keeps nearly the height of one without.
constexpr int kPadX = 3;

HRESULT CopyToGlobal(const void* p_pData, size_t p_nSize, STGMEDIUM* p_pMedium)
{
    unique_hglobal memory(GlobalAlloc(GMEM_MOVEABLE, p_nSize == 0 ? 1 : p_nSize));
    if (!memory)
        return E_OUTOFMEMORY;
    void* target = GlobalLock(memory.get());
    if (target == nullptr)
        return E_OUTOFMEMORY;
    if (p_nSize != 0)
        std::memcpy(target, p_pData, p_nSize);
    GlobalUnlock(memory.get());
    // The medium's receiver frees it.
    p_pMedium->tymed = TYMED_HGLOBAL;
    p_pMedium->hGlobal = memory.release();
    p_pMedium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT CheckFormat(const FORMATETC* p_pFormat, bool p_bHasBlocks)
{
    if (p_pFormat == nullptr)
        return E_INVALIDARG;
    if ((p_pFormat->tymed & TYMED_HGLOBAL) == 0)
        return DV_E_TYMED;
    if (p_pFormat->dwAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    const CLIPFORMAT recip = RecipientClipboardFormat();
    if (p_pFormat->cfFormat == CF_TEXT || p_pFormat->cfFormat == CF_UNICODETEXT ||
        (recip != 0 && p_pFormat->cfFormat == recip && p_bHasBlocks))
        return S_OK;
    return DV_E_FORMATETC;
}

HRESULT Render(const FORMATETC* p_pFormat, STGMEDIUM* p_pMedium, const std::string& p_sText,
               const std::string& p_sBlocks)
{
    if (p_pMedium == nullptr)
        return E_INVALIDARG;
    const HRESULT hr = CheckFormat(p_pFormat, !p_sBlocks.empty());
    if (FAILED(hr))
        return hr;
    if (p_pFormat->cfFormat == CF_TEXT)
        return CopyToGlobal(p_sText.c_str(), p_sText.size() + 1, p_pMedium);
    if (p_pFormat->cfFormat == CF_UNICODETEXT)
    {
        const std::wstring wide = AnsiToWide(p_sText);
        return CopyToGlobal(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t), p_pMedium);
    }
    return CopyToGlobal(p_sBlocks.data(), p_sBlocks.size(), p_pMedium);
}

HRESULT EnumFormats(DWORD p_dwDirection, bool p_bHasBlocks, IEnumFORMATETC** p_ppEnum)
{
    if (p_ppEnum == nullptr)
        return E_INVALIDARG;
    *p_ppEnum = nullptr;
    if (p_dwDirection != DATADIR_GET)
        return E_NOTIMPL;
    FORMATETC formats[3] = {};
    UINT count = 0;
    const CLIPFORMAT recip = RecipientClipboardFormat();
    if (p_bHasBlocks && recip != 0)
        formats[count++] = {recip, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    formats[count++] = {CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    formats[count++] = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return SHCreateStdEnumFmtEtc(count, formats, p_ppEnum);
}

// Pixels to HIMETRIC on the screen.
SIZEL LabelExtent(const std::string& p_sLabel, HFONT p_hFont)
{
    const unique_window_dc dc(nullptr);
    HDC screen = dc.get();
    SIZE text{};
    {
        const dc_state_guard state(screen);
        SelectObject(screen, p_hFont != nullptr ? p_hFont : GetStockObject(DEFAULT_GUI_FONT));
        GetTextExtentPoint32A(screen, p_sLabel.c_str(), static_cast<int>(p_sLabel.size()), &text);
        TEXTMETRICA metrics{};
        if (GetTextMetricsA(screen, &metrics))
            text.cy = metrics.tmAscent + 1; // room for the frame below the label's baseline
    }
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    SIZEL extent{};
    extent.cx = MulDiv(text.cx + 2 * kPadX, 2540, dpiX > 0 ? dpiX : 96);
    extent.cy = MulDiv(text.cy, 2540, dpiY > 0 ? dpiY : 96);
    return extent;
}
} // namespace

CLIPFORMAT RecipientClipboardFormat()
{
    static const CLIPFORMAT s_cfFormat = [] {
        const UINT format = RegisterClipboardFormatA("SMSRecip");
        if (format == 0)
            LogCallFailure(__PRETTY_FUNCTION__, "RegisterClipboardFormatA(\"SMSRecip\")", EResultKind::Win32Error,
                           GetLastError());
        return static_cast<CLIPFORMAT>(format);
    }();
    return s_cfFormat;
}

CConfirmedRecipient::CConfirmedRecipient(CMessageRecipient* p_p_oRecipient, RecipientDeleter p_pfnDelete, HFONT p_hFont)
    : m_p_oRecipient(p_p_oRecipient), m_pfnDelete(p_pfnDelete), m_hFont(p_hFont)
{
    m_sLabel = compose::RecipientLabel(*m_p_oRecipient);
    compose::WriteRecipientBlock(*m_p_oRecipient, m_sBlock);
    m_stExtent = LabelExtent(m_sLabel, m_hFont);
}

CConfirmedRecipient::~CConfirmedRecipient()
{
    if (m_p_oRecipient != nullptr && m_pfnDelete != nullptr)
        m_pfnDelete(&m_p_oRecipient);
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::QueryInterface(REFIID p_riid, void** p_ppv)
{
    if (p_ppv == nullptr)
        return E_POINTER;
    if (p_riid == IID_IUnknown || p_riid == IID_IOleObject)
        *p_ppv = static_cast<IOleObject*>(this);
    else if (p_riid == IID_IViewObject || p_riid == IID_IViewObject2)
        *p_ppv = static_cast<IViewObject2*>(this);
    else if (p_riid == IID_IDataObject)
        *p_ppv = static_cast<IDataObject*>(this);
    else if (p_riid == IID_IRecipientObject)
        *p_ppv = static_cast<IRecipientObject*>(this);
    else
    {
        *p_ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CConfirmedRecipient::AddRef()
{
    return m_oRefs.AddRef();
}

ULONG STDMETHODCALLTYPE CConfirmedRecipient::Release()
{
    return m_oRefs.Release(this, "CConfirmedRecipient::Release");
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::SetClientSite(IOleClientSite* p_pSite)
{
    m_pSite = com_ptr<IOleClientSite>::copy_from(p_pSite);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetClientSite(IOleClientSite** p_ppSite)
{
    if (p_ppSite == nullptr)
        return E_POINTER;
    *p_ppSite = com_ptr<IOleClientSite>(m_pSite).detach();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::SetHostNames(LPCOLESTR, LPCOLESTR)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::Close(DWORD)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::SetMoniker(DWORD, IMoniker*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetMoniker(DWORD, DWORD, IMoniker**)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::InitFromData(IDataObject*, BOOL, DWORD)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetClipboardData(DWORD, IDataObject** p_ppData)
{
    if (p_ppData == nullptr)
        return E_POINTER;
    return QueryInterface(IID_IDataObject, reinterpret_cast<void**>(p_ppData));
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::EnumVerbs(IEnumOLEVERB**)
{
    return OLEOBJ_E_NOVERBS;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::Update()
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::IsUpToDate()
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetUserClassID(CLSID* p_pClsid)
{
    if (p_pClsid == nullptr)
        return E_POINTER;
    *p_pClsid = CLSID_ConfirmedRecipient;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetUserType(DWORD, LPOLESTR*)
{
    return OLE_S_USEREG;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::SetExtent(DWORD, SIZEL*)
{
    return E_FAIL; // the label decides the size
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetExtent(DWORD p_dwAspect, SIZEL* p_pSize)
{
    if (p_pSize == nullptr)
        return E_POINTER;
    if (p_dwAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *p_pSize = m_stExtent;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::Advise(IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::Unadvise(DWORD)
{
    return OLE_E_NOCONNECTION;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::EnumAdvise(IEnumSTATDATA**)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetMiscStatus(DWORD, DWORD* p_pdwStatus)
{
    if (p_pdwStatus == nullptr)
        return E_POINTER;
    *p_pdwStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_STATIC;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::SetColorScheme(LOGPALETTE*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::Draw(DWORD p_dwAspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC p_hdcDraw,
                                                    LPCRECTL p_prcBounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                                    ULONG_PTR)
{
    return TrapExceptions("CConfirmedRecipient::Draw", E_UNEXPECTED, [&]() -> HRESULT {
        if (p_dwAspect != DVASPECT_CONTENT)
            return DV_E_DVASPECT;
        if (p_hdcDraw == nullptr || p_prcBounds == nullptr)
            return E_INVALIDARG;
        RECT box{static_cast<LONG>(p_prcBounds->left), static_cast<LONG>(p_prcBounds->top),
                 static_cast<LONG>(p_prcBounds->right), static_cast<LONG>(p_prcBounds->bottom)};
        // The rich edit hands over a DC with its own text alignment: set ours and give the DC back
        // as it came.
        const dc_state_guard state(p_hdcDraw);
        const unique_hbrush fill(CreateSolidBrush(RGB(221, 232, 250)));
        FillRect(p_hdcDraw, &box, fill.get());
        const unique_hbrush frame(CreateSolidBrush(RGB(112, 146, 204)));
        FrameRect(p_hdcDraw, &box, frame.get());
        SelectObject(p_hdcDraw, m_hFont != nullptr ? m_hFont : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(p_hdcDraw, TRANSPARENT);
        SetTextColor(p_hdcDraw, RGB(0, 0, 0));
        // The label's baseline sits just above the frame; descenders stay inside the box.
        SetTextAlign(p_hdcDraw, TA_BASELINE | TA_LEFT);
        RECT clip = box;
        InflateRect(&clip, -1, -1);
        ExtTextOutA(p_hdcDraw, box.left + kPadX, box.bottom - 2, ETO_CLIPPED, &clip, m_sLabel.c_str(),
                    static_cast<UINT>(m_sLabel.size()), nullptr);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**)
{
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::Freeze(DWORD, LONG, void*, DWORD*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::Unfreeze(DWORD)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::SetAdvise(DWORD, DWORD, IAdviseSink* p_pSink)
{
    m_pViewSink = com_ptr<IAdviseSink>::copy_from(p_pSink);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetAdvise(DWORD* p_pdwAspects, DWORD* p_pdwFlags, IAdviseSink** p_ppSink)
{
    if (p_pdwAspects != nullptr)
        *p_pdwAspects = DVASPECT_CONTENT;
    if (p_pdwFlags != nullptr)
        *p_pdwFlags = 0;
    if (p_ppSink != nullptr)
    {
        *p_ppSink = com_ptr<IAdviseSink>(m_pViewSink).detach();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetExtent(DWORD p_dwAspect, LONG, DVTARGETDEVICE*, LPSIZEL p_pSize)
{
    return GetExtent(p_dwAspect, p_pSize);
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetData(FORMATETC* p_pFormat, STGMEDIUM* p_pMedium)
{
    return TrapExceptions("CConfirmedRecipient::GetData", E_UNEXPECTED,
                          [&] { return Render(p_pFormat, p_pMedium, m_sLabel, m_sBlock); });
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetDataHere(FORMATETC*, STGMEDIUM*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::QueryGetData(FORMATETC* p_pFormat)
{
    return CheckFormat(p_pFormat, true);
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* p_pOut)
{
    if (p_pOut != nullptr)
        p_pOut->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::SetData(FORMATETC*, STGMEDIUM*, BOOL)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::EnumFormatEtc(DWORD p_dwDirection, IEnumFORMATETC** p_ppEnum)
{
    return TrapExceptions("CConfirmedRecipient::EnumFormatEtc", E_UNEXPECTED,
                          [&] { return EnumFormats(p_dwDirection, true, p_ppEnum); });
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::DUnadvise(DWORD)
{
    return OLE_E_NOCONNECTION;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::EnumDAdvise(IEnumSTATDATA**)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE CConfirmedRecipient::GetRecipient(const CMessageRecipient** p_pp_oRecipient)
{
    if (p_pp_oRecipient == nullptr)
        return E_POINTER;
    *p_pp_oRecipient = m_p_oRecipient;
    return m_p_oRecipient != nullptr ? S_OK : E_FAIL;
}

CRecipientData::CRecipientData(std::string p_sText, std::string p_sBlocks)
    : m_sText(std::move(p_sText)), m_sBlocks(std::move(p_sBlocks))
{
}

HRESULT STDMETHODCALLTYPE CRecipientData::QueryInterface(REFIID p_riid, void** p_ppv)
{
    if (p_ppv == nullptr)
        return E_POINTER;
    if (p_riid != IID_IUnknown && p_riid != IID_IDataObject)
    {
        *p_ppv = nullptr;
        return E_NOINTERFACE;
    }
    *p_ppv = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CRecipientData::AddRef()
{
    return m_oRefs.AddRef();
}

ULONG STDMETHODCALLTYPE CRecipientData::Release()
{
    return m_oRefs.Release(this, "CRecipientData::Release");
}

HRESULT STDMETHODCALLTYPE CRecipientData::GetData(FORMATETC* p_pFormat, STGMEDIUM* p_pMedium)
{
    return TrapExceptions("CRecipientData::GetData", E_UNEXPECTED,
                          [&] { return Render(p_pFormat, p_pMedium, m_sText, m_sBlocks); });
}

HRESULT STDMETHODCALLTYPE CRecipientData::GetDataHere(FORMATETC*, STGMEDIUM*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CRecipientData::QueryGetData(FORMATETC* p_pFormat)
{
    return CheckFormat(p_pFormat, !m_sBlocks.empty());
}

HRESULT STDMETHODCALLTYPE CRecipientData::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* p_pOut)
{
    if (p_pOut != nullptr)
        p_pOut->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT STDMETHODCALLTYPE CRecipientData::SetData(FORMATETC*, STGMEDIUM*, BOOL)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CRecipientData::EnumFormatEtc(DWORD p_dwDirection, IEnumFORMATETC** p_ppEnum)
{
    return TrapExceptions("CRecipientData::EnumFormatEtc", E_UNEXPECTED,
                          [&] { return EnumFormats(p_dwDirection, !m_sBlocks.empty(), p_ppEnum); });
}

HRESULT STDMETHODCALLTYPE CRecipientData::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE CRecipientData::DUnadvise(DWORD)
{
    return OLE_E_NOCONNECTION;
}

HRESULT STDMETHODCALLTYPE CRecipientData::EnumDAdvise(IEnumSTATDATA**)
{
    return OLE_E_ADVISENOTSUPPORTED;
}
