// common/boundary_win.cpp: the hardware-fault guard. gcc has no __try/__except, so a vectored
// handler, registered last, catches a fault on a thread that has armed a guard and resumes the
// thread at the context its guard captured.
#include "common/boundary.h"

#include "common/platform.h"

#include <windows.h>

namespace
{
struct CGuardFrame
{
    alignas(16) CONTEXT m_oResume;
    CGuardFrame* m_pOuter = nullptr;
    volatile bool m_bTripped = false;
    uint32_t m_dwCode = 0;
    void* m_pAddress = nullptr;
};

// Only faults of the processor are trapped. Software exceptions (C++ throws, RPC and debugger
// notifications) have handlers of their own further down the stack and must reach them.
bool IsHardwareFault(DWORD p_dwCode)
{
    switch (p_dwCode)
    {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
        return true;
    }
    return false;
}

class CFaultGuards
{
  public:
    CFaultGuards() : m_pHandler(AddVectoredExceptionHandler(0, &CFaultGuards::Handler))
    {
        s_pInstance = this;
    }
    ~CFaultGuards()
    {
        if (m_pHandler != nullptr)
            RemoveVectoredExceptionHandler(m_pHandler);
        s_pInstance = nullptr;
    }

    CGuardFrame* Top() const
    {
        return static_cast<CGuardFrame*>(m_oTop.Get());
    }
    void SetTop(CGuardFrame* p_pFrame)
    {
        m_oTop.Set(p_pFrame);
    }

  private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* p_pException)
    {
        CFaultGuards* self = s_pInstance;
        if (self == nullptr)
            return EXCEPTION_CONTINUE_SEARCH;
        CGuardFrame* frame = self->Top();
        const DWORD code = p_pException->ExceptionRecord->ExceptionCode;
        if (frame == nullptr || frame->m_bTripped || !IsHardwareFault(code))
            return EXCEPTION_CONTINUE_SEARCH;
        frame->m_bTripped = true;
        frame->m_dwCode = code;
        frame->m_pAddress = p_pException->ExceptionRecord->ExceptionAddress;
        *p_pException->ContextRecord = frame->m_oResume;
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    static CFaultGuards* s_pInstance;
    platform::CThreadSlot m_oTop;
    PVOID m_pHandler;
};

CFaultGuards* CFaultGuards::s_pInstance = nullptr;

CFaultGuards& Guards()
{
    static CFaultGuards s_oGuards;
    return s_oGuards;
}
} // namespace

__attribute__((noinline)) bool RunWithFaultGuard(void (*p_pfnBody)(void*), void* p_pContext, uint32_t& p_dwCode,
                                                 void*& p_pAddress)
{
    CFaultGuards& guards = Guards();
    CGuardFrame frame;
    frame.m_pOuter = guards.Top();
    guards.SetTop(&frame);
    RtlCaptureContext(&frame.m_oResume);
    // Reached a second time, with m_bTripped set, when the body faulted.
    if (!frame.m_bTripped)
        p_pfnBody(p_pContext);
    guards.SetTop(frame.m_pOuter);
    p_dwCode = frame.m_dwCode;
    p_pAddress = frame.m_pAddress;
    return !frame.m_bTripped;
}
