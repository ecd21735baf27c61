// standins/outlook/ol_commandbars_win.cpp: CommandBarButton / CommandBarPopup and CommandBar: their
// members, face pasting through the clipboard, and clicks raised to the button event sinks.
#include "standins/outlook/ol_commandbars_win.h"

#include "common/failure_log.h"
#include "common/text_win.h"
#include "standins/outlook/ol_trace_win.h"

namespace olstandin
{
namespace
{
// _CommandBarButtonEvents; Click(Ctrl, CancelDefault) is its dispid 1.
constexpr IID kIidButtonEvents = {0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr DISPID kDispClick = 1;
constexpr int kFaceSize = 16;

enum EControlDispid : DISPID
{
    kCaption = 1,
    kTag,
    kTooltip,
    kStyle,
    kFaceId,
    kVisible,
    kEnabled,
    kBeginGroup,
    kId,
    kType,
    kParameter,
    kOnAction,
    kState,
    kBuiltIn,
    kParent,
    kControls,
    kCommandBar,
    kIndex,
    kExecute,
    kDelete,
    kPasteFace,
    kCopyFace,
    kName,
    kNameLocal,
    kPosition,
    kRowIndex,
    kFindControl,
    kFindControls,
    kLeft,
    kTop,
    kWidth,
    kHeight,
    kProtection,
    kMove
};

const WORD kGetPut = DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT;

// A copy of a bitmap scaled to the face size, on a screen-compatible bitmap.
unique_hbitmap ScaledFace(HBITMAP p_hSource)
{
    BITMAP info{};
    if (GetObjectA(p_hSource, sizeof info, &info) == 0)
        return {};
    unique_window_dc screen(nullptr);
    unique_hdc from(CreateCompatibleDC(screen.get()));
    unique_hdc to(CreateCompatibleDC(screen.get()));
    unique_hbitmap face(CreateCompatibleBitmap(screen.get(), kFaceSize, kFaceSize));
    if (!from || !to || !face)
        return {};
    const HGDIOBJ oldFrom = SelectObject(from.get(), p_hSource);
    const HGDIOBJ oldTo = SelectObject(to.get(), face.get());
    SetStretchBltMode(to.get(), COLORONCOLOR);
    const BOOL drawn =
        StretchBlt(to.get(), 0, 0, kFaceSize, kFaceSize, from.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    SelectObject(from.get(), oldFrom);
    SelectObject(to.get(), oldTo);
    return drawn ? std::move(face) : unique_hbitmap();
}
} // namespace

CBarControl::CBarControl(CCommandBar* p_pParent, LONG p_lType, LONG p_lId, bool p_bTemporary)
    : CEventObject({{L"Caption", kCaption, kGetPut, 0},
                    {L"Tag", kTag, kGetPut, 0},
                    {L"TooltipText", kTooltip, kGetPut, 0},
                    {L"Style", kStyle, kGetPut, 0},
                    {L"FaceId", kFaceId, kGetPut, 0},
                    {L"Visible", kVisible, kGetPut, 0},
                    {L"Enabled", kEnabled, kGetPut, 0},
                    {L"BeginGroup", kBeginGroup, kGetPut, 0},
                    {L"Parameter", kParameter, kGetPut, 0},
                    {L"OnAction", kOnAction, kGetPut, 0},
                    {L"State", kState, kGetPut, 0},
                    {L"Id", kId, DISPATCH_PROPERTYGET, 0},
                    {L"Type", kType, DISPATCH_PROPERTYGET, 0},
                    {L"BuiltIn", kBuiltIn, DISPATCH_PROPERTYGET, 0},
                    {L"Index", kIndex, DISPATCH_PROPERTYGET, 0},
                    {L"Parent", kParent, DISPATCH_PROPERTYGET, 0},
                    {L"Controls", kControls, DISPATCH_PROPERTYGET, 0},
                    {L"CommandBar", kCommandBar, DISPATCH_PROPERTYGET, 0},
                    {L"Left", kLeft, DISPATCH_PROPERTYGET, 0},
                    {L"Top", kTop, DISPATCH_PROPERTYGET, 0},
                    {L"Width", kWidth, DISPATCH_PROPERTYGET, 0},
                    {L"Height", kHeight, DISPATCH_PROPERTYGET, 0},
                    {L"Execute", kExecute, DISPATCH_METHOD, 0},
                    {L"Delete", kDelete, DISPATCH_METHOD, 1, 0},
                    {L"PasteFace", kPasteFace, DISPATCH_METHOD, 0},
                    {L"CopyFace", kCopyFace, DISPATCH_METHOD, 0},
                    {L"Move", kMove, DISPATCH_METHOD, 2, 0}},
                   {kIidButtonEvents}),
      m_lType(p_lType), m_lId(p_lId), m_bTemporary(p_bTemporary), m_pParent(p_pParent)
{
}

STDMETHODIMP CBarControl::QueryInterface(REFIID p_riid, void** p_ppv)
{
    if (p_ppv == nullptr || !IsEqualIID(p_riid, kIidAccessible))
        return CEventObject::QueryInterface(p_riid, p_ppv);
    *p_ppv = CreateControlAccessible(this).detach();
    return S_OK;
}

void CBarControl::Detach()
{
    m_pParent = nullptr;
    if (m_p_oPopupBar)
        m_p_oPopupBar->Detach();
}

std::string CBarControl::PlainCaption() const
{
    std::string text;
    for (const char c : m_sCaption)
        if (c != '&')
            text += c;
    return text;
}

void CBarControl::Changed()
{
    if (m_pParent != nullptr)
        m_pParent->Changed();
}

bool CBarControl::RaiseClick(CBarControl* p_pClicked)
{
    if (!HasSinks(kIidButtonEvents))
        return false;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT control;
    control.vt = VT_DISPATCH;
    control.pdispVal = static_cast<IDispatch*>(p_pClicked);
    VARIANT cancelArg;
    cancelArg.vt = VT_BOOL | VT_BYREF;
    cancelArg.pboolVal = &cancel;
    Fire(kIidButtonEvents, kDispClick, {control, cancelArg});
    return cancel != VARIANT_FALSE;
}

void CBarControl::Execute()
{
    if (!m_bEnabled)
        return;
    if (m_lType == kControlPopup)
    {
        OpenPopupWindow(*this);
        return;
    }
    CloseAllPopupWindows();
    com_ptr<IDispatch> self = com_ptr<IDispatch>::copy_from(this);
    Trace("commandbar: click '%s' tag '%s'", PlainCaption().c_str(), m_sTag.c_str());
    bool cancelled = RaiseClick(this);
    // Sinks of other controls with the same tag hear the click too, with this control as the source.
    CCommandBars* owner = m_pParent != nullptr ? m_pParent->Owner() : nullptr;
    // Held while their sinks run: a sink may delete a control.
    std::vector<com_ptr<CBarControl>> sameTag;
    if (owner != nullptr && !m_sTag.empty())
        for (CBarControl* other : owner->AllControls(false))
            if (other != this && other->m_sTag == m_sTag)
                sameTag.push_back(com_ptr<CBarControl>::copy_from(other));
    for (const com_ptr<CBarControl>& other : sameTag)
        cancelled = other->RaiseClick(this) || cancelled;
    owner = m_pParent != nullptr ? m_pParent->Owner() : nullptr;
    if (!cancelled && m_nCommand != 0 && owner != nullptr)
        owner->RunCommand(m_nCommand);
}

HRESULT CBarControl::PasteFace()
{
    CClipboardGuard clipboard(nullptr);
    if (!clipboard.IsOpen())
        return LOG_FAILURE("the clipboard did not open"), E_FAIL;
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (bitmap == nullptr)
        return LOG_FAILURE("no bitmap on the clipboard"), DV_E_FORMATETC;
    unique_hbitmap face = ScaledFace(bitmap);
    if (!face)
        return E_FAIL;
    m_oFace = std::move(face);
    Changed();
    return S_OK;
}

HRESULT CBarControl::CopyFace() const
{
    if (!m_oFace)
        return E_FAIL;
    unique_hbitmap copy(static_cast<HBITMAP>(CopyImage(m_oFace.get(), IMAGE_BITMAP, 0, 0, 0)));
    CClipboardGuard clipboard(nullptr);
    if (!copy || !clipboard.IsOpen() || !EmptyClipboard())
        return E_FAIL;
    if (!LOG_IF_WIN32_BOOL_FALSE(SetClipboardData(CF_BITMAP, copy.get())))
        return E_FAIL;
    // The clipboard owns the bitmap now.
    (void)copy.release();
    return S_OK;
}

HRESULT CBarControl::Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult)
{
    switch (p_id)
    {
    case kCaption:
        return ReturnText(p_oResult, m_sCaption);
    case kTag:
        return ReturnText(p_oResult, m_sTag);
    case kTooltip:
        return ReturnText(p_oResult, m_sTooltip.empty() ? PlainCaption() : m_sTooltip);
    case kParameter:
        return ReturnText(p_oResult, m_sParameter);
    case kOnAction:
        return ReturnText(p_oResult, m_sOnAction);
    case kStyle:
        return ReturnLong(p_oResult, m_lStyle);
    case kFaceId:
        return ReturnLong(p_oResult, m_lFaceId);
    case kState:
        return ReturnLong(p_oResult, m_lState);
    case kId:
        return ReturnLong(p_oResult, m_lId);
    case kType:
        return ReturnLong(p_oResult, m_lType);
    case kVisible:
        return ReturnBool(p_oResult, m_bVisible);
    case kEnabled:
        return ReturnBool(p_oResult, m_bEnabled);
    case kBeginGroup:
        return ReturnBool(p_oResult, m_bBeginGroup);
    case kBuiltIn:
        return ReturnBool(p_oResult, m_bBuiltIn);
    case kLeft:
    case kTop:
    case kWidth:
    case kHeight: {
        POINT corner{m_rcPlace.left, m_rcPlace.top};
        if (m_pParent != nullptr && m_pParent->m_hWnd != nullptr)
            ClientToScreen(m_pParent->m_hWnd, &corner);
        const LONG values[] = {corner.x, corner.y, m_rcPlace.right - m_rcPlace.left, m_rcPlace.bottom - m_rcPlace.top};
        return ReturnLong(p_oResult, values[p_id - kLeft]);
    }
    default:
        break;
    }
    if (p_id == kExecute)
        return Execute(), S_OK;
    if (p_id == kPasteFace)
        return PasteFace();
    if (p_id == kCopyFace)
        return CopyFace();
    if (m_pParent == nullptr)
        return E_FAIL;
    if (p_id == kIndex)
    {
        const auto& controls = m_pParent->m_vControls;
        for (size_t i = 0; i < controls.size(); ++i)
            if (controls[i].get() == this)
                return ReturnLong(p_oResult, static_cast<LONG>(i + 1));
        return E_FAIL;
    }
    if (p_id == kParent)
        return ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(m_pParent));
    if (p_id == kDelete)
    {
        m_pParent->RemoveControl(this);
        return S_OK;
    }
    if (p_id == kMove)
    {
        CCommandBar* target = m_pParent;
        LONG before = 0;
        if (!IsMissing(p_vArgs[0]) && (target = BarOfArgument(p_vArgs[0])) == nullptr)
            return E_INVALIDARG;
        if (!IsMissing(p_vArgs[1]) && !ArgLong(p_vArgs[1], before))
            return DISP_E_TYPEMISMATCH;
        RETURN_IF_FAILED(MoveTo(*target, before));
        return ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(this));
    }
    if (!IsPopup())
        return DISP_E_MEMBERNOTFOUND;
    if (p_id == kControls)
        return ReturnObject(p_oResult, CreateControls(m_p_oPopupBar.get()));
    return ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(m_p_oPopupBar.get()));
}

