// tests/win/oe/oe_test_support.cpp: starting the stand-in, registry and file reads, PNG pictures.
#include "tests/win/oe/oe_test_support.h"

#include "oehook/folder_watch_win.h"
#include "standins/oe/oe_control_win.h"

#include <commctrl.h>
#include <zlib.h>

#include <fstream>
#include <iterator>

std::string ClientPath(int p_iMajor)
{
    switch (p_iMajor)
    {
    case 4:
        return OE4_EXE;
    case 5:
        return OE5_EXE;
    default:
        return OE6_EXE;
    }
}

bool StartClientSuspended(int p_iMajor, const std::string& p_sArguments, PROCESS_INFORMATION& p_oProcess,
                          unique_handle& p_oProcessHandle, unique_handle& p_oThreadHandle)
{
    std::string command = "\"" + ClientPath(p_iMajor) + "\"";
    if (!p_sArguments.empty())
        command += " " + p_sArguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &p_oProcess))
        return false;
    p_oProcessHandle.reset(p_oProcess.hProcess);
    p_oThreadHandle.reset(p_oProcess.hThread);
    return true;
}

CClientRun::~CClientRun()
{
    TerminateRunning(m_oProcessHandle.get());
}

bool CClientRun::Start(int p_iMajor, const std::string& p_sProbeLog, const std::string& p_sArguments)
{
    SetEnvironmentVariableA("OE_CBT_PROBE_LOG", p_sProbeLog.empty() ? nullptr : p_sProbeLog.c_str());
    if (!StartClientSuspended(p_iMajor, p_sArguments, m_oProcess, m_oProcessHandle, m_oThreadHandle))
        return false;
    if (!p_sProbeLog.empty())
    {
        m_oProbe.reset(LoadLibraryA(CBT_PROBE_DLL));
        const auto proc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void*>(m_oProbe ? GetProcAddress(m_oProbe.get(), "CbtProbeProc") : nullptr));
        if (proc == nullptr)
            return false;
        const auto callProc =
            reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(m_oProbe.get(), "CallWndProbeProc")));
        m_oHook.reset(SetWindowsHookExA(WH_CBT, proc, m_oProbe.get(), m_oProcess.dwThreadId));
        m_oCallHook.reset(SetWindowsHookExA(WH_CALLWNDPROC, callProc, m_oProbe.get(), m_oProcess.dwThreadId));
        if (!m_oHook || !m_oCallHook)
            return false;
    }
    return ResumeThread(m_oThreadHandle.get()) != static_cast<DWORD>(-1);
}

HWND CClientRun::WaitForBrowser(const char* p_szClass, DWORD p_nTimeoutMs)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < p_nTimeoutMs)
    {
        for (HWND window = FindWindowExA(nullptr, nullptr, p_szClass, nullptr); window != nullptr;
             window = FindWindowExA(nullptr, window, p_szClass, nullptr))
        {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            const HWND tree = FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr);
            if (process == m_oProcess.dwProcessId && tree != nullptr && SendMessageA(tree, TVM_GETCOUNT, 0, 0) >= 7)
                return window;
        }
        if (WaitForSingleObject(m_oProcessHandle.get(), 50) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

bool CClientRun::Close(DWORD& p_nExitCode)
{
    // Closing the browser ends the program; its other windows then go with the process instead of
    // one by one, which costs Wine's X11 driver seconds per window.
    if (SendControl("quit") == 1 && WaitForSingleObject(m_oProcessHandle.get(), 10000) == WAIT_OBJECT_0)
        return GetExitCodeProcess(m_oProcessHandle.get(), &p_nExitCode) != FALSE;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, nullptr, nullptr)) != nullptr;)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == m_oProcess.dwProcessId && IsWindowVisible(window))
            PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(m_oProcessHandle.get(), 10000) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(m_oProcessHandle.get(), &p_nExitCode) != FALSE;
}

LRESULT CClientRun::SendControl(const std::string& p_sCommand) const
{
    return SendControlCommand(m_oProcess.dwProcessId, p_sCommand);
}

HWND CClientRun::WaitForWindow(const char* p_szClass, const char* p_szTitle, DWORD p_nTimeoutMs) const
{
    HWND found = nullptr;
    // A window counts once it is shown: by then its children exist.
    WaitUntil([&] { return (found = FindProcessWindow(m_oProcess.dwProcessId, p_szClass, p_szTitle)) != nullptr; },
              p_nTimeoutMs);
    return found;
}

HWND FindProcessWindow(DWORD p_nProcess, const char* p_szClass, const char* p_szTitle, bool p_bHidden)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, p_szClass, p_szTitle)) != nullptr;)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == p_nProcess && (p_bHidden || IsWindowVisible(window)))
            return window;
    }
    return nullptr;
}

