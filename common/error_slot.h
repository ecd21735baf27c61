// common/error_slot.h: string tables and the last-error record that objects carry.
// A deliverable lists its texts once in res/strings.inc as MSG(id, "text"); its .rc builds the
// resource string table from that file and its C++ builds a CStringTable from the same lines:
//
//     static const CStringTable::CEntry s_aEntries[] = {
//     #define MSG(id, text) {id, text},
//     #include "res/strings.inc"
//     #undef MSG
//     };
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

extern const char* const kProductTitle; // "Brevolt SMS", the caption of every message box

class CStringTable
{
  public:
    struct CEntry
    {
        unsigned m_uId;
        const char* m_szText;
    };

    template <size_t N> explicit CStringTable(const CEntry (&p_aEntries)[N]) : m_pEntries(p_aEntries), m_nCount(N)
    {
    }

    // The text of p_uId, or nullptr when the table has none.
    const char* Find(unsigned p_uId) const;
    size_t Count() const
    {
        return m_nCount;
    }
    const CEntry& At(size_t p_nIndex) const
    {
        return m_pEntries[p_nIndex];
    }

  private:
    const CEntry* m_pEntries;
    size_t m_nCount;
};

// printf-style formatting of a table text with its arguments. An id the table lacks gives
// "String %u not found" so a missing text is visible rather than silent.
std::string FormatTableMessage(const CStringTable& p_oTable, unsigned p_uId, ...);
std::string FormatTableMessageV(const CStringTable& p_oTable, unsigned p_uId, va_list p_args);

// The last error of an object: empty, or a message id with its formatted text.
class CErrorSlot
{
  public:
    bool IsSet() const
    {
        return m_uId != 0 || !m_sText.empty();
    }
    unsigned Id() const
    {
        return m_uId;
    }
    const std::string& Text() const
    {
        return m_sText;
    }

    void Set(const CStringTable& p_oTable, unsigned p_uId, ...);
    // A text that does not come from a table (a server's reply, a copied description).
    void SetText(unsigned p_uId, const std::string& p_sText);
    // Takes over another object's error, as callers pass failures upward.
    void CopyFrom(const CErrorSlot& p_oOther);
    void Clear();

  private:
    unsigned m_uId = 0;
    std::string m_sText;
};

// How reported errors reach the user. The default on Windows is a message box owned by the
// desktop and captioned with the product title; natively, and whenever a presenter is unset,
// the trace log is the only place.
using ErrorPresenter = void (*)(const std::string& p_sCaption, const std::string& p_sText);
void SetErrorPresenter(ErrorPresenter p_pfnPresenter);
ErrorPresenter DefaultErrorPresenter();
ErrorPresenter GetErrorPresenter();

// While one lives on a thread, errors reported on that thread reach the log only: for work that
// runs unattended (a monitor's cycle), where a box nobody answers would stall every later run.
class CQuietErrors
{
  public:
    CQuietErrors();
    ~CQuietErrors();
    CQuietErrors(const CQuietErrors&) = delete;
    CQuietErrors& operator=(const CQuietErrors&) = delete;
};

// Logs the error and shows it (p_bShow) through the presenter, unless the thread is quiet.
void ReportError(const CErrorSlot& p_oError, bool p_bShow = true, const char* p_szCaption = nullptr);
void ReportError(const CStringTable& p_oTable, unsigned p_uId, ...);