CCommandBar* CBarControl::BarOfArgument(const VARIANT* p_pBar) const
{
    const VARIANT* bar = p_pBar;
    if (bar->vt == (VT_VARIANT | VT_BYREF) && bar->pvarVal != nullptr)
        bar = bar->pvarVal;
    IDispatch* object = bar->vt == VT_DISPATCH                ? bar->pdispVal
                        : bar->vt == (VT_DISPATCH | VT_BYREF) ? (bar->ppdispVal != nullptr ? *bar->ppdispVal : nullptr)
                                                              : nullptr;
    CCommandBars* owner = m_pParent != nullptr ? m_pParent->Owner() : nullptr;
    com_ptr<IUnknown> identity;
    if (object == nullptr || owner == nullptr || FAILED(object->QueryInterface(IID_IUnknown, identity.put_void())))
        return nullptr;
    // Only this explorer's bars and the lists of their popups can take the control.
    std::vector<CCommandBar*> candidates;
    for (const com_ptr<CCommandBar>& candidate : owner->m_vBars)
        candidates.push_back(candidate.get());
    for (CBarControl* control : owner->AllControls(false))
        if (control->IsPopup())
            candidates.push_back(control->m_p_oPopupBar.get());
    for (CCommandBar* candidate : candidates)
    {
        com_ptr<IUnknown> candidateIdentity;
        if (SUCCEEDED(candidate->QueryInterface(IID_IUnknown, candidateIdentity.put_void())) &&
            candidateIdentity.get() == identity.get())
            return candidate;
    }
    return nullptr;
}

