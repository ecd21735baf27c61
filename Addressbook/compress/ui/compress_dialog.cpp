// Addressbook/compress/ui/compress_dialog.cpp: the "Compress Message Body" dialog and the export
// CompressWithDialog: a slider of levels, a check box per method and a live preview.
#include "Addressbook/compress/compress_dictionary.h"
#include "Addressbook/compress/compress_levels.h"
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/res/corvane_strings.h"
#include "Addressbook/res/resource.h"
#include "Addressbook/ui/message_box.h"
#include "Addressbook/ui/modal_dialog.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <commctrl.h>

namespace
{
struct CMethodBox
{
    int m_iControl;
    uint32_t m_dwFlag;
};
constexpr CMethodBox kMethodBoxes[] = {
    {IDC_COMPRESS_SQUEEZE, kTransformSqueeze},
    {IDC_COMPRESS_DICTIONARY, kTransformDictionary},
    {IDC_COMPRESS_JOIN, kTransformJoinWords},
};

class CCompressDialog
{
  public:
    CCompressDialog(std::string p_sText, std::vector<std::string> p_vTokenNames, uint32_t p_dwFlags)
        : m_sText(std::move(p_sText)), m_vTokenNames(std::move(p_vTokenNames)), m_oLevels(p_dwFlags),
          m_oAbbreviator(m_oSettings)
    {
    }

    // IDOK or IDCANCEL; -1 (logged) when the dialog could not be made.
    [[nodiscard]] INT_PTR Run(HWND p_hParent)
    {
        return CModalDialog::Show(*this, IDD_COMPRESS, p_hParent, "CCompressDialog");
    }
    uint32_t Flags() const
    {
        return m_oLevels.Flags();
    }
    CDictionaryAbbreviator& Abbreviator()
    {
        return m_oAbbreviator;
    }

  private:
    friend struct ::CModalDialog;

    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
    {
        switch (p_uMessage)
        {
        case WM_INITDIALOG:
            if (!m_oAbbreviator.CanLoad())
            {
                LOG_FAILURE("the dictionary cannot be read");
                EndDialog(p_hDialog, IDCANCEL);
                return TRUE;
            }
            SendDlgItemMessageA(p_hDialog, IDC_COMPRESS_SLIDER, TBM_SETRANGE, TRUE,
                                MAKELPARAM(kCompressionLevelNone, kCompressionLevelCustom));
            ShowLevel(p_hDialog);
            return TRUE;
        case WM_HSCROLL:
            m_oLevels.SetLevel(static_cast<int>(SendDlgItemMessageA(p_hDialog, IDC_COMPRESS_SLIDER, TBM_GETPOS, 0, 0)));
            ShowLevel(p_hDialog);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(p_wParam))
            {
            case IDC_COMPRESS_SQUEEZE:
            case IDC_COMPRESS_DICTIONARY:
            case IDC_COMPRESS_JOIN:
                if (HIWORD(p_wParam) == BN_CLICKED)
                {
                    uint32_t dwFlags = 0;
                    for (const auto& oBox : kMethodBoxes)
                        if (IsDlgButtonChecked(p_hDialog, oBox.m_iControl) == BST_CHECKED)
                            dwFlags |= oBox.m_dwFlag;
                    m_oLevels.SetFlags(dwFlags);
                    ShowLevel(p_hDialog);
                }
                return TRUE;
            case IDOK:
            case IDCANCEL:
                EndDialog(p_hDialog, LOWORD(p_wParam));
                return TRUE;
            }
            break;
        }
        return FALSE;
    }

    void ShowLevel(HWND p_hDialog)
    {
        SendDlgItemMessageA(p_hDialog, IDC_COMPRESS_SLIDER, TBM_SETPOS, TRUE, m_oLevels.Level());
        for (const auto& oBox : kMethodBoxes)
            CheckDlgButton(p_hDialog, oBox.m_iControl,
                           (m_oLevels.Flags() & oBox.m_dwFlag) != 0 ? BST_CHECKED : BST_UNCHECKED);
        CCompressionPreview oPreview;
        if (!BuildCompressionPreview(m_sText, m_vTokenNames, m_oLevels.Flags(), &m_oAbbreviator, oPreview))
            LOG_FAILURE("the text could not be compressed with flags %u", m_oLevels.Flags());
        SetDlgItemTextA(p_hDialog, IDC_COMPRESS_COUNT, oPreview.m_sCount.c_str());
        // An edit control cannot change its wrapping once made, so there is one of each.
        const int iShown = oPreview.m_bWrap ? IDC_COMPRESS_PREVIEW_WRAP : IDC_COMPRESS_PREVIEW;
        const int iHidden = oPreview.m_bWrap ? IDC_COMPRESS_PREVIEW : IDC_COMPRESS_PREVIEW_WRAP;
        SetDlgItemTextA(p_hDialog, iShown, oPreview.m_sShown.c_str());
        SetDlgItemTextA(p_hDialog, iHidden, "");
        ShowWindow(GetDlgItem(p_hDialog, iShown), SW_SHOW);
        ShowWindow(GetDlgItem(p_hDialog, iHidden), SW_HIDE);
    }

    std::string m_sText;
    std::vector<std::string> m_vTokenNames;
    CCompressionLevels m_oLevels;
    CRegistry m_oSettings;
    CDictionaryAbbreviator m_oAbbreviator;
};
} // namespace

extern "C"
{
    int CORVANE_API CompressWithDialog(HWND p_hParent, const CMessageTokenList* p_p_oTokens, const char* p_szText,
                                       char** p_pszCompressed, int32_t* p_piCancelled, uint32_t* p_pdwFlags)
    {
        return TrapExceptions("CompressWithDialog", 0, [&]() -> int {
            if (p_pszCompressed != nullptr)
                *p_pszCompressed = nullptr;
            if (p_piCancelled != nullptr)
                *p_piCancelled = 1;
            INITCOMMONCONTROLSEX oInit{sizeof(oInit), ICC_BAR_CLASSES};
            InitCommonControlsEx(&oInit);

            const std::string sText(TextOf(p_szText));
            CCompressDialog oDialog(sText, TokenNames(p_p_oTokens), p_pdwFlags != nullptr ? *p_pdwFlags : 0);
            const INT_PTR iResult = oDialog.Run(p_hParent);
            if (iResult == -1)
                return 0;
            if (iResult != IDOK)
                return 1;
            std::string sCompressed;
            if (!TransformText(sText, oDialog.Flags(), &oDialog.Abbreviator(), sCompressed))
            {
                LOG_FAILURE("the text could not be compressed with flags %u", oDialog.Flags());
                return 0;
            }
            if (p_pszCompressed != nullptr)
                *p_pszCompressed = MakeOwnedString(LineFeedsToCrLf(sCompressed)).release();
            if (p_pdwFlags != nullptr)
                *p_pdwFlags = oDialog.Flags();
            if (p_piCancelled != nullptr)
                *p_piCancelled = 0;
            return 1;
        });
    }
}
