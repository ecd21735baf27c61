// standins/outlook/ol_extensions_win.cpp: loading registered client extensions and running them per
// context: Install, the interfaces each one offers, commands, toolbar buttons and events.
#include "standins/outlook/ol_extensions_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "standins/outlook/ol_callback_win.h"
#include "standins/outlook/ol_trace_win.h"

#include <commctrl.h>

namespace olstandin
{
namespace
{
constexpr const char* kExtensionsKey = "Software\\Microsoft\\Exchange\\Client\\Extensions";
// An extension adds few bitmaps; a toolbar that claims more is not asked about the rest.
constexpr UINT kMaxExtensionBitmaps = 64;

bool IsViewerContext(ULONG p_ulContext)
{
    return p_ulContext >= exchext::kContextViewer && p_ulContext <= exchext::kContextSearchViewer;
}

bool IsNoteContext(ULONG p_ulContext)
{
    return p_ulContext >= exchext::kContextSendNoteMessage && p_ulContext <= exchext::kContextSendResendMessage;
}

// The interfaces the client asks for in a context, with their registration column.
struct CInterfaceQuery
{
    unsigned m_nSlot;
    const GUID* m_pIid;
    const char* m_szName;
};
constexpr CInterfaceQuery kQueries[] = {
    {exchext::kSlotCommands, &exchext::IID_IExchExtCommands, "IExchExtCommands"},
    {exchext::kSlotUserEvents, &exchext::IID_IExchExtUserEvents, "IExchExtUserEvents"},
    {exchext::kSlotSessionEvents, &exchext::IID_IExchExtSessionEvents, "IExchExtSessionEvents"},
    {exchext::kSlotMessageEvents, &exchext::IID_IExchExtMessageEvents, "IExchExtMessageEvents"},
};

bool AsksFor(unsigned p_nSlot, ULONG p_ulContext)
{
    switch (p_nSlot)
    {
    case exchext::kSlotCommands:
    case exchext::kSlotUserEvents:
        return IsViewerContext(p_ulContext) || IsNoteContext(p_ulContext) || p_ulContext == exchext::kContextAddrBook;
    case exchext::kSlotSessionEvents:
        return p_ulContext == exchext::kContextSession || IsViewerContext(p_ulContext);
    case exchext::kSlotMessageEvents:
        return IsNoteContext(p_ulContext);
    default:
        return false;
    }
}

std::string ExpandedPath(const std::string& p_sPath)
{
    char expanded[MAX_PATH] = {};
    const DWORD length = ExpandEnvironmentStringsA(p_sPath.c_str(), expanded, MAX_PATH);
    return length > 0 && length <= MAX_PATH ? std::string(expanded) : p_sPath;
}
} // namespace

const char* ContextName(ULONG p_ulContext)
{
    static const char* const kNames[] = {"none",           "session",          "viewer",     "remoteviewer",
                                         "searchviewer",   "addrbook",         "sendnote",   "readnote",
                                         "sendpost",       "readpost",         "readreport", "sendresend",
                                         "propertysheets", "advancedcriteria", "task"};
    return p_ulContext < std::size(kNames) ? kNames[p_ulContext] : "unknown";
}

void CExtensionRegistry::LoadRegistered()
{
    unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    {
        Trace("extensions: none registered");
        return;
    }
    for (DWORD index = 0;; ++index)
    {
        char name[256] = {};
        DWORD nameLength = sizeof name;
        char data[kMaxExtensionValue + 1] = {};
        DWORD dataLength = kMaxExtensionValue;
        DWORD type = 0;
        const LONG result = RegEnumValueA(key.get(), index, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataLength);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || type != REG_SZ || dataLength > kMaxExtensionValue)
        {
            Trace("extension %s: value skipped (error %ld, type %lu)", name, result, type);
            continue;
        }
        std::optional<CExtensionValue> value = ParseExtensionValue(std::string_view(data, dataLength));
        if (!value)
        {
            Trace("extension %s: '%s' is not a 4.0 registration", name, data);
            continue;
        }
        auto library = std::make_unique<CExtensionLibrary>();
        library->m_sName = name;
        library->m_oValue = *value;
        library->m_hModule.reset(LoadLibraryA(ExpandedPath(value->m_sPath).c_str()));
        if (!LOG_IF_WIN32_BOOL_FALSE(library->m_hModule.get()))
        {
            Trace("extension %s: %s does not load", name, value->m_sPath.c_str());
            continue;
        }
        library->m_pfnEntry = reinterpret_cast<LPFNEXCHEXTENTRY>(
            reinterpret_cast<void*>(GetProcAddress(library->m_hModule.get(), MAKEINTRESOURCEA(value->m_nOrdinal))));
        if (library->m_pfnEntry == nullptr)
        {
            Trace("extension %s: no entry point at ordinal %u", name, value->m_nOrdinal);
            continue;
        }
        Trace("extension %s: loaded %s, entry ordinal %u", name, value->m_sPath.c_str(), value->m_nOrdinal);
        m_vLibraries.push_back(std::move(library));
    }
}

