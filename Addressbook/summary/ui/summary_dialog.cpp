// Addressbook/summary/ui/summary_dialog.cpp: the "Message Summary" dialog: the counter lines, the
// two check boxes and the SMS limit, and the result lines recomputed on every change. Each line is
// a row of labels, each sized to its text and placed right after the one before; numbers are bold
// blue.
#include "Addressbook/summary/ui/summary_dialog.h"

#include "Addressbook/res/resource.h"
#include "Addressbook/summary/summary_report.h"
#include "Addressbook/summary/ui/preview_dialog.h"
#include "Addressbook/ui/message_box.h"
#include "Addressbook/ui/modal_dialog.h"
#include "common/failure_log.h"
#include "common/handle_win.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
constexpr int kCounterLines = 4;
constexpr int kResultLines = 5;
// Where the lines start, in dialog units: the counters inside the upper frame, the results inside
// the lower one.
constexpr int kLineLeft = 16;
constexpr int kCounterTop = 40;
constexpr int kResultTop = 144;
constexpr int kLineHeight = 11;
constexpr int kLabelHeight = 9;
constexpr COLORREF kNumberColour = RGB(0, 0, 255);
constexpr int kOkTextMargin = 12; // pixels beside the OK button's text

std::string WithoutMnemonic(std::string p_sText)
{
    p_sText.erase(std::remove(p_sText.begin(), p_sText.end(), '&'), p_sText.end());
    return p_sText;
}

class CSummaryDialog
{
  public:
    CSummaryDialog(const CSummaryRequest& p_oRequest, const CSummaryStats& p_oStats,
                   const CSummarySettings& p_oSettings, bool p_bSendMode)
        : m_oRequest(p_oRequest), m_oStats(p_oStats), m_oSettings(p_oSettings), m_bSendMode(p_bSendMode)
    {
    }

    const CSummarySettings& Settings() const
    {
        return m_oSettings;
    }

