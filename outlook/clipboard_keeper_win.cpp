// outlook/clipboard_keeper_win.cpp: saving and restoring the clipboard around the face pastes.
#include "outlook/clipboard_keeper_win.h"

#include "common/failure_log.h"
#include "common/text_win.h"
#include "common/trace_log.h"

#include <cstring>

namespace
{
// Another program may hold the clipboard for a moment.
constexpr DWORD kOpenWaitMs = 500;

bool IsPredefined(UINT p_uFormat)
{
    return (p_uFormat >= 1 && p_uFormat <= 14) || p_uFormat == 16 || p_uFormat == 18 ||
           (p_uFormat >= 0x80 && p_uFormat <= 0x83) || p_uFormat == 0x8E;
}

// Logs the format's name and class as the clipboard is walked; the registered name, if any.
std::string DescribeFormat(UINT p_uFormat)
{
    char name[256] = {};
    const int length = GetClipboardFormatNameA(p_uFormat, name, sizeof name);
    Log("%s - ", length > 0 ? name : std::to_string(p_uFormat).c_str());
    if (p_uFormat >= CF_GDIOBJFIRST && p_uFormat <= CF_GDIOBJLAST)
        Log("GDI\n");
    else if (p_uFormat >= CF_PRIVATEFIRST && p_uFormat <= CF_PRIVATELAST)
        Log("Private\n");
    else if (IsPredefined(p_uFormat))
        Log("Predefined\n");
    else
    {
        Log("Registered\n");
        return length > 0 ? std::string(name, static_cast<size_t>(length)) : std::string();
    }
    return std::string();
}

bool ReadGlobal(UINT p_uFormat, std::vector<unsigned char>& p_vBytes)
{
    HANDLE data = GetClipboardData(p_uFormat);
    if (data == nullptr)
    {
        Log("ReadGlobalFromClipboard GetClipboardData failed\n");
        return false;
    }
    const SIZE_T size = GlobalSize(data);
    const void* bytes = GlobalLock(data);
    if (bytes == nullptr)
    {
        Log("ReadGlobalFromClipboard GlobalLock failed\n");
        return false;
    }
    p_vBytes.assign(static_cast<const unsigned char*>(bytes), static_cast<const unsigned char*>(bytes) + size);
    GlobalUnlock(data);
    return true;
}

bool WriteGlobal(UINT p_uFormat, const std::vector<unsigned char>& p_vBytes)
{
    unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, p_vBytes.empty() ? 1 : p_vBytes.size()));
    if (!block)
    {
        Log("WriteGlobalToClipboard GlobalAlloc failed\n");
        return false;
    }
    void* bytes = GlobalLock(block.get());
    if (bytes == nullptr)
    {
        Log("WriteGlobalToClipboard GlobalLock failed\n");
        return false;
    }
    if (!p_vBytes.empty())
        std::memcpy(bytes, p_vBytes.data(), p_vBytes.size());
    GlobalUnlock(block.get());
    if (SetClipboardData(p_uFormat, block.get()) == nullptr)
    {
        Log("WriteGlobalToClipboard SetClipboardData failed\n");
        return false;
    }
    // The clipboard owns the block now.
    (void)block.release();
    return true;
}
} // namespace

EClipboardData ClipboardDataOf(UINT p_uFormat)
{
    switch (p_uFormat)
    {
    case CF_BITMAP:
    case CF_DSPBITMAP:
        return EClipboardData::Bitmap;
    case CF_ENHMETAFILE:
    case CF_DSPENHMETAFILE:
        return EClipboardData::EnhMetafile;
    case CF_METAFILEPICT:
    case CF_DSPMETAFILEPICT:
    case CF_PALETTE:
    case CF_OWNERDISPLAY:
        return EClipboardData::NotKept;
    default:
        break;
    }
    if (p_uFormat == 0 || (p_uFormat >= CF_PRIVATEFIRST && p_uFormat <= CF_GDIOBJLAST))
        return EClipboardData::NotKept;
    return EClipboardData::Global;
}