CExtensionSet::CExtensionSet(const CExtensionRegistry& p_oRegistry, CHostServices& p_oServices, CCallbackSite& p_oSite,
                             ULONG p_ulContext)
    : m_oRegistry(p_oRegistry), m_oServices(p_oServices), m_oSite(p_oSite), m_ulContext(p_ulContext)
{
    m_p_oCallback.attach(new CExtensionCallback(p_oServices, p_oSite, p_ulContext));
}

CExtensionSet::~CExtensionSet()
{
    // Interfaces go before the objects that gave them, and all before the libraries unload.
    m_vInstances.clear();
}

void CExtensionSet::Install()
{
    for (const auto& library : m_oRegistry.Libraries())
    {
        if (!library->m_oValue.WantsContext(m_ulContext))
            continue;
        CExtensionInstance instance;
        instance.m_p_oLibrary = library.get();
        instance.m_p_oExt.attach(
            TrapExceptions("ExchEntryPoint", static_cast<IExchExt*>(nullptr), [&] { return library->m_pfnEntry(); }));
        if (!instance.m_p_oExt)
        {
            Trace("install %s %s: entry point gave no object", library->m_sName.c_str(), ContextName(m_ulContext));
            continue;
        }
        const HRESULT hr = TrapExceptions("IExchExt::Install", E_FAIL, [&] {
            return instance.m_p_oExt->Install(m_p_oCallback.get(), m_ulContext, 0);
        });
        Trace("install %s %s %lu -> 0x%08lX", library->m_sName.c_str(), ContextName(m_ulContext), m_ulContext,
              static_cast<unsigned long>(hr));
        if (hr != S_OK)
            continue;
        QueryInterfaces(instance);
        m_vInstances.push_back(std::move(instance));
    }
}

void CExtensionSet::QueryInterfaces(CExtensionInstance& p_oInstance)
{
    const CExtensionValue& value = p_oInstance.m_p_oLibrary->m_oValue;
    for (const CInterfaceQuery& query : kQueries)
    {
        if (!AsksFor(query.m_nSlot, m_ulContext) || !value.WantsInterface(query.m_nSlot))
            continue;
        com_ptr<IUnknown> answer;
        const HRESULT hr = TrapExceptions("IExchExt::QueryInterface", E_FAIL, [&] {
            return p_oInstance.m_p_oExt->QueryInterface(*query.m_pIid, answer.put_void());
        });
        Trace("qi %s %s %s -> %s", p_oInstance.m_p_oLibrary->m_sName.c_str(), ContextName(m_ulContext), query.m_szName,
              SUCCEEDED(hr) && answer ? "yes" : "no");
        if (FAILED(hr) || !answer)
            continue;
        IUnknown* raw = answer.detach();
        switch (query.m_nSlot)
        {
        case exchext::kSlotCommands:
            p_oInstance.m_p_oCommands.attach(static_cast<IExchExtCommands*>(raw));
            break;
        case exchext::kSlotUserEvents:
            p_oInstance.m_p_oUserEvents.attach(static_cast<IExchExtUserEvents*>(raw));
            break;
        case exchext::kSlotSessionEvents:
            p_oInstance.m_p_oSessionEvents.attach(static_cast<IExchExtSessionEvents*>(raw));
            break;
        default:
            p_oInstance.m_p_oMessageEvents.attach(static_cast<IExchExtMessageEvents*>(raw));
            break;
        }
    }
}

