// Addressbook/smtp/send_progress.h: the two controls of the send dialog that a transport
// moves, a status text and a progress bar, seen through a small interface so the transport does
// not depend on windows (the dialog implements it; tests record what moved).
#pragma once

#include <string>

class CSendProgress
{
  public:
    virtual ~CSendProgress() = default;

    virtual void SetText(const std::string& p_sText) = 0;
    virtual void SetRange(int p_iLow, int p_iHigh) = 0;
    virtual void GetRange(int& p_iLow, int& p_iHigh) = 0;
    virtual int GetPosition() = 0;
    virtual void SetPosition(int p_iPosition) = 0;
    // Advances the bar by its step increment.
    virtual void Step() = 0;
};
