// compose/ui/my_window.h: CMyWindow, the top-level window base of the compose and template windows:
// the opener's window, the thread-ended event, accelerators, the remembered rectangle, the file
// dialogs' filters, the current file and the modified flag.
#pragma once

#include "common/error_slot.h"
#include "common/handle_win.h"

#include <windows.h>

#include <string>

class CMyWindow
{
  public:
    CMyWindow(HWND p_hParentWnd, const char* p_szRectValue, std::string p_sOpenFilter, std::string p_sSaveFilter,
              const char* p_szExtension);
    virtual ~CMyWindow();
    CMyWindow(const CMyWindow&) = delete;
    CMyWindow& operator=(const CMyWindow&) = delete;

    // Writes the content to m_sFileName.
    [[nodiscard]] virtual bool SaveToFile() = 0;
    [[nodiscard]] virtual bool LoadFromFile(const std::string& p_sPath) = 0;
    // True to go on with a save.
    virtual bool PrepareSave()
    {
        return true;
    }
    [[nodiscard]] virtual bool CreateChildren() = 0;
    virtual bool OnCommand(WPARAM, LPARAM)
    {
        return false;
    }
    virtual bool OnNotify(NMHDR*, LRESULT&)
    {
        return false;
    }
    virtual void OnSize()
    {
    }
    virtual void OnClose()
    {
        DestroyWindow(m_hWnd);
    }
    virtual void OnDestroy()
    {
    }

    HWND Handle() const
    {
        return m_hWnd;
    }
    HWND Parent() const
    {
        return m_hParentWnd;
    }
    HANDLE ClosedEvent() const
    {
        return m_hClosedEvent.get();
    }
    HACCEL Accelerators() const
    {
        return m_hAccelerators;
    }
    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    bool IsModified() const
    {
        return m_bModified;
    }
    void SetModified(bool p_bModified)
    {
        m_bModified = p_bModified;
    }

    // The window thread's loop for its modeless dialog p_hDlg until the thread's WM_QUIT:
    // accelerators first, then the dialog's own keys, then the usual dispatch.
    void RunMessageLoop(HWND p_hDlg) const;
    // Save under the current name, or ask for one.
    [[nodiscard]] bool Save(bool p_bAskName);
    // The rectangle under HKCU Software\Brevolt, as left, top, right, bottom.
    void SaveRectangle() const;
    void RestoreRectangle() const;

  protected:
    [[nodiscard]] bool AskFileName(bool p_bSave, std::string& p_sPath) const;

    HWND m_hParentWnd;
    HWND m_hWnd = nullptr;
    // Signalled when the window's thread has started and again when it has ended. The window list
    // of the opener takes it over when the window is listed.
    unique_handle m_hClosedEvent;
    HACCEL m_hAccelerators = nullptr;
    std::string m_sRectValue;
    std::string m_sOpenFilter;
    std::string m_sSaveFilter;
    std::string m_sExtension;
    std::string m_sFileName;
    bool m_bModified = false;
    CErrorSlot m_oError;
};
