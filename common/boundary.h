// common/boundary.h: nothing escapes an export, a window procedure, a hook, a thread entry or a
// COM method. TrapExceptions runs a body and turns a C++ exception, or on Windows a hardware
// fault (access violation, division by zero, ...), into a logged failure value, running the
// destructors of the frames it leaves.
#pragma once

#include <cstdint>
#include <exception>
#include <type_traits>
#include <utility>

// A hardware fault raised inside a guarded body, as a C++ exception (Windows only).
struct CHardwareFault
{
    uint32_t m_dwCode;
    void* m_pAddress;
};

// Runs p_pfnBody(p_pContext). On Windows a hardware fault inside it is caught: the call returns
// false with the fault's code and address.
//
// How a fault unwinds: our code is compiled with -fnon-call-exceptions, so every instruction that
// can trap (a load, a store, a division) lies in a call-site range of its function's exception
// table. A vectored handler sees the fault first; when the faulting thread has armed a guard, it
// rewrites the thread's context as if the faulting instruction had called a small trampoline
// that throws CHardwareFault{code, address}: the trampoline's return address is the faulting
// address + 1 (the unwinder looks up "return address - 1", which then lies inside the faulting
// instruction, not in the one before it, whose range may lack the newest destructor). The
// exception then unwinds like any C++ throw and runs the destructors of every frame between the
// fault and the guard (locks, com_ptr, unique_any handles), on win64 through the SEH tables
// (.pdata/.xdata), on win32 through the DWARF (dw2) tables of Debian's i686 posix compiler.
//
// Limits:
// - A fault in a destructor or a noexcept function terminates the process (as any throw there).
// - A fault in code built without -fnon-call-exceptions whose function has an exception table
//   (another C++ library) may not be covered by that table; the unwinder then terminates.
//   Code without exception tables (the C runtime, system DLLs) unwinds cleanly on win64.
// - catch (...) in a guarded body also catches a CHardwareFault.
// - Before rewriting the context the handler walks the frames from the fault up to the guard;
//   when one of them cannot be unwound (no unwind information on win64; on win32 a frame whose
//   address lies outside this module's DWARF tables, e.g. a system DLL calling back into us), or
//   when a second fault hits under the same guard before it has returned from the first (a
//   fault in a cleanup, or a body that caught the first), it falls back to resuming at the
//   context the guard captured, abandoning the frames in between without their destructors.
// - A fault outside any guard is left alone and reaches the crash report.
[[nodiscard]] bool RunWithFaultGuard(void (*p_pfnBody)(void*), void* p_pContext, uint32_t& p_dwCode, void*& p_pAddress);

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
        catch (const CHardwareFault&)
        {
            throw; // RunWithFaultGuard reports it with its code and address
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