  private:
    friend struct ::CModalDialog;

    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam, LPARAM p_lParam)
    {
        switch (p_uMessage)
        {
        case WM_INITDIALOG:
            m_hDialog = p_hDialog;
            Initialise();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return ColourLabel(reinterpret_cast<HDC>(p_wParam), reinterpret_cast<HWND>(p_lParam));
        case WM_COMMAND:
            return OnCommand(LOWORD(p_wParam), HIWORD(p_wParam));
        default:
            return FALSE;
        }
    }

    void Initialise()
    {
        const HFONT hFont = reinterpret_cast<HFONT>(SendMessageA(m_hDialog, WM_GETFONT, 0, 0));
        LOGFONTA font{};
        if (hFont != nullptr && GetObjectA(hFont, sizeof(font), &font) != 0)
        {
            font.lfWeight = FW_BOLD;
            m_hBold.reset(CreateFontIndirectA(&font));
        }
        if (m_hBold)
            SendDlgItemMessageA(m_hDialog, IDC_SUMMARY_HEADER, WM_SETFONT, reinterpret_cast<WPARAM>(m_hBold.get()),
                                FALSE);
        CheckDlgButton(m_hDialog, IDC_SUMMARY_MISSING, m_oSettings.m_bSendMissingDetails ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(m_hDialog, IDC_SUMMARY_OVER_LIMIT, m_oSettings.m_bSendOverLimit ? BST_CHECKED : BST_UNCHECKED);
        m_oSettings.m_iSMSLimit = ClampSMSLimit(m_oSettings.m_iSMSLimit);
        SendDlgItemMessageA(m_hDialog, IDC_SUMMARY_LIMIT_SPIN, UDM_SETRANGE32, kMinSMSLimit, kMaxSMSLimit);
        SendDlgItemMessageA(m_hDialog, IDC_SUMMARY_LIMIT_SPIN, UDM_SETPOS32, 0, m_oSettings.m_iSMSLimit);
        SetDlgItemInt(m_hDialog, IDC_SUMMARY_LIMIT, static_cast<UINT>(m_oSettings.m_iSMSLimit), FALSE);
        SetOkButton();
        const std::vector<CSummaryLine> vCounters = CounterLines(m_oStats);
        for (int i = 0; i < kCounterLines; ++i)
            PlaceLine(i, kCounterTop + kLineHeight * i, vCounters[i]);
        m_bReady = true;
        ShowResults();
    }

    // "&Apply and Send" or "&Apply", as wide as its text and a margin but never narrower than
    // Cancel, its right edge where the template put it.
    void SetOkButton()
    {
        const std::string sText = SummaryString(m_bSendMode ? kMsgSummaryApplyAndSend : kMsgSummaryApply);
        const HWND hOk = GetDlgItem(m_hDialog, IDOK);
        SetWindowTextA(hOk, sText.c_str());
        RECT rcOk{};
        RECT rcCancel{};
        GetWindowRect(hOk, &rcOk);
        GetWindowRect(GetDlgItem(m_hDialog, IDCANCEL), &rcCancel);
        MapWindowPoints(nullptr, m_hDialog, reinterpret_cast<POINT*>(&rcOk), 2);
        const int iWidth =
            std::max<int>(TextWidth(WithoutMnemonic(sText), false) + kOkTextMargin, rcCancel.right - rcCancel.left);
        MoveWindow(hOk, rcOk.right - iWidth, rcOk.top, iWidth, rcOk.bottom - rcOk.top, TRUE);
    }

    int TextWidth(const std::string& p_sText, bool p_bBold) const
    {
        unique_window_dc hDC(m_hDialog);
        if (!hDC)
            return 0;
        const HFONT hFont =
            p_bBold && m_hBold ? m_hBold.get() : reinterpret_cast<HFONT>(SendMessageA(m_hDialog, WM_GETFONT, 0, 0));
        const dc_state_guard state(hDC.get());
        SelectObject(hDC.get(), hFont);
        SIZE size{};
        GetTextExtentPoint32A(hDC.get(), p_sText.c_str(), static_cast<int>(p_sText.size()), &size);
        return size.cx;
    }

    // Line p_iLine's labels at p_iTop (dialog units), replacing those it had.
    void PlaceLine(int p_iLine, int p_iTop, const CSummaryLine& p_oLine)
    {
        RECT rcOrigin{kLineLeft, p_iTop, 0, p_iTop + kLabelHeight};
        MapDialogRect(m_hDialog, &rcOrigin);
        const HFONT hFont = reinterpret_cast<HFONT>(SendMessageA(m_hDialog, WM_GETFONT, 0, 0));
        int iLeft = rcOrigin.left;
        for (int j = 0; j < IDC_SUMMARY_LINE_STRIDE; ++j)
        {
            const int iId = IDC_SUMMARY_LABELS + IDC_SUMMARY_LINE_STRIDE * p_iLine + j;
            if (const HWND hOld = GetDlgItem(m_hDialog, iId))
                DestroyWindow(hOld);
            if (j >= static_cast<int>(p_oLine.size()))
                continue;
            const CLinePiece& oPiece = p_oLine[j];
            const int iWidth = TextWidth(oPiece.m_sText, oPiece.m_bNumber);
            const HWND hLabel =
                CreateWindowExA(0, "STATIC", oPiece.m_sText.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                iLeft, rcOrigin.top, iWidth, rcOrigin.bottom - rcOrigin.top, m_hDialog,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(iId)), nullptr, nullptr);
            if (hLabel == nullptr)
            {
                LogCallFailure("CSummaryDialog::PlaceLine", "CreateWindowEx(STATIC)", EResultKind::Win32Error,
                               GetLastError());
                continue;
            }
            SendMessageA(hLabel, WM_SETFONT,
                         reinterpret_cast<WPARAM>(oPiece.m_bNumber && m_hBold ? m_hBold.get() : hFont), FALSE);
            iLeft += iWidth;
        }
    }

    bool IsNumberLabel(HWND p_hLabel) const
    {
        const int iId = GetDlgCtrlID(p_hLabel);
        if (iId < IDC_SUMMARY_LABELS || iId >= IDC_SUMMARY_LABELS + IDC_SUMMARY_LINE_STRIDE * 9)
            return false;
        const int iLine = (iId - IDC_SUMMARY_LABELS) / IDC_SUMMARY_LINE_STRIDE;
        const int iPiece = (iId - IDC_SUMMARY_LABELS) % IDC_SUMMARY_LINE_STRIDE;
        const std::vector<CSummaryLine>& vLines = iLine < kCounterLines ? m_vCounters : m_vResults;
        const int iIndex = iLine < kCounterLines ? iLine : iLine - kCounterLines;
        return iIndex < static_cast<int>(vLines.size()) && iPiece < static_cast<int>(vLines[iIndex].size()) &&
               vLines[iIndex][iPiece].m_bNumber;
    }

    INT_PTR ColourLabel(HDC p_hDC, HWND p_hLabel)
    {
        if (!IsNumberLabel(p_hLabel))
            return FALSE;
        SetTextColor(p_hDC, kNumberColour);
        SetBkColor(p_hDC, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }

    void ShowResults()
    {
        if (!m_bReady)
            return;
        m_oSettings.m_bSendMissingDetails = IsDlgButtonChecked(m_hDialog, IDC_SUMMARY_MISSING) == BST_CHECKED;
        m_oSettings.m_bSendOverLimit = IsDlgButtonChecked(m_hDialog, IDC_SUMMARY_OVER_LIMIT) == BST_CHECKED;
        BOOL bRead = FALSE;
        const UINT uLimit = GetDlgItemInt(m_hDialog, IDC_SUMMARY_LIMIT, &bRead, FALSE);
        m_oSettings.m_iSMSLimit = ClampSMSLimit(bRead ? static_cast<int64_t>(uLimit) : kMinSMSLimit);
        m_vCounters = CounterLines(m_oStats);
        m_vResults = ResultLines(m_oStats, m_oSettings);
        for (int i = 0; i < kResultLines; ++i)
            PlaceLine(kCounterLines + i, kResultTop + kLineHeight * i, m_vResults[i]);
    }

    // Typing is free; leaving the box with more than the splitter allows is refused.
    void ValidateLimit()
    {
        BOOL bRead = FALSE;
        const UINT uLimit = GetDlgItemInt(m_hDialog, IDC_SUMMARY_LIMIT, &bRead, FALSE);
        if (!bRead || uLimit <= static_cast<UINT>(kMaxSMSLimit))
            return;
        ShowMessage(m_hDialog, kMsgLimitViolationCaption, TableText(kMsgLimitViolation), MB_OK | MB_ICONWARNING);
        SetDlgItemInt(m_hDialog, IDC_SUMMARY_LIMIT, static_cast<UINT>(kMaxSMSLimit), FALSE);
        SendDlgItemMessageA(m_hDialog, IDC_SUMMARY_LIMIT, EM_SETSEL, 0, -1);
        ShowResults();
    }

    INT_PTR OnCommand(int p_iControl, int p_iCode)
    {
        switch (p_iControl)
        {
        case IDC_SUMMARY_MISSING:
        case IDC_SUMMARY_OVER_LIMIT:
            if (p_iCode == BN_CLICKED)
                ShowResults();
            return TRUE;
        case IDC_SUMMARY_LIMIT:
            if (p_iCode == EN_CHANGE)
                ShowResults();
            else if (p_iCode == EN_KILLFOCUS)
                ValidateLimit();
            return TRUE;
        case IDC_SUMMARY_PREVIEW:
            ShowResults();
            if (!RunPreview(m_hDialog, m_oRequest, m_oSettings, nullptr))
                LOG_FAILURE("the preview could not be shown");
            return TRUE;
        case IDOK:
            ShowResults();
            EndDialog(m_hDialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(m_hDialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    }

    const CSummaryRequest& m_oRequest;
    const CSummaryStats& m_oStats;
    CSummarySettings m_oSettings;
    bool m_bSendMode;
    HWND m_hDialog = nullptr;
    bool m_bReady = false; // the controls hold the settings; changes before that are the dialog's own
    unique_hfont m_hBold;
    std::vector<CSummaryLine> m_vCounters;
    std::vector<CSummaryLine> m_vResults;
};
} // namespace

ESummaryEnd RunSummary(HWND p_hOwner, const CSummaryRequest& p_oRequest, const CSummaryStats& p_oStats,
                       CSummarySettings& p_oSettings, bool p_bSendMode)
{
    CSummaryDialog oDialog(p_oRequest, p_oStats, p_oSettings, p_bSendMode);
    switch (CModalDialog::Show(oDialog, IDD_SUMMARY, p_hOwner, "CSummaryDialog"))
    {
    case IDOK:
        p_oSettings = oDialog.Settings();
        return ESummaryEnd::Applied;
    case -1:
        return ESummaryEnd::Failed;
    default:
        return ESummaryEnd::Cancelled;
    }
}
