// compose/fields/caption_object_win.cpp: the caption object base: the OLE plumbing a rich edit needs
// to hold a static object, and the caption box it draws.
#include "compose/fields/caption_object_win.h"

#include "common/boundary.h"

namespace
{
constexpr int kPadding = 2; // pixels each side of the caption

HFONT CaptionFont()
{
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}
} // namespace

SIZEL CaptionObjectExtent(const std::string& p_sCaption)
{
    SIZE pixels{0, 0};
    const unique_window_dc dc(nullptr);
    if (!dc)
        return SIZEL{0, 0};
    {
        const dc_state_guard state(dc.get());
        SelectObject(dc.get(), CaptionFont());
        GetTextExtentPoint32A(dc.get(), p_sCaption.c_str(), static_cast<int>(p_sCaption.size()), &pixels);
    }
    pixels.cx += 2 * kPadding;
    const int dpiX = GetDeviceCaps(dc.get(), LOGPIXELSX);
    const int dpiY = GetDeviceCaps(dc.get(), LOGPIXELSY);
    return SIZEL{MulDiv(pixels.cx, 2540, dpiX > 0 ? dpiX : 96), MulDiv(pixels.cy, 2540, dpiY > 0 ? dpiY : 96)};
}

HRESULT CCaptionObject::QueryInterface(REFIID p_riid, void** p_ppv)
{
    if (p_ppv == nullptr)
        return E_POINTER;
    *p_ppv = nullptr;
    if (IsEqualIID(p_riid, IID_IUnknown) || IsEqualIID(p_riid, IID_IOleObject))
        *p_ppv = static_cast<IOleObject*>(this);
    else if (IsEqualIID(p_riid, IID_IViewObject) || IsEqualIID(p_riid, IID_IViewObject2))
        *p_ppv = static_cast<IViewObject2*>(this);
    else
        *p_ppv = OwnInterface(p_riid);
    if (*p_ppv == nullptr)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG CCaptionObject::AddRef()
{
    return m_oRefs.AddRef();
}

ULONG CCaptionObject::Release()
{
    return m_oRefs.Release(this, m_szName);
}

HRESULT CCaptionObject::SetClientSite(IOleClientSite* p_pSite)
{
    m_pSite = com_ptr<IOleClientSite>::copy_from(p_pSite);
    return S_OK;
}

HRESULT CCaptionObject::GetClientSite(IOleClientSite** p_ppSite)
{
    if (p_ppSite == nullptr)
        return E_POINTER;
    *p_ppSite = com_ptr<IOleClientSite>(m_pSite).detach();
    return S_OK;
}

HRESULT CCaptionObject::SetHostNames(LPCOLESTR, LPCOLESTR)
{
    return S_OK;
}

HRESULT CCaptionObject::Close(DWORD)
{
    return SetClientSite(nullptr);
}

HRESULT CCaptionObject::SetMoniker(DWORD, IMoniker*)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::GetMoniker(DWORD, DWORD, IMoniker**)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::InitFromData(IDataObject*, BOOL, DWORD)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::GetClipboardData(DWORD, IDataObject**)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::EnumVerbs(IEnumOLEVERB**)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::Update()
{
    return S_OK;
}

HRESULT CCaptionObject::IsUpToDate()
{
    return S_OK;
}

HRESULT CCaptionObject::GetUserClassID(CLSID* p_pClsid)
{
    if (p_pClsid == nullptr)
        return E_POINTER;
    *p_pClsid = CLSID_NULL;
    return S_OK;
}

HRESULT CCaptionObject::GetUserType(DWORD, LPOLESTR*)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::SetExtent(DWORD, SIZEL*)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::GetExtent(DWORD p_dwAspect, SIZEL* p_pSize)
{
    if (p_pSize == nullptr)
        return E_POINTER;
    if (p_dwAspect != DVASPECT_CONTENT)
        return E_INVALIDARG;
    return TrapExceptions(m_szName, E_FAIL, [&]() -> HRESULT {
        *p_pSize = CaptionObjectExtent(Caption());
        return S_OK;
    });
}

HRESULT CCaptionObject::Advise(IAdviseSink*, DWORD* p_pdwConnection)
{
    if (p_pdwConnection != nullptr)
        *p_pdwConnection = 0;
    return E_NOTIMPL;
}

HRESULT CCaptionObject::Unadvise(DWORD)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::EnumAdvise(IEnumSTATDATA**)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::GetMiscStatus(DWORD, DWORD* p_pdwStatus)
{
    if (p_pdwStatus == nullptr)
        return E_POINTER;
    *p_pdwStatus = OLEMISC_STATIC | OLEMISC_CANTLINKINSIDE;
    return S_OK;
}

HRESULT CCaptionObject::SetColorScheme(LOGPALETTE*)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC p_hdcDraw, LPCRECTL p_prcBounds, LPCRECTL,
                             BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR)
{
    return TrapExceptions(m_szName, E_FAIL, [&]() -> HRESULT {
        if (p_hdcDraw == nullptr || p_prcBounds == nullptr)
            return E_INVALIDARG;
        RECT bounds{p_prcBounds->left, p_prcBounds->top, p_prcBounds->right, p_prcBounds->bottom};
        const std::string caption = Caption();
        const SColors colors = Colors();
        // The control hands over a DC aligned to the baseline; text here is placed by its top.
        const dc_state_guard state(p_hdcDraw);
        SetTextAlign(p_hdcDraw, TA_TOP | TA_LEFT);
        SelectObject(p_hdcDraw, CaptionFont());
        const unique_hbrush back(CreateSolidBrush(colors.crBack));
        FillRect(p_hdcDraw, &bounds, back.get());
        SetBkMode(p_hdcDraw, TRANSPARENT);
        SetTextColor(p_hdcDraw, colors.crText);
        bounds.left += kPadding;
        DrawTextA(p_hdcDraw, caption.c_str(), static_cast<int>(caption.size()), &bounds,
                  DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
        return S_OK;
    });
}

HRESULT CCaptionObject::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** p_ppPalette)
{
    if (p_ppPalette != nullptr)
        *p_ppPalette = nullptr;
    return S_FALSE;
}

HRESULT CCaptionObject::Freeze(DWORD, LONG, void*, DWORD*)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::Unfreeze(DWORD)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::SetAdvise(DWORD, DWORD, IAdviseSink*)
{
    return S_OK;
}

HRESULT CCaptionObject::GetAdvise(DWORD*, DWORD*, IAdviseSink**)
{
    return E_NOTIMPL;
}

HRESULT CCaptionObject::GetExtent(DWORD p_dwAspect, LONG, DVTARGETDEVICE*, LPSIZEL p_pSize)
{
    return GetExtent(p_dwAspect, p_pSize);
}
