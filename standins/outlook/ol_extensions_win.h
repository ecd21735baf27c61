// standins/outlook/ol_extensions_win.h: client extensions as the client hosts them: the registered
// libraries, one extension object per context of each window, the callback they are handed, and the
// commands, events and toolbar buttons they add.
#pragma once

#include "common/handle_win.h"
#include "standins/outlook/exchext_win.h"
#include "standins/outlook/extension_value.h"
#include "standins/outlook/ol_item_fields_win.h"
#include "standins/outlook/ol_mapi_win.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace olstandin
{
// What a window (explorer or note) tells the extensions through their callback.
class CCallbackSite
{
  public:
    virtual ~CCallbackSite() = default;
    virtual HWND SiteWindow() = 0;
    virtual HMENU SiteMenu() = 0;
    virtual HWND SiteToolbar() = 0;
    // The site's current object (the selected item, or the note's message while it is sent).
    virtual com_ptr<IMAPIProp> SiteObject() = 0;
    virtual std::vector<CItemRow> SiteSelection() = 0;
};

// What every window shares: the profile, the version GetVersion reports and the application object.
struct CHostServices
{
    CMapiProfile* m_p_oProfile = nullptr;
    WORD m_nMajor = 0;
    WORD m_nMinor = 0;
    com_ptr<IDispatch> m_p_oApplication;
    // The Explorer object the object model calls active: the newest open one (also while it installs).
    std::function<com_ptr<IDispatch>()> m_fnActiveExplorer;
    // The Explorer objects of the open explorers, oldest first.
    std::function<std::vector<com_ptr<IDispatch>>()> m_fnExplorers;
    // Opens an explorer (Explorers.Add / the new-explorer command); its object, or empty.
    std::function<com_ptr<IDispatch>()> m_fnNewExplorer;
    // Opens a compose note with these fields (MailItem.Display); false when it did not open.
    std::function<bool(const CNoteFields&)> m_fnOpenNote;
    // Opens an item in a read note (mail) or an inspector (the others); when p_bModal, returns once the
    // window is closed. False when it did not open.
    std::function<bool(const CItemFields&, bool p_bModal)> m_fnOpenInspector;
    // Closes the windows showing the item with this entry id (Item.Close).
    std::function<void(const CEntryId&)> m_fnCloseInspectors;
    // Raises Explorers.NewExplorer; set by the application object.
    std::function<void(IDispatch*)> m_fnRaiseNewExplorer;
};

struct CExtensionLibrary
{
    std::string m_sName;
    CExtensionValue m_oValue;
    unique_hmodule m_hModule;
    LPFNEXCHEXTENTRY m_pfnEntry = nullptr;
};

// The registered libraries, read once at start from HKLM\Software\Microsoft\Exchange\Client\Extensions.
class CExtensionRegistry
{
  public:
    void LoadRegistered();
    const std::vector<std::unique_ptr<CExtensionLibrary>>& Libraries() const
    {
        return m_vLibraries;
    }

  private:
    std::vector<std::unique_ptr<CExtensionLibrary>> m_vLibraries;
};

// One extension object installed in one context, with the interfaces it gave.
struct CExtensionInstance
{
    const CExtensionLibrary* m_p_oLibrary = nullptr;
    com_ptr<IExchExt> m_p_oExt;
    com_ptr<IExchExtCommands> m_p_oCommands;
    com_ptr<IExchExtUserEvents> m_p_oUserEvents;
    com_ptr<IExchExtSessionEvents> m_p_oSessionEvents;
    com_ptr<IExchExtMessageEvents> m_p_oMessageEvents;
    UINT m_nFirstCommand = 0;
    UINT m_nCommandEnd = 0;
};

class CExtensionCallback;

// The extensions of one window in one context.
class CExtensionSet
{
  public:
    CExtensionSet(const CExtensionRegistry& p_oRegistry, CHostServices& p_oServices, CCallbackSite& p_oSite,
                  ULONG p_ulContext);
    ~CExtensionSet();
    CExtensionSet(const CExtensionSet&) = delete;
    CExtensionSet& operator=(const CExtensionSet&) = delete;

    // Creates and installs every registered extension that wants this context.
    void Install();
    // Offers the menu and the standard toolbar; p_nNextCommand is the first free command id.
    void InstallCommands(UINT& p_nNextCommand);
    void InitMenu();
    // True when an extension took the command.
    [[nodiscard]] bool DoCommand(UINT p_nCommand);
    [[nodiscard]] std::string HelpText(UINT p_nCommand, ULONG p_ulKind);
    void SelectionChanged();
    void ObjectChanged();
    void Delivered(IMAPIProp* p_pMessage);
    // The message events: the "On" event of a stage returns false when an extension stops the send.
    enum class EStage
    {
        Write,
        CheckNames,
        Submit
    };
    [[nodiscard]] bool BeforeStage(EStage p_eStage, IMessage* p_pMessage);
    void AfterStage(EStage p_eStage, IMessage* p_pMessage, bool p_bDone);
    [[nodiscard]] size_t Count() const
    {
        return m_vInstances.size();
    }

  private:
    void QueryInterfaces(CExtensionInstance& p_oInstance);
    void AddToolbarButtons(CExtensionInstance& p_oInstance, HWND p_hToolbar, UINT p_nFirstBitmap);

    const CExtensionRegistry& m_oRegistry;
    CHostServices& m_oServices;
    CCallbackSite& m_oSite;
    ULONG m_ulContext;
    com_ptr<CExtensionCallback> m_p_oCallback;
    std::vector<CExtensionInstance> m_vInstances;
};

[[nodiscard]] const char* ContextName(ULONG p_ulContext);
} // namespace olstandin
