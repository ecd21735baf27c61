// common/unique_any.h: one owner template for every kind of resource handle, and scope_exit.
// Portable: the Windows handle kinds add their traits in handle_win.h.
#pragma once

#include <cstdio>
#include <utility>

// Owns one handle and frees it through Traits::close when it goes. Traits name the handle type
// (pointer), the value that means "no handle" (invalid) and how to free one (close).
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

    [[nodiscard]] pointer get() const noexcept
    {
        return m_h;
    }
    explicit operator bool() const noexcept
    {
        return m_h != Traits::invalid();
    }
    [[nodiscard]] pointer release() noexcept
    {
        return std::exchange(m_h, Traits::invalid());
    }
    void reset(pointer p_h = Traits::invalid()) noexcept
    {
        const pointer old = std::exchange(m_h, p_h);
        if (old != Traits::invalid())
            Traits::close(old);
    }
    // For out-parameters: frees what is held and hands out the slot.
    [[nodiscard]] pointer* put() noexcept
    {
        reset();
        return &m_h;
    }

  private:
    pointer m_h;
};

struct file_ptr_traits
{
    using pointer = FILE*;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_p) noexcept
    {
        std::fclose(p_p);
    }
};
using unique_file_ptr = unique_any<file_ptr_traits>;

// Runs a function when the scope ends, however it ends, unless released first.
template <typename F> class scope_exit
{
  public:
    explicit scope_exit(F p_fn) noexcept : m_fn(std::move(p_fn))
    {
    }
    ~scope_exit()
    {
        if (m_bArmed)
            m_fn();
    }
    scope_exit(const scope_exit&) = delete;
    scope_exit& operator=(const scope_exit&) = delete;

    // The function will not run.
    void release() noexcept
    {
        m_bArmed = false;
    }

  private:
    F m_fn;
    bool m_bArmed = true;
};
template <typename F> scope_exit(F) -> scope_exit<F>;
