// standins/outlook/ol_commandbar_set_win.cpp: an explorer's CommandBars with its built-in bars
// ("Menu Bar", "Standard", "Advanced"), the Controls collections, FindControl(s), the dump and the
// click the control channel offers.
#include "standins/outlook/ol_commandbars_win.h"

#include "common/failure_log.h"
#include "exchext_win.h"
#include "standins/outlook/ol_window_win.h"

#include <algorithm>
#include <cstdio>

namespace olstandin
{
namespace
{
enum ECollectionDispid : DISPID
{
    kItem = DISPID_VALUE,
    kCount = 1,
    kAdd,
    kParent,
    kFindControl,
    kFindControls,
    kActiveMenuBar
};

bool SameText(const std::string& p_sA, const std::string& p_sB)
{
    return lstrcmpiA(p_sA.c_str(), p_sB.c_str()) == 0;
}

// Controls.Item takes a 1-based index or a caption (with or without its accelerator mark).
CBarControl* ControlAt(const std::vector<CBarControl*>& p_vControls, const VARIANT* p_pIndex)
{
    if (p_pIndex->vt == VT_BSTR || p_pIndex->vt == (VT_BSTR | VT_BYREF))
    {
        std::string caption;
        if (!ArgAnsi(p_pIndex, caption))
            return nullptr;
        for (CBarControl* control : p_vControls)
            if (SameText(control->m_sCaption, caption) || SameText(control->PlainCaption(), caption))
                return control;
        return nullptr;
    }
    LONG index = 0;
    if (!ArgLong(p_pIndex, index) || index < 1 || static_cast<size_t>(index) > p_vControls.size())
        return nullptr;
    return p_vControls[static_cast<size_t>(index - 1)];
}

// A Controls collection: of a bar (live, with Add) or of a fixed list (FindControls).
class CControls final : public CDispatchObject
{
  public:
    CControls(CCommandBar* p_pBar, std::vector<CBarControl*> p_vFixed)
        : CDispatchObject({{L"Item", kItem, DISPATCH_METHOD | DISPATCH_PROPERTYGET, 1},
                           {L"Count", kCount, DISPATCH_PROPERTYGET, 0},
                           {L"Add", kAdd, DISPATCH_METHOD, 5, 0},
                           {L"Parent", kParent, DISPATCH_PROPERTYGET, 0}}),
          m_p_oBar(com_ptr<CCommandBar>::copy_from(p_pBar))
    {
        for (CBarControl* control : p_vFixed)
            m_vFixed.push_back(com_ptr<CBarControl>::copy_from(control));
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override
    {
        std::vector<CBarControl*> controls;
        for (const com_ptr<CBarControl>& control : m_p_oBar ? m_p_oBar->m_vControls : m_vFixed)
            controls.push_back(control.get());
        if (p_id == kCount)
            return ReturnLong(p_oResult, static_cast<LONG>(controls.size()));
        if (p_id == kItem)
        {
            CBarControl* control = ControlAt(controls, p_vArgs[0]);
            return control != nullptr ? ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(control))
                                      : DISP_E_BADINDEX;
        }
        if (!m_p_oBar)
            return E_NOTIMPL;
        if (p_id == kParent)
            return ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(m_p_oBar.get()));
        return Add(p_vArgs, p_oResult);
    }

  private:
    // Add(Type, Id, Parameter, Before, Temporary): a custom button by default; an id of a built-in
    // control gives a copy of it.
    HRESULT Add(const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult)
    {
        LONG type = kControlButton;
        LONG id = 1;
        LONG before = 0;
        bool temporary = false;
        std::string parameter;
        if ((!IsMissing(p_vArgs[0]) && !ArgLong(p_vArgs[0], type)) ||
            (!IsMissing(p_vArgs[1]) && !ArgLong(p_vArgs[1], id)) ||
            (!IsMissing(p_vArgs[2]) && !ArgAnsi(p_vArgs[2], parameter)) ||
            (!IsMissing(p_vArgs[3]) && !ArgLong(p_vArgs[3], before)) ||
            (!IsMissing(p_vArgs[4]) && !ArgBool(p_vArgs[4], temporary)))
            return DISP_E_TYPEMISMATCH;
        if (type < kControlButton || type > kControlSplitButtonPopup)
            return E_INVALIDARG;
        if (before < 0 || static_cast<size_t>(before) > m_p_oBar->m_vControls.size() + 1)
            return DISP_E_BADINDEX;
        com_ptr<CBarControl> control = m_p_oBar->AddControl(type, id, before, temporary);
        control->m_sParameter = parameter;
        CCommandBars* owner = m_p_oBar->Owner();
        std::vector<CBarControl*> same;
        if (owner != nullptr && id > 1)
            for (CBarControl* builtIn : owner->AllControls(false))
                if (builtIn->m_bBuiltIn && builtIn->m_lId == id)
                    same.push_back(builtIn);
        if (!same.empty())
        {
            control->m_sCaption = same.front()->m_sCaption;
            control->m_nCommand = same.front()->m_nCommand;
        }
        else if (type == kControlButton)
            control->m_sCaption = "Custom";
        return ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(control.get()));
    }

