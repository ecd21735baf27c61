// standins/outlook/ol_note_win.cpp: the compose note and its send.
#include "standins/outlook/ol_note_win.h"

#include "common/failure_log.h"
#include "common/text_win.h"
#include "standins/outlook/ol_trace_win.h"

#include <richedit.h>

namespace olstandin
{
namespace
{
constexpr const char* kRichEditClass = "RichEdit20A";
constexpr UINT kCmdSend = 0xE200;
constexpr UINT kCmdCloseNote = 0xE201;
constexpr UINT kEnvelopeId = 0xE210;
constexpr int kLabelWidth = 70;
constexpr int kLineHeight = 24;
constexpr int kHeaderLines = 5;

struct CHeaderField
{
    UINT m_nId;
    DWORD m_dwStyle;
    const char* m_szLabel;
};
// In the order the client creates them; the header line comes first.
constexpr CHeaderField kFields[] = {{kNoteHeaderId, kNoteLineStyle, nullptr},
                                    {kNoteToId, kNoteRecipientStyle, "To..."},
                                    {kNoteCcId, kNoteRecipientStyle, "Cc..."},
                                    {kNoteBccId, kNoteRecipientStyle, "Bcc..."},
                                    {kNoteSubjectId, kNoteLineStyle, "Subject:"}};
} // namespace

bool CNote::Create()
{
    HMENU bar = CreateMenu();
    AppendPopup(bar, BuildPopup({{kCmdSend, "&Send\tAlt+S"}, {0, nullptr}, {kCmdCloseNote, "&Close"}}), 150, "&File");
    AppendPopup(bar, BuildPopup({{0xE202, "Check &Names\tCtrl+K"}}), exchext::kCmdTools, "&Tools");
    if (!CreateFrame("Untitled - Message", bar, 640, 480, {{kCmdSend, "Send"}}) || !CreateHeader())
        return false;
    ShowFrame(exchext::kContextSendNoteMessage);
    return true;
}

// The envelope pane holds the header fields (rich edit controls) and their labels; every child is
// made by CreateWindowEx on the note's thread, so a thread CBT hook sees each with its id and style.
bool CNote::CreateHeader()
{
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    m_hEnvelope = CreateWindowExA(0, "Static", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 600,
                                  kHeaderLines * kLineHeight + 4, m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kEnvelopeId)), instance, nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(m_hEnvelope))
        return false;
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    int y = 2;
    for (const CHeaderField& field : kFields)
    {
        if (field.m_szLabel != nullptr)
        {
            HWND label = CreateWindowExA(0, "Static", field.m_szLabel, WS_CHILD | WS_VISIBLE, 4, y + 3, kLabelWidth - 8,
                                         kLineHeight - 6, m_hEnvelope, nullptr, instance, nullptr);
            SendMessageA(label, WM_SETFONT, font, 0);
        }
        const int x = field.m_szLabel != nullptr ? kLabelWidth : 4;
        HWND edit = CreateWindowExA(0, kRichEditClass, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP | field.m_dwStyle, x,
                                    y, 600 - x - 8, kLineHeight - 2, m_hEnvelope,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(field.m_nId)), instance, nullptr);
        if (!LOG_IF_WIN32_BOOL_FALSE(edit))
            return false;
        SendMessageA(edit, WM_SETFONT, font, 0);
        y += kLineHeight;
    }
    // Read-only only after creation: a hook keys on the header line's creation style.
    SendMessageA(Field(kNoteHeaderId), EM_SETREADONLY, TRUE, 0);
    SetWindowTextA(Field(kNoteHeaderId), "This message has not been sent.");
    HWND body = CreateWindowExA(
        WS_EX_CLIENTEDGE, kRichEditClass, nullptr,
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0, 0, 0, 0,
        m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kNoteBodyId)), instance, nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(body))
        return false;
    SendMessageA(body, WM_SETFONT, font, 0);
    return true;
}

HWND CNote::Field(UINT p_nId) const
{
    return p_nId == kNoteBodyId ? GetDlgItem(m_hWnd, static_cast<int>(p_nId))
                                : GetDlgItem(m_hEnvelope, static_cast<int>(p_nId));
}

