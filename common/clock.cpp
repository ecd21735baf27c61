// common/clock.cpp: the local time through the C library, which both platforms share.
#include "common/clock.h"

#include <ctime>

CTraceTime LocalTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    CTraceTime time;
    time.m_iYear = local.tm_year + 1900;
    time.m_iMonth = local.tm_mon + 1;
    time.m_iDay = local.tm_mday;
    time.m_iHour = local.tm_hour;
    time.m_iMinute = local.tm_min;
    time.m_iSecond = local.tm_sec;
    return time;
}
