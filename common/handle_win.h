// common/handle_win.h: owner objects for Windows handles and COM pointers.
// unique_any (common/unique_any.h) covers every handle kind; the traits here say what "no handle"
// is and how to free one. MAPI's buffers and row sets have theirs in mapi_owner_win.h.
#pragma once

#include "common/unique_any.h"

#include <windows.h>
#include <oleauto.h>

#include <utility>

struct handle_traits
{
    using pointer = HANDLE;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ::CloseHandle(p_h);
    }
};

struct file_handle_traits
{
    using pointer = HANDLE;
    static pointer invalid() noexcept
    {
        return INVALID_HANDLE_VALUE;
    }
    static void close(pointer p_h) noexcept
    {
        ::CloseHandle(p_h);
    }
};

// A FindFirstFile search, ended with FindClose.
struct find_handle_traits
{
    using pointer = HANDLE;
    static pointer invalid() noexcept
    {
        return INVALID_HANDLE_VALUE;
    }
    static void close(pointer p_h) noexcept
    {
        ::FindClose(p_h);
    }
};

struct hkey_traits
{
    using pointer = HKEY;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ::RegCloseKey(p_h);
    }
};

struct hmodule_traits
{
    using pointer = HMODULE;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ::FreeLibrary(p_h);
    }
};

struct hglobal_traits
{
    using pointer = HGLOBAL;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ::GlobalFree(p_h);
    }
};

struct hhook_traits
{
    using pointer = HHOOK;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ::UnhookWindowsHookEx(p_h);
    }
};

// Fonts, bitmaps and brushes the code created: DeleteObject.
template <typename T> struct gdi_object_traits
{
    using pointer = T;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ::DeleteObject(p_h);
    }
};

// A device context made by CreateDC or CreateCompatibleDC. One from GetDC is released with its
// window: use unique_window_dc.
struct hdc_traits
{
    using pointer = HDC;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ::DeleteDC(p_h);
    }
};

struct hmenu_traits
{
    using pointer = HMENU;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ::DestroyMenu(p_h);
    }
};

struct hwnd_traits
{
    using pointer = HWND;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ::DestroyWindow(p_h);
    }
};

struct bstr_traits
{
    using pointer = BSTR;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_h) noexcept
    {
        ::SysFreeString(p_h);
    }
};

using unique_handle = unique_any<handle_traits>;
using unique_file = unique_any<file_handle_traits>;
using unique_find_handle = unique_any<find_handle_traits>;
using unique_hkey = unique_any<hkey_traits>;
using unique_hmodule = unique_any<hmodule_traits>;
using unique_hglobal = unique_any<hglobal_traits>;
using unique_hhook = unique_any<hhook_traits>;
using unique_hfont = unique_any<gdi_object_traits<HFONT>>;
using unique_hbitmap = unique_any<gdi_object_traits<HBITMAP>>;
using unique_hbrush = unique_any<gdi_object_traits<HBRUSH>>;
using unique_hdc = unique_any<hdc_traits>;
using unique_hmenu = unique_any<hmenu_traits>;
using unique_hwnd = unique_any<hwnd_traits>;
using unique_bstr = unique_any<bstr_traits>;

// A window's device context from GetDC, released to its window.
class unique_window_dc
{
  public:
    explicit unique_window_dc(HWND p_hWnd) noexcept : m_hWnd(p_hWnd), m_hDC(::GetDC(p_hWnd))
    {
    }
    ~unique_window_dc()
    {
        if (m_hDC != nullptr)
            ::ReleaseDC(m_hWnd, m_hDC);
    }
    unique_window_dc(const unique_window_dc&) = delete;
    unique_window_dc& operator=(const unique_window_dc&) = delete;

    [[nodiscard]] HDC get() const noexcept
    {
        return m_hDC;
    }
    explicit operator bool() const noexcept
    {
        return m_hDC != nullptr;
    }

  private:
    HWND m_hWnd;
    HDC m_hDC;
};

// Restores the objects a drawing selected into a device context, and its saved state.
class dc_state_guard
{
  public:
    explicit dc_state_guard(HDC p_hDC) noexcept : m_hDC(p_hDC), m_iSaved(::SaveDC(p_hDC))
    {
    }
    ~dc_state_guard()
    {
        if (m_iSaved != 0)
            ::RestoreDC(m_hDC, m_iSaved);
    }
    dc_state_guard(const dc_state_guard&) = delete;
    dc_state_guard& operator=(const dc_state_guard&) = delete;

  private:
    HDC m_hDC;
    int m_iSaved;
};

// A COM interface pointer that releases what it holds.
template <typename T> class com_ptr
{
  public:
    com_ptr() noexcept = default;
    com_ptr(const com_ptr& p_o) noexcept : m_p(p_o.m_p)
    {
        if (m_p)
            m_p->AddRef();
    }
    com_ptr(com_ptr&& p_o) noexcept : m_p(std::exchange(p_o.m_p, nullptr))
    {
    }
    ~com_ptr()
    {
        reset();
    }
    com_ptr& operator=(com_ptr p_o) noexcept
    {
        std::swap(m_p, p_o.m_p);
        return *this;
    }

    // Shares p_p: takes a reference of its own.
    static com_ptr copy_from(T* p_p) noexcept
    {
        com_ptr result;
        result.m_p = p_p;
        if (p_p)
            p_p->AddRef();
        return result;
    }

    // The interface U of the same object, or an empty pointer when it has none.
    template <typename U> [[nodiscard]] com_ptr<U> query() const noexcept
    {
        com_ptr<U> result;
        if (m_p)
            (void)m_p->QueryInterface(__uuidof(U), result.put_void());
        return result;
    }
    // For interfaces the headers give no __uuidof (MAPI's): the id is named.
    template <typename U> [[nodiscard]] com_ptr<U> query(REFIID p_riid) const noexcept
    {
        com_ptr<U> result;
        if (m_p)
            (void)m_p->QueryInterface(p_riid, result.put_void());
        return result;
    }
    // As query, with the call's result for the caller to log.
    template <typename U> [[nodiscard]] HRESULT query_to(com_ptr<U>& p_oResult) const noexcept
    {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(__uuidof(U), p_oResult.put_void());
    }

    // Takes over a reference the caller already owns.
    void attach(T* p_p) noexcept
    {
        reset();
        m_p = p_p;
    }
    [[nodiscard]] T* detach() noexcept
    {
        return std::exchange(m_p, nullptr);
    }
    void reset() noexcept
    {
        if (m_p)
            std::exchange(m_p, nullptr)->Release();
    }
    [[nodiscard]] T** put() noexcept
    {
        reset();
        return &m_p;
    }
    [[nodiscard]] void** put_void() noexcept
    {
        return reinterpret_cast<void**>(put());
    }
    T* get() const noexcept
    {
        return m_p;
    }
    T* operator->() const noexcept
    {
        return m_p;
    }
    explicit operator bool() const noexcept
    {
        return m_p != nullptr;
    }

  private:
    T* m_p = nullptr;
};
