// common/handle_win.h: owner objects for Windows handles and COM pointers.
// One template covers every handle kind; the traits say what "no handle" is and how to free one.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits> class unique_any
{
  public:
    using pointer = typename Traits::pointer;

    unique_any() noexcept : m_h(Traits::invalid())
    {
    }
    explicit unique_any(pointer p_h) noexcept : m_h(p_h)
    {
    }
    ~unique_any()
    {
        reset();
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& p_o) noexcept : m_h(p_o.release())
    {
    }
    unique_any& operator=(unique_any&& p_o) noexcept
    {
        if (this != &p_o)
            reset(p_o.release());
        return *this;
    }

    pointer get() const noexcept
    {
        return m_h;
    }
    explicit operator bool() const noexcept
    {
        return m_h != Traits::invalid();
    }
    pointer release() noexcept
    {
        return std::exchange(m_h, Traits::invalid());
    }
    void reset(pointer p_h = Traits::invalid()) noexcept
    {
        if (m_h != Traits::invalid())
            Traits::close(m_h);
        m_h = p_h;
    }
    // For out-parameters: frees what is held and hands out the slot.
    pointer* put() noexcept
    {
        reset();
        return &m_h;
    }

  private:
    pointer m_h;
};

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

using unique_handle = unique_any<handle_traits>;
using unique_file = unique_any<file_handle_traits>;
using unique_hkey = unique_any<hkey_traits>;
using unique_hmodule = unique_any<hmodule_traits>;
using unique_hglobal = unique_any<hglobal_traits>;

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

    // Takes over a reference the caller already owns.
    void attach(T* p_p) noexcept
    {
        reset();
        m_p = p_p;
    }
    T* detach() noexcept
    {
        return std::exchange(m_p, nullptr);
    }
    void reset() noexcept
    {
        if (m_p)
            std::exchange(m_p, nullptr)->Release();
    }
    T** put() noexcept
    {
        reset();
        return &m_p;
    }
    void** put_void() noexcept
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
