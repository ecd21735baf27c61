// outlook/gui_changer_win.cpp: the Exchange menu popup, the GuiKind 1 additions and the resource
// module's definitions of one explorer.
#include "outlook/gui_changer_win.h"

#include "common/failure_log.h"
#include "common/trace_log.h"
#include "outlook/plugin_strings.h"
#include "outlook/res/plugin_resource.h"

HINSTANCE g_hPluginInstance = nullptr;

CGUIChanger::CGUIChanger(int p_iGuiKind, IDispatch* p_pApplication, HWND p_hExplorer)
    : m_iGuiKind(p_iGuiKind), m_p_oApplication(com_ptr<IDispatch>::copy_from(p_pApplication)), m_hExplorer(p_hExplorer),
      m_hGuiMutex(LOG_IF_WIN32_BOOL_FALSE(CreateMutexA(nullptr, FALSE, nullptr)))
{
    ReadDefinitions();
}

void CGUIChanger::ReadDefinitions()
{
    m_vToolbar.clear();
    m_vNewSMS.clear();
    std::string path;
    if (!CResourceModule::ConfiguredPath(path) || !m_oResources.Load(path))
        return;
    const unsigned toolbarType = m_iGuiKind == 1 ? kToolbarTextOtherType : kToolbarTextType;
    if (!m_oResources.ReadDefinition("Toolbar.txt", toolbarType, m_vToolbar))
        Log("CGUIChanger::ReadDefinitions: no toolbar definition in %s", path.c_str());
    if (!m_oResources.ReadDefinition("NewSMS.txt", kNewSMSTextType, m_vNewSMS))
        Log("CGUIChanger::ReadDefinitions: no New SMS definition in %s", path.c_str());
}

CToolbarEntry CGUIChanger::CompanionButton() const
{
    return CompanionEntry(m_vNewSMS, PluginText(plugin_string::kNewBrandedSMS));
}

std::string CGUIChanger::ButtonDescription() const
{
    return m_oResources.String(kModuleNewSMSButton, PluginText(plugin_string::kNewSMS));
}

void CGUIChanger::CopyMenu(HMENU p_hFrom, HMENU p_hTo, UINT* p_pCommandBase)
{
    const int count = GetMenuItemCount(p_hFrom);
    for (int i = 0; i < count; ++i)
    {
        char text[256] = {};
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = sizeof text - 1;
        if (!LOG_IF_WIN32_BOOL_FALSE(GetMenuItemInfoA(p_hFrom, static_cast<UINT>(i), TRUE, &item)))
            continue;
        if (item.fType & MFT_SEPARATOR)
        {
            AppendMenuA(p_hTo, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        if (item.hSubMenu != nullptr)
        {
            HMENU sub = CreatePopupMenu();
            CopyMenu(item.hSubMenu, sub, p_pCommandBase);
            AppendMenuA(p_hTo, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), text);
            continue;
        }
        const UINT command = *p_pCommandBase;
        if (!m_oIds.Add(item.wID, command))
        {
            LOG_FAILURE("menu item %u could not take command id %u", item.wID, command);
            continue;
        }
        ++*p_pCommandBase;
        AppendMenuA(p_hTo, MF_STRING, command, text);
    }
}

bool CGUIChanger::InstallExchangeMenu(exchext::IExchExtCallback* p_pCallback, UINT* p_pCommandBase,
                                      const exchext::TBENTRY* p_pToolbars, UINT p_cToolbars)
{
    HMENU menuBar = nullptr;
    ULONG first = 0;
    ULONG last = 0;
    if (FAILED(LOG_IF_FAILED(p_pCallback->GetMenuPos(exchext::kCommandToolsMenu, &menuBar, &first, &last, 0))))
        return false;
    unique_hmenu resource(LoadMenuA(g_hPluginInstance, MAKEINTRESOURCEA(IDR_PLUGIN_MENU)));
    if (!resource || GetSubMenu(resource.get(), 0) == nullptr)
    {
        LOG_FAILURE("the plug-in's menu resource is missing");
        return false;
    }
    m_hPopup = CreatePopupMenu();
    CopyMenu(GetSubMenu(resource.get(), 0), m_hPopup, p_pCommandBase);
    if (!LOG_IF_WIN32_BOOL_FALSE(InsertMenuA(menuBar, first, MF_BYPOSITION | MF_POPUP | MF_STRING,
                                             reinterpret_cast<UINT_PTR>(m_hPopup), "Br&evolt")))
    {
        unique_hmenu orphan(m_hPopup);
        m_hPopup = nullptr;
        return false;
    }
    if (m_iGuiKind == 1)
        InstallNewSMSItem(p_pCallback, p_pToolbars, p_cToolbars);
    SetNoteSelected(false);
    if (m_hExplorer != nullptr)
        DrawMenuBar(m_hExplorer);
    return true;
}

void CGUIChanger::InstallNewSMSItem(exchext::IExchExtCallback* p_pCallback, const exchext::TBENTRY* p_pToolbars,
                                    UINT p_cToolbars)
{
    const std::optional<uint32_t> command = m_oIds.CommandOf(ID_NEW_SMS);
    if (!command)
        return;
    HMENU menu = nullptr;
    ULONG first = 0;
    ULONG last = 0;
    if (SUCCEEDED(LOG_IF_FAILED(p_pCallback->GetMenuPos(exchext::kCommandFileNewMessage, &menu, &first, &last, 0))))
    {
        const std::string caption = m_oResources.String(kModuleNewSMSItem, PluginText(plugin_string::kNewSMS));
        (void)LOG_IF_WIN32_BOOL_FALSE(InsertMenuA(menu, first, MF_BYPOSITION | MF_STRING, *command, caption.c_str()));
    }
    for (UINT i = 0; i < p_cToolbars; ++i)
    {
        if (p_pToolbars[i].hwnd == nullptr)
            continue;
        const CToolbarEntry companion = CompanionButton();
        unique_hbitmap face = m_oResources.FaceBitmap(companion.m_uFaceBitmap);
        if (!face)
            return;
        TBADDBITMAP bitmap{nullptr, reinterpret_cast<UINT_PTR>(face.get())};
        const LRESULT index = SendMessageA(p_pToolbars[i].hwnd, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&bitmap));
        if (index < 0)
            return;
        // The toolbar keeps the bitmap from here on.
        (void)face.release();
        m_ulButtonToolbar = p_pToolbars[i].tbid;
        m_uButtonBitmap = static_cast<UINT>(index) - p_pToolbars[i].itbbBase;
        return;
    }
}

