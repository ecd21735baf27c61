// Addressbook/oe/inbox_watch.h: where Outlook Express keeps the current identity's Inbox, its
// next-message number, and the rule that turns a finished download into the "OENewServerMail"
// signal. Portable: the hooks inside Outlook Express supply the registry, the event and the clock.
#pragma once

#include "common/settings.h"

#include <cstdint>
#include <functional>
#include <string>

namespace oe
{
constexpr uint32_t kNextNumberOffsetDbx = 92; // Inbox ".dbx" of version 5 and later
constexpr uint32_t kNextNumberOffsetMbx = 8;  // Inbox ".mbx" of version 4
constexpr const char* kNewServerMailEvent = "OENewServerMail";
constexpr const char* kIdFromValue = "OEIDFrom";
constexpr const char* kIdToValue = "OEIDTo";

class CInboxLocator
{
  public:
    // p_iMajor is Outlook Express's major version (4, 5, 6).
    CInboxLocator(CRegistry& p_oRegistry, int p_iMajor) : m_oRegistry(p_oRegistry), m_iMajor(p_iMajor)
    {
    }

    // Version 4's Inbox file name, as the folder tree watcher learns it.
    void SetInboxFileName(const std::string& p_sName)
    {
        m_sInboxFileName = p_sName;
    }
    // The store folder with a trailing backslash.
    [[nodiscard]] bool GetCurrentFolderPath(std::string& p_sFolder);
    // The Inbox file; version 5 and later read "Folders.dbx" again only when p_bRefresh is set or
    // nothing is cached yet.
    [[nodiscard]] bool GetInboxPath(bool p_bRefresh, std::string& p_sPath);
    [[nodiscard]] bool GetInboxNextNumber(uint32_t& p_dwNumber);

  private:
    CRegistry& m_oRegistry;
    int m_iMajor;
    std::string m_sInboxFileName;
    std::string m_sCachedPath;
};

// What the trigger needs from its surroundings.
struct CTriggerHost
{
    std::function<bool(uint32_t&)> m_fnNextNumber;
    std::function<bool(const std::string& p_sName)> m_fnSettingReadable; // a user-key Brevolt value
    std::function<bool()> m_fnSignal;                                    // sets "OENewServerMail"
};

// The download dialog's "finished downloading" rule: signal once per growth of the Inbox's
// next-message number, and only while the core library's monitor has left its range values.
class CNewMailTrigger
{
  public:
    // True when the event was signalled. Any failure keeps the last seen number, so the next
    // finished download tries again.
    [[nodiscard]] bool OnFinishedDownloading(const CTriggerHost& p_oHost);
    uint32_t LastSeen() const
    {
        return m_dwLastSeen;
    }

  private:
    uint32_t m_dwLastSeen = 0;
};
} // namespace oe