void CExtensionSet::InstallCommands(UINT& p_nNextCommand)
{
    const HWND toolbar = m_oSite.SiteToolbar();
    for (CExtensionInstance& instance : m_vInstances)
    {
        if (!instance.m_p_oCommands)
            continue;
        TBENTRY entries[1] = {};
        UINT count = 0;
        UINT firstBitmap = 0;
        if (toolbar != nullptr)
        {
            HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0));
            firstBitmap = images != nullptr ? static_cast<UINT>(ImageList_GetImageCount(images)) : 0;
            entries[0] = {toolbar, exchext::kToolbarStandard, 0, firstBitmap};
            count = 1;
        }
        UINT next = p_nNextCommand;
        const HRESULT hr = TrapExceptions("IExchExtCommands::InstallCommands", E_FAIL, [&] {
            return instance.m_p_oCommands->InstallCommands(m_p_oCallback.get(), m_oSite.SiteWindow(),
                                                           m_oSite.SiteMenu(), &next, entries, count, 0);
        });
        Trace("commands %s %s -> 0x%08lX, ids %u to %u", instance.m_p_oLibrary->m_sName.c_str(),
              ContextName(m_ulContext), static_cast<unsigned long>(hr), p_nNextCommand, next);
        if (FAILED(hr) || next < p_nNextCommand)
            continue;
        instance.m_nFirstCommand = p_nNextCommand;
        instance.m_nCommandEnd = next;
        p_nNextCommand = next;
        if (toolbar != nullptr)
            AddToolbarButtons(instance, toolbar, firstBitmap);
    }
    if (m_oSite.SiteWindow() != nullptr && GetMenu(m_oSite.SiteWindow()) != nullptr)
        DrawMenuBar(m_oSite.SiteWindow());
}

