// standins/oe/oe_copy_folder_win.cpp: the folder picker of a note's Copy to Folder and Move to Folder,
// and the message filed into the folder it names.
#include "standins/oe/oe_copy_folder_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"
#include "standins/oe/oe_browser_win.h"
#include "standins/oe/oe_folder_dialog_win.h"
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_resource.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace oestandin
{
namespace
{
// The read flag of a stored message.
constexpr uint32_t kReadFlag = 0x80;

struct CPickRequest
{
    const oestore::CMailMessage* m_p_oMessage = nullptr;
    bool m_bMove = false;
    uint32_t m_nProposed = 0;
    bool m_bFiled = false;
    bool m_bFailed = false;
};

const oestore::CFolderRecord* FolderById(uint32_t p_nId)
{
    for (const oestore::CFolderRecord& folder : Browser().m_vFolders)
        if (folder.m_nId == p_nId)
            return &folder;
    return nullptr;
}

// The folder's file: "<name>.mbx" for version 4, the file "Folders.dbx" names for the later ones
// (never one with a path in it, which would reach outside the store).
bool FolderFile(const oestore::CFolderRecord& p_oFolder, std::string& p_sPath)
{
    const CBrowserState& b = Browser();
    if (b.m_p_oProfile->m_iMajor <= 4)
        return SpecialFolderFile(4, b.m_sStoreFolder, p_oFolder.m_nSpecial, p_sPath);
    if (p_oFolder.m_sFileName.empty() || p_oFolder.m_sFileName.find_first_of("\\/:") != std::string::npos)
        return false;
    p_sPath = b.m_sStoreFolder + p_oFolder.m_sFileName;
    return true;
}

bool StoreInFolder(const oestore::CFolderRecord& p_oFolder, const oestore::CMailMessage& p_oMessage)
{
    std::string path;
    if (!FolderFile(p_oFolder, path))
    {
        LOG_FAILURE("the folder '%s' has no file of its own", p_oFolder.m_sName.c_str());
        return false;
    }
    const std::string text = oestore::ComposeMessageText(p_oMessage, true);
    return ChangeFolder(Browser().m_p_oProfile->m_iMajor, path, [&](CFolderContents& p_oContents) {
        uint32_t id = p_oContents.m_nNext == 0 ? 1 : p_oContents.m_nNext;
        for (const oestore::CStoredMessage& stored : p_oContents.m_vMessages)
            id = stored.m_nId >= id ? stored.m_nId + 1 : id;
        oestore::CStoredMessage stored;
        stored.m_nId = id;
        stored.m_nFlags = kReadFlag;
        stored.m_sText = text;
        p_oContents.m_vMessages.push_back(std::move(stored));
        p_oContents.m_nNext = id + 1;
        return true;
    });
}

void TryFile(HWND p_hDlg, CPickRequest& p_oRequest)
{
    const uint32_t id = ChosenFolderId(GetDlgItem(p_hDlg, IDC_PICK_TREE));
    const oestore::CFolderRecord* folder = id != 0 ? FolderById(id) : nullptr;
    if (folder == nullptr)
    {
        MessageBoxA(p_hDlg, "You cannot move or copy messages to this folder. Please select another folder.",
                    "Outlook Express", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!StoreInFolder(*folder, *p_oRequest.m_p_oMessage))
    {
        LOG_FAILURE("the message could not be filed in '%s'", folder->m_sName.c_str());
        p_oRequest.m_bFailed = true;
        MessageBoxA(p_hDlg, "The message could not be copied to the folder.", "Outlook Express", MB_OK | MB_ICONERROR);
        EndDialog(p_hDlg, IDABORT);
        return;
    }
    Log("Filed '%s' in '%s'", p_oRequest.m_p_oMessage->m_sSubject.c_str(), folder->m_sName.c_str());
    p_oRequest.m_bFiled = true;
    EndDialog(p_hDlg, IDOK);
}

// "New Folder..." makes the folder below the one chosen in the picker, which then proposes it.
void NewFolder(HWND p_hDlg)
{
    const HWND tree = GetDlgItem(p_hDlg, IDC_PICK_TREE);
    const uint32_t parent = ChosenFolderId(tree);
    std::vector<uint32_t> before;
    for (const oestore::CFolderRecord& folder : Browser().m_vFolders)
        before.push_back(folder.m_nId);
    if (!CreateFolderDialogUnder(p_hDlg, parent))
        return;
    uint32_t created = parent;
    for (const oestore::CFolderRecord& folder : Browser().m_vFolders)
        if (std::find(before.begin(), before.end(), folder.m_nId) == before.end())
            created = folder.m_nId;
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    FillFolderChoiceTree(tree, created);
}

INT_PTR CALLBACK PickFolderProc(HWND p_hDlg, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("PickFolderProc", INT_PTR(0), [&]() -> INT_PTR {
        if (p_nMsg == WM_INITDIALOG)
        {
            SetWindowLongPtrA(p_hDlg, DWLP_USER, p_lParam);
            const auto* request = reinterpret_cast<const CPickRequest*>(p_lParam);
            if (request->m_bMove)
            {
                SetWindowTextA(p_hDlg, "Move");
                SetDlgItemTextA(p_hDlg, IDC_PICK_PROMPT, "Move the selected message(s) to the selected folder:");
            }
            FillFolderChoiceTree(GetDlgItem(p_hDlg, IDC_PICK_TREE), request->m_nProposed);
            return TRUE;
        }
        if (p_nMsg != WM_COMMAND)
            return FALSE;
        auto* request = reinterpret_cast<CPickRequest*>(GetWindowLongPtrA(p_hDlg, DWLP_USER));
        switch (LOWORD(p_wParam))
        {
        case IDOK:
            TryFile(p_hDlg, *request);
            return TRUE;
        case IDCANCEL:
            EndDialog(p_hDlg, IDCANCEL);
            return TRUE;
        case IDC_PICK_NEW_FOLDER:
            NewFolder(p_hDlg);
            return TRUE;
        default:
            return FALSE;
        }
    });
}
} // namespace

EFileNote FileMessageInFolder(HWND p_hNote, const oestore::CMailMessage& p_oMessage, bool p_bMove)
{
    const CBrowserState& b = Browser();
    CPickRequest request;
    request.m_p_oMessage = &p_oMessage;
    request.m_bMove = p_bMove;
    size_t shown = 0;
    const bool anyShown = SelectedFolder(shown);
    if (anyShown)
        request.m_nProposed = b.m_vFolders[shown].m_nId;
    if (DialogBoxParamA(b.m_hInstance, MAKEINTRESOURCEA(IDD_COPY_FOLDER), p_hNote, PickFolderProc,
                        reinterpret_cast<LPARAM>(&request)) < 0)
    {
        LOG_FAILURE("the folder picker could not be shown");
        return EFileNote::Failed;
    }
    if (request.m_bFiled)
        RefreshMessages();
    return request.m_bFiled ? EFileNote::Filed : request.m_bFailed ? EFileNote::Failed : EFileNote::Cancelled;
}
} // namespace oestandin
