// compose/fields/my_rich_edit_win.h: CMyRichEdit, the rich edit base of the compose window's fields
// (the body and the recipient fields): the control, its tooltip, the subclass procedure through
// which a field sees the control's messages first, and the control's OLE interface.
#pragma once

#include "common/handle_win.h"

#include <windows.h>
#include <richedit.h>
#include <richole.h>

#include <string>
#include <vector>

class CMyRichEdit
{
  public:
    CMyRichEdit() = default;
    virtual ~CMyRichEdit();
    CMyRichEdit(const CMyRichEdit&) = delete;
    CMyRichEdit& operator=(const CMyRichEdit&) = delete;

    // Creates the "RichEdit20A" control as child p_iId of p_hParent and subclasses it. The tooltip,
    // when p_hToolTip is given, shows p_sTip over the control.
    bool Create(HWND p_hParent, int p_iId, DWORD p_dwStyle, DWORD p_dwExStyle, HWND p_hToolTip,
                const std::string& p_sTip);
    // Removes the subclass and destroys the control (the parent's destruction also does).
    void Destroy();

    HWND Handle() const
    {
        return m_hWnd;
    }
    int Id() const
    {
        return m_iId;
    }
    // The control's OLE interface, or empty.
    com_ptr<IRichEditOle> GetOle() const;
    // The OLE interface and its client site, for inserting an object. On failure nothing is held
    // and the missing part is logged, the site's failure with p_szSiteFailure.
    [[nodiscard]] bool GetOleAndSite(com_ptr<IRichEditOle>& p_pOle, com_ptr<IOleClientSite>& p_pSite,
                                     const char* p_szSiteFailure) const;
    // Number of embedded objects, 0 without an OLE interface.
    long ObjectCount() const;
    // One embedded object: its character position and the object (empty when the control gave
    // none for it).
    struct CEmbeddedObject
    {
        long m_iPosition;
        com_ptr<IOleObject> m_pObject;
    };
    // The embedded objects in order of position. Objects the control fails to hand over are logged
    // and left out. False, logged, without an OLE interface.
    [[nodiscard]] bool EmbeddedObjects(std::vector<CEmbeddedObject>& p_vObjects) const;
    // The window text as the control reports it (an embedded object is one character).
    std::string GetText() const;
    void SetText(const std::string& p_sText);
    // Current selection in characters.
    void GetSelection(long& p_iStart, long& p_iEnd) const;
    void SetSelection(long p_iStart, long p_iEnd) const;
    void ReplaceSelection(const std::string& p_sText, bool p_bCanUndo = true) const;

  protected:
    // Sees every message of the control before it does. Returns true when it handled the message
    // and put the result into p_lResult; false passes the message on to the control.
    virtual bool OnMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam, LRESULT& p_lResult);
    // The control's own handling of a message.
    LRESULT CallPrevious(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam) const;

    HWND m_hWnd = nullptr;
    HWND m_hParentWnd = nullptr;
    int m_iId = 0;

  private:
    static LRESULT CALLBACK SubclassProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);

    WNDPROC m_pfnPrevious = nullptr;
    HWND m_hToolTip = nullptr;
};
