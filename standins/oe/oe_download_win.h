// standins/oe/oe_download_win.h: a download of new mail: the progress dialog, the Inbox's
// next-message number growing by the messages received, and message 0xAA8 when it is done.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace oestandin
{
// Sent to the progress dialog when a download has finished.
constexpr UINT kFinishedDownloading = 0xAA8;

// Adds p_nMessages to the Inbox's next-message number in the store folder: at 0x5C of the Inbox
// named by "Folders.dbx" (5 and later), at 8 of "Inbox.mbx" (4). False when there is no Inbox.
[[nodiscard]] bool AdvanceInboxNumber(int p_iMajor, const std::string& p_sStoreFolder, unsigned p_nMessages);

// Runs a download in the top-level "#32770" progress dialog (made on the first download, kept
// hidden between downloads, as the client keeps it) and sends it 0xAA8 at the end: the messages
// p_vTexts are stored in the Inbox, each under the next number, and p_nMessages more only move
// the number on. False when something could not be stored.
[[nodiscard]] bool RunDownload(HINSTANCE p_hInstance, int p_iMajor, unsigned p_nMessages,
                               const std::vector<std::string>& p_vTexts = {});
} // namespace oestandin
