// standins/oe/oe_note_win.cpp: the note window and its sending.
#include "standins/oe/oe_note_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "common/unique_any.h"
#include "standins/oe/oe_copy_folder_win.h"
#include "standins/oe/oe_dialogs_win.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_resource.h"
#include "standins/oe/oe_send_win.h"

#include <commctrl.h>

#include <map>
#include <set>

namespace oestandin
{
namespace
{
constexpr const char* kNoteClass = "ATH_Note";
constexpr const char* kEmptySubjectValue = "Mail Empty Subject Warning";
constexpr const char* kSendWarningValue = "Send Mail Warning";
constexpr int kLabelWidth = 60;
constexpr int kFieldHeight = 22;
constexpr int kHeaderFields = 4;

HINSTANCE g_hInstance = nullptr;
const COeProfile* g_p_oProfile = nullptr;
unsigned g_nNotReady = 0;
// The messages the open notes were opened with: their Save As keeps sender and date.
std::map<HWND, oestore::CMailMessage> g_mOpened;
// Notes that show a received message in a message view instead of the header's fields.
std::set<HWND> g_sReadNotes;
// Notes whose Send runs: a Send that arrives meanwhile (through the modal loop of a question or
// the notice) must not send the message a second time.
std::set<HWND> g_sSending;
// Set while a read note is being created, so that its WM_CREATE makes the read layout.
bool g_bCreatingReadNote = false;
constexpr const char* kMessageViewClass = "Outlook Express Message View";
constexpr int kViewTextId = 1011;

const char* HeaderClass()
{
    return g_p_oProfile->m_bMenuBand ? "OE_Envelope" : "ATH_NoteHdr";
}

HWND Header(HWND p_hNote)
{
    return FindWindowExA(p_hNote, nullptr, HeaderClass(), nullptr);
}

std::string AddressesText(const std::vector<oestore::CMailAddress>& p_vList)
{
    std::string text;
    for (const oestore::CMailAddress& address : p_vList)
        text += (text.empty() ? "" : "; ") + oestore::AddressText(address);
    return text;
}

// Labels and fields in the client's order: To, Cc, Bcc, Subject.
void CreateHeaderFields(HWND p_hHeader)
{
    const std::pair<const char*, int> fields[kHeaderFields] = {
        {"To:", IDC_NOTE_TO}, {"Cc:", IDC_NOTE_CC}, {"Bcc:", IDC_NOTE_BCC}, {"Subject:", IDC_NOTE_SUBJECT}};
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (int i = 0; i < kHeaderFields; ++i)
    {
        const int y = 4 + i * (kFieldHeight + 4);
        HWND label = CreateWindowExA(0, WC_STATICA, fields[i].first, WS_CHILD | WS_VISIBLE | SS_RIGHT, 4, y + 3,
                                     kLabelWidth - 8, kFieldHeight - 4, p_hHeader, nullptr, g_hInstance, nullptr);
        HWND edit =
            CreateWindowExA(WS_EX_CLIENTEDGE, WC_EDITA, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                            kLabelWidth, y, 400, kFieldHeight, p_hHeader,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(fields[i].second)), g_hInstance, nullptr);
        SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    }
}

LRESULT CALLBACK HeaderProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("HeaderProc", LRESULT(0), [&]() -> LRESULT {
        if (p_nMsg == WM_CREATE)
        {
            CreateHeaderFields(p_hWnd);
            return 0;
        }
        if (p_nMsg == WM_SIZE)
        {
            for (const int id : {IDC_NOTE_TO, IDC_NOTE_CC, IDC_NOTE_BCC, IDC_NOTE_SUBJECT})
            {
                HWND edit = GetDlgItem(p_hWnd, id);
                RECT rc{};
                GetWindowRect(edit, &rc);
                MapWindowPoints(nullptr, p_hWnd, reinterpret_cast<POINT*>(&rc), 2);
                MoveWindow(edit, kLabelWidth, rc.top, LOWORD(p_lParam) - kLabelWidth - 6, kFieldHeight, TRUE);
            }
            return 0;
        }
        return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
    });
}