void CNote::Layout(int p_iWidth, int p_iHeight)
{
    RECT toolbar{};
    RECT status{};
    if (m_hToolbar != nullptr)
        GetWindowRect(m_hToolbar, &toolbar);
    if (m_hStatus != nullptr)
        GetWindowRect(m_hStatus, &status);
    const int top = toolbar.bottom - toolbar.top;
    const int envelope = kHeaderLines * kLineHeight + 4;
    if (m_hEnvelope != nullptr)
    {
        MoveWindow(m_hEnvelope, 0, top, p_iWidth, envelope, TRUE);
        for (const CHeaderField& field : kFields)
        {
            const int x = field.m_szLabel != nullptr ? kLabelWidth : 4;
            RECT place{};
            HWND edit = Field(field.m_nId);
            GetWindowRect(edit, &place);
            MapWindowPoints(nullptr, m_hEnvelope, reinterpret_cast<POINT*>(&place), 2);
            MoveWindow(edit, x, place.top, std::max(0, p_iWidth - x - 8), place.bottom - place.top, TRUE);
        }
    }
    if (HWND body = Field(kNoteBodyId))
        MoveWindow(body, 0, top + envelope, p_iWidth,
                   std::max(0, p_iHeight - top - envelope - static_cast<int>(status.bottom - status.top)), TRUE);
}

bool CNote::Fill(const std::string& p_sField, const std::string& p_sText)
{
    static const std::pair<const char*, UINT> kNames[] = {
        {"to", kNoteToId}, {"cc", kNoteCcId}, {"bcc", kNoteBccId}, {"subject", kNoteSubjectId}, {"body", kNoteBodyId}};
    for (const auto& [name, id] : kNames)
        if (p_sField == name)
            return SetWindowTextA(Field(id), p_sText.c_str()) != 0;
    return false;
}

com_ptr<IMAPIProp> CNote::SiteObject()
{
    return com_ptr<IMAPIProp>::copy_from(m_p_oMessage.get());
}

bool CNote::Send()
{
    CMapiProfile* profile = m_oOwner.Services().m_p_oProfile;
    if (profile == nullptr || !profile->IsStarted())
        return false;
    CNoteFields fields{ControlText(Field(kNoteToId)), ControlText(Field(kNoteCcId)), ControlText(Field(kNoteBccId)),
                       ControlText(Field(kNoteSubjectId)), ControlText(Field(kNoteBodyId))};
    using EStage = CExtensionSet::EStage;
    CExtensionSet& events = *Extensions();
    CSendHooks hooks;
    hooks.m_fnBeforeCheckNames = [&](IMessage* p_pMessage) {
        return events.BeforeStage(EStage::CheckNames, p_pMessage);
    };
    hooks.m_fnAfterCheckNames = [&](IMessage* p_pMessage, bool p_bDone) {
        events.AfterStage(EStage::CheckNames, p_pMessage, p_bDone);
    };
    hooks.m_fnBeforeWrite = [&](IMessage* p_pMessage) { return events.BeforeStage(EStage::Write, p_pMessage); };
    hooks.m_fnAfterWrite = [&](IMessage* p_pMessage, bool p_bDone) {
        events.AfterStage(EStage::Write, p_pMessage, p_bDone);
    };
    hooks.m_fnBeforeSubmit = [&](IMessage* p_pMessage) { return events.BeforeStage(EStage::Submit, p_pMessage); };
    hooks.m_fnAfterSubmit = [&](IMessage* p_pMessage, bool p_bDone) {
        events.AfterStage(EStage::Submit, p_pMessage, p_bDone);
    };
    const bool sent = profile->SendNote(fields, hooks, m_p_oMessage);
    Trace("note '%s' %s", fields.m_sSubject.c_str(), sent ? "sent" : "not sent");
    if (sent)
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    return sent;
}

void CNote::OwnCommand(UINT p_nCommand)
{
    if (p_nCommand == kCmdSend)
        (void)Send();
    else if (p_nCommand == kCmdCloseNote)
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
}
} // namespace olstandin
