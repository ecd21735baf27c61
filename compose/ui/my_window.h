// compose/ui/my_window.h: CMyWindow, the top-level window base that CComposeFrame (the compose and
// template windows) builds on: the opener's window, the thread-ended event, accelerators, the
// remembered rectangle, the file dialogs' filters, the current file and the modified flag.
#pragma once

#include "common/error_slot.h"
#include "common/handle_win.h"

#include <windows.h>

#include <memory>
#include <string>

class CWindowList;

class CMyWindow
{
  public:
    CMyWindow(HWND p_hParentWnd, CWindowList* p_p_oWindows, const char* p_szRectValue, std::string p_sOpenFilter,
              std::string p_sSaveFilter, const char* p_szExtension);
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
    // Runs the window on a thread of its own, which makes the modeless dialog p_uDialog with
    // p_pDialogProc (its lParam is the window, as a CMyWindow*), runs its loop and deletes the window
    // when the loop ends. The window is listed with the opener's windows before the thread runs.
    // False when the thread could not be made or did not start within five seconds.
    [[nodiscard]] static bool StartThread(std::unique_ptr<CMyWindow> p_oWindow, bool p_bSendMessage, UINT p_uDialog,
                                          DLGPROC p_pDialogProc);
    // WM_INITDIALOG's first step once the object is tied to p_hDlg: the dialog becomes the window,
    // and an opener that asked for messages hears of it.
    void AdoptDialog(HWND p_hDlg);
    [[nodiscard]] bool AskFileName(bool p_bSave, std::string& p_sPath) const;

    HWND m_hParentWnd;
    HWND m_hWnd = nullptr;
    // The opener's window list, or null for a window nobody waits for.
    CWindowList* m_p_oWindows;
    bool m_bSendMessage = false;
    // The window's thread and its started/closed event; the opener's window list owns both once the
    // window is listed, the window object the event until then.
    HANDLE m_hThread = nullptr;
    HANDLE m_hThreadEvent = nullptr;
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

  private:
    static DWORD WINAPI ThreadMain(void* p_pWindow);

    UINT m_uDialog = 0;
    DLGPROC m_pDialogProc = nullptr;
};
