// standins/oe/oe_dialogs_win.cpp: the empty-subject question, Save Message As and Tools/Options.
#include "standins/oe/oe_dialogs_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "standins/oe/oe_resource.h"

#include <commctrl.h>
#include <prsht.h>

#include <fstream>

namespace oestandin
{
namespace
{
struct CSaveRequest
{
    const oestore::CMailMessage* m_pMessage;
    bool m_bWritten = false;
};

INT_PTR CALLBACK EmptySubjectProc(HWND p_hDlg, UINT p_nMsg, WPARAM p_wParam, LPARAM)
{
    return TrapExceptions("EmptySubjectProc", INT_PTR(0), [&]() -> INT_PTR {
        if (p_nMsg == WM_INITDIALOG)
        {
            SendDlgItemMessageA(p_hDlg, IDC_SUBJECT_ICON, STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIcon(nullptr, IDI_WARNING)), 0);
            MessageBeep(MB_ICONWARNING);
            return TRUE;
        }
        if (p_nMsg == WM_COMMAND && (LOWORD(p_wParam) == IDOK || LOWORD(p_wParam) == IDCANCEL))
        {
            const bool ticked = IsDlgButtonChecked(p_hDlg, IDC_DONT_SHOW_AGAIN) == BST_CHECKED;
            EndDialog(p_hDlg, LOWORD(p_wParam) == IDOK ? (ticked ? 2 : 1) : 0);
            return TRUE;
        }
        return FALSE;
    });
}

bool EndsWithText(const std::string& p_sName)
{
    return p_sName.size() >= 4 && _stricmp(p_sName.c_str() + p_sName.size() - 4, ".txt") == 0;
}

std::string DefaultSaveName(const oestore::CMailMessage& p_oMessage)
{
    std::string name;
    for (const char c : p_oMessage.m_sSubject)
        name.push_back(std::string("\\/:*?\"<>|").find(c) == std::string::npos ? c : '_');
    return (name.empty() ? std::string("Untitled") : name) + ".eml";
}

INT_PTR CALLBACK SaveMessageProc(HWND p_hDlg, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("SaveMessageProc", INT_PTR(0), [&]() -> INT_PTR {
        if (p_nMsg == WM_INITDIALOG)
        {
            SetWindowLongPtrA(p_hDlg, DWLP_USER, p_lParam);
            const auto* request = reinterpret_cast<const CSaveRequest*>(p_lParam);
            SetDlgItemTextA(p_hDlg, IDC_SAVE_NAME, DefaultSaveName(*request->m_pMessage).c_str());
            SendDlgItemMessageA(p_hDlg, IDC_SAVE_TYPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Mail (*.eml)"));
            SendDlgItemMessageA(p_hDlg, IDC_SAVE_TYPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Text Files (*.txt)"));
            SendDlgItemMessageA(p_hDlg, IDC_SAVE_TYPE, CB_SETCURSEL, 0, 0);
            return TRUE;
        }
        if (p_nMsg != WM_COMMAND)
            return FALSE;
        if (LOWORD(p_wParam) == IDCANCEL)
        {
            EndDialog(p_hDlg, 0);
            return TRUE;
        }
        if (LOWORD(p_wParam) != IDOK)
            return FALSE;
        auto* request = reinterpret_cast<CSaveRequest*>(GetWindowLongPtrA(p_hDlg, DWLP_USER));
        const std::string name = DialogItemText(p_hDlg, IDC_SAVE_NAME);
        const int type = static_cast<int>(SendDlgItemMessageA(p_hDlg, IDC_SAVE_TYPE, CB_GETCURSEL, 0, 0));
        if (name.empty())
            return TRUE;
        request->m_bWritten = WriteSavedMessage(name, type, *request->m_pMessage);
        if (!request->m_bWritten)
        {
            MessageBoxA(p_hDlg, ("The file '" + name + "' could not be written.").c_str(), "Outlook Express",
                        MB_OK | MB_ICONERROR);
            return TRUE;
        }
        EndDialog(p_hDlg, 1);
        return TRUE;
    });
}

struct COptionsCheck
{
    int m_iId;
    bool COeSendOptions::*m_pbField;
};
const COptionsCheck kSendChecks[] = {{IDC_REPLY_SAME_FORMAT, &COeSendOptions::m_bReplySameFormat},
                                     {IDC_INCLUDE_MESSAGE, &COeSendOptions::m_bIncludeMessage},
                                     {IDC_SEND_HTML, &COeSendOptions::m_bSendHtml},
                                     {IDC_ADD_REPLY_TO_BOOK, &COeSendOptions::m_bAddReplyToBook}};

INT_PTR CALLBACK SendPageProc(HWND p_hDlg, UINT p_nMsg, WPARAM, LPARAM p_lParam)
{
    return TrapExceptions("SendPageProc", INT_PTR(0), [&]() -> INT_PTR {
        if (p_nMsg == WM_INITDIALOG)
        {
            for (const COptionsCheck& check : kSendChecks)
                CheckDlgButton(p_hDlg, check.m_iId, SendOptions().*check.m_pbField ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        }
        if (p_nMsg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(p_lParam)->code == PSN_APPLY)
        {
            for (const COptionsCheck& check : kSendChecks)
                SendOptions().*check.m_pbField = IsDlgButtonChecked(p_hDlg, check.m_iId) == BST_CHECKED;
            Log("Options: send HTML %d, reply in the same format %d, include message %d",
                SendOptions().m_bSendHtml ? 1 : 0, SendOptions().m_bReplySameFormat ? 1 : 0,
                SendOptions().m_bIncludeMessage ? 1 : 0);
            SetWindowLongPtrA(p_hDlg, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        }
        return FALSE;
    });
}

INT_PTR CALLBACK GeneralPageProc(HWND, UINT p_nMsg, WPARAM, LPARAM)
{
    return p_nMsg == WM_INITDIALOG ? TRUE : FALSE;
}
} // namespace

bool AskEmptySubject(HINSTANCE p_hInstance, HWND p_hOwner, bool& p_bDontShowAgain)
{
    const INT_PTR result =
        DialogBoxParamA(p_hInstance, MAKEINTRESOURCEA(IDD_EMPTY_SUBJECT), p_hOwner, EmptySubjectProc, 0);
    if (result < 0)
        LOG_FAILURE("the empty-subject question could not be shown");
    p_bDontShowAgain = result == 2;
    return result >= 1;
}

void ShowSendMailWarning(HINSTANCE p_hInstance, HWND p_hOwner, bool& p_bDontShowAgain)
{
    // The question's procedure fits: OK gives 2 with the box ticked.
    const INT_PTR result =
        DialogBoxParamA(p_hInstance, MAKEINTRESOURCEA(IDD_SEND_WARNING), p_hOwner, EmptySubjectProc, 0);
    if (result < 0)
        LOG_FAILURE("the Send Mail notice could not be shown");
    p_bDontShowAgain = result == 2;
}

bool WriteSavedMessage(const std::string& p_sPath, int p_iType, const oestore::CMailMessage& p_oMessage)
{
    const bool text = p_iType == 1 || EndsWithText(p_sPath);
    std::ofstream out(p_sPath, std::ios::binary | std::ios::trunc);
    const std::string content =
        text ? oestore::MessageAsText(p_oMessage) : oestore::ComposeMessageText(p_oMessage, true);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out.good())
    {
        LOG_FAILURE("'%s' could not be written", p_sPath.c_str());
        return false;
    }
    Log("Saved the message '%s' as %s in '%s'", p_oMessage.m_sSubject.c_str(), text ? "text" : "mail", p_sPath.c_str());
    return true;
}

bool SaveMessageAs(HINSTANCE p_hInstance, HWND p_hOwner, const oestore::CMailMessage& p_oMessage)
{
    CSaveRequest request{&p_oMessage};
    if (DialogBoxParamA(p_hInstance, MAKEINTRESOURCEA(IDD_SAVE_MESSAGE), p_hOwner, SaveMessageProc,
                        reinterpret_cast<LPARAM>(&request)) < 0)
        LOG_FAILURE("the Save Message dialog could not be shown");
    return request.m_bWritten;
}

COeSendOptions& SendOptions()
{
    static COeSendOptions s_oOptions;
    return s_oOptions;
}

void ShowOptions(HINSTANCE p_hInstance, HWND p_hOwner)
{
    PROPSHEETPAGEA pages[2] = {};
    const std::pair<int, DLGPROC> templates[] = {{IDD_OPTIONS_GENERAL, GeneralPageProc},
                                                 {IDD_OPTIONS_SEND, SendPageProc}};
    for (int i = 0; i < 2; ++i)
    {
        pages[i].dwSize = sizeof pages[i];
        pages[i].hInstance = p_hInstance;
        pages[i].pszTemplate = MAKEINTRESOURCEA(templates[i].first);
        pages[i].pfnDlgProc = templates[i].second;
    }
    PROPSHEETHEADERA sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hwndParent = p_hOwner;
    sheet.hInstance = p_hInstance;
    sheet.pszCaption = "Options";
    sheet.nPages = 2;
    sheet.ppsp = pages;
    if (PropertySheetA(&sheet) < 0)
        LOG_FAILURE("the Options sheet could not be shown");
}
} // namespace oestandin
