// tests/win/outlook/outlook_test_support.cpp: starting, driving and reading the client stand-in.
#include "tests/win/outlook/outlook_test_support.h"

#include "tools/window_picture/window_picture_win.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <oleauto.h>

#include <fstream>
#include <sstream>

namespace oltest
{
namespace
{
constexpr ULONG_PTR kControlMagic = 0x4F4C434C;

void SetText(HKEY p_hRoot, const char* p_szKey, const char* p_szName, const std::string& p_sValue)
{
    ASSERT_EQ(
        RegSetKeyValueA(p_hRoot, p_szKey, p_szName, REG_SZ, p_sValue.c_str(), static_cast<DWORD>(p_sValue.size() + 1)),
        ERROR_SUCCESS)
        << p_szKey << " " << (p_szName ? p_szName : "");
}

struct CFindContext
{
    DWORD m_dwProcess;
    const char* m_szClass;
    const char* m_szTitle;
    bool m_bVisible;
    HWND m_hFound;
};

BOOL CALLBACK FindOwnWindow(HWND p_hWnd, LPARAM p_lParam)
{
    auto* context = reinterpret_cast<CFindContext*>(p_lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(p_hWnd, &process);
    char className[64] = {};
    char title[256] = {};
    GetClassNameA(p_hWnd, className, sizeof className);
    GetWindowTextA(p_hWnd, title, sizeof title);
    if (process == context->m_dwProcess && lstrcmpA(className, context->m_szClass) == 0 &&
        (!context->m_bVisible || IsWindowVisible(p_hWnd)) &&
        (context->m_szTitle == nullptr || strstr(title, context->m_szTitle) != nullptr))
    {
        context->m_hFound = p_hWnd;
        return FALSE;
    }
    return TRUE;
}
} // namespace

std::string TempDir()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "brevolt-outlook-test";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

int RunAndWait(const std::string& p_sCommandLine)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = p_sCommandLine;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    unique_handle processHandle(process.hProcess);
    unique_handle threadHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

void PrepareMachine(const std::vector<std::pair<std::string, std::string>>& p_vExtra)
{
    const std::string dir = TempDir();
    const char* kStandinKey = "Software\\Brevolt Test\\MAPI Stand-in";
    ASSERT_TRUE(CopyFileA(OUTLOOK_SEED_FILE, (dir + "\\store.json").c_str(), FALSE));
    SetText(HKEY_CURRENT_USER, kStandinKey, "StoreFile", dir + "\\store.json");
    SetText(HKEY_CURRENT_USER, kStandinKey, "SmtpServer", "localhost:1");
    CreateDirectoryA((dir + "\\drop").c_str(), nullptr);
    SetText(HKEY_CURRENT_USER, kStandinKey, "DropFolder", dir + "\\drop");
    // Submitted mail stays in the store for the test to read: the spooler would only leave at a flush.
    SetText(HKEY_CURRENT_USER, kStandinKey, "SpoolDelayMs", "600000");
    SetText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "DLLPathEx", MAPI_DLL_PATH);
    (void)RegDeleteTreeA(HKEY_LOCAL_MACHINE, kExtensionsKey);
    SetText(HKEY_LOCAL_MACHINE, kExtensionsKey, kTestExtensionName,
            std::string("4.0;") + TEST_EXTENSION_DLL + ";1;11111110000000;1111111");
    for (const auto& [name, value] : p_vExtra)
        SetText(HKEY_LOCAL_MACHINE, kExtensionsKey, name.c_str(), value);
}

void ForgetExtensions()
{
    (void)RegDeleteTreeA(HKEY_LOCAL_MACHINE, kExtensionsKey);
}

namespace
{
const std::pair<HKEY, const char*> kRegistrationKeys[] = {
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Outlook.Application"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Outlook.Application.8"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Outlook.Application.9"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Outlook.Application.10"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Outlook.Application.11"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\{0006F03A-0000-0000-C000-000000000046}"},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Office"},
    {HKEY_CURRENT_USER, "Software\\Microsoft\\Office"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook\\shell"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE"}};
const std::pair<const char*, const char*> kRegistrationValues[] = {
    {"SOFTWARE\\Clients\\Mail", nullptr}, {"SOFTWARE\\Clients\\Mail\\Microsoft Outlook", nullptr}};
} // namespace

std::string RegText(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName)
{
    char value[512] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(p_hRoot, p_sKey.c_str(), p_szName, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

CClientRegistrationRestore::CClientRegistrationRestore()
{
    for (const auto& [root, key] : kRegistrationKeys)
    {
        unique_hkey probe;
        m_vExisted.push_back(RegOpenKeyExA(root, key, 0, KEY_READ, probe.put()) == ERROR_SUCCESS);
    }
    for (const auto& [key, name] : kRegistrationValues)
        m_vValues.push_back(RegText(HKEY_LOCAL_MACHINE, key, name));
}

CClientRegistrationRestore::~CClientRegistrationRestore()
{
    for (size_t i = 0; i < std::size(kRegistrationKeys); ++i)
        if (!m_vExisted[i])
            (void)RegDeleteTreeA(kRegistrationKeys[i].first, kRegistrationKeys[i].second);
    for (size_t i = 0; i < std::size(kRegistrationValues); ++i)
    {
        const auto& [key, name] = kRegistrationValues[i];
        if (m_vValues[i] == "<missing>")
            (void)RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key, name);
        else
            (void)RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, REG_SZ, m_vValues[i].c_str(),
                                  static_cast<DWORD>(m_vValues[i].size() + 1));
    }
}

