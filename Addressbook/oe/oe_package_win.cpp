// Addressbook/oe/oe_package_win.cpp: the running Outlook Express's browser window and the two
// events its hooks set when the transfer file's note was sent or given up.
#include "Addressbook/oe/oe_package_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"

#include <windows.h>

namespace oe
{
namespace
{
class CWindowBrowserLink final : public IBrowserLink
{
  public:
    [[nodiscard]] bool FindBrowser(const char* p_szClass) override
    {
        m_hBrowser = FindWindowA(p_szClass, nullptr);
        return m_hBrowser != nullptr;
    }

    [[nodiscard]] ESendOutcome PostAndWait(uint32_t p_dwNumber, uint32_t p_dwTimeoutMs, CCancelLink& p_oLink) override
    {
        unique_handle success(CreateEventA(nullptr, FALSE, FALSE, kSendSuccessEvent));
        unique_handle failed(CreateEventA(nullptr, FALSE, FALSE, kSendFailedEvent));
        if (!LOG_IF_WIN32_BOOL_FALSE(success.get() != nullptr) || !LOG_IF_WIN32_BOOL_FALSE(failed.get() != nullptr))
            return ESendOutcome::Error;
        // A signal left over from an earlier send that was given up on must not answer this one.
        (void)ResetEvent(success.get());
        (void)ResetEvent(failed.get());
        if (!LOG_IF_WIN32_BOOL_FALSE(PostMessageA(m_hBrowser, kSendMailMessage, p_dwNumber, 0)))
            return ESendOutcome::Error;
        Log("COutlookExpress::Send: posted file %X, waiting up to %u ms", static_cast<unsigned>(p_dwNumber),
            static_cast<unsigned>(p_dwTimeoutMs));
        const HANDLE events[3] = {success.get(), failed.get(),
                                  reinterpret_cast<HANDLE>(p_oLink.StopEvent().NativeHandle())};
        const DWORD start = GetTickCount();
        for (;;)
        {
            const DWORD waited = GetTickCount() - start;
            const DWORD left = waited < p_dwTimeoutMs ? p_dwTimeoutMs - waited : 0;
            switch (WaitForMultipleObjects(3, events, FALSE, left))
            {
            case WAIT_OBJECT_0:
                return ESendOutcome::Success;
            case WAIT_OBJECT_0 + 1:
                return ESendOutcome::Failed;
            case WAIT_OBJECT_0 + 2:
                // The note is on its way and cannot be called back: refused, and the wait goes on.
                (void)p_oLink.HonourStop();
                continue;
            case WAIT_TIMEOUT:
                return ESendOutcome::TimedOut;
            default:
                LOG_FAILURE("WaitForMultipleObjects failed: error %lu", GetLastError());
                return ESendOutcome::Error;
            }
        }
    }

  private:
    HWND m_hBrowser = nullptr;
};
} // namespace

std::unique_ptr<IBrowserLink> CreateWindowBrowserLink()
{
    return std::make_unique<CWindowBrowserLink>();
}

std::unique_ptr<CMailPackage> CreateOutlookExpressPackage(int p_iMajor, CRegistry& p_oRegistry, uint32_t p_dwWaitMs)
{
    return std::make_unique<COutlookExpress>(p_iMajor, true,
                                             CreateSMTPPackageFor(kPackageOutlookExpress, p_iMajor, p_oRegistry),
                                             CreateWindowBrowserLink(), p_dwWaitMs);
}
} // namespace oe
