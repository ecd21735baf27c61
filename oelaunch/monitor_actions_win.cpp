// oelaunch/monitor_actions_win.cpp: the monitor's two hand-overs from the mail client: a compose
// window for a new SMS or a reply/forward via SMS (from the transfer file), and CC to mobile of an
// e-mail being sent.
#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/address_book_binding_win.h"
#include "oelaunch/monitor_window_win.h"
#include "oelaunch/runbay_strings.h"
#include "oelaunch/transfer_file.h"

namespace runbay
{
namespace
{
unique_bstr MakeBstr(const std::string& p_sText)
{
    const std::wstring wide = AnsiToWide(p_sText);
    return unique_bstr(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
}

// The saved message for a reply or forward; the file is Runbay's to delete once read. False when
// there is nothing to open a window with.
bool ReadTransferFile(uint32_t p_dwStamp, CTransferMessage& p_oMessage)
{
    char temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length > MAX_PATH)
    {
        LOG_FAILURE("GetTempPath() failed with result %lu", static_cast<unsigned long>(length));
        return false;
    }
    const std::string path = TransferFilePath(temp, p_dwStamp);
    std::string bytes;
    const EReadFile read = ReadWholeFile(path, bytes, kMaxTransferFileBytes);
    if (read != EReadFile::Missing)
        (void)LOG_IF_WIN32_BOOL_FALSE(DeleteFileA(path.c_str()));
    if (read != EReadFile::Read)
    {
        LOG_FAILURE("the transfer file '%s' could not be read (%d)", path.c_str(), static_cast<int>(read));
        return false;
    }
    p_oMessage = ParseTransferText(bytes);
    return true;
}
} // namespace

void CMonitorWindow::SpawnSMSWindowOE(HWND p_hBrowser, uint32_t p_dwKind, uint32_t p_dwStamp)
{
    Log("SpawnSMSWindowOE Attempting to spawn a SMSWindow");
    if (!m_p_oSMS)
        return;
    CTransferMessage message;
    if (p_dwKind != kSpawnNew)
    {
        Log("SpawnSMSWindowOE Not a new SMSWindow");
        if (!ReadTransferFile(p_dwStamp, message))
            return;
        message = MessageForKind(std::move(message), p_dwKind);
    }
    const unique_bstr to = MakeBstr(message.m_sRecipient);
    const unique_bstr text = MakeBstr(message.m_sText);
    const HRESULT hr =
        m_p_oSMS->CreateNewSMS(static_cast<long>(reinterpret_cast<intptr_t>(p_hBrowser)), to.get(), text.get());
    if (FAILED(hr))
    {
        LOG_FAILURE("Failed to display new message 0x%x", static_cast<unsigned>(hr));
    }
}

void CMonitorWindow::CCPhone(HWND p_hOwner)
{
    if (!CoreReady())
        return;
    CAddressBookControlObject& core = *m_oSetup.m_p_oCore;
    const CCCPhoneRequest request = ParseCCPhoneText(m_sCopiedText);
    CMessageRecipientList* first = nullptr;
    CMessageRecipientList* second = nullptr;
    const scope_exit deleteLists([&] {
        if (first != nullptr)
            (void)core.m_pfnDeleteMessageRecipientList(&first);
        if (second != nullptr)
            (void)core.m_pfnDeleteMessageRecipientList(&second);
    });
    if (core.m_pfnCreateMessageRecipientList(&first) == 0 || core.m_pfnCreateMessageRecipientList(&second) == 0 ||
        first == nullptr || second == nullptr)
    {
        LOG_FAILURE("the recipient lists could not be created");
        return;
    }
    for (const std::string& address : request.m_vAddresses)
    {
        CMessageRecipient* recipient = nullptr;
        if (core.m_pfnCreateMessageRecipient(address.c_str(), &recipient) == 0 || recipient == nullptr)
        {
            LOG_FAILURE("Failed to create MR");
            continue;
        }
        if (core.m_pfnAddMessageRecipient(first, recipient) == 0)
        {
            LOG_FAILURE("Failed to add MR");
            (void)core.m_pfnDeleteMessageRecipient(&recipient);
        }
    }
    int exited = 0;
    const int checked = core.m_pfnCheck(p_hOwner, &first, &second, 0, nullptr, &exited);
    if (exited != 0)
    {
        ShowMessageBox(p_hOwner, RunbayText(runbay_string::kCCMobileCancelledText),
                       RunbayText(runbay_string::kCCMobileCancelled), MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (checked == 0)
    {
        LOG_FAILURE("Check failed");
        return;
    }
    const uint32_t remaining = (first != nullptr ? first->m_dwCount : 0) + (second != nullptr ? second->m_dwCount : 0);
    if (remaining == 0)
        return;
    CRegistry registry;
    const std::string text = CCPhoneMessage(registry.ReadUserText("Name"), request.m_sSubject);
    uint32_t notify = 0;
    uint32_t send = 0;
    std::string signature;
    (void)registry.GetNotifyDefaults(notify);
    (void)registry.GetSendDefaults(send, signature);
    int result = 0;
    if (core.m_pfnSendSMS(p_hOwner, first, second, text.c_str(), notify | send, nullptr, nullptr, &result) == 0)
        LOG_FAILURE("SendSMS could not start (result %d)", result);
}
} // namespace runbay
