// outlook/col97_win.h: the plug-in's command-bar controls in Outlook 97 and 98, whose bars raise no
// click events: a mouse hook finds clicks on the controls by accessibility hit testing, a CBT hook
// watches the windows the client makes (its Office dialogs, the forms idle window), and the
// explorer's close waits while the core library is starting up.
#pragma once

#include "outlook/ol2000_win.h"

#include <functional>

// What the hooks hand back to the plug-in.
struct CCol97Events
{
    // A button of the plug-in was pressed and released (the control the user clicked).
    std::function<void(IDispatch* p_pControl)> m_fnClick;
    // The client's forms idle window reported idle: the SMS forms are to be installed.
    std::function<void()> m_fnInstallForms;
};

// The timer that re-tests "SMSStartupMutex" while the explorer's close waits.
inline constexpr UINT_PTR kStartupWaitTimer = 94731;
inline constexpr UINT kStartupWaitMs = 200;

// Putting the companion back after New is COL2000's: in 97 it is a control on "Standard" that Move
// places like any other (the hit tests follow a control to its new place); 98's own "New SMS Bar"
// holds it alone, so there nothing is re-placed.
class COL97 final : public COL2000
{
  public:
    // Installs the hooks (with the first instance of the process, on this thread) and subclasses the
    // explorer window and an existing forms idle window. p_iHostVersionCode 2 is Outlook 98.
    COL97(IDispatch* p_pExplorer, HWND p_hExplorer, int p_iHostVersionCode, CCol97Events p_oEvents);
    ~COL97() override;

    // Whether this process's hooks are in place.
    [[nodiscard]] static bool Hooked();
    // The plug-in's button under screen point p_ptScreen in command-bar window p_hBar, or null: the
    // window's class must match where the control lives ("MsoCommandBarPopup" for lists), the
    // control's own accessible object (or, without one, its place) must be hit, and where the
    // window answers accessibility the object at the point must carry the control's name.
    [[nodiscard]] com_ptr<IDispatch> ButtonHitTest(HWND p_hBar, POINT p_ptScreen) const;

    HWND Explorer() const
    {
        return m_hExplorerWindow;
    }
    const CCol97Events& Events() const
    {
        return m_oEvents;
    }

  private:
    HWND m_hExplorerWindow;
    CCol97Events m_oEvents;
};
