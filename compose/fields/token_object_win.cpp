// compose/fields/token_object_win.cpp: the token object: IOleObject enough for a rich edit to hold
// it, IViewObject2 for drawing it, and the private token interface.
#include "compose/fields/token_object_win.h"

#include "common/boundary.h"
#include "common/com_ref_count_win.h"
#include "common/handle_win.h"

// {C7F843DF-029D-4276-952D-3A5BC50D2A02}
const IID IID_IMessageToken = {0xC7F843DF, 0x029D, 0x4276, {0x95, 0x2D, 0x3A, 0x5B, 0xC5, 0x0D, 0x2A, 0x02}};

namespace
{
constexpr COLORREF kAvailableText = RGB(0, 0, 160);
constexpr COLORREF kAvailableBack = RGB(222, 232, 255);
constexpr COLORREF kUnavailableBack = RGB(236, 236, 236);
constexpr int kPadding = 2; // pixels each side of the caption

HFONT TokenFont()
{
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

SIZE CaptionPixels(const std::string& p_sCaption)
{
    SIZE size{0, 0};
    const unique_window_dc dc(nullptr);
    if (!dc)
        return size;
    const dc_state_guard state(dc.get());
    SelectObject(dc.get(), TokenFont());
    GetTextExtentPoint32A(dc.get(), p_sCaption.c_str(), static_cast<int>(p_sCaption.size()), &size);
    size.cx += 2 * kPadding;
    return size;
}

class CTokenObject final : public IOleObject, public IViewObject2, public IMessageToken
{
  public:
    CTokenObject(const std::string& p_sName, bool p_bAvailable) : m_sName(p_sName), m_bAvailable(p_bAvailable)
    {
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (p_ppv == nullptr)
            return E_POINTER;
        *p_ppv = nullptr;
        if (IsEqualIID(p_riid, IID_IUnknown) || IsEqualIID(p_riid, IID_IOleObject))
            *p_ppv = static_cast<IOleObject*>(this);
        else if (IsEqualIID(p_riid, IID_IViewObject) || IsEqualIID(p_riid, IID_IViewObject2))
            *p_ppv = static_cast<IViewObject2*>(this);
        else if (IsEqualIID(p_riid, IID_IMessageToken))
            *p_ppv = static_cast<IMessageToken*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return m_oRefs.AddRef();
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        return m_oRefs.Release(this, "CTokenObject::Release");
    }

    // IMessageToken
    STDMETHODIMP GetName(const char** p_pszName) override
    {
        if (p_pszName == nullptr)
            return E_POINTER;
        *p_pszName = m_sName.c_str();
        return S_OK;
    }
    STDMETHODIMP GetAvailable(BOOL* p_pbAvailable) override
    {
        if (p_pbAvailable == nullptr)
            return E_POINTER;
        *p_pbAvailable = m_bAvailable ? TRUE : FALSE;
        return S_OK;
    }
    STDMETHODIMP SetAvailable(BOOL p_bAvailable) override
    {
        const bool bAvailable = p_bAvailable != FALSE;
        if (bAvailable == m_bAvailable)
            return S_FALSE;
        m_bAvailable = bAvailable;
        return S_OK;
    }

    // IOleObject: a static object that only needs to sit in the control.
    STDMETHODIMP SetClientSite(IOleClientSite* p_pSite) override
    {
        m_pSite = com_ptr<IOleClientSite>::copy_from(p_pSite);
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** p_ppSite) override
    {
        if (p_ppSite == nullptr)
            return E_POINTER;
        *p_ppSite = com_ptr<IOleClientSite>(m_pSite).detach();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override
    {
        return S_OK;
    }
    STDMETHODIMP Close(DWORD) override
    {
        return SetClientSite(nullptr);
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Update() override
    {
        return S_OK;
    }
    STDMETHODIMP IsUpToDate() override
    {
        return S_OK;
    }
    STDMETHODIMP GetUserClassID(CLSID* p_pClsid) override
    {
        if (p_pClsid == nullptr)
            return E_POINTER;
        *p_pClsid = CLSID_NULL;
        return S_OK;
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExtent(DWORD p_dwAspect, SIZEL* p_pSize) override
    {
        if (p_pSize == nullptr)
            return E_POINTER;
        if (p_dwAspect != DVASPECT_CONTENT)
            return E_INVALIDARG;
        *p_pSize = TokenExtent(m_sName);
        return S_OK;
    }
    STDMETHODIMP Advise(IAdviseSink*, DWORD* p_pdwConnection) override
    {
        if (p_pdwConnection != nullptr)
            *p_pdwConnection = 0;
        return E_NOTIMPL;
    }
    STDMETHODIMP Unadvise(DWORD) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* p_pdwStatus) override
    {
        if (p_pdwStatus == nullptr)
            return E_POINTER;
        *p_pdwStatus = OLEMISC_STATIC | OLEMISC_CANTLINKINSIDE;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override
    {
        return E_NOTIMPL;
    }

    // IViewObject2
    STDMETHODIMP Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC p_hdcDraw, LPCRECTL p_prcBounds, LPCRECTL,
                      BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override
    {
        return TrapExceptions("CTokenObject::Draw", E_FAIL, [&]() -> HRESULT {
            if (p_hdcDraw == nullptr || p_prcBounds == nullptr)
                return E_INVALIDARG;
            RECT bounds{p_prcBounds->left, p_prcBounds->top, p_prcBounds->right, p_prcBounds->bottom};
            const std::string caption = TokenCaption(m_sName);
            // The control hands over a DC aligned to the baseline; text here is placed by its top.
            const dc_state_guard state(p_hdcDraw);
            SetTextAlign(p_hdcDraw, TA_TOP | TA_LEFT);
            SelectObject(p_hdcDraw, TokenFont());
            const unique_hbrush back(CreateSolidBrush(m_bAvailable ? kAvailableBack : kUnavailableBack));
            FillRect(p_hdcDraw, &bounds, back.get());
            SetBkMode(p_hdcDraw, TRANSPARENT);
            SetTextColor(p_hdcDraw, m_bAvailable ? kAvailableText : GetSysColor(COLOR_GRAYTEXT));
            bounds.left += kPadding;
            DrawTextA(p_hdcDraw, caption.c_str(), static_cast<int>(caption.size()), &bounds,
                      DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
            return S_OK;
        });
    }
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** p_ppPalette) override
    {
        if (p_ppPalette != nullptr)
            *p_ppPalette = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Unfreeze(DWORD) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override
    {
        return S_OK;
    }
    STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExtent(DWORD p_dwAspect, LONG, DVTARGETDEVICE*, LPSIZEL p_pSize) override
    {
        return GetExtent(p_dwAspect, p_pSize);
    }

  private:
    friend class ::CComRefCount;
    ~CTokenObject() = default;

    CComRefCount m_oRefs;
    std::string m_sName;
    bool m_bAvailable;
    com_ptr<IOleClientSite> m_pSite;
};
} // namespace

std::string TokenCaption(const std::string& p_sName)
{
    return "<<" + p_sName + ">>";
}

SIZEL TokenExtent(const std::string& p_sName)
{
    const SIZE pixels = CaptionPixels(TokenCaption(p_sName));
    const unique_window_dc dc(nullptr);
    const int dpiX = dc ? GetDeviceCaps(dc.get(), LOGPIXELSX) : 96;
    const int dpiY = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    return SIZEL{MulDiv(pixels.cx, 2540, dpiX > 0 ? dpiX : 96), MulDiv(pixels.cy, 2540, dpiY > 0 ? dpiY : 96)};
}

IOleObject* CreateTokenObject(const std::string& p_sName, bool p_bAvailable)
{
    return new CTokenObject(p_sName, p_bAvailable);
}
