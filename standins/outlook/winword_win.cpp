// standins/outlook/winword_win.cpp: WINWORD.EXE, Word as Outlook's e-mail editor as far as the Word
// hook sees it: a document window ("OpusApp") whose e-mail envelope ("rctrl_renwnd32") holds the
// same header children, with the same control ids and styles, as Outlook's compose note. Commands
// posted to the document window open an envelope with or without the Bcc line; "/envelope" and
// "/nobcc" open one at start. Closing the window ends the program with exit code 0.
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace
{
constexpr const char* kDocumentClass = "OpusApp";
constexpr const char* kEnvelopeClass = "rctrl_renwnd32";
constexpr const char* kRichEditClass = "RichEdit20A";
// WM_COMMAND ids a test posts to the document window.
constexpr UINT kCmdEnvelope = 0x101;
constexpr UINT kCmdEnvelopeNoBcc = 0x102;
constexpr UINT kEnvelopeId = 0x200;
constexpr UINT kPaneId = 0x201;
constexpr int kLabelWidth = 70;
constexpr int kLineHeight = 24;

struct CHeaderField
{
    UINT m_nId;
    DWORD m_dwStyle;
    const char* m_szLabel;
};
// As the mail client makes them, in its order: the header line first, Bcc only when shown.
constexpr CHeaderField kFields[] = {{0x1001, 0xC080, nullptr},
                                    {0x1003, 0xD044, "To..."},
                                    {0x1004, 0xD044, "Cc..."},
                                    {0x1007, 0xD044, "Bcc..."},
                                    {0x1005, 0xC080, "Subject:"}};
constexpr UINT kBccId = 0x1007;

HWND g_hEnvelope = nullptr;
HWND g_hPane = nullptr;

int EnvelopeHeight(bool p_bBcc)
{
    return (p_bBcc ? 5 : 4) * kLineHeight + 4;
}

void LayOut(HWND p_hDocument)
{
    if (g_hEnvelope == nullptr)
        return;
    RECT rc{};
    GetClientRect(p_hDocument, &rc);
    const bool bBcc = GetDlgItem(g_hPane, kBccId) != nullptr;
    MoveWindow(g_hEnvelope, 0, 0, rc.right, EnvelopeHeight(bBcc), TRUE);
    MoveWindow(g_hPane, 0, 0, rc.right, EnvelopeHeight(bBcc), TRUE);
    for (const CHeaderField& oField : kFields)
        if (HWND hField = GetDlgItem(g_hPane, static_cast<int>(oField.m_nId)))
        {
            RECT rcField{};
            GetWindowRect(hField, &rcField);
            MapWindowPoints(nullptr, g_hPane, reinterpret_cast<POINT*>(&rcField), 2);
            const int x = oField.m_szLabel != nullptr ? kLabelWidth : 4;
            MoveWindow(hField, x, rcField.top, std::max(0, static_cast<int>(rc.right) - x - 8), kLineHeight - 2, TRUE);
        }
}

// A new envelope in place of the old one; every child is made on this thread by CreateWindowEx,
// so a CBT hook sees each header field with its id and style.
bool OpenEnvelope(HWND p_hDocument, bool p_bBcc)
{
    if (g_hEnvelope != nullptr)
        DestroyWindow(g_hEnvelope);
    const HINSTANCE hInstance = GetModuleHandleA(nullptr);
    RECT rc{};
    GetClientRect(p_hDocument, &rc);
    g_hEnvelope = CreateWindowExA(0, kEnvelopeClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, rc.right,
                                  EnvelopeHeight(p_bBcc), p_hDocument,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kEnvelopeId)), hInstance, nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(g_hEnvelope))
        return false;
    g_hPane = CreateWindowExA(0, "Static", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, rc.right,
                              EnvelopeHeight(p_bBcc), g_hEnvelope,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kPaneId)), hInstance, nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(g_hPane))
        return false;
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(g_hEnvelope, WM_SETFONT, font, FALSE);
    int y = 2;
    for (const CHeaderField& oField : kFields)
    {
        if (oField.m_nId == kBccId && !p_bBcc)
            continue;
        if (oField.m_szLabel != nullptr)
        {
            HWND hLabel = CreateWindowExA(0, "Static", oField.m_szLabel, WS_CHILD | WS_VISIBLE, 4, y + 3,
                                          kLabelWidth - 8, kLineHeight - 6, g_hPane, nullptr, hInstance, nullptr);
            SendMessageA(hLabel, WM_SETFONT, font, FALSE);
        }
        const int x = oField.m_szLabel != nullptr ? kLabelWidth : 4;
        HWND hField = CreateWindowExA(0, kRichEditClass, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP | oField.m_dwStyle,
                                      x, y, rc.right - x - 8, kLineHeight - 2, g_hPane,
                                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(oField.m_nId)), hInstance, nullptr);
        if (!LOG_IF_WIN32_BOOL_FALSE(hField))
            return false;
        SendMessageA(hField, WM_SETFONT, font, FALSE);
        y += kLineHeight;
    }
    SendMessageA(GetDlgItem(g_hPane, 0x1001), EM_SETREADONLY, TRUE, 0);
    SetWindowTextA(GetDlgItem(g_hPane, 0x1001), "This message has not been sent.");
    LayOut(p_hDocument);
    return true;
}

