// common/event_posix.cpp: the auto-reset event as a non-blocking eventfd. Reading the counter is
// what resets it, so only the wait that reads it sees the event.
#include "common/event.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform
{
CEvent::CEvent() : m_hHandle(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
}

CEvent::~CEvent()
{
    if (m_hHandle >= 0)
        close(static_cast<int>(m_hHandle));
}

bool CEvent::IsValid() const
{
    return m_hHandle >= 0;
}

void CEvent::Set()
{
    if (m_hHandle < 0)
        return;
    const eventfd_t one = 1;
    // A counter that is already non-zero stays set; the write only fails when it would overflow.
    (void)!write(static_cast<int>(m_hHandle), &one, sizeof(one));
}

void CEvent::Reset()
{
    if (m_hHandle < 0)
        return;
    eventfd_t value = 0;
    (void)!read(static_cast<int>(m_hHandle), &value, sizeof(value));
}

bool CEvent::Wait(uint32_t p_dwMilliseconds)
{
    if (m_hHandle < 0)
        return false;
    const int fd = static_cast<int>(m_hHandle);
    eventfd_t value = 0;
    if (read(fd, &value, sizeof(value)) == sizeof(value))
        return true;
    pollfd entry = {fd, POLLIN, 0};
    const int timeout = p_dwMilliseconds > 0x7FFFFFFF ? -1 : static_cast<int>(p_dwMilliseconds);
    int ready;
    do
        ready = poll(&entry, 1, timeout);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return false;
    // Another waiter may have taken it between poll and read.
    return read(fd, &value, sizeof(value)) == sizeof(value);
}
} // namespace platform
