// common/failure_log.h: the one way a failing call is logged. Each failure is written once,
// where it happened, as "<Class::Method>: <call> failed: <result>", and the result is handed back
// so that the caller can go on deciding with it:
//
//     RETURN_IF_FAILED(p_pStream->Write(data, size, nullptr));
//     if (!LOG_IF_WIN32_BOOL_FALSE(SetEvent(m_hDone))) ...
//     LOG_FAILURE("slot %u could not be cleared", slot);
//
// Results print by kind: "hr 0x80004005", "error 5", "MAPI 0x8004010F". Portable: the last error
// is read through the platform seam.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

enum class EResultKind
{
    HResult,    // a COM result: negative is failure
    Win32Error, // a system error code: non-zero is failure (GetLastError, Reg* results)
    MapiResult, // an Extended MAPI result: an HRESULT with MAPI's own codes
};

// "bool CRuleManager::Load(int) const" -> "CRuleManager::Load". A lambda's name keeps its
// enclosing function: "CSMSWindow::OnCommand::<lambda>".
std::string FunctionNameOf(const char* p_szPrettyFunction);
// "hr 0x80004005", "error 5", "MAPI 0x8004010F".
std::string FormatResult(EResultKind p_eKind, uint32_t p_dwResult);

// Writes "<function>: <call> failed: <result>" to the module's trace log.
void LogCallFailure(const char* p_szPrettyFunction, const char* p_szCall, EResultKind p_eKind, uint32_t p_dwResult);
// Writes "<function>: <text>" for a failure that has no result code of its own.
void LogFailure(const char* p_szPrettyFunction, const char* p_szFormat, ...) __attribute__((format(printf, 2, 3)));

namespace failure_log
{
uint32_t LastError();

template <typename H> inline H IfFailed(const char* p_szFunction, const char* p_szCall, EResultKind p_eKind, H p_hr)
{
    if (static_cast<int32_t>(p_hr) < 0)
        LogCallFailure(p_szFunction, p_szCall, p_eKind, static_cast<uint32_t>(p_hr));
    return p_hr;
}

template <typename E> inline E IfError(const char* p_szFunction, const char* p_szCall, E p_error)
{
    if (p_error != 0)
        LogCallFailure(p_szFunction, p_szCall, EResultKind::Win32Error, static_cast<uint32_t>(p_error));
    return p_error;
}

// For calls that report failure by a false, zero or null result and say why in the last error.
template <typename T> inline T IfFalse(const char* p_szFunction, const char* p_szCall, T p_result)
{
    if (!p_result)
        LogCallFailure(p_szFunction, p_szCall, EResultKind::Win32Error, LastError());
    return p_result;
}
} // namespace failure_log

// An HRESULT call: logs when it failed; yields the HRESULT.
#define LOG_IF_FAILED(expr) failure_log::IfFailed(__PRETTY_FUNCTION__, #expr, EResultKind::HResult, (expr))
// An Extended MAPI call: logs when it failed; yields the result.
#define LOG_IF_MAPI_FAILED(expr) failure_log::IfFailed(__PRETTY_FUNCTION__, #expr, EResultKind::MapiResult, (expr))
// A call that returns a system error code (0 is success): logs a non-zero one; yields it.
#define LOG_IF_WIN32_ERROR(expr) failure_log::IfError(__PRETTY_FUNCTION__, #expr, (expr))
// A call that returns FALSE, 0 or null on failure with the reason in the last error: logs it;
// yields the call's result.
#define LOG_IF_WIN32_BOOL_FALSE(expr) failure_log::IfFalse(__PRETTY_FUNCTION__, #expr, (expr))
// Returns the HRESULT of a failed call from the enclosing function, after logging it.
#define RETURN_IF_FAILED(expr)                                                                                         \
    do                                                                                                                 \
    {                                                                                                                  \
        const auto hr_ = LOG_IF_FAILED(expr);                                                                          \
        if (static_cast<int32_t>(hr_) < 0)                                                                             \
            return hr_;                                                                                                \
    } while (0)
// A failure without a result code: "<function>: <text>".
#define LOG_FAILURE(...) LogFailure(__PRETTY_FUNCTION__, __VA_ARGS__)
