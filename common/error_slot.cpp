// common/error_slot.cpp: table texts formatted with their arguments, and their reporting.
#include "common/error_slot.h"

#include "common/trace_log.h"

#include <cstdio>

const char* const kProductTitle = "Brevolt SMS";

const char* CStringTable::Find(unsigned p_uId) const
{
    for (size_t i = 0; i < m_nCount; ++i)
    {
        if (m_pEntries[i].m_uId == p_uId)
            return m_pEntries[i].m_szText;
    }
    return nullptr;
}

std::string FormatTableMessageV(const CStringTable& p_oTable, unsigned p_uId, va_list p_args)
{
    const char* format = p_oTable.Find(p_uId);
    if (format == nullptr)
    {
        char missing[48];
        std::snprintf(missing, sizeof(missing), "String %u not found", p_uId);
        return missing;
    }
    return FormatVarArgs(format, p_args);
}

std::string FormatTableMessage(const CStringTable& p_oTable, unsigned p_uId, ...)
{
    va_list args;
    va_start(args, p_uId);
    std::string text = FormatTableMessageV(p_oTable, p_uId, args);
    va_end(args);
    return text;
}

void CErrorSlot::Set(const CStringTable& p_oTable, unsigned p_uId, ...)
{
    va_list args;
    va_start(args, p_uId);
    m_sText = FormatTableMessageV(p_oTable, p_uId, args);
    va_end(args);
    m_uId = p_uId;
}

void CErrorSlot::SetText(unsigned p_uId, const std::string& p_sText)
{
    m_uId = p_uId;
    m_sText = p_sText;
}

void CErrorSlot::CopyFrom(const CErrorSlot& p_oOther)
{
    m_uId = p_oOther.m_uId;
    m_sText = p_oOther.m_sText;
}

void CErrorSlot::Clear()
{
    m_uId = 0;
    m_sText.clear();
}

namespace
{
ErrorPresenter g_pfnPresenter = DefaultErrorPresenter();
thread_local int t_iQuietScopes = 0;
} // namespace

CQuietErrors::CQuietErrors()
{
    ++t_iQuietScopes;
}

CQuietErrors::~CQuietErrors()
{
    --t_iQuietScopes;
}

void SetErrorPresenter(ErrorPresenter p_pfnPresenter)
{
    g_pfnPresenter = p_pfnPresenter;
}

ErrorPresenter GetErrorPresenter()
{
    return g_pfnPresenter;
}

void ReportError(const CErrorSlot& p_oError, bool p_bShow, const char* p_szCaption)
{
    if (!p_oError.IsSet())
        return;
    Log("Error %u: %s", p_oError.Id(), p_oError.Text().c_str());
    if (p_bShow && t_iQuietScopes == 0 && g_pfnPresenter != nullptr)
        g_pfnPresenter(p_szCaption != nullptr ? p_szCaption : kProductTitle, p_oError.Text());
}

void ReportError(const CStringTable& p_oTable, unsigned p_uId, ...)
{
    va_list args;
    va_start(args, p_uId);
    CErrorSlot error;
    error.SetText(p_uId, FormatTableMessageV(p_oTable, p_uId, args));
    va_end(args);
    ReportError(error);
}
