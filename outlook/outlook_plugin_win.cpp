// outlook/outlook_plugin_win.cpp: the extension object's life, its interface answers per context,
// Install and the process-wide state all its objects share.
#include "outlook/outlook_plugin_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "common/unique_any.h"
#include "outlook/command_invoker_win.h"
#include "outlook/host_mapi_win.h"
#include "outlook/plugin_rules.h"
#include "outlook/plugin_strings.h"

#include <algorithm>
#include <new>
#include <vector>

namespace
{
std::unique_ptr<CCommandInvoker> g_p_oCommand;
int g_iViewerCount = 0;
std::vector<HWND> g_vViewers;
bool g_bToolbarShowing = true;
POINT g_ptButtonAnchor{};

void ReportInstallFailure(const std::string& p_sText)
{
    ShowMessageBox(GetDesktopWindow(), p_sText, PluginText(plugin_string::kErrorOccurred),
                   MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

void ReportCall(const char* p_szCall, HRESULT p_hr)
{
    ReportInstallFailure(
        PluginText(plugin_string::kCallFailed, p_szCall, static_cast<unsigned>(p_hr), "COutlookPlugin::Install"));
}

void ReportFunction(const char* p_szFunction)
{
    ReportInstallFailure(PluginText(plugin_string::kFunctionFailed, p_szFunction, "COutlookPlugin::Install"));
}

void ReportConstruction(const char* p_szObject)
{
    ReportInstallFailure(PluginText(plugin_string::kConstructFailed, p_szObject, "COutlookPlugin::Install"));
}

com_ptr<IDispatch> ApplicationOf(exchext::IExchExtCallback* p_pCallback)
{
    com_ptr<exchext::IOutlookExtCallback> outlook;
    if (FAILED(LOG_IF_FAILED(p_pCallback->QueryInterface(exchext::IID_IOutlookExtCallback, outlook.put_void()))))
        return {};
    com_ptr<IUnknown> application;
    if (FAILED(LOG_IF_FAILED(outlook->GetObject(application.put()))) || !application)
        return {};
    return application.query<IDispatch>(IID_IDispatch);
}
} // namespace

CCommandInvoker* ProcessCommandInvoker()
{
    return g_p_oCommand.get();
}

bool ToolbarShowing()
{
    return g_bToolbarShowing;
}

POINT LastButtonAnchor()
{
    return g_ptButtonAnchor;
}

void SetLastButtonAnchor(POINT p_ptAnchor)
{
    g_ptButtonAnchor = p_ptAnchor;
}

COutlookPlugin::COutlookPlugin()
{
    if (!m_oVersion.CheckVersion())
        Log("COutlookPlugin::COutlookPlugin: the host version is unknown");
    m_iGuiKind = GuiKind(m_oVersion.Code());
    CRegistry registry;
    g_bToolbarShowing = ToolbarShowingFromText(registry.ReadUserText("OutlookToolbarShowing"));
}

COutlookPlugin::~COutlookPlugin()
{
    Log("COutlookPlugin::~COutlookPlugin()\n");
    CloseExplorerSink();
    m_p_oGC.reset();
    if (!m_bCountedViewer)
        return;
    g_vViewers.erase(std::remove(g_vViewers.begin(), g_vViewers.end(), m_hExplorer), g_vViewers.end());
    if (!g_vViewers.empty() && g_p_oCommand)
        g_p_oCommand->Spawner().SetBrowserWindow(g_vViewers.front());
    if (--g_iViewerCount == 0)
    {
        g_vViewers.clear();
        g_p_oCommand.reset();
    }
}

HRESULT COutlookPlugin::QueryInterface(REFIID p_riid, void** p_ppv)
{
    return TrapExceptions("COutlookPlugin::QueryInterface", E_NOINTERFACE, [&]() -> HRESULT {
        if (p_ppv == nullptr)
            return E_POINTER;
        *p_ppv = nullptr;
        const bool viewer = m_ulContext == exchext::kContextViewer;
        if (p_riid == IID_IUnknown || p_riid == exchext::IID_IExchExt)
            *p_ppv = static_cast<exchext::IExchExt*>(this);
        else if (p_riid == exchext::IID_IExchExtCommands && viewer)
            *p_ppv = static_cast<exchext::IExchExtCommands*>(this);
        else if (p_riid == exchext::IID_IExchExtUserEvents && viewer)
            *p_ppv = static_cast<exchext::IExchExtUserEvents*>(this);
        else if (p_riid == exchext::IID_IExchExtSessionEvents && viewer)
            *p_ppv = static_cast<exchext::IExchExtSessionEvents*>(this);
        else if (p_riid == exchext::IID_IExchExtMessageEvents && m_ulContext == exchext::kContextSendNote)
            *p_ppv = static_cast<exchext::IExchExtMessageEvents*>(this);
        else if (p_riid == IID_IDispatch)
            *p_ppv = static_cast<IDispatch*>(this);
        else if (p_riid == exchext::IID_ExplorerEvents && viewer)
        {
            Log("Want an OL9::ExplorerEvents please\n");
            *p_ppv = static_cast<IDispatch*>(this);
        }
        else if (p_riid == exchext::IID_CommandBarButtonEvents && viewer)
            *p_ppv = static_cast<IDispatch*>(this);
        if (*p_ppv != nullptr)
        {
            AddRef();
            return S_OK;
        }
        LPOLESTR text = nullptr;
        if (FAILED(StringFromIID(p_riid, &text)) || text == nullptr)
        {
            Log("Could not get the IID\n");
            return E_NOINTERFACE;
        }
        const scope_exit freeText([text] { CoTaskMemFree(text); });
        char narrow[64] = {};
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
        Log("Queried for: %s\n", narrow);
        return E_NOINTERFACE;
    });
}

ULONG COutlookPlugin::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
}

ULONG COutlookPlugin::Release()
{
    const LONG refs = InterlockedDecrement(&m_lRefs);
    if (refs == 0)
        TrapExceptionsVoid("COutlookPlugin::Release", [this] { delete this; });
    return static_cast<ULONG>(refs);
}

HRESULT COutlookPlugin::Install(exchext::IExchExtCallback* p_pCallback, ULONG p_ulContext, ULONG)
{
    return TrapExceptions("COutlookPlugin::Install", S_FALSE, [&]() -> HRESULT {
        m_ulContext = p_ulContext;
        if (p_ulContext == exchext::kContextViewer)
            return InstallViewer(p_pCallback);
        if (p_ulContext == exchext::kContextSendNote)
            return S_OK;
        return S_FALSE;
    });
}

HRESULT COutlookPlugin::InstallViewer(exchext::IExchExtCallback* p_pCallback)
{
    ++g_iViewerCount;
    m_bCountedViewer = true;
    HRESULT hr = LOG_IF_FAILED(p_pCallback->GetWindow(&m_hExplorer));
    if (FAILED(hr))
    {
        ReportCall("GetWindow", hr);
        return S_FALSE;
    }
    g_vViewers.push_back(m_hExplorer);
    RecordHostMapiFreeFunctions();
    const com_ptr<IDispatch> application = ApplicationOf(p_pCallback);
    if (!application)
    {
        ReportFunction("GetOutlookDispatch");
        return S_FALSE;
    }
    m_p_oGC.reset(new (std::nothrow) CGUIChanger(m_iGuiKind, application.get(), m_hExplorer));
    if (!m_p_oGC)
    {
        ReportConstruction("m_p_oGC");
        return S_FALSE;
    }
    if (m_iGuiKind == 3)
    {
        if (FAILED(m_p_oGC->GetExplorerDisp(m_p_oExplorer.put())))
        {
            ReportFunction("m_p_oGC->GetExplorerDisp");
            return S_FALSE;
        }
        if (!SinkToExplorerEvents())
        {
            ReportFunction("SinkToExplorerEvents");
            return S_FALSE;
        }
    }
    com_ptr<IMAPISession> session;
    com_ptr<IAddrBook> addressBook;
    hr = LOG_IF_FAILED(p_pCallback->GetSession(session.put(), addressBook.put()));
    if (FAILED(hr))
    {
        ReportCall("GetSession", hr);
        return S_FALSE;
    }
    if (!FindExplorerFolder(p_pCallback))
    {
        ReportFunction("m_p_oGC->GetOLDispFromMAPIFolder");
        return S_FALSE;
    }
    if (!g_p_oCommand)
    {
        auto command =
            std::unique_ptr<CCommandInvoker>(new (std::nothrow) CCommandInvoker(m_hExplorer, m_oVersion.Code()));
        if (!command || !command->ActualInit(session.get(), application.get()))
        {
            ReportConstruction("g_p_oCommand");
            return S_FALSE;
        }
        g_p_oCommand = std::move(command);
    }
    if (m_iGuiKind == 3)
        (void)m_p_oGC->InstallationRun(m_p_oExplorer.get(), static_cast<IDispatch*>(this), g_bToolbarShowing);
    if (m_iGuiKind == 2)
        InstallOutlook97Hooks();
    if (IsFirstOutlook98Run(m_oVersion.Code()))
    {
        ShowMessageBox(m_hExplorer, PluginText(plugin_string::kFinalStepText), PluginText(plugin_string::kFinalStep),
                       MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        PostMessageA(m_hExplorer, WM_CLOSE, 0, 0);
    }
    return S_OK;
}

void COutlookPlugin::InstallOutlook97Hooks()
{
    // The bar is built through the explorer's command bars where the client has them; the hooks
    // serve the rest even without.
    if (FAILED(m_p_oGC->GetExplorerDisp(m_p_oExplorer.put())))
        Log("COutlookPlugin::InstallOutlook97Hooks: no explorer object; no SMS Bar\n");
    CCol97Events events;
    events.m_fnClick = [this](IDispatch* p_pControl) { OnHookedButtonClick(p_pControl); };
    events.m_fnInstallForms = [] {
        if (CCommandInvoker* command = ProcessCommandInvoker())
            (void)command->Spawner().InstallSMSForms();
    };
    // A hook that could not be set has been reported; the explorer goes on without the bar.
    if (!m_p_oGC->InstallHooks(m_p_oExplorer.get(), m_oVersion.Code(), std::move(events)))
        return;
    // Installed outside Install, as every later re-check; not on the first Outlook 98 start, which
    // only asks for a restart.
    if (m_p_oExplorer && !IsFirstOutlook98Run(m_oVersion.Code()))
        PostMessageA(m_hExplorer, WM_COMMAND, kInstallationRun, 0);
}

bool COutlookPlugin::FindExplorerFolder(exchext::IExchExtCallback* p_pCallback)
{
    // Only the object model's clients ask for its folders.
    if (m_iGuiKind != 3)
        return true;
    com_ptr<IMsgStore> store;
    com_ptr<IMAPIProp> folder;
    if (FAILED(LOG_IF_FAILED(p_pCallback->GetObject(store.put(), folder.put()))) || !folder)
        return false;
    com_ptr<IDispatch> found;
    return SUCCEEDED(LOG_IF_FAILED(m_p_oGC->GetOLDispFromMAPIFolder(store.get(), folder.get(), found.put())));
}

bool COutlookPlugin::SinkToExplorerEvents()
{
    com_ptr<IConnectionPointContainer> container =
        m_p_oExplorer.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!container)
        return false;
    com_ptr<IConnectionPoint> point;
    if (FAILED(LOG_IF_FAILED(container->FindConnectionPoint(exchext::IID_ExplorerEvents, point.put()))))
        return false;
    return SUCCEEDED(LOG_IF_FAILED(point->Advise(static_cast<IDispatch*>(this), &m_dwAdviseCookie)));
}

void COutlookPlugin::CloseExplorerSink()
{
    if (m_p_oExplorer && m_dwAdviseCookie != 0)
    {
        com_ptr<IConnectionPointContainer> container =
            m_p_oExplorer.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
        com_ptr<IConnectionPoint> point;
        if (container && SUCCEEDED(container->FindConnectionPoint(exchext::IID_ExplorerEvents, point.put())))
            (void)LOG_IF_FAILED(point->Unadvise(m_dwAdviseCookie));
    }
    m_dwAdviseCookie = 0;
    m_p_oExplorer.reset();
}

HRESULT COutlookPlugin::GetTypeInfoCount(UINT*)
{
    Log("GetTypeInfoCount\n");
    return E_NOTIMPL;
}

HRESULT COutlookPlugin::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    Log("GetTypeInfo\n");
    return E_NOTIMPL;
}

