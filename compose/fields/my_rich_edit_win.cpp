// compose/fields/my_rich_edit_win.cpp: the rich edit base of the compose window's fields.
#include "compose/fields/my_rich_edit_win.h"

#include "common/boundary.h"
#include "common/trace_log.h"

#include <commctrl.h>

#include <vector>

namespace
{
// The field object of a subclassed control.
const char kFieldProperty[] = "Brevolt.CMyRichEdit";
} // namespace

CMyRichEdit::~CMyRichEdit()
{
    Destroy();
}

bool CMyRichEdit::Create(HWND p_hParent, int p_iId, DWORD p_dwStyle, DWORD p_dwExStyle, HWND p_hToolTip,
                         const std::string& p_sTip)
{
    m_hParentWnd = p_hParent;
    m_iId = p_iId;
    m_hWnd = CreateWindowExA(p_dwExStyle, "RichEdit20A", "", p_dwStyle, 0, 0, 100, 22, p_hParent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)),
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(p_hParent, GWLP_HINSTANCE)), nullptr);
    if (m_hWnd == nullptr)
        return false;
    SetPropA(m_hWnd, kFieldProperty, this);
    m_pfnPrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CMyRichEdit::SubclassProc)));
    m_hToolTip = p_hToolTip;
    if (m_hToolTip != nullptr && !p_sTip.empty())
    {
        TOOLINFOA tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = p_hParent;
        tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
        tool.lpszText = const_cast<char*>(p_sTip.c_str());
        SendMessageA(m_hToolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return true;
}

void CMyRichEdit::Destroy()
{
    if (m_hWnd == nullptr)
        return;
    if (IsWindow(m_hWnd))
    {
        if (m_pfnPrevious != nullptr)
            SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnPrevious));
        RemovePropA(m_hWnd, kFieldProperty);
        DestroyWindow(m_hWnd);
    }
    m_hWnd = nullptr;
    m_pfnPrevious = nullptr;
}

IRichEditOle* CMyRichEdit::GetOle() const
{
    IRichEditOle* ole = nullptr;
    if (m_hWnd == nullptr || !SendMessageA(m_hWnd, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole)))
        return nullptr;
    return ole;
}

bool CMyRichEdit::GetOleAndSite(IRichEditOle*& p_pOle, IOleClientSite*& p_pSite, const char* p_szSiteFailure) const
{
    p_pSite = nullptr;
    p_pOle = GetOle();
    if (p_pOle == nullptr)
    {
        Log("Can't get OLE interface to the rich edit");
        return false;
    }
    if (FAILED(p_pOle->GetClientSite(&p_pSite)) || p_pSite == nullptr)
    {
        Log("%s", p_szSiteFailure);
        p_pOle->Release();
        p_pOle = nullptr;
        p_pSite = nullptr;
        return false;
    }
    return true;
}

long CMyRichEdit::ObjectCount() const
{
    IRichEditOle* ole = GetOle();
    if (ole == nullptr)
        return 0;
    const long count = ole->GetObjectCount();
    ole->Release();
    return count;
}

std::string CMyRichEdit::GetText() const
{
    const int length = GetWindowTextLengthA(m_hWnd);
    if (length <= 0)
        return {};
    std::vector<char> text(static_cast<size_t>(length) + 1);
    const int got = GetWindowTextA(m_hWnd, text.data(), length + 1);
    return std::string(text.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void CMyRichEdit::SetText(const std::string& p_sText)
{
    SetWindowTextA(m_hWnd, p_sText.c_str());
}

void CMyRichEdit::GetSelection(long& p_iStart, long& p_iEnd) const
{
    CHARRANGE range{};
    SendMessageA(m_hWnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    p_iStart = range.cpMin;
    p_iEnd = range.cpMax;
}

void CMyRichEdit::SetSelection(long p_iStart, long p_iEnd) const
{
    CHARRANGE range{p_iStart, p_iEnd};
    SendMessageA(m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void CMyRichEdit::ReplaceSelection(const std::string& p_sText, bool p_bCanUndo) const
{
    SendMessageA(m_hWnd, EM_REPLACESEL, p_bCanUndo ? TRUE : FALSE, reinterpret_cast<LPARAM>(p_sText.c_str()));
}

bool CMyRichEdit::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

LRESULT CMyRichEdit::CallPrevious(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam) const
{
    return CallWindowProcA(m_pfnPrevious, m_hWnd, p_uMsg, p_wParam, p_lParam);
}

LRESULT CALLBACK CMyRichEdit::SubclassProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    auto* field = static_cast<CMyRichEdit*>(GetPropA(p_hWnd, kFieldProperty));
    if (field == nullptr)
        return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
    return TrapExceptions("CMyRichEdit::SubclassProc", static_cast<LRESULT>(0), [&]() -> LRESULT {
        LRESULT result = 0;
        if (field->OnMessage(p_uMsg, p_wParam, p_lParam, result))
            return result;
        const WNDPROC previous = field->m_pfnPrevious;
        if (p_uMsg == WM_NCDESTROY)
        {
            // The control goes away with its parent: unhook so the field never sees it again.
            SetWindowLongPtrA(p_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            RemovePropA(p_hWnd, kFieldProperty);
            field->m_hWnd = nullptr;
            field->m_pfnPrevious = nullptr;
        }
        return CallWindowProcA(previous, p_hWnd, p_uMsg, p_wParam, p_lParam);
    });
}
