// compose/fields/clipboard_win.cpp: a field's copy on the clipboard.
#include "compose/fields/clipboard_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/text_win.h"

#include <vector>

namespace
{
// Renders every HGLOBAL format of p_pData and hands the memory to the clipboard.
bool PutRenderedFormats(IDataObject* p_pData, HWND p_hOwner)
{
    com_ptr<IEnumFORMATETC> formats;
    if (FAILED(LOG_IF_FAILED(p_pData->EnumFormatEtc(DATADIR_GET, formats.put()))) || !formats)
        return false;
    std::vector<FORMATETC> offered;
    FORMATETC format{};
    while (formats->Next(1, &format, nullptr) == S_OK)
        if ((format.tymed & TYMED_HGLOBAL) != 0)
            offered.push_back(format);
    formats.reset();
    if (offered.empty())
        return false;
    const CClipboardGuard clipboard(p_hOwner);
    if (!clipboard.IsOpen())
    {
        LogCallFailure(__PRETTY_FUNCTION__, "OpenClipboard(p_hOwner)", EResultKind::Win32Error, clipboard.LastError());
        return false;
    }
    EmptyClipboard();
    bool bAll = true;
    for (FORMATETC wanted : offered)
    {
        wanted.tymed = TYMED_HGLOBAL;
        STGMEDIUM medium{};
        if (FAILED(p_pData->GetData(&wanted, &medium)) || medium.tymed != TYMED_HGLOBAL)
        {
            bAll = false;
            continue;
        }
        // The clipboard takes the memory over only when nothing else owns it.
        unique_hglobal memory(medium.hGlobal);
        if (medium.pUnkForRelease != nullptr)
        {
            (void)memory.release();
            const SIZE_T size = GlobalSize(medium.hGlobal);
            memory.reset(GlobalAlloc(GMEM_MOVEABLE, size));
            void* target = memory ? GlobalLock(memory.get()) : nullptr;
            const void* source = GlobalLock(medium.hGlobal);
            if (target != nullptr && source != nullptr)
                CopyMemory(target, source, size);
            if (source != nullptr)
                GlobalUnlock(medium.hGlobal);
            if (target != nullptr)
                GlobalUnlock(memory.get());
            ReleaseStgMedium(&medium);
        }
        if (!memory || SetClipboardData(wanted.cfFormat, memory.get()) == nullptr)
        {
            bAll = false;
            continue;
        }
        // The clipboard owns it now.
        (void)memory.release();
    }
    return bAll;
}
} // namespace

bool OfferOnClipboard(IDataObject* p_pData, HWND p_hOwner)
{
    HRESULT hr = OleSetClipboard(p_pData);
    for (int attempt = 0; hr == CLIPBRD_E_CANT_OPEN && attempt < 5; ++attempt)
    {
        Sleep(20);
        hr = OleSetClipboard(p_pData);
    }
    if (FAILED(hr))
    {
        LogCallFailure(__PRETTY_FUNCTION__, "OleSetClipboard(p_pData)", EResultKind::HResult,
                       static_cast<uint32_t>(hr));
        if (hr != CLIPBRD_E_CANT_OPEN)
            return false;
        const bool bPut = PutRenderedFormats(p_pData, p_hOwner);
        if (!bPut)
            LOG_FAILURE("the clipboard data could not be put on the plain clipboard");
        return bPut;
    }
    if (FAILED(LOG_IF_FAILED(OleFlushClipboard())))
        return false;
    return true;
}
