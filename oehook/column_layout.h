// oehook/column_layout.h: the message list's column layout for the "Sent SMSs" folder. Outlook
// Express keeps the layout of received mail in its binary value "Mail Column Info (In)"; while
// "Sent SMSs" is shown that value holds the SMS layout and the user's own waits in a backup
// (portable: it works on the settings seam).
#pragma once

#include "common/registry.h"

#include <cstdint>
#include <string>
#include <vector>

// The built-in SMS layouts of Outlook Express 4 (152 bytes) and 6 (80 bytes).
std::vector<uint8_t> BuiltInSMSColumns(int p_iMajor);

class CColumnLayout
{
  public:
    // p_sColumnsKey: the identity's "Columns" key below the current user.
    CColumnLayout(Registry& p_oRegistry, std::string p_sColumnsKey, int p_iMajor);

    // Backs "(In)" up into "(In Backup)", writes the SMS layout into "(In)" and sets "(In Modified)".
    // The SMS layout is "(SMS)" when stored, else version 5's "(Out)" or the built-in one. A second
    // call while swapped in changes nothing.
    [[nodiscard]] bool SwapIn();
    // Writes the backup back into "(In)" and removes it; true when nothing was swapped in.
    [[nodiscard]] bool SwapBack();
    // The user changed the columns while "Sent SMSs" is shown: "(In)" becomes the SMS layout.
    [[nodiscard]] bool StoreCurrentAsSMS();
    bool SwappedIn();

  private:
    [[nodiscard]] bool Read(const char* p_szName, std::vector<uint8_t>& p_vData);
    [[nodiscard]] bool Write(const char* p_szName, const std::vector<uint8_t>& p_vData);

    Registry& m_oRegistry;
    std::string m_sKey;
    int m_iMajor;
};
