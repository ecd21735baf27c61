// Addressbook/frame/thread_slots.cpp: CThreadSlots over TlsAlloc.
#include "Addressbook/frame/thread_slots.h"

#include "common/failure_log.h"
#include "common/trace_log.h"

#include <string>

namespace
{
size_t IndexOf(ESlot p_eSlot)
{
    return static_cast<size_t>(p_eSlot);
}
} // namespace

CThreadSlots::CThreadSlots()
{
    for (DWORD& index : m_adwIndex)
        index = TLS_OUT_OF_INDEXES;
}

CThreadSlots::~CThreadSlots()
{
    FreeAll();
}

bool CThreadSlots::Allocate(const CSlotRange& p_oRange)
{
    const size_t first = IndexOf(p_oRange.m_eFirst);
    for (size_t i = first; i < first + p_oRange.m_nCount && i < IndexOf(ESlot::Count); ++i)
    {
        if (m_adwIndex[i] != TLS_OUT_OF_INDEXES)
            continue;
        const DWORD index = TlsAlloc();
        if (index == TLS_OUT_OF_INDEXES)
        {
            const std::string call = "TlsAlloc() for slot " + std::to_string(i);
            LogCallFailure(__PRETTY_FUNCTION__, call.c_str(), EResultKind::Win32Error, GetLastError());
            return false;
        }
        m_adwIndex[i] = index;
    }
    return true;
}

void CThreadSlots::FreeAll()
{
    for (DWORD& index : m_adwIndex)
    {
        if (index == TLS_OUT_OF_INDEXES)
            continue;
        TlsFree(index);
        index = TLS_OUT_OF_INDEXES;
    }
}

bool CThreadSlots::IsAllocated(ESlot p_eSlot) const
{
    return p_eSlot < ESlot::Count && m_adwIndex[IndexOf(p_eSlot)] != TLS_OUT_OF_INDEXES;
}

void* CThreadSlots::Get(ESlot p_eSlot) const
{
    return IsAllocated(p_eSlot) ? TlsGetValue(m_adwIndex[IndexOf(p_eSlot)]) : nullptr;
}

bool CThreadSlots::Set(ESlot p_eSlot, void* p_pValue)
{
    return IsAllocated(p_eSlot) && TlsSetValue(m_adwIndex[IndexOf(p_eSlot)], p_pValue) != FALSE;
}
