// outlook/ol2000_win.h: the plug-in's controls in the command bars of one explorer of Outlook 2000
// and later: the "SMS Bar" built from the resource module's "Toolbar.txt", the "New Branded SMS"
// companions beside New, in New's list and in the Actions menu, the Reply/Forward state, and the
// stored visibility of the bar.
#pragma once

#include "common/handle_win.h"
#include "outlook/toolbar_definition.h"

#include <windows.h>

#include <ocidl.h>

#include <map>
#include <string>
#include <vector>

// The face bitmaps of the definition entries by resource id, loaded before the module is released.
using CFaceBitmaps = std::map<uint32_t, unique_hbitmap>;

class COL2000
{
  public:
    // p_pExplorer: the explorer's object; p_pSink: the click sink connected to every control added
    // (not held: it owns this object, and only the connections hold it until Disconnect).
    COL2000(IDispatch* p_pExplorer, HWND p_hExplorer, IDispatch* p_pSink);
    virtual ~COL2000();
    COL2000(const COL2000&) = delete;
    COL2000& operator=(const COL2000&) = delete;

    // Finds or makes "SMS Bar" and fills it with the entries (temporary controls, tags, pasted
    // faces, the click sink); shown unless p_bShow is false. The clipboard must be kept by the
    // caller. False when the bar could not be made; single controls that fail are skipped.
    [[nodiscard]] bool InstallSMSToolbar(const std::vector<CToolbarEntry>& p_vEntries, const CFaceBitmaps& p_oFaces,
                                         bool p_bShow);
    // The "New Branded SMS" companion beside New on "Standard" and in New's list (once each).
    [[nodiscard]] bool InstallButtonOnNewItem(const CToolbarEntry& p_oCompanion, HBITMAP p_hFace);
    // Outlook or another add-in may reorder "Standard": puts the companion back directly after New
    // with the control's Move, or adds it there again when it is gone (p_hFace pasted as its face,
    // the clipboard kept by the caller). Nothing moves on the separate "New SMS Bar". False while
    // there is nothing to put back yet (no companion was installed on "Standard").
    [[nodiscard]] bool RectifyButtonPositions(const CToolbarEntry& p_oCompanion, HBITMAP p_hFace);
    // Whether the companion beside New was deleted (RectifyButtonPositions would add it again).
    [[nodiscard]] bool StandardCompanionGone() const;
    // The "New Branded SMS" entry of the "Menu Bar"'s Actions menu (once).
    [[nodiscard]] bool InstallMenuEntry(const CToolbarEntry& p_oCompanion, HBITMAP p_hFace);
    [[nodiscard]] bool BarInstalled() const
    {
        return static_cast<bool>(m_p_oBar);
    }

    // Enables or greys the bar's controls running Reply and Forward via SMS.
    void SetReplyForwardEnabled(bool p_bEnabled);
    // Whether exactly one item is selected and it is a note (the explorer's Selection).
    [[nodiscard]] bool OneNoteSelected() const;
    // Whether the bar is shown now; p_bFallback when it cannot be read (or there is none yet).
    [[nodiscard]] bool BarVisible(bool p_bFallback) const;
    // Stores the bar's visibility as "OutlookToolbarShowing" ("True" / "False").
    void RecordToolbarState();
    [[nodiscard]] bool StateRecorded() const
    {
        return m_bStateRecorded;
    }
    // Disconnects the click sink from every control (the explorer is closing).
    void Disconnect();

    // A button the plug-in put on a bar, or in a list (a popup's, New's, a menu's).
    struct CPlacedControl
    {
        com_ptr<IDispatch> m_p_oControl;
        bool m_bInList = false;
    };
    // The plug-in's buttons now on the bars: the companions, then the "SMS Bar"'s.
    std::vector<CPlacedControl> PlacedControls() const;

  protected:
    // Clients whose command bars raise no click events: a "D" entry with its own list becomes a
    // button (the plug-in opens the list), and popups of the bar are drawn by the client.
    bool m_bOwnDropDowns = false;
    // Outlook 98: the companion beside New goes on a bar of its own, docked on Standard's row.
    bool m_bSeparateNewBar = false;

  private:
    struct CConnection
    {
        com_ptr<IConnectionPoint> m_p_oPoint;
        DWORD m_dwCookie = 0;
    };
    // Finds or makes "New SMS Bar" on the row of p_pStandard; its controls, or null.
    com_ptr<IDispatch> NewSMSBarControls(IDispatch* p_pBars, IDispatch* p_pStandard);
    // Adds one control to p_pControls and sets it up from p_oEntry; the control, or null.
    com_ptr<IDispatch> AddControl(IDispatch* p_pControls, long p_lType, const CToolbarEntry& p_oEntry,
                                  uint32_t p_uCommand, uint32_t p_uSpare, HBITMAP p_hFace, long p_lBefore,
                                  std::vector<CConnection>& p_vConnections);
    void Connect(IDispatch* p_pControl, std::vector<CConnection>& p_vConnections);
    static void Disconnect(std::vector<CConnection>& p_vConnections);
    com_ptr<IDispatch> Bars() const;

    com_ptr<IDispatch> m_p_oExplorer;
    HWND m_hExplorer;
    IDispatch* m_pSink;
    com_ptr<IDispatch> m_p_oBar;
    // The bar's controls that run Reply and Forward via SMS.
    std::vector<com_ptr<IDispatch>> m_vReplyForward;
    // The click connections of the companions, and of the bar's controls (replaced with them).
    std::vector<CConnection> m_vConnections;
    std::vector<CConnection> m_vBarConnections;
    std::vector<CPlacedControl> m_vPlacedCompanions;
    std::vector<CPlacedControl> m_vPlacedBar;
    // The companion beside New (not on the separate "New SMS Bar"), while it is on a bar.
    com_ptr<IDispatch> m_p_oStandardCompanion;
    bool m_bStandardCompanion = false;
    bool m_bNewListCompanion = false;
    bool m_bMenuEntry = false;
    bool m_bStateRecorded = false;
};