    com_ptr<CCommandBar> m_p_oBar;
    std::vector<com_ptr<CBarControl>> m_vFixed;
};

struct CBuiltIn
{
    LONG m_lType;
    LONG m_lId;
    const char* m_szCaption;
    UINT m_nCommand;
    // Children follow a popup; the count says how many.
    int m_iChildren;
};

void AddBuiltIns(CCommandBar& p_oBar, const std::vector<CBuiltIn>& p_vControls)
{
    for (size_t i = 0; i < p_vControls.size(); ++i)
    {
        const CBuiltIn& entry = p_vControls[i];
        com_ptr<CBarControl> control = p_oBar.AddControl(entry.m_lType, entry.m_lId, 0, false);
        control->m_sCaption = entry.m_szCaption;
        control->m_nCommand = entry.m_nCommand;
        control->m_bBuiltIn = true;
        if (entry.m_iChildren > 0 && control->IsPopup())
        {
            const auto first = p_vControls.begin() + static_cast<ptrdiff_t>(i + 1);
            AddBuiltIns(*control->m_p_oPopupBar.get(),
                        std::vector<CBuiltIn>(first, first + static_cast<ptrdiff_t>(entry.m_iChildren)));
            i += static_cast<size_t>(entry.m_iChildren);
        }
    }
}

void DumpBar(const CCommandBar& p_oBar, int p_iDepth, std::string& p_sOut)
{
    for (const com_ptr<CBarControl>& control : p_oBar.m_vControls)
    {
        const RECT& place = control->m_rcPlace;
        char line[1024] = {};
        std::snprintf(line, sizeof line, "%*scontrol %ld %ld '%s' tag '%s' %s %s %s %s rect %ld,%ld,%ld,%ld\n",
                      p_iDepth * 2, "", control->m_lType, control->m_lId, control->PlainCaption().c_str(),
                      control->m_sTag.c_str(), control->m_bVisible ? "visible" : "hidden",
                      control->m_bEnabled ? "enabled" : "disabled", control->m_bTemporary ? "temporary" : "permanent",
                      control->m_oFace ? "face" : "-", place.left, place.top, place.right, place.bottom);
        p_sOut += line;
        if (control->IsPopup())
            DumpBar(*control->m_p_oPopupBar.get(), p_iDepth + 1, p_sOut);
    }
}

// A control channel path element: a caption (without '&'), "tag:TEXT" or "id:NUMBER".
bool MatchesElement(const CBarControl& p_oControl, const std::string& p_sElement)
{
    if (p_sElement.rfind("tag:", 0) == 0)
        return p_sElement.size() > 4 && p_oControl.m_sTag == p_sElement.substr(4);
    if (p_sElement.rfind("id:", 0) == 0)
    {
        const std::string digits = p_sElement.substr(3);
        return !digits.empty() && digits.size() <= 9 && digits.find_first_not_of("0123456789") == std::string::npos &&
               p_oControl.m_lId == std::stol(digits);
    }
    return SameText(p_oControl.PlainCaption(), p_sElement);
}
} // namespace

com_ptr<IDispatch> CreateControls(CCommandBar* p_pBar)
{
    com_ptr<IDispatch> controls;
    controls.attach(new CControls(p_pBar, {}));
    return controls;
}

com_ptr<IDispatch> CreateControlList(const std::vector<CBarControl*>& p_vControls)
{
    com_ptr<IDispatch> controls;
    controls.attach(new CControls(nullptr, p_vControls));
    return controls;
}

CCommandBars::CCommandBars(WORD p_nMajor, HWND p_hFrame)
    : CDispatchObject({{L"Item", kItem, DISPATCH_METHOD | DISPATCH_PROPERTYGET, 1},
                       {L"Count", kCount, DISPATCH_PROPERTYGET, 0},
                       {L"Add", kAdd, DISPATCH_METHOD, 4, 0},
                       {L"FindControl", kFindControl, DISPATCH_METHOD, 4, 0},
                       {L"FindControls", kFindControls, DISPATCH_METHOD, 4, 0},
                       {L"ActiveMenuBar", kActiveMenuBar, DISPATCH_PROPERTYGET, 0}}),
      m_hFrame(p_hFrame)
{
    AddBuiltIns(p_nMajor);
}

