// standins/outlook/ol_commandbar_access_win.cpp: accessible objects of the command bars. A bar window's
// object is the bar itself (CHILDID_SELF) with its controls as children numbered from 1 in bar order, so
// AccessibleObjectFromPoint, accHitTest, accName and accLocation find a control by screen position; a
// control answers IAccessible itself too (a tear-off whose CHILDID_SELF is the control).
#include "common/boundary.h"
#include "common/text_win.h"
#include "standins/outlook/ol_commandbars_win.h"

namespace olstandin
{
namespace
{
class CBarAccessible final : public IAccessible
{
  public:
    CBarAccessible(CCommandBar* p_pBar, HWND p_hWnd) : m_p_oBar(com_ptr<CCommandBar>::copy_from(p_pBar)), m_hWnd(p_hWnd)
    {
    }
    // A control's own object: its identity (IUnknown, IDispatch) stays the control's.
    explicit CBarAccessible(CBarControl* p_pControl) : m_p_oSelf(com_ptr<CBarControl>::copy_from(p_pControl))
    {
    }

    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (p_ppv == nullptr)
            return E_POINTER;
        *p_ppv = nullptr;
        if (m_p_oSelf && !IsEqualIID(p_riid, kIidAccessible))
            return m_p_oSelf->QueryInterface(p_riid, p_ppv);
        if (!IsEqualIID(p_riid, IID_IUnknown) && !IsEqualIID(p_riid, IID_IDispatch) &&
            !IsEqualIID(p_riid, kIidAccessible))
            return E_NOINTERFACE;
        *p_ppv = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG refs = InterlockedDecrement(&m_lRefs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* p_pnCount) override
    {
        if (p_pnCount != nullptr)
            *p_pnCount = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    STDMETHODIMP get_accParent(IDispatch** p_ppParent) override
    {
        if (p_ppParent == nullptr)
            return E_POINTER;
        *p_ppParent = nullptr;
        // A control's parent is the object of the bar window it is drawn in.
        CCommandBar* bar = m_p_oSelf ? m_p_oSelf->Parent() : nullptr;
        if (bar == nullptr || bar->m_hWnd == nullptr)
            return S_FALSE;
        *p_ppParent = CreateBarAccessible(bar, bar->m_hWnd).detach();
        return S_OK;
    }
    STDMETHODIMP get_accChildCount(LONG* p_plCount) override
    {
        if (p_plCount == nullptr)
            return E_POINTER;
        *p_plCount = m_p_oSelf ? 0 : static_cast<LONG>(m_p_oBar->m_vControls.size());
        return S_OK;
    }
    STDMETHODIMP get_accChild(VARIANT p_oChild, IDispatch** p_ppChild) override
    {
        if (p_ppChild == nullptr)
            return E_POINTER;
        *p_ppChild = nullptr;
        CBarControl* control = nullptr;
        if (!Child(p_oChild, control))
            return E_INVALIDARG;
        if (m_p_oSelf || control == nullptr)
            return S_FALSE;
        *p_ppChild = CreateControlAccessible(control).detach();
        return S_OK;
    }
    STDMETHODIMP get_accName(VARIANT p_oChild, BSTR* p_psName) override
    {
        return TrapExceptions("CBarAccessible::get_accName", E_FAIL, [&]() -> HRESULT {
            if (p_psName == nullptr)
                return E_POINTER;
            *p_psName = nullptr;
            CBarControl* control = nullptr;
            if (!Child(p_oChild, control))
                return E_INVALIDARG;
            const std::string name = control != nullptr ? control->PlainCaption() : m_p_oBar->m_sName;
            *p_psName = SysAllocString(AnsiToWide(name, CP_ACP).c_str());
            return S_OK;
        });
    }
    STDMETHODIMP get_accValue(VARIANT, BSTR* p_psValue) override
    {
        return NoText(p_psValue);
    }
    STDMETHODIMP get_accDescription(VARIANT p_oChild, BSTR* p_psText) override
    {
        CBarControl* control = nullptr;
        if (p_psText == nullptr || !Child(p_oChild, control))
            return E_INVALIDARG;
        *p_psText = control != nullptr && !control->m_sTooltip.empty()
                        ? SysAllocString(AnsiToWide(control->m_sTooltip, CP_ACP).c_str())
                        : nullptr;
        return *p_psText != nullptr ? S_OK : S_FALSE;
    }
    STDMETHODIMP get_accRole(VARIANT p_oChild, VARIANT* p_pRole) override
    {
        CBarControl* control = nullptr;
        if (p_pRole == nullptr || !Child(p_oChild, control))
            return E_INVALIDARG;
        const CCommandBar* bar = Bar();
        const LONG position = bar != nullptr ? bar->m_lPosition : kBarTop;
        const bool list = position == kBarPopup;
        LONG role = position == kBarMenuBar ? ROLE_SYSTEM_MENUBAR : list ? ROLE_SYSTEM_MENUPOPUP : ROLE_SYSTEM_TOOLBAR;
        if (control != nullptr)
            role = list || position == kBarMenuBar ? ROLE_SYSTEM_MENUITEM
                   : control->IsPopup()            ? ROLE_SYSTEM_BUTTONMENU
                                                   : ROLE_SYSTEM_PUSHBUTTON;
        p_pRole->vt = VT_I4;
        p_pRole->lVal = role;
        return S_OK;
    }
    STDMETHODIMP get_accState(VARIANT p_oChild, VARIANT* p_pState) override
    {
        CBarControl* control = nullptr;
        if (p_pState == nullptr || !Child(p_oChild, control))
            return E_INVALIDARG;
        LONG state = 0;
        if (control != nullptr)
            state = (control->m_bVisible ? 0 : STATE_SYSTEM_INVISIBLE) |
                    (control->m_bEnabled ? 0 : STATE_SYSTEM_UNAVAILABLE) |
                    (control->IsPopup() ? STATE_SYSTEM_HASPOPUP : 0);
        else if (!IsWindowVisible(Window()))
            state = STATE_SYSTEM_INVISIBLE;
        if (control != nullptr && IsRectEmpty(&control->m_rcPlace))
            state |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
        p_pState->vt = VT_I4;
        p_pState->lVal = state;
        return S_OK;
    }
    STDMETHODIMP get_accHelp(VARIANT, BSTR* p_psHelp) override
    {
        return NoText(p_psHelp);
    }
    STDMETHODIMP get_accHelpTopic(BSTR* p_psFile, VARIANT, LONG* p_plTopic) override
    {
        if (p_plTopic != nullptr)
            *p_plTopic = 0;
        return NoText(p_psFile);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT, BSTR* p_psKeys) override
    {
        return NoText(p_psKeys);
    }
    STDMETHODIMP get_accFocus(VARIANT* p_pChild) override
    {
        return Empty(p_pChild);
    }
    STDMETHODIMP get_accSelection(VARIANT* p_pChildren) override
    {
        return Empty(p_pChildren);
    }
    STDMETHODIMP get_accDefaultAction(VARIANT p_oChild, BSTR* p_psAction) override
    {
        CBarControl* control = nullptr;
        if (p_psAction == nullptr || !Child(p_oChild, control))
            return E_INVALIDARG;
        *p_psAction = control != nullptr ? SysAllocString(control->IsPopup() ? L"Open" : L"Press") : nullptr;
        return *p_psAction != nullptr ? S_OK : S_FALSE;
    }
    STDMETHODIMP accSelect(LONG, VARIANT) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP accLocation(LONG* p_plLeft, LONG* p_plTop, LONG* p_plWidth, LONG* p_plHeight,
                             VARIANT p_oChild) override
    {
        CBarControl* control = nullptr;
        if (p_plLeft == nullptr || p_plTop == nullptr || p_plWidth == nullptr || p_plHeight == nullptr ||
            !Child(p_oChild, control))
            return E_INVALIDARG;
        // A control that is not drawn (its list closed, or hidden) has no place on the screen.
        const HWND window = Window();
        RECT place{};
        if (control != nullptr)
            place = control->m_rcPlace;
        else if (window != nullptr)
            GetClientRect(window, &place);
        if (window == nullptr || IsRectEmpty(&place))
            return *p_plLeft = *p_plTop = *p_plWidth = *p_plHeight = 0, S_FALSE;
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&place), 2);
        *p_plLeft = place.left;
        *p_plTop = place.top;
        *p_plWidth = place.right - place.left;
        *p_plHeight = place.bottom - place.top;
        return S_OK;
    }
    STDMETHODIMP accNavigate(LONG, VARIANT, VARIANT* p_pEnd) override
    {
        return Empty(p_pEnd);
    }
    STDMETHODIMP accHitTest(LONG p_lLeft, LONG p_lTop, VARIANT* p_pChild) override
    {
        if (p_pChild == nullptr)
            return E_POINTER;
        VariantInit(p_pChild);
        POINT point{p_lLeft, p_lTop};
        RECT client{};
        const HWND window = Window();
        if (!IsWindow(window) || !ScreenToClient(window, &point) || !GetClientRect(window, &client) ||
            !PtInRect(&client, point))
            return S_FALSE;
        if (m_p_oSelf)
        {
            if (!m_p_oSelf->m_bVisible || !PtInRect(&m_p_oSelf->m_rcPlace, point))
                return S_FALSE;
            p_pChild->vt = VT_I4;
            p_pChild->lVal = CHILDID_SELF;
            return S_OK;
        }
        p_pChild->vt = VT_I4;
        p_pChild->lVal = CHILDID_SELF;
        const auto& controls = m_p_oBar->m_vControls;
        for (size_t i = 0; i < controls.size(); ++i)
            if (controls[i]->m_bVisible && PtInRect(&controls[i]->m_rcPlace, point))
                p_pChild->lVal = static_cast<LONG>(i + 1);
        return S_OK;
    }
    STDMETHODIMP accDoDefaultAction(VARIANT p_oChild) override
    {
        CBarControl* control = nullptr;
        if (!Child(p_oChild, control) || control == nullptr)
            return E_INVALIDARG;
        return ClickControlWindow(*control, false) ? S_OK : E_FAIL;
    }
    STDMETHODIMP put_accName(VARIANT, BSTR) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override
    {
        return E_NOTIMPL;
    }

