// common/boundary.h: nothing escapes an export, a window procedure, a hook, a thread entry or a
// COM method. TrapExceptions runs a body and turns a C++ exception, or on Windows a hardware
// fault (access violation, division by zero, ...), into a logged failure value.
#pragma once

#include <cstdint>
#include <exception>
#include <type_traits>
#include <utility>

// Runs p_pfnBody(p_pContext). On Windows a hardware fault inside it is caught: the call returns
// false with the fault's code and address, and execution resumes here. Frames between the fault
// and this call are abandoned without their destructors, as a C __except would; the guard is
// for keeping the host process alive, not for normal control flow.
bool RunWithFaultGuard(void (*p_pfnBody)(void*), void* p_pContext, uint32_t& p_dwCode, void*& p_pAddress);

// Logs "Exception of type %s caught in module %s" for a structured exception at p_pAddress.
void LogExceptionInModule(uint32_t p_dwCode, const void* p_pAddress);
// Logs "Exception trapped in %s".
void LogExceptionTrapped(const char* p_szName);

template <typename R, typename F> R TrapExceptions(const char* p_szName, R p_failure, F&& p_body)
{
    struct CCall
    {
        F* m_pBody;
        R m_result;
        bool m_bThrew;
    } call{&p_body, p_failure, false};
    const auto thunk = [](void* p_pCall) {
        auto* c = static_cast<CCall*>(p_pCall);
        try
        {
            c->m_result = (*c->m_pBody)();
        }
        catch (...)
        {
            c->m_bThrew = true;
        }
    };
    uint32_t code = 0;
    void* address = nullptr;
    if (!RunWithFaultGuard(thunk, &call, code, address))
    {
        LogExceptionInModule(code, address);
        LogExceptionTrapped(p_szName);
        return p_failure;
    }
    if (call.m_bThrew)
    {
        LogExceptionTrapped(p_szName);
        return p_failure;
    }
    return call.m_result;
}

// For bodies without a result.
template <typename F> bool TrapExceptionsVoid(const char* p_szName, F&& p_body)
{
    return TrapExceptions(p_szName, false, [&] {
        p_body();
        return true;
    });
}
