// outlook/plugin_registration_win.h: the plug-in's registration as an Exchange client extension:
// one value under HKLM\Software\Microsoft\Exchange\Client\Extensions.
#pragma once

#include <string>

inline constexpr const char* kClientExtensionsKey = "Software\\Microsoft\\Exchange\\Client\\Extensions";
inline constexpr const char* kPluginExtensionName = "Brevolt SMS";

// "4.0;<path>;1;<contexts>;<interfaces>": entry point ordinal 1; contexts viewer and send note;
// interfaces commands, user events, session events and message events.
std::string ClientExtensionValue(const std::string& p_sLibraryPath);

[[nodiscard]] bool RegisterClientExtension(const std::string& p_sLibraryPath);
// Removing a registration that is not there succeeds.
[[nodiscard]] bool UnregisterClientExtension();
