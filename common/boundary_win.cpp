// common/boundary_win.cpp: the hardware-fault guard. gcc has no __try/__except, so a vectored
// handler, registered last, turns a fault on a thread that has armed a guard into a C++ throw of
// CHardwareFault from the faulting instruction (see boundary.h for the mechanism and its limits).
#include "common/boundary.h"

#include "common/platform.h"

#include <windows.h>

// The trampoline the faulting thread is redirected into. It is entered with the faulting address
// + 1 as its return address, the fault's code in ecx/rcx and its address in edx/rdx. It keeps a
// frame pointer (the unwinder finds the faulting frame from it whatever the faulting stack's
// alignment was), aligns the stack and calls BrevoltThrowHardwareFault, which never returns.
extern "C" void BrevoltFaultTrampoline();
extern "C" [[noreturn]] __attribute__((used)) void BrevoltThrowHardwareFault(uint32_t p_dwCode, void* p_pAddress)
{
    throw CHardwareFault{p_dwCode, p_pAddress};
}

#if defined(__x86_64__)
asm(R"(
    .text
    .globl BrevoltFaultTrampoline
    .def BrevoltFaultTrampoline; .scl 2; .type 32; .endef
    .seh_proc BrevoltFaultTrampoline
BrevoltFaultTrampoline:
    pushq %rbp
    .seh_pushreg %rbp
    movq %rsp, %rbp
    .seh_setframe %rbp, 0
    .seh_endprologue
    andq $-16, %rsp
    subq $32, %rsp
    call BrevoltThrowHardwareFault
    int3
    .seh_endproc
)");
#elif defined(__i386__)
asm(R"(
    .text
    .globl _BrevoltFaultTrampoline
    .def _BrevoltFaultTrampoline; .scl 2; .type 32; .endef
_BrevoltFaultTrampoline:
    .cfi_startproc
    pushl %ebp
    .cfi_def_cfa_offset 8
    .cfi_offset %ebp, -8
    movl %esp, %ebp
    .cfi_def_cfa_register %ebp
    andl $-16, %esp
    subl $16, %esp
    movl %ecx, (%esp)
    movl %edx, 4(%esp)
    call _BrevoltThrowHardwareFault
    int3
    .cfi_endproc
)");

// libgcc's lookup of the DWARF unwind entry covering an address, among the tables this module
// registered at start-up (each module links its own copy of the unwinder).
struct dwarf_eh_bases
{
    void* tbase;
    void* dbase;
    void* func;
};
extern "C" const void* _Unwind_Find_FDE(void* p_pPc, dwarf_eh_bases* p_pBases);
#else
#error "the fault guard knows x86_64 and i386 only"
#endif

namespace
{
struct CGuardFrame
{
    alignas(16) CONTEXT m_oResume;
    CGuardFrame* m_pOuter = nullptr;
    // Set when a fault was turned into a throw; a second fault before the guard returns resumes
    // at m_oResume instead.
    volatile bool m_bThrown = false;
    volatile bool m_bTripped = false;
    uint32_t m_dwCode = 0;
    void* m_pAddress = nullptr;
};

// Only faults of the processor are trapped. Software exceptions (C++ throws, RPC and debugger
// notifications) have handlers of their own further down the stack and must reach them.
[[nodiscard]] bool IsHardwareFault(DWORD p_dwCode)
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

constexpr int kMaxFramesToGuard = 512;

#if defined(__x86_64__)
// Walks the frames from the fault to the guard's frame with the system's unwinder, which is the
// one the throw will use: every frame needs unwind information.
[[nodiscard]] bool CanUnwindToGuard(const CONTEXT& p_oFault, const void* p_pGuard)
{
    CONTEXT context = p_oFault;
    const auto guard = reinterpret_cast<DWORD64>(p_pGuard);
    for (int i = 0; i < kMaxFramesToGuard; ++i)
    {
        if (context.Rsp > guard)
            return true;
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
        if (function == nullptr)
            return false;
        PVOID handlerData = nullptr;
        DWORD64 establisher = 0;
        RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData, &establisher,
                         nullptr);
        if (context.Rip == 0)
            return false;
    }
    return false;
}

void RedirectToThrow(CONTEXT& p_oContext, DWORD p_dwCode, void* p_pAddress)
{
    p_oContext.Rsp -= sizeof(DWORD64);
    *reinterpret_cast<DWORD64*>(p_oContext.Rsp) = p_oContext.Rip + 1;
    p_oContext.Rip = reinterpret_cast<DWORD64>(&BrevoltFaultTrampoline);
    p_oContext.Rcx = p_dwCode;
    p_oContext.Rdx = reinterpret_cast<DWORD64>(p_pAddress);
}
#else
[[nodiscard]] bool HasUnwindEntry(DWORD p_dwPc)
{
    dwarf_eh_bases bases = {};
    return _Unwind_Find_FDE(reinterpret_cast<void*>(p_dwPc), &bases) != nullptr;
}

// libgcc's DWARF unwinder knows only this module's tables and cannot step over a frame without
// them. Every module keeps its frame-pointer chain, so the chain from the faulting frame up to
// the guard shows whether the throw would reach the guard.
[[nodiscard]] bool CanUnwindToGuard(const CONTEXT& p_oFault, const void* p_pGuard)
{
    if (!HasUnwindEntry(p_oFault.Eip))
        return false;
    const auto guard = reinterpret_cast<DWORD>(p_pGuard);
    DWORD frame = p_oFault.Ebp;
    DWORD low = p_oFault.Esp;
    for (int i = 0; i < kMaxFramesToGuard; ++i)
    {
        if (frame > guard)
            return true;
        if (frame < low || (frame & 3) != 0)
            return false;
        const auto* slots = reinterpret_cast<const DWORD*>(frame);
        if (!HasUnwindEntry(slots[1] - 1))
            return false;
        low = frame + 8;
        frame = slots[0];
    }
    return false;
}

void RedirectToThrow(CONTEXT& p_oContext, DWORD p_dwCode, void* p_pAddress)
{
    p_oContext.Esp -= sizeof(DWORD);
    *reinterpret_cast<DWORD*>(p_oContext.Esp) = p_oContext.Eip + 1;
    p_oContext.Eip = reinterpret_cast<DWORD>(&BrevoltFaultTrampoline);
    p_oContext.Ecx = p_dwCode;
    p_oContext.Edx = reinterpret_cast<DWORD>(p_pAddress);
}
#endif

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
        void* address = p_pException->ExceptionRecord->ExceptionAddress;
        if (!frame->m_bThrown && CanUnwindToGuard(*p_pException->ContextRecord, frame))
        {
            frame->m_bThrown = true;
            RedirectToThrow(*p_pException->ContextRecord, code, address);
            return EXCEPTION_CONTINUE_EXECUTION;
        }
        frame->m_bTripped = true;
        frame->m_dwCode = code;
        frame->m_pAddress = address;
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
    // Reached a second time, with m_bTripped set, when a fault could not be thrown.
    if (!frame.m_bTripped)
    {
        try
        {
            p_pfnBody(p_pContext);
        }
        catch (const CHardwareFault& fault)
        {
            frame.m_dwCode = fault.m_dwCode;
            frame.m_pAddress = fault.m_pAddress;
            frame.m_bTripped = true;
        }
    }
    guards.SetTop(frame.m_pOuter);
    p_dwCode = frame.m_dwCode;
    p_pAddress = frame.m_pAddress;
    return !frame.m_bTripped;
}