CCommandBars::~CCommandBars()
{
    Detach();
}

void CCommandBars::Detach()
{
    m_hFrame = nullptr;
    m_fnLayout = nullptr;
    for (const com_ptr<CCommandBar>& bar : m_vBars)
        bar->Detach();
}

// The built-in bars: the menu bar, "Standard" with the New item, and a hidden "Advanced". The menu of
// item commands is "Actions" from 9.0, "Actions" with another accelerator in 8.5 and "Compose" in 8.0.
void CCommandBars::AddBuiltIns(WORD p_nMajor)
{
    const char* actions = p_nMajor >= 9 ? "&Actions" : p_nMajor == 8 ? "Co&mpose" : "Actio&ns";
    const UINT newMessage = exchext::kCmdFileNewMessage;
    struct CBarLayout
    {
        const char* m_szName;
        LONG m_lPosition;
        bool m_bVisible;
        std::vector<CBuiltIn> m_vControls;
    };
    const CBarLayout bars[] = {{"Menu Bar",
                                kBarMenuBar,
                                true,
                                {{kControlPopup, 30002, "&File", 0, 4},
                                 {kControlPopup, 30037, "Ne&w", 0, 1},
                                 {kControlButton, 1757, "&Mail Message", newMessage, 0},
                                 {kControlButton, 4, "&Print...", kCmdPrint, 0},
                                 {kControlButton, 106, "&Close", kCmdClose, 0},
                                 {kControlPopup, 30003, "&Edit", 0, 1},
                                 {kControlButton, 478, "&Delete", kCmdDelete, 0},
                                 {kControlPopup, 30004, "&View", 0, 0},
                                 {kControlPopup, 30007, "&Tools", 0, 3},
                                 {kControlButton, 353, "&Address Book...", kCmdAddressBook, 0},
                                 {kControlButton, 797, "&Customize...", kCmdCustomize, 0},
                                 {kControlButton, 522, "&Options...", kCmdOptions, 0},
                                 {kControlPopup, 30131, actions, 0, 4},
                                 {kControlButton, 1757, "New &Mail Message", newMessage, 0},
                                 {kControlButton, 354, "&Reply", kCmdReply, 0},
                                 {kControlButton, 355, "Reply to A&ll", kCmdReplyAll, 0},
                                 {kControlButton, 356, "For&ward", kCmdForward, 0},
                                 {kControlPopup, 30010, "&Help", 0, 1},
                                 {kControlButton, 927, "&About", kCmdAbout, 0}}},
                               {"Standard",
                                kBarTop,
                                true,
                                {{kControlSplitButtonPopup, 30037, "Ne&w", newMessage, 1},
                                 {kControlButton, 1757, "&Mail Message", newMessage, 0},
                                 {kControlButton, 4, "&Print", kCmdPrint, 0},
                                 {kControlButton, 478, "&Delete", kCmdDelete, 0},
                                 {kControlButton, 354, "&Reply", kCmdReply, 0},
                                 {kControlButton, 355, "Reply to A&ll", kCmdReplyAll, 0},
                                 {kControlButton, 356, "For&ward", kCmdForward, 0},
                                 {kControlButton, 353, "Address &Book", kCmdAddressBook, 0}}},
                               {"Advanced", kBarTop, false, {{kControlButton, 1, "Outlook Today", 0, 0}}}};
    for (const CBarLayout& layout : bars)
    {
        com_ptr<CCommandBar> bar;
        bar.attach(new CCommandBar(this, layout.m_szName, layout.m_lPosition, false));
        bar->m_bBuiltIn = true;
        bar->m_bVisible = layout.m_bVisible;
        bar->m_lRowIndex = static_cast<LONG>(m_vBars.size() + 1);
        olstandin::AddBuiltIns(*bar.get(), layout.m_vControls);
        m_vBars.push_back(std::move(bar));
    }
}

CCommandBar* CCommandBars::Bar(const std::string& p_sName) const
{
    for (const com_ptr<CCommandBar>& bar : m_vBars)
        if (SameText(bar->m_sName, p_sName))
            return bar.get();
    return nullptr;
}

