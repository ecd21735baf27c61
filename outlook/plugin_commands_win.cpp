// outlook/plugin_commands_win.cpp: the extension object's commands, menu and toolbar answers,
// selection, delivery and send-note events.
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/late_bound_win.h"
#include "common/mapi_owner_win.h"
#include "common/trace_log.h"
#include "common/unique_any.h"
#include "outlook/command_invoker_win.h"
#include "outlook/drop_down_win.h"
#include "outlook/outlook_plugin_win.h"
#include "outlook/plugin_strings.h"
#include "outlook/res/plugin_resource.h"

#include <oleacc.h>

#include <cctype>
#include <cstring>

namespace
{
constexpr UINT kCCMobileQuery = WM_USER + 1;
constexpr ULONG kTransportMessageHeaders = 0x007D001E;
constexpr GUID kIidMessage = {0x00020307, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The command a command-bar button chose, run later by DoCommand (0 when none).
uint32_t g_uPendingToolbarCommand = 0;

bool CopyText(const std::string& p_sText, LPSTR p_szBuffer, UINT p_cch)
{
    if (p_szBuffer == nullptr || p_cch == 0)
        return false;
    if (p_sText.size() + 1 > p_cch)
    {
        p_szBuffer[0] = '\0';
        return false;
    }
    std::memcpy(p_szBuffer, p_sText.c_str(), p_sText.size() + 1);
    return true;
}
} // namespace

HRESULT COutlookPlugin::InstallCommands(exchext::IExchExtCallback* p_pCallback, HWND, HMENU, UINT* p_pCommandBase,
                                        exchext::TBENTRY* p_pToolbars, UINT p_cToolbars, ULONG)
{
    return TrapExceptions("COutlookPlugin::InstallCommands", S_FALSE, [&]() -> HRESULT {
        if (m_p_oGC && p_pCommandBase != nullptr &&
            m_p_oGC->InstallExchangeMenu(p_pCallback, p_pCommandBase, p_pToolbars, p_cToolbars))
            Log("COutlookPlugin::InstallCommands: %u commands", static_cast<unsigned>(m_p_oGC->CommandCount()));
        return S_OK;
    });
}

void COutlookPlugin::InitMenu(exchext::IExchExtCallback* p_pCallback)
{
    TrapExceptionsVoid("COutlookPlugin::InitMenu", [&] {
        if ((m_iGuiKind == 2 || m_iGuiKind == 3) && !m_bRectified)
            PostMessageA(m_hExplorer, WM_COMMAND, kRectifyButtonPositions, 0);
        if (!m_bSelectionChanged || !m_p_oGC)
            return;
        m_bSelectionChanged = false;
        ULONG count = 0;
        if (FAILED(LOG_IF_FAILED(p_pCallback->GetSelectionCount(&count))) || count != 1)
        {
            m_p_oGC->SetNoteSelected(false);
            return;
        }
        ULONG entryBytes = 0;
        ENTRYID* entry = nullptr;
        ULONG type = 0;
        ULONG flags = 0;
        char messageClass[256] = {};
        const HRESULT hr = p_pCallback->GetSelectionItem(0, &entryBytes, &entry, &type, messageClass,
                                                         sizeof messageClass - 1, &flags, 0);
        unique_mapi_buffer<ENTRYID> entryOwner(entry);
        if (FAILED(hr))
        {
            Log("GetSelectionItem failed\n");
            m_p_oGC->SetNoteSelected(false);
            return;
        }
        for (char* c = messageClass; *c != '\0'; ++c)
            *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
        m_p_oGC->SetNoteSelected(std::strncmp(messageClass, "IPM.NOTE", 8) == 0);
    });
}

HRESULT COutlookPlugin::DoCommand(exchext::IExchExtCallback* p_pCallback, UINT p_uCommand)
{
    return TrapExceptions("COutlookPlugin::DoCommand", S_FALSE, [&]() -> HRESULT {
        if (!m_p_oGC)
            return S_FALSE;
        CCommandInvoker* command = ProcessCommandInvoker();
        switch (p_uCommand)
        {
        case kRectifyButtonPositions:
            if (!m_bRectified)
            {
                Log("ID_RECTIFY_BUTTON_POSITIONS called\n");
                m_bRectified = m_p_oGC->RectifyButtonPositions();
            }
            return S_OK;
        case kRunPendingToolbarCommand: {
            const uint32_t pending = g_uPendingToolbarCommand;
            g_uPendingToolbarCommand = 0;
            if (pending != 0)
                ExecuteButtonCommand(pending, p_pCallback);
            return S_OK;
        }
        case kExecuteNewSMS:
            if (command != nullptr)
                command->Execute(ID_NEW_SMS, m_hExplorer, p_pCallback);
            return S_OK;
        case kNewOutlookMail:
            OpenNewOutlookMail();
            return S_OK;
        case kReInstallToolbarCommand:
            if (m_iGuiKind == 3 || m_iGuiKind == 2)
                m_p_oGC->ReInstallToolbar(m_p_oExplorer.get(), static_cast<IDispatch*>(this));
            return S_OK;
        case kInstallationRun:
            if (m_iGuiKind == 3 || m_iGuiKind == 2)
                (void)m_p_oGC->InstallationRun(m_p_oExplorer.get(), static_cast<IDispatch*>(this), ToolbarShowing());
            // Outlook 97 and 98 tell no selection change but this one.
            if (m_iGuiKind == 2)
                m_p_oGC->RefreshSelection();
            return S_OK;
        default:
            break;
        }
        const std::optional<uint32_t> resource = m_p_oGC->ResourceOf(p_uCommand);
        if (!resource)
            return S_FALSE;
        if (command != nullptr)
            command->Execute(*resource, m_hExplorer, p_pCallback);
        return S_OK;
    });
}

void COutlookPlugin::ExecuteButtonCommand(uint32_t p_uCommand, exchext::IExchExtCallback* p_pCallback)
{
    CCommandInvoker* command = ProcessCommandInvoker();
    if (command == nullptr || !m_p_oGC)
        return;
    if (p_uCommand < kFirstToolbarCommand || p_uCommand > kLastToolbarCommand)
    {
        (void)command->Execute(p_uCommand, m_hExplorer, p_pCallback, m_p_oExplorer.get());
        return;
    }
    const CToolbarEntry* entry = m_p_oGC->ToolbarEntry(p_uCommand);
    if (entry != nullptr && entry->m_eKind == EToolbarEntryKind::DropDownList && !entry->m_vChildren.empty())
    {
        // Its own list of the children, under the clicked button.
        const auto run = [this](const CToolbarEntry& p_oChild) {
            ExecuteButtonCommand(kFirstToolbarCommand + p_oChild.m_uPosition, nullptr);
        };
        (void)CDropDown::Open(m_hExplorer, LastButtonAnchor(), entry->m_vChildren, m_p_oGC->Faces(), run);
    }
    else if (entry != nullptr)
        (void)command->ExecuteTarget(entry->m_sTarget, m_hExplorer, p_pCallback, m_p_oExplorer.get());
    else
        LOG_FAILURE("no toolbar entry has command %u", static_cast<unsigned>(p_uCommand));
}

bool COutlookPlugin::ClickedCommand(IDispatch* p_pControl, uint32_t& p_uCommand)
{
    const std::string tag = GetMember(p_pControl, L"Tag").Text();
    uint32_t spare = 0;
    if (!ParseButtonTag(tag, p_uCommand, spare))
    {
        Log("Click - COM Error: %s\n", ("the tag '" + tag + "' names no command").c_str());
        return false;
    }
    // The drop-down of an entry opens at the clicked button's right and bottom edge.
    long left = 0;
    long top = 0;
    long width = 0;
    long height = 0;
    com_ptr<IAccessible> accessible =
        com_ptr<IDispatch>::copy_from(p_pControl).query<IAccessible>(exchext::IID_Accessible);
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    if (!accessible || FAILED(accessible->accLocation(&left, &top, &width, &height, self)))
    {
        left = GetMember(p_pControl, L"Left").Number(0);
        top = GetMember(p_pControl, L"Top").Number(0);
        width = GetMember(p_pControl, L"Width").Number(0);
        height = GetMember(p_pControl, L"Height").Number(0);
    }
    SetLastButtonAnchor(POINT{left + width, top + height});
    return true;
}

void COutlookPlugin::OnHookedButtonClick(IDispatch* p_pControl)
{
    uint32_t command = 0;
    if (!m_p_oGC || p_pControl == nullptr || !ClickedCommand(p_pControl, command))
        return;
    g_uPendingToolbarCommand = command;
    PostMessageA(m_hExplorer, WM_COMMAND, kRunPendingToolbarCommand, 0);
}

void COutlookPlugin::OnButtonClick(IDispatch* p_pControl)
{
    uint32_t command = 0;
    if (!m_p_oGC || p_pControl == nullptr || !ClickedCommand(p_pControl, command))
        return;
    // A click never runs while the bar is being rebuilt.
    const HANDLE gui = m_p_oGC->GuiMutex();
    const DWORD waited = gui != nullptr ? WaitServingSentMessages(gui) : WAIT_FAILED;
    const bool held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    const scope_exit release([gui, held] {
        if (held)
            ReleaseMutex(gui);
    });
    ExecuteButtonCommand(command, nullptr);
}

void COutlookPlugin::OpenNewOutlookMail()
{
    if (m_p_oGC)
        (void)m_p_oGC->OpenNewMail();
}

HRESULT COutlookPlugin::Help(exchext::IExchExtCallback*, UINT)
{
    Log("COutlookPlugin::Help\n");
    return S_OK;
}

HRESULT COutlookPlugin::QueryHelpText(UINT, ULONG p_ulFlags, LPSTR p_szText, UINT p_cch)
{
    return TrapExceptions("COutlookPlugin::QueryHelpText", S_OK, [&]() -> HRESULT {
        if ((p_ulFlags == exchext::kHelpTextStatusBar || p_ulFlags == exchext::kHelpTextTooltip) && m_p_oGC)
            (void)CopyText(PluginText(plugin_string::kNewSMS), p_szText, p_cch);
        return S_OK;
    });
}

HRESULT COutlookPlugin::QueryButtonInfo(ULONG p_ulToolbarId, UINT p_uButton, TBBUTTON* p_pButton, LPSTR p_szDescription,
                                        UINT p_cchDescription, ULONG)
{
    return TrapExceptions("COutlookPlugin::QueryButtonInfo", S_FALSE, [&]() -> HRESULT {
        if (!m_p_oGC || p_pButton == nullptr || m_p_oGC->ButtonToolbar() == 0 ||
            p_ulToolbarId != m_p_oGC->ButtonToolbar() || p_uButton != m_p_oGC->ButtonBitmap())
            return S_FALSE;
        const std::optional<uint32_t> command = m_p_oGC->CommandOf(ID_NEW_SMS);
        if (!command)
            return S_FALSE;
        p_pButton->iBitmap = static_cast<int>(m_p_oGC->ButtonBitmap());
        p_pButton->idCommand = static_cast<int>(*command);
        p_pButton->fsState = TBSTATE_ENABLED;
        p_pButton->fsStyle = TBSTYLE_BUTTON;
        p_pButton->dwData = 0;
        p_pButton->iString = -1;
        (void)CopyText(m_p_oGC->ButtonDescription(), p_szDescription, p_cchDescription);
        return S_OK;
    });
}

HRESULT COutlookPlugin::ResetToolbar(ULONG, ULONG)
{
    return S_OK;
}

void COutlookPlugin::OnSelectionChange(exchext::IExchExtCallback*)
{
    TrapExceptionsVoid("COutlookPlugin::OnSelectionChange", [&] {
        if (m_iGuiKind == 2)
            PostMessageA(m_hExplorer, WM_COMMAND, kInstallationRun, 0);
        else if (m_iGuiKind == 3 && m_p_oGC)
            (void)m_p_oGC->InstallationRun(m_p_oExplorer.get(), static_cast<IDispatch*>(this), ToolbarShowing());
        m_bSelectionChanged = true;
    });
}

void COutlookPlugin::OnObjectChange(exchext::IExchExtCallback*)
{
}

HRESULT COutlookPlugin::OnDelivery(exchext::IExchExtCallback* p_pCallback)
{
    return TrapExceptions("COutlookPlugin::OnDelivery", S_OK, [&]() -> HRESULT {
        Log("OnDelivery\n");
        com_ptr<IMsgStore> store;
        com_ptr<IMAPIProp> object;
        if (FAILED(LOG_IF_FAILED(p_pCallback->GetObject(store.put(), object.put()))) || !object)
            return S_OK;
        com_ptr<IMessage> message = object.query<IMessage>(kIidMessage);
        if (!message)
            return S_OK;
        SizedSPropTagArray(1, tags) = {1, {kTransportMessageHeaders}};
        ULONG count = 0;
        SPropValue* values = nullptr;
        (void)message->GetProps(reinterpret_cast<SPropTagArray*>(&tags), 0, &count, &values);
        unique_mapi_buffer<SPropValue> valuesOwner(values);
        return S_OK;
    });
}

HRESULT COutlookPlugin::OnRead(exchext::IExchExtCallback*)
{
    Log("COutlookPlugin::OnRead\n");
    return S_FALSE;
}

HRESULT COutlookPlugin::OnReadComplete(exchext::IExchExtCallback*, ULONG)
{
    Log("COutlookPlugin::OnReadComplete\n");
    return S_FALSE;
}

HRESULT COutlookPlugin::OnWrite(exchext::IExchExtCallback*)
{
    Log("COutlookPlugin::OnWrite\n");
    return S_FALSE;
}

HRESULT COutlookPlugin::OnWriteComplete(exchext::IExchExtCallback* p_pCallback, ULONG)
{
    return TrapExceptions("COutlookPlugin::OnWriteComplete", S_FALSE, [&]() -> HRESULT {
        CCommandInvoker* command = ProcessCommandInvoker();
        HWND note = nullptr;
        if (command == nullptr || FAILED(LOG_IF_FAILED(p_pCallback->GetWindow(&note))))
            return S_FALSE;
        // Penhold's subclass of the note answers with the CC-to-mobile choice.
        const LRESULT choice = SendMessageA(note, kCCMobileQuery, 0, 0);
        if (choice == 0)
            return S_FALSE;
        com_ptr<IMsgStore> store;
        com_ptr<IMAPIProp> object;
        if (FAILED(LOG_IF_FAILED(p_pCallback->GetObject(store.put(), object.put()))) || !object)
            return S_FALSE;
        com_ptr<IUnknown> message = object.query<IUnknown>(IID_IUnknown);
        command->Spawner().CCPhoneStore(message.get(), choice & 1, choice & 2, choice & 4);
        m_lCCPhoneValue = WindowArgument(note);
        return S_FALSE;
    });
}

HRESULT COutlookPlugin::OnCheckNames(exchext::IExchExtCallback*)
{
    Log("COutlookPlugin::OnCheckNames\n");
    return S_FALSE;
}

HRESULT COutlookPlugin::OnCheckNamesComplete(exchext::IExchExtCallback*, ULONG)
{
    Log("COutlookPlugin::OnCheckNamesComplete\n");
    return S_FALSE;
}

HRESULT COutlookPlugin::OnSubmit(exchext::IExchExtCallback*)
{
    Log("COutlookPlugin::OnSubmit\n");
    return S_FALSE;
}

HRESULT COutlookPlugin::OnSubmitComplete(exchext::IExchExtCallback*, ULONG)
{
    return TrapExceptions("COutlookPlugin::OnSubmitComplete", S_FALSE, [&]() -> HRESULT {
        if (CCommandInvoker* command = ProcessCommandInvoker())
            command->Spawner().CCPhoneSend(m_lCCPhoneValue);
        return S_FALSE;
    });
}
