// standins/oe/oe_columns_win.cpp: the list's column layouts in the registry, on the list and in the
// Columns dialog.
#include "standins/oe/oe_columns_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_resource.h"

#include <commctrl.h>

namespace oestandin
{
namespace
{
constexpr size_t kLayoutValueLimit = 4096;

struct CColumnsRequest
{
    std::vector<oestore::CListColumn>* m_pColumns;
    bool m_bChanged = false;
};

bool Shown(const std::vector<oestore::CListColumn>& p_vColumns, uint32_t p_nId)
{
    for (const oestore::CListColumn& column : p_vColumns)
        if (column.m_nId == p_nId)
            return true;
    return false;
}

[[nodiscard]] bool TakeColumnChoice(HWND p_hDlg, std::vector<oestore::CListColumn>& p_vColumns)
{
    const std::vector<oestore::CColumnKind>& kinds = oestore::KnownColumns();
    auto ticked = [&](uint32_t p_nId) {
        for (size_t i = 0; i < kinds.size(); ++i)
            if (kinds[i].m_nId == p_nId)
                return IsDlgButtonChecked(p_hDlg, IDC_COLUMN_FIRST + static_cast<int>(i)) == BST_CHECKED;
        return false;
    };
    std::vector<oestore::CListColumn> chosen;
    for (const oestore::CListColumn& column : p_vColumns)
        if (ticked(column.m_nId))
            chosen.push_back(column);
    for (const oestore::CColumnKind& kind : kinds)
        if (ticked(kind.m_nId) && !Shown(chosen, kind.m_nId))
            chosen.push_back({kind.m_nId, 1, kind.m_nDefaultWidth});
    if (chosen.empty())
        return false;
    p_vColumns = std::move(chosen);
    return true;
}

INT_PTR CALLBACK ColumnsProc(HWND p_hDlg, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("ColumnsProc", INT_PTR(0), [&]() -> INT_PTR {
        if (p_nMsg == WM_INITDIALOG)
        {
            SetWindowLongPtrA(p_hDlg, DWLP_USER, p_lParam);
            const auto* request = reinterpret_cast<const CColumnsRequest*>(p_lParam);
            const std::vector<oestore::CColumnKind>& kinds = oestore::KnownColumns();
            for (size_t i = 0; i < kinds.size(); ++i)
                CheckDlgButton(p_hDlg, IDC_COLUMN_FIRST + static_cast<int>(i),
                               Shown(*request->m_pColumns, kinds[i].m_nId) ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        }
        if (p_nMsg != WM_COMMAND || (LOWORD(p_wParam) != IDOK && LOWORD(p_wParam) != IDCANCEL))
            return FALSE;
        auto* request = reinterpret_cast<CColumnsRequest*>(GetWindowLongPtrA(p_hDlg, DWLP_USER));
        if (LOWORD(p_wParam) == IDOK)
        {
            std::vector<oestore::CListColumn> columns = *request->m_pColumns;
            if (!TakeColumnChoice(p_hDlg, columns))
            {
                // A list needs at least one column.
                MessageBeep(MB_ICONWARNING);
                return TRUE;
            }
            request->m_bChanged = true;
            *request->m_pColumns = std::move(columns);
        }
        EndDialog(p_hDlg, LOWORD(p_wParam));
        return TRUE;
    });
}
} // namespace

const char* ColumnValueName(bool p_bOutgoing)
{
    return p_bOutgoing ? "Mail Column Info (Out)" : "Mail Column Info (In)";
}

std::vector<oestore::CListColumn> ReadListColumns(int p_iMajor, bool p_bOutgoing)
{
    const std::string key = SettingsKey(p_iMajor) + "\\Columns";
    std::vector<uint8_t> bytes(kLayoutValueLimit);
    DWORD size = static_cast<DWORD>(bytes.size());
    std::vector<oestore::CListColumn> read;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), ColumnValueName(p_bOutgoing), RRF_RT_REG_BINARY, nullptr,
                     bytes.data(), &size) == ERROR_SUCCESS)
    {
        bytes.resize(size);
        if (!oestore::ReadColumnLayout(p_iMajor, bytes, read))
            LOG_FAILURE("\"%s\" under '%s' is no column layout", ColumnValueName(p_bOutgoing), key.c_str());
    }
    std::vector<oestore::CListColumn> known;
    for (const oestore::CListColumn& column : read)
        if (oestore::ColumnName(column.m_nId) != nullptr && !Shown(known, column.m_nId))
            known.push_back(column);
    return known.empty() ? oestore::DefaultColumns(p_bOutgoing) : known;
}

