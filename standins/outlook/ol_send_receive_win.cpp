// standins/outlook/ol_send_receive_win.cpp: the hidden command window that sends the Outbox.
#include "standins/outlook/ol_send_receive_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/mapi_owner_win.h"
#include "common/trace_log.h"
#include "standins/outlook/ol_mapi_win.h"

#include <mapitags.h>
#include <mapiutil.h>

namespace olstandin
{
namespace
{
// The spooler's row of the status table, opened as IMAPIStatus, flushes what was submitted.
void FlushOutbox(IMAPISession* p_pSession)
{
    com_ptr<IMAPITable> table;
    if (p_pSession == nullptr || FAILED(LOG_IF_MAPI_FAILED(p_pSession->GetStatusTable(0, table.put()))))
        return;
    SizedSPropTagArray(2, columns) = {2, {PR_RESOURCE_TYPE, PR_ENTRYID}};
    unique_mapi_rows rows;
    if (FAILED(LOG_IF_MAPI_FAILED(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0))) ||
        FAILED(LOG_IF_MAPI_FAILED(table->QueryRows(32, 0, rows.put()))))
        return;
    for (ULONG i = 0; i < rows.get()->cRows; ++i)
    {
        const SPropValue* props = rows.get()->aRow[i].lpProps;
        if (props[0].ulPropTag != PR_RESOURCE_TYPE || props[0].Value.l != MAPI_SPOOLER ||
            props[1].ulPropTag != PR_ENTRYID)
            continue;
        ULONG type = 0;
        com_ptr<IMAPIStatus> status;
        if (FAILED(LOG_IF_MAPI_FAILED(
                p_pSession->OpenEntry(props[1].Value.bin.cb, reinterpret_cast<LPENTRYID>(props[1].Value.bin.lpb),
                                      nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(status.put())))))
            return;
        Log("send/receive: the Outbox is sent");
        (void)LOG_IF_MAPI_FAILED(status->FlushQueues(0, 0, nullptr, FLUSH_UPLOAD | FLUSH_ASYNC_OK));
        return;
    }
}

LRESULT CALLBACK SendReceiveProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_uMsg == WM_COMMAND && (p_wParam == kSendCommand2000 || p_wParam == kSendCommand2002))
    {
        TrapExceptionsVoid("SendReceiveProc", [p_hWnd] {
            auto* profile = reinterpret_cast<CMapiProfile*>(GetWindowLongPtrA(p_hWnd, GWLP_USERDATA));
            if (profile != nullptr)
                FlushOutbox(profile->Session());
        });
        return 0;
    }
    return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
}
} // namespace

HWND CreateSendReceiveWindow(HWND p_hExplorer, WORD p_nMajor, CMapiProfile* p_pProfile)
{
    if (p_nMajor < 9)
        return nullptr;
    const char* className = p_nMajor >= 10 ? "AfxWndA" : "AfxWnd";
    WNDCLASSA wc{};
    wc.lpfnWndProc = &SendReceiveProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc); // a second explorer finds it registered
    HWND window = CreateWindowExA(0, className, "", WS_CHILD, 0, 0, 0, 0, p_hExplorer, nullptr, wc.hInstance, nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(window))
        return nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(p_pProfile));
    return window;
}
} // namespace olstandin
