// Addressbook/smtp/cancel_link.h: the stop request shared by a send's progress dialog and its
// transport, and the outcome word the sender turns into its result.
// The dialog thread only sets the event; the worker polls it at each step and moves the state.
#pragma once

#include "common/event.h"

#include <atomic>
#include <cstdint>

// The state word.
constexpr uint32_t kLinkRunning = 0;    // running, or done
constexpr uint32_t kLinkCancelled = 1;  // stopped by the user
constexpr uint32_t kLinkCantCancel = 2; // the user's stop came after the point of no return
constexpr uint32_t kLinkAborted = 3;    // a wait of the transport ran out of time

class CCancelLink
{
  public:
    CCancelLink() = default;
    CCancelLink(const CCancelLink&) = delete;
    CCancelLink& operator=(const CCancelLink&) = delete;

    bool IsValid() const
    {
        return m_oStopEvent.IsValid();
    }

    // Any thread: asks the transport to stop.
    void RequestStop()
    {
        m_oStopEvent.Set();
    }
    // The auto-reset event that the transport's waits watch.
    platform::CEvent& StopEvent()
    {
        return m_oStopEvent;
    }

    // From here on a stop is refused: what was sent can no longer be called back.
    void ForbidCancel()
    {
        m_dwNoCancel = 1;
    }
    bool IsCancelForbidden() const
    {
        return m_dwNoCancel != 0;
    }

    uint32_t State() const
    {
        return m_dwState;
    }
    void SetState(uint32_t p_dwState)
    {
        m_dwState = p_dwState;
    }
    // Cancelled or aborted: the transport has given up and must end at once.
    bool IsStopped() const
    {
        const uint32_t state = m_dwState;
        return state == kLinkCancelled || state == kLinkAborted;
    }

    // A stop request seen by a wait: honoured (state 1, true) unless stopping is forbidden, when it
    // is recorded as refused (state 2, false).
    [[nodiscard]] bool HonourStop();
    // Polls the event without waiting; true when the transport must give up now.
    [[nodiscard]] bool PollStop();
    // A wait ran out of time: aborted, unless a stop was already refused.
    void MarkTimedOut();

    // Ready for another send: running, cancellable, no stop pending.
    void Reset();

  private:
    platform::CEvent m_oStopEvent;
    std::atomic<uint32_t> m_dwNoCancel{0};
    std::atomic<uint32_t> m_dwState{kLinkRunning};
};
