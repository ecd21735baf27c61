// common/com_ref_count_win.h: the reference count of a COM object that deletes itself when its
// last reference goes.
#pragma once

#include "common/boundary.h"

#include <windows.h>

class CComRefCount
{
  public:
    ULONG AddRef()
    {
        return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
    }

    // Deletes p_pOwner with the last reference. Release is called by other components, so a fault
    // in the destructor is trapped and logged under p_szName rather than let through to them.
    template <class TOwner> ULONG Release(TOwner* p_pOwner, const char* p_szName)
    {
        const LONG refs = InterlockedDecrement(&m_lRefs);
        if (refs == 0)
            TrapExceptionsVoid(p_szName, [p_pOwner] { delete p_pOwner; });
        return static_cast<ULONG>(refs);
    }

  private:
    LONG m_lRefs = 1;
};
