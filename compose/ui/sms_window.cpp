// compose/ui/sms_window.cpp: the compose window's thread, dialog procedure and messages, its
// fields' text and recipients, and its closing.
#include "compose/ui/sms_window.h"

#include "common/failure_log.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/fields/recipient_text.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"
#include "compose/send_rules.h"
#include "compose/ui/sms_window_parts.h"

#include <commctrl.h>
#include <ole2.h>
#include <richedit.h>

extern const IID IID_IMAPISession_Quillet;

namespace
{
// Rich edit text with its paragraph breaks as line feeds, as the body's consumers expect.
std::string NormalisedText(HWND p_hField)
{
    const std::string text = ControlText(p_hField);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\r')
        {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        }
        else
            out += text[i];
    }
    return out;
}
} // namespace

std::string sms_window::InstallText(const char* p_szName, const char* p_szDefault)
{
    CRegistry registry;
    std::string value;
    if (registry.ReadInstallText(p_szName, value) && !value.empty())
        return value;
    return p_szDefault;
}

CSMSWindow::CSMSWindow(int p_iPackage, CAddressBookControlObject* p_p_abcoBinding, HWND p_hParentWnd,
                       HWND p_hMonitorWnd, CWindowList* p_p_oWindows, LocalClock p_fnClock)
    : CComposeFrame(p_hParentWnd, p_p_oWindows, "PreviousRect", QuilletText(kQFilterOpen), QuilletText(kQFilterSave),
                    "sms", 400),
      m_hMonitorWnd(p_hMonitorWnd), m_iPackage(p_iPackage), m_fnClock(std::move(p_fnClock)),
      m_p_abcoBinding(p_p_abcoBinding)
{
    m_hArchiveMutex.reset(CreateMutexA(nullptr, FALSE, "ArchiveMutex"));
    CRegistry registry;
    uint32_t notify = 0;
    uint32_t send = 0;
    std::string signature;
    registry.GetNotifyDefaults(notify);
    registry.GetSendDefaults(send, signature);
    m_dwNotifyFlags = notify | send;
}

CSMSWindow::~CSMSWindow()
{
    if (m_p_abcoBinding != nullptr && m_p_abcoBinding->Ready())
    {
        m_p_abcoBinding->m_pfnDeleteMessageRecipientList(&m_p_mrlTo);
        m_p_abcoBinding->m_pfnDeleteMessageRecipientList(&m_p_mrlCc);
    }
    // Released before the members close the mutex.
    ReleaseArchiveMutex();
}

bool CSMSWindow::Start(std::unique_ptr<CSMSWindow> p_oWindow, bool p_bSendMessage, const std::string& p_sTo,
                       const std::string& p_sBody, IMAPISession* p_pSession, IDispatch* p_pApp)
{
    CSMSWindow& window = *p_oWindow;
    window.m_sInitialTo = p_sTo;
    window.m_sInitialBody = p_sBody;
    if (window.m_hThreadEvent == nullptr)
        return false;
    if (p_pSession != nullptr)
    {
        const HRESULT hr = LOG_IF_FAILED(CoMarshalInterThreadInterfaceInStream(
            IID_IMAPISession_Quillet, reinterpret_cast<IUnknown*>(p_pSession), window.m_pSessionStream.put()));
        if (FAILED(hr))
        {
            window.m_oError.Set(QuilletStrings(), kQMsgMarshalSession, static_cast<unsigned>(hr));
            return false;
        }
    }
    if (p_pApp != nullptr)
    {
        const HRESULT hr =
            LOG_IF_FAILED(CoMarshalInterThreadInterfaceInStream(IID_IDispatch, p_pApp, window.m_pAppStream.put()));
        if (FAILED(hr))
        {
            window.m_oError.Set(QuilletStrings(), kQMsgMarshalDispatch, static_cast<unsigned>(hr));
            return false;
        }
    }
    return StartThread(std::move(p_oWindow), p_bSendMessage, IDD_SMS_WINDOW, &CSMSWindow::DialogProc);
}

void CSMSWindow::OnDialogDestroyed()
{
    OnDestroy();
    SaveRectangle();
    if (m_p_abcoBinding != nullptr && m_p_abcoBinding->Ready())
        m_p_abcoBinding->m_pfnThreadUninit();
}

