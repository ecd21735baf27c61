// compose/ui/sms_window.cpp: the compose window's thread, children, commands and send flow.
#include "compose/ui/sms_window.h"

#include "common/boundary.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "compose/fields/recipient_text.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"
#include "compose/send_rules.h"
#include "compose/ui/print_win.h"

#include <commctrl.h>
#include <ole2.h>
#include <richedit.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

extern const IID IID_IMAPISession_Quillet;

namespace
{
constexpr const char* kProduct = "Brevolt SMS";
constexpr int kMenuBarFirstButton = 60000;
constexpr int kEmoticonCommands[] = {32815, 32816, 32817, 32818, 32819, 32820, 32821, 32822,
                                     32823, 32824, 32825, 32840, 32841, 32842, 32843, 32846};
constexpr const char* kEmoticons[] = {":)",      ":-)", ":(",   ":-(", ":|",  "8-)", "8-(", ";-)",
                                      "-----{@", "b-/", "<:-|", ":-6", ":-S", ":-$", ":-x", ":-D"};
constexpr int kEmoticonCount = sizeof(kEmoticonCommands) / sizeof(kEmoticonCommands[0]);

// The slot in which each compose window thread finds its window object.
const DWORD g_dwWindowSlot = TlsAlloc();

std::string InstallText(const char* p_szName, const char* p_szDefault)
{
    CRegistry registry;
    std::string value;
    if (registry.ReadInstallText(p_szName, value) && !value.empty())
        return value;
    return p_szDefault;
}

// Rich edit text with its paragraph breaks as line feeds, as the body's consumers expect.
std::string NormalisedText(HWND p_hField)
{
    const int length = GetWindowTextLengthA(p_hField);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(p_hField, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
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

std::string Trimmed(const std::string& p_sText)
{
    const size_t first = p_sText.find_first_not_of(" \t\r\n;");
    if (first == std::string::npos)
        return {};
    const size_t last = p_sText.find_last_not_of(" \t\r\n;");
    return p_sText.substr(first, last - first + 1);
}

CDeliveryTime Now()
{
    const SYSTEMTIME now = LocalNow();
    CDeliveryTime time{};
    time.m_wYear = now.wYear;
    time.m_wMonth = now.wMonth;
    time.m_wDay = now.wDay;
    time.m_wHour = now.wHour;
    time.m_wMinute = now.wMinute;
    return time;
}

struct CButtonSpec
{
    int m_iCommand;
    unsigned m_uText;
    BYTE m_bStyle;
};

unsigned TooltipFor(int p_iCommand)
{
    switch (p_iCommand)
    {
    case ID_FILE_SEND:
        return 12;
    case ID_EDIT_COPY:
        return 13;
    case ID_EDIT_PASTE:
        return 14;
    case ID_EDIT_CUT:
        return 15;
    case ID_EDIT_UNDO:
        return 16;
    case ID_TOOLS_CHECK_NAMES:
        return 17;
    case ID_EMOTICON_BUTTON:
        return 19;
    case ID_TOOLS_CC_EMAIL:
        return 27;
    case ID_VIEW_BULK_BAR:
        return 54;
    case ID_TEMPLATE_GENERATE:
        return 55;
    case ID_TOOLS_COMPRESS:
        return 56;
    case ID_TOOLS_SUMMARY:
        return 57;
    case ID_TOOLS_PREVIEW:
        return 37;
    case kIdInsertToken:
        return 36;
    case kIdImportList:
        return 35;
    case kIdToButton:
    case kIdCcButton:
        return 20;
    case kIdToField:
    case kIdCcField:
        return 21;
    default:
        return 0;
    }
}

void AddButtons(HWND p_hBar, const CButtonSpec* p_pSpecs, size_t p_nCount)
{
    for (size_t i = 0; i < p_nCount; ++i)
    {
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = p_pSpecs[i].m_iCommand;
        button.fsStyle = p_pSpecs[i].m_bStyle;
        if (p_pSpecs[i].m_iCommand != 0)
        {
            button.fsState = TBSTATE_ENABLED;
            const std::string text = QuilletText(p_pSpecs[i].m_uText) + std::string(1, '\0');
            button.iString = SendMessageA(p_hBar, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        SendMessageA(p_hBar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
}

SIZE BarSize(HWND p_hBar)
{
    SIZE size{};
    SendMessageA(p_hBar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    if (size.cy < 22)
        size.cy = 26;
    return size;
}

void AddBand(HWND p_hRebar, HWND p_hChild, int p_iWidth, int p_iHeight, bool p_bBreak)
{
    REBARBANDINFOA band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_ID;
    band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | (p_bBreak ? RBBS_BREAK : 0);
    band.hwndChild = p_hChild;
    band.cxMinChild = 0;
    band.cyMinChild = static_cast<UINT>(p_iHeight);
    band.cx = static_cast<UINT>(p_iWidth + 16);
    band.wID = static_cast<UINT>(GetDlgCtrlID(p_hChild));
    SendMessageA(p_hRebar, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

HWND MakeRebar(HWND p_hParent, int p_iId)
{
    return CreateWindowExA(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, nullptr,
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                               RBS_BANDBORDERS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                           0, 0, 100, 30, p_hParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)),
                           GetModuleHandleA(nullptr), nullptr);
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

CSMSWindow::CSMSWindow(int p_iPackage, CAddressBookControlObject* p_p_abcoBinding, HWND p_hParentWnd,
                       HWND p_hMonitorWnd, CWindowList* p_p_oWindows)
    : CMyWindow(p_hParentWnd, "PreviousRect", QuilletText(314), QuilletText(315), "sms"), m_p_oWindows(p_p_oWindows),
      m_hMonitorWnd(p_hMonitorWnd), m_iPackage(p_iPackage), m_p_abcoBinding(p_p_abcoBinding)
{
    m_hArchiveMutex = CreateMutexA(nullptr, FALSE, "ArchiveMutex");
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
    if (m_pSessionStream != nullptr)
        m_pSessionStream->Release();
    if (m_pAppStream != nullptr)
        m_pAppStream->Release();
    if (m_bHoldsArchive)
        ReleaseMutex(m_hArchiveMutex);
    if (m_hArchiveMutex != nullptr)
        CloseHandle(m_hArchiveMutex);
    if (m_hMenu != nullptr)
        DestroyMenu(m_hMenu);
}

bool CSMSWindow::Start(std::unique_ptr<CSMSWindow> p_oWindow, bool p_bSendMessage, const std::string& p_sTo,
                       const std::string& p_sBody, IMAPISession* p_pSession, IDispatch* p_pApp)
{
    CSMSWindow& window = *p_oWindow;
    window.m_bSendMessage = p_bSendMessage;
    window.m_sInitialTo = p_sTo;
    window.m_sInitialBody = p_sBody;
    if (window.m_hClosedEvent == nullptr)
        return false;
    HRESULT hr = S_OK;
    if (p_pSession != nullptr &&
        FAILED(hr = CoMarshalInterThreadInterfaceInStream(IID_IMAPISession_Quillet,
                                                          reinterpret_cast<IUnknown*>(p_pSession),
                                                          &window.m_pSessionStream)))
    {
        window.m_oError.Set(QuilletStrings(), kQMsgMarshalSession, static_cast<unsigned>(hr));
        Log("CSMSWindow::Start: %s", window.m_oError.Text().c_str());
        return false;
    }
    if (p_pApp != nullptr &&
        FAILED(hr = CoMarshalInterThreadInterfaceInStream(IID_IDispatch, p_pApp, &window.m_pAppStream)))
    {
        window.m_oError.Set(QuilletStrings(), kQMsgMarshalDispatch, static_cast<unsigned>(hr));
        Log("CSMSWindow::Start: %s", window.m_oError.Text().c_str());
        return false;
    }
    HANDLE started = window.m_hClosedEvent;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, &CSMSWindow::ThreadMain, &window, CREATE_SUSPENDED, &threadId);
    if (thread == nullptr)
    {
        Log("CSMSWindow::Start: CreateThread failed: %lu", GetLastError());
        return false;
    }
    window.m_hThread = thread;
    // Listed before it runs: whoever closes the opener's windows must wait for this one too, even
    // while it is still being made (and using the core library).
    if (window.m_p_oWindows != nullptr)
        window.m_p_oWindows->Add({window.m_hClosedEvent, thread, nullptr});
    p_oWindow.release();
    ResumeThread(thread);
    const DWORD wait = WaitForSingleObject(started, 5000);
    return wait == WAIT_OBJECT_0;
}

DWORD WINAPI CSMSWindow::ThreadMain(void* p_pWindow)
{
    auto* window = static_cast<CSMSWindow*>(p_pWindow);
    TrapExceptionsVoid("CSMSWindow::ThreadMain", [&] {
        OleInitialize(nullptr);
        SetEvent(window->m_hClosedEvent);
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SMS_WINDOW), nullptr,
                                         &CSMSWindow::DialogProc, reinterpret_cast<LPARAM>(window));
        if (dialog == nullptr)
        {
            Log("Error in displaying: %lu", GetLastError());
            SetEvent(window->m_hClosedEvent);
            OleUninitialize();
            return;
        }
        if (window->m_p_oWindows != nullptr)
            window->m_p_oWindows->SetWindow(window->m_hThread, dialog);
        ShowWindow(dialog, SW_SHOW);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0)
        {
            if (window->Accelerators() != nullptr && IsWindow(dialog) &&
                TranslateAcceleratorA(dialog, window->Accelerators(), &message))
                continue;
            if (IsWindow(dialog) && IsDialogMessageA(dialog, &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    });
    HANDLE closed = window->m_hClosedEvent;
    const bool bListed = window->m_p_oWindows != nullptr;
    TrapExceptionsVoid("CSMSWindow::~CSMSWindow", [&] { delete window; });
    if (bListed)
        SetEvent(closed);
    return 0;
}

INT_PTR CALLBACK CSMSWindow::DialogProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("CSMSWindow::DialogProc", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        if (p_uMsg == WM_INITDIALOG)
        {
            auto* window = reinterpret_cast<CSMSWindow*>(p_lParam);
            if (!TlsSetValue(g_dwWindowSlot, window))
            {
                DestroyWindow(p_hDlg);
                return FALSE;
            }
            window->m_hWnd = p_hDlg;
            if (window->m_bSendMessage && window->m_hParentWnd != nullptr)
            {
                SendMessageA(window->m_hParentWnd, WM_SMS_REGISTERWINDOW, 0, reinterpret_cast<LPARAM>(p_hDlg));
                SendMessageA(window->m_hParentWnd, WM_SMS_WINDOWCOUNT, 1, 0);
            }
            SetWindowTextA(p_hDlg, QuilletText(300).c_str());
            if (!window->Initialise())
            {
                Log("CSMSWindow: initialisation failed: %s", window->m_oError.Text().c_str());
                DestroyWindow(p_hDlg);
            }
            return FALSE;
        }
        auto* window = static_cast<CSMSWindow*>(TlsGetValue(g_dwWindowSlot));
        if (window == nullptr || window->m_hWnd != p_hDlg)
            return FALSE;
        if (p_uMsg == WM_DESTROY)
        {
            window->OnDestroy();
            window->SaveRectangle();
            if (window->m_p_abcoBinding != nullptr && window->m_p_abcoBinding->Ready())
                window->m_p_abcoBinding->m_pfnThreadUninit();
            if (window->m_bSendMessage && window->m_hParentWnd != nullptr)
                SendMessageA(window->m_hParentWnd, WM_SMS_WINDOWCOUNT, static_cast<WPARAM>(-1), 0);
            OleUninitialize();
            PostQuitMessage(0);
            return TRUE;
        }
        return window->HandleMessage(p_uMsg, p_wParam, p_lParam);
    });
}

bool CSMSWindow::Initialise()
{
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(m_hParentWnd));
    if (m_pSessionStream != nullptr)
    {
        const HRESULT hr = CoGetInterfaceAndReleaseStream(m_pSessionStream, IID_IMAPISession_Quillet,
                                                          reinterpret_cast<void**>(&m_pSession));
        m_pSessionStream = nullptr;
        if (FAILED(hr))
        {
            Log("CoGetInterfaceAndReleaseStream failed: %x", static_cast<unsigned>(hr));
            return false;
        }
    }
    if (m_pAppStream != nullptr)
    {
        const HRESULT hr =
            CoGetInterfaceAndReleaseStream(m_pAppStream, IID_IDispatch, reinterpret_cast<void**>(&m_pApp));
        m_pAppStream = nullptr;
        if (FAILED(hr))
        {
            Log("CoGetInterfaceAndReleaseStream failed: %x", static_cast<unsigned>(hr));
            return false;
        }
    }
    if (m_p_abcoBinding == nullptr || !m_p_abcoBinding->Ready())
        return false;
    m_p_abcoBinding->m_pfnThreadInit(m_pSession, m_pApp);
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

HWND CSMSWindow::MakeButtonBar(HWND p_hParent, int p_iId)
{
    HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS |
                                   CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                               0, 0, 400, 26, p_hParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)),
                               GetModuleHandleA(nullptr), nullptr);
    if (bar == nullptr)
        return nullptr;
    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    SendMessageA(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS);
    SendMessageA(bar, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    ForwardNotifications(bar, m_hWnd);
    return bar;
}

bool CSMSWindow::CreateChildren()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    m_hMenu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_SMS_MENU));
    m_hRebar = MakeRebar(m_hWnd, kIdRebar);
    if (m_hMenu == nullptr || m_hRebar == nullptr)
        return false;
    ForwardNotifications(m_hRebar, m_hWnd);

    // The menu bar: one drop-down button per menu of resource 102.
    m_hMenuBar = MakeButtonBar(m_hRebar, kIdMenuBar);
    if (m_hMenuBar == nullptr)
        return false;
    for (int i = 0; i < GetMenuItemCount(m_hMenu); ++i)
    {
        char title[64] = {};
        GetMenuStringA(m_hMenu, static_cast<UINT>(i), title, sizeof(title) - 1, MF_BYPOSITION);
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = kMenuBarFirstButton + i;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT | BTNS_WHOLEDROPDOWN;
        const std::string text = std::string(title) + std::string(1, '\0');
        button.iString = SendMessageA(m_hMenuBar, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageA(m_hMenuBar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }

    m_hButtons = MakeButtonBar(m_hRebar, kIdStandardButtons);
    if (m_hButtons == nullptr)
        return false;
    const BYTE kText = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
    const CButtonSpec standard[] = {
        {ID_FILE_SEND, 1, kText},
        {0, 0, BTNS_SEP},
        {ID_EDIT_CUT, 4, kText},
        {ID_EDIT_COPY, 2, kText},
        {ID_EDIT_PASTE, 3, kText},
        {ID_EDIT_UNDO, 5, kText},
        {0, 0, BTNS_SEP},
        {ID_VIEW_BULK_BAR, 7, static_cast<BYTE>(kText | BTNS_CHECK)},
        {ID_TOOLS_CHECK_NAMES, 6, kText},
        {ID_EMOTICON_BUTTON, 9, static_cast<BYTE>(kText | BTNS_WHOLEDROPDOWN)},
        {ID_TOOLS_CC_EMAIL, 26, static_cast<BYTE>(kText | BTNS_CHECK)},
    };
    AddButtons(m_hButtons, standard, sizeof(standard) / sizeof(standard[0]));
    SIZE size = BarSize(m_hMenuBar);
    AddBand(m_hRebar, m_hMenuBar, size.cx, size.cy, false);
    size = BarSize(m_hButtons);
    AddBand(m_hRebar, m_hButtons, size.cx, size.cy, true);

    m_hUtilityRebar = MakeRebar(m_hWnd, kIdUtilityRebar);
    if (m_hUtilityRebar == nullptr)
        return false;
    ForwardNotifications(m_hUtilityRebar, m_hWnd);
    m_hUtilityBar = MakeButtonBar(m_hUtilityRebar, kIdUtilityBar);
    if (m_hUtilityBar == nullptr)
        return false;
    const CButtonSpec utility[] = {
        {ID_TEMPLATE_GENERATE, 50, kText},
        {ID_TOOLS_COMPRESS, 53, kText},
        {ID_TOOLS_SUMMARY, 51, kText},
        {ID_TOOLS_PREVIEW, 34, kText},
    };
    AddButtons(m_hUtilityBar, utility, sizeof(utility) / sizeof(utility[0]));
    size = BarSize(m_hUtilityBar);
    AddBand(m_hUtilityRebar, m_hUtilityBar, size.cx, size.cy, false);

    const DWORD lineField = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
    for (CRecipientField* field : {&m_oToField, &m_oCcField})
    {
        field->Bind(m_p_abcoBinding, field == &m_oToField ? &m_p_mrlTo : &m_p_mrlCc);
        if (!field->Create(m_hWnd, field == &m_oToField ? kIdToField : kIdCcField, lineField, WS_EX_CLIENTEDGE,
                           nullptr, std::string()))
        {
            m_oError.Set(QuilletStrings(), kQMsgLoadFailed, "RichEdit20A", static_cast<int>(GetLastError()));
            return false;
        }
        SendMessageA(field->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        SendMessageA(field->Handle(), EM_SETEVENTMASK, 0, ENM_CHANGE);
    }

    m_hOptionsRebar = MakeRebar(m_hWnd, kIdOptionsRebar);
    if (m_hOptionsRebar == nullptr)
        return false;
    ForwardNotifications(m_hOptionsRebar, m_hWnd);
    if (!m_oDeliverybar.Create(m_hOptionsRebar, m_hWnd) || !m_oBulkbar.Create(m_hOptionsRebar, m_hWnd))
        return false;
    // The bulk bar's buttons and tooltips need a proper size before the band is measured.
    AddBand(m_hOptionsRebar, m_oDeliverybar.Handle(), BarSize(m_oDeliverybar.Handle()).cx, 26, false);
    AddBand(m_hOptionsRebar, m_oBulkbar.Handle(), BarSize(m_oBulkbar.Handle()).cx, 26, true);

    if (!m_oBodyField.Create(m_hWnd, kIdBodyField,
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                 ES_WANTRETURN,
                             WS_EX_CLIENTEDGE, nullptr, std::string()))
        return false;
    HWND body = m_oBodyField.Handle();
    SendMessageA(body, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    // One less than ten parts of 153: the longest body the SMS limit lets through.
    SendMessageA(body, EM_LIMITTEXT, 1529, 0);
    SendMessageA(body, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE | ENM_DRAGDROPDONE | ENM_DROPFILES);

    m_hStatus = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, m_hWnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdStatusBar)), instance, nullptr);
    HWND toButton = CreateWindowExA(0, WC_BUTTONA, QuilletText(10).c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                    0, 0, 50, 22, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdToButton)),
                                    instance, nullptr);
    HWND ccButton = CreateWindowExA(0, WC_BUTTONA, QuilletText(11).c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                    0, 0, 50, 22, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdCcButton)),
                                    instance, nullptr);
    if (m_hStatus == nullptr || toButton == nullptr || ccButton == nullptr)
        return false;
    for (HWND button : {toButton, ccButton})
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    // The send's kind with the insert indicator, then the body's count.
    const int parts[] = {160, -1};
    SendMessageA(m_hStatus, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    SendMessageA(m_hStatus, SB_SETICON, 1,
                 reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_SMS_COUNT), IMAGE_ICON, 16, 16, 0)));

    m_hToolTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, instance, nullptr);
    if (m_hToolTip != nullptr)
        for (int id : {kIdToButton, kIdCcButton, kIdToField, kIdCcField})
        {
            const std::string text = QuilletText(TooltipFor(id));
            TOOLINFOA tool{};
            tool.cbSize = sizeof(tool);
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = m_hWnd;
            tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(m_hWnd, id));
            tool.lpszText = const_cast<char*>(text.c_str());
            SendMessageA(m_hToolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        }

    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLET_BIG), IMAGE_ICON, 32, 32, 0)));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLET_SMALL), IMAGE_ICON, 16, 16, 0)));

    m_bShowBulk = OptionShown("ShowBulkBar", false);
    m_bShowDelivery = OptionShown("ShowDeliveryBar", false);
    m_bShowUtility = OptionShown("ShowUtilityBar", false);
    SetBandShown(m_hOptionsRebar, m_oBulkbar.Handle(), m_bShowBulk);
    SetBandShown(m_hOptionsRebar, m_oDeliverybar.Handle(), m_bShowDelivery);
    SetBandShown(m_hUtilityRebar, m_hUtilityBar, m_bShowUtility);
    m_oDeliverybar.SetReplies(compose::RepliesIndexOf(m_dwNotifyFlags));
    ApplyFlagsToMenu();
    SetFocus(GetDlgItem(m_hWnd, kIdToField));
    return true;
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

