// compose/fields/my_rich_edit_win.cpp: the rich edit base of the compose window's fields.
#include "compose/fields/my_rich_edit_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/ui/window_object_win.h"

#include <commctrl.h>

#include <algorithm>

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
    if (!AttachWindowObject(m_hWnd, this))
    {
        LOG_FAILURE("the field cannot be tied to its control");
        DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
        return false;
    }
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
        DetachWindowObject(m_hWnd);
        DestroyWindow(m_hWnd);
    }
    m_hWnd = nullptr;
    m_pfnPrevious = nullptr;
}

com_ptr<IRichEditOle> CMyRichEdit::GetOle() const
{
    com_ptr<IRichEditOle> ole;
    if (m_hWnd == nullptr || !SendMessageA(m_hWnd, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(ole.put())))
        return {};
    return ole;
}

bool CMyRichEdit::GetOleAndSite(com_ptr<IRichEditOle>& p_pOle, com_ptr<IOleClientSite>& p_pSite,
                                const char* p_szSiteFailure) const
{
    p_pSite.reset();
    p_pOle = GetOle();
    if (!p_pOle)
    {
        LOG_FAILURE("the rich edit has no OLE interface");
        return false;
    }
    const HRESULT hr = p_pOle->GetClientSite(p_pSite.put());
    if (FAILED(hr) || !p_pSite)
    {
        LogCallFailure(__PRETTY_FUNCTION__, p_szSiteFailure, EResultKind::HResult, static_cast<uint32_t>(hr));
        p_pOle.reset();
        p_pSite.reset();
        return false;
    }
    return true;
}

long CMyRichEdit::ObjectCount() const
{
    const com_ptr<IRichEditOle> ole = GetOle();
    return ole ? ole->GetObjectCount() : 0;
}

bool CMyRichEdit::EmbeddedObjects(std::vector<CEmbeddedObject>& p_vObjects) const
{
    p_vObjects.clear();
    const com_ptr<IRichEditOle> ole = GetOle();
    if (!ole)
    {
        LOG_FAILURE("the rich edit has no OLE interface");
        return false;
    }
    const LONG count = ole->GetObjectCount();
    for (LONG i = 0; i < count; ++i)
    {
        REOBJECT object{};
        object.cbStruct = sizeof(object);
        const HRESULT hr = LOG_IF_FAILED(ole->GetObject(i, &object, REO_GETOBJ_POLEOBJ));
        com_ptr<IOleObject> embedded;
        embedded.attach(object.poleobj);
        if (SUCCEEDED(hr))
            p_vObjects.push_back({object.cp, std::move(embedded)});
    }
    std::stable_sort(p_vObjects.begin(), p_vObjects.end(),
                     [](const CEmbeddedObject& p_oLeft, const CEmbeddedObject& p_oRight) {
                         return p_oLeft.m_iPosition < p_oRight.m_iPosition;
                     });
    return true;
}

std::string CMyRichEdit::GetText() const
{
    return ControlText(m_hWnd);
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
    auto* field = WindowObject<CMyRichEdit>(p_hWnd);
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
            DetachWindowObject(p_hWnd);
            field->m_hWnd = nullptr;
            field->m_pfnPrevious = nullptr;
        }
        return CallWindowProcA(previous, p_hWnd, p_uMsg, p_wParam, p_lParam);
    });
}
