// compose/ui/sms_window_children.cpp: the compose window's children (menu bar, button bars, fields,
// option bars, status bar, tooltips), made step by step, and the bars' shown state and menu checks.
#include "compose/ui/sms_window.h"

#include "common/failure_log.h"
#include "common/settings.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"
#include "compose/send_rules.h"
#include "compose/ui/sms_window_parts.h"

#include <commctrl.h>
#include <richedit.h>

#include <iterator>

namespace
{
using compose_frame::AddBand;
using compose_frame::AddBarBand;
using compose_frame::BarSize;
using compose_frame::kTextButton;
using compose_frame::MakeRebar;
using compose_frame::UseDefaultFont;

struct CButtonDef
{
    int m_iCommand;
    unsigned m_uText;
    BYTE m_bStyle;
};

const CButtonDef kStandardButtons[] = {
    {ID_FILE_SEND, kQTextSendButton, kTextButton},
    {0, 0, BTNS_SEP},
    {ID_EDIT_CUT, kQTextCutButton, kTextButton},
    {ID_EDIT_COPY, kQTextCopyButton, kTextButton},
    {ID_EDIT_PASTE, kQTextPasteButton, kTextButton},
    {ID_EDIT_UNDO, kQTextUndoButton, kTextButton},
    {0, 0, BTNS_SEP},
    {ID_VIEW_BULK_BAR, kQTextBulkButton, static_cast<BYTE>(kTextButton | BTNS_CHECK)},
    {ID_TOOLS_CHECK_NAMES, kQTextCheckButton, kTextButton},
    {ID_EMOTICON_BUTTON, kQTextEmoticonButton, static_cast<BYTE>(kTextButton | BTNS_WHOLEDROPDOWN)},
    {ID_TOOLS_CC_EMAIL, kQTextCcEmailButton, static_cast<BYTE>(kTextButton | BTNS_CHECK)},
};

const CButtonDef kUtilityButtons[] = {
    {ID_TEMPLATE_GENERATE, kQTextTemplateButton, kTextButton},
    {ID_TOOLS_COMPRESS, kQTextCompressButton, kTextButton},
    {ID_TOOLS_SUMMARY, kQTextSummaryButton, kTextButton},
    {ID_TOOLS_PREVIEW, kQTextPreviewButton, kTextButton},
};

void AddButtons(HWND p_hBar, const CButtonDef* p_pDefs, size_t p_nCount)
{
    for (size_t i = 0; i < p_nCount; ++i)
    {
        if (p_pDefs[i].m_iCommand != 0)
        {
            compose_frame::AddTextButton(p_hBar, p_pDefs[i].m_iCommand, QuilletText(p_pDefs[i].m_uText),
                                         p_pDefs[i].m_bStyle);
            continue;
        }
        TBBUTTON separator{};
        separator.iBitmap = I_IMAGENONE;
        separator.fsStyle = p_pDefs[i].m_bStyle;
        SendMessageA(p_hBar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&separator));
    }
}

HWND MakeButton(HWND p_hParent, int p_iId, unsigned p_uText, HINSTANCE p_hInstance)
{
    return CreateWindowExA(0, WC_BUTTONA, QuilletText(p_uText).c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 50,
                           22, p_hParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)), p_hInstance, nullptr);
}

bool OptionShown(const char* p_szName, bool p_bDefault)
{
    CRegistry registry;
    uint32_t value = 0;
    if (!registry.ReadOptionsDword(p_szName, value))
        return p_bDefault;
    return value != 0;
}
} // namespace

