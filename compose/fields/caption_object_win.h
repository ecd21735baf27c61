// compose/fields/caption_object_win.h: the base of the objects a rich edit holds as one character and
// that draw a caption on a coloured box (the mail-merge tokens and the template fields): IOleObject
// enough to sit in the control, IViewObject2 for drawing, and one private interface of the derived
// class.
#pragma once

#include "common/com_ref_count_win.h"
#include "common/handle_win.h"

#include <windows.h>
#include <ole2.h>

#include <string>

// The size of a caption box in HIMETRIC, as the rich edit lays the object out.
SIZEL CaptionObjectExtent(const std::string& p_sCaption);

class CCaptionObject : public IOleObject, public IViewObject2
{
  public:
    // IUnknown: IOleObject, IViewObject and IViewObject2, then whatever OwnInterface answers.
    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleObject: a static object that only needs to sit in the control.
    STDMETHODIMP SetClientSite(IOleClientSite* p_pSite) override;
    STDMETHODIMP GetClientSite(IOleClientSite** p_ppSite) override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override;
    STDMETHODIMP Close(DWORD) override;
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override;
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override;
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override;
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override;
    STDMETHODIMP DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* p_pClsid) override;
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override;
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override;
    STDMETHODIMP GetExtent(DWORD p_dwAspect, SIZEL* p_pSize) override;
    STDMETHODIMP Advise(IAdviseSink*, DWORD* p_pdwConnection) override;
    STDMETHODIMP Unadvise(DWORD) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override;
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* p_pdwStatus) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override;

    // IViewObject2
    STDMETHODIMP Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC p_hdcDraw, LPCRECTL p_prcBounds, LPCRECTL,
                      BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** p_ppPalette) override;
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override;
    STDMETHODIMP Unfreeze(DWORD) override;
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override;
    STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink**) override;
    STDMETHODIMP GetExtent(DWORD p_dwAspect, LONG, DVTARGETDEVICE*, LPSIZEL p_pSize) override;

  protected:
    struct SColors
    {
        COLORREF crText;
        COLORREF crBack;
    };

    // p_szName names the class in trapped-fault traces; it must outlive the object.
    explicit CCaptionObject(const char* p_szName) : m_szName(p_szName)
    {
    }
    virtual ~CCaptionObject() = default;

    // The derived class's private interface for p_riid, or null (no reference taken here).
    virtual void* OwnInterface(REFIID p_riid) = 0;
    virtual std::string Caption() const = 0;
    virtual SColors Colors() const = 0;

  private:
    friend class ::CComRefCount;

    CComRefCount m_oRefs;
    const char* m_szName;
    com_ptr<IOleClientSite> m_pSite;
};
