// compose/registration_win.h: the compose server's registry scripts, applied by /RegServer and removed by
// /UnregServer, written straight to the registry.
#pragma once

#include <string>

// Both scripts, then the type library embedded in p_sModulePath.
[[nodiscard]] bool RegisterServer(const std::string& p_sModulePath);
[[nodiscard]] bool UnregisterServer(const std::string& p_sModulePath);

extern const char* const kQuilletAppId; // {AABC1CA9-D4DD-4A5F-B3AD-E47C7FD5EE3E}
extern const char* const kQuilletClsid; // {D1FD8D16-37A9-4BBD-9314-C0CC0DADFE65}
extern const char* const kQuilletLibId; // {5AD454D3-4D7F-4DC6-831C-B4BD6AF3D3A8}