// Shown docked bars with the same RowIndex share a row, ordered by the Left they were given, each as wide
// as its controls and the last one to the edge; a bar without a row index has a row of its own. Floating
// bars are windows of their own and take no row.
int CCommandBars::Arrange(int p_iTop, int p_iWidth)
{
    std::vector<std::vector<CCommandBar*>> rows;
    for (const com_ptr<CCommandBar>& bar : m_vBars)
    {
        if (bar->m_lPosition == kBarFloating)
        {
            ShowFloatingBarWindow(*bar.get(), m_hFrame != nullptr && bar->m_bVisible);
            continue;
        }
        const bool shown = m_hFrame != nullptr && bar->m_bVisible && bar->m_lPosition != kBarPopup;
        if (!shown)
        {
            if (bar->m_hWnd != nullptr)
                ShowBarWindow(*bar.get(), RECT{0, p_iTop, p_iWidth, p_iTop});
            continue;
        }
        auto row = std::find_if(rows.begin(), rows.end(), [&](const std::vector<CCommandBar*>& p_vRow) {
            return bar->m_lRowIndex > 0 && p_vRow.front()->m_lRowIndex == bar->m_lRowIndex;
        });
        if (row == rows.end())
            rows.push_back({bar.get()});
        else
            row->push_back(bar.get());
    }
    int top = p_iTop;
    for (std::vector<CCommandBar*>& row : rows)
    {
        std::stable_sort(row.begin(), row.end(), [](const CCommandBar* p_pA, const CCommandBar* p_pB) {
            return p_pA->m_ptAsked.x < p_pB->m_ptAsked.x;
        });
        int left = 0;
        for (size_t i = 0; i < row.size(); ++i)
        {
            const int right = i + 1 == row.size() ? p_iWidth : std::min(p_iWidth, left + BarContentWidth(*row[i]));
            ShowBarWindow(*row[i], RECT{left, top, right, top + kBarHeight});
            left = right;
        }
        top += kBarHeight;
    }
    return top - p_iTop;
}

void CCommandBars::Changed()
{
    if (m_fnLayout)
        m_fnLayout();
}

void CCommandBars::RunCommand(UINT p_nCommand) const
{
    if (m_hFrame != nullptr)
        (void)LOG_IF_WIN32_BOOL_FALSE(PostMessageA(m_hFrame, WM_COMMAND, MAKEWPARAM(p_nCommand, 0), 0));
}

std::vector<CBarControl*> CCommandBars::AllControls(bool p_bVisibleOnly)
{
    std::vector<CBarControl*> found;
    for (const com_ptr<CCommandBar>& bar : m_vBars)
        if (!p_bVisibleOnly || bar->m_bVisible)
            bar->Find(0, 0, "", p_bVisibleOnly, true, found);
    return found;
}

std::string CCommandBars::Dump() const
{
    std::string text;
    for (const com_ptr<CCommandBar>& bar : m_vBars)
    {
        char line[512] = {};
        std::snprintf(line, sizeof line, "bar '%s' %s position %ld %s\n", bar->m_sName.c_str(),
                      bar->m_bVisible ? "visible" : "hidden", bar->m_lPosition,
                      bar->m_bBuiltIn ? "builtin" : (bar->m_bTemporary ? "temporary" : "custom"));
        text += line;
        DumpBar(*bar.get(), 1, text);
    }
    return text;
}

// Each element of the path is clicked in turn; one found by tag or id below closed lists has those
// lists opened on the way, as a user would open them.
bool CCommandBars::ClickByPath(const std::string& p_sPath)
{
    std::vector<std::string> elements;
    for (size_t start = 0; start <= p_sPath.size();)
    {
        const size_t end = std::min(p_sPath.find('>', start), p_sPath.size());
        elements.push_back(p_sPath.substr(start, end - start));
        start = end + 1;
    }
    CBarControl* popup = nullptr;
    for (size_t i = 0; i < elements.size(); ++i)
    {
        if (i > 0 && popup == nullptr)
            return false;
        const std::vector<CBarControl*> chain = Locate(popup, elements[i]);
        if (chain.empty())
            return false;
        // A split button's list opens by its arrow; its body runs the command. A list already open is
        // not clicked again on the way through: that would close it.
        for (size_t j = 0; j < chain.size(); ++j)
        {
            const bool through = j + 1 < chain.size() || i + 1 < elements.size();
            if (through && chain[j]->IsPopup() && chain[j]->m_p_oPopupBar->m_hWnd != nullptr)
                continue;
            if (!ClickControlWindow(*chain[j], through))
                return false;
        }
        popup = chain.back()->IsPopup() ? chain.back() : nullptr;
    }
    return true;
}

bool CCommandBars::MoveByElement(const std::string& p_sElement, LONG p_lBefore)
{
    const std::vector<CBarControl*> chain = Locate(nullptr, p_sElement);
    CBarControl* control = chain.empty() ? nullptr : chain.back();
    return control != nullptr && control->Parent() != nullptr &&
           SUCCEEDED(LOG_IF_FAILED(control->MoveTo(*control->Parent(), p_lBefore)));
}