  private:
    ~CBarAccessible() = default;

    static HRESULT NoText(BSTR* p_psText)
    {
        if (p_psText == nullptr)
            return E_POINTER;
        *p_psText = nullptr;
        return S_FALSE;
    }
    static HRESULT Empty(VARIANT* p_pValue)
    {
        if (p_pValue == nullptr)
            return E_POINTER;
        VariantInit(p_pValue);
        return S_FALSE;
    }
    // The bar the object shows, or the bar the control is on (none once it is deleted).
    CCommandBar* Bar() const
    {
        return m_p_oSelf ? m_p_oSelf->Parent() : m_p_oBar.get();
    }
    // The window the bar or control is drawn in; none while a control's list is closed.
    HWND Window() const
    {
        if (!m_p_oSelf)
            return m_hWnd;
        const CCommandBar* bar = m_p_oSelf->Parent();
        return bar != nullptr ? bar->m_hWnd : nullptr;
    }
    // The control a child id names (nullptr for the bar itself); false for an id that names none.
    bool Child(const VARIANT& p_oChild, CBarControl*& p_pControl) const
    {
        p_pControl = nullptr;
        if (p_oChild.vt != VT_I4)
            return false;
        if (p_oChild.lVal == CHILDID_SELF)
            return p_pControl = m_p_oSelf.get(), true;
        if (m_p_oSelf)
            return false;
        const auto& controls = m_p_oBar->m_vControls;
        if (p_oChild.lVal < 1 || static_cast<size_t>(p_oChild.lVal) > controls.size())
            return false;
        p_pControl = controls[static_cast<size_t>(p_oChild.lVal - 1)].get();
        return true;
    }

    LONG m_lRefs = 1;
    com_ptr<CCommandBar> m_p_oBar;
    HWND m_hWnd = nullptr;
    com_ptr<CBarControl> m_p_oSelf;
};
} // namespace

com_ptr<IAccessible> CreateBarAccessible(CCommandBar* p_pBar, HWND p_hWnd)
{
    com_ptr<IAccessible> accessible;
    accessible.attach(new CBarAccessible(p_pBar, p_hWnd));
    return accessible;
}

com_ptr<IAccessible> CreateControlAccessible(CBarControl* p_pControl)
{
    com_ptr<IAccessible> accessible;
    accessible.attach(new CBarAccessible(p_pControl));
    return accessible;
}
} // namespace olstandin