void CGUIChanger::SetNoteSelected(bool p_bNote)
{
    if (m_hPopup == nullptr)
        return;
    const UINT state = MF_BYCOMMAND | (p_bNote ? MF_ENABLED : MF_GRAYED);
    for (const uint32_t resource : {ID_REPLY_VIA_SMS, ID_FORWARD_VIA_SMS})
        if (const std::optional<uint32_t> command = m_oIds.CommandOf(resource))
            EnableMenuItem(m_hPopup, *command, state);
}

namespace
{
// Calls a member of a late-bound object by name; p_pArgs in reverse order as DISPPARAMS has them.
HRESULT CallMember(IDispatch* p_pObject, const wchar_t* p_szName, WORD p_wFlags, VARIANT* p_pArgs, UINT p_cArgs,
                   VARIANT* p_pResult)
{
    std::wstring name(p_szName);
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    RETURN_IF_FAILED(p_pObject->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    DISPPARAMS params{p_pArgs, nullptr, p_cArgs, 0};
    return LOG_IF_FAILED(
        p_pObject->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, p_wFlags, &params, p_pResult, nullptr, nullptr));
}
} // namespace

HRESULT CGUIChanger::GetExplorerDisp(IDispatch** p_ppExplorer) const
{
    *p_ppExplorer = nullptr;
    if (!m_p_oApplication)
        return E_POINTER;
    VARIANT result;
    VariantInit(&result);
    RETURN_IF_FAILED(CallMember(m_p_oApplication.get(), L"ActiveExplorer", DISPATCH_PROPERTYGET | DISPATCH_METHOD,
                                nullptr, 0, &result));
    HRESULT hr = E_NOINTERFACE;
    if (result.vt == VT_DISPATCH && result.pdispVal != nullptr)
        hr = result.pdispVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(p_ppExplorer));
    VariantClear(&result);
    return hr;
}

HRESULT CGUIChanger::OpenNewMail() const
{
    if (!m_p_oApplication)
        return E_POINTER;
    VARIANT kind;
    VariantInit(&kind);
    kind.vt = VT_I4;
    kind.lVal = 0; // a mail item
    VARIANT item;
    VariantInit(&item);
    RETURN_IF_FAILED(CallMember(m_p_oApplication.get(), L"CreateItem", DISPATCH_METHOD, &kind, 1, &item));
    HRESULT hr = E_NOINTERFACE;
    if (item.vt == VT_DISPATCH && item.pdispVal != nullptr)
        hr = CallMember(item.pdispVal, L"Display", DISPATCH_METHOD, nullptr, 0, nullptr);
    VariantClear(&item);
    return hr;
}
