// tests/win/plugin/plugin_fakes_win.cpp: the fake compose server, host callback and message boxes.
#include "tests/win/plugin/plugin_fakes_win.h"

#include "common/mapi_owner_win.h"
#include "common/message_box_win.h"
#include "common/text_win.h"

#include <cstring>

namespace plugintest
{
namespace
{
std::string Narrow(BSTR p_bstr)
{
    return p_bstr != nullptr ? WideToAnsi(p_bstr) : std::string();
}

class CFakeQuillet : public IQuillet
{
  public:
    CFakeQuillet()
    {
        InterlockedIncrement(&QuilletLog().m_lLiveObjects);
    }
    virtual ~CFakeQuillet()
    {
        InterlockedDecrement(&QuilletLog().m_lLiveObjects);
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        *p_ppv = nullptr;
        if (p_riid != IID_IUnknown && p_riid != IID_IDispatch && p_riid != IID_IQuillet)
            return E_NOINTERFACE;
        *p_ppv = static_cast<IQuillet*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = InterlockedDecrement(&m_lRefs);
        if (refs == 0)
        {
            QuilletLog().Add("Released");
            delete this;
        }
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Init(int p_iPackage, int p_iVersion, IUnknown* p_pSession, IUnknown* p_pApp,
                                   LONG p_lParent, LONG p_lMonitor, LONG p_lSend) override
    {
        QuilletLog().Add("Init " + std::to_string(p_iPackage) + " " + std::to_string(p_iVersion) +
                         (p_pSession != nullptr ? " session" : " -") + (p_pApp != nullptr ? " app " : " - ") +
                         std::to_string(p_lParent) + " " + std::to_string(p_lMonitor) + " " + std::to_string(p_lSend));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateNewSMS(LONG p_lParent, BSTR p_bstrTo, BSTR p_bstrText) override
    {
        QuilletLog().Add("CreateNewSMS " + std::to_string(p_lParent) + " " + Narrow(p_bstrTo) + "|" +
                         Narrow(p_bstrText));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE StartReminderMonitor() override
    {
        QuilletLog().Add("StartReminderMonitor");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE StopReminderMonitor() override
    {
        QuilletLog().Add("StopReminderMonitor");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE StartMailMonitor(LONG p_lProcess) override
    {
        QuilletLog().Add("StartMailMonitor " + std::to_string(p_lProcess));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CCPhoneSend(LONG p_lValue) override
    {
        QuilletLog().Add("CCPhoneSend " + std::to_string(p_lValue));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateReminder(LONG p_lParent) override
    {
        QuilletLog().Add("CreateReminder " + std::to_string(p_lParent));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CCPhoneStore(IUnknown*, LONG p_lTo, LONG p_lCC, LONG p_lBCC) override
    {
        QuilletLog().Add("CCPhoneStore " + std::to_string(p_lTo) + std::to_string(p_lCC) + std::to_string(p_lBCC));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CCPhoneCleanup() override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEmailDetails(LONG p_lBytes, BSTR p_bstrEntry, BSTR* p_pSender, BSTR* p_pText) override
    {
        QuilletLog().Add("GetEmailDetails " + std::to_string(p_lBytes) + " " + Narrow(p_bstrEntry));
        *p_pSender = SysAllocString(AnsiToWide(QuilletLog().m_sSender).c_str());
        *p_pText = SysAllocString(AnsiToWide(QuilletLog().m_sText).c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE StartVMIfNecessary(LONG) override
    {
        QuilletLog().Add("StartVMIfNecessary");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InstallSMSForms() override
    {
        QuilletLog().Add("InstallSMSForms");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UninstallSMSForms() override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetBrowserWindow(LONG p_lWnd) override
    {
        QuilletLog().Add("SetBrowserWindow " + std::to_string(p_lWnd));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ShowRuleManager(LONG) override
    {
        QuilletLog().Add("ShowRuleManager");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ChangeReminderForm(LONG p_lOld) override
    {
        QuilletLog().Add("ChangeReminderForm " + std::to_string(p_lOld));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ShowTemplateEditor(LONG) override
    {
        QuilletLog().Add("ShowTemplateEditor");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ShowSyncReminders(LONG) override
    {
        QuilletLog().Add("ShowSyncReminders");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE StartOEMonitor() override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE StopOEMonitor() override
    {
        return S_OK;
    }

  private:
    LONG m_lRefs = 1;
};

class CFakeFactory : public IClassFactory
{
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        *p_ppv = nullptr;
        if (p_riid != IID_IUnknown && p_riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *p_ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* p_pOuter, REFIID p_riid, void** p_ppv) override
    {
        if (p_pOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        com_ptr<IQuillet> quillet;
        quillet.attach(new CFakeQuillet());
        return quillet->QueryInterface(p_riid, p_ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override
    {
        return S_OK;
    }
};

CFakeFactory g_oFactory;

// The application object: a dispatch that knows no members.
class CFakeApplication : public IDispatch
{
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        *p_ppv = nullptr;
        if (p_riid != IID_IUnknown && p_riid != IID_IDispatch)
            return E_NOINTERFACE;
        *p_ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = InterlockedDecrement(&m_lRefs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

  private:
    virtual ~CFakeApplication() = default;
    LONG m_lRefs = 1;
};

std::vector<std::string> g_vBoxes;
int g_iBoxAnswer = IDOK;

int RecordBox(HWND, const std::string& p_sText, const std::string& p_sCaption, UINT)
{
    g_vBoxes.push_back(p_sCaption + ": " + p_sText);
    return g_iBoxAnswer;
}

ULONG STDAPICALLTYPE FreeEntryBuffer(LPVOID p_pBuffer)
{
    if (p_pBuffer != nullptr)
        InterlockedDecrement(&CFakeHost::s_lOpenBuffers);
    CoTaskMemFree(p_pBuffer);
    return 0;
}
} // namespace

LONG CFakeHost::s_lOpenBuffers = 0;

void CQuilletLog::Add(const std::string& p_sLine)
{
    std::lock_guard<std::mutex> lock(m_oLock);
    m_vLines.push_back(p_sLine);
}

std::vector<std::string> CQuilletLog::Lines()
{
    std::lock_guard<std::mutex> lock(m_oLock);
    return m_vLines;
}

void CQuilletLog::Clear()
{
    std::lock_guard<std::mutex> lock(m_oLock);
    m_vLines.clear();
}

CQuilletLog& QuilletLog()
{
    static CQuilletLog s_oLog;
    return s_oLog;
}

CFakeQuilletClass::CFakeQuilletClass()
{
    if (FAILED(CoRegisterClassObject(CLSID_Quillet, &g_oFactory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &m_dwCookie)))
        m_dwCookie = 0;
}

CFakeQuilletClass::~CFakeQuilletClass()
{
    if (m_dwCookie != 0)
        CoRevokeClassObject(m_dwCookie);
}

namespace
{
struct CServerStart
{
    HANDLE m_hStop;
    HANDLE m_hReady;
    bool* m_pRegistered;
};

DWORD WINAPI ServeQuillet(LPVOID p_pStart)
{
    const CServerStart start = *static_cast<CServerStart*>(p_pStart);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    DWORD cookie = 0;
    *start.m_pRegistered =
        SUCCEEDED(CoRegisterClassObject(CLSID_Quillet, &g_oFactory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie));
    SetEvent(start.m_hReady);
    WaitForSingleObject(start.m_hStop, INFINITE);
    if (cookie != 0)
        CoRevokeClassObject(cookie);
    CoUninitialize();
    return 0;
}

bool RegisterQuilletTypeLibrary(const char* p_szPath)
{
    com_ptr<ITypeLib> library;
    if (FAILED(LoadTypeLibEx(AnsiToWide(p_szPath).c_str(), REGKIND_REGISTER, library.put())))
        return false;
    // Wine's marshaller looks the library up under the neutral LCID.
    const std::string key = "TypeLib\\{5AD454D3-4D7F-4DC6-831C-B4BD6AF3D3A8}\\1.0\\0\\win64";
    return RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, p_szPath,
                           static_cast<DWORD>(lstrlenA(p_szPath) + 1)) == ERROR_SUCCESS;
}
} // namespace

CFakeQuilletServer::CFakeQuilletServer(const char* p_szTypeLibrary)
    : m_hStop(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_hReady(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    if (!RegisterQuilletTypeLibrary(p_szTypeLibrary))
        return;
    static CServerStart s_oStart;
    s_oStart = {m_hStop.get(), m_hReady.get(), &m_bRegistered};
    m_hThread.reset(CreateThread(nullptr, 0, &ServeQuillet, &s_oStart, 0, nullptr));
    if (m_hThread)
        WaitForSingleObject(m_hReady.get(), 10000);
}

CFakeQuilletServer::~CFakeQuilletServer()
{
    SetEvent(m_hStop.get());
    if (m_hThread)
        WaitForSingleObject(m_hThread.get(), 10000);
}

namespace
{
// The host's windows answer the CC-to-mobile question (WM_USER+1) as Penhold's subclass of a note
// does, with the choice bits kept in the window's user data.
LRESULT CALLBACK HostWindowProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_uMsg == WM_USER + 1)
        return GetWindowLongPtrA(p_hWnd, GWLP_USERDATA);
    return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
}

const char* HostWindowClass()
{
    static const ATOM s_atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &HostWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PluginTestHostWindow";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        return RegisterClassA(&wc);
    }();
    return s_atom != 0 ? "PluginTestHostWindow" : "STATIC";
}
} // namespace

CFakeHost::CFakeHost() : m_p_oApplication(com_ptr<IDispatch>()), m_p_oSession(com_ptr<IUnknown>())
{
    m_p_oApplication.attach(new CFakeApplication());
    // The session is only passed on as an IUnknown: any object will do.
    m_p_oSession.attach(static_cast<IUnknown*>(new CFakeApplication()));
    m_hWnd = CreateWindowExA(0, HostWindowClass(), "Inbox - Fake Client", WS_OVERLAPPEDWINDOW, 40, 40, 480, 200,
                             nullptr, nullptr, nullptr, nullptr);
    m_hMenuBar = CreateMenu();
    HMENU file = CreatePopupMenu();
    HMENU fileNew = CreatePopupMenu();
    AppendMenuA(fileNew, MF_STRING, exchext::kCommandFileNewMessage, "Mail Message");
    AppendMenuA(file, MF_POPUP, reinterpret_cast<UINT_PTR>(fileNew), "New");
    AppendMenuA(m_hMenuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "File");
    HMENU tools = CreatePopupMenu();
    AppendMenuA(tools, MF_STRING, 9001, "Options");
    AppendMenuA(m_hMenuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), "Tools");
    SetMenu(m_hWnd, m_hMenuBar);
    // Entry ids the host hands out are freed through the MAPI library's free function.
    CMapiFreeFunctions functions;
    functions.m_pfnFreeBuffer = &FreeEntryBuffer;
    SetMapiFreeFunctions(functions);
}

CFakeHost::~CFakeHost()
{
    DestroyWindow(m_hWnd);
}

HRESULT CFakeHost::QueryInterface(REFIID p_riid, void** p_ppv)
{
    *p_ppv = nullptr;
    if (p_riid == IID_IUnknown || p_riid == exchext::IID_IExchExtCallback)
        *p_ppv = static_cast<exchext::IExchExtCallback*>(this);
    else if (p_riid == exchext::IID_IOutlookExtCallback)
        *p_ppv = static_cast<exchext::IOutlookExtCallback*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG CFakeHost::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
}

ULONG CFakeHost::Release()
{
    // Owned by the test; the count only shows the plug-in gives back what it takes.
    return static_cast<ULONG>(InterlockedDecrement(&m_lRefs));
}

HRESULT CFakeHost::GetVersion(ULONG* p_pulVersion, ULONG)
{
    *p_pulVersion = 0x000B0000;
    return S_OK;
}

HRESULT CFakeHost::GetWindow(HWND* p_phWnd)
{
    *p_phWnd = m_bWindowFails ? nullptr : m_hWnd;
    return m_bWindowFails ? E_FAIL : S_OK;
}

HRESULT CFakeHost::GetMenu(HMENU* p_phMenu)
{
    *p_phMenu = m_hMenuBar;
    return S_OK;
}

HRESULT CFakeHost::GetToolbar(ULONG, HWND* p_phToolbar)
{
    *p_phToolbar = nullptr;
    return E_FAIL;
}

HRESULT CFakeHost::GetSession(IMAPISession** p_ppSession, IAddrBook** p_ppAddressBook)
{
    if (p_ppSession != nullptr)
    {
        m_p_oSession->AddRef();
        *p_ppSession = reinterpret_cast<IMAPISession*>(m_p_oSession.get());
    }
    if (p_ppAddressBook != nullptr)
        *p_ppAddressBook = nullptr;
    return S_OK;
}

HRESULT CFakeHost::GetObject(IMsgStore** p_ppStore, IMAPIProp** p_ppObject)
{
    *p_ppStore = nullptr;
    *p_ppObject = nullptr;
    if (!m_bHasMessage)
        return E_FAIL;
    // The message is only passed on as an IUnknown: the session stand-in object will do.
    m_p_oSession->AddRef();
    *p_ppObject = reinterpret_cast<IMAPIProp*>(m_p_oSession.get());
    return S_OK;
}

void CFakeHost::SetCCChoice(LRESULT p_lChoice)
{
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, p_lChoice);
}

HRESULT CFakeHost::GetSelectionCount(ULONG* p_pulCount)
{
    *p_pulCount = static_cast<ULONG>(m_vSelection.size());
    return S_OK;
}

HRESULT CFakeHost::GetSelectionItem(ULONG p_ulIndex, ULONG* p_pcbEntryId, ENTRYID** p_ppEntryId, ULONG* p_pulType,
                                    LPSTR p_szMessageClass, ULONG p_cchClass, ULONG* p_pulFlags, ULONG)
{
    if (p_ulIndex >= m_vSelection.size())
        return E_INVALIDARG;
    const CItem& item = m_vSelection[p_ulIndex];
    auto* entry = static_cast<ENTRYID*>(CoTaskMemAlloc(item.m_vEntry.size()));
    std::memcpy(entry, item.m_vEntry.data(), item.m_vEntry.size());
    InterlockedIncrement(&s_lOpenBuffers);
    *p_pcbEntryId = static_cast<ULONG>(item.m_vEntry.size());
    *p_ppEntryId = entry;
    *p_pulType = MAPI_MESSAGE;
    *p_pulFlags = 0;
    if (p_szMessageClass != nullptr && p_cchClass > 0)
        lstrcpynA(p_szMessageClass, item.m_sClass.c_str(), static_cast<int>(p_cchClass));
    return S_OK;
}

HRESULT CFakeHost::GetMenuPos(ULONG p_ulCommand, HMENU* p_phMenu, ULONG* p_pulFirst, ULONG* p_pulLast, ULONG)
{
    if (p_ulCommand == exchext::kCommandToolsMenu)
    {
        // The Tools popup is the last item of the menu bar.
        *p_phMenu = m_hMenuBar;
        *p_pulFirst = *p_pulLast = static_cast<ULONG>(GetMenuItemCount(m_hMenuBar) - 1);
        return S_OK;
    }
    if (p_ulCommand == exchext::kCommandFileNewMessage)
    {
        *p_phMenu = GetSubMenu(GetSubMenu(m_hMenuBar, 0), 0);
        *p_pulFirst = *p_pulLast = 0;
        return S_OK;
    }
    return E_FAIL;
}

HRESULT CFakeHost::GetSharedExtsDir(LPSTR, ULONG, ULONG)
{
    return E_NOTIMPL;
}

HRESULT CFakeHost::GetRecipients(ADRLIST**)
{
    return E_NOTIMPL;
}

HRESULT CFakeHost::SetRecipients(ADRLIST*)
{
    return E_NOTIMPL;
}

HRESULT CFakeHost::GetNewMessageSite(ULONG, IMAPIFolder*, IUnknown*, IMessage**, IUnknown**, IUnknown**, ULONG)
{
    return E_NOTIMPL;
}

HRESULT CFakeHost::RegisterModeless(IUnknown*, IUnknown**)
{
    return E_NOTIMPL;
}

HRESULT CFakeHost::ChooseFolder(IMsgStore**, IMAPIFolder**, LPSTR, ULONG, LPSTR, HWND, ULONG)
{
    return E_NOTIMPL;
}

HRESULT CFakeHost::GetObject(IUnknown** p_ppObject)
{
    m_p_oApplication->AddRef();
    *p_ppObject = m_p_oApplication.get();
    return S_OK;
}

HRESULT CFakeHost::GetOfficeCharacter(void** p_ppCharacter)
{
    *p_ppCharacter = nullptr;
    return E_NOTIMPL;
}

CBoxes::CBoxes()
{
    g_vBoxes.clear();
    g_iBoxAnswer = IDOK;
    SetMessageBoxFunction(&RecordBox);
}

CBoxes::~CBoxes()
{
    SetMessageBoxFunction(nullptr);
}

std::vector<std::string> CBoxes::Seen()
{
    g_iBoxAnswer = m_iAnswer;
    return g_vBoxes;
}

std::string DumpMenu(HMENU p_hMenu, int p_iDepth)
{
    std::string dump;
    for (int i = 0; i < GetMenuItemCount(p_hMenu); ++i)
    {
        char text[256] = {};
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_STATE;
        item.dwTypeData = text;
        item.cch = sizeof text - 1;
        GetMenuItemInfoA(p_hMenu, static_cast<UINT>(i), TRUE, &item);
        dump += std::string(static_cast<size_t>(p_iDepth) * 2, ' ');
        if (item.fType & MFT_SEPARATOR)
            dump += "-\n";
        else if (item.hSubMenu != nullptr)
            dump += std::string(text) + "\n" + DumpMenu(item.hSubMenu, p_iDepth + 1);
        else
            dump += std::string(text) + "\t" + std::to_string(item.wID) +
                    ((item.fState & MFS_GRAYED) ? "\tdisabled\n" : "\n");
    }
    return dump;
}

UINT FindCommand(HMENU p_hMenu, const std::string& p_sText)
{
    for (int i = 0; i < GetMenuItemCount(p_hMenu); ++i)
    {
        if (HMENU sub = GetSubMenu(p_hMenu, i))
        {
            if (const UINT found = FindCommand(sub, p_sText))
                return found;
            continue;
        }
        char text[256] = {};
        GetMenuStringA(p_hMenu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        std::string plain;
        for (const char* c = text; *c != '\0'; ++c)
            if (*c != '&')
                plain += *c;
        if (plain == p_sText)
            return GetMenuItemID(p_hMenu, i);
    }
    return 0;
}
std::vector<std::string> StandardRow(const std::string& p_sDump)
{
    std::vector<std::string> row;
    const size_t bar = p_sDump.find("bar 'Standard'");
    if (bar == std::string::npos)
        return row;
    // The bar's own controls are indented by two spaces, those of their lists by more.
    for (size_t line = p_sDump.find('\n', bar) + 1;
         line != 0 && line < p_sDump.size() && p_sDump.compare(line, 2, "  ") == 0; line = p_sDump.find('\n', line) + 1)
    {
        if (p_sDump.compare(line, 10, "  control ") != 0)
            continue;
        const size_t caption = p_sDump.find('\'', line);
        const size_t end = p_sDump.find(" visible", caption);
        row.push_back(p_sDump.substr(caption, end - caption));
    }
    return row;
}

long CompanionOffset(const std::string& p_sDump, size_t& p_nCopies)
{
    const std::vector<std::string> row = StandardRow(p_sDump);
    long newAt = -1;
    long companionAt = -1;
    p_nCopies = 0;
    for (size_t i = 0; i < row.size(); ++i)
    {
        if (row[i].rfind("'New' tag", 0) == 0)
            newAt = static_cast<long>(i);
        if (row[i] == "'New Branded SMS' tag '40027 9001'")
        {
            companionAt = static_cast<long>(i);
            ++p_nCopies;
        }
    }
    return companionAt < 0 || newAt < 0 ? 0 : companionAt - newAt;
}

} // namespace plugintest