bool CSMSWindow::Initialise()
{
    SetWindowTextA(m_hWnd, QuilletText(kQTitleNewMessage).c_str());
    // CoGetInterfaceAndReleaseStream releases the stream whatever it returns.
    if (m_pSessionStream && FAILED(LOG_IF_FAILED(CoGetInterfaceAndReleaseStream(
                                m_pSessionStream.detach(), IID_IMAPISession_Quillet, m_pSession.put_void()))))
        return false;
    if (m_pAppStream &&
        FAILED(LOG_IF_FAILED(CoGetInterfaceAndReleaseStream(m_pAppStream.detach(), IID_IDispatch, m_pApp.put_void()))))
        return false;
    if (m_p_abcoBinding == nullptr || !m_p_abcoBinding->Ready())
        return false;
    m_p_abcoBinding->m_pfnThreadInit(reinterpret_cast<IMAPISession*>(m_pSession.get()), m_pApp.get());
    if (!m_p_abcoBinding->m_pfnCreateMessageRecipientList(&m_p_mrlTo) ||
        !m_p_abcoBinding->m_pfnCreateMessageRecipientList(&m_p_mrlCc))
        return false;
    if (!CreateChildren())
        return false;
    if (!m_sInitialTo.empty())
        SetFieldText(kIdToField, m_sInitialTo);
    if (!m_sInitialBody.empty())
    {
        SetFieldText(kIdBodyField, m_sInitialBody);
        if (!m_sInitialTo.empty())
        {
            SetFocus(GetDlgItem(m_hWnd, kIdBodyField));
            SendDlgItemMessageA(m_hWnd, kIdBodyField, EM_SETSEL, 0, 0);
        }
    }
    RestoreRectangle();
    OnSize();
    ShowBulkState();
    m_bModified = false;
    return true;
}

void CSMSWindow::OnSize()
{
    if (m_hStatus == nullptr)
        return;
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const int width = client.right;
    const int statusHeight = PlaceStatusBar();
    int y = 0;
    const auto placeRebar = [&](HWND p_hRebar, bool p_bShown) {
        const int height = p_bShown ? static_cast<int>(SendMessageA(p_hRebar, RB_GETBARHEIGHT, 0, 0)) : 0;
        ShowWindow(p_hRebar, height > 0 ? SW_SHOW : SW_HIDE);
        MoveWindow(p_hRebar, 0, y, width, height, TRUE);
        y += height;
    };
    placeRebar(m_hRebar, m_bShowMenu || m_bShowButtons);
    placeRebar(m_hUtilityRebar, m_bShowUtility);
    for (int row = 0; row < 2; ++row)
    {
        MoveWindow(GetDlgItem(m_hWnd, row == 0 ? kIdToButton : kIdCcButton), 4, y + 3, 52, 22, TRUE);
        MoveWindow(GetDlgItem(m_hWnd, row == 0 ? kIdToField : kIdCcField), 60, y + 3, width - 64, 22, TRUE);
        y += 26;
    }
    y += 2;
    placeRebar(m_hOptionsRebar, m_bShowBulk || m_bShowDelivery);
    const int bodyHeight = client.bottom - statusHeight - y - 2;
    MoveWindow(GetDlgItem(m_hWnd, kIdBodyField), 0, y, width, bodyHeight > 0 ? bodyHeight : 0, TRUE);
}

std::string CSMSWindow::FieldText(int p_iId) const
{
    return NormalisedText(GetDlgItem(m_hWnd, p_iId));
}

void CSMSWindow::SetFieldText(int p_iId, const std::string& p_sText)
{
    SetDlgItemTextA(m_hWnd, p_iId, p_sText.c_str());
}

CRecipientField& CSMSWindow::FieldOf(int p_iField)
{
    return p_iField == kIdCcField ? m_oCcField : m_oToField;
}

bool CSMSWindow::FillRecipientList(int p_iField)
{
    return FieldOf(p_iField).FillRecipientList();
}

bool CSMSWindow::FillRecipientLists()
{
    return FillRecipientList(kIdToField) && FillRecipientList(kIdCcField);
}

void CSMSWindow::ShowReplacedRecipients()
{
    if (!UpdateField(kIdToField, m_p_mrlTo))
        LOG_FAILURE("updating the To field failed");
    if (!UpdateField(kIdCcField, m_p_mrlCc))
        LOG_FAILURE("updating the Cc field failed");
    RefreshTokens();
    ShowBulkState();
}

bool CSMSWindow::UpdateField(int p_iField, const CMessageRecipientList* p_p_mrlList)
{
    return FieldOf(p_iField).RewriteFromList(p_p_mrlList);
}

