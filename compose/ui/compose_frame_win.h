// compose/ui/compose_frame_win.h: CComposeFrame, what the SMS compose window and the template editor
// share on top of CMyWindow: the dialog procedure and the messages both handle alike, the ways they
// ask to save, and the parts of their children made the same way (rebar, menu bar, text buttons,
// status bar, body, drop-down menus and tooltips).
#pragma once

#include "common/handle_win.h"
#include "compose/ui/my_window.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

class CMessageField;

// Private messages both frames understand: close now, offering a save (the server is closing), and
// the document is as its file again (posted after a load, whose own change notices come first).
constexpr UINT WM_SMS_FORCECLOSE = 0x04AA;
constexpr UINT WM_SMS_CLEARMODIFIED = 0x04B4;

class CComposeFrame : public CMyWindow
{
  public:
    // p_iBarWidth: the width button bars are made with, before their rebar sizes them.
    CComposeFrame(HWND p_hParentWnd, CWindowList* p_p_oWindows, const char* p_szRectValue, std::string p_sOpenFilter,
                  std::string p_sSaveFilter, const char* p_szExtension, int p_iBarWidth);

    // Drop-down buttons open their menu below themselves; tooltips come from the string table;
    // a rebar that changes height lays the window out again.
    bool OnNotify(NMHDR* p_pHeader, LRESULT& p_lResult) override;

  protected:
    // The ids a frame's menu bar is made with: the menu resource, the rebar on top of the window,
    // the bar on it, and the bar's first button (one drop-down button per menu).
    struct CMenuBarIds
    {
        UINT m_uMenu;
        int m_iRebar;
        int m_iBar;
        int m_iFirstButton;
    };

    // The dialog procedure both frames start their thread with (its lParam is the frame).
    static INT_PTR CALLBACK DialogProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);
    // WM_INITDIALOG's own work once the dialog is the window; false destroys the dialog.
    [[nodiscard]] virtual bool Initialise() = 0;
    // WM_DESTROY's own work, before the opener hears of it and the thread's loop ends.
    virtual void OnDialogDestroyed() = 0;
    // Commands, notifications, size, closing and WM_SMS_* messages both frames treat alike; FALSE
    // for every other message, which goes to the dialog's default handling.
    virtual INT_PTR HandleMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);
    virtual void ForceClose() = 0;
    // The popup of a drop-down button that is not on the menu bar, or null; p_hOwned keeps a
    // popup made for the occasion.
    virtual HMENU DropDownMenu(int p_iButton, unique_hmenu& p_hOwned) = 0;
    // The string id of the tooltip of a button or field; 0 when it has none.
    virtual unsigned ToolTipOf(UINT_PTR p_iId) const = 0;

    int Box(unsigned p_uCaption, const std::string& p_sText, UINT p_uType);
    // Yes/No/Cancel on a modified document, with p_uIcon: Yes saves. False when the user cancelled
    // or the save failed, and the action that asked is not to go on.
    [[nodiscard]] bool OfferSave(unsigned p_uCaption, unsigned p_uMessage, UINT p_uIcon);
    // The forced close's question: Yes saves, and the window closes whatever the answer.
    void OfferSaveBeforeForcedClose(unsigned p_uCaption, unsigned p_uMessage);
    // What is on the clipboard stays there once the window is gone.
    void CloseNow();

    // The menu resource loaded and the top rebar made with the menu bar as its first band.
    [[nodiscard]] bool CreateMenuBar(HINSTANCE p_hInstance, const CMenuBarIds& p_oIds);
    // A flat toolbar of text buttons on p_hParent whose commands and notifications reach the frame.
    HWND MakeButtonBar(HWND p_hParent, int p_iId) const;
    // The status bar, its first part p_iFirstPart wide and the second the rest.
    [[nodiscard]] bool CreateStatusBar(HINSTANCE p_hInstance, int p_iId, int p_iFirstPart);
    // The SMS body and the template body: one multi-line rich edit with the longest SMS body's limit.
    [[nodiscard]] bool CreateBody(CMessageField& p_oBody, int p_iId, LPARAM p_lEventMask) const;
    void SetIcons(HINSTANCE p_hInstance) const;
    // The status bar put at the bottom; its height.
    int PlaceStatusBar() const;

    unique_hmenu m_hMenu;
    HWND m_hRebar = nullptr;
    HWND m_hMenuBar = nullptr;
    HWND m_hStatus = nullptr;

  private:
    // The opener hears of one window fewer, OLE is released and the thread's loop ends.
    void EndThread();
    void ShowPopup(HWND p_hBar, int p_iButton, HMENU p_hPopup) const;

    int m_iBarWidth;
    int m_iFirstMenuButton = 0;
};

namespace compose_frame
{
constexpr BYTE kTextButton = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;

// A rebar for bars of buttons: variable height, band borders, laid out by its window.
HWND MakeRebar(HWND p_hParent, int p_iId);
void AddTextButton(HWND p_hBar, int p_iCommand, const std::string& p_sText, BYTE p_bStyle);
// A band of p_hRebar holding p_hChild, p_iWidth wide (plus the gripper) and at least p_iHeight high.
void AddBand(HWND p_hRebar, HWND p_hChild, int p_iWidth, int p_iHeight, bool p_bBreak);
// The room a bar's buttons take, at least 26 high.
SIZE BarSize(HWND p_hBar);
// A bar measured by its buttons, as one band of p_hRebar.
void AddBarBand(HWND p_hRebar, HWND p_hBar, bool p_bBreak);
void UseDefaultFont(HWND p_hWnd);
// Undo, redo, cut, copy, paste and select all as the message p_hTarget is sent; false when
// p_iCommand is none of them.
bool SendEditCommand(HWND p_hTarget, int p_iCommand);
} // namespace compose_frame