bool CCommandBars::DeleteByElement(const std::string& p_sElement)
{
    const std::vector<CBarControl*> chain = Locate(nullptr, p_sElement);
    if (chain.empty() || chain.back()->Parent() == nullptr)
        return false;
    chain.back()->Parent()->RemoveControl(chain.back());
    return true;
}

std::vector<CBarControl*> CCommandBars::Locate(CBarControl* p_pPopup, const std::string& p_sElement) const
{
    std::vector<CBarControl*> scope;
    if (p_pPopup != nullptr)
        for (const com_ptr<CBarControl>& control : p_pPopup->m_p_oPopupBar->m_vControls)
            scope.push_back(control.get());
    else
        for (const com_ptr<CCommandBar>& bar : m_vBars)
            if (bar->m_bVisible && bar->m_hWnd != nullptr)
                for (const com_ptr<CBarControl>& control : bar->m_vControls)
                    scope.push_back(control.get());
    for (CBarControl* control : scope)
        if (control->m_bVisible && MatchesElement(*control, p_sElement))
            return {control};
    // A caption names a control where it is shown; a tag or an id also finds one inside a list.
    if (p_sElement.rfind("tag:", 0) != 0 && p_sElement.rfind("id:", 0) != 0)
        return {};
    for (CBarControl* control : scope)
        if (control->m_bVisible && control->IsPopup())
        {
            std::vector<CBarControl*> inner = Locate(control, p_sElement);
            if (!inner.empty())
            {
                inner.insert(inner.begin(), control);
                return inner;
            }
        }
    return {};
}

HRESULT CCommandBars::Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult)
{
    if (p_id == kCount)
        return ReturnLong(p_oResult, static_cast<LONG>(m_vBars.size()));
    if (p_id == kActiveMenuBar)
        return ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(m_vBars.front().get()));
    if (p_id == kItem)
    {
        std::string name;
        LONG index = 0;
        CCommandBar* bar = nullptr;
        if (p_vArgs[0]->vt == VT_BSTR || p_vArgs[0]->vt == (VT_BSTR | VT_BYREF))
            bar = ArgAnsi(p_vArgs[0], name) ? Bar(name) : nullptr;
        else if (ArgLong(p_vArgs[0], index) && index >= 1 && static_cast<size_t>(index) <= m_vBars.size())
            bar = m_vBars[static_cast<size_t>(index - 1)].get();
        return bar != nullptr ? ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(bar)) : E_INVALIDARG;
    }
    if (p_id == kAdd)
    {
        // Add(Name, Position, MenuBar, Temporary): a new bar is floating and hidden until shown.
        std::string name;
        LONG position = kBarFloating;
        bool temporary = false;
        if ((!IsMissing(p_vArgs[0]) && !ArgAnsi(p_vArgs[0], name)) ||
            (!IsMissing(p_vArgs[1]) && !ArgLong(p_vArgs[1], position)) ||
            (!IsMissing(p_vArgs[3]) && !ArgBool(p_vArgs[3], temporary)))
            return DISP_E_TYPEMISMATCH;
        if (name.empty())
            name = "Custom " + std::to_string(m_vBars.size() + 1);
        if (Bar(name) != nullptr || position < 0 || position > kBarMenuBar)
            return E_INVALIDARG;
        com_ptr<CCommandBar> bar;
        bar.attach(new CCommandBar(this, name, position, temporary));
        m_vBars.push_back(bar);
        return ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(bar.get()));
    }
    // FindControl(s)(Type, Id, Tag, Visible) over every bar and popup.
    LONG type = 0;
    LONG id = 0;
    std::string tag;
    bool visible = false;
    if ((!IsMissing(p_vArgs[0]) && !ArgLong(p_vArgs[0], type)) ||
        (!IsMissing(p_vArgs[1]) && !ArgLong(p_vArgs[1], id)) || (!IsMissing(p_vArgs[2]) && !ArgAnsi(p_vArgs[2], tag)) ||
        (!IsMissing(p_vArgs[3]) && !ArgBool(p_vArgs[3], visible)))
        return DISP_E_TYPEMISMATCH;
    std::vector<CBarControl*> found;
    for (const com_ptr<CCommandBar>& bar : m_vBars)
        if (!visible || bar->m_bVisible)
            bar->Find(type, id, tag, visible, true, found);
    if (found.empty())
        return S_OK;
    if (p_id == kFindControl)
        return ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(found.front()));
    return ReturnObject(p_oResult, CreateControlList(found));
}
} // namespace olstandin
