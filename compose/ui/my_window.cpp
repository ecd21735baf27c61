// compose/ui/my_window.cpp: CMyWindow's save, file dialogs and remembered rectangle.
#include "compose/ui/my_window.h"

#include "common/settings.h"
#include "compose/res/resource.h"

#include <commdlg.h>

#include <vector>

CMyWindow::CMyWindow(HWND p_hParentWnd, const char* p_szRectValue, std::string p_sOpenFilter, std::string p_sSaveFilter,
                     const char* p_szExtension)
    : m_hParentWnd(p_hParentWnd), m_sRectValue(p_szRectValue), m_sOpenFilter(std::move(p_sOpenFilter)),
      m_sSaveFilter(std::move(p_sSaveFilter)), m_sExtension(p_szExtension)
{
    m_hClosedEvent.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    m_hAccelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_SMS_ACCELERATORS));
}

CMyWindow::~CMyWindow() = default;

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
