// outlook/resource_module_win.h: the resource module named by the "Resource" setting, loaded as a
// data file (no code of it runs): its definition texts, bitmaps and strings.
#pragma once

#include "common/handle_win.h"
#include "outlook/toolbar_definition.h"

#include <string>
#include <vector>

// Resource types of the definition texts.
inline constexpr unsigned kToolbarTextType = 102;
inline constexpr unsigned kToolbarTextOtherType = 105;
inline constexpr unsigned kNewSMSTextType = 103;
// Strings of the module: the "New SMS" menu item and the toolbar button's description.
inline constexpr unsigned kModuleNewSMSItem = 25;
inline constexpr unsigned kModuleNewSMSButton = 26;

class CResourceModule
{
  public:
    // The "Resource" setting (user key, then the Install key); false when neither holds it.
    [[nodiscard]] static bool ConfiguredPath(std::string& p_sPath);

    [[nodiscard]] bool Load(const std::string& p_sPath);
    void Unload()
    {
        m_hModule.reset();
    }
    bool Loaded() const
    {
        return static_cast<bool>(m_hModule);
    }

    // The text resource p_szName of p_uType; false when the module has none.
    [[nodiscard]] bool ReadText(const char* p_szName, unsigned p_uType, std::string& p_sText) const;
    // Reads and parses a definition text: false when it is missing or corrupt (p_vEntries is empty).
    [[nodiscard]] bool ReadDefinition(const char* p_szName, unsigned p_uType,
                                      std::vector<CToolbarEntry>& p_vEntries) const;
    // A string of the module's table; p_sFallback when it has none.
    std::string String(unsigned p_uId, const std::string& p_sFallback) const;
    // The bitmap p_uId with pure green (0x00FF00) replaced by the button face colour.
    unique_hbitmap FaceBitmap(unsigned p_uId) const;

  private:
    unique_hmodule m_hModule;
};