HRESULT CBarControl::MoveTo(CCommandBar& p_oTarget, LONG p_lBefore)
{
    if (m_pParent == nullptr)
        return E_FAIL;
    // A popup cannot go into its own list, nor into a list below it.
    for (const CCommandBar* bar = &p_oTarget; bar != nullptr && bar->m_pPopupOf != nullptr;
         bar = bar->m_pPopupOf->m_pParent)
        if (bar->m_pPopupOf == this)
            return E_INVALIDARG;
    // Before names the control now at that place; the moved one lands in front of it.
    std::vector<com_ptr<CBarControl>>& to = p_oTarget.m_vControls;
    const CBarControl* anchor = p_lBefore >= 1 && static_cast<size_t>(p_lBefore) <= to.size()
                                    ? to[static_cast<size_t>(p_lBefore - 1)].get()
                                    : nullptr;
    if (anchor == this)
        return S_OK;
    const com_ptr<CBarControl> self = com_ptr<CBarControl>::copy_from(this);
    CCommandBar* from = m_pParent;
    std::erase_if(from->m_vControls,
                  [this](const com_ptr<CBarControl>& p_oControl) { return p_oControl.get() == this; });
    auto at = to.end();
    for (auto it = to.begin(); it != to.end(); ++it)
        if (it->get() == anchor)
            at = it;
    to.insert(at, self);
    m_pParent = &p_oTarget;
    from->Changed();
    if (from != &p_oTarget)
        p_oTarget.Changed();
    return S_OK;
}

