// tests/win/corvane/check_test_support.h: driving Check and its fix wizard as a user would: a
// script on its own thread waits for each page, clicks and types, while the test's thread runs
// Check; and reading the seeded address book back through the MAPI stand-in.
#pragma once

#include "tests/win/corvane/corvane_test_support.h"

#include <mapix.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The pages' control ids, as the dialogs number them.
constexpr int kIdcHeader = 2410;
constexpr int kIdcList = 2411;
constexpr int kIdcAdvice = 2412;
constexpr int kIdcHint = 2413;
constexpr int kIdcIgnore = 2414;
constexpr int kIdcNewContact = 2415;
constexpr int kIdcSelectBooks = 2416;
constexpr int kIdcSkip = 2417;
constexpr int kIdcSave = 2418;
constexpr int kIdcBooks = 2419;
constexpr int kIdcFirst = 2420;
constexpr int kIdcLast = 2421;
constexpr int kIdcEmail = 2422;
constexpr int kIdcCountry = 2423;
constexpr int kIdcMobile = 2424;
constexpr int kIdcOnceOff = 2425;

// A list of typed texts, made through the exports.
CMessageRecipientList* TypedList(std::initializer_list<const char*> p_texts);
std::vector<std::string> DisplayTexts(const CMessageRecipientList* p_p_mrlList);

// What a run of Check gave.
struct CCheckRun
{
    int m_iResult = -1;
    int m_iExited = -1;
    std::vector<std::string> m_vFailures; // what the script found wrong
};

// Runs Check over the lists while p_fnScript plays the user on another thread.
CCheckRun RunCheck(CMessageRecipientList*& p_p_mrlTo, CMessageRecipientList*& p_p_mrlCc, int p_bSendAnyway,
                   const std::function<void(CCheckRun&)>& p_fnScript);

// Script steps. Each waits for what it needs (10 s) and notes a failure in the run when it is not there.
HWND WaitPage(CCheckRun& p_oRun, const std::string& p_sCaption);
void Click(HWND p_hDialog, int p_iButton);
// Clicks and returns the message box it raised, answered with OK.
CBox ClickForBox(CCheckRun& p_oRun, HWND p_hDialog, int p_iButton);
// The next message box of this process (a dialog that is no wizard page), answered with OK.
CBox AnswerNextBox(CCheckRun& p_oRun);
void TypeInto(HWND p_hDialog, int p_iControl, const std::string& p_sText);
// Selects the list-view row whose first column is p_sName; false when there is none.
bool SelectRow(HWND p_hDialog, const std::string& p_sName);
std::vector<std::string> RowTexts(HWND p_hDialog, int p_iColumn);
// Selects the country whose code is p_iCode in the page's country box.
bool SelectCountry(HWND p_hDialog, int p_iCode);
// Saves the page under build/artifacts as a picture.
void Shot(HWND p_hDialog, const std::string& p_sName);
std::string ControlText(HWND p_hDialog, int p_iControl);

// An address-book entry's mobile as the stand-in holds it, found by name in the container named
// p_sContainer (any when empty); none when there is no such entry.
struct CBookEntry
{
    std::string m_sContainer;
    std::string m_sMobile;
};
std::optional<CBookEntry> FindBookEntry(IMAPISession* p_pSession, const std::string& p_sName);
