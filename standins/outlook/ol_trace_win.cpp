// standins/outlook/ol_trace_win.cpp: appending contract trace lines.
#include "standins/outlook/ol_trace_win.h"

#include "common/handle_win.h"
#include "common/trace_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace olstandin
{
void Trace(const char* p_szFormat, ...)
{
    char line[1024] = {};
    va_list args;
    va_start(args, p_szFormat);
    const int length = vsnprintf(line, sizeof line - 2, p_szFormat, args);
    va_end(args);
    if (length < 0)
        return;
    Log("%s", line);
    char path[MAX_PATH] = {};
    const DWORD size = GetEnvironmentVariableA("OUTLOOK_STANDIN_TRACE", path, MAX_PATH);
    if (size == 0 || size >= MAX_PATH)
        return;
    const size_t used = static_cast<size_t>(length) < sizeof line - 2 ? static_cast<size_t>(length) : sizeof line - 3;
    line[used] = '\n';
    unique_file file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file)
        (void)WriteFile(file.get(), line, static_cast<DWORD>(used + 1), &written, nullptr);
}
} // namespace olstandin
