// tests/win/oelaunch/runbay_test_support.cpp: the shared pieces of Runbay's tests.
#include "tests/win/oelaunch/runbay_test_support.h"

#include "common/handle_win.h"
#include "oelaunch/transfer_file.h"
#include "tests/win/support/registry_text_win.h"

#include <cstdio>
#include <sstream>

namespace runbaytest
{
bool CRecordingHooks::SetGlobal(HWND p_hMonitor, DWORD p_dwProcessId)
{
    m_hMonitor = p_hMonitor;
    m_dwProcessId = p_dwProcessId;
    m_vCalls.push_back("SetGlobal");
    return true;
}

void CRecordingHooks::UnsetGlobal()
{
    m_vCalls.push_back("UnsetGlobal");
}

bool CRecordingHooks::SetLocal(DWORD p_dwThreadId)
{
    m_vCalls.push_back("SetLocal " + std::to_string(p_dwThreadId));
    return true;
}

bool CRecordingHooks::SetLocalOE4(DWORD p_dwThreadId)
{
    m_vCalls.push_back("SetLocalOE4 " + std::to_string(p_dwThreadId));
    return true;
}

void CRecordingHooks::UnsetLocal()
{
    m_vCalls.push_back("UnsetLocal");
}

void CRecordingHooks::ResetInitialSendReceive()
{
    m_vCalls.push_back("ResetInitialSendReceive");
}

namespace
{
constexpr const char* kInstallKey = "Software\\Brevolt\\Install";
} // namespace

CFakeCoreInstalled::CFakeCoreInstalled()
{
    m_bHadValue = ReadRegText(HKEY_LOCAL_MACHINE, kInstallKey, "Addressbook", m_sPrevious);
    m_bInstalled = WriteRegText(HKEY_LOCAL_MACHINE, kInstallKey, "Addressbook", FAKE_CORE_DLL);
}

CFakeCoreInstalled::~CFakeCoreInstalled()
{
    if (m_bHadValue)
        (void)WriteRegText(HKEY_LOCAL_MACHINE, kInstallKey, "Addressbook", m_sPrevious);
    else
        DeleteRegValue(HKEY_LOCAL_MACHINE, kInstallKey, "Addressbook");
}

std::vector<std::string> FakeCoreCalls(HMODULE p_hCore, bool p_bClear)
{
    using PFN_Calls = int (*)(char*, int, int);
    const auto calls = reinterpret_cast<PFN_Calls>(GetProcAddress(p_hCore, "FakeCoreCalls"));
    std::vector<std::string> lines;
    if (calls == nullptr)
        return lines;
    std::string buffer(65536, '\0');
    calls(buffer.data(), static_cast<int>(buffer.size()), p_bClear ? 1 : 0);
    std::istringstream stream(buffer.c_str());
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

namespace
{
struct CWindowSearch
{
    const char* m_szClass;
    DWORD m_dwProcessId;
    HWND m_hFound;
    std::vector<DWORD> m_vProcesses;
};

BOOL CALLBACK CollectWindow(HWND p_hWnd, LPARAM p_lParam)
{
    auto* search = reinterpret_cast<CWindowSearch*>(p_lParam);
    char name[128] = {};
    GetClassNameA(p_hWnd, name, sizeof(name));
    if (lstrcmpA(name, search->m_szClass) != 0)
        return TRUE;
    DWORD process = 0;
    GetWindowThreadProcessId(p_hWnd, &process);
    search->m_vProcesses.push_back(process);
    if (process == search->m_dwProcessId)
        search->m_hFound = p_hWnd;
    return TRUE;
}
} // namespace

HWND HiddenWindowOf(DWORD p_dwProcessId, const char* p_szClass)
{
    CWindowSearch search{p_szClass, p_dwProcessId, nullptr, {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.m_hFound;
}

std::vector<DWORD> ProcessesWithWindow(const char* p_szClass)
{
    CWindowSearch search{p_szClass, 0, nullptr, {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.m_vProcesses;
}

LRESULT SendControl(HWND p_hHidden, const std::string& p_sCommand)
{
    COPYDATASTRUCT data{};
    data.dwData = 0x4F45434C;
    data.cbData = static_cast<DWORD>(p_sCommand.size());
    data.lpData = const_cast<char*>(p_sCommand.data());
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(p_hHidden, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000, &result) ==
        0)
        return -1;
    return static_cast<LRESULT>(result);
}

void QuitClients(const char* p_szHiddenClass)
{
    // All are asked first and then awaited together: a client takes a while to end under Wine.
    std::vector<unique_handle> ending;
    for (DWORD process : ProcessesWithWindow(p_szHiddenClass))
    {
        unique_handle handle(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, process));
        if (HWND hidden = HiddenWindowOf(process, p_szHiddenClass); hidden != nullptr)
            (void)SendControl(hidden, "quit");
        if (handle)
            ending.push_back(std::move(handle));
    }
    for (unique_handle& handle : ending)
        if (WaitForSingleObject(handle.get(), 10000) != WAIT_OBJECT_0)
            TerminateProcess(handle.get(), 1);
}

std::string WriteTransferFile(unsigned p_uStamp, const std::string& p_sText)
{
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string path = runbay::TransferFilePath(temp, p_uStamp);
    if (FILE* file = std::fopen(path.c_str(), "wb"))
    {
        std::fwrite(p_sText.data(), 1, p_sText.size(), file);
        std::fclose(file);
    }
    return path;
}

bool FileExists(const std::string& p_sPath)
{
    return GetFileAttributesA(p_sPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace runbaytest
