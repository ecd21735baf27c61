// common/event_win.cpp: the auto-reset event as a Windows event object.
#include "common/event.h"

#include "common/handle_win.h"

#include <windows.h>

namespace platform
{
CEvent::CEvent() : m_hHandle(reinterpret_cast<intptr_t>(CreateEventA(nullptr, FALSE, FALSE, nullptr)))
{
}

CEvent::~CEvent()
{
    // The portable header keeps the handle as an integer; its owner closes it here.
    unique_handle owner(reinterpret_cast<HANDLE>(m_hHandle));
}

bool CEvent::IsValid() const
{
    return m_hHandle != 0;
}

void CEvent::Set()
{
    if (m_hHandle != 0)
        SetEvent(reinterpret_cast<HANDLE>(m_hHandle));
}

void CEvent::Reset()
{
    if (m_hHandle != 0)
        ResetEvent(reinterpret_cast<HANDLE>(m_hHandle));
}

bool CEvent::Wait(uint32_t p_dwMilliseconds)
{
    if (m_hHandle == 0)
        return false;
    return WaitForSingleObject(reinterpret_cast<HANDLE>(m_hHandle), p_dwMilliseconds) == WAIT_OBJECT_0;
}
} // namespace platform
