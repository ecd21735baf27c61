// standins/outlook/ol_send_receive_win.h: the explorer's hidden command window of the 2000 to 2003
// clients ("AfxWnd", from 10.0 "AfxWndA"), whose Send command sends what waits in the Outbox as the
// client's own Send does: through the MAPI spooler's FlushQueues.
#pragma once

#include <windows.h>

namespace olstandin
{
class CMapiProfile;
// The send command ids the 2000 client (9.0) and the 2002 and 2003 clients (10.0, 11.0) take.
constexpr WPARAM kSendCommand2000 = 0x104BB;
constexpr WPARAM kSendCommand2002 = 0x10A1B;

// Makes the hidden window as a child of p_hExplorer for 9.0 and later (nullptr for older clients,
// or when it could not be made). It lives as long as the explorer.
HWND CreateSendReceiveWindow(HWND p_hExplorer, WORD p_nMajor, CMapiProfile* p_pProfile);
} // namespace olstandin