HMENU BuildNoteMenu(bool p_bRead)
{
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    if (!p_bRead)
        AppendMenuA(file, MF_STRING, g_p_oProfile->m_nSendCommand, "&Send Message\tAlt+S");
    AppendMenuA(file, MF_STRING, g_p_oProfile->m_nSaveAsCommand, "Save &As...");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, IDM_MOVE_TO_FOLDER, "Mo&ve to Folder...");
    AppendMenuA(file, MF_STRING, IDM_COPY_TO_FOLDER, "&Copy to Folder...");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, IDM_NOTE_CLOSE, "&Close");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    if (p_bRead)
    {
        HMENU message = CreatePopupMenu();
        AppendMenuA(message, MF_STRING, IDM_REPLY, "&Reply to Sender\tCtrl+R");
        AppendMenuA(message, MF_STRING, IDM_REPLY_ALL, "Reply to &All\tCtrl+Shift+R");
        AppendMenuA(message, MF_STRING, IDM_FORWARD, "&Forward\tCtrl+F");
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(message), "&Message");
    }
    return bar;
}

// The message view of a read note: the message's header lines and text in a read-only field. Its
// commands (the toolbar's, or those another program sends it) are the note's.
LRESULT CALLBACK MessageViewProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("MessageViewProc", LRESULT(0), [&]() -> LRESULT {
        if (p_nMsg == WM_CREATE)
        {
            HWND text =
                CreateWindowExA(WS_EX_CLIENTEDGE, WC_EDITA, nullptr,
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0,
                                0, 0, p_hWnd, reinterpret_cast<HMENU>(kViewTextId), g_hInstance, nullptr);
            SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
            return text != nullptr ? 0 : -1;
        }
        if (p_nMsg == WM_SIZE)
        {
            MoveWindow(GetDlgItem(p_hWnd, kViewTextId), 0, 0, LOWORD(p_lParam), HIWORD(p_lParam), TRUE);
            return 0;
        }
        if (p_nMsg == WM_COMMAND && p_lParam == 0)
            return SendMessageA(GetParent(p_hWnd), WM_COMMAND, p_wParam, 0);
        return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
    });
}

std::string ViewText(const oestore::CMailMessage& p_oMessage)
{
    std::string text = "From: " + oestore::AddressText(p_oMessage.m_oFrom) + "\r\nDate: " + p_oMessage.m_sDate +
                       "\r\nTo: " + AddressesText(p_oMessage.m_vTo) + "\r\n";
    if (!p_oMessage.m_vCc.empty())
        text += "Cc: " + AddressesText(p_oMessage.m_vCc) + "\r\n";
    text += "Subject: " + p_oMessage.m_sSubject + "\r\n";
    for (const oestore::CMailAttachment& attachment : p_oMessage.m_vAttachments)
        text += "Attach: " + attachment.m_sFileName + "\r\n";
    return text + "\r\n" + p_oMessage.m_sBody;
}

