// standins/outlook/ol_trace_win.h: the host's contract trace. Every line also goes to the trace log;
// when the environment names a file in OUTLOOK_STANDIN_TRACE the lines are appended there, so a
// test reads what the host asked of each extension and what it answered.
#pragma once

namespace olstandin
{
void Trace(const char* p_szFormat, ...) __attribute__((format(printf, 1, 2)));
} // namespace olstandin
