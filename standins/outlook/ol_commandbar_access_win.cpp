// standins/outlook/ol_commandbar_access_win.cpp: the accessible object of a command-bar window: the
// bar itself (CHILDID_SELF) and its controls as simple children numbered from 1 in bar order, so
// AccessibleObjectFromPoint, accHitTest, accName and accLocation find a control by screen position.
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

    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (p_ppv == nullptr)
            return E_POINTER;
        *p_ppv = nullptr;
        if (!IsEqualIID(p_riid, IID_IUnknown) && !IsEqualIID(p_riid, IID_IDispatch) &&
            !IsEqualIID(p_riid, IID_IAccessible))
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
        if (p_ppParent != nullptr)
            *p_ppParent = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP get_accChildCount(LONG* p_plCount) override
    {
        if (p_plCount == nullptr)
            return E_POINTER;
        *p_plCount = static_cast<LONG>(m_p_oBar->m_vControls.size());
        return S_OK;
    }
    STDMETHODIMP get_accChild(VARIANT, IDispatch** p_ppChild) override
    {
        // The controls are simple elements, named through this object.
        if (p_ppChild != nullptr)
            *p_ppChild = nullptr;
        return S_FALSE;
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
        const bool list = m_p_oBar->m_lPosition == kBarPopup;
        LONG role = m_p_oBar->m_lPosition == kBarMenuBar ? ROLE_SYSTEM_MENUBAR
                    : list                               ? ROLE_SYSTEM_MENUPOPUP
                                                         : ROLE_SYSTEM_TOOLBAR;
        if (control != nullptr)
            role = list || m_p_oBar->m_lPosition == kBarMenuBar ? ROLE_SYSTEM_MENUITEM
                   : control->IsPopup()                         ? ROLE_SYSTEM_BUTTONMENU
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
        else if (!IsWindowVisible(m_hWnd))
            state = STATE_SYSTEM_INVISIBLE;
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
        RECT place{};
        if (control != nullptr)
            place = control->m_rcPlace;
        else
            GetClientRect(m_hWnd, &place);
        MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&place), 2);
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
        if (!IsWindow(m_hWnd) || !ScreenToClient(m_hWnd, &point) || !GetClientRect(m_hWnd, &client) ||
            !PtInRect(&client, point))
            return S_FALSE;
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
    // The control a child id names (nullptr for the bar itself); false for an id that names none.
    bool Child(const VARIANT& p_oChild, CBarControl*& p_pControl) const
    {
        p_pControl = nullptr;
        if (p_oChild.vt != VT_I4)
            return false;
        if (p_oChild.lVal == CHILDID_SELF)
            return true;
        const auto& controls = m_p_oBar->m_vControls;
        if (p_oChild.lVal < 1 || static_cast<size_t>(p_oChild.lVal) > controls.size())
            return false;
        p_pControl = controls[static_cast<size_t>(p_oChild.lVal - 1)].get();
        return true;
    }

    LONG m_lRefs = 1;
    com_ptr<CCommandBar> m_p_oBar;
    HWND m_hWnd;
};
} // namespace

com_ptr<IAccessible> CreateBarAccessible(CCommandBar* p_pBar, HWND p_hWnd)
{
    com_ptr<IAccessible> accessible;
    accessible.attach(new CBarAccessible(p_pBar, p_hWnd));
    return accessible;
}
} // namespace olstandin
