// standins/outlook/ol_object_model_win.cpp: Application, NameSpace and MAPIFolder over the profile,
// and the Explorer of a window.
#include "standins/outlook/ol_object_model_win.h"

#include "standins/outlook/ol_dispatch_win.h"

namespace olstandin
{
namespace
{
enum EDispid : DISPID
{
    kName = 0x3001,
    kVersion = 0x0116,
    kGetNamespace = 0x0110,
    kType = 0x2101,
    kGetDefaultFolder = 0x020B,
    kMapiObject = 0xF100,
    kEntryId = 0x2103,
    kStoreId = 0x2108,
    kActiveExplorer = 0x0111,
    kCaption = 0x2111,
    kClose = 0x2103
};

[[nodiscard]] bool ArgText(const VARIANT* p_pArg, std::wstring& p_sText)
{
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(p_pArg), 0, VT_BSTR)))
        return false;
    p_sText = text.bstrVal != nullptr ? text.bstrVal : L"";
    (void)VariantClear(&text);
    return true;
}

[[nodiscard]] bool ArgLong(const VARIANT* p_pArg, LONG& p_lValue)
{
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(p_pArg), 0, VT_I4)))
        return false;
    p_lValue = number.lVal;
    return true;
}

HRESULT ReturnUnknown(VARIANT& p_oResult, IUnknown* p_pObject)
{
    if (p_pObject == nullptr)
        return E_FAIL;
    p_pObject->AddRef();
    p_oResult.vt = VT_UNKNOWN;
    p_oResult.punkVal = p_pObject;
    return S_OK;
}

class CFolder final : public CDispatchObject
{
  public:
    CFolder(CHostServices& p_oServices, CEntryId p_oEntryId)
        : CDispatchObject({{L"Name", kName, DISPATCH_PROPERTYGET, 0},
                           {L"EntryID", kEntryId, DISPATCH_PROPERTYGET, 0},
                           {L"StoreID", kStoreId, DISPATCH_PROPERTYGET, 0},
                           {L"MAPIOBJECT", kMapiObject, DISPATCH_PROPERTYGET, 0}}),
          m_oServices(p_oServices), m_oEntryId(std::move(p_oEntryId))
    {
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>&, VARIANT& p_oResult) override
    {
        CMapiProfile& profile = *m_oServices.m_p_oProfile;
        switch (p_id)
        {
        case kName:
            return ReturnText(p_oResult, profile.DisplayName(m_oEntryId));
        case kEntryId:
            return ReturnText(p_oResult, HexText(m_oEntryId));
        case kStoreId:
            return ReturnText(p_oResult, HexText(profile.StoreId()));
        default:
            return ReturnUnknown(p_oResult, profile.OpenEntry(m_oEntryId).get());
        }
    }

  private:
    CHostServices& m_oServices;
    CEntryId m_oEntryId;
};

class CNameSpace final : public CDispatchObject
{
  public:
    explicit CNameSpace(CHostServices& p_oServices)
        : CDispatchObject({{L"Type", kType, DISPATCH_PROPERTYGET, 0},
                           {L"GetDefaultFolder", kGetDefaultFolder, DISPATCH_METHOD, 1},
                           {L"MAPIOBJECT", kMapiObject, DISPATCH_PROPERTYGET, 0}}),
          m_oServices(p_oServices)
    {
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override
    {
        CMapiProfile& profile = *m_oServices.m_p_oProfile;
        if (p_id == kType)
            return ReturnText(p_oResult, "MAPI");
        if (p_id == kMapiObject)
            return ReturnUnknown(p_oResult, profile.Session());
        LONG kind = 0;
        if (!ArgLong(p_vArgs[0], kind))
            return DISP_E_TYPEMISMATCH;
        CEntryId folder = profile.DefaultFolderId(kind);
        if (folder.empty())
            return E_INVALIDARG;
        com_ptr<IDispatch> object;
        object.attach(new CFolder(m_oServices, std::move(folder)));
        return ReturnObject(p_oResult, std::move(object));
    }

  private:
    CHostServices& m_oServices;
};

// An explorer window seen from the object model; it holds the window, which may close under it.
class CExplorerObject final : public CDispatchObject
{
  public:
    explicit CExplorerObject(HWND p_hWnd)
        : CDispatchObject({{L"Caption", kCaption, DISPATCH_PROPERTYGET, 0}, {L"Close", kClose, DISPATCH_METHOD, 0}}),
          m_hWnd(p_hWnd)
    {
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>&, VARIANT& p_oResult) override
    {
        if (!IsWindow(m_hWnd))
            return E_FAIL;
        if (p_id == kClose)
            return PostMessageA(m_hWnd, WM_CLOSE, 0, 0) ? S_OK : E_FAIL;
        char caption[256] = {};
        GetWindowTextA(m_hWnd, caption, sizeof caption);
        return ReturnText(p_oResult, caption);
    }

  private:
    HWND m_hWnd;
};

class CApplication final : public CDispatchObject
{
  public:
    explicit CApplication(CHostServices& p_oServices)
        : CDispatchObject({{L"Name", kName, DISPATCH_PROPERTYGET, 0},
                           {L"Version", kVersion, DISPATCH_PROPERTYGET, 0},
                           {L"GetNamespace", kGetNamespace, DISPATCH_METHOD, 1},
                           {L"ActiveExplorer", kActiveExplorer, DISPATCH_METHOD, 0}}),
          m_oServices(p_oServices)
    {
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override
    {
        if (p_id == kName)
            return ReturnText(p_oResult, "Microsoft Outlook");
        if (p_id == kVersion)
            return ReturnText(p_oResult, std::to_string(m_oServices.m_nMajor) + "." +
                                             std::to_string(m_oServices.m_nMinor) + ".0.0");
        if (p_id == kActiveExplorer)
        {
            const HWND explorer = m_oServices.m_fnActiveExplorer ? m_oServices.m_fnActiveExplorer() : nullptr;
            if (explorer == nullptr)
                return S_OK;
            com_ptr<IDispatch> object;
            object.attach(new CExplorerObject(explorer));
            return ReturnObject(p_oResult, std::move(object));
        }
        std::wstring type;
        if (!ArgText(p_vArgs[0], type))
            return DISP_E_TYPEMISMATCH;
        if (lstrcmpiW(type.c_str(), L"MAPI") != 0 || m_oServices.m_p_oProfile == nullptr ||
            !m_oServices.m_p_oProfile->IsStarted())
            return E_INVALIDARG;
        com_ptr<IDispatch> object;
        object.attach(new CNameSpace(m_oServices));
        return ReturnObject(p_oResult, std::move(object));
    }

  private:
    CHostServices& m_oServices;
};
} // namespace

com_ptr<IDispatch> CreateApplication(CHostServices& p_oServices)
{
    com_ptr<IDispatch> application;
    application.attach(new CApplication(p_oServices));
    return application;
}
} // namespace olstandin
