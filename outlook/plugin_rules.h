// outlook/plugin_rules.h: the plug-in's decisions that need no window: the host classification,
// the stored toolbar state, the About box's version line, web target tokens and entry-id text, and
// the table between the plug-in's menu ids and the ids the host handed out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// 0 before Outlook 97, 1 Outlook 97 (8.0-8.4), 2 Outlook 98 (8.5), 3 2000, 4 2002, 5 2003, 6 later.
int HostVersionCode(uint16_t p_wMajor, uint16_t p_wMinor);
// 1: Exchange menu and toolbar only; 2: window hooks (97, 98); 3: the object model (2000 and later).
int GuiKind(int p_iHostVersionCode);

// The stored "OutlookToolbarShowing" text: only a text longer than four characters beginning with
// "FALSE" (any case) hides the bar.
bool ToolbarShowingFromText(std::string_view p_sStored);

// An eight-character version "10001234" reads "100.1.2"; other lengths read as stored.
std::string AboutVersionLine(std::string_view p_sVersion);

// Every character but a letter or a digit becomes "%" and two lower-case hex digits.
std::string UrlEscape(std::string_view p_sText);

// Reads a setting by name; false when it cannot be read.
using SettingReader = std::function<bool(const std::string& p_sName, std::string& p_sValue)>;

// Replaces the "$$" tokens of a web target with their URL-escaped settings. Each setting is read at
// most once through p_fnRead and kept in p_vCache; false (and nothing to open) when a read fails.
[[nodiscard]] bool SubstituteTargetTokens(std::string_view p_sTarget, const SettingReader& p_fnRead,
                                          std::vector<std::pair<std::string, std::string>>& p_vCache,
                                          std::string& p_sResult);

// Two upper-case hex digits per byte.
std::string EntryIdHex(const uint8_t* p_pBytes, size_t p_nCount);

// The plug-in's menu resource ids and the command ids the host gave them, looked up both ways.
class CCommandIdTable
{
  public:
    static constexpr size_t kCapacity = 2000;

    [[nodiscard]] bool Add(uint32_t p_uResourceId, uint32_t p_uCommandId);
    std::optional<uint32_t> CommandOf(uint32_t p_uResourceId) const;
    std::optional<uint32_t> ResourceOf(uint32_t p_uCommandId) const;
    size_t Count() const
    {
        return m_vPairs.size();
    }

  private:
    std::vector<std::pair<uint32_t, uint32_t>> m_vPairs;
};
