// outlook/clipboard_keeper_win.h: the user's clipboard kept aside while the plug-in pastes button
// faces through it, and put back afterwards: every format that can be copied (memory blocks,
// bitmaps, enhanced metafiles); the others cannot be kept and are logged as such.
#pragma once

#include "common/handle_win.h"

#include <windows.h>

#include <string>
#include <vector>

struct henhmetafile_traits
{
    using pointer = HENHMETAFILE;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ::DeleteEnhMetaFile(p_h);
    }
};
using unique_henhmetafile = unique_any<henhmetafile_traits>;

// How a clipboard format's data is held, which decides whether it can be copied.
enum class EClipboardData
{
    Global,      // a memory block: copied byte for byte
    Bitmap,      // CF_BITMAP, CF_DSPBITMAP
    EnhMetafile, // CF_ENHMETAFILE, CF_DSPENHMETAFILE
    NotKept,     // metafile pictures, palettes, owner display, private and GDI object formats
};
EClipboardData ClipboardDataOf(UINT p_uFormat);

class CClipboardKeeper
{
  public:
    CClipboardKeeper() = default;
    CClipboardKeeper(const CClipboardKeeper&) = delete;
    CClipboardKeeper& operator=(const CClipboardKeeper&) = delete;

    // Copies what the clipboard holds; false when it could not be opened.
    [[nodiscard]] bool Save(HWND p_hOwner);
    // Empties the clipboard and puts back every saved format (once; the copies then belong to the
    // clipboard). Nothing happens when nothing was saved.
    void Restore(HWND p_hOwner);
    [[nodiscard]] size_t Count() const
    {
        return m_vItems.size();
    }

  private:
    struct CItem
    {
        UINT m_uFormat = 0;
        // A registered format is registered again by this name when it is put back.
        std::string m_sRegisteredName;
        EClipboardData m_eData = EClipboardData::NotKept;
        std::vector<unsigned char> m_vBytes;
        unique_hbitmap m_hBitmap;
        unique_henhmetafile m_hMetafile;
    };
    [[nodiscard]] static bool Read(CItem& p_oItem);
    [[nodiscard]] static bool Write(CItem& p_oItem);

    std::vector<CItem> m_vItems;
    bool m_bSaved = false;
};

// Empties the clipboard and puts p_hBitmap (a copy of it) there as CF_BITMAP, for a PasteFace.
[[nodiscard]] bool PutBitmapOnClipboard(HWND p_hOwner, HBITMAP p_hBitmap);