HRESULT CBarControl::Put(DISPID p_id, const VARIANT& p_oValue)
{
    std::string* text = p_id == kCaption     ? &m_sCaption
                        : p_id == kTag       ? &m_sTag
                        : p_id == kTooltip   ? &m_sTooltip
                        : p_id == kParameter ? &m_sParameter
                        : p_id == kOnAction  ? &m_sOnAction
                                             : nullptr;
    if (text != nullptr)
    {
        if (!ArgAnsi(&p_oValue, *text))
            return DISP_E_TYPEMISMATCH;
        Changed();
        return S_OK;
    }
    LONG* number = p_id == kStyle ? &m_lStyle : p_id == kFaceId ? &m_lFaceId : p_id == kState ? &m_lState : nullptr;
    bool* flag = p_id == kVisible ? &m_bVisible : p_id == kEnabled ? &m_bEnabled : &m_bBeginGroup;
    if (number != nullptr ? !ArgLong(&p_oValue, *number) : !ArgBool(&p_oValue, *flag))
        return DISP_E_TYPEMISMATCH;
    // A face number replaces the face (0 takes it away); one the table does not hold shows blank.
    if (p_id == kFaceId)
        m_oFace = m_lFaceId != 0 ? BuiltInFace(m_lFaceId) : unique_hbitmap();
    Changed();
    return S_OK;
}

