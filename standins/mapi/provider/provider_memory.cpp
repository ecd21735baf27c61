// standins/mapi/provider/provider_memory.cpp: MAPI memory: a buffer and everything allocated
// "more" on it are freed together by one MAPIFreeBuffer.
#include "standins/mapi/provider/provider.h"

namespace mapiprov
{
namespace
{
constexpr DWORD kBlockMagic = 0x4D415049; // 'MAPI'
struct alignas(16) CBlock
{
    CBlock* m_pNext; // the chain of "more" blocks hanging off a root
    DWORD m_dwMagic;
    BOOL m_bRoot;
};
CRITICAL_SECTION g_csAlloc;
struct CAllocInit
{
    CAllocInit()
    {
        InitializeCriticalSection(&g_csAlloc);
    }
} g_allocInit;

CBlock* Header(void* p_p)
{
    return p_p ? reinterpret_cast<CBlock*>(static_cast<char*>(p_p) - sizeof(CBlock)) : nullptr;
}
} // namespace
} // namespace mapiprov

using namespace mapiprov;

namespace
{
SCODE AllocateBuffer(ULONG cbSize, LPVOID* lppBuffer)
{
    if (!lppBuffer)
        return MAPI_E_INVALID_PARAMETER;
    *lppBuffer = nullptr;
    auto* b = static_cast<CBlock*>(calloc(1, sizeof(CBlock) + cbSize));
    if (!b)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    b->m_dwMagic = kBlockMagic;
    b->m_bRoot = TRUE;
    *lppBuffer = b + 1;
    return S_OK;
}

SCODE AllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer)
{
    if (!lppBuffer)
        return MAPI_E_INVALID_PARAMETER;
    *lppBuffer = nullptr;
    CBlock* parent = Header(lpObject);
    if (!parent || parent->m_dwMagic != kBlockMagic || !parent->m_bRoot)
        return MAPI_E_INVALID_PARAMETER;
    auto* b = static_cast<CBlock*>(calloc(1, sizeof(CBlock) + cbSize));
    if (!b)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    b->m_dwMagic = kBlockMagic;
    EnterCriticalSection(&g_csAlloc);
    b->m_pNext = parent->m_pNext;
    parent->m_pNext = b;
    LeaveCriticalSection(&g_csAlloc);
    *lppBuffer = b + 1;
    return S_OK;
}

ULONG FreeBuffer(LPVOID lpBuffer)
{
    CBlock* b = Header(lpBuffer);
    if (!b)
        return S_OK;
    if (b->m_dwMagic != kBlockMagic || !b->m_bRoot)
        return static_cast<ULONG>(MAPI_E_INVALID_PARAMETER); // not a buffer of ours, or a "more" block
    EnterCriticalSection(&g_csAlloc);
    CBlock* next = b->m_pNext;
    LeaveCriticalSection(&g_csAlloc);
    b->m_dwMagic = 0;
    free(b);
    while (next)
    {
        CBlock* n = next->m_pNext;
        next->m_dwMagic = 0;
        free(next);
        next = n;
    }
    return S_OK;
}

} // namespace

extern "C" SCODE WINAPI MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer)
{
    return TrapExceptions("MAPIAllocateBuffer", static_cast<SCODE>(MAPI_E_NOT_ENOUGH_MEMORY),
                          [&] { return AllocateBuffer(cbSize, lppBuffer); });
}

extern "C" SCODE WINAPI MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer)
{
    return TrapExceptions("MAPIAllocateMore", static_cast<SCODE>(MAPI_E_NOT_ENOUGH_MEMORY),
                          [&] { return AllocateMore(cbSize, lpObject, lppBuffer); });
}

extern "C" ULONG WINAPI MAPIFreeBuffer(LPVOID lpBuffer)
{
    return TrapExceptions("MAPIFreeBuffer", static_cast<ULONG>(MAPI_E_INVALID_PARAMETER),
                          [&] { return FreeBuffer(lpBuffer); });
}
