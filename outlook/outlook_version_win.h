// outlook/outlook_version_win.h: which client the plug-in runs in, from the version resource of the
// host program.
#pragma once

#include <windows.h>

class COutlookVersion
{
  public:
    // Reads the version resource (type 16, id 1) of p_hHost (the host program when null) and derives
    // the HostVersionCode; a missing or malformed resource reports string 233 and fails.
    [[nodiscard]] bool CheckVersion(HMODULE p_hHost = nullptr);
    int Code() const
    {
        return m_iHostVersionCode;
    }

  private:
    int m_iHostVersionCode = 0;
};

// The HostVersionCode of the last successful check in this process (0 before one).
int ProcessHostVersionCode();
