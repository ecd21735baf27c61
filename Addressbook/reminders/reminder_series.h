// Addressbook/reminders/reminder_series.h: one appointment or task that asks for SMS reminders, the
// occurrences of it whose reminder falls due in a window, and the text each reminder SMS carries.
// Portable: the MAPI side fills a series from the item's properties and writes the mark back.
#pragma once

#include "Addressbook/reminders/recurrence.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class EReminderKind
{
    Appointment,
    Task
};

struct CReminderAttendee
{
    std::string m_sName;
    std::string m_sMobile;
};

struct CReminderSeries
{
    std::string m_sEntryId;
    std::string m_sSubject;
    std::string m_sOrganizer;
    std::string m_sLocation;
    EReminderKind m_eKind = EReminderKind::Appointment;
    int32_t m_iRecurrenceType = 0; // 0 none, 1 daily, 2 weekly, 3 monthly, 4 yearly
    int64_t m_iStart = 0;          // a single item's start, local minutes since 1601
    int32_t m_iOffset = 0;         // the reminder comes this many minutes before the start
    std::optional<CRecurrence> m_oRecurrence;
    bool m_bMustSend = false;
    bool m_bAlsoAttendees = false;
    std::string m_sAlsoNumbers;         // mobile numbers separated by ';'
    std::optional<int64_t> m_iMarkDate; // start of the last occurrence reminded, local minutes
    std::vector<CReminderAttendee> m_vAttendees;
};

// An occurrence whose reminder is due: its start and offset, and its own subject and location
// (an exception record may have changed them).
struct CDueReminder
{
    int64_t m_iStart = 0;
    int32_t m_iOffset = 0;
    std::string m_sSubject;
    std::string m_sLocation;
    const CReminderSeries* m_pSeries = nullptr;

    int64_t ReminderTime() const
    {
        return m_iStart - m_iOffset;
    }
};

struct CDueReminders
{
    std::vector<CDueReminder> m_vDue;
    std::optional<int64_t> m_iNewMark; // start of the last occurrence taken
    size_t m_nHeldBack = 0;            // due, but already covered by the mark
};

// The occurrences whose reminder time lies strictly between p_iNowSeconds and p_iEndSeconds (local
// seconds since 1601). The walk starts one day before now. Without p_bSendAgain an occurrence that
// starts no later than the series' mark is held back.
CDueReminders DueReminders(const CReminderSeries& p_oSeries, int64_t p_iNowSeconds, int64_t p_iEndSeconds,
                           bool p_bSendAgain);

// The mark to write after a cycle: nothing when the stored mark is already as late (saving an
// item costs a store write; one that would not change is left alone).
std::optional<int64_t> MarkToWrite(const CReminderSeries& p_oSeries, const CDueReminders& p_oDue);

// The SMS text of a due reminder. p_fnMonth gives the name of month 1-12.
std::string ReminderText(const CDueReminder& p_oDue, const char* (*p_fnMonth)(int));

// Month names from Corvane's string table.
const char* ReminderMonthName(int p_iMonth);

// The entries of an "AlsoSendToNumbers" value in order, empty ones included.
std::vector<std::string> SplitReminderNumbers(const std::string& p_sNumbers);