unsigned sms_window::TooltipFor(int p_iCommand)
{
    switch (p_iCommand)
    {
    case ID_FILE_SEND:
        return kQTipSend;
    case ID_EDIT_COPY:
        return kQTipCopy;
    case ID_EDIT_PASTE:
        return kQTipPaste;
    case ID_EDIT_CUT:
        return kQTipCut;
    case ID_EDIT_UNDO:
        return kQTipUndo;
    case ID_TOOLS_CHECK_NAMES:
        return kQTipCheck;
    case ID_EMOTICON_BUTTON:
        return kQTipEmoticon;
    case ID_TOOLS_CC_EMAIL:
        return kQTipCcEmail;
    case ID_VIEW_BULK_BAR:
        return kQTipBulkBar;
    case ID_TEMPLATE_GENERATE:
        return kQTipTemplate;
    case ID_TOOLS_COMPRESS:
        return kQTipCompress;
    case ID_TOOLS_SUMMARY:
        return kQTipSummary;
    case ID_TOOLS_PREVIEW:
        return kQTipPreview;
    case kIdInsertToken:
        return kQTipInsertToken;
    case kIdImportList:
        return kQTipImportList;
    case kIdToButton:
    case kIdCcButton:
        return kQTipSelectRecipients;
    case kIdToField:
    case kIdCcField:
        return kQTipRecipientField;
    default:
        return 0;
    }
}

bool CSMSWindow::CreateChildren()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!CreateCommandBars(instance) || !CreateUtilityBar() || !CreateRecipientFields() || !CreateOptionBars() ||
        !CreateBodyField() || !CreateStatusAndButtons(instance))
        return false;
    CreateToolTips(instance);
    SetIcons(instance);
    ShowRememberedBars();
    SetFocus(GetDlgItem(m_hWnd, kIdToField));
    return true;
}

bool CSMSWindow::CreateCommandBars(HINSTANCE p_hInstance)
{
    if (!CreateMenuBar(p_hInstance, {IDR_SMS_MENU, kIdRebar, kIdMenuBar, sms_window::kMenuBarFirstButton}))
        return false;
    m_hButtons = MakeButtonBar(m_hRebar, kIdStandardButtons);
    if (m_hButtons == nullptr)
        return false;
    AddButtons(m_hButtons, kStandardButtons, std::size(kStandardButtons));
    AddBarBand(m_hRebar, m_hButtons, true);
    return true;
}

bool CSMSWindow::CreateUtilityBar()
{
    m_hUtilityRebar = MakeRebar(m_hWnd, kIdUtilityRebar);
    if (m_hUtilityRebar == nullptr)
        return false;
    ForwardNotifications(m_hUtilityRebar, m_hWnd);
    m_hUtilityBar = MakeButtonBar(m_hUtilityRebar, kIdUtilityBar);
    if (m_hUtilityBar == nullptr)
        return false;
    AddButtons(m_hUtilityBar, kUtilityButtons, std::size(kUtilityButtons));
    AddBarBand(m_hUtilityRebar, m_hUtilityBar, false);
    return true;
}

bool CSMSWindow::CreateRecipientFields()
{
    const DWORD lineField = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
    for (CRecipientField* field : {&m_oToField, &m_oCcField})
    {
        field->Bind(m_p_abcoBinding, field == &m_oToField ? &m_p_mrlTo : &m_p_mrlCc);
        if (!field->Create(m_hWnd, field == &m_oToField ? kIdToField : kIdCcField, lineField, WS_EX_CLIENTEDGE, nullptr,
                           std::string()))
        {
            m_oError.Set(QuilletStrings(), kQMsgLoadFailed, "RichEdit20A", static_cast<int>(GetLastError()));
            return false;
        }
        UseDefaultFont(field->Handle());
        SendMessageA(field->Handle(), EM_SETEVENTMASK, 0, ENM_CHANGE);
    }
    return true;
}

bool CSMSWindow::CreateOptionBars()
{
    m_hOptionsRebar = MakeRebar(m_hWnd, kIdOptionsRebar);
    if (m_hOptionsRebar == nullptr)
        return false;
    ForwardNotifications(m_hOptionsRebar, m_hWnd);
    if (!m_oDeliverybar.Create(m_hOptionsRebar, m_hWnd, m_fnClock) || !m_oBulkbar.Create(m_hOptionsRebar, m_hWnd))
        return false;
    // The bulk bar's buttons and tooltips need a proper size before the band is measured.
    AddBand(m_hOptionsRebar, m_oDeliverybar.Handle(), BarSize(m_oDeliverybar.Handle()).cx, 26, false);
    AddBand(m_hOptionsRebar, m_oBulkbar.Handle(), BarSize(m_oBulkbar.Handle()).cx, 26, true);
    return true;
}

