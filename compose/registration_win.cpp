// compose/registration_win.cpp: registration in the order of the two scripts: the AppID, then the
// ProgIDs and the class. Keys marked "ForceRemove" are cleared before they are written; on removal
// the AppID and CLSID roots stay, everything the scripts created below them goes.
#include "compose/registration_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "compose/quillet_h.h"

#include <windows.h>

#include <oleauto.h>

const char* const kQuilletAppId = "{AABC1CA9-D4DD-4A5F-B3AD-E47C7FD5EE3E}";
const char* const kQuilletClsid = "{D1FD8D16-37A9-4BBD-9314-C0CC0DADFE65}";
const char* const kQuilletLibId = "{5AD454D3-4D7F-4DC6-831C-B4BD6AF3D3A8}";

namespace
{
constexpr const char* kDescription = "Quillet Class";
constexpr const char* kProgId = "Quillet.Quillet.1";
constexpr const char* kVersionIndependentProgId = "Quillet.Quillet";

// HKCR\p_sKey, created when it is missing; empty when it cannot be.
unique_hkey CreateKey(const std::string& p_sKey)
{
    unique_hkey key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, p_sKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
    {
        LOG_FAILURE("cannot create HKCR\\%s", p_sKey.c_str());
        key.reset();
    }
    return key;
}

[[nodiscard]] bool SetText(const std::string& p_sKey, const char* p_szName, const std::string& p_sValue)
{
    const unique_hkey key = CreateKey(p_sKey);
    if (!key)
        return false;
    return LOG_IF_WIN32_ERROR(RegSetValueExA(key.get(), p_szName, 0, REG_SZ,
                                             reinterpret_cast<const BYTE*>(p_sValue.c_str()),
                                             static_cast<DWORD>(p_sValue.size() + 1))) == ERROR_SUCCESS;
}

[[nodiscard]] bool MakeKey(const std::string& p_sKey)
{
    return static_cast<bool>(CreateKey(p_sKey));
}

// Deletes a key with everything below it; an absent key is already removed.
[[nodiscard]] bool RemoveTree(const std::string& p_sKey)
{
    const LONG result = RegDeleteTreeA(HKEY_CLASSES_ROOT, p_sKey.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        return false;
    const LONG last = RegDeleteKeyA(HKEY_CLASSES_ROOT, p_sKey.c_str());
    return last == ERROR_SUCCESS || last == ERROR_FILE_NOT_FOUND;
}

} // namespace

bool RegisterServer(const std::string& p_sModulePath)
{
    const std::string appId = std::string("AppID\\") + kQuilletAppId;
    const std::string clsid = std::string("CLSID\\") + kQuilletClsid;
    bool ok = SetText(appId, nullptr, "Quillet") && SetText("AppID\\Quillet.EXE", "AppID", kQuilletAppId);
    ok = ok && SetText(kProgId, nullptr, kDescription) &&
         SetText(std::string(kProgId) + "\\CLSID", nullptr, kQuilletClsid);
    ok = ok && SetText(kVersionIndependentProgId, nullptr, kDescription) &&
         SetText(std::string(kVersionIndependentProgId) + "\\CLSID", nullptr, kQuilletClsid) &&
         SetText(std::string(kVersionIndependentProgId) + "\\CurVer", nullptr, kProgId);
    ok = ok && RemoveTree(clsid);
    ok = ok && SetText(clsid, nullptr, kDescription) && SetText(clsid + "\\ProgID", nullptr, kProgId) &&
         SetText(clsid + "\\VersionIndependentProgID", nullptr, kVersionIndependentProgId) &&
         RemoveTree(clsid + "\\Programmable") && MakeKey(clsid + "\\Programmable") &&
         SetText(clsid + "\\LocalServer32", nullptr, p_sModulePath) && SetText(clsid, "AppID", kQuilletAppId) &&
         SetText(clsid + "\\TypeLib", nullptr, kQuilletLibId);
    if (!ok)
    {
        LOG_FAILURE("writing the registry failed");
        return false;
    }
    com_ptr<ITypeLib> typeLib;
    if (FAILED(LOG_IF_FAILED(LoadTypeLibEx(AnsiToWide(p_sModulePath).c_str(), REGKIND_REGISTER, typeLib.put()))))
        return false;
        // The library is registered under its LCID 0x0409. Wine's type-library marshaller looks for
        // the module under the neutral LCID only, so the same path is written there too; Windows finds
        // it under either.
#ifdef _WIN64
    const char* const kSysKind = "win64";
#else
    const char* const kSysKind = "win32";
#endif
    return SetText(std::string("TypeLib\\") + kQuilletLibId + "\\1.0\\0\\" + kSysKind, nullptr, p_sModulePath);
}

bool UnregisterServer(const std::string&)
{
    bool ok = RemoveTree(std::string("AppID\\") + kQuilletAppId) && RemoveTree("AppID\\Quillet.EXE");
    ok = RemoveTree(kProgId) && ok;
    ok = RemoveTree(kVersionIndependentProgId) && ok;
    ok = RemoveTree(std::string("CLSID\\") + kQuilletClsid) && ok;
#ifdef _WIN64
    const SYSKIND kind = SYS_WIN64;
#else
    const SYSKIND kind = SYS_WIN32;
#endif
    const HRESULT hr = UnRegisterTypeLib(LIBID_QUILLETLib, 1, 0, 0x0409, kind);
    if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS && hr != TYPE_E_CANTLOADLIBRARY)
        LogCallFailure(__PRETTY_FUNCTION__, "UnRegisterTypeLib(LIBID_QUILLETLib, 1, 0, 0x0409, kind)",
                       EResultKind::HResult, static_cast<uint32_t>(hr));
    // The neutral-LCID path written at registration goes with the library.
    ok = RemoveTree(std::string("TypeLib\\") + kQuilletLibId) && ok;
    return ok;
}
