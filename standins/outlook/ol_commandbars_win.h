// standins/outlook/ol_commandbars_win.h: the Office command bars of an explorer: the CommandBars
// collection, its bars and their controls as late-bound objects that are also the model the bar
// windows ("MsoCommandBar") draw; button clicks raise _CommandBarButtonEvents.Click.
#pragma once

#include "common/handle_win.h"
#include "standins/outlook/ol_dispatch_win.h"

#include <windows.h>

#include <oleacc.h>

#include <functional>
#include <string>
#include <vector>

namespace olstandin
{
// IAccessible's identifier, spelled out: the oleacc import library also exports the name, as code, and
// a link that takes it from there compares against the bytes of a jump.
inline constexpr IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// MsoControlType values the host knows.
inline constexpr LONG kControlButton = 1;
inline constexpr LONG kControlPopup = 10;
inline constexpr LONG kControlSplitButtonPopup = 13;
// MsoBarPosition values.
inline constexpr LONG kBarTop = 1;
inline constexpr LONG kBarFloating = 4;
inline constexpr LONG kBarPopup = 5;
inline constexpr LONG kBarMenuBar = 6;
// MsoButtonStyle values.
inline constexpr LONG kStyleAutomatic = 0;
inline constexpr LONG kStyleIcon = 1;
inline constexpr LONG kStyleCaption = 2;
inline constexpr LONG kStyleIconAndCaption = 3;

class CCommandBar;
class CCommandBars;

// One control on a bar: a button, or a popup that holds a bar of its own.
class CBarControl final : public CEventObject
{
  public:
    CBarControl(CCommandBar* p_pParent, LONG p_lType, LONG p_lId, bool p_bTemporary);
    // IAccessible too, as an Office control answers it: a tear-off named and placed as the control.
    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override;

    LONG m_lType;
    LONG m_lId;
    bool m_bTemporary;
    bool m_bBuiltIn = false;
    std::string m_sCaption;
    std::string m_sTag;
    std::string m_sTooltip;
    std::string m_sParameter;
    std::string m_sOnAction;
    LONG m_lStyle = kStyleAutomatic;
    LONG m_lFaceId = 0;
    LONG m_lState = 0;
    bool m_bVisible = true;
    bool m_bEnabled = true;
    bool m_bBeginGroup = false;
    // The face pasted from the clipboard (16 x 16), drawn before the caption.
    unique_hbitmap m_oFace;
    // A built-in control's own action: the command posted to the explorer when no sink cancels it.
    UINT m_nCommand = 0;
    // The popup's bar (popups only).
    com_ptr<CCommandBar> m_p_oPopupBar;
    // Where the bar window drew the control last (client coordinates of the bar window).
    RECT m_rcPlace{};

    CCommandBar* Parent() const
    {
        return m_pParent;
    }
    void Detach();
    // As a user's click: Click to the sinks (and to those of controls sharing a non-empty Tag), then the
    // control's own action unless a sink cancelled it; a plain popup opens its list instead.
    void Execute();
    // The caption as shown, without accelerator marks.
    [[nodiscard]] std::string PlainCaption() const;
    [[nodiscard]] bool IsPopup() const
    {
        return m_p_oPopupBar.get() != nullptr;
    }
    // Raises Click to this control's sinks with p_pClicked as the control; true when one cancelled.
    [[nodiscard]] bool RaiseClick(CBarControl* p_pClicked);
    // Move(Bar, Before): takes the control off its bar and puts it on p_oTarget (the same bar or another
    // of this explorer) in front of the control now at 1-based p_lBefore, or last when there is none.
    [[nodiscard]] HRESULT MoveTo(CCommandBar& p_oTarget, LONG p_lBefore);

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override;
    HRESULT Put(DISPID p_id, const VARIANT& p_oValue) override;

  private:
    [[nodiscard]] HRESULT PasteFace();
    [[nodiscard]] HRESULT CopyFace() const;
    void Changed();
    // The bar of this explorer that a Bar argument holds, or null.
    [[nodiscard]] CCommandBar* BarOfArgument(const VARIANT* p_pBar) const;

    CCommandBar* m_pParent;
};

// One bar: a toolbar, the menu bar, or the list of a popup control.
class CCommandBar final : public CDispatchObject
{
  public:
    CCommandBar(CCommandBars* p_pOwner, std::string p_sName, LONG p_lPosition, bool p_bTemporary);
    ~CCommandBar() override;

    std::string m_sName;
    LONG m_lPosition;
    bool m_bTemporary;
    bool m_bBuiltIn = false;
    bool m_bVisible = false;
    bool m_bEnabled = true;
    LONG m_lRowIndex = 0;
    // msoBarNoProtection 0 and the other protection flags: kept, not enforced.
    LONG m_lProtection = 0;
    // Where a caller asked a floating bar to be (Left, Top); docked bars are placed by the host.
    POINT m_ptAsked{};
    std::vector<com_ptr<CBarControl>> m_vControls;
    // The window that draws the bar while it is shown ("MsoCommandBar", or "MsoCommandBarPopup" for a
    // popup's open list).
    HWND m_hWnd = nullptr;
    // The popup control whose list this bar is (popup bars only).
    CBarControl* m_pPopupOf = nullptr;

