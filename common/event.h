// common/event.h: a waitable auto-reset event that a socket wait can watch together with its socket.
// A Windows event object in event_win.cpp; an eventfd in event_posix.cpp, so native tests see the
// same rules: Set wakes one wait, and a wait that sees the event consumes it.
#pragma once

#include <cstdint>

namespace platform
{
class CEvent
{
  public:
    CEvent();
    ~CEvent();
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    bool IsValid() const;
    void Set();
    void Reset();
    // True when the event was set within p_dwMilliseconds (0 polls); the event is reset then.
    [[nodiscard]] bool Wait(uint32_t p_dwMilliseconds);

    // The HANDLE on Windows, the file descriptor to poll for reading natively.
    intptr_t NativeHandle() const
    {
        return m_hHandle;
    }

  private:
    intptr_t m_hHandle;
};
} // namespace platform