LRESULT SendControlCommand(DWORD p_nProcess, const std::string& p_sCommand)
{
    // Version 4 names its hidden window after its old class; the later versions otherwise.
    HWND hidden = FindProcessWindow(p_nProcess, "OutlookExpressHiddenWindow", nullptr, true);
    if (hidden == nullptr)
        hidden = FindProcessWindow(p_nProcess, "ThorShellWindowClass", nullptr, true);
    if (hidden == nullptr)
        return -1;
    COPYDATASTRUCT data{};
    data.dwData = oestandin::kControlCopyData;
    data.cbData = static_cast<DWORD>(p_sCommand.size());
    data.lpData = const_cast<char*>(p_sCommand.data());
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(hidden, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 15000, &result) == 0)
        return -1;
    return static_cast<LRESULT>(result);
}

void TerminateRunning(HANDLE p_hProcess)
{
    if (p_hProcess == nullptr || WaitForSingleObject(p_hProcess, 0) != WAIT_TIMEOUT)
        return;
    TerminateProcess(p_hProcess, 99);
    WaitForSingleObject(p_hProcess, 5000);
}

size_t CountWindows(DWORD p_nProcess, const char* p_szClass)
{
    size_t count = 0;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, p_szClass, nullptr)) != nullptr;)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        count += process == p_nProcess && IsWindowVisible(window) ? 1 : 0;
    }
    return count;
}

bool WaitGone(HWND p_hWindow, DWORD p_nTimeoutMs)
{
    return WaitUntil([&] { return !IsWindow(p_hWindow); }, p_nTimeoutMs);
}

void WriteTextFile(const std::string& p_sPath, const std::string& p_sText)
{
    std::ofstream out(p_sPath, std::ios::binary | std::ios::trunc);
    out.write(p_sText.data(), static_cast<std::streamsize>(p_sText.size()));
}

std::string ReadTextFile(const std::string& p_sPath)
{
    const std::vector<uint8_t> bytes = ReadBytes(p_sPath);
    return std::string(bytes.begin(), bytes.end());
}