void CSMSWindow::RefreshTokens()
{
    const std::vector<std::string> tokens = compose::CollectTokens(m_p_mrlTo, m_p_mrlCc);
    // Tokens in the body whose column no recipient offers any more are shown as unavailable.
    m_oBodyField.SetAvailableTokens(tokens);
    m_oBulkbar.SetTokens(tokens);
}

void CSMSWindow::InsertToken()
{
    const std::vector<std::string> tokens = m_oBulkbar.Tokens();
    if (tokens.empty())
        return; // only "No tokens" is listed
    const LRESULT selected = SendMessageA(GetDlgItem(m_oBulkbar.Handle(), kIdTokenList), CB_GETCURSEL, 0, 0);
    if (selected < 0 || static_cast<size_t>(selected) >= tokens.size())
        return;
    const std::string& token = tokens[static_cast<size_t>(selected)];
    if (!m_oBodyField.InsertToken(token))
        LOG_FAILURE("the token %s could not be inserted", token.c_str());
    SetFocus(m_oBodyField.Handle());
}

void CSMSWindow::OnRecipientChar(WPARAM p_wChar, HWND p_hField)
{
    if (!compose::ContinuesName(static_cast<char>(p_wChar)) || p_hField == nullptr)
        return;
    CRecipientField& field = FieldOf(GetDlgCtrlID(p_hField));
    long start = 0;
    long end = 0;
    field.GetSelection(start, end);
    const std::string text = field.RawText();
    // Only the end of a name is completed: text after the caret belongs to someone else.
    if (start != end || (static_cast<size_t>(end) < text.size() && compose::SeparatorOverlap(text.substr(end)) == 0))
        return;
    const std::string partial = compose::PartialNameBefore(text, static_cast<size_t>(start));
    if (partial.empty())
        return;
    CAddressBookControlObject& core = *m_p_abcoBinding;
    char* completion = nullptr;
    if (!core.m_pfnCompleteText(partial.c_str(), &completion) || completion == nullptr)
        return;
    const std::string full = completion;
    core.m_pfnFreeString(&completion);
    if (full.size() <= partial.size() || _strnicmp(full.c_str(), partial.c_str(), partial.size()) != 0)
        return;
    // The rest goes in selected, so that typing on replaces it.
    const std::string rest = full.substr(partial.size());
    field.ReplaceSelection(rest);
    field.SetSelection(start, start + static_cast<long>(rest.size()));
}

void CSMSWindow::ImportList()
{
    Log("Calling FillRecipientList CSMSWindow::onBulkBarImportButton from");
    if (!FillRecipientLists())
        return;
    // The import dialog opens beside the window, level with its client area.
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    int caption = GetSystemMetrics(SM_CYCAPTION);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        caption = metrics.iCaptionHeight;
    const int x = window.right + static_cast<int>(metrics.iBorderWidth);
    const int y = window.top + caption;
    int32_t position = static_cast<int32_t>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
    if (!m_p_abcoBinding->m_pfnImportRecipients(m_hWnd, &m_p_mrlTo, &position))
        return;
    ShowReplacedRecipients();
}

bool CSMSWindow::IsBulk()
{
    std::string body;
    std::vector<compose::CBodyToken> tokens;
    const bool bKnown = m_oBodyField.GetBodyAndTokens(body, tokens);
    return compose::IsBulkSend(bKnown, !tokens.empty(), m_p_mrlTo, m_p_mrlCc, m_oBulkbar.SenderIdChecked());
}

void CSMSWindow::ShowBulkState()
{
    if (m_hStatus == nullptr)
        return;
    const std::string state =
        QuilletText(IsBulk() ? kQStatusBulk : kQStatusSingle) + "\t\t" + (m_bOverwrite ? " OVR" : " INS");
    SendMessageA(m_hStatus, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(state.c_str()));
    ShowCount();
}

void CSMSWindow::ShowCount()
{
    // Windows 95, 98 and Me keep the count the window opened with.
    if (m_hStatus == nullptr || (m_bCounted && !CQuilletField::IsNTFamily("CSMSWindow::ShowCount")))
        return;
    const CBodyCount count = m_oBodyField.Count();
    const std::string text =
        QuilletText(kQStatusCount, static_cast<long>(count.m_iRemaining), static_cast<long>(count.m_iSMSCount));
    SendMessageA(m_hStatus, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text.c_str()));
    m_bCounted = true;
}

