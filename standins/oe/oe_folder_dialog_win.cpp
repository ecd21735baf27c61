// standins/oe/oe_folder_dialog_win.cpp: the Create Folder dialog.
#include "standins/oe/oe_folder_dialog_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "standins/oe/oe_browser_win.h"
#include "standins/oe/oe_resource.h"
#include "standins/oe/oe_store_win.h"

#include <commctrl.h>

namespace oestandin
{
namespace
{
struct CFolderRequest
{
    uint32_t m_nParent = 0;
    bool m_bCreated = false;
};

const char* RefusalText(EAddFolder p_eResult)
{
    switch (p_eResult)
    {
    case EAddFolder::BadName:
        return "Please enter a folder name. A folder name cannot contain \\ / : * ? \" < > | or end with a "
               "period or a space.";
    case EAddFolder::Exists:
        return "A folder with this name already exists. Please choose another name.";
    case EAddFolder::NoParent:
        return "The folder you selected no longer exists.";
    default:
        return "The folder could not be created.";
    }
}

void TryCreate(HWND p_hDlg, CFolderRequest& p_oRequest)
{
    const std::string name = DialogItemText(p_hDlg, IDC_FOLDER_NAME);
    const uint32_t parent = ChosenFolderId(GetDlgItem(p_hDlg, IDC_FOLDER_TREE));
    const EAddFolder result = AddStoreFolderUnder(Browser().m_sStoreFolder, name, parent);
    if (result != EAddFolder::Added)
    {
        LOG_FAILURE("the folder '%s' was not created (%d)", name.c_str(), static_cast<int>(result));
        MessageBoxA(p_hDlg, RefusalText(result), "Outlook Express", MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(p_hDlg, IDC_FOLDER_NAME));
        return;
    }
    Log("Created the folder '%s' below folder %u", name.c_str(), parent);
    p_oRequest.m_bCreated = true;
    EndDialog(p_hDlg, IDOK);
}

INT_PTR CALLBACK CreateFolderProc(HWND p_hDlg, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("CreateFolderProc", INT_PTR(0), [&]() -> INT_PTR {
        if (p_nMsg == WM_INITDIALOG)
        {
            SetWindowLongPtrA(p_hDlg, DWLP_USER, p_lParam);
            FillFolderChoiceTree(GetDlgItem(p_hDlg, IDC_FOLDER_TREE),
                                 reinterpret_cast<const CFolderRequest*>(p_lParam)->m_nParent);
            SendDlgItemMessageA(p_hDlg, IDC_FOLDER_NAME, EM_LIMITTEXT, 200, 0);
            return TRUE;
        }
        if (p_nMsg != WM_COMMAND)
            return FALSE;
        auto* request = reinterpret_cast<CFolderRequest*>(GetWindowLongPtrA(p_hDlg, DWLP_USER));
        if (LOWORD(p_wParam) == IDOK)
            TryCreate(p_hDlg, *request);
        else if (LOWORD(p_wParam) == IDCANCEL)
            EndDialog(p_hDlg, IDCANCEL);
        else
            return FALSE;
        return TRUE;
    });
}
} // namespace

void FillFolderChoiceTree(HWND p_hTree, uint32_t p_nSelected)
{
    const std::vector<oestore::CFolderRecord>& folders = Browser().m_vFolders;
    auto add = [&](HTREEITEM p_hParent, const std::string& p_sText, uint32_t p_nId) {
        TVINSERTSTRUCTA insert{};
        insert.hParent = p_hParent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.lParam = static_cast<LPARAM>(p_nId);
        insert.item.pszText = const_cast<char*>(p_sText.c_str());
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(p_hTree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    };
    const HTREEITEM local = add(TVI_ROOT, "Local Folders", 0);
    HTREEITEM selected = local;
    std::vector<std::pair<uint32_t, HTREEITEM>> placed;
    for (const oestore::CFolderRecord& folder : folders)
    {
        HTREEITEM parent = local;
        for (const auto& [id, item] : placed)
            if (folder.m_nParentId != 0 && id == folder.m_nParentId)
                parent = item;
        const HTREEITEM item = add(parent, folder.m_sName, folder.m_nId);
        placed.emplace_back(folder.m_nId, item);
        if (folder.m_nId == p_nSelected)
            selected = item;
    }
    SendMessageA(p_hTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(local));
    SendMessageA(p_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(selected));
}

uint32_t ChosenFolderId(HWND p_hTree)
{
    TVITEMA item{};
    item.mask = TVIF_PARAM;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(p_hTree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (item.hItem == nullptr || !SendMessageA(p_hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return 0;
    return static_cast<uint32_t>(item.lParam);
}

bool CreateFolderDialog()
{
    const CBrowserState& b = Browser();
    size_t folder = 0;
    return CreateFolderDialogUnder(b.m_hBrowser, SelectedFolder(folder) ? b.m_vFolders[folder].m_nId : 0);
}

bool CreateFolderDialogUnder(HWND p_hOwner, uint32_t p_nParent)
{
    const CBrowserState& b = Browser();
    if (b.m_p_oProfile->m_iMajor <= 4)
    {
        LOG_FAILURE("version 4 keeps a fixed set of folders");
        return false;
    }
    CFolderRequest request;
    request.m_nParent = p_nParent;
    if (DialogBoxParamA(b.m_hInstance, MAKEINTRESOURCEA(IDD_CREATE_FOLDER), p_hOwner, CreateFolderProc,
                        reinterpret_cast<LPARAM>(&request)) < 0)
        LOG_FAILURE("the Create Folder dialog could not be shown");
    if (request.m_bCreated)
        ReloadFolders();
    return request.m_bCreated;
}
} // namespace oestandin
