// compose/tools/quillet_open_drive_win.cpp: quillet-open's user: window messages sent and posted to
// the compose window and the dialogs it raises in the server's process.
#include "compose/tools/quillet_open_drive_win.h"

#include "Addressbook/res/resource.h"
#include "compose/res/resource.h"
#include "compose/ui/bars.h"
#include "tools/window_picture/window_picture_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

namespace quillet_open
{
namespace
{
constexpr DWORD kDialogWaitMs = 30000;
constexpr DWORD kReplyWaitMs = 20000;
// The compose window's own children (compose/ui/sms_window.h).
constexpr int kIdBodyField = 1003;
constexpr int kIdToButton = 1004;
// The file name box of the open dialog: an edit (edt1) or, in newer dialogs, a combo box (cmb13).
constexpr int kFileNameEdit = 0x480;
constexpr int kFileNameCombo = 0x47c;
constexpr const char* kProblemCaption = "Address Problem Summary";

DWORD ProcessOf(HWND p_hWindow)
{
    DWORD dwProcess = 0;
    GetWindowThreadProcessId(p_hWindow, &dwProcess);
    return dwProcess;
}

// A message to a window of the other process, given up after a while rather than hanging the tool.
LRESULT Send(HWND p_hWindow, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(p_hWindow, p_uMsg, p_wParam, p_lParam, SMTO_NORMAL, kReplyWaitMs, &result))
        std::fprintf(stderr, "quillet-open: message 0x%x to %p had no answer\n", p_uMsg, static_cast<void*>(p_hWindow));
    return static_cast<LRESULT>(result);
}

std::string TextOf(HWND p_hWindow)
{
    char text[1024] = {};
    Send(p_hWindow, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

void SetText(HWND p_hWindow, const std::string& p_sText)
{
    Send(p_hWindow, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p_sText.c_str()));
}

// A button click as the dialog hears it; posted, since a click may open a modal loop of its own.
void Click(HWND p_hDialog, int p_iId)
{
    PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(p_iId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(p_hDialog, p_iId)));
}

BOOL CALLBACK MatchId(HWND p_hChild, LPARAM p_lParam)
{
    auto* s = reinterpret_cast<std::pair<int, HWND>*>(p_lParam);
    if (GetDlgCtrlID(p_hChild) != s->first)
        return TRUE;
    s->second = p_hChild;
    return FALSE;
}

HWND FindDescendant(HWND p_hRoot, int p_iId)
{
    std::pair<int, HWND> search{p_iId, nullptr};
    EnumChildWindows(p_hRoot, &MatchId, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

struct CCaptionSearch
{
    DWORD m_dwProcess;
    const std::string* m_pCaption;
    HWND m_hFound;
};

BOOL CALLBACK MatchCaption(HWND p_hWindow, LPARAM p_lParam)
{
    auto* s = reinterpret_cast<CCaptionSearch*>(p_lParam);
    if (ProcessOf(p_hWindow) != s->m_dwProcess || !IsWindowVisible(p_hWindow))
        return TRUE;
    char caption[256] = {};
    GetWindowTextA(p_hWindow, caption, sizeof(caption));
    if (*s->m_pCaption != caption)
        return TRUE;
    s->m_hFound = p_hWindow;
    return FALSE;
}

LRESULT FindToken(HWND p_hTokens, const std::string& p_sToken)
{
    return Send(p_hTokens, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(p_sToken.c_str()));
}

// Lets a dialog that just appeared finish its first paint before its picture or its texts are taken.
void Settle(DWORD p_dwMilliseconds)
{
    (void)PumpUntil([] { return false; }, p_dwMilliseconds);
}

// The rows of the problem summary's list (their texts live in the other process).
int ProblemCount(HWND p_hWizard)
{
    const HWND hList = FindWindowExA(p_hWizard, nullptr, WC_LISTVIEWA, nullptr);
    return hList != nullptr ? static_cast<int>(Send(hList, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

[[nodiscard]] bool AnswerFileDialog(DWORD p_dwProcess, const std::string& p_sPath, const char* p_szCaption = "Open")
{
    const HWND hDialog = AwaitWindow(p_dwProcess, p_szCaption, kDialogWaitMs);
    if (hDialog == nullptr)
    {
        std::fprintf(stderr, "quillet-open: no file dialog\n");
        return false;
    }
    HWND hName = GetDlgItem(hDialog, kFileNameEdit);
    if (hName == nullptr)
        hName = GetDlgItem(hDialog, kFileNameCombo);
    if (hName == nullptr)
        hName = FindWindowExA(hDialog, nullptr, "Edit", nullptr);
    if (hName == nullptr)
    {
        std::fprintf(stderr, "quillet-open: the file dialog has no file name box\n");
        return false;
    }
    SetText(hName, p_sPath);
    Click(hDialog, IDOK);
    return PumpUntil([&] { return !IsWindow(hDialog); }, kDialogWaitMs);
}
} // namespace

bool PumpUntil(const std::function<bool()>& p_fnDone, DWORD p_dwMilliseconds)
{
    const ULONGLONG qwEnd = GetTickCount64() + p_dwMilliseconds;
    while (!p_fnDone())
    {
        const ULONGLONG qwNow = GetTickCount64();
        if (qwNow >= qwEnd)
            return false;
        // Wakes at least every 50 ms: the other process's windows come and go without telling us.
        const DWORD dwWait = static_cast<DWORD>(std::min<ULONGLONG>(qwEnd - qwNow, 50));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, dwWait, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

HWND AwaitWindow(DWORD p_dwProcess, const std::string& p_sCaption, DWORD p_dwMilliseconds)
{
    CCaptionSearch search{p_dwProcess, &p_sCaption, nullptr};
    (void)PumpUntil(
        [&] {
            EnumWindows(&MatchCaption, reinterpret_cast<LPARAM>(&search));
            return search.m_hFound != nullptr;
        },
        p_dwMilliseconds);
    return search.m_hFound;
}

bool ImportList(HWND p_hCompose, const std::string& p_sPath, const std::string& p_sToken)
{
    const DWORD dwProcess = ProcessOf(p_hCompose);
    PostMessageA(p_hCompose, WM_COMMAND, ID_FILE_IMPORT, 0);
    if (!AnswerFileDialog(dwProcess, p_sPath))
        return false;
    for (const char* step :
         {"Bulk Import Wizard (Step 1 of 3)", "Bulk Import Wizard (Step 2 of 3)", "Bulk Import Wizard (Step 3 of 3)"})
    {
        const HWND hWizard = AwaitWindow(dwProcess, step, kDialogWaitMs);
        if (hWizard == nullptr)
        {
            std::fprintf(stderr, "quillet-open: no \"%s\"\n", step);
            return false;
        }
        const bool bLast = std::string(step).find("Step 3") != std::string::npos;
        Click(hWizard, bLast ? IDC_IMPORT_FINISH : IDC_IMPORT_NEXT);
        // The caption as the window manager keeps it: asking the busy wizard would wait on it.
        const auto caption = [hWizard] {
            char text[256] = {};
            GetWindowTextA(hWizard, text, sizeof(text));
            return std::string(text);
        };
        if (!PumpUntil([&] { return !IsWindow(hWizard) || caption() != step; }, kDialogWaitMs))
            return false;
    }
    const HWND hTokens = FindDescendant(p_hCompose, kIdTokenList);
    return hTokens != nullptr && PumpUntil([&] { return FindToken(hTokens, p_sToken) >= 0; }, kDialogWaitMs);
}

bool InsertToken(HWND p_hCompose, const std::string& p_sToken)
{
    const HWND hTokens = FindDescendant(p_hCompose, kIdTokenList);
    const HWND hBody = FindDescendant(p_hCompose, kIdBodyField);
    if (hTokens == nullptr || hBody == nullptr)
        return false;
    const LRESULT lToken = FindToken(hTokens, p_sToken);
    if (lToken < 0)
        return false;
    const LRESULT lEnd = Send(hBody, WM_GETTEXTLENGTH, 0, 0);
    Send(hBody, EM_SETSEL, static_cast<WPARAM>(lEnd), lEnd);
    Send(hTokens, CB_SETCURSEL, static_cast<WPARAM>(lToken), 0);
    Send(p_hCompose, WM_COMMAND, MAKEWPARAM(kIdInsertToken, BN_CLICKED), 0);
    return Send(hBody, WM_GETTEXTLENGTH, 0, 0) > lEnd;
}

bool SelectRecipients(HWND p_hCompose, const std::vector<std::string>& p_vNames, const char* p_szShot)
{
    PostMessageA(p_hCompose, WM_COMMAND, MAKEWPARAM(kIdToButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(FindDescendant(p_hCompose, kIdToButton)));
    const HWND hDialog = AwaitWindow(ProcessOf(p_hCompose), "Select Recipients", kDialogWaitMs);
    if (hDialog == nullptr)
    {
        std::fprintf(stderr, "quillet-open: no \"Select Recipients\"\n");
        return false;
    }
    const HWND hTo = GetDlgItem(hDialog, IDC_SR_TO_LIST);
    bool bAll = true;
    for (const std::string& name : p_vNames)
    {
        const LRESULT lBefore = Send(hTo, LB_GETCOUNT, 0, 0);
        // The Find box selects the first row the text begins, as typing it would.
        SetText(GetDlgItem(hDialog, IDC_SR_FIND), name);
        Send(hDialog, WM_COMMAND, MAKEWPARAM(IDC_SR_TO, BN_CLICKED),
             reinterpret_cast<LPARAM>(GetDlgItem(hDialog, IDC_SR_TO)));
        if (Send(hTo, LB_GETCOUNT, 0, 0) != lBefore + 1)
        {
            std::fprintf(stderr, "quillet-open: \"%s\" was not added\n", name.c_str());
            bAll = false;
        }
    }
    RedrawWindow(hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle(1000);
    if (p_szShot != nullptr && !SaveWindowBitmap(hDialog, p_szShot))
        std::fprintf(stderr, "quillet-open: could not save %s\n", p_szShot);
    Click(hDialog, bAll ? IDOK : IDCANCEL);
    return PumpUntil([&] { return !IsWindow(hDialog); }, kDialogWaitMs) && bAll;
}

bool AcceptSummary(HWND p_hCompose, bool p_bIgnoreProblems, int& p_iProblems, std::string& p_sLine,
                   const char* p_szShot)
{
    const DWORD dwProcess = ProcessOf(p_hCompose);
    HWND hDialog = nullptr;
    HWND hProblems = nullptr;
    p_iProblems = 0;
    (void)PumpUntil(
        [&] {
            hDialog = AwaitWindow(dwProcess, "Message Summary", 0);
            hProblems = p_bIgnoreProblems && hDialog == nullptr ? AwaitWindow(dwProcess, kProblemCaption, 0) : nullptr;
            return hDialog != nullptr || hProblems != nullptr;
        },
        kDialogWaitMs * 2);
    if (hProblems != nullptr)
    {
        p_iProblems = ProblemCount(hProblems);
        Click(hProblems, IDC_CHECK_IGNORE);
        hDialog = AwaitWindow(dwProcess, "Message Summary", kDialogWaitMs * 2);
    }
    if (hDialog == nullptr)
    {
        std::fprintf(stderr, "quillet-open: no \"Message Summary\"\n");
        return false;
    }
    Settle(500);
    // The last of the nine lines, made of the labels that follow each other on it.
    constexpr int kSummaryLine = 8;
    p_sLine.clear();
    for (int j = 0; j < IDC_SUMMARY_LINE_STRIDE; ++j)
        if (const HWND hLabel = GetDlgItem(hDialog, IDC_SUMMARY_LABELS + IDC_SUMMARY_LINE_STRIDE * kSummaryLine + j))
            p_sLine += TextOf(hLabel);
    if (p_szShot != nullptr && !SaveWindowBitmap(hDialog, p_szShot))
        std::fprintf(stderr, "quillet-open: could not save %s\n", p_szShot);
    Click(hDialog, IDOK);
    return PumpUntil([&] { return !IsWindow(hDialog); }, kDialogWaitMs) && !p_sLine.empty();
}

std::vector<std::string> SplitNames(const char* p_szList)
{
    std::vector<std::string> vNames;
    const std::string list = p_szList != nullptr ? p_szList : "";
    for (size_t at = 0; at <= list.size();)
    {
        size_t end = list.find(';', at);
        if (end == std::string::npos)
            end = list.size();
        std::string name = list.substr(at, end - at);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (!name.empty())
            vNames.push_back(name);
        at = end + 1;
    }
    return vNames;
}
bool MakeTemplate(HWND p_hEditor, const std::string& p_sText, const std::string& p_sPath)
{
    const DWORD dwProcess = ProcessOf(p_hEditor);
    // The editor registers itself as it is created; its body follows.
    HWND hBody = nullptr;
    if (!PumpUntil([&] { return (hBody = FindDescendant(p_hEditor, IDC_TEMPLATE_BODY)) != nullptr; }, kDialogWaitMs))
    {
        std::fprintf(stderr, "quillet-open: the template editor has no body\n");
        return false;
    }
    Settle(500);
    for (size_t at = 0; at < p_sText.size();)
    {
        const size_t open = p_sText.find('{', at);
        const size_t close = open == std::string::npos ? open : p_sText.find('}', open);
        for (size_t i = at; i < std::min(open, p_sText.size()); ++i)
            Send(hBody, WM_CHAR, static_cast<unsigned char>(p_sText[i]), 0);
        if (close == std::string::npos)
            break;
        PostMessageA(p_hEditor, WM_COMMAND, ID_FIELD_INSERT_TEXT, 0);
        const HWND hDefinition = AwaitWindow(dwProcess, "Text Field Definition", kDialogWaitMs);
        if (hDefinition == nullptr)
        {
            std::fprintf(stderr, "quillet-open: no text field definition\n");
            return false;
        }
        SetText(GetDlgItem(hDefinition, IDC_DEF_NAME), p_sText.substr(open + 1, close - open - 1));
        Click(hDefinition, IDOK);
        if (!PumpUntil([&] { return !IsWindow(hDefinition); }, kDialogWaitMs))
            return false;
        at = close + 1;
    }
    PostMessageA(p_hEditor, WM_COMMAND, ID_FILE_SAVE_AS, 0);
    if (!AnswerFileDialog(dwProcess, p_sPath, "Save As") ||
        !PumpUntil([&] { return GetFileAttributesA(p_sPath.c_str()) != INVALID_FILE_ATTRIBUTES; }, kDialogWaitMs))
    {
        std::fprintf(stderr, "quillet-open: the template was not saved as %s\n", p_sPath.c_str());
        return false;
    }
    // Saved: closing asks nothing.
    PostMessageA(p_hEditor, WM_CLOSE, 0, 0);
    return PumpUntil([&] { return !IsWindow(p_hEditor); }, kDialogWaitMs);
}

bool GenerateFromRecentTemplate(HWND p_hCompose, const std::vector<std::string>& p_vValues, const char* p_szShot)
{
    PostMessageA(p_hCompose, WM_COMMAND, ID_TEMPLATE_RECENT_FIRST, 0);
    const HWND hDialog = AwaitWindow(ProcessOf(p_hCompose), "Generate from Template", kDialogWaitMs);
    if (hDialog == nullptr)
    {
        std::fprintf(stderr, "quillet-open: no \"Generate from Template\" dialog\n");
        return false;
    }
    for (size_t i = 0; i < p_vValues.size(); ++i)
    {
        const HWND hInput = GetDlgItem(hDialog, IDC_TEMPLATE_FIRST_ROW + 2 * static_cast<int>(i) + 1);
        char szClass[32] = {};
        GetClassNameA(hInput, szClass, sizeof(szClass));
        if (_stricmp(szClass, "ComboBox") == 0)
            Send(hInput, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(p_vValues[i].c_str()));
        else
            SetText(hInput, p_vValues[i]);
    }
    Settle(300);
    if (p_szShot != nullptr && !SaveWindowBitmap(hDialog, p_szShot))
        std::fprintf(stderr, "quillet-open: could not save %s\n", p_szShot);
    Click(hDialog, IDOK);
    const HWND hBody = FindDescendant(p_hCompose, kIdBodyField);
    if (PumpUntil([&] { return !IsWindowVisible(hDialog) && Send(hBody, WM_GETTEXTLENGTH, 0, 0) > 0; }, kDialogWaitMs))
        return true;
    std::fprintf(stderr, "quillet-open: the generated text did not reach the body (dialog %s, body %p)\n",
                 IsWindowVisible(hDialog) ? "still shown" : "gone", static_cast<void*>(hBody));
    return false;
}
} // namespace quillet_open
