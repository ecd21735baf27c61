// compose/ui/my_window.cpp: CMyWindow's save, file dialogs and remembered rectangle.
#include "compose/ui/my_window.h"

#include "Addressbook/include/host_messages.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/settings.h"
#include "compose/quillet_process_win.h"
#include "compose/res/resource.h"

#include <commdlg.h>
#include <ole2.h>

#include <vector>

CMyWindow::CMyWindow(HWND p_hParentWnd, CWindowList* p_p_oWindows, const char* p_szRectValue, std::string p_sOpenFilter,
                     std::string p_sSaveFilter, const char* p_szExtension)
    : m_hParentWnd(p_hParentWnd), m_p_oWindows(p_p_oWindows), m_sRectValue(p_szRectValue),
      m_sOpenFilter(std::move(p_sOpenFilter)), m_sSaveFilter(std::move(p_sSaveFilter)), m_sExtension(p_szExtension)
{
    m_hClosedEvent.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    m_hThreadEvent = m_hClosedEvent.get();
    m_hAccelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_SMS_ACCELERATORS));
}

CMyWindow::~CMyWindow() = default;

bool CMyWindow::StartThread(std::unique_ptr<CMyWindow> p_oWindow, bool p_bSendMessage, UINT p_uDialog,
                            DLGPROC p_pDialogProc)
{
    CMyWindow& window = *p_oWindow;
    HANDLE started = window.m_hThreadEvent;
    if (started == nullptr)
        return false;
    window.m_bSendMessage = p_bSendMessage;
    window.m_uDialog = p_uDialog;
    window.m_pDialogProc = p_pDialogProc;
    DWORD threadId = 0;
    unique_handle thread(LOG_IF_WIN32_BOOL_FALSE(
        CreateThread(nullptr, 0, &CMyWindow::ThreadMain, &window, CREATE_SUSPENDED, &threadId)));
    if (!thread)
        return false;
    window.m_hThread = thread.get();
    // Listed before it runs: whoever closes the opener's windows must wait for this one too, even
    // while it is still being made (and using the core library). The list keeps both handles.
    if (window.m_p_oWindows != nullptr)
        window.m_p_oWindows->Add(std::move(window.m_hClosedEvent), std::move(thread));
    p_oWindow.release();
    ResumeThread(window.m_hThread);
    return WaitForSingleObject(started, 5000) == WAIT_OBJECT_0;
}

DWORD WINAPI CMyWindow::ThreadMain(void* p_pWindow)
{
    auto* window = static_cast<CMyWindow*>(p_pWindow);
    TrapExceptionsVoid("CMyWindow::ThreadMain", [&] {
        OleInitialize(nullptr);
        SetEvent(window->m_hThreadEvent);
        HWND dialog = LOG_IF_WIN32_BOOL_FALSE(
            CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(window->m_uDialog), nullptr,
                               window->m_pDialogProc, reinterpret_cast<LPARAM>(window)));
        if (dialog == nullptr)
        {
            OleUninitialize();
            return;
        }
        if (window->m_p_oWindows != nullptr)
            window->m_p_oWindows->SetWindow(window->m_hThread, dialog);
        ShowWindow(dialog, SW_SHOW);
        window->RunMessageLoop(dialog);
    });
    // A listed window's event and thread handle are the list's and outlive the window object.
    HANDLE closed = window->m_hThreadEvent;
    const bool bListed = window->m_p_oWindows != nullptr;
    TrapExceptionsVoid("CMyWindow::~CMyWindow", [&] { delete window; });
    if (bListed)
        SetEvent(closed);
    return 0;
}

void CMyWindow::AdoptDialog(HWND p_hDlg)
{
    m_hWnd = p_hDlg;
    if (m_bSendMessage && m_hParentWnd != nullptr)
    {
        SendMessageA(m_hParentWnd, WM_SMS_REGISTERWINDOW, 0, reinterpret_cast<LPARAM>(p_hDlg));
        SendMessageA(m_hParentWnd, WM_SMS_WINDOWCOUNT, 1, 0);
    }
}

bool CMyWindow::AskFileName(bool p_bSave, std::string& p_sPath) const
{
    // A filter is "text\0pattern\0\0": the pattern is the text's bracketed part.
    const std::string& text = p_bSave ? m_sSaveFilter : m_sOpenFilter;
    std::string pattern = "*.*";
    const size_t open = text.find('(');
    const size_t close = text.find(')');
    if (open != std::string::npos && close != std::string::npos && close > open)
        pattern = text.substr(open + 1, close - open - 1);
    for (size_t at = pattern.find(", "); at != std::string::npos; at = pattern.find(", "))
        pattern.replace(at, 2, ";");
    std::string filter = text + '\0' + pattern + '\0' + '\0';
    std::vector<char> buffer(MAX_PATH, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = m_sExtension.c_str();
    ofn.Flags = p_bSave ? (OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST) : (OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    const BOOL chosen = p_bSave ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!chosen)
        return false;
    p_sPath = buffer.data();
    return true;
}

bool CMyWindow::Save(bool p_bAskName)
{
    if (!PrepareSave())
        return false;
    if (p_bAskName || m_sFileName.empty())
    {
        std::string path;
        if (!AskFileName(true, path))
            return false;
        m_sFileName = path;
    }
    if (!SaveToFile())
        return false;
    m_bModified = false;
    return true;
}

void CMyWindow::SaveRectangle() const
{
    RECT rect{};
    if (m_hWnd == nullptr || !GetWindowRect(m_hWnd, &rect))
        return;
    const int32_t values[4] = {rect.left, rect.top, rect.right, rect.bottom};
    CRegistry registry;
    (void)registry.WriteRegistry(ERegRoot::CurrentUser, kUserKey, m_sRectValue, values, sizeof(values), REG_BINARY);
}

void CMyWindow::RestoreRectangle() const
{
    CRegistry registry;
    std::vector<uint8_t> data;
    if (!registry.ReadRegistry(ERegRoot::CurrentUser, kUserKey, m_sRectValue, true, data) || data.size() != 16)
        return;
    int32_t values[4];
    memcpy(values, data.data(), sizeof(values));
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    // Only a rectangle wholly on the desktop: a screen that went away must not hide the window.
    if (values[0] < desktop.left || values[1] < desktop.top || values[2] > desktop.right ||
        values[3] > desktop.bottom || values[2] <= values[0] || values[3] <= values[1])
        return;
    MoveWindow(m_hWnd, values[0], values[1], values[2] - values[0], values[3] - values[1], TRUE);
}

void CMyWindow::RunMessageLoop(HWND p_hDlg) const
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
    {
        if (m_hAccelerators != nullptr && IsWindow(p_hDlg) && TranslateAcceleratorA(p_hDlg, m_hAccelerators, &message))
            continue;
        if (IsWindow(p_hDlg) && IsDialogMessageA(p_hDlg, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
