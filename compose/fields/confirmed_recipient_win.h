// compose/fields/confirmed_recipient_win.h: CConfirmedRecipient, a checked recipient embedded in a
// recipient field as an OLE object that owns a copy of its record and draws its label; and
// CRecipientData, the data object a field puts on the clipboard for a copy of several recipients.
// Both offer the label (or the selection's text) as CF_UNICODETEXT and CF_TEXT, and the recipients
// as "SMSRecip" blocks.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "common/com_ref_count_win.h"
#include "common/handle_win.h"

#include <windows.h>
#include <ole2.h>

#include <string>

// The registered "SMSRecip" clipboard format; 0 when it could not be registered.
CLIPFORMAT RecipientClipboardFormat();

// What a field asks an embedded object for its record through.
// {6F7C0D51-3E0B-4C7A-9A51-2B8E4D1C5A01}
extern const IID IID_IRecipientObject;
struct IRecipientObject : public IUnknown
{
    // The object keeps the record; the caller copies it through the core to keep it.
    virtual HRESULT STDMETHODCALLTYPE GetRecipient(const CMessageRecipient** p_pp_oRecipient) = 0;
};

// Frees a record the object owned, through the library that made it.
using RecipientDeleter = decltype(&DeleteMessageRecipient);

class CConfirmedRecipient final : public IOleObject, public IViewObject2, public IDataObject, public IRecipientObject
{
  public:
    // Takes ownership of p_p_oRecipient; p_hFont draws the label (not owned).
    CConfirmedRecipient(CMessageRecipient* p_p_oRecipient, RecipientDeleter p_pfnDelete, HFONT p_hFont);
    CConfirmedRecipient(const CConfirmedRecipient&) = delete;
    CConfirmedRecipient& operator=(const CConfirmedRecipient&) = delete;

    // The label's size in HIMETRIC, as the rich edit places the object.
    SIZEL Extent() const
    {
        return m_stExtent;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* p_pSite) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** p_ppSite) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** p_ppData) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override;
    HRESULT STDMETHODCALLTYPE Update() override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* p_pClsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD p_dwAspect, SIZEL* p_pSize) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* p_pdwStatus) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override;

    // IViewObject2
    HRESULT STDMETHODCALLTYPE Draw(DWORD p_dwAspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC p_hdcDraw,
                                   LPCRECTL p_prcBounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                   ULONG_PTR) override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override;
    HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override;
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD, DWORD, IAdviseSink*) override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD*, DWORD*, IAdviseSink**) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD p_dwAspect, LONG, DVTARGETDEVICE*, LPSIZEL p_pSize) override;

    // IDataObject
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* p_pFormat, STGMEDIUM* p_pMedium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* p_pFormat) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* p_pOut) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD p_dwDirection, IEnumFORMATETC** p_ppEnum) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override;

    // IRecipientObject
    HRESULT STDMETHODCALLTYPE GetRecipient(const CMessageRecipient** p_pp_oRecipient) override;

  private:
    friend class ::CComRefCount;
    ~CConfirmedRecipient();

    CComRefCount m_oRefs;
    CMessageRecipient* m_p_oRecipient;
    RecipientDeleter m_pfnDelete;
    HFONT m_hFont;
    std::string m_sLabel;
    std::string m_sBlock;
    SIZEL m_stExtent{};
    com_ptr<IOleClientSite> m_pSite;
    com_ptr<IAdviseSink> m_pViewSink;
};

// The clipboard's copy of a field selection: its text and the blocks of its recipients.
class CRecipientData final : public IDataObject
{
  public:
    CRecipientData(std::string p_sText, std::string p_sBlocks);
    CRecipientData(const CRecipientData&) = delete;
    CRecipientData& operator=(const CRecipientData&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* p_pFormat, STGMEDIUM* p_pMedium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* p_pFormat) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* p_pOut) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD p_dwDirection, IEnumFORMATETC** p_ppEnum) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override;

  private:
    friend class ::CComRefCount;
    ~CRecipientData() = default;

    CComRefCount m_oRefs;
    std::string m_sText;
    std::string m_sBlocks;
};
