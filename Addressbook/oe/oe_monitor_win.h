// Addressbook/oe/oe_monitor_win.h: the Outlook Express monitor: a thread woken by the hooks inside
// Outlook Express ("OENewServerMail") that reads the newly downloaded messages through Simple MAPI,
// and follows identity changes. The monitor keeps the message range in "OEIDFrom"/"OEIDTo": the
// hooks signal only while both exist, that is while a monitor runs.
#pragma once

#include "Addressbook/oe/server_comms.h"
#include "Addressbook/oe/simple_mapi_win.h"
#include "common/handle_win.h"

#include <functional>
#include <memory>

namespace oe
{
constexpr const char* kIdentityChangedEvent = "OEIdentityChangedEvent";
constexpr const char* kQueryIdentityChangeEvent = "OEQueryIdentityChangeEvent";

// The Inbox of a logged-on Simple MAPI session; every read is a peek.
class CSimpleMailbox final : public IOEMailbox
{
  public:
    explicit CSimpleMailbox(CSimpleMAPI& p_oMapi) : m_oMapi(p_oMapi)
    {
    }
    [[nodiscard]] bool PeekEnvelope(const std::string& p_sId, COEMail& p_oMail) override;
    [[nodiscard]] bool ReadMail(const std::string& p_sId, bool p_bAttachments, COEMail& p_oMail) override;
    [[nodiscard]] bool DeleteMail(const std::string& p_sId) override;

  private:
    CSimpleMAPI& m_oMapi;
};

// The last message id of the session's Inbox as a number, 0 when it is empty.
[[nodiscard]] bool LastMessageNumber(CSimpleMAPI& p_oMapi, uint32_t& p_dwLast, uint32_t& p_dwError);

struct COEMonitorHost
{
    CRegistry* m_p_oRegistry = nullptr;
    int m_iMajor = 0;
    // The rules, the installer and the bulk send for one batch.
    std::function<void(const std::function<void(const CNewMailServices&)>&)> m_fnWithServices;
};

class COEMonitor
{
  public:
    explicit COEMonitor(COEMonitorHost p_oHost);
    ~COEMonitor();
    COEMonitor(const COEMonitor&) = delete;
    COEMonitor& operator=(const COEMonitor&) = delete;

    [[nodiscard]] bool Start();
    // Sets the stop event, waits for the thread's "done" event and its end.
    void Stop();
    bool IsRunning() const
    {
        return m_oThread.get() != nullptr;
    }

  private:
    static DWORD WINAPI ThreadProc(void* p_pThis);
    void Run();
    void DealWithNewMail(std::unique_ptr<CSimpleMAPI>& p_p_oMapi);
    [[nodiscard]] bool LogOn(std::unique_ptr<CSimpleMAPI>& p_p_oMapi);
    void WriteRange(uint32_t p_dwFrom, uint32_t p_dwTo);
    // The Inbox's last message as the start of the range; false when the Inbox cannot be read.
    [[nodiscard]] bool StoreRangeStart();

    COEMonitorHost m_oHost;
    unique_handle m_oStop;
    unique_handle m_oDone;
    unique_handle m_oIdentityChanged;
    unique_handle m_oQueryIdentityChange;
    unique_handle m_oThread;
};
} // namespace oe
