// outlook/gui_changer_win.cpp: the Exchange menu popup, the GuiKind 1 additions and the resource
// module's definitions of one explorer.
#include "outlook/gui_changer_win.h"

#include "common/failure_log.h"
#include "common/late_bound_win.h"
#include "common/mapi_owner_win.h"
#include "common/trace_log.h"
#include "outlook/clipboard_keeper_win.h"
#include "outlook/drop_down_win.h"
#include "outlook/plugin_strings.h"
#include "outlook/res/plugin_resource.h"

HINSTANCE g_hPluginInstance = nullptr;

CGUIChanger::CGUIChanger(int p_iGuiKind, IDispatch* p_pApplication, HWND p_hExplorer)
    : m_iGuiKind(p_iGuiKind), m_p_oApplication(com_ptr<IDispatch>::copy_from(p_pApplication)), m_hExplorer(p_hExplorer),
      m_hGuiMutex(LOG_IF_WIN32_BOOL_FALSE(CreateMutexA(nullptr, FALSE, nullptr)))
{
    ReadDefinitions();
}

CGUIChanger::~CGUIChanger()
{
    CDropDown::Close(m_hExplorer);
    if (m_bWatched)
        resource_watcher::Unwatch(m_hExplorer);
    // An explorer that went without its Close event still leaves its bar's state.
    if (m_p_oModel && !m_p_oModel->StateRecorded())
        m_p_oModel->RecordToolbarState();
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
    if (m_p_oModel)
        m_p_oModel->SetReplyForwardEnabled(p_bNote);
    if (m_hPopup == nullptr)
        return;
    const UINT state = MF_BYCOMMAND | (p_bNote ? MF_ENABLED : MF_GRAYED);
    for (const uint32_t resource : {ID_REPLY_VIA_SMS, ID_FORWARD_VIA_SMS})
        if (const std::optional<uint32_t> command = m_oIds.CommandOf(resource))
            EnableMenuItem(m_hPopup, *command, state);
}

HRESULT CGUIChanger::GetExplorerDisp(IDispatch** p_ppExplorer) const
{
    *p_ppExplorer = nullptr;
    if (!m_p_oApplication)
        return E_POINTER;
    CVariant result;
    RETURN_IF_FAILED(
        CallMember(m_p_oApplication.get(), L"ActiveExplorer", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &result));
    if (result.Object() == nullptr)
        return E_NOINTERFACE;
    return result.Object()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(p_ppExplorer));
}

HRESULT CGUIChanger::OpenNewMail() const
{
    if (!m_p_oApplication)
        return E_POINTER;
    const CVariant mail(0L);
    CVariant item;
    RETURN_IF_FAILED(CallMember(m_p_oApplication.get(), L"CreateItem", DISPATCH_METHOD, {&mail.m_v}, &item));
    if (item.Object() == nullptr)
        return E_NOINTERFACE;
    return CallMember(item.Object(), L"Display", DISPATCH_METHOD, {}, nullptr);
}

HRESULT CGUIChanger::GetOLDispFromMAPIFolder(IMsgStore* p_pStore, IMAPIProp* p_pFolder, IDispatch** p_ppFolder)
{
    *p_ppFolder = nullptr;
    if (!m_p_oApplication || p_pFolder == nullptr)
        return E_POINTER;
    // A selected message stands for the folder it is in.
    SizedSPropTagArray(3, tags) = {3, {PR_OBJECT_TYPE, PR_ENTRYID, PR_PARENT_ENTRYID}};
    ULONG count = 0;
    SPropValue* values = nullptr;
    const HRESULT got =
        LOG_IF_MAPI_FAILED(p_pFolder->GetProps(reinterpret_cast<SPropTagArray*>(&tags), 0, &count, &values));
    const unique_mapi_buffer<SPropValue> valuesOwner(values);
    if (FAILED(got) || values == nullptr || count != 3)
        return FAILED(got) ? got : E_FAIL;
    const bool folder = values[0].ulPropTag == PR_OBJECT_TYPE && values[0].Value.l == MAPI_FOLDER;
    const SPropValue& entry = folder ? values[1] : values[2];
    if (PROP_TYPE(entry.ulPropTag) != PT_BINARY)
        return MAPI_E_NOT_FOUND;
    const CVariant entryHex(EntryIdHex(entry.Value.bin.lpb, entry.Value.bin.cb));
    CVariant storeHex = CVariant::Missing();
    SizedSPropTagArray(1, storeTags) = {1, {PR_ENTRYID}};
    ULONG storeCount = 0;
    SPropValue* storeEntry = nullptr;
    if (p_pStore != nullptr &&
        SUCCEEDED(p_pStore->GetProps(reinterpret_cast<SPropTagArray*>(&storeTags), 0, &storeCount, &storeEntry)) &&
        storeEntry != nullptr && storeEntry->ulPropTag == PR_ENTRYID)
        storeHex = CVariant(EntryIdHex(storeEntry->Value.bin.lpb, storeEntry->Value.bin.cb));
    const unique_mapi_buffer<SPropValue> storeOwner(storeEntry);
    const CVariant mapi(L"MAPI");
    const CVariant space = CallMethod(m_p_oApplication.get(), L"GetNamespace", {&mapi.m_v});
    CVariant found;
    RETURN_IF_FAILED(
        CallMember(space.Object(), L"GetFolderFromID", DISPATCH_METHOD, {&entryHex.m_v, &storeHex.m_v}, &found));
    if (found.Object() == nullptr)
        return E_NOINTERFACE;
    m_p_oFolder = com_ptr<IDispatch>::copy_from(found.Object());
    *p_ppFolder = m_p_oFolder.get();
    (*p_ppFolder)->AddRef();
    return S_OK;
}