    CCommandBars* Owner() const
    {
        return m_pOwner;
    }
    void Detach();
    // Adds a control as Controls.Add does: p_lBefore is 1-based, 0 or past the end appends.
    [[nodiscard]] com_ptr<CBarControl> AddControl(LONG p_lType, LONG p_lId, LONG p_lBefore, bool p_bTemporary);
    void RemoveControl(CBarControl* p_pControl);
    void Changed();
    // The controls below this bar, depth first, that match (0 / empty / false ignore a criterion).
    void Find(LONG p_lType, LONG p_lId, const std::string& p_sTag, bool p_bVisibleOnly, bool p_bRecursive,
              std::vector<CBarControl*>& p_vFound);

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override;
    HRESULT Put(DISPID p_id, const VARIANT& p_oValue) override;

  private:
    CCommandBars* m_pOwner;
};

// The CommandBars collection of one explorer.
class CCommandBars final : public CDispatchObject
{
  public:
    // p_nMajor chooses the built-in bars' captions (the menu of new items differs by version).
    CCommandBars(WORD p_nMajor, HWND p_hFrame);
    ~CCommandBars() override;

    std::vector<com_ptr<CCommandBar>> m_vBars;

    // The explorer is gone: the bars keep answering callers that hold them but draw nothing.
    void Detach();
    HWND Frame() const
    {
        return m_hFrame;
    }
    [[nodiscard]] CCommandBar* Bar(const std::string& p_sName) const;
    // Places the shown bars' windows in rows from p_iTop across p_iWidth; the height they take.
    int Arrange(int p_iTop, int p_iWidth);
    // Something a bar shows changed: the frame lays out again and the bars redraw.
    void Changed();
    std::function<void()> m_fnLayout;
    // Posts a built-in control's command to the explorer.
    void RunCommand(UINT p_nCommand) const;
    // Every control of every bar, depth first.
    [[nodiscard]] std::vector<CBarControl*> AllControls(bool p_bVisibleOnly);
    // Control channel: the bars and controls, one line each.
    [[nodiscard]] std::string Dump() const;
    // Control channel: clicks a control as a user does, by mouse messages to its bar window; p_sPath is
    // captions (or "tag:TEXT", "id:NUMBER") joined by '>' down through popups.
    [[nodiscard]] bool ClickByPath(const std::string& p_sPath);
    // Control channel: moves the control p_sElement names (as in a path) within its bar in front of
    // the one at 1-based p_lBefore (0: last), or deletes it, as another component could.
    [[nodiscard]] bool MoveByElement(const std::string& p_sElement, LONG p_lBefore);
    [[nodiscard]] bool DeleteByElement(const std::string& p_sElement);

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override;

  private:
    void AddBuiltIns(WORD p_nMajor);
    // The controls to click, outermost first, to reach the one p_sElement names inside p_pPopup's list
    // (or on a shown bar when p_pPopup is null); empty when there is none.
    [[nodiscard]] std::vector<CBarControl*> Locate(CBarControl* p_pPopup, const std::string& p_sElement) const;

    HWND m_hFrame;
};

// The Controls collection of a bar.
[[nodiscard]] com_ptr<IDispatch> CreateControls(CCommandBar* p_pBar);
// Controls found by FindControls: a collection over a fixed list.
[[nodiscard]] com_ptr<IDispatch> CreateControlList(const std::vector<CBarControl*>& p_vControls);

// The bar windows (ol_commandbar_window_win.cpp).
[[nodiscard]] bool RegisterBarWindowClasses(HINSTANCE p_hInstance);
// Shows or hides the bar's window as the bar says, creating it on first need.
void ShowBarWindow(CCommandBar& p_oBar, const RECT& p_rcPlace);
void DestroyBarWindow(CCommandBar& p_oBar);
// The width the bar's shown controls take in a docked row.
[[nodiscard]] int BarContentWidth(CCommandBar& p_oBar);
// Opens the list of a popup control below it; closes any other open list of that bar.
void OpenPopupWindow(CBarControl& p_oPopup);
// Sends the button-down and button-up a user's click makes at the centre of the control (at its arrow
// when p_bArrow, which opens a split button's list).
[[nodiscard]] bool ClickControlWindow(const CBarControl& p_oControl, bool p_bArrow);
// Closes every open popup list (after a command ran, or when the explorer goes).
void CloseAllPopupWindows();
// Shows a floating bar as a tool window of its own over its explorer, where Left and Top put it (beside
// the explorer's corner when they were not given), or hides it.
void ShowFloatingBarWindow(CCommandBar& p_oBar, bool p_bShown);
// The 16 x 16 face of a FaceId from the stand-in's own table; blank for a number it does not hold
// (ol_commandbar_faces_win.cpp).
[[nodiscard]] unique_hbitmap BuiltInFace(LONG p_lFaceId);
// The accessible object of a bar window (ol_commandbar_access_win.cpp).
[[nodiscard]] com_ptr<IAccessible> CreateBarAccessible(CCommandBar* p_pBar, HWND p_hWnd);
// The accessible object of one control: CHILDID_SELF is the control (ol_commandbar_access_win.cpp).
[[nodiscard]] com_ptr<IAccessible> CreateControlAccessible(CBarControl* p_pControl);
inline constexpr const char* kBarWindowClass = "MsoCommandBar";
inline constexpr const char* kPopupWindowClass = "MsoCommandBarPopup";
inline constexpr int kBarHeight = 26;
} // namespace olstandin