void CSMSWindow::CloseAfterSend()
{
    ShowWindow(m_hWnd, SW_HIDE);
    m_p_abcoBinding->m_pfnStartVMIfNecessary(m_hWnd);
    CloseNow();
}

bool CSMSWindow::SaveToFile()
{
    return m_oBodyField.SaveToFile(m_sFileName, m_hWnd);
}

bool CSMSWindow::LoadFromFile(const std::string& p_sPath)
{
    const bool bLoaded = m_oBodyField.LoadFromFile(p_sPath, m_hWnd);
    ShowBulkState();
    return bLoaded;
}

void CSMSWindow::OpenFile()
{
    if (m_bModified && !OfferSave(kQCaptionSaveChanges, kQMsgSaveBeforeLoading, 0))
        return;
    std::string path;
    if (!AskFileName(false, path) || !LoadFromFile(path))
        return;
    SetFocus(GetDlgItem(m_hWnd, kIdBodyField));
    RefreshTokens();
    PostMessageA(m_hWnd, WM_SMS_CLEARMODIFIED, 0, 0);
    m_sFileName = path;
}

void CSMSWindow::OnClose()
{
    // An empty body has nothing worth keeping.
    if (!FieldText(kIdBodyField).empty() && m_bModified &&
        !OfferSave(kQCaptionConfirmClose, kQMsgSaveOnClose, MB_ICONWARNING))
        return;
    CloseNow();
}

void CSMSWindow::ForceClose()
{
    if (m_bModified && !FieldText(kIdBodyField).empty())
        OfferSaveBeforeForcedClose(kQCaptionSaveSMS, kQMsgSaveOnForceClose);
    m_pApp.reset();
    CloseNow();
}

void CSMSWindow::OnDestroy()
{
    m_pApp.reset();
    m_pSession.reset();
}

bool CSMSWindow::OnNotify(NMHDR* p_pHeader, LRESULT& p_lResult)
{
    if (p_pHeader->idFrom == static_cast<UINT_PTR>(kIdBodyField) && p_pHeader->code == EN_DRAGDROPDONE)
    {
        m_bModified = true;
        ShowBulkState();
        return true;
    }
    return CComposeFrame::OnNotify(p_pHeader, p_lResult);
}

HMENU CSMSWindow::DropDownMenu(int p_iButton, unique_hmenu&)
{
    // The emoticons are the first submenu of the Insert menu.
    return p_iButton == ID_EMOTICON_BUTTON ? GetSubMenu(GetSubMenu(m_hMenu.get(), 3), 0) : nullptr;
}

unsigned CSMSWindow::ToolTipOf(UINT_PTR p_iId) const
{
    return sms_window::TooltipFor(static_cast<int>(p_iId));
}

INT_PTR CSMSWindow::HandleMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    switch (p_uMsg)
    {
    case WM_INITMENUPOPUP:
        FillRecentTemplatesMenu(reinterpret_cast<HMENU>(p_wParam));
        return FALSE;
    case WM_SMS_RECIPIENTSCHANGED:
        (void)FillRecipientList(reinterpret_cast<HWND>(p_lParam) == GetDlgItem(m_hWnd, kIdCcField) ? kIdCcField
                                                                                                   : kIdToField);
        RefreshTokens();
        ShowBulkState();
        return TRUE;
    case WM_SMS_RECIPIENTCHAR:
        OnRecipientChar(p_wParam, reinterpret_cast<HWND>(p_lParam));
        return TRUE;
    case WM_SMS_VALIDATELIMIT:
        (void)m_oBulkbar.ValidateSMSLimit(m_hWnd);
        return TRUE;
    case WM_SMS_RECOMPUTEBULK:
        ShowBulkState();
        return TRUE;
    case WM_SMS_RELEASEARCHIVE:
        OnArchiveFinished(false);
        return TRUE;
    case WM_TIMER:
        if (p_wParam != kArchiveTimer)
            return FALSE;
        OnArchiveFinished(true);
        return TRUE;
    case WM_SMS_INSERTTOGGLED:
        m_bOverwrite = !m_bOverwrite;
        ShowBulkState();
        return TRUE;
    case WM_SMS_FIELDFOCUS:
        m_hFocusField = reinterpret_cast<HWND>(p_wParam);
        return TRUE;
    default:
        return CComposeFrame::HandleMessage(p_uMsg, p_wParam, p_lParam);
    }
}