bool WriteListColumns(int p_iMajor, bool p_bOutgoing, const std::vector<oestore::CListColumn>& p_vColumns)
{
    unique_hkey key;
    const std::string path = SettingsKey(p_iMajor) + "\\Columns";
    if (LOG_IF_WIN32_ERROR(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                           key.put(), nullptr)) != ERROR_SUCCESS)
        return false;
    const std::vector<uint8_t> bytes = oestore::BuildColumnLayout(p_iMajor, p_vColumns);
    return LOG_IF_WIN32_ERROR(RegSetValueExA(key.get(), ColumnValueName(p_bOutgoing), 0, REG_BINARY, bytes.data(),
                                             static_cast<DWORD>(bytes.size()))) == ERROR_SUCCESS;
}

void ApplyListColumns(HWND p_hList, const std::vector<oestore::CListColumn>& p_vColumns)
{
    SendMessageA(p_hList, LVM_DELETEALLITEMS, 0, 0);
    while (SendMessageA(p_hList, LVM_DELETECOLUMN, 0, 0))
    {
    }
    int index = 0;
    for (const oestore::CListColumn& column : p_vColumns)
    {
        LVCOLUMNA lvc{};
        lvc.mask = LVCF_TEXT | LVCF_WIDTH;
        lvc.pszText = const_cast<char*>(oestore::ColumnName(column.m_nId));
        lvc.cx = static_cast<int>(column.m_nWidth);
        SendMessageA(p_hList, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&lvc));
    }
}

std::string ColumnText(uint32_t p_nColumn, const oestore::CMailMessage& p_oMessage, size_t p_nSize)
{
    auto names = [](const std::vector<oestore::CMailAddress>& p_vList) {
        std::string text;
        for (const oestore::CMailAddress& address : p_vList)
            text += (text.empty() ? "" : "; ") + (address.m_sName.empty() ? address.m_sAddress : address.m_sName);
        return text;
    };
    switch (p_nColumn)
    {
    case oestore::kColumnFrom:
        return p_oMessage.m_oFrom.m_sName.empty() ? p_oMessage.m_oFrom.m_sAddress : p_oMessage.m_oFrom.m_sName;
    case oestore::kColumnTo:
        return names(p_oMessage.m_vTo);
    case oestore::kColumnSubject:
        return p_oMessage.m_sSubject;
    case oestore::kColumnReceived:
    case oestore::kColumnSent:
        return p_oMessage.m_sDate;
    case oestore::kColumnSize:
        return std::to_string((p_nSize + 1023) / 1024) + "KB";
    case oestore::kColumnAttachment:
        return p_oMessage.m_vAttachments.empty() ? std::string() : "@";
    default:
        return std::string();
    }
}

bool ShowColumnsDialog(HINSTANCE p_hInstance, HWND p_hOwner, std::vector<oestore::CListColumn>& p_vColumns)
{
    CColumnsRequest request{&p_vColumns};
    if (DialogBoxParamA(p_hInstance, MAKEINTRESOURCEA(IDD_COLUMNS), p_hOwner, ColumnsProc,
                        reinterpret_cast<LPARAM>(&request)) < 0)
        LOG_FAILURE("the Columns dialog could not be shown");
    return request.m_bChanged;
}
} // namespace oestandin
