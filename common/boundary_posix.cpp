// common/boundary_posix.cpp: natively a fault is left to the sanitizers and the debugger.
#include "common/boundary.h"

bool RunWithFaultGuard(void (*p_pfnBody)(void*), void* p_pContext, uint32_t& p_dwCode, void*& p_pAddress)
{
    p_dwCode = 0;
    p_pAddress = nullptr;
    p_pfnBody(p_pContext);
    return true;
}
