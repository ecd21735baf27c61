// outlook/drop_down_win.h: the plug-in's own drop-down list ("SMSChevronPopup") for a toolbar entry
// with children: a popup holding a toolbar of the children, opened under the clicked button, that
// runs the child clicked and closes on a click outside or when it loses activation.
#pragma once

#include "outlook/ol2000_win.h"
#include "outlook/toolbar_definition.h"

#include <windows.h>

#include <functional>
#include <vector>

inline constexpr char kDropDownClass[] = "SMSChevronPopup";

class CDropDown
{
  public:
    using FnRun = std::function<void(const CToolbarEntry& p_oChild)>;

    // Opens the list of p_vChildren (faces from p_oFaces by bitmap id, green masked) with its
    // top-right corner at p_ptAnchor (the clicked button's right and bottom edge), kept on the
    // screen; it takes the foreground and the mouse. Only one list exists: while it is open, a
    // second request takes the mouse again and opens nothing. False when the window could not be made.
    [[nodiscard]] static bool Open(HWND p_hOwner, POINT p_ptAnchor, const std::vector<CToolbarEntry>& p_vChildren,
                                   const CFaceBitmaps& p_oFaces, FnRun p_fnRun);
    // Closes the open list (of p_hOwner only, when given).
    static void Close(HWND p_hOwner = nullptr);
    // The open list's window, or null.
    [[nodiscard]] static HWND Window();
};