HRESULT COutlookPlugin::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    Log("GetIDsOfNames\n");
    return E_NOTIMPL;
}

HRESULT COutlookPlugin::Invoke(DISPID p_id, REFIID, LCID, WORD, DISPPARAMS* p_pParams, VARIANT*, EXCEPINFO*, UINT*)
{
    TrapExceptionsVoid("COutlookPlugin::Invoke", [&] {
        Log("Invoke\n");
        const UINT arguments = p_pParams != nullptr ? p_pParams->cArgs : 0;
        constexpr DISPID kButtonClick = 1;
        constexpr DISPID kSelectionChange = 0xF007;
        constexpr DISPID kExplorerClose = 0xF008;
        if (m_p_oGC && p_id == kSelectionChange)
            m_p_oGC->RefreshSelection();
        // Click(Ctrl, CancelDefault): the arguments arrive last first.
        if (p_id == kButtonClick && arguments == 2 && p_pParams->rgvarg[1].vt == VT_DISPATCH)
            OnButtonClick(p_pParams->rgvarg[1].pdispVal);
        if (p_id == kExplorerClose && arguments == 0)
        {
            Log("Invoke calling close\n");
            if (m_p_oGC)
                m_p_oGC->OnExplorerClose();
            CloseExplorerSink();
        }
    });
    return S_OK;
}
