// tools/send_arguments.h: the command line of brevolt-send, read into a job description.
//   brevolt-send --to "ENTRY;ENTRY" [--cc "ENTRY;..."] [--list "NAME:ENTRY,ENTRY"]... --text TEXT
//                [--bulk] [--at "YYYY-MM-DD HH:MM"] [--package N] [--options N]
// An ENTRY is a mobile number, or "Name <number>" for a named recipient. In the text, "{Token}"
// stands for a bulk token ("{First Name}", "{Last Name}", "{Full Name}", "{Mobile}", ...).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CSendEntry
{
    std::string m_sName; // empty for a typed number
    std::string m_sMobile;
};

struct CSendList
{
    std::string m_sName;
    std::vector<CSendEntry> m_vMembers;
};

struct CSendToken
{
    std::string m_sName;
    size_t m_nPosition = 0;
};

struct CSendDate
{
    uint16_t m_wYear = 0, m_wMonth = 0, m_wDayOfWeek = 0, m_wDay = 0, m_wHour = 0, m_wMinute = 0;
};

struct CSendArguments
{
    std::vector<CSendEntry> m_vTo;
    std::vector<CSendEntry> m_vCc;
    std::vector<CSendList> m_vLists; // distribution lists, added to the To list
    std::string m_sText;             // as typed, tokens included
    std::string m_sMessage;          // with each token's placeholder character
    std::vector<CSendToken> m_vTokens;
    bool m_bBulk = false;
    bool m_bAt = false;
    CSendDate m_oAt;
    int m_iPackage = 0;
    uint32_t m_dwOptions = 0;
};

extern const char* const kSendUsage;

// False with p_sError saying what is wrong.
[[nodiscard]] bool ParseSendArguments(const std::vector<std::string>& p_vArgs, CSendArguments& p_oOut,
                                      std::string& p_sError);
// "Name <number>" or a bare number; false for an empty entry or a malformed name part.
[[nodiscard]] bool ParseSendEntry(const std::string& p_sText, CSendEntry& p_oEntry);
// "YYYY-MM-DD HH:MM" with a real calendar date; the day of the week is filled in.
[[nodiscard]] bool ParseSendDate(const std::string& p_sText, CSendDate& p_oDate);
