// standins/outlook/ol_host_win.cpp: the running client's windows and their lifetimes.
#include "standins/outlook/ol_host_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "standins/outlook/ol_customize_win.h"
#include "standins/outlook/ol_object_model_win.h"
#include "standins/outlook/ol_trace_win.h"

namespace olstandin
{
namespace
{
// Posted to the control window after a host window closed: its object is freed outside its own
// window procedure, and the program ends when no window is left.
constexpr UINT kMsgReap = WM_APP + 2;
// Posted by the store's new-mail sink with the new message's entry id.
constexpr UINT kMsgNewMail = WM_APP + 3;
} // namespace

CHost::CHost(WORD p_nMajor, WORD p_nMinor)
{
    m_oServices.m_p_oProfile = &m_oProfile;
    m_oServices.m_nMajor = p_nMajor;
    m_oServices.m_nMinor = p_nMinor;
    m_oServices.m_p_oApplication = CreateApplication(m_oServices);
    m_oServices.m_fnActiveExplorer = [this]() -> com_ptr<IDispatch> {
        return m_vExplorers.empty() ? com_ptr<IDispatch>() : m_vExplorers.back()->Object();
    };
    m_oServices.m_fnExplorers = [this]() {
        std::vector<com_ptr<IDispatch>> explorers;
        for (const auto& explorer : m_vExplorers)
            explorers.push_back(explorer->Object());
        return explorers;
    };
    m_oServices.m_fnNewExplorer = [this]() -> com_ptr<IDispatch> {
        CExplorer* explorer = OpenExplorer();
        return explorer != nullptr ? explorer->Object() : com_ptr<IDispatch>();
    };
    m_oServices.m_fnOpenNote = [this](const CNoteFields& p_oFields) { return OpenFilledNote(p_oFields); };
    m_oServices.m_fnOpenInspector = [this](const CItemFields& p_oFields, bool p_bModal) {
        return OpenInspector(p_oFields, p_bModal);
    };
    m_oServices.m_fnCloseInspectors = [this](const CEntryId& p_oEntryId) {
        for (const auto& inspector : m_vInspectors)
            if (inspector->EntryId() == p_oEntryId)
                PostMessageA(inspector->Window(), WM_CLOSE, 0, 0);
    };
}

CHost::~CHost()
{
    m_oApplicationClass.Revoke();
    m_vInspectors.clear();
    m_vNotes.clear();
    m_vExplorers.clear();
    m_vClosed.clear();
    m_p_oSessionExtensions.reset();
    if (m_hControl != nullptr)
    {
        SetWindowLongPtrA(m_hControl, GWLP_USERDATA, 0);
        (void)DestroyWindow(m_hControl);
    }
}

bool CHost::Start(HINSTANCE p_hInstance)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CHost::ControlProc;
    wc.hInstance = p_hInstance;
    wc.lpszClassName = kControlWindowClass;
    if (!LOG_IF_WIN32_BOOL_FALSE(RegisterClassExA(&wc)) || !CHostWindow::RegisterWindowClass(p_hInstance) ||
        !RegisterBarWindowClasses(p_hInstance) || !RegisterCustomizeClass(p_hInstance))
        return false;
    if (!m_oProfile.Start())
        Trace("mapi: the default profile did not open; the explorer shows no folders");
    m_oRegistry.LoadRegistered();
    m_p_oSessionExtensions = std::make_unique<CExtensionSet>(m_oRegistry, m_oServices, *this, exchext::kContextSession);
    m_p_oSessionExtensions->Install();
    if (OpenExplorer() == nullptr)
        return false;
    // Offered before the control window exists: a test that found that window may ask for the
    // application at once, and an activation before the registration would start another client.
    if (!m_oApplicationClass.Register(m_oServices.m_p_oApplication.get()))
        Trace("host: the application object is not offered to other processes");
    // The control window exists once the first explorer is up: a test that finds it can drive the host.
    m_hControl = CreateWindowExA(0, kControlWindowClass, "Outlook stand-in control", WS_POPUP, 0, 0, 0, 0, nullptr,
                                 nullptr, p_hInstance, nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(m_hControl))
        return false;
    SetWindowLongPtrA(m_hControl, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (m_oProfile.IsStarted() && !m_oProfile.AdviseNewMail(m_hControl, kMsgNewMail))
        Trace("mapi: no new-mail notifications");
    Trace("host: started");
    return true;
}

HWND CHost::SiteWindow()
{
    return m_vExplorers.empty() ? nullptr : m_vExplorers.front()->Window();
}

CExplorer* CHost::OpenExplorer()
{
    // Listed before it is created: extensions installing into it find it as the active explorer.
    m_vExplorers.push_back(std::make_unique<CExplorer>(*this));
    CExplorer* explorer = m_vExplorers.back().get();
    if (explorer->Create())
    {
        // The explorer the client starts with is not announced: only those opened while it runs.
        if (m_vExplorers.size() > 1 && m_oServices.m_fnRaiseNewExplorer)
            m_oServices.m_fnRaiseNewExplorer(explorer->Object().get());
        return explorer;
    }
    if (!m_vExplorers.empty() && m_vExplorers.back().get() == explorer)
        m_vExplorers.pop_back();
    return nullptr;
}

CExplorer* CHost::ExplorerAt(size_t p_nIndex) const
{
    return p_nIndex < m_vExplorers.size() ? m_vExplorers[p_nIndex].get() : nullptr;
}

CNote* CHost::LatestNote() const
{
    return m_vNotes.empty() ? nullptr : m_vNotes.back().get();
}

void CHost::OpenNote()
{
    (void)OpenNoteChecked();
}

bool CHost::OpenNoteChecked()
{
    auto note = std::make_unique<CNote>(*this);
    if (!note->Create())
        return false;
    m_vNotes.push_back(std::move(note));
    return true;
}

bool CHost::OpenFilledNote(const CNoteFields& p_oFields)
{
    if (!OpenNoteChecked())
        return false;
    CNote* note = LatestNote();
    const std::pair<const char*, const std::string*> fields[] = {{"to", &p_oFields.m_sTo},
                                                                 {"cc", &p_oFields.m_sCc},
                                                                 {"bcc", &p_oFields.m_sBcc},
                                                                 {"subject", &p_oFields.m_sSubject},
                                                                 {"body", &p_oFields.m_sBody}};
    for (const auto& [name, text] : fields)
        if (!text->empty() && !note->Fill(name, *text))
            return false;
    if (!p_oFields.m_sSubject.empty())
        (void)SetWindowTextA(note->Window(), (p_oFields.m_sSubject + " - Message").c_str());
    return true;
}

bool CHost::OpenInspector(const CItemFields& p_oFields, bool p_bModal)
{
    auto inspector = std::make_unique<CInspector>(*this, p_oFields);
    if (!inspector->Create())
        return false;
    const HWND window = inspector->Window();
    m_vInspectors.push_back(std::move(inspector));
    Trace("inspector '%s' %s", p_oFields.Text("Subject").c_str(), p_bModal ? "modal" : "modeless");
    if (!p_bModal)
        return true;
    std::vector<HWND> disabled;
    for (const auto& explorer : m_vExplorers)
        if (IsWindowEnabled(explorer->Window()))
        {
            EnableWindow(explorer->Window(), FALSE);
            disabled.push_back(explorer->Window());
        }
    MSG msg;
    while (IsWindow(window))
    {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0)
        {
            // The program is ending: its own loop sees the quit as well.
            PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 1);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    for (const HWND explorer : disabled)
        if (IsWindow(explorer))
            EnableWindow(explorer, TRUE);
    Trace("inspector '%s' closed", p_oFields.Text("Subject").c_str());
    return true;
}

void CHost::CloseAll()
{
    for (const auto& inspector : m_vInspectors)
        PostMessageA(inspector->Window(), WM_CLOSE, 0, 0);
    for (const auto& note : m_vNotes)
        PostMessageA(note->Window(), WM_CLOSE, 0, 0);
    for (const auto& explorer : m_vExplorers)
        PostMessageA(explorer->Window(), WM_CLOSE, 0, 0);
}

template <typename T>
bool MoveClosed(std::vector<std::unique_ptr<T>>& p_vFrom, CHostWindow* p_pWindow,
                std::vector<std::unique_ptr<CHostWindow>>& p_vTo)
{
    for (auto it = p_vFrom.begin(); it != p_vFrom.end(); ++it)
        if (it->get() == p_pWindow)
        {
            p_vTo.push_back(std::move(*it));
            p_vFrom.erase(it);
            return true;
        }
    return false;
}

void CHost::WindowDestroyed(CHostWindow* p_pWindow)
{
    if (MoveClosed(m_vExplorers, p_pWindow, m_vClosed) || MoveClosed(m_vNotes, p_pWindow, m_vClosed) ||
        MoveClosed(m_vInspectors, p_pWindow, m_vClosed))
        PostMessageA(m_hControl, kMsgReap, 0, 0);
}

// New mail: the session events of the session context and of every explorer, as the client runs them.
void CHost::Delivered(const CEntryId& p_oEntryId)
{
    com_ptr<IMAPIProp> message = m_oProfile.OpenEntry(p_oEntryId);
    Trace("host: new mail (%s)", message ? "opened" : "not opened");
    if (!message)
        return;
    m_p_oSessionExtensions->Delivered(message.get());
    for (const auto& explorer : m_vExplorers)
        explorer->Extensions()->Delivered(message.get());
}

void CHost::ReapClosed()
{
    m_vClosed.clear();
    if (m_vExplorers.empty() && m_vNotes.empty() && m_vInspectors.empty())
    {
        Trace("host: last window closed");
        PostQuitMessage(0);
    }
}

LRESULT CALLBACK CHost::ControlProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("CHost::ControlProc", LRESULT(0), [&]() -> LRESULT {
        auto* host = reinterpret_cast<CHost*>(GetWindowLongPtrA(p_hWnd, GWLP_USERDATA));
        if (host != nullptr && p_nMsg == kMsgReap)
        {
            host->ReapClosed();
            return 0;
        }
        if (p_nMsg == kMsgNewMail)
        {
            const std::unique_ptr<CEntryId> entryId(reinterpret_cast<CEntryId*>(p_wParam));
            if (host != nullptr && entryId)
                host->Delivered(*entryId);
            return 0;
        }
        if (host != nullptr && p_nMsg == WM_COPYDATA)
        {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(p_lParam);
            if (data == nullptr || data->dwData != kControlMagic || data->lpData == nullptr || data->cbData > 65536)
                return 0;
            std::string command(static_cast<const char*>(data->lpData), data->cbData);
            command.erase(std::find(command.begin(), command.end(), '\0'), command.end());
            const bool done = RunControlCommand(*host, command);
            Trace("control '%s' -> %d", command.c_str(), done ? 1 : 0);
            return done ? 1 : 0;
        }
        return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
    });
}
} // namespace olstandin