bool CGUIChanger::InstallationRun(IDispatch* p_pExplorer, IDispatch* p_pSink, bool p_bShowBar)
{
    // Each control is tried once per explorer: a step that failed is not retried at every selection
    // change, which would churn the user's clipboard.
    if ((m_iGuiKind != 3 && m_iGuiKind != 2) || p_pExplorer == nullptr || m_bInstallRunDone)
        return false;
    // Outlook 97 and 98 build with the model their hooks made.
    if (m_iGuiKind == 2 && !m_p_oModel)
        return false;
    m_bInstallRunDone = true;
    if (!m_p_oModel)
        m_p_oModel = std::make_unique<COL2000>(p_pExplorer, m_hExplorer, p_pSink);
    if (m_oResources.Loaded())
    {
        const auto load = [this](const CToolbarEntry& p_oEntry) {
            for (const uint32_t id : {p_oEntry.m_uFaceBitmap, p_oEntry.m_uSecondBitmap})
                if (id != 0 && m_oFaces.find(id) == m_oFaces.end())
                    m_oFaces.emplace(id, m_oResources.FaceBitmap(id));
        };
        for (const CToolbarEntry& entry : m_vToolbar)
        {
            load(entry);
            for (const CToolbarEntry& child : entry.m_vChildren)
                load(child);
        }
        load(CompanionButton());
        // Released so that an update can replace the module's file while the client runs.
        m_oResources.Unload();
    }
    // Faces go through the clipboard: when the user's content cannot be kept aside the controls are
    // installed without faces rather than lose it.
    CClipboardKeeper clipboard;
    const bool saved = clipboard.Save(m_hExplorer);
    const CFaceBitmaps none;
    const CFaceBitmaps& faces = saved ? m_oFaces : none;
    const CToolbarEntry companion = CompanionButton();
    const auto face = faces.find(companion.m_uFaceBitmap);
    const HBITMAP companionFace = face != faces.end() ? face->second.get() : nullptr;
    bool installed = m_p_oModel->InstallButtonOnNewItem(companion, companionFace);
    installed = m_p_oModel->InstallMenuEntry(companion, companionFace) || installed;
    installed = m_p_oModel->InstallSMSToolbar(m_vToolbar, faces, p_bShowBar) || installed;
    if (saved)
        clipboard.Restore(m_hExplorer);
    if (installed && !m_bWatched)
        m_bWatched = resource_watcher::Watch(m_hExplorer, m_hGuiMutex.get(), kReInstallToolbarCommand);
    return installed;
}

bool CGUIChanger::InstallHooks(IDispatch* p_pExplorer, int p_iHostVersionCode, CCol97Events p_oEvents)
{
    if (m_iGuiKind != 2 || m_p_oModel)
        return false;
    auto model = std::make_unique<COL97>(p_pExplorer, m_hExplorer, p_iHostVersionCode, std::move(p_oEvents));
    if (!COL97::Hooked())
        return false;
    m_p_oModel = std::move(model);
    return true;
}

void CGUIChanger::ReInstallToolbar(IDispatch* p_pExplorer, IDispatch* p_pSink)
{
    Log("ReInstallToolbar\n");
    if (!m_p_oModel)
        return;
    const bool show = m_p_oModel->BarVisible(true);
    ReadDefinitions();
    m_oFaces.clear();
    m_bInstallRunDone = false;
    (void)InstallationRun(p_pExplorer, p_pSink, show);
}

bool CGUIChanger::RectifyButtonPositions()
{
    if (!m_p_oModel)
        return false;
    const CToolbarEntry companion = CompanionButton();
    // Only a companion added again pastes a face: the clipboard is kept aside for that alone.
    CClipboardKeeper clipboard;
    const bool saved = m_p_oModel->StandardCompanionGone() && clipboard.Save(m_hExplorer);
    const auto face = m_oFaces.find(companion.m_uFaceBitmap);
    const HBITMAP companionFace = saved && face != m_oFaces.end() ? face->second.get() : nullptr;
    const bool settled = m_p_oModel->RectifyButtonPositions(companion, companionFace);
    if (saved)
        clipboard.Restore(m_hExplorer);
    return settled;
}

void CGUIChanger::RefreshSelection()
{
    if (m_p_oModel)
        SetNoteSelected(m_p_oModel->OneNoteSelected());
}

void CGUIChanger::OnExplorerClose()
{
    if (!m_p_oModel)
        return;
    m_p_oModel->RecordToolbarState();
    m_p_oModel->Disconnect();
}
