// compose/templates/template_field_object_win.cpp: the template field object: IOleObject enough for
// a rich edit to hold it, IViewObject2 for drawing it, and the private field interface.
#include "compose/templates/template_field_object_win.h"

#include "common/boundary.h"
#include "common/com_ref_count_win.h"
#include "common/handle_win.h"

// {5B0E8C3A-7F21-4C59-9B7E-2E64D1A0C7F4}
const IID IID_ITemplateFieldObject = {0x5B0E8C3A, 0x7F21, 0x4C59, {0x9B, 0x7E, 0x2E, 0x64, 0xD1, 0xA0, 0xC7, 0xF4}};

namespace
{
constexpr COLORREF kFieldText = RGB(128, 0, 0);
constexpr COLORREF kFieldBack = RGB(255, 240, 214);
constexpr int kPadding = 2; // pixels each side of the caption

HFONT FieldFont()
{
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// The caption's size in HIMETRIC, as the rich edit lays the object out.
SIZEL CaptionExtent(const std::string& p_sCaption)
{
    SIZE pixels{0, 0};
    const unique_window_dc dc(nullptr);
    if (!dc)
        return SIZEL{0, 0};
    {
        const dc_state_guard state(dc.get());
        SelectObject(dc.get(), FieldFont());
        GetTextExtentPoint32A(dc.get(), p_sCaption.c_str(), static_cast<int>(p_sCaption.size()), &pixels);
    }
    pixels.cx += 2 * kPadding;
    const int dpiX = GetDeviceCaps(dc.get(), LOGPIXELSX);
    const int dpiY = GetDeviceCaps(dc.get(), LOGPIXELSY);
    return SIZEL{MulDiv(pixels.cx, 2540, dpiX > 0 ? dpiX : 96), MulDiv(pixels.cy, 2540, dpiY > 0 ? dpiY : 96)};
}

class CTemplateFieldObject final : public IOleObject, public IViewObject2, public ITemplateFieldObject
{
  public:
    explicit CTemplateFieldObject(const compose::CTemplateField& p_oField) : m_oField(p_oField)
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
        else if (IsEqualIID(p_riid, IID_ITemplateFieldObject))
            *p_ppv = static_cast<ITemplateFieldObject*>(this);
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
        return m_oRefs.Release(this, "CTemplateFieldObject::Release");
    }

    // ITemplateFieldObject
    STDMETHODIMP GetField(const compose::CTemplateField** p_ppField) override
    {
        if (p_ppField == nullptr)
            return E_POINTER;
        *p_ppField = &m_oField;
        return S_OK;
    }
    STDMETHODIMP SetField(const compose::CTemplateField* p_pField) override
    {
        if (p_pField == nullptr)
            return E_POINTER;
        return TrapExceptions("CTemplateFieldObject::SetField", E_FAIL, [&]() -> HRESULT {
            m_oField = *p_pField;
            return S_OK;
        });
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
        *p_pSize = CaptionExtent(TemplateFieldCaption(m_oField));
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
        return TrapExceptions("CTemplateFieldObject::Draw", E_FAIL, [&]() -> HRESULT {
            if (p_hdcDraw == nullptr || p_prcBounds == nullptr)
                return E_INVALIDARG;
            RECT bounds{p_prcBounds->left, p_prcBounds->top, p_prcBounds->right, p_prcBounds->bottom};
            const std::string caption = TemplateFieldCaption(m_oField);
            // The control hands over a DC aligned to the baseline; text here is placed by its top.
            const dc_state_guard state(p_hdcDraw);
            SetTextAlign(p_hdcDraw, TA_TOP | TA_LEFT);
            SelectObject(p_hdcDraw, FieldFont());
            const unique_hbrush back(CreateSolidBrush(kFieldBack));
            FillRect(p_hdcDraw, &bounds, back.get());
            SetBkMode(p_hdcDraw, TRANSPARENT);
            SetTextColor(p_hdcDraw, kFieldText);
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
    ~CTemplateFieldObject() = default;

    CComRefCount m_oRefs;
    compose::CTemplateField m_oField;
    com_ptr<IOleClientSite> m_pSite;
};
} // namespace

std::string TemplateFieldCaption(const compose::CTemplateField& p_oField)
{
    return "<<" + compose::TemplateFieldLabel(p_oField) + ">>";
}

IOleObject* CreateTemplateFieldObject(const compose::CTemplateField& p_oField)
{
    return new CTemplateFieldObject(p_oField);
}