bool CSMSWindow::CreateBodyField()
{
    return CreateBody(m_oBodyField, kIdBodyField, ENM_CHANGE | ENM_SELCHANGE | ENM_DRAGDROPDONE | ENM_DROPFILES);
}

bool CSMSWindow::CreateStatusAndButtons(HINSTANCE p_hInstance)
{
    // The send's kind with the insert indicator, then the body's count.
    if (!CreateStatusBar(p_hInstance, kIdStatusBar, 160))
        return false;
    HWND toButton = MakeButton(m_hWnd, kIdToButton, kQTextToButton, p_hInstance);
    HWND ccButton = MakeButton(m_hWnd, kIdCcButton, kQTextCcButton, p_hInstance);
    if (toButton == nullptr || ccButton == nullptr)
        return false;
    UseDefaultFont(toButton);
    UseDefaultFont(ccButton);
    SendMessageA(
        m_hStatus, SB_SETICON, 1,
        reinterpret_cast<LPARAM>(LoadImageA(p_hInstance, MAKEINTRESOURCEA(IDI_SMS_COUNT), IMAGE_ICON, 16, 16, 0)));
    return true;
}

void CSMSWindow::CreateToolTips(HINSTANCE p_hInstance)
{
    m_hToolTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, p_hInstance, nullptr);
    if (m_hToolTip == nullptr)
        return;
    for (int id : {kIdToButton, kIdCcButton, kIdToField, kIdCcField})
    {
        const std::string text = QuilletText(sms_window::TooltipFor(id));
        TOOLINFOA tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_hWnd;
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(m_hWnd, id));
        tool.lpszText = const_cast<char*>(text.c_str());
        SendMessageA(m_hToolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void CSMSWindow::ShowRememberedBars()
{
    m_bShowBulk = OptionShown("ShowBulkBar", false);
    m_bShowDelivery = OptionShown("ShowDeliveryBar", false);
    m_bShowUtility = OptionShown("ShowUtilityBar", false);
    SetBandShown(m_hOptionsRebar, m_oBulkbar.Handle(), m_bShowBulk);
    SetBandShown(m_hOptionsRebar, m_oDeliverybar.Handle(), m_bShowDelivery);
    SetBandShown(m_hUtilityRebar, m_hUtilityBar, m_bShowUtility);
    m_oDeliverybar.SetReplies(compose::RepliesIndexOf(m_dwNotifyFlags));
    ApplyFlagsToMenu();
}

void CSMSWindow::SetBandShown(HWND p_hRebar, HWND p_hChild, bool p_bShow)
{
    const UINT count = static_cast<UINT>(SendMessageA(p_hRebar, RB_GETBANDCOUNT, 0, 0));
    for (UINT i = 0; i < count; ++i)
    {
        REBARBANDINFOA band{};
        band.cbSize = sizeof(band);
        band.fMask = RBBIM_CHILD;
        SendMessageA(p_hRebar, RB_GETBANDINFOA, i, reinterpret_cast<LPARAM>(&band));
        if (band.hwndChild == p_hChild)
            SendMessageA(p_hRebar, RB_SHOWBAND, i, p_bShow ? TRUE : FALSE);
    }
}

void CSMSWindow::ApplyFlagsToMenu()
{
    if (!m_hMenu)
        return;
    const uint32_t flags = m_dwNotifyFlags;
    const auto check = [&](int p_iCommand, bool p_bOn) {
        CheckMenuItem(m_hMenu.get(), static_cast<UINT>(p_iCommand), MF_BYCOMMAND | (p_bOn ? MF_CHECKED : MF_UNCHECKED));
    };
    const bool bNever = (flags & (compose::kFlagAllDeliveries | compose::kFlagFailedOnly)) == 0;
    check(ID_NOTIFY_NEVER, bNever);
    check(ID_NOTIFY_FAILED, (flags & compose::kFlagFailedOnly) != 0);
    check(ID_NOTIFY_ALL, (flags & compose::kFlagAllDeliveries) != 0);
    check(ID_NOTIFY_EMAIL, true);
    check(ID_NOTIFY_MY_PHONE, (flags & compose::kFlagToMyPhone) != 0);
    check(ID_NOTIFY_ONCE, (flags & compose::kFlagOncePerRecipient) != 0);
    check(ID_NOTIFY_SUBPART, (flags & compose::kFlagEachSubpart) != 0);
    check(ID_NOTIFY_NETWORK, (flags & compose::kFlagNetwork) != 0);
    check(ID_NOTIFY_PHONE, (flags & compose::kFlagPhone) != 0);
    // How and when to notify only mean something while notifications are asked for.
    for (int id : {ID_NOTIFY_EMAIL, ID_NOTIFY_MY_PHONE, ID_NOTIFY_ONCE, ID_NOTIFY_SUBPART})
        EnableMenuItem(m_hMenu.get(), static_cast<UINT>(id), MF_BYCOMMAND | (bNever ? MF_GRAYED : MF_ENABLED));
    const bool bAll = (flags & compose::kFlagAllDeliveries) != 0;
    for (int id : {ID_NOTIFY_NETWORK, ID_NOTIFY_PHONE})
        EnableMenuItem(m_hMenu.get(), static_cast<UINT>(id), MF_BYCOMMAND | (bAll ? MF_ENABLED : MF_GRAYED));
    const int replies = compose::RepliesIndexOf(flags);
    check(ID_REPLY_NONE, replies == 0);
    check(ID_REPLY_EMAIL, replies == 1);
    check(ID_REPLY_EMAIL_MOBILE, replies == 2);
    const bool bCopy = (flags & kSendCopyToEmail) != 0;
    check(ID_TOOLS_CC_EMAIL, bCopy);
    if (m_hButtons != nullptr)
        SendMessageA(m_hButtons, TB_CHECKBUTTON, ID_TOOLS_CC_EMAIL, bCopy ? TRUE : FALSE);
    check(ID_VIEW_BULK_BAR, m_bShowBulk);
    check(ID_VIEW_DELIVERY_BAR, m_bShowDelivery);
    check(ID_VIEW_UTILITY_BAR, m_bShowUtility);
    check(ID_VIEW_MENU_BAR, m_bShowMenu);
    check(ID_VIEW_STANDARD_BUTTONS, m_bShowButtons);
    if (m_hButtons != nullptr)
        SendMessageA(m_hButtons, TB_CHECKBUTTON, ID_VIEW_BULK_BAR, m_bShowBulk ? TRUE : FALSE);
}

void CSMSWindow::ToggleBar(int p_iCommand)
{
    CRegistry registry;
    switch (p_iCommand)
    {
    case ID_VIEW_BULK_BAR:
        m_bShowBulk = !m_bShowBulk;
        SetBandShown(m_hOptionsRebar, m_oBulkbar.Handle(), m_bShowBulk);
        (void)registry.WriteOptionsDword("ShowBulkBar", m_bShowBulk ? 1 : 0);
        break;
    case ID_VIEW_DELIVERY_BAR:
        m_bShowDelivery = !m_bShowDelivery;
        SetBandShown(m_hOptionsRebar, m_oDeliverybar.Handle(), m_bShowDelivery);
        (void)registry.WriteOptionsDword("ShowDeliveryBar", m_bShowDelivery ? 1 : 0);
        break;
    case ID_VIEW_UTILITY_BAR:
        m_bShowUtility = !m_bShowUtility;
        SetBandShown(m_hUtilityRebar, m_hUtilityBar, m_bShowUtility);
        (void)registry.WriteOptionsDword("ShowUtilityBar", m_bShowUtility ? 1 : 0);
        break;
    case ID_VIEW_MENU_BAR:
        m_bShowMenu = !m_bShowMenu;
        SetBandShown(m_hRebar, m_hMenuBar, m_bShowMenu);
        break;
    case ID_VIEW_STANDARD_BUTTONS:
        m_bShowButtons = !m_bShowButtons;
        SetBandShown(m_hRebar, m_hButtons, m_bShowButtons);
        break;
    default:
        break;
    }
    ApplyFlagsToMenu();
    OnSize();
}
