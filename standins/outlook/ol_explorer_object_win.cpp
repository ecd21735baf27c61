// standins/outlook/ol_explorer_object_win.cpp: the Explorer object and its ExplorerEvents.
#include "standins/outlook/ol_explorer_object_win.h"

#include "standins/outlook/ol_trace_win.h"

namespace olstandin
{
namespace
{
// ExplorerEvents and the dispids of the events the host raises.
constexpr IID kIidExplorerEvents = {0x0006304F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr DISPID kEventActivate = 0xF001;
constexpr DISPID kEventFolderSwitch = 0xF002;
constexpr DISPID kEventSelectionChange = 0xF007;
constexpr DISPID kEventClose = 0xF008;

enum EDispid : DISPID
{
    kApplication = 0xF000,
    kCommandBars = 0x2100,
    kCurrentFolder = 0x2101,
    kClose = 0x2103,
    kDisplay = 0x2104,
    kCaption = 0x2111,
    kSelection = 0x2201,
    kActivate = 0x2113
};
} // namespace

CExplorerObject::CExplorerObject(CHostServices& p_oServices, CExplorerView* p_pView, HWND p_hFrame)
    : CEventObject({{L"Application", kApplication, DISPATCH_PROPERTYGET, 0},
                    {L"Caption", kCaption, DISPATCH_PROPERTYGET, 0},
                    {L"CommandBars", kCommandBars, DISPATCH_PROPERTYGET, 0},
                    {L"CurrentFolder", kCurrentFolder, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, 0},
                    {L"Selection", kSelection, DISPATCH_PROPERTYGET, 0},
                    {L"Activate", kActivate, DISPATCH_METHOD, 0},
                    {L"Display", kDisplay, DISPATCH_METHOD, 0},
                    {L"Close", kClose, DISPATCH_METHOD, 0}},
                   {kIidExplorerEvents}),
      m_oServices(p_oServices), m_pView(p_pView)
{
    m_p_oBars.attach(new CCommandBars(p_oServices.m_nMajor, p_hFrame));
}

CExplorerObject::~CExplorerObject()
{
    m_p_oBars->Detach();
}

void CExplorerObject::Detach()
{
    m_pView = nullptr;
    m_p_oBars->Detach();
}

void CExplorerObject::RaiseActivate()
{
    Fire(kIidExplorerEvents, kEventActivate, {});
}

void CExplorerObject::RaiseFolderSwitch()
{
    Fire(kIidExplorerEvents, kEventFolderSwitch, {});
}

void CExplorerObject::RaiseSelectionChange()
{
    Fire(kIidExplorerEvents, kEventSelectionChange, {});
}

void CExplorerObject::RaiseClose()
{
    Trace("explorer: Close event");
    Fire(kIidExplorerEvents, kEventClose, {});
}

HRESULT CExplorerObject::Call(DISPID p_id, const std::vector<VARIANT*>&, VARIANT& p_oResult)
{
    if (p_id == kApplication)
        return ReturnObject(p_oResult, m_oServices.m_p_oApplication);
    if (p_id == kCommandBars)
        return ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(m_p_oBars.get()));
    const HWND window = m_pView != nullptr ? m_pView->ViewWindow() : nullptr;
    if (window == nullptr || !IsWindow(window))
        return E_FAIL;
    switch (p_id)
    {
    case kCaption: {
        char caption[256] = {};
        GetWindowTextA(window, caption, sizeof caption);
        return ReturnText(p_oResult, caption);
    }
    case kCurrentFolder: {
        CEntryId folder = m_pView->ViewFolder();
        return folder.empty() ? E_FAIL : ReturnObject(p_oResult, CreateFolderObject(m_oServices, std::move(folder)));
    }
    case kSelection:
        return ReturnObject(p_oResult, CreateItemCollection(m_oServices, m_pView->ViewSelection()));
    case kActivate:
    case kDisplay:
        SetForegroundWindow(window);
        (void)SetActiveWindow(window);
        return S_OK;
    default:
        return PostMessageA(window, WM_CLOSE, 0, 0) ? S_OK : E_FAIL;
    }
}

HRESULT CExplorerObject::Put(DISPID p_id, const VARIANT& p_oValue)
{
    CEntryId folder;
    if (p_id != kCurrentFolder || p_oValue.vt != VT_DISPATCH || !FolderOfObject(p_oValue.pdispVal, folder))
        return DISP_E_TYPEMISMATCH;
    return m_pView != nullptr && m_pView->ViewShowFolder(folder) ? S_OK : E_FAIL;
}
} // namespace olstandin
