// standins/oe/oe_download_win.cpp: the download of new mail and its progress dialog.
#include "standins/oe/oe_download_win.h"

#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/handle_win.h"
#include "standins/oe/oe_mailstore_win.h"
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
    if (!SpecialFolderFile(p_iMajor, p_sStoreFolder, oestore::kSpecialInbox, path))
    {
        LOG_FAILURE("no Inbox in '%s'", p_sStoreFolder.c_str());
        return false;
    }
    return ChangeFolder(p_iMajor, path, [&](CFolderContents& p_oContents) {
        p_oContents.m_nNext += p_nMessages;
        return true;
    });
}

bool RunDownload(HINSTANCE p_hInstance, int p_iMajor, unsigned p_nMessages, const std::vector<std::string>& p_vTexts)
{
    const unsigned total = p_nMessages + static_cast<unsigned>(p_vTexts.size());
    if (g_hProgressDialog == nullptr || !IsWindow(g_hProgressDialog))
        g_hProgressDialog = CreateProgressDialog(p_hInstance);
    if (g_hProgressDialog == nullptr)
        return false;
    const HWND progress = GetDlgItem(g_hProgressDialog, kProgressId);
    SendMessageA(progress, PBM_SETRANGE32, 0, total);
    SendMessageA(progress, PBM_SETPOS, 0, 0);
    ShowWindow(g_hProgressDialog, SW_SHOWNOACTIVATE);
    PumpPending();
    std::string folder;
    bool stored = CurrentStoreFolder(p_iMajor, folder);
    for (const std::string& text : p_vTexts)
    {
        uint32_t id = 0;
        stored = stored && StoreMessage(p_iMajor, folder, oestore::kSpecialInbox, text, 0, id);
    }
    if (p_nMessages > 0)
        stored = stored && AdvanceInboxNumber(p_iMajor, folder, p_nMessages);
    SendMessageA(progress, PBM_SETPOS, total, 0);
    PumpPending();
    SendMessageA(g_hProgressDialog, kFinishedDownloading, 0, 0);
    ShowWindow(g_hProgressDialog, SW_HIDE);
    return stored;
}
} // namespace oestandin
