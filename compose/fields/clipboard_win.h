// compose/fields/clipboard_win.h: putting a field's copy on the clipboard so that it outlives the
// field's window and thread.
#pragma once

#include <windows.h>
#include <ole2.h>

// Offers p_pData on the OLE clipboard and flushes it, so every format is rendered now. While
// another program holds the clipboard open it tries again for a moment. Under Wine the OLE
// clipboard's window belongs to the thread that used it first and goes with it; then every
// HGLOBAL format p_pData offers is rendered and put on the clipboard directly, owned by
// p_hOwner. Failures are logged with the field's texts; the result says whether the copy is there.
[[nodiscard]] bool OfferOnClipboard(IDataObject* p_pData, HWND p_hOwner);
