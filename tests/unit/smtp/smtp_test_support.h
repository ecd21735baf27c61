// tests/unit/smtp/smtp_test_support.h: what the SMTP tests share: a mailer whose server is given,
// a progress recorder, a catcher for presented errors, and (natively) the SMTP peers as real
// processes on real ports.
#pragma once

#include "Addressbook/smtp/send_progress.h"
#include "Addressbook/smtp/smtp_mailer.h"

#include <string>
#include <utility>
#include <vector>

class CTestMailer : public CSMTPMailer
{
  public:
    explicit CTestMailer(std::string p_sServer, CCancelLink* p_p_oLink = nullptr)
        : CSMTPMailer(p_p_oLink), m_sServer(std::move(p_sServer))
    {
    }

  protected:
    bool GetSMTPServer(std::string& p_sServer) override
    {
        p_sServer = m_sServer;
        return true;
    }

  private:
    std::string m_sServer;
};

// Remembers every text and where the bar went.
class CRecordingProgress : public CSendProgress
{
  public:
    void SetText(const std::string& p_sText) override
    {
        m_vTexts.push_back(p_sText);
    }
    void SetRange(int p_iLow, int p_iHigh) override
    {
        m_iLow = p_iLow;
        m_iHigh = p_iHigh;
    }
    void GetRange(int& p_iLow, int& p_iHigh) override
    {
        p_iLow = m_iLow;
        p_iHigh = m_iHigh;
    }
    int GetPosition() override
    {
        return m_iPosition;
    }
    void SetPosition(int p_iPosition) override
    {
        m_vPositions.push_back(p_iPosition);
        m_iPosition = p_iPosition;
    }
    void Step() override
    {
        ++m_iSteps;
    }

    std::vector<std::string> m_vTexts;
    std::vector<int> m_vPositions;
    int m_iLow = 0;
    int m_iHigh = 100;
    int m_iPosition = 0;
    int m_iSteps = 0;
};

// Catches what the error presenter would show while it lives.
class CPresentedErrors
{
  public:
    CPresentedErrors();
    ~CPresentedErrors();
    CPresentedErrors(const CPresentedErrors&) = delete;
    CPresentedErrors& operator=(const CPresentedErrors&) = delete;

    // caption, text
    static std::vector<std::pair<std::string, std::string>> s_vShown;
};