void CSMSWindow::OnSize()
{
    if (m_hStatus == nullptr)
        return;
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const int width = client.right;
    SendMessageA(m_hStatus, WM_SIZE, 0, 0);
    RECT status{};
    GetWindowRect(m_hStatus, &status);
    const int statusHeight = status.bottom - status.top;
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
        Log("Updating TO failed");
    if (!UpdateField(kIdCcField, m_p_mrlCc))
        Log("Updating CC failed");
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
        Log("CSMSWindow::InsertToken: the token %s could not be inserted", token.c_str());
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
    const std::string state = QuilletText(IsBulk() ? 313 : 312) + "\t\t" + (m_bOverwrite ? " OVR" : " INS");
    SendMessageA(m_hStatus, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(state.c_str()));
    ShowCount();
}

void CSMSWindow::ShowCount()
{
    // Windows 95, 98 and Me keep the count the window opened with.
    if (m_hStatus == nullptr || (m_bCounted && !CQuilletField::IsNTFamily("CSMSWindow::ShowCount")))
        return;
    const compose::CBodyCount count = m_oBodyField.Count();
    const std::string text =
        QuilletText(153, static_cast<long>(count.m_iRemaining), static_cast<long>(count.m_iSMSCount));
    SendMessageA(m_hStatus, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text.c_str()));
    m_bCounted = true;
}