HWND FindDescendant(HWND p_hParent, int p_iId)
{
    for (HWND child = GetWindow(p_hParent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    {
        if (GetDlgCtrlID(child) == p_iId)
            return child;
        if (const HWND deeper = FindDescendant(child, p_iId); deeper != nullptr)
            return deeper;
    }
    return nullptr;
}

std::string NewTempFolder(const char* p_szPrefix)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static unsigned s_nSerial = 0;
    const std::string folder = std::string(temp) + p_szPrefix + std::to_string(GetCurrentProcessId()) + "_" +
                               std::to_string(GetTickCount()) + "_" + std::to_string(++s_nSerial) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::vector<std::string> ReadLines(const std::string& p_sPath)
{
    std::vector<std::string> lines;
    std::ifstream in(p_sPath);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<uint8_t> ReadBytes(const std::string& p_sPath)
{
    std::ifstream in(p_sPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ReadRegString(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName, std::string& p_sValue, DWORD* p_pType)
{
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    if (RegGetValueA(p_hRoot, p_sKey.c_str(), p_szName, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type,
                     buffer, &size) != ERROR_SUCCESS)
        return false;
    p_sValue = buffer;
    if (p_pType != nullptr)
        *p_pType = type;
    return true;
}

bool ReadRegDword(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName, DWORD& p_nValue)
{
    DWORD size = sizeof p_nValue;
    return RegGetValueA(p_hRoot, p_sKey.c_str(), p_szName, RRF_RT_REG_DWORD, nullptr, &p_nValue, &size) ==
           ERROR_SUCCESS;
}

void DeleteRegTree(HKEY p_hRoot, const char* p_szKey)
{
    RegDeleteTreeA(p_hRoot, p_szKey);
    RegDeleteKeyA(p_hRoot, p_szKey);
}

namespace
{
void PutBig32(std::vector<uint8_t>& p_vOut, uint32_t p_nValue)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        p_vOut.push_back(static_cast<uint8_t>(p_nValue >> shift));
}

void PutChunk(std::vector<uint8_t>& p_vOut, const char* p_szType, const std::vector<uint8_t>& p_vData)
{
    PutBig32(p_vOut, static_cast<uint32_t>(p_vData.size()));
    const size_t typeAt = p_vOut.size();
    p_vOut.insert(p_vOut.end(), p_szType, p_szType + 4);
    p_vOut.insert(p_vOut.end(), p_vData.begin(), p_vData.end());
    PutBig32(p_vOut, static_cast<uint32_t>(crc32(0, p_vOut.data() + typeAt, static_cast<uInt>(4 + p_vData.size()))));
}

// 24-bit RGB rows, top first, as a PNG file.
std::vector<uint8_t> EncodePng(int p_iWidth, int p_iHeight, const std::vector<uint8_t>& p_vRgb)
{
    std::vector<uint8_t> raw;
    for (int y = 0; y < p_iHeight; ++y)
    {
        raw.push_back(0);
        const auto row = p_vRgb.begin() + static_cast<ptrdiff_t>(y) * p_iWidth * 3;
        raw.insert(raw.end(), row, row + p_iWidth * 3);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
        return {};
    packed.resize(packedSize);
    std::vector<uint8_t> header;
    PutBig32(header, static_cast<uint32_t>(p_iWidth));
    PutBig32(header, static_cast<uint32_t>(p_iHeight));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}
} // namespace

bool SaveWindowPng(HWND p_hWindow, const std::string& p_sFileName)
{
    RECT area{};
    if (!GetWindowRect(p_hWindow, &area) || area.right <= area.left || area.bottom <= area.top)
        return false;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    unique_window_dc screen(nullptr);
    unique_hdc memory(CreateCompatibleDC(screen.get()));
    unique_hbitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!memory || !bitmap)
        return false;
    {
        const HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
        SelectObject(memory.get(), old);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    if (GetDIBits(memory.get(), bitmap.get(), 0, height, bgra.data(), &info, DIB_RGB_COLORS) != height)
        return false;
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < bgra.size(); i += 4)
        rgb.insert(rgb.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
    const std::vector<uint8_t> png = EncodePng(width, height, rgb);
    CreateDirectoryA(ARTIFACTS_DIR, nullptr);
    std::ofstream out(std::string(ARTIFACTS_DIR) + "/" + p_sFileName, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return !png.empty() && out.good();
}

bool KeyExists(const std::string& p_sKey)
{
    unique_hkey key;
    return RegOpenKeyExA(HKEY_CURRENT_USER, p_sKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

CRemoteBlock::CRemoteBlock(HWND p_hWindow, size_t p_nSize)
{
    DWORD process = 0;
    GetWindowThreadProcessId(p_hWindow, &process);
    m_oProcess.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process));
    if (m_oProcess)
        m_pRemote = static_cast<char*>(VirtualAllocEx(m_oProcess.get(), nullptr, p_nSize, MEM_COMMIT, PAGE_READWRITE));
}

CRemoteBlock::~CRemoteBlock()
{
    if (m_pRemote != nullptr)
        VirtualFreeEx(m_oProcess.get(), m_pRemote, 0, MEM_RELEASE);
}

bool CRemoteBlock::Write(const void* p_pData, size_t p_nSize, size_t p_nAt) const
{
    SIZE_T moved = 0;
    return m_pRemote != nullptr && WriteProcessMemory(m_oProcess.get(), m_pRemote + p_nAt, p_pData, p_nSize, &moved);
}

bool CRemoteBlock::Read(void* p_pData, size_t p_nSize, size_t p_nAt) const
{
    SIZE_T moved = 0;
    return m_pRemote != nullptr && ReadProcessMemory(m_oProcess.get(), m_pRemote + p_nAt, p_pData, p_nSize, &moved);
}

std::vector<std::string> ListColumns(HWND p_hList)
{
    std::vector<std::string> names;
    CRemoteBlock block(p_hList, sizeof(LVCOLUMNA) + 256);
    for (int i = 0; i < 32; ++i)
    {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT;
        column.pszText = block.Remote() + sizeof(LVCOLUMNA);
        column.cchTextMax = 255;
        char text[256] = {};
        if (!block.Write(&column, sizeof column) ||
            !SendMessageA(p_hList, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(block.Remote())) ||
            !block.Read(text, 255, sizeof(LVCOLUMNA)))
            break;
        names.emplace_back(text);
    }
    return names;
}

std::vector<std::string> TreeTexts(HWND p_hTree)
{
    std::vector<std::string> texts;
    CRemoteBlock block(p_hTree, sizeof(TVITEMA) + 256);
    WalkTree(p_hTree, [&](HTREEITEM p_hItem) {
        TVITEMA request{};
        request.mask = TVIF_TEXT;
        request.hItem = p_hItem;
        request.pszText = block.Remote() + sizeof(TVITEMA);
        request.cchTextMax = 255;
        char text[256] = {};
        if (block.Write(&request, sizeof request) &&
            SendMessageA(p_hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(block.Remote())) &&
            block.Read(text, 255, sizeof(TVITEMA)))
            texts.emplace_back(text);
        return false;
    });
    return texts;
}