std::string ReadText(const std::string& p_sPath)
{
    std::ifstream file(p_sPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> ReadLines(const std::string& p_sPath)
{
    std::vector<std::string> lines;
    std::istringstream text(ReadText(p_sPath));
    for (std::string line; std::getline(text, line);)
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> LinesStarting(const std::vector<std::string>& p_vLines, const std::string& p_sPrefix)
{
    std::vector<std::string> found;
    for (const std::string& line : p_vLines)
        if (line.compare(0, p_sPrefix.size(), p_sPrefix) == 0)
            found.push_back(line);
    return found;
}

bool ContainsLine(const std::vector<std::string>& p_vLines, const std::string& p_sLine)
{
    for (const std::string& line : p_vLines)
        if (line == p_sLine)
            return true;
    return false;
}

COutlookRun::COutlookRun(const char* p_szExe)
{
    const std::string dir = TempDir();
    m_sTrace = dir + "\\host-trace.txt";
    m_sExtensionLog = dir + "\\extension-log.txt";
    m_sProbeLog = dir + "\\cbt-probe.txt";
    for (const std::string& file : {m_sTrace, m_sExtensionLog, m_sProbeLog})
        DeleteFileA(file.c_str());
    SetEnvironmentVariableA("OUTLOOK_STANDIN_TRACE", m_sTrace.c_str());
    SetEnvironmentVariableA("OL_TEST_EXTENSION_LOG", m_sExtensionLog.c_str());
    SetEnvironmentVariableA("OL_CBT_PROBE_LOG", m_sProbeLog.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = std::string("\"") + p_szExe + "\"";
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    m_hProcess.reset(process.hProcess);
    unique_handle thread(process.hThread);
    m_dwProcessId = process.dwProcessId;
    m_dwThreadId = process.dwThreadId;
    for (int i = 0; i < 400 && m_hControl == nullptr; ++i)
    {
        CFindContext context{m_dwProcessId, "OutlookStandinControl", nullptr, false, nullptr};
        EnumWindows(&FindOwnWindow, reinterpret_cast<LPARAM>(&context));
        m_hControl = context.m_hFound;
        if (m_hControl == nullptr && WaitForSingleObject(m_hProcess.get(), 50) == WAIT_OBJECT_0)
            break;
    }
}

COutlookRun::~COutlookRun()
{
    if (m_hProcess && WaitForSingleObject(m_hProcess.get(), 0) == WAIT_TIMEOUT)
    {
        (void)Quit();
        if (WaitForSingleObject(m_hProcess.get(), 0) == WAIT_TIMEOUT)
            TerminateProcess(m_hProcess.get(), 9);
    }
}

bool COutlookRun::Command(const std::string& p_sCommand) const
{
    COPYDATASTRUCT data{kControlMagic, static_cast<DWORD>(p_sCommand.size()), const_cast<char*>(p_sCommand.data())};
    DWORD_PTR result = 0;
    return m_hControl != nullptr &&
           SendMessageTimeoutA(m_hControl, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 15000,
                               &result) != 0 &&
           result == 1;
}

bool COutlookRun::WaitForLog(const std::string& p_sPrefix) const
{
    for (int i = 0; i < 200; ++i)
    {
        if (!LinesStarting(ReadLines(m_sExtensionLog), p_sPrefix).empty())
            return true;
        Sleep(50);
    }
    return false;
}

int COutlookRun::Quit()
{
    if (!m_hProcess)
        return -1;
    (void)Command("quit");
    if (WaitForSingleObject(m_hProcess.get(), 15000) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(m_hProcess.get(), &code);
    m_hControl = nullptr;
    return static_cast<int>(code);
}

HWND COutlookRun::FindWindowOf(const char* p_szClass, const char* p_szTitle) const
{
    CFindContext context{m_dwProcessId, p_szClass, p_szTitle, true, nullptr};
    EnumWindows(&FindOwnWindow, reinterpret_cast<LPARAM>(&context));
    return context.m_hFound;
}

void SavePicture(HWND p_hWindow, const char* p_szName)
{
    CreateDirectoryA(ARTIFACTS_DIR, nullptr);
    SetForegroundWindow(p_hWindow);
    RedrawWindow(p_hWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    EXPECT_TRUE(SaveWindowBitmap(p_hWindow, (std::string(ARTIFACTS_DIR) + "\\" + p_szName + ".bmp").c_str()));
}
CDispResult::CDispResult()
{
    VariantInit(&m_v);
}

CDispResult::~CDispResult()
{
    (void)VariantClear(&m_v);
}

CDispResult::CDispResult(CDispResult&& p_o) noexcept : CDispResult()
{
    std::swap(m_v, p_o.m_v);
    m_hr = p_o.m_hr;
}

std::string CDispResult::Text() const
{
    if (m_v.vt != VT_BSTR || m_v.bstrVal == nullptr)
        return "<none>";
    const std::wstring wide(m_v.bstrVal);
    return std::string(wide.begin(), wide.end());
}

long CDispResult::Number() const
{
    VARIANT number;
    VariantInit(&number);
    const long value = SUCCEEDED(VariantChangeType(&number, const_cast<VARIANT*>(&m_v), 0, VT_I4)) ? number.lVal : -1;
    return value;
}

VARIANT TextArg(const wchar_t* p_szText)
{
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(p_szText);
    return value;
}

VARIANT LongArg(long p_lValue)
{
    VARIANT value;
    value.vt = VT_I4;
    value.lVal = p_lValue;
    return value;
}

VARIANT BoolArg(bool p_bValue)
{
    VARIANT value;
    value.vt = VT_BOOL;
    value.boolVal = p_bValue ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}

VARIANT MissingArg()
{
    VARIANT value;
    value.vt = VT_ERROR;
    value.scode = DISP_E_PARAMNOTFOUND;
    return value;
}

CDispResult CallByName(IDispatch* p_pObject, const wchar_t* p_szName, std::initializer_list<VARIANT> p_vArgs)
{
    CDispResult result;
    std::vector<VARIANT> reversed(std::rbegin(p_vArgs), std::rend(p_vArgs));
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(p_szName);
    result.m_hr = E_POINTER;
    if (p_pObject != nullptr && SUCCEEDED(result.m_hr = p_pObject->GetIDsOfNames(IID_NULL, &name, 1, 0, &id)))
        result.m_hr = p_pObject->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, &result.m_v,
                                        nullptr, nullptr);
    for (VARIANT& arg : reversed)
        (void)VariantClear(&arg);
    return result;
}

HRESULT PutByName(IDispatch* p_pObject, const wchar_t* p_szName, VARIANT p_oValue)
{
    DISPID id = DISPID_UNKNOWN;
    DISPID put = DISPID_PROPERTYPUT;
    LPOLESTR name = const_cast<LPOLESTR>(p_szName);
    DISPPARAMS params{&p_oValue, &put, 1, 1};
    HRESULT hr = E_POINTER;
    if (p_pObject != nullptr && SUCCEEDED(hr = p_pObject->GetIDsOfNames(IID_NULL, &name, 1, 0, &id)))
        hr = p_pObject->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    (void)VariantClear(&p_oValue);
    return hr;
}

com_ptr<IDispatch> ConnectToApplication()
{
    static constexpr CLSID kClsidApplication = {0x0006F03A, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    com_ptr<IDispatch> application;
    // The client offers its class object once its first explorer is up; a first activation may race it.
    for (int i = 0; i < 50 && !application; ++i)
        if (FAILED(CoCreateInstance(kClsidApplication, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                    application.put_void())))
            Sleep(100);
    return application;
}

std::vector<std::string> EditTexts(HWND p_hWindow)
{
    std::vector<std::string> texts;
    EnumChildWindows(
        p_hWindow,
        [](HWND p_hChild, LPARAM p_lParam) -> BOOL {
            char className[32] = {};
            GetClassNameA(p_hChild, className, sizeof className);
            if (lstrcmpiA(className, "Edit") == 0)
            {
                char text[512] = {};
                SendMessageA(p_hChild, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
                reinterpret_cast<std::vector<std::string>*>(p_lParam)->push_back(text);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// The pixels of p_dwColour in the window's screen area.
int CountColour(HWND p_hWnd, DWORD p_dwColour)
{
    RECT place{};
    GetWindowRect(p_hWnd, &place);
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;
    unique_window_dc screen(nullptr);
    unique_hdc memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    unique_hbitmap picture(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!picture || bits == nullptr)
        return -1;
    const HGDIOBJ old = SelectObject(memory.get(), picture.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), place.left, place.top, SRCCOPY);
    SelectObject(memory.get(), old);
    int count = 0;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int i = 0; i < width * height; ++i)
        count += (pixels[i] & 0xFFFFFF) == p_dwColour ? 1 : 0;
    return count;
}

// The line of the dump that describes the control with this caption, or empty.
std::string ControlLine(const std::string& p_sDump, const std::string& p_sCaption)
{
    for (const std::string& line : ReadLines(p_sDump))
        if (line.find("'" + p_sCaption + "'") != std::string::npos && line.find("control ") != std::string::npos)
            return line;
    return {};
}

} // namespace oltest
