// common/mapi_owner_win.h: owners for what Extended MAPI hands out: buffers freed with
// MAPIFreeBuffer, row sets with FreeProws, address lists with FreePadrlist.
// The product loads the MAPI library at run time, so the owners free through the functions the
// loader recorded with SetMapiFreeFunctions; until it has, they free nothing (nothing can have
// been allocated by a library that is not loaded).
#pragma once

#include "common/unique_any.h"

#include <windows.h>
#include <mapidefs.h>
#include <mapix.h>

struct CMapiFreeFunctions
{
    ULONG(STDAPICALLTYPE* m_pfnFreeBuffer)(LPVOID) = nullptr;
    void(STDAPICALLTYPE* m_pfnFreeProws)(LPSRowSet) = nullptr;
    void(STDAPICALLTYPE* m_pfnFreePadrlist)(LPADRLIST) = nullptr;
};

// The process's MAPI free functions. Set once, by the code that loads the MAPI library, before
// any MAPI call; cleared when it unloads.
CMapiFreeFunctions& MapiFreeFunctions();
inline void SetMapiFreeFunctions(const CMapiFreeFunctions& p_oFunctions)
{
    MapiFreeFunctions() = p_oFunctions;
}

template <typename T> struct mapi_buffer_traits
{
    using pointer = T*;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_p) noexcept
    {
        if (auto free = MapiFreeFunctions().m_pfnFreeBuffer)
            free(p_p);
    }
};

struct mapi_rows_traits
{
    using pointer = LPSRowSet;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_p) noexcept
    {
        if (auto free = MapiFreeFunctions().m_pfnFreeProws)
            free(p_p);
    }
};

struct mapi_adrlist_traits
{
    using pointer = LPADRLIST;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_p) noexcept
    {
        if (auto free = MapiFreeFunctions().m_pfnFreePadrlist)
            free(p_p);
    }
};

// A buffer MAPI allocated (property values, entry ids, tag arrays).
template <typename T> using unique_mapi_buffer = unique_any<mapi_buffer_traits<T>>;
using unique_mapi_rows = unique_any<mapi_rows_traits>;
using unique_mapi_adrlist = unique_any<mapi_adrlist_traits>;
