// Addressbook/smtp/cancel_link.cpp: the stop rules every transport wait applies.
#include "Addressbook/smtp/cancel_link.h"

bool CCancelLink::HonourStop()
{
    if (IsCancelForbidden())
    {
        m_dwState = kLinkCantCancel;
        return false;
    }
    m_dwState = kLinkCancelled;
    return true;
}

bool CCancelLink::PollStop()
{
    if (IsStopped())
        return true;
    if (m_oStopEvent.Wait(0))
        return HonourStop();
    return false;
}

void CCancelLink::MarkTimedOut()
{
    if (m_dwState != kLinkCantCancel)
        m_dwState = kLinkAborted;
}

void CCancelLink::Reset()
{
    m_oStopEvent.Reset();
    m_dwNoCancel = 0;
    m_dwState = kLinkRunning;
}
