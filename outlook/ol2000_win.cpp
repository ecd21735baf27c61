// outlook/ol2000_win.cpp: building the plug-in's command-bar controls late bound, through the
// Office CommandBars objects of the explorer.
#include "outlook/ol2000_win.h"

#include "common/failure_log.h"
#include "common/late_bound_win.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "outlook/clipboard_keeper_win.h"
#include "outlook/res/plugin_resource.h"

#include <ocidl.h>

#include <cctype>

namespace
{
// MsoControlType, MsoBarPosition and MsoButtonStyle values.
constexpr long kControlButton = 1;
constexpr long kControlPopup = 10;
constexpr long kBarTop = 1;
constexpr long kStyleCaption = 2;
constexpr long kStyleIconAndCaption = 3;
// Built-in control ids: New (a split button with its list) and the menu of item actions.
constexpr long kNewControlId = 30037;
constexpr long kActionsMenuId = 30131;
// Tag numbers of the companions: apart from the entries' positions, so no two controls share a tag
// (a click reaches the sinks of every control with the clicked one's tag).
constexpr uint32_t kStandardCompanionTag = 9001;
constexpr uint32_t kNewListCompanionTag = 9002;
constexpr uint32_t kMenuEntryTag = 9003;

constexpr IID kIidButtonEvents = {0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr wchar_t kBarName[] = L"SMS Bar";
constexpr wchar_t kNewBarName[] = L"New SMS Bar";

bool RunsReplyOrForward(const CToolbarEntry& p_oEntry)
{
    int action = 0;
    return ParseActionTarget(p_oEntry.m_sTarget, action) &&
           (static_cast<uint32_t>(action) == ID_REPLY_VIA_SMS || static_cast<uint32_t>(action) == ID_FORWARD_VIA_SMS);
}

com_ptr<IDispatch> Held(const CVariant& p_oValue)
{
    return com_ptr<IDispatch>::copy_from(p_oValue.Object());
}

// Whether both are the same COM object (their IUnknown).
bool SameObject(IDispatch* p_pOne, IDispatch* p_pOther)
{
    com_ptr<IUnknown> one;
    com_ptr<IUnknown> other;
    return p_pOne != nullptr && p_pOther != nullptr &&
           SUCCEEDED(p_pOne->QueryInterface(IID_IUnknown, one.put_void())) &&
           SUCCEEDED(p_pOther->QueryInterface(IID_IUnknown, other.put_void())) && one.get() == other.get();
}

// A built-in control by id on the bar named p_szBar (FindControl(Type, Id)).
com_ptr<IDispatch> FindBuiltIn(IDispatch* p_pBars, const wchar_t* p_szBar, long p_lId)
{
    const CVariant name(p_szBar);
    const com_ptr<IDispatch> bar = Held(GetMember(p_pBars, L"Item", {&name.m_v}));
    const CVariant missing = CVariant::Missing();
    const CVariant id(p_lId);
    return Held(CallMethod(bar.get(), L"FindControl", {&missing.m_v, &id.m_v}));
}
} // namespace

COL2000::COL2000(IDispatch* p_pExplorer, HWND p_hExplorer, IDispatch* p_pSink)
    : m_p_oExplorer(com_ptr<IDispatch>::copy_from(p_pExplorer)), m_hExplorer(p_hExplorer), m_pSink(p_pSink)
{
}

COL2000::~COL2000()
{
    Disconnect();
}

com_ptr<IDispatch> COL2000::Bars() const
{
    return Held(GetMember(m_p_oExplorer.get(), L"CommandBars"));
}

void COL2000::Connect(IDispatch* p_pControl, std::vector<CConnection>& p_vConnections)
{
    com_ptr<IConnectionPointContainer> container;
    CConnection connection;
    if (p_pControl == nullptr || m_pSink == nullptr ||
        FAILED(LOG_IF_FAILED(p_pControl->QueryInterface(IID_IConnectionPointContainer, container.put_void()))) ||
        FAILED(LOG_IF_FAILED(container->FindConnectionPoint(kIidButtonEvents, connection.m_p_oPoint.put()))) ||
        FAILED(LOG_IF_FAILED(connection.m_p_oPoint->Advise(m_pSink, &connection.m_dwCookie))))
        return;
    p_vConnections.push_back(std::move(connection));
}

void COL2000::Disconnect(std::vector<CConnection>& p_vConnections)
{
    for (CConnection& connection : p_vConnections)
        (void)LOG_IF_FAILED(connection.m_p_oPoint->Unadvise(connection.m_dwCookie));
    p_vConnections.clear();
}

void COL2000::Disconnect()
{
    Disconnect(m_vConnections);
    Disconnect(m_vBarConnections);
}

com_ptr<IDispatch> COL2000::AddControl(IDispatch* p_pControls, long p_lType, const CToolbarEntry& p_oEntry,
                                       uint32_t p_uCommand, uint32_t p_uSpare, HBITMAP p_hFace, long p_lBefore,
                                       std::vector<CConnection>& p_vConnections)
{
    Log("Adding a button: %s\n", p_oEntry.m_sCaption.c_str());
    const CVariant type(p_lType);
    const CVariant missing = CVariant::Missing();
    const CVariant before = p_lBefore > 0 ? CVariant(p_lBefore) : CVariant::Missing();
    const CVariant temporary(true);
    com_ptr<IDispatch> control =
        Held(CallMethod(p_pControls, L"Add", {&type.m_v, &missing.m_v, &missing.m_v, &before.m_v, &temporary.m_v}));
    if (!control)
    {
        Log("AddbuttonToControls Failed\n");
        return {};
    }
    bool set = SUCCEEDED(PutMember(control.get(), L"Caption", CVariant(p_oEntry.m_sCaption)));
    if (!p_oEntry.m_sToolTip.empty())
        set = SUCCEEDED(PutMember(control.get(), L"TooltipText", CVariant(p_oEntry.m_sToolTip))) && set;
    set = SUCCEEDED(PutMember(control.get(), L"Tag", CVariant(ButtonTag(p_uCommand, p_uSpare)))) && set;
    if (p_lType == kControlButton)
    {
        const bool face = p_hFace != nullptr && PutBitmapOnClipboard(m_hExplorer, p_hFace) &&
                          SUCCEEDED(CallMember(control.get(), L"PasteFace", DISPATCH_METHOD, {}, nullptr));
        set =
            SUCCEEDED(PutMember(control.get(), L"Style", CVariant(face ? kStyleIconAndCaption : kStyleCaption))) && set;
        Connect(control.get(), p_vConnections);
    }
    if (!set)
        Log("AddButtonToControls - COM error: a property of %s was refused\n", p_oEntry.m_sCaption.c_str());
    return control;
}

bool COL2000::InstallSMSToolbar(const std::vector<CToolbarEntry>& p_vEntries, const CFaceBitmaps& p_oFaces,
                                bool p_bShow)
{
    const com_ptr<IDispatch> bars = Bars();
    const CVariant name(kBarName);
    HRESULT hr = E_FAIL;
    CVariant found;
    if (bars)
        hr = CallMember(bars.get(), L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {&name.m_v}, &found);
    com_ptr<IDispatch> bar = SUCCEEDED(hr) ? Held(found) : com_ptr<IDispatch>();
    if (!bar)
    {
        const CVariant position(kBarTop);
        const CVariant menuBar(false);
        const CVariant temporary(true);
        bar = Held(CallMethod(bars.get(), L"Add", {&name.m_v, &position.m_v, &menuBar.m_v, &temporary.m_v}));
    }
    const com_ptr<IDispatch> controls = Held(GetMember(bar.get(), L"Controls"));
    if (!controls)
    {
        Log("InstallSMSToolbar - COM Error Message: %s\n", "no SMS Bar");
        return false;
    }
    // A bar found again keeps nothing of an earlier installation.
    for (long count = GetMember(controls.get(), L"Count").Number(0); count > 0; --count)
    {
        const CVariant first(1L);
        const com_ptr<IDispatch> old = Held(GetMember(controls.get(), L"Item", {&first.m_v}));
        if (!old || FAILED(CallMember(old.get(), L"Delete", DISPATCH_METHOD, {}, nullptr)))
            break;
    }
    m_vReplyForward.clear();
    m_vPlacedBar.clear();
    Disconnect(m_vBarConnections);
    const auto faceOf = [&p_oFaces](const CToolbarEntry& p_oEntry) -> HBITMAP {
        const auto face = p_oFaces.find(p_oEntry.m_uFaceBitmap);
        return face != p_oFaces.end() ? face->second.get() : nullptr;
    };
    for (const CToolbarEntry& entry : p_vEntries)
    {
        const bool popup = entry.m_eKind == EToolbarEntryKind::DropDownButton ||
                           (entry.m_eKind == EToolbarEntryKind::DropDownList && !m_bOwnDropDowns);
        const uint32_t command = kFirstToolbarCommand + entry.m_uPosition;
        const com_ptr<IDispatch> control = AddControl(controls.get(), popup ? kControlPopup : kControlButton, entry,
                                                      command, entry.m_uPosition, faceOf(entry), 0, m_vBarConnections);
        if (control && RunsReplyOrForward(entry))
            m_vReplyForward.push_back(control);
        if (control && !popup)
            m_vPlacedBar.push_back({control, false});
        if (!popup || !control)
            continue;
        const com_ptr<IDispatch> children = Held(GetMember(control.get(), L"Controls"));
        for (const CToolbarEntry& child : entry.m_vChildren)
        {
            const com_ptr<IDispatch> added =
                AddControl(children.get(), kControlButton, child, kFirstToolbarCommand + child.m_uPosition,
                           child.m_uPosition, faceOf(child), 0, m_vBarConnections);
            if (added && RunsReplyOrForward(child))
                m_vReplyForward.push_back(added);
            if (added)
                m_vPlacedBar.push_back({added, true});
        }
    }
    if (FAILED(PutMember(bar.get(), L"Visible", CVariant(p_bShow))))
        Log("InstallSMSToolbar - COM Error Message: %s\n", "Visible refused");
    m_p_oBar = bar;
    SetReplyForwardEnabled(OneNoteSelected());
    return true;
}

bool COL2000::InstallButtonOnNewItem(const CToolbarEntry& p_oCompanion, HBITMAP p_hFace)
{
    const com_ptr<IDispatch> bars = Bars();
    const com_ptr<IDispatch> newControl = FindBuiltIn(bars.get(), L"Standard", kNewControlId);
    if (!newControl)
    {
        Log("InstallButtonOnNewItem - COM error %s\n", "no New control");
        return false;
    }
    if (!m_bStandardCompanion)
    {
        const com_ptr<IDispatch> standard = Held(GetMember(newControl.get(), L"Parent"));
        com_ptr<IDispatch> controls;
        long before = 0;
        if (m_bSeparateNewBar)
            controls = NewSMSBarControls(bars.get(), standard.get());
        else
        {
            controls = Held(GetMember(standard.get(), L"Controls"));
            before = GetMember(newControl.get(), L"Index").Number(0) + 1;
        }
        const com_ptr<IDispatch> added = AddControl(controls.get(), kControlButton, p_oCompanion, ID_NEW_SMS,
                                                    kStandardCompanionTag, p_hFace, before, m_vConnections);
        m_bStandardCompanion = static_cast<bool>(added);
        if (added)
            m_vPlacedCompanions.push_back({added, false});
        if (added && !m_bSeparateNewBar)
            m_p_oStandardCompanion = added;
    }
    if (!m_bNewListCompanion)
    {
        const com_ptr<IDispatch> list = Held(GetMember(newControl.get(), L"Controls"));
        const com_ptr<IDispatch> added = AddControl(list.get(), kControlButton, p_oCompanion, ID_NEW_SMS,
                                                    kNewListCompanionTag, p_hFace, 0, m_vConnections);
        m_bNewListCompanion = static_cast<bool>(added);
        if (added)
            m_vPlacedCompanions.push_back({added, true});
    }
    if (!m_bStandardCompanion || !m_bNewListCompanion)
        Log("GetNewSMSButton failed\n");
    return m_bStandardCompanion && m_bNewListCompanion;
}

bool COL2000::StandardCompanionGone() const
{
    // A deleted control answers none of its properties.
    CVariant index;
    return m_p_oStandardCompanion &&
           FAILED(CallMember(m_p_oStandardCompanion.get(), L"Index", DISPATCH_PROPERTYGET, {}, &index));
}

bool COL2000::RectifyButtonPositions(const CToolbarEntry& p_oCompanion, HBITMAP p_hFace)
{
    if (m_bSeparateNewBar)
        return true;
    if (!m_p_oStandardCompanion)
        return false;
    const com_ptr<IDispatch> newControl = FindBuiltIn(Bars().get(), L"Standard", kNewControlId);
    const com_ptr<IDispatch> standard = Held(GetMember(newControl.get(), L"Parent"));
    const long before = GetMember(newControl.get(), L"Index").Number(0) + 1;
    if (!standard || before < 2)
    {
        LOG_FAILURE("no New control on Standard to put the companion after");
        return true;
    }
    if (StandardCompanionGone())
    {
        Log("RectifyButtonPositions: the companion beside New is gone, adding it again\n");
        const com_ptr<IDispatch> controls = Held(GetMember(standard.get(), L"Controls"));
        com_ptr<IDispatch> added = AddControl(controls.get(), kControlButton, p_oCompanion, ID_NEW_SMS,
                                              kStandardCompanionTag, p_hFace, before, m_vConnections);
        if (!added)
            return true;
        for (CPlacedControl& placed : m_vPlacedCompanions)
            if (placed.m_p_oControl.get() == m_p_oStandardCompanion.get())
                placed.m_p_oControl = added;
        m_p_oStandardCompanion = std::move(added);
        return true;
    }
    const com_ptr<IDispatch> parent = Held(GetMember(m_p_oStandardCompanion.get(), L"Parent"));
    if (SameObject(parent.get(), standard.get()) &&
        GetMember(m_p_oStandardCompanion.get(), L"Index").Number(0) == before)
        return true;
    Log("RectifyButtonPositions: moving the companion back after New\n");
    const CVariant bar(standard.get());
    const CVariant place(before);
    (void)LOG_IF_FAILED(
        CallMember(m_p_oStandardCompanion.get(), L"Move", DISPATCH_METHOD, {&bar.m_v, &place.m_v}, nullptr));
    return true;
}

bool COL2000::InstallMenuEntry(const CToolbarEntry& p_oCompanion, HBITMAP p_hFace)
{
    if (m_bMenuEntry)
        return true;
    const com_ptr<IDispatch> bars = Bars();
    const com_ptr<IDispatch> actions = FindBuiltIn(bars.get(), L"Menu Bar", kActionsMenuId);
    const com_ptr<IDispatch> controls = Held(GetMember(actions.get(), L"Controls"));
    if (!controls)
    {
        Log("No controls\n");
        return false;
    }
    const com_ptr<IDispatch> added =
        AddControl(controls.get(), kControlButton, p_oCompanion, ID_NEW_SMS, kMenuEntryTag, p_hFace, 0, m_vConnections);
    m_bMenuEntry = static_cast<bool>(added);
    if (added)
        m_vPlacedCompanions.push_back({added, true});
    return m_bMenuEntry;
}

com_ptr<IDispatch> COL2000::NewSMSBarControls(IDispatch* p_pBars, IDispatch* p_pStandard)
{
    const CVariant name(kNewBarName);
    CVariant found;
    com_ptr<IDispatch> bar;
    if (SUCCEEDED(CallMember(p_pBars, L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {&name.m_v}, &found)))
        bar = Held(found);
    if (!bar)
    {
        const CVariant position(kBarTop);
        const CVariant menuBar(false);
        const CVariant temporary(true);
        bar = Held(CallMethod(p_pBars, L"Add", {&name.m_v, &position.m_v, &menuBar.m_v, &temporary.m_v}));
    }
    if (!bar)
    {
        Log("InstallButtonOnNewItem - COM error %s\n", "no New SMS Bar");
        return {};
    }
    // Docked on Standard's row, after it: the row orders its bars by where they were put.
    const long row = GetMember(p_pStandard, L"RowIndex").Number(1);
    const long right = GetMember(p_pStandard, L"Left").Number(0) + GetMember(p_pStandard, L"Width").Number(0);
    if (FAILED(PutMember(bar.get(), L"RowIndex", CVariant(row))) ||
        FAILED(PutMember(bar.get(), L"Left", CVariant(right))) ||
        FAILED(PutMember(bar.get(), L"Visible", CVariant(true))))
        Log("InstallButtonOnNewItem - COM error %s\n", "New SMS Bar could not be placed");
    return Held(GetMember(bar.get(), L"Controls"));
}

std::vector<COL2000::CPlacedControl> COL2000::PlacedControls() const
{
    std::vector<CPlacedControl> placed = m_vPlacedCompanions;
    placed.insert(placed.end(), m_vPlacedBar.begin(), m_vPlacedBar.end());
    return placed;
}

void COL2000::SetReplyForwardEnabled(bool p_bEnabled)
{
    for (const com_ptr<IDispatch>& control : m_vReplyForward)
        (void)PutMember(control.get(), L"Enabled", CVariant(p_bEnabled));
}

bool COL2000::OneNoteSelected() const
{
    const com_ptr<IDispatch> selection = Held(GetMember(m_p_oExplorer.get(), L"Selection"));
    if (!selection || GetMember(selection.get(), L"Count").Number(0) != 1)
        return false;
    const CVariant first(1L);
    const com_ptr<IDispatch> item = Held(GetMember(selection.get(), L"Item", {&first.m_v}));
    std::string messageClass = GetMember(item.get(), L"MessageClass").Text();
    for (char& c : messageClass)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return messageClass.rfind("IPM.NOTE", 0) == 0;
}

bool COL2000::BarVisible(bool p_bFallback) const
{
    if (!m_p_oBar)
        return p_bFallback;
    CVariant visible;
    if (FAILED(CallMember(m_p_oBar.get(), L"Visible", DISPATCH_PROPERTYGET, {}, &visible)))
        return p_bFallback;
    return visible.Flag(p_bFallback);
}

void COL2000::RecordToolbarState()
{
    if (!m_p_oBar)
        return;
    CVariant visible;
    if (FAILED(CallMember(m_p_oBar.get(), L"Visible", DISPATCH_PROPERTYGET, {}, &visible)) ||
        visible.m_v.vt == VT_EMPTY)
    {
        Log("RecordToolbarState com error\n");
        return;
    }
    CRegistry registry;
    m_bStateRecorded = registry.WriteUserText("OutlookToolbarShowing", visible.Flag() ? "True" : "False");
    if (!m_bStateRecorded)
        LOG_FAILURE("OutlookToolbarShowing could not be stored");
}