CCommandBar::CCommandBar(CCommandBars* p_pOwner, std::string p_sName, LONG p_lPosition, bool p_bTemporary)
    : CDispatchObject({{L"Name", kName, kGetPut, 0},
                       {L"NameLocal", kNameLocal, kGetPut, 0},
                       {L"Visible", kVisible, kGetPut, 0},
                       {L"Enabled", kEnabled, kGetPut, 0},
                       {L"Position", kPosition, kGetPut, 0},
                       {L"RowIndex", kRowIndex, kGetPut, 0},
                       {L"Protection", kProtection, kGetPut, 0},
                       {L"Left", kLeft, kGetPut, 0},
                       {L"Top", kTop, kGetPut, 0},
                       {L"Width", kWidth, DISPATCH_PROPERTYGET, 0},
                       {L"Height", kHeight, DISPATCH_PROPERTYGET, 0},
                       {L"Type", kType, DISPATCH_PROPERTYGET, 0},
                       {L"BuiltIn", kBuiltIn, DISPATCH_PROPERTYGET, 0},
                       {L"Index", kIndex, DISPATCH_PROPERTYGET, 0},
                       {L"Controls", kControls, DISPATCH_PROPERTYGET, 0},
                       {L"Parent", kParent, DISPATCH_PROPERTYGET, 0},
                       {L"FindControl", kFindControl, DISPATCH_METHOD, 5, 0},
                       {L"Delete", kDelete, DISPATCH_METHOD, 0}}),
      m_sName(std::move(p_sName)), m_lPosition(p_lPosition), m_bTemporary(p_bTemporary), m_pOwner(p_pOwner)
{
}

CCommandBar::~CCommandBar()
{
    Detach();
}

void CCommandBar::Detach()
{
    if (m_hWnd != nullptr)
        DestroyBarWindow(*this);
    m_pOwner = nullptr;
    for (const com_ptr<CBarControl>& control : m_vControls)
        control->Detach();
}

void CCommandBar::Changed()
{
    if (m_pPopupOf != nullptr && m_hWnd != nullptr)
        (void)InvalidateRect(m_hWnd, nullptr, TRUE);
    if (m_pOwner != nullptr)
        m_pOwner->Changed();
}

com_ptr<CBarControl> CCommandBar::AddControl(LONG p_lType, LONG p_lId, LONG p_lBefore, bool p_bTemporary)
{
    com_ptr<CBarControl> control;
    control.attach(new CBarControl(this, p_lType, p_lId, p_bTemporary));
    if (p_lType == kControlPopup || p_lType == kControlSplitButtonPopup)
    {
        control->m_p_oPopupBar.attach(new CCommandBar(m_pOwner, "", kBarPopup, p_bTemporary));
        control->m_p_oPopupBar->m_pPopupOf = control.get();
    }
    const size_t at = p_lBefore >= 1 && static_cast<size_t>(p_lBefore) <= m_vControls.size()
                          ? static_cast<size_t>(p_lBefore - 1)
                          : m_vControls.size();
    m_vControls.insert(m_vControls.begin() + static_cast<ptrdiff_t>(at), control);
    Changed();
    return control;
}

void CCommandBar::RemoveControl(CBarControl* p_pControl)
{
    for (auto it = m_vControls.begin(); it != m_vControls.end(); ++it)
        if (it->get() == p_pControl)
        {
            com_ptr<CBarControl> removed = std::move(*it);
            m_vControls.erase(it);
            removed->Detach();
            Changed();
            return;
        }
}

void CCommandBar::Find(LONG p_lType, LONG p_lId, const std::string& p_sTag, bool p_bVisibleOnly, bool p_bRecursive,
                       std::vector<CBarControl*>& p_vFound)
{
    for (const com_ptr<CBarControl>& control : m_vControls)
    {
        if (p_bVisibleOnly && !control->m_bVisible)
            continue;
        if ((p_lType == 0 || control->m_lType == p_lType) && (p_lId == 0 || control->m_lId == p_lId) &&
            (p_sTag.empty() || control->m_sTag == p_sTag))
            p_vFound.push_back(control.get());
        if (p_bRecursive && control->IsPopup())
            control->m_p_oPopupBar->Find(p_lType, p_lId, p_sTag, p_bVisibleOnly, true, p_vFound);
    }
}

