// compose/fields/clipboard_win.cpp: a field's copy on the clipboard.
#include "compose/fields/clipboard_win.h"

#include "common/trace_log.h"

#include <vector>

namespace
{
// Renders every HGLOBAL format of p_pData and hands the memory to the clipboard.
bool PutRenderedFormats(IDataObject* p_pData, HWND p_hOwner)
{
    IEnumFORMATETC* formats = nullptr;
    if (FAILED(p_pData->EnumFormatEtc(DATADIR_GET, &formats)) || formats == nullptr)
        return false;
    std::vector<FORMATETC> offered;
    FORMATETC format{};
    while (formats->Next(1, &format, nullptr) == S_OK)
        if ((format.tymed & TYMED_HGLOBAL) != 0)
            offered.push_back(format);
    formats->Release();
    if (offered.empty() || !OpenClipboard(p_hOwner))
        return false;
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
        HGLOBAL memory = medium.hGlobal;
        if (medium.pUnkForRelease != nullptr)
        {
            const SIZE_T size = GlobalSize(medium.hGlobal);
            memory = GlobalAlloc(GMEM_MOVEABLE, size);
            void* target = memory != nullptr ? GlobalLock(memory) : nullptr;
            const void* source = GlobalLock(medium.hGlobal);
            if (target != nullptr && source != nullptr)
                CopyMemory(target, source, size);
            if (source != nullptr)
                GlobalUnlock(medium.hGlobal);
            if (target != nullptr)
                GlobalUnlock(memory);
            ReleaseStgMedium(&medium);
        }
        if (memory == nullptr || SetClipboardData(wanted.cfFormat, memory) == nullptr)
        {
            if (memory != nullptr)
                GlobalFree(memory);
            bAll = false;
        }
    }
    CloseClipboard();
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
        Log("Can't set the ole clipboard: 0x%x", static_cast<unsigned>(hr));
        if (hr != CLIPBRD_E_CANT_OPEN)
            return false;
        const bool bPut = PutRenderedFormats(p_pData, p_hOwner);
        if (!bPut)
            Log("Can't get the clipboard data");
        return bPut;
    }
    if (FAILED(OleFlushClipboard()))
    {
        Log("Can't flush the ole clipboard");
        return false;
    }
    return true;
}
