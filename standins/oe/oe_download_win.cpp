// standins/oe/oe_download_win.cpp: the download of new mail and its progress dialog.
#include "standins/oe/oe_download_win.h"

#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/handle_win.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/store/dbx_file.h"

#include <commctrl.h>

#include <vector>

namespace oestandin
{
namespace
{
constexpr int kProgressId = 1001;
constexpr int kStatusId = 1002;
HWND g_hProgressDialog = nullptr;

[[nodiscard]] bool InboxFile(int p_iMajor, const std::string& p_sStoreFolder, std::string& p_sPath)
{
    if (p_iMajor <= 4)
    {
        p_sPath = p_sStoreFolder + "Inbox.mbx";
        return true;
    }
    std::string bytes;
    if (ReadWholeFile(p_sStoreFolder + "Folders.dbx", bytes, 16 * 1024 * 1024) != EReadFile::Read)
        return false;
    std::vector<oestore::CFolderRecord> folders;
    if (oestore::ReadFoldersFile(std::vector<uint8_t>(bytes.begin(), bytes.end()), folders) != oestore::EDbxRead::Ok)
        return false;
    for (const oestore::CFolderRecord& folder : folders)
    {
        if (folder.m_nSpecial == oestore::kSpecialInbox && !folder.m_sFileName.empty() &&
            folder.m_sFileName.find_first_of("\\/:") == std::string::npos)
        {
            p_sPath = p_sStoreFolder + folder.m_sFileName;
            return true;
        }
    }
    return false;
}

// A top-level dialog whose children come in the client's order: the progress bar, then the text.
HWND CreateProgressDialog(HINSTANCE p_hInstance)
{
    HWND dialog = CreateWindowExA(WS_EX_DLGMODALFRAME, WC_DIALOG, "Outlook Express", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                  200, 200, 360, 120, nullptr, nullptr, p_hInstance, nullptr);
    if (dialog == nullptr)
        return nullptr;
    CreateWindowExA(0, PROGRESS_CLASSA, nullptr, WS_CHILD | WS_VISIBLE, 12, 40, 330, 18, dialog,
                    reinterpret_cast<HMENU>(kProgressId), p_hInstance, nullptr);
    CreateWindowExA(0, WC_STATICA, "Checking for new messages", WS_CHILD | WS_VISIBLE, 12, 12, 330, 20, dialog,
                    reinterpret_cast<HMENU>(kStatusId), p_hInstance, nullptr);
    return dialog;
}

void PumpPending()
{
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
} // namespace

bool AdvanceInboxNumber(int p_iMajor, const std::string& p_sStoreFolder, unsigned p_nMessages)
{
    std::string path;
    if (!InboxFile(p_iMajor, p_sStoreFolder, path))
    {
        LOG_FAILURE("no Inbox in '%s'", p_sStoreFolder.c_str());
        return false;
    }
    const LONG offset = static_cast<LONG>(p_iMajor <= 4 ? oestore::kMbxNextMessageOffset : oestore::kNextMessageOffset);
    unique_file file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        LogCallFailure(__PRETTY_FUNCTION__, ("CreateFile('" + path + "')").c_str(), EResultKind::Win32Error,
                       GetLastError());
        return false;
    }
    uint8_t bytes[4] = {};
    DWORD moved = 0;
    if (SetFilePointer(file.get(), offset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !LOG_IF_WIN32_BOOL_FALSE(ReadFile(file.get(), bytes, 4, &moved, nullptr)) || moved != 4)
        return false;
    uint32_t next = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    next += p_nMessages;
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(next >> (8 * i));
    return SetFilePointer(file.get(), offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           LOG_IF_WIN32_BOOL_FALSE(WriteFile(file.get(), bytes, 4, &moved, nullptr)) && moved == 4;
}

bool RunDownload(HINSTANCE p_hInstance, int p_iMajor, unsigned p_nMessages)
{
    if (g_hProgressDialog == nullptr || !IsWindow(g_hProgressDialog))
        g_hProgressDialog = CreateProgressDialog(p_hInstance);
    if (g_hProgressDialog == nullptr)
        return false;
    const HWND progress = GetDlgItem(g_hProgressDialog, kProgressId);
    SendMessageA(progress, PBM_SETRANGE32, 0, p_nMessages);
    SendMessageA(progress, PBM_SETPOS, 0, 0);
    ShowWindow(g_hProgressDialog, SW_SHOWNOACTIVATE);
    PumpPending();
    std::string folder;
    const bool stored = CurrentStoreFolder(p_iMajor, folder) && AdvanceInboxNumber(p_iMajor, folder, p_nMessages);
    SendMessageA(progress, PBM_SETPOS, p_nMessages, 0);
    PumpPending();
    SendMessageA(g_hProgressDialog, kFinishedDownloading, 0, 0);
    ShowWindow(g_hProgressDialog, SW_HIDE);
    return stored;
}
} // namespace oestandin