HRESULT CCommandBar::Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult)
{
    switch (p_id)
    {
    case kName:
    case kNameLocal:
        return ReturnText(p_oResult, m_sName);
    case kVisible:
        return ReturnBool(p_oResult, m_bVisible);
    case kEnabled:
        return ReturnBool(p_oResult, m_bEnabled);
    case kPosition:
        return ReturnLong(p_oResult, m_lPosition);
    case kRowIndex:
        return ReturnLong(p_oResult, m_lRowIndex);
    case kProtection:
        return ReturnLong(p_oResult, m_lProtection);
    case kLeft:
    case kTop:
    case kWidth:
    case kHeight: {
        // A shown bar answers with its window's place on the screen; a hidden one with what was asked.
        RECT place{m_ptAsked.x, m_ptAsked.y, m_ptAsked.x, m_ptAsked.y};
        if (m_hWnd != nullptr && IsWindowVisible(m_hWnd))
            GetWindowRect(m_hWnd, &place);
        const LONG values[] = {place.left, place.top, place.right - place.left, place.bottom - place.top};
        return ReturnLong(p_oResult, values[p_id - kLeft]);
    }
    case kType:
        // msoBarTypeNormal 0, msoBarTypeMenuBar 1, msoBarTypePopup 2.
        return ReturnLong(p_oResult, m_lPosition == kBarMenuBar ? 1 : m_lPosition == kBarPopup ? 2 : 0);
    case kBuiltIn:
        return ReturnBool(p_oResult, m_bBuiltIn);
    case kControls:
        return ReturnObject(p_oResult, CreateControls(this));
    case kParent:
        return m_pOwner != nullptr ? ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(m_pOwner)) : E_FAIL;
    case kFindControl: {
        LONG type = 0;
        LONG id = 0;
        std::string tag;
        bool visible = false;
        bool recursive = false;
        if ((!IsMissing(p_vArgs[0]) && !ArgLong(p_vArgs[0], type)) ||
            (!IsMissing(p_vArgs[1]) && !ArgLong(p_vArgs[1], id)) ||
            (!IsMissing(p_vArgs[2]) && !ArgAnsi(p_vArgs[2], tag)) ||
            (!IsMissing(p_vArgs[3]) && !ArgBool(p_vArgs[3], visible)) ||
            (!IsMissing(p_vArgs[4]) && !ArgBool(p_vArgs[4], recursive)))
            return DISP_E_TYPEMISMATCH;
        std::vector<CBarControl*> found;
        Find(type, id, tag, visible, recursive, found);
        // Nothing found is an empty result, not a failure.
        return found.empty() ? S_OK : ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(found.front()));
    }
    default:
        break;
    }
    if (p_id == kIndex || p_id == kDelete)
    {
        const auto& bars = m_pOwner != nullptr ? m_pOwner->m_vBars : std::vector<com_ptr<CCommandBar>>();
        for (size_t i = 0; i < bars.size(); ++i)
            if (bars[i].get() == this)
            {
                if (p_id == kIndex)
                    return ReturnLong(p_oResult, static_cast<LONG>(i + 1));
                if (m_bBuiltIn)
                    return E_INVALIDARG;
                com_ptr<CCommandBar> removed = bars[i];
                m_pOwner->m_vBars.erase(m_pOwner->m_vBars.begin() + static_cast<ptrdiff_t>(i));
                CCommandBars* owner = m_pOwner;
                removed->Detach();
                owner->Changed();
                return S_OK;
            }
    }
    return E_FAIL;
}

HRESULT CCommandBar::Put(DISPID p_id, const VARIANT& p_oValue)
{
    bool ok = false;
    if (p_id == kName || p_id == kNameLocal)
        ok = !m_bBuiltIn && ArgAnsi(&p_oValue, m_sName);
    else if (p_id == kVisible)
        ok = ArgBool(&p_oValue, m_bVisible);
    else if (p_id == kEnabled)
        ok = ArgBool(&p_oValue, m_bEnabled);
    else if (p_id == kPosition)
    {
        // The menu bar and a popup's list stay what they are; other bars dock (0 to 3) or float (4).
        LONG position = 0;
        if (!ArgLong(&p_oValue, position))
            return DISP_E_TYPEMISMATCH;
        if (m_lPosition == kBarMenuBar || m_lPosition == kBarPopup || position < 0 || position > kBarFloating)
            return E_INVALIDARG;
        m_lPosition = position;
        ok = true;
    }
    else if (p_id == kRowIndex)
        ok = ArgLong(&p_oValue, m_lRowIndex);
    else if (p_id == kProtection)
        ok = ArgLong(&p_oValue, m_lProtection);
    else if (p_id == kLeft)
        ok = ArgLong(&p_oValue, m_ptAsked.x);
    else if (p_id == kTop)
        ok = ArgLong(&p_oValue, m_ptAsked.y);
    if (!ok)
        return DISP_E_TYPEMISMATCH;
    Changed();
    return S_OK;
}
} // namespace olstandin