void CSMSWindow::ApplyFlagsToMenu()
{
    if (m_hMenu == nullptr)
        return;
    const uint32_t flags = m_dwNotifyFlags;
    const auto check = [&](int p_iCommand, bool p_bOn) {
        CheckMenuItem(m_hMenu, static_cast<UINT>(p_iCommand), MF_BYCOMMAND | (p_bOn ? MF_CHECKED : MF_UNCHECKED));
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
        EnableMenuItem(m_hMenu, static_cast<UINT>(id), MF_BYCOMMAND | (bNever ? MF_GRAYED : MF_ENABLED));
    const bool bAll = (flags & compose::kFlagAllDeliveries) != 0;
    for (int id : {ID_NOTIFY_NETWORK, ID_NOTIFY_PHONE})
        EnableMenuItem(m_hMenu, static_cast<UINT>(id), MF_BYCOMMAND | (bAll ? MF_ENABLED : MF_GRAYED));
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

int CSMSWindow::Box(unsigned p_uCaption, const std::string& p_sText, UINT p_uType)
{
    return QuilletMessageBox(m_hWnd, p_sText, QuilletText(p_uCaption), p_uType);
}

void CSMSWindow::NotAvailableYet(const char* p_szCommand)
{
    Log("CSMSWindow: %s: not available yet", p_szCommand);
}

bool CSMSWindow::CheckNames(const char* p_szProgressTitle, HWND* p_phProgress)
{
    CAddressBookControlObject& core = *m_p_abcoBinding;
    if (!FillRecipientLists())
        return false;
    HWND progress = nullptr;
    if (p_szProgressTitle != nullptr && p_phProgress != nullptr)
    {
        core.m_pfnCreateProgressBar(m_hWnd, p_szProgressTitle, 1, &progress, m_p_mrlTo, m_p_mrlCc);
        *p_phProgress = progress;
        if (progress != nullptr)
        {
            SetCursor(BusyCursor());
            SetProgressText(progress, QuilletText(148).c_str());
        }
    }
    if (m_p_mrlTo->m_dwCount != 0 || m_p_mrlCc->m_dwCount != 0)
    {
        int exited = 0;
        if (!core.m_pfnCheck(m_hWnd, &m_p_mrlTo, &m_p_mrlCc, 0, progress, &exited) || exited != 0)
            return false;
    }
    if (progress != nullptr)
    {
        ShowWindow(progress, SW_SHOW);
        SetProgressText(progress, QuilletText(149).c_str());
    }
    if (!UpdateField(kIdToField, m_p_mrlTo))
    {
        Log("Updating TO failed");
        return false;
    }
    if (!UpdateField(kIdCcField, m_p_mrlCc))
    {
        Log("Updating CC failed");
        return false;
    }
    if (progress != nullptr)
        SetProgressText(progress, QuilletText(150).c_str());
    RefreshTokens();
    ShowBulkState();
    return true;
}

void CSMSWindow::SelectRecipients()
{
    // The dialog starts from what the fields hold and, on OK, replaces both lists.
    Log("Calling FillRecipientList from CSMSWindow::onToolsSelectRecipients");
    if (!FillRecipientLists())
        return;
    if (!m_p_abcoBinding->m_pfnSelectRecipients(m_hWnd, &m_p_mrlTo, &m_p_mrlCc))
        return;
    ShowReplacedRecipients();
}

void CSMSWindow::ReleaseArchiveMutex()
{
    if (m_bHoldsArchive)
    {
        ReleaseMutex(m_hArchiveMutex);
        m_bHoldsArchive = false;
    }
}

void CSMSWindow::OnFileSend()
{
    Log("Entered onFileSend");
    if (m_bSendInProgress)
        return;
    m_bSendInProgress = true;
    CAddressBookControlObject& core = *m_p_abcoBinding;
    HWND progress = nullptr;
    bool bAcquired = false;
    int result = -1;
    bool bSent = false;
    // Every attempt ends the same way: arrow cursor, no progress window, the guard lowered, and a
    // send that never reached the core gives the archive back for the other windows.
    const auto finish = [&]() {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        if (progress != nullptr)
            core.m_pfnDeleteProgressBar(&progress);
        if (bAcquired && !bSent)
            ReleaseArchiveMutex();
        m_bSendInProgress = false;
    };

    std::string body;
    std::vector<compose::CBodyToken> tokens;
    const bool bTokensKnown = m_oBodyField.GetBodyAndTokens(body, tokens);
    // A checked recipient is an object in its field, which its text does not show.
    const auto fieldEmpty = [&](int p_iField) {
        return Trimmed(FieldText(p_iField)).empty() && FieldOf(p_iField).ObjectCount() == 0;
    };
    if (fieldEmpty(kIdToField) && fieldEmpty(kIdCcField))
    {
        Box(94, QuilletText(95), MB_OK | MB_ICONWARNING);
        return finish();
    }
    if (body.empty())
    {
        Box(96, QuilletText(97), MB_OK | MB_ICONWARNING);
        return finish();
    }
    CRegistry registry;
    uint32_t sendDefaults = 0;
    std::string signature;
    registry.GetSendDefaults(sendDefaults, signature);
    if (compose::IsOnlySignature(body, signature))
    {
        Box(96, QuilletText(154), MB_OK | MB_ICONWARNING);
        return finish();
    }
    const uint32_t flags = m_dwNotifyFlags;
    if (compose::NeedsNotifyTarget(flags))
    {
        Box(98, QuilletText(99), MB_OK);
        return finish();
    }
    SetCursor(BusyCursor());
    if (!CheckNames("nothing", &progress))
        return finish();
    CDeliveryTime delivery{};
    if (!m_oDeliverybar.ReadDeliveryTime(delivery))
    {
        Log("CSMSWindow::OnFileSend: the delivery time cannot be read");
        return finish();
    }
    if ((delivery.m_wYear != 0 || delivery.m_wMonth != 0) && compose::IsDeliveryInPast(delivery, Now()))
    {
        Box(100, QuilletText(101), MB_OK | MB_ICONWARNING);
        return finish();
    }
    if (m_iPackage == 1 && !m_bHoldsArchive)
    {
        const DWORD wait = WaitForSingleObject(m_hArchiveMutex, 60000);
        if (wait == WAIT_TIMEOUT)
        {
            Log("Timeout");
            return finish();
        }
        if (wait == WAIT_FAILED)
        {
            Log("Wait Failed");
            return finish();
        }
        m_bHoldsArchive = true;
        bAcquired = true;
    }

    if (!IsBulk())
    {
        Log("Calling SendSMS from OnFileSend");
        const std::string copy = body;
        if (!core.m_pfnSendSMS(m_hWnd, m_p_mrlTo, m_p_mrlCc, body.c_str(), flags, &delivery, copy.c_str(), &result))
            return finish();
    }
    else
    {
        bool bHasId = false;
        std::string senderId;
        if (!m_oBulkbar.ReadSenderId(m_hWnd, bHasId, senderId))
            return finish();
        SetProgressText(progress, QuilletText(146).c_str());
        Log("Getting Body and Tokens");
        if (!bTokensKnown)
        {
            Log("CSMSWindow::OnFileSend: the body's tokens cannot be read");
            return finish();
        }
        const CHostTokenList tokenList(tokens);
        const uint32_t compression = m_oBodyField.Compression();
        Log("Showing Message Summary");
        int32_t limit = m_oBulkbar.SMSLimit();
        int32_t changed = 0;
        const int summary =
            core.m_pfnMailSummary(m_hWnd, m_p_mrlTo, m_p_mrlCc, body.c_str(), tokenList.List(), progress, compression,
                                  &m_iSummaryOption1, &m_iSummaryOption2, &limit, &changed, 1, 1);
        if (summary != 1)
        {
            Log("CSMSWindow::OnFileSend: summary %s", summary == 0 ? "failed" : "cancelled");
            return finish();
        }
        if (changed != 0)
            m_oBulkbar.SetSMSLimit(limit);
        SetProgressText(progress, QuilletText(147).c_str());
        Log("Creating Final SMS");
        CFinalSMSList* list = nullptr;
        const std::string plain = m_oBodyField.GetPlainText();
        if (!core.m_pfnCreateFinalSMSs(body.c_str(), tokenList.List(), m_p_mrlTo, m_p_mrlCc, m_oBulkbar.SMSLimit(),
                                       m_iSummaryOption1, m_iSummaryOption2, compression, &list) ||
            list == nullptr || list->m_dwCount == 0)
        {
            if (list != nullptr)
                core.m_pfnDeleteSMSList(&list);
            Box(102, QuilletText(103), MB_OK | MB_ICONWARNING);
            return finish();
        }
        const std::string title = "Bulk SMS: " + plain;
        const int started = core.m_pfnSendBulkSMS(m_hWnd, bHasId ? senderId.c_str() : nullptr, list, plain.c_str(),
                                                  flags, &delivery, nullptr, progress, title.c_str(), m_p_mrlTo,
                                                  m_p_mrlCc, &result);
        core.m_pfnDeleteSMSList(&list);
        if (!started)
            return finish();
        if (progress != nullptr)
            core.m_pfnDeleteProgressBar(&progress);
    }
    bSent = true;
    if (progress != nullptr)
        core.m_pfnDeleteProgressBar(&progress);
    const compose::CResultAction action = compose::ActionForResult(result);
    Log("CSMSWindow::OnFileSend: result %d", result);
    if (action.m_bReleaseMutex)
        ReleaseArchiveMutex();
    const std::string support = InstallText("SupportAddress", "support@brevolt.example");
    if (action.m_eBox != compose::EResultBox::None)
    {
        const bool bFailed = action.m_eBox == compose::EResultBox::Failed;
        Box(bFailed ? 90 : 88, QuilletText(bFailed ? 91 : 89, kProduct, support.c_str()),
            MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
        SetForegroundWindow(m_hWnd);
        BringWindowToTop(m_hWnd);
    }
    finish();
    if (action.m_bClose)
        CloseAfterSend();
}

void CSMSWindow::CloseAfterSend()
{
    ShowWindow(m_hWnd, SW_HIDE);
    m_p_abcoBinding->m_pfnStartVMIfNecessary(m_hWnd);
    OleFlushClipboard();
    DestroyWindow(m_hWnd);
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
    if (m_bModified)
    {
        const int answer = Box(84, QuilletText(85), MB_YESNOCANCEL);
        if (answer == IDCANCEL)
            return;
        if (answer == IDYES && !Save(false))
            return;
    }
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
    if (FieldText(kIdBodyField).empty() || !m_bModified)
    {
        OleFlushClipboard();
        DestroyWindow(m_hWnd);
        return;
    }
    const int answer = Box(125, QuilletText(126), MB_YESNOCANCEL | MB_ICONWARNING);
    if (answer == IDCANCEL)
        return;
    if (answer == IDYES && !Save(false))
        return;
    OleFlushClipboard();
    DestroyWindow(m_hWnd);
}

void CSMSWindow::ForceClose()
{
    if (m_bModified && !FieldText(kIdBodyField).empty())
    {
        if (Box(123, QuilletText(124), MB_YESNO | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND) == IDYES)
            (void)Save(false);
    }
    if (m_pApp != nullptr)
    {
        m_pApp->Release();
        m_pApp = nullptr;
    }
    OleFlushClipboard();
    DestroyWindow(m_hWnd);
}

void CSMSWindow::OnDestroy()
{
    if (m_pApp != nullptr)
        m_pApp->Release();
    m_pApp = nullptr;
    if (m_pSession != nullptr)
        reinterpret_cast<IUnknown*>(m_pSession)->Release();
    m_pSession = nullptr;
}

void CSMSWindow::OpenPage(const char* p_szPage)
{
    std::string url = InstallText("WebPage", "http://www.brevolt.example/");
    if (p_szPage != nullptr)
        url += p_szPage;
    if (reinterpret_cast<INT_PTR>(ShellExecuteA(m_hWnd, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) <= 32)
        Log("Faild to Spawn browser");
}

void CSMSWindow::ComposeMail(const char* p_szAddressValue, const char* p_szDefault, const char* p_szSubject)
{
    std::string subject = p_szSubject;
    for (size_t at = subject.find(' '); at != std::string::npos; at = subject.find(' '))
        subject.replace(at, 1, "%20");
    const std::string url = "mailto:" + InstallText(p_szAddressValue, p_szDefault) + "?subject=" + subject;
    if (reinterpret_cast<INT_PTR>(ShellExecuteA(m_hWnd, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) <= 32)
        Log("Faild to Spawn browser");
}

bool CSMSWindow::OnCommand(WPARAM p_wParam, LPARAM p_lParam)
{
    const int command = LOWORD(p_wParam);
    const int code = HIWORD(p_wParam);
    HWND focus = GetFocus();
    switch (command)
    {
    case ID_FILE_NEW_SMS:
    case ID_MESSAGE_NEW_SMS:
        if (m_iPackage == 1)
            PostMessageA(m_hParentWnd, 0x0BD1, 0, 0);
        else
            PostMessageA(m_hParentWnd, WM_COMMAND, 0xFFFB, 0);
        return true;
    case ID_FILE_NEW_MAIL:
        if (m_iPackage == 1)
            PostMessageA(m_hParentWnd, 0x0BD0, 0, 0);
        else
            PostMessageA(m_hParentWnd, WM_COMMAND, 0xFFFC, 0);
        return true;
    case ID_FILE_NEW_NEWS:
        PostMessageA(m_hParentWnd, 0x0BD2, 0, 0);
        return true;
    case ID_FILE_OPEN:
        OpenFile();
        return true;
    case ID_FILE_IMPORT:
        ImportList();
        return true;
    case ID_FILE_SEND:
        OnFileSend();
        return true;
    case ID_FILE_SAVE:
        (void)Save(false);
        return true;
    case ID_FILE_SAVE_AS:
        (void)Save(true);
        return true;
    case ID_FILE_PRINT:
    {
        // The print queue names the job after the window's title (the file, or a new message).
        char title[MAX_PATH] = "";
        GetWindowTextA(m_hWnd, title, sizeof(title));
        PrintText(m_hWnd, FieldText(kIdBodyField), *title != '\0' ? title : QuilletText(300));
        return true;
    }
    case ID_FILE_CLOSE:
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        return true;
    case ID_EDIT_UNDO:
        SendMessageA(focus, EM_UNDO, 0, 0);
        return true;
    case ID_EDIT_REDO:
        SendMessageA(focus, EM_REDO, 0, 0);
        return true;
    case ID_EDIT_CUT:
        SendMessageA(focus, WM_CUT, 0, 0);
        return true;
    case ID_EDIT_COPY:
        SendMessageA(focus, WM_COPY, 0, 0);
        return true;
    case ID_EDIT_PASTE:
        SendMessageA(focus, WM_PASTE, 0, 0);
        return true;
    case ID_EDIT_SELECT_ALL:
        SendMessageA(focus, EM_SETSEL, 0, -1);
        return true;
    case ID_VIEW_MENU_BAR:
    case ID_VIEW_STANDARD_BUTTONS:
    case ID_VIEW_DELIVERY_BAR:
    case ID_VIEW_BULK_BAR:
    case ID_VIEW_UTILITY_BAR:
        ToggleBar(command);
        return true;
    case ID_TOOLS_CHECK_NAMES: {
        HWND progress = nullptr;
        SetCursor(BusyCursor());
        (void)CheckNames("", &progress);
        if (progress != nullptr)
            m_p_abcoBinding->m_pfnDeleteProgressBar(&progress);
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        return true;
    }
    case ID_TOOLS_SELECT_RECIPIENTS:
    case kIdToButton:
    case kIdCcButton:
        if (code == BN_CLICKED || command == ID_TOOLS_SELECT_RECIPIENTS)
            SelectRecipients();
        return true;
    case ID_TOOLS_PREVIEW:
        NotAvailableYet("Preview");
        return true;
    case ID_TOOLS_SUMMARY:
        NotAvailableYet("Summary");
        return true;
    case ID_TOOLS_COMPRESS:
        if (m_oBodyField.Compress(m_hWnd, m_p_abcoBinding->m_pfnCompressWithDialog, m_p_abcoBinding->m_pfnFreeString))
            ShowBulkState();
        return true;
    case ID_TEMPLATE_GENERATE:
        NotAvailableYet("Generate from template");
        return true;
    case ID_TOOLS_CC_EMAIL:
        m_dwNotifyFlags ^= kSendCopyToEmail;
        ApplyFlagsToMenu();
        return true;
    case ID_NOTIFY_NEVER:
    case ID_NOTIFY_FAILED:
    case ID_NOTIFY_ALL:
    case ID_NOTIFY_EMAIL:
    case ID_NOTIFY_ONCE:
    case ID_NOTIFY_SUBPART:
    case ID_NOTIFY_MY_PHONE:
    case ID_NOTIFY_NETWORK:
    case ID_NOTIFY_PHONE:
        m_dwNotifyFlags = compose::ApplyNotifyCommand(command, m_dwNotifyFlags);
        ApplyFlagsToMenu();
        return true;
    case ID_REPLY_NONE:
    case ID_REPLY_EMAIL:
    case ID_REPLY_EMAIL_MOBILE:
        m_dwNotifyFlags = compose::ApplyNotifyCommand(command, m_dwNotifyFlags);
        m_oDeliverybar.SetReplies(compose::RepliesIndexOf(m_dwNotifyFlags));
        ApplyFlagsToMenu();
        return true;
    case ID_HELP_CONTENTS:
    case ID_HELP_ONLINE_SUPPORT:
        OpenPage("contents_and_index");
        return true;
    case ID_HELP_READ_ME:
        OpenPage("read_me");
        return true;
    case ID_HELP_NEWS:
        OpenPage("product_news");
        return true;
    case ID_HELP_FAQ:
        OpenPage("faq");
        return true;
    case ID_HELP_WEB_PAGE:
        OpenPage(nullptr);
        return true;
    case ID_HELP_FEEDBACK:
    case ID_HELP_FEEDBACK2:
        ComposeMail("FeedbackAddress", "feedback@brevolt.example", "Feedback on Brevolt");
        return true;
    case ID_HELP_SUPPORT:
        ComposeMail("SupportAddress", "support@brevolt.example", "Brevolt Support");
        return true;
    case ID_HELP_ABOUT:
        (void)QuilletMessageBox(m_hWnd, std::string(kProduct) + "\nVersion 1.0", "About Brevolt SMS", MB_OK | MB_ICONINFORMATION);
        return true;
    case kIdInsertToken:
        InsertToken();
        return true;
    case kIdSenderIdOption:
        if (code == BN_CLICKED)
        {
            m_oBulkbar.OnSenderIdOption(m_hWnd);
            ShowBulkState();
        }
        return true;
    case kIdDeliverNow:
    case kIdDeliverOn:
        if (code == BN_CLICKED)
            m_oDeliverybar.OnDeliveryChoice();
        return true;
    case kIdReplies:
        if (code == CBN_SELCHANGE)
        {
            m_dwNotifyFlags = compose::ApplyRepliesIndex(m_oDeliverybar.Replies(), m_dwNotifyFlags);
            ApplyFlagsToMenu();
        }
        return true;
    case kIdSMSLimit:
        if (code == EN_KILLFOCUS)
            PostMessageA(m_hWnd, WM_SMS_VALIDATELIMIT, 0, 0);
        return true;
    case kIdToField:
    case kIdCcField:
        if (code == EN_CHANGE)
        {
            m_bModified = true;
            PostMessageA(m_hWnd, WM_SMS_RECIPIENTSCHANGED, 0, p_lParam);
        }
        return true;
    case kIdBodyField:
        if (code == EN_CHANGE)
        {
            m_bModified = true;
            ShowBulkState();
        }
        return true;
    case IDCANCEL:
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        return true;
    default:
        break;
    }
    for (int i = 0; i < kEmoticonCount; ++i)
        if (command == kEmoticonCommands[i])
        {
            m_oBodyField.ReplaceSelection(kEmoticons[i], true);
            SetFocus(m_oBodyField.Handle());
            return true;
        }
    if (command >= ID_TEMPLATE_RECENT_FIRST && command <= ID_TEMPLATE_RECENT_LAST)
    {
        NotAvailableYet("Recent templates");
        return true;
    }
    return false;
}

bool CSMSWindow::OnNotify(NMHDR* p_pHeader, LRESULT& p_lResult)
{
    if (p_pHeader->code == TBN_DROPDOWN)
    {
        auto* drop = reinterpret_cast<NMTOOLBARA*>(p_pHeader);
        HMENU popup = nullptr;
        if (drop->iItem >= kMenuBarFirstButton && drop->iItem < kMenuBarFirstButton + GetMenuItemCount(m_hMenu))
            popup = GetSubMenu(m_hMenu, drop->iItem - kMenuBarFirstButton);
        else if (drop->iItem == ID_EMOTICON_BUTTON)
            popup = GetSubMenu(GetSubMenu(m_hMenu, 3), 0);
        if (popup != nullptr)
        {
            RECT rect{};
            SendMessageA(p_pHeader->hwndFrom, TB_GETRECT, static_cast<WPARAM>(drop->iItem),
                         reinterpret_cast<LPARAM>(&rect));
            MapWindowPoints(p_pHeader->hwndFrom, nullptr, reinterpret_cast<POINT*>(&rect), 2);
            TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN, rect.left, rect.bottom, 0, m_hWnd, nullptr);
        }
        p_lResult = TBDDRET_DEFAULT;
        return true;
    }
    if (p_pHeader->code == TTN_GETDISPINFOA || p_pHeader->code == TTN_GETDISPINFOW)
    {
        const unsigned id = TooltipFor(static_cast<int>(p_pHeader->idFrom));
        if (id == 0)
            return false;
        thread_local std::string s_sTip;
        thread_local std::wstring s_wsTip;
        s_sTip = QuilletText(id);
        if (p_pHeader->code == TTN_GETDISPINFOA)
            reinterpret_cast<NMTTDISPINFOA*>(p_pHeader)->lpszText = const_cast<char*>(s_sTip.c_str());
        else
        {
            s_wsTip.assign(s_sTip.begin(), s_sTip.end());
            reinterpret_cast<NMTTDISPINFOW*>(p_pHeader)->lpszText = const_cast<wchar_t*>(s_wsTip.c_str());
        }
        return true;
    }
    if (p_pHeader->code == RBN_HEIGHTCHANGE)
    {
        OnSize();
        return true;
    }
    if (p_pHeader->idFrom == static_cast<UINT_PTR>(kIdBodyField) && p_pHeader->code == EN_DRAGDROPDONE)
    {
        m_bModified = true;
        ShowBulkState();
        return true;
    }
    return false;
}

INT_PTR CSMSWindow::HandleMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    switch (p_uMsg)
    {
    case WM_COMMAND:
        return OnCommand(p_wParam, p_lParam) ? TRUE : FALSE;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!OnNotify(reinterpret_cast<NMHDR*>(p_lParam), result))
            return FALSE;
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_SIZE:
        OnSize();
        return TRUE;
    case WM_CLOSE:
        OnClose();
        return TRUE;
    case WM_SMS_FORCECLOSE:
        ForceClose();
        return TRUE;
    case WM_SMS_CLEARMODIFIED:
        m_bModified = false;
        return TRUE;
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
        ReleaseArchiveMutex();
        return TRUE;
    case WM_SMS_INSERTTOGGLED:
        m_bOverwrite = !m_bOverwrite;
        ShowBulkState();
        return TRUE;
    case WM_SMS_FIELDFOCUS:
        m_hFocusField = reinterpret_cast<HWND>(p_wParam);
        return TRUE;
    default:
        return FALSE;
    }
}
