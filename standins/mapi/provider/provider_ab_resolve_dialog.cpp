// standins/mapi/provider/provider_ab_resolve_dialog.cpp: the "Check Names" window of ResolveName:
// the ambiguous name, its candidates in a list, OK and Cancel.
#include "standins/mapi/provider/provider_ab_resolve_dialog.h"

#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/provider/provider_dialog_template.h"

namespace mapiprov
{
namespace
{
struct CChoice
{
    const std::wstring* m_pName;
    const std::vector<std::wstring>* m_pCandidates;
    std::optional<size_t> m_oChosen;
};

// OK takes the selected line; with none selected the user is told by a beep and the window stays.
bool Accept(HWND p_hDlg, CChoice& p_oChoice)
{
    const LRESULT selected = SendDlgItemMessageW(p_hDlg, kIdResolveList, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || static_cast<size_t>(selected) >= p_oChoice.m_pCandidates->size())
    {
        MessageBeep(MB_ICONWARNING);
        return false;
    }
    p_oChoice.m_oChosen = static_cast<size_t>(selected);
    return true;
}

INT_PTR CALLBACK ResolveProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("ResolveProc", INT_PTR{0}, [&]() -> INT_PTR {
        auto* choice = reinterpret_cast<CChoice*>(GetWindowLongPtrW(p_hDlg, DWLP_USER));
        switch (p_uMsg)
        {
        case WM_INITDIALOG: {
            choice = reinterpret_cast<CChoice*>(p_lParam);
            SetWindowLongPtrW(p_hDlg, DWLP_USER, p_lParam);
            const std::wstring prompt =
                L"More than one entry matches \"" + *choice->m_pName + L"\". Select the one you meant:";
            SetDlgItemTextW(p_hDlg, kIdResolvePrompt, prompt.c_str());
            for (const std::wstring& line : *choice->m_pCandidates)
                SendDlgItemMessageW(p_hDlg, kIdResolveList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
            return TRUE;
        }
        case WM_COMMAND: {
            const WORD id = LOWORD(p_wParam);
            const bool ok = id == IDOK || (id == kIdResolveList && HIWORD(p_wParam) == LBN_DBLCLK);
            if (ok && choice != nullptr && Accept(p_hDlg, *choice))
                EndDialog(p_hDlg, IDOK);
            else if (id == IDCANCEL)
                EndDialog(p_hDlg, IDCANCEL);
            return TRUE;
        }
        default:
            return FALSE;
        }
    });
}
} // namespace

std::optional<size_t> ChooseResolveCandidate(HWND p_hParent, const std::wstring& p_sName,
                                             const std::vector<std::wstring>& p_vCandidates)
{
    CChoice choice{&p_sName, &p_vCandidates, std::nullopt};
    CTemplate t(L"Check Names", 240, 150);
    t.Item(kIdResolvePrompt, kClassStatic, SS_LEFT, 7, 7, 226, 18, L"");
    t.Item(kIdResolveList, kClassListBox, LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 7, 28, 226, 94, L"");
    t.Item(IDOK, kClassButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 126, 129, 50, 14, L"OK");
    t.Item(IDCANCEL, kClassButton, BS_PUSHBUTTON | WS_TABSTOP, 183, 129, 50, 14, L"Cancel");
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), p_hParent, &ResolveProc,
                                                   reinterpret_cast<LPARAM>(&choice));
    return result == IDOK ? choice.m_oChosen : std::nullopt;
}
} // namespace mapiprov