[[nodiscard]] bool CreateNoteChildren(HWND p_hNote)
{
    HWND toolbar =
        CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | CCS_TOP, 0,
                        0, 0, 0, p_hNote, nullptr, g_hInstance, nullptr);
    if (toolbar == nullptr)
        return false;
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const std::vector<std::pair<UINT, const char*>> buttons =
        g_bCreatingReadNote ? std::vector<std::pair<UINT, const char*>>{{IDM_REPLY, "Reply"},
                                                                        {IDM_REPLY_ALL, "Reply All"},
                                                                        {IDM_FORWARD, "Forward"},
                                                                        {g_p_oProfile->m_nSaveAsCommand, "Save As"}}
                            : std::vector<std::pair<UINT, const char*>>{{g_p_oProfile->m_nSendCommand, "Send"},
                                                                        {g_p_oProfile->m_nSaveAsCommand, "Save As"}};
    for (const auto& [command, text] : buttons)
    {
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = static_cast<int>(command);
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        button.iString = reinterpret_cast<INT_PTR>(text);
        SendMessageA(toolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    if (g_bCreatingReadNote)
    {
        g_sReadNotes.insert(p_hNote);
        return CreateWindowExA(0, kMessageViewClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0,
                               p_hNote, nullptr, g_hInstance, nullptr) != nullptr;
    }
    HWND header = CreateWindowExA(0, HeaderClass(), nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0,
                                  p_hNote, nullptr, g_hInstance, nullptr);
    HWND body =
        CreateWindowExA(WS_EX_CLIENTEDGE, WC_EDITA, nullptr,
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                        0, 0, 0, 0, p_hNote, reinterpret_cast<HMENU>(IDC_NOTE_BODY), g_hInstance, nullptr);
    if (header == nullptr || body == nullptr)
        return false;
    SendMessageA(body, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return true;
}

void LayOutNote(HWND p_hNote)
{
    RECT client{};
    GetClientRect(p_hNote, &client);
    HWND toolbar = FindWindowExA(p_hNote, nullptr, TOOLBARCLASSNAMEA, nullptr);
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    RECT bar{};
    GetWindowRect(toolbar, &bar);
    const int top = bar.bottom - bar.top;
    if (g_sReadNotes.count(p_hNote) != 0)
    {
        MoveWindow(FindWindowExA(p_hNote, nullptr, kMessageViewClass, nullptr), 0, top, client.right,
                   client.bottom - top > 0 ? client.bottom - top : 0, TRUE);
        return;
    }
    const int headerHeight = 8 + kHeaderFields * (kFieldHeight + 4);
    MoveWindow(Header(p_hNote), 0, top, client.right, headerHeight, TRUE);
    MoveWindow(GetDlgItem(p_hNote, IDC_NOTE_BODY), 0, top + headerHeight, client.right,
               client.bottom - top - headerHeight > 0 ? client.bottom - top - headerHeight : 0, TRUE);
}

void ReportSendFailure(HWND p_hNote, ESendResult p_eResult)
{
    const char* text = p_eResult == ESendResult::NoRecipients
                           ? "The message must have at least one recipient. Put an e-mail address in the To, Cc or "
                             "Bcc box."
                       : p_eResult == ESendResult::NoAccount
                           ? "The message could not be sent: no mail account is set up for this identity."
                       : p_eResult == ESendResult::NotFiled
                           ? "The message was sent, but its copy could not be put into the Sent Items folder."
                           : "The message could not be sent. The SMTP server did not accept it.";
    MessageBoxA(p_hNote, text, "Outlook Express", MB_OK | MB_ICONERROR);
}

void SendNote(HWND p_hNote)
{
    if (g_nNotReady > 0)
    {
        --g_nNotReady;
        SendMessageA(p_hNote, kNoteNotReady, 0, 0);
        return;
    }
    if (!g_sSending.insert(p_hNote).second)
    {
        Log("Note %p is sending already", static_cast<void*>(p_hNote));
        return;
    }
    const scope_exit done([&] { g_sSending.erase(p_hNote); });
    oestore::CMailMessage message = NoteMessage(p_hNote);
    if (message.m_sSubject.empty() && DontShowDialogsValue(g_p_oProfile->m_iMajor, kEmptySubjectValue) == 0)
    {
        bool dontShowAgain = false;
        if (!AskEmptySubject(g_hInstance, p_hNote, dontShowAgain))
            return;
        if (dontShowAgain && !SetDontShowDialogsValue(g_p_oProfile->m_iMajor, kEmptySubjectValue, 1))
            LOG_FAILURE("\"%s\" could not be set", kEmptySubjectValue);
    }
    const ESendResult result = SendAndFile(g_p_oProfile->m_iMajor, std::string(), message);
    if (result == ESendResult::Sent)
    {
        if (DontShowDialogsValue(g_p_oProfile->m_iMajor, kSendWarningValue) == 0)
        {
            bool dontShowAgain = false;
            ShowSendMailWarning(g_hInstance, p_hNote, dontShowAgain);
            if (dontShowAgain && !SetDontShowDialogsValue(g_p_oProfile->m_iMajor, kSendWarningValue, 1))
                LOG_FAILURE("\"%s\" could not be set", kSendWarningValue);
        }
        DestroyWindow(p_hNote);
        return;
    }
    ReportSendFailure(p_hNote, result);
    // A message the server took must not be sent twice.
    if (result == ESendResult::NotFiled)
        DestroyWindow(p_hNote);
}

// The message as it was opened (sender and date kept), or as the note's fields hold it; a moved
// message leaves with its note.
void FileNote(HWND p_hNote, bool p_bMove)
{
    const auto opened = g_mOpened.find(p_hNote);
    const oestore::CMailMessage message = opened != g_mOpened.end() ? opened->second : NoteMessage(p_hNote);
    if (FileMessageInFolder(p_hNote, message, p_bMove) == EFileNote::Filed && p_bMove)
        DestroyWindow(p_hNote);
}

oestore::EReplyKind ReplyKindOf(UINT p_nCommand)
{
    return p_nCommand == IDM_REPLY       ? oestore::EReplyKind::Reply
           : p_nCommand == IDM_REPLY_ALL ? oestore::EReplyKind::ReplyAll
                                         : oestore::EReplyKind::Forward;
}

HWND CreateNote(const std::string& p_sTitle, bool p_bRead)
{
    g_bCreatingReadNote = p_bRead;
    HWND note = CreateWindowExA(0, kNoteClass, p_sTitle.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                CW_USEDEFAULT, 640, 480, nullptr, BuildNoteMenu(p_bRead), g_hInstance, nullptr);
    g_bCreatingReadNote = false;
    if (note == nullptr)
        LOG_FAILURE("the note could not be created");
    return note;
}

LRESULT NoteMessageProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    switch (p_nMsg)
    {
    case WM_CREATE:
        return CreateNoteChildren(p_hWnd) ? 0 : -1;
    case WM_SIZE:
        LayOutNote(p_hWnd);
        return 0;
    case WM_DESTROY:
        g_mOpened.erase(p_hWnd);
        g_sReadNotes.erase(p_hWnd);
        return 0;
    case kNoteNotReady:
        Log("Note %p is not ready to send", static_cast<void*>(p_hWnd));
        return 0;
    case WM_COMMAND: {
        const UINT command = LOWORD(p_wParam);
        const bool read = g_sReadNotes.count(p_hWnd) != 0;
        if (command == IDM_REPLY || command == IDM_REPLY_ALL || command == IDM_FORWARD)
        {
            const auto opened = g_mOpened.find(p_hWnd);
            (void)OpenReply(opened != g_mOpened.end() ? opened->second : NoteMessage(p_hWnd), ReplyKindOf(command));
        }
        else if (command == g_p_oProfile->m_nSendCommand && !read)
            SendNote(p_hWnd);
        else if (command == g_p_oProfile->m_nSaveAsCommand)
        {
            const auto opened = g_mOpened.find(p_hWnd);
            (void)SaveMessageAs(g_hInstance, p_hWnd, opened != g_mOpened.end() ? opened->second : NoteMessage(p_hWnd));
        }
        else if (command == IDM_MOVE_TO_FOLDER || command == IDM_COPY_TO_FOLDER)
            FileNote(p_hWnd, command == IDM_MOVE_TO_FOLDER);
        else if (command == IDM_NOTE_CLOSE)
            DestroyWindow(p_hWnd);
        else
            break;
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

LRESULT CALLBACK NoteProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("NoteProc", LRESULT(0), [&] { return NoteMessageProc(p_hWnd, p_nMsg, p_wParam, p_lParam); });
}
} // namespace

bool RegisterNoteClasses(HINSTANCE p_hInstance, const COeProfile& p_oProfile)
{
    g_hInstance = p_hInstance;
    g_p_oProfile = &p_oProfile;
    WNDCLASSEXA note{};
    note.cbSize = sizeof note;
    note.lpfnWndProc = NoteProc;
    note.hInstance = p_hInstance;
    note.hCursor = LoadCursor(nullptr, IDC_ARROW);
    note.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    note.lpszClassName = kNoteClass;
    WNDCLASSEXA header = note;
    header.lpfnWndProc = HeaderProc;
    header.lpszClassName = HeaderClass();
    WNDCLASSEXA view = note;
    view.lpfnWndProc = MessageViewProc;
    view.lpszClassName = kMessageViewClass;
    return LOG_IF_WIN32_BOOL_FALSE(RegisterClassExA(&note)) != 0 &&
           LOG_IF_WIN32_BOOL_FALSE(RegisterClassExA(&header)) != 0 &&
           LOG_IF_WIN32_BOOL_FALSE(RegisterClassExA(&view)) != 0;
}

HWND OpenNote(const oestore::CMailMessage* p_pMessage, bool p_bKeepOriginal)
{
    const std::string title =
        p_pMessage == nullptr || p_pMessage->m_sSubject.empty() ? "New Message" : p_pMessage->m_sSubject;
    HWND note = CreateNote(title, false);
    if (note == nullptr)
        return nullptr;
    if (p_pMessage != nullptr)
    {
        const HWND header = Header(note);
        SetDlgItemTextA(header, IDC_NOTE_TO, AddressesText(p_pMessage->m_vTo).c_str());
        SetDlgItemTextA(header, IDC_NOTE_CC, AddressesText(p_pMessage->m_vCc).c_str());
        SetDlgItemTextA(header, IDC_NOTE_BCC, AddressesText(p_pMessage->m_vBcc).c_str());
        SetDlgItemTextA(header, IDC_NOTE_SUBJECT, p_pMessage->m_sSubject.c_str());
        SetDlgItemTextA(note, IDC_NOTE_BODY, p_pMessage->m_sBody.c_str());
        if (p_bKeepOriginal)
            g_mOpened[note] = *p_pMessage;
    }
    ShowWindow(note, SW_SHOW);
    UpdateWindow(note);
    return note;
}

HWND OpenReadNote(const oestore::CMailMessage& p_oMessage)
{
    HWND note = CreateNote(p_oMessage.m_sSubject.empty() ? "(no subject)" : p_oMessage.m_sSubject, true);
    if (note == nullptr)
        return nullptr;
    g_mOpened[note] = p_oMessage;
    const HWND view = FindWindowExA(note, nullptr, kMessageViewClass, nullptr);
    SetDlgItemTextA(view, kViewTextId, ViewText(p_oMessage).c_str());
    ShowWindow(note, SW_SHOW);
    UpdateWindow(note);
    return note;
}

HWND OpenReply(const oestore::CMailMessage& p_oOriginal, oestore::EReplyKind p_eKind)
{
    COeAccountSeed account;
    if (!ReadAccount(g_p_oProfile->m_iMajor, std::string(), account))
        account.m_sEmail.clear();
    const oestore::CMailMessage reply =
        oestore::MakeReply(p_oOriginal, p_eKind, SendOptions().m_bIncludeMessage, account.m_sEmail);
    return OpenNote(&reply, false);
}

void SetNotesNotReady(unsigned p_nCount)
{
    g_nNotReady = p_nCount;
}

oestore::CMailMessage NoteMessage(HWND p_hNote)
{
    const HWND header = Header(p_hNote);
    oestore::CMailMessage message;
    message.m_vTo = oestore::ParseAddressList(DialogItemText(header, IDC_NOTE_TO));
    message.m_vCc = oestore::ParseAddressList(DialogItemText(header, IDC_NOTE_CC));
    message.m_vBcc = oestore::ParseAddressList(DialogItemText(header, IDC_NOTE_BCC));
    message.m_sSubject = DialogItemText(header, IDC_NOTE_SUBJECT);
    message.m_sBody = DialogItemText(p_hNote, IDC_NOTE_BODY);
    return message;
}
} // namespace oestandin
