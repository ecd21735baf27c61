// oehook/send_options.h: what the Tools/Options automation wants of the client's Send page: the
// target state of each option for a direction, and the accelerator letter of a caption (portable).
#pragma once

#include <array>
#include <string>

// The options the automation sets, by their control ids on the Send page.
struct CSendOption
{
    int m_iControlId;
    // The state wanted when the direction is on; the opposite when it is off.
    bool m_bOnWhenDirection;
    const char* m_szTrace;
};

inline constexpr int kReplySameFormatId = 1064;
inline constexpr int kIncludeMessageId = 1027;
inline constexpr int kSendHtmlId = 2090;

// Reply in the same format, include the message, send HTML: in the order they are checked.
inline constexpr std::array<CSendOption, 3> kSendOptions = {{
    {kReplySameFormatId, true, "Check reply in same format Current %d Desired %d (direction %d)\n"},
    {kIncludeMessageId, false, "Check include reply Current %d Desired %d (direction %d)\n"},
    {kSendHtmlId, false, "Checking Send HTML %d Desired %d (direction %d)\n"},
}};

// Whether the option should be checked for the direction.
constexpr bool DesiredOptionState(const CSendOption& p_oOption, bool p_bDirection)
{
    return p_oOption.m_bOnWhenDirection == p_bDirection;
}

// The upper-cased character after the first single "&" of a caption ("&&" is a literal ampersand);
// 0 when the caption has none.
char AcceleratorOf(const std::string& p_sCaption);