// Asks the extension about each bitmap it added to the toolbar and places the buttons it describes.
void CExtensionSet::AddToolbarButtons(CExtensionInstance& p_oInstance, HWND p_hToolbar, UINT p_nFirstBitmap)
{
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(p_hToolbar, TB_GETIMAGELIST, 0, 0));
    const UINT bitmaps = images != nullptr ? static_cast<UINT>(ImageList_GetImageCount(images)) : 0;
    for (UINT index = p_nFirstBitmap; index < bitmaps && index < p_nFirstBitmap + kMaxExtensionBitmaps; ++index)
    {
        TBBUTTON button{};
        char description[256] = {};
        const HRESULT hr = TrapExceptions("IExchExtCommands::QueryButtonInfo", E_FAIL, [&] {
            return p_oInstance.m_p_oCommands->QueryButtonInfo(exchext::kToolbarStandard, index, &button, description,
                                                              sizeof description - 1, 0);
        });
        if (hr != S_OK)
            continue;
        description[sizeof description - 1] = '\0';
        Trace("button %s bitmap %u command %d '%s'", p_oInstance.m_p_oLibrary->m_sName.c_str(), index, button.idCommand,
              description);
        button.iString = -1;
        (void)SendMessageA(p_hToolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
    (void)SendMessageA(p_hToolbar, TB_AUTOSIZE, 0, 0);
}

void CExtensionSet::InitMenu()
{
    for (CExtensionInstance& instance : m_vInstances)
        if (instance.m_p_oCommands)
            TrapExceptionsVoid("IExchExtCommands::InitMenu",
                               [&] { instance.m_p_oCommands->InitMenu(m_p_oCallback.get()); });
}

bool CExtensionSet::DoCommand(UINT p_nCommand)
{
    for (CExtensionInstance& instance : m_vInstances)
    {
        if (!instance.m_p_oCommands)
            continue;
        const HRESULT hr = TrapExceptions("IExchExtCommands::DoCommand", E_FAIL, [&] {
            return instance.m_p_oCommands->DoCommand(m_p_oCallback.get(), p_nCommand);
        });
        if (hr == S_OK)
        {
            Trace("docommand %s %u taken", instance.m_p_oLibrary->m_sName.c_str(), p_nCommand);
            return true;
        }
    }
    return false;
}

std::string CExtensionSet::HelpText(UINT p_nCommand, ULONG p_ulKind)
{
    for (CExtensionInstance& instance : m_vInstances)
    {
        if (!instance.m_p_oCommands || p_nCommand < instance.m_nFirstCommand || p_nCommand >= instance.m_nCommandEnd)
            continue;
        char text[256] = {};
        const HRESULT hr = TrapExceptions("IExchExtCommands::QueryHelpText", E_FAIL, [&] {
            return instance.m_p_oCommands->QueryHelpText(p_nCommand, p_ulKind, text, sizeof text - 1);
        });
        text[sizeof text - 1] = '\0';
        return hr == S_OK ? std::string(text) : std::string();
    }
    return {};
}

void CExtensionSet::SelectionChanged()
{
    for (CExtensionInstance& instance : m_vInstances)
        if (instance.m_p_oUserEvents)
            TrapExceptionsVoid("IExchExtUserEvents::OnSelectionChange",
                               [&] { instance.m_p_oUserEvents->OnSelectionChange(m_p_oCallback.get()); });
}

void CExtensionSet::ObjectChanged()
{
    for (CExtensionInstance& instance : m_vInstances)
        if (instance.m_p_oUserEvents)
            TrapExceptionsVoid("IExchExtUserEvents::OnObjectChange",
                               [&] { instance.m_p_oUserEvents->OnObjectChange(m_p_oCallback.get()); });
}

void CExtensionSet::Delivered(IMAPIProp* p_pMessage)
{
    m_p_oCallback->SetEventObject(p_pMessage);
    for (CExtensionInstance& instance : m_vInstances)
        if (instance.m_p_oSessionEvents)
            (void)TrapExceptions("IExchExtSessionEvents::OnDelivery", E_FAIL,
                                 [&] { return instance.m_p_oSessionEvents->OnDelivery(m_p_oCallback.get()); });
    m_p_oCallback->SetEventObject(nullptr);
}

bool CExtensionSet::BeforeStage(EStage p_eStage, IMessage* p_pMessage)
{
    m_p_oCallback->SetEventObject(p_pMessage);
    for (CExtensionInstance& instance : m_vInstances)
    {
        IExchExtMessageEvents* events = instance.m_p_oMessageEvents.get();
        if (events == nullptr)
            continue;
        // S_OK (the extension did the work) and S_FALSE go on; an error stops the send.
        const HRESULT hr = TrapExceptions("IExchExtMessageEvents::On", E_FAIL, [&] {
            switch (p_eStage)
            {
            case EStage::Write:
                return events->OnWrite(m_p_oCallback.get());
            case EStage::CheckNames:
                return events->OnCheckNames(m_p_oCallback.get());
            default:
                return events->OnSubmit(m_p_oCallback.get());
            }
        });
        if (FAILED(hr))
        {
            Trace("send stopped by %s (0x%08lX)", instance.m_p_oLibrary->m_sName.c_str(),
                  static_cast<unsigned long>(hr));
            return false;
        }
    }
    return true;
}

void CExtensionSet::AfterStage(EStage p_eStage, IMessage* p_pMessage, bool p_bDone)
{
    constexpr ULONG kFailed = 0x1;
    m_p_oCallback->SetEventObject(p_pMessage);
    const ULONG flags = p_bDone ? 0 : kFailed;
    for (CExtensionInstance& instance : m_vInstances)
    {
        IExchExtMessageEvents* events = instance.m_p_oMessageEvents.get();
        if (events == nullptr)
            continue;
        TrapExceptionsVoid("IExchExtMessageEvents::OnComplete", [&] {
            switch (p_eStage)
            {
            case EStage::Write:
                (void)events->OnWriteComplete(m_p_oCallback.get(), flags);
                break;
            case EStage::CheckNames:
                (void)events->OnCheckNamesComplete(m_p_oCallback.get(), flags);
                break;
            default:
                events->OnSubmitComplete(m_p_oCallback.get(), flags);
                break;
            }
        });
    }
    if (p_eStage == EStage::Submit)
        m_p_oCallback->SetEventObject(nullptr);
}
} // namespace olstandin
