// compose/ui/bars.h: the compose window's toolbars that carry options: the bulk bar (tokens, SMS
// limit, sender ID, import) and the delivery bar (now or at a date and time, reply path). Both are
// toolbars with controls on them; their notifications reach the compose window.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "common/clock.h"

#include <windows.h>

#include <string>
#include <vector>

// Control ids.
constexpr int kIdBulkBar = 50006;
constexpr int kIdInsertToken = 52201;
constexpr int kIdTokenList = 52202;
constexpr int kIdSMSLimit = 52204;
constexpr int kIdSMSLimitSpin = 52205;
constexpr int kIdSenderIdOption = 52206;
constexpr int kIdSenderId = 52207;
constexpr int kIdImportList = 32848;
constexpr int kIdDeliveryBar = 50004;
constexpr int kIdDeliverNow = 52101;
constexpr int kIdDeliverOn = 52102;
constexpr int kIdDeliveryDate = 52103;
constexpr int kIdDeliveryTime = 52104;
constexpr int kIdReplies = 52105;

// Forwards WM_COMMAND and WM_NOTIFY of a bar's (or rebar's) children to the compose window.
void ForwardNotifications(HWND p_hBar, HWND p_hTarget);

class CMyBulkbar
{
  public:
    [[nodiscard]] bool Create(HWND p_hRebar, HWND p_hOwner);
    HWND Handle() const
    {
        return m_hWnd;
    }
    // "%d" into the limit edit.
    void SetSMSLimit(int p_iLimit);
    int SMSLimit() const;
    // Validates the limit edit; a value outside 1 to 10 shows the violation box and is replaced.
    [[nodiscard]] bool ValidateSMSLimit(HWND p_hOwner);
    bool SenderIdChecked() const;
    // Empty when the option is cleared. False (after a box) when the text cannot be a sender ID.
    [[nodiscard]] bool ReadSenderId(HWND p_hOwner, bool& p_bHasId, std::string& p_sSenderId);
    // The option was clicked: enable or disable the edit, and warn once per process.
    void OnSenderIdOption(HWND p_hOwner);
    // Refills the token list; an empty list shows "No tokens".
    void SetTokens(const std::vector<std::string>& p_vTokens);
    std::vector<std::string> Tokens() const
    {
        return m_vTokens;
    }

  private:
    HWND m_hWnd = nullptr;
    HWND m_hTokens = nullptr;
    HWND m_hLimit = nullptr;
    HWND m_hSpin = nullptr;
    HWND m_hSenderOption = nullptr;
    HWND m_hSenderId = nullptr;
    std::vector<std::string> m_vTokens;
};

class CMyDeliverybar
{
  public:
    // The date and time offered for a later delivery start from p_fnClock's now.
    [[nodiscard]] bool Create(HWND p_hRebar, HWND p_hOwner, const LocalClock& p_fnClock);
    HWND Handle() const
    {
        return m_hWnd;
    }
    // All zero for "deliver immediately"; false when a control cannot be read.
    [[nodiscard]] bool ReadDeliveryTime(CDeliveryTime& p_stTime) const;
    // A radio button was clicked: the date and time follow "Deliver on".
    void OnDeliveryChoice();
    // The Replies box: 0 None, 1 E-mail only, 2 E-mail and mobile.
    void SetReplies(int p_iIndex);
    int Replies() const;

  private:
    HWND m_hWnd = nullptr;
    HWND m_hNow = nullptr;
    HWND m_hOn = nullptr;
    HWND m_hDate = nullptr;
    HWND m_hTime = nullptr;
    HWND m_hReplies = nullptr;
    HWND m_hTip = nullptr;
};
