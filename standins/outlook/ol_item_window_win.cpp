// standins/outlook/ol_item_window_win.cpp: read notes and item inspectors.
#include "standins/outlook/ol_item_window_win.h"

#include "common/failure_log.h"

#include <algorithm>

namespace olstandin
{
namespace
{
constexpr UINT kCmdCloseItem = 0xE300;
constexpr UINT kPaneId = 0xE310;
// The value of row i is the read-only edit kFirstValueId + i; the body has its own id.
constexpr UINT kFirstValueId = 0x3100;
constexpr UINT kBodyId = 0x3180;
constexpr int kLabelWidth = 90;
constexpr int kRowHeight = 24;

std::string Title(const CItemFields& p_oFields)
{
    const LONG itemClass = ItemClassOf(p_oFields.m_sMessageClass);
    const std::string name = itemClass == kClassContact ? p_oFields.Text("FullName") : p_oFields.Text("Subject");
    const char* kind = itemClass == kClassContact       ? "Contact"
                       : itemClass == kClassAppointment ? "Appointment"
                       : itemClass == kClassTask        ? "Task"
                       : itemClass == kClassDistList    ? "Distribution List"
                                                        : "Message";
    return (name.empty() ? std::string("Untitled") : name) + " - " + kind;
}
} // namespace

bool CInspector::Create()
{
    HMENU bar = CreateMenu();
    AppendPopup(bar, BuildPopup({{kCmdCloseItem, "&Close"}}), kCmdFileMenu, "&File");
    AppendPopup(bar, BuildPopup({{kCmdOptions, "&Options..."}}), exchext::kCmdTools, "&Tools");
    if (!CreateFrame(Title(m_oFields).c_str(), bar, 560, 420, {{kCmdCloseItem, "Close"}}) || !CreateFields())
        return false;
    // Only a mail message is a note with extensions; the other items' forms have none here.
    const bool note = ItemClassOf(m_oFields.m_sMessageClass) == kClassMail;
    ShowFrame(note ? ULONG(exchext::kContextReadNoteMessage) : 0);
    return true;
}

// Each row is a label and a read-only edit holding the field's text; the body fills the rest.
bool CInspector::CreateFields()
{
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    const auto rows = InspectorRows(ItemClassOf(m_oFields.m_sMessageClass));
    m_hPane = CreateWindowExA(0, "Static", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 540,
                              static_cast<int>(rows.size()) * kRowHeight, m_hWnd,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kPaneId)), instance, nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(m_hPane))
        return false;
    int y = 2;
    UINT id = kFirstValueId;
    for (const auto& [label, field] : rows)
    {
        const std::string text = ShownText(m_oFields, field);
        if (label == nullptr)
        {
            m_hBody = CreateWindowExA(
                WS_EX_CLIENTEDGE, "Edit", text.c_str(), WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
                0, 0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kBodyId)), instance, nullptr);
            if (!LOG_IF_WIN32_BOOL_FALSE(m_hBody))
                return false;
            SendMessageA(m_hBody, WM_SETFONT, font, 0);
            continue;
        }
        HWND caption = CreateWindowExA(0, "Static", label, WS_CHILD | WS_VISIBLE, 6, y + 4, kLabelWidth - 10,
                                       kRowHeight - 8, m_hPane, nullptr, instance, nullptr);
        HWND value = CreateWindowExA(
            WS_EX_CLIENTEDGE, "Edit", text.c_str(), WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, kLabelWidth,
            y, 400, kRowHeight - 3, m_hPane, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id++)), instance, nullptr);
        if (!LOG_IF_WIN32_BOOL_FALSE(caption) || !LOG_IF_WIN32_BOOL_FALSE(value))
            return false;
        SendMessageA(caption, WM_SETFONT, font, 0);
        SendMessageA(value, WM_SETFONT, font, 0);
        y += kRowHeight;
    }
    return true;
}

void CInspector::Layout(int p_iWidth, int p_iHeight)
{
    RECT toolbar{};
    RECT status{};
    if (m_hToolbar != nullptr)
        GetWindowRect(m_hToolbar, &toolbar);
    if (m_hStatus != nullptr)
        GetWindowRect(m_hStatus, &status);
    const int top = toolbar.bottom - toolbar.top;
    RECT pane{};
    if (m_hPane != nullptr)
    {
        GetClientRect(m_hPane, &pane);
        MoveWindow(m_hPane, 0, top, p_iWidth, pane.bottom, TRUE);
        for (HWND child = GetWindow(m_hPane, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        {
            if (GetDlgCtrlID(child) < static_cast<int>(kFirstValueId))
                continue;
            RECT place{};
            GetWindowRect(child, &place);
            MapWindowPoints(nullptr, m_hPane, reinterpret_cast<POINT*>(&place), 2);
            MoveWindow(child, kLabelWidth, place.top, std::max(0, p_iWidth - kLabelWidth - 8), place.bottom - place.top,
                       TRUE);
        }
    }
    if (m_hBody != nullptr)
        MoveWindow(m_hBody, 0, top + pane.bottom + 4, p_iWidth,
                   std::max(0, p_iHeight - top - static_cast<int>(pane.bottom) - 4 -
                                   static_cast<int>(status.bottom - status.top)),
                   TRUE);
}

com_ptr<IMAPIProp> CInspector::SiteObject()
{
    CMapiProfile* profile = m_oOwner.Services().m_p_oProfile;
    return profile != nullptr && !m_oFields.m_oEntryId.empty() ? profile->OpenEntry(m_oFields.m_oEntryId)
                                                               : com_ptr<IMAPIProp>();
}

std::vector<CItemRow> CInspector::SiteSelection()
{
    return {m_oFields.Row()};
}

void CInspector::OwnCommand(UINT p_nCommand)
{
    if (p_nCommand == kCmdCloseItem || p_nCommand == kCmdClose)
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
}
} // namespace olstandin
