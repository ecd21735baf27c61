// standins/mapi/provider/provider_dialog_template.h: an in-memory dialog template for the
// provider's own modal windows (details, name resolution): the stand-in DLL carries no resources.
#pragma once

#include <windows.h>

#include <cwchar>
#include <vector>

namespace mapiprov
{
// An in-memory dialog template: the header, then one item after another, each DWORD aligned.
class CTemplate
{
  public:
    CTemplate(const wchar_t* p_szCaption, short p_cx, short p_cy)
    {
        DLGTEMPLATE t{};
        t.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        t.cx = p_cx;
        t.cy = p_cy;
        Append(&t, sizeof(t));
        Word(0); // no menu
        Word(0); // the standard class
        Text(p_szCaption);
        Word(8);
        Text(L"MS Shell Dlg");
    }
    void Item(WORD p_wId, WORD p_wClass, DWORD p_dwStyle, short p_x, short p_y, short p_cx, short p_cy,
              const wchar_t* p_szText)
    {
        m_buffer.resize((m_buffer.size() + 3) & ~size_t{3});
        DLGITEMTEMPLATE item{};
        item.style = p_dwStyle | WS_CHILD | WS_VISIBLE;
        item.x = p_x;
        item.y = p_y;
        item.cx = p_cx;
        item.cy = p_cy;
        item.id = p_wId;
        Append(&item, sizeof(item));
        Word(0xFFFF);
        Word(p_wClass);
        Text(p_szText);
        Word(0); // no creation data
        reinterpret_cast<DLGTEMPLATE*>(m_buffer.data())->cdit++;
    }
    const DLGTEMPLATE* Get() const
    {
        return reinterpret_cast<const DLGTEMPLATE*>(m_buffer.data());
    }

  private:
    void Append(const void* p_p, size_t p_cb)
    {
        const auto* b = static_cast<const BYTE*>(p_p);
        m_buffer.insert(m_buffer.end(), b, b + p_cb);
    }
    void Word(WORD p_w)
    {
        Append(&p_w, sizeof(p_w));
    }
    void Text(const wchar_t* p_sz)
    {
        Append(p_sz, (wcslen(p_sz) + 1) * sizeof(wchar_t));
    }
    std::vector<BYTE> m_buffer;
};

// The predefined window classes of an item.
constexpr WORD kClassButton = 0x0080, kClassEdit = 0x0081, kClassStatic = 0x0082, kClassListBox = 0x0083;
} // namespace mapiprov