bool CClipboardKeeper::Read(CItem& p_oItem)
{
    switch (p_oItem.m_eData)
    {
    case EClipboardData::Global:
        return ReadGlobal(p_oItem.m_uFormat, p_oItem.m_vBytes);
    case EClipboardData::Bitmap: {
        auto bitmap = static_cast<HBITMAP>(GetClipboardData(p_oItem.m_uFormat));
        if (bitmap != nullptr)
            p_oItem.m_hBitmap.reset(static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)));
        return static_cast<bool>(p_oItem.m_hBitmap);
    }
    case EClipboardData::EnhMetafile: {
        auto metafile = static_cast<HENHMETAFILE>(GetClipboardData(p_oItem.m_uFormat));
        if (metafile != nullptr)
            p_oItem.m_hMetafile.reset(CopyEnhMetaFileA(metafile, nullptr));
        return static_cast<bool>(p_oItem.m_hMetafile);
    }
    case EClipboardData::NotKept:
        break;
    }
    return false;
}

bool CClipboardKeeper::Save(HWND p_hOwner)
{
    m_vItems.clear();
    m_bSaved = false;
    CClipboardGuard clipboard(p_hOwner, kOpenWaitMs);
    if (!clipboard.IsOpen())
    {
        LogCallFailure(__PRETTY_FUNCTION__, "OpenClipboard", EResultKind::Win32Error, clipboard.LastError());
        return false;
    }
    m_bSaved = true;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
    {
        CItem item;
        item.m_uFormat = format;
        item.m_sRegisteredName = DescribeFormat(format);
        item.m_eData = ClipboardDataOf(format);
        if (item.m_eData == EClipboardData::NotKept)
        {
            Log("Must NOT Save !!!!!!!!!\n");
            continue;
        }
        if (!Read(item))
        {
            Log("Read FAILED\n");
            continue;
        }
        m_vItems.push_back(std::move(item));
    }
    return true;
}

bool CClipboardKeeper::Write(CItem& p_oItem)
{
    if (!p_oItem.m_sRegisteredName.empty())
        p_oItem.m_uFormat = RegisterClipboardFormatA(p_oItem.m_sRegisteredName.c_str());
    if (p_oItem.m_uFormat == 0)
        return false;
    switch (p_oItem.m_eData)
    {
    case EClipboardData::Global:
        return WriteGlobal(p_oItem.m_uFormat, p_oItem.m_vBytes);
    case EClipboardData::Bitmap:
        if (!p_oItem.m_hBitmap || SetClipboardData(p_oItem.m_uFormat, p_oItem.m_hBitmap.get()) == nullptr)
            return false;
        (void)p_oItem.m_hBitmap.release();
        return true;
    case EClipboardData::EnhMetafile:
        if (!p_oItem.m_hMetafile || SetClipboardData(p_oItem.m_uFormat, p_oItem.m_hMetafile.get()) == nullptr)
            return false;
        (void)p_oItem.m_hMetafile.release();
        return true;
    case EClipboardData::NotKept:
        break;
    }
    return false;
}

void CClipboardKeeper::Restore(HWND p_hOwner)
{
    if (!m_bSaved)
    {
        Log("s_p_coll_Stored is NULL\n");
        return;
    }
    CClipboardGuard clipboard(p_hOwner, kOpenWaitMs);
    if (!clipboard.IsOpen())
    {
        LogCallFailure(__PRETTY_FUNCTION__, "OpenClipboard", EResultKind::Win32Error, clipboard.LastError());
        return;
    }
    if (!LOG_IF_WIN32_BOOL_FALSE(EmptyClipboard()))
        return;
    for (CItem& item : m_vItems)
        if (!Write(item))
            Log("Restoring FAILED\n");
    m_vItems.clear();
    m_bSaved = false;
}

bool PutBitmapOnClipboard(HWND p_hOwner, HBITMAP p_hBitmap)
{
    unique_hbitmap copy(static_cast<HBITMAP>(CopyImage(p_hBitmap, IMAGE_BITMAP, 0, 0, 0)));
    if (!copy)
        return false;
    CClipboardGuard clipboard(p_hOwner, kOpenWaitMs);
    if (!clipboard.IsOpen() || !LOG_IF_WIN32_BOOL_FALSE(EmptyClipboard()))
        return false;
    if (!LOG_IF_WIN32_BOOL_FALSE(SetClipboardData(CF_BITMAP, copy.get())))
        return false;
    // The clipboard owns the copy now.
    (void)copy.release();
    return true;
}