LRESULT DocumentMessage(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    switch (p_uMsg)
    {
    case WM_COMMAND:
        if (LOWORD(p_wParam) == kCmdEnvelope || LOWORD(p_wParam) == kCmdEnvelopeNoBcc)
        {
            (void)OpenEnvelope(p_hWnd, LOWORD(p_wParam) == kCmdEnvelope);
            return 0;
        }
        break;
    case WM_SIZE:
        LayOut(p_hWnd);
        return 0;
    case WM_DESTROY:
        g_hEnvelope = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
}

LRESULT CALLBACK DocumentProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("WINWORD DocumentProc", LRESULT(0),
                          [&]() { return DocumentMessage(p_hWnd, p_uMsg, p_wParam, p_lParam); });
}

int RunWord(HINSTANCE p_hInstance, const char* p_szCommandLine)
{
    unique_hmodule hRichEdit(LoadLibraryA("riched20.dll"));
    if (!LOG_IF_WIN32_BOOL_FALSE(hRichEdit.get()))
        return 3;
    WNDCLASSA oDocument{};
    oDocument.lpfnWndProc = &DocumentProc;
    oDocument.hInstance = p_hInstance;
    oDocument.hCursor = LoadCursor(nullptr, IDC_ARROW);
    oDocument.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    oDocument.lpszClassName = kDocumentClass;
    WNDCLASSA oEnvelope{};
    oEnvelope.lpfnWndProc = &DefWindowProcA;
    oEnvelope.hInstance = p_hInstance;
    oEnvelope.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    oEnvelope.lpszClassName = kEnvelopeClass;
    if (!LOG_IF_WIN32_BOOL_FALSE(RegisterClassA(&oDocument)) || !LOG_IF_WIN32_BOOL_FALSE(RegisterClassA(&oEnvelope)))
        return 3;
    HWND hDocument = CreateWindowExA(0, kDocumentClass, "Document1 - Microsoft Word", WS_OVERLAPPEDWINDOW, 40, 40, 640,
                                     360, nullptr, nullptr, p_hInstance, nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(hDocument))
        return 3;
    ShowWindow(hDocument, SW_SHOWNORMAL);
    if (std::strstr(p_szCommandLine, "/nobcc") != nullptr)
        (void)OpenEnvelope(hDocument, false);
    else if (std::strstr(p_szCommandLine, "/envelope") != nullptr)
        (void)OpenEnvelope(hDocument, true);
    MSG oMessage{};
    while (GetMessageA(&oMessage, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&oMessage);
        DispatchMessageA(&oMessage);
    }
    return 0;
}
} // namespace

int WINAPI WinMain(HINSTANCE p_hInstance, HINSTANCE, LPSTR p_szCommandLine, int)
{
    return TrapExceptions("WINWORD", 3, [&]() { return RunWord(p_hInstance, p_szCommandLine); });
}
