// tests/win/compose/compose_test_support.cpp: the compose tests' shared helpers.
#include "tests/win/compose/compose_test_support.h"

#include "common/message_box_win.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/quillet_process_win.h"
#include "compose/ui/sms_window.h"
#include "tools/window_picture/window_picture_win.h"

#include <tlhelp32.h>

#include <cstdio>
#include <fstream>
#include <thread>

using namespace std::chrono_literals;

namespace
{
int RecordBox(HWND, const std::string& p_sText, const std::string& p_sCaption, UINT)
{
    CBoxRecorder* recorder = CBoxRecorder::s_pActive;
    if (recorder == nullptr)
        return IDOK;
    std::lock_guard<std::mutex> lock(recorder->m_oLock);
    recorder->m_vSeen.push_back({p_sCaption, p_sText});
    return recorder->m_iAnswer;
}

LRESULT CALLBACK OpenerProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    auto* opener = reinterpret_cast<COpener*>(GetWindowLongPtrA(p_hWnd, GWLP_USERDATA));
    if (opener != nullptr && p_uMsg == 3027)
    {
        opener->m_vRegistered.push_back(reinterpret_cast<HWND>(p_lParam));
        return 0;
    }
    if (opener != nullptr && p_uMsg == 0x040B)
    {
        opener->m_iCount += static_cast<int>(static_cast<INT_PTR>(p_wParam));
        ++opener->m_iCountMessages;
        return 0;
    }
    return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
}

BOOL CALLBACK FindById(HWND p_hWindow, LPARAM p_lParam)
{
    auto* search = reinterpret_cast<std::pair<int, HWND>*>(p_lParam);
    if (GetDlgCtrlID(p_hWindow) == search->first)
    {
        search->second = p_hWindow;
        return FALSE;
    }
    return TRUE;
}
} // namespace

CBoxRecorder* CBoxRecorder::s_pActive = nullptr;

CBoxRecorder::CBoxRecorder()
{
    s_pActive = this;
    SetMessageBoxFunction(&RecordBox);
}

CBoxRecorder::~CBoxRecorder()
{
    s_pActive = nullptr;
}

std::vector<CBoxSeen> CBoxRecorder::Seen()
{
    std::lock_guard<std::mutex> lock(m_oLock);
    return m_vSeen;
}

void CBoxRecorder::Clear()
{
    std::lock_guard<std::mutex> lock(m_oLock);
    m_vSeen.clear();
}

void CBoxRecorder::SetAnswer(int p_iAnswer)
{
    std::lock_guard<std::mutex> lock(m_oLock);
    m_iAnswer = p_iAnswer;
}

COpener::COpener()
{
    static const bool s_bRegistered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &OpenerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ComposeTestOpener";
        return RegisterClassA(&wc) != 0;
    }();
    (void)s_bRegistered;
    m_hWnd = CreateWindowA("ComposeTestOpener", "opener", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

COpener::~COpener()
{
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    DestroyWindow(m_hWnd);
}

bool InstallCore(const char* p_szPath)
{
    return WriteRegText(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Addressbook", p_szPath);
}

bool PumpUntil(const std::function<bool()>& p_fnDone, std::chrono::milliseconds p_oLimit)
{
    const auto end = std::chrono::steady_clock::now() + p_oLimit;
    for (;;)
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (p_fnDone())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

HWND FindDescendant(HWND p_hRoot, int p_iId)
{
    std::pair<int, HWND> search{p_iId, nullptr};
    EnumChildWindows(p_hRoot, &FindById, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

std::string TextOf(HWND p_hWindow)
{
    return ControlText(p_hWindow);
}

std::string Normalised(std::string p_sText)
{
    std::string out;
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        if (p_sText[i] == '\r')
        {
            out += '\n';
            if (i + 1 < p_sText.size() && p_sText[i + 1] == '\n')
                ++i;
        }
        else
            out += p_sText[i];
    }
    return out;
}

bool SaveWindowShot(HWND p_hWindow, const std::string& p_sFileName)
{
    CreateDirectoryA(ARTIFACTS_DIR, nullptr);
    return SaveWindowBitmap(p_hWindow, (std::string(ARTIFACTS_DIR) + "/" + p_sFileName).c_str());
}

HWND FindOwnWindow(const std::string& p_sCaption)
{
    struct CSearch
    {
        const std::string* m_pCaption;
        HWND m_hFound;
    } search{&p_sCaption, nullptr};
    EnumWindows(
        [](HWND p_hWindow, LPARAM p_lParam) -> BOOL {
            auto* s = reinterpret_cast<CSearch*>(p_lParam);
            DWORD process = 0;
            GetWindowThreadProcessId(p_hWindow, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(p_hWindow) && TextOf(p_hWindow) == *s->m_pCaption)
            {
                s->m_hFound = p_hWindow;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.m_hFound;
}

HWND OpenComposeWindow(IQuillet& p_oQuillet, COpener& p_oOpener, BSTR p_bstrTo, BSTR p_bstrBody)
{
    const size_t before = p_oOpener.m_vRegistered.size();
    const HRESULT hr = p_oQuillet.CreateNewSMS(static_cast<LONG>(reinterpret_cast<LONG_PTR>(p_oOpener.Handle())),
                                               p_bstrTo, p_bstrBody);
    if (hr != S_OK || !PumpUntil([&] { return p_oOpener.m_vRegistered.size() > before; }, 10s))
        return nullptr;
    HWND window = p_oOpener.m_vRegistered.back();
    if (!PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 10s))
        return nullptr;
    return window;
}

bool CloseOpenedWindows(COpener& p_oOpener)
{
    for (HWND window : p_oOpener.m_vRegistered)
        if (IsWindow(window))
            PostMessageA(window, WM_SMS_FORCECLOSE, 0, 0);
    const bool bClosed = PumpUntil(
        [&] {
            for (HWND window : p_oOpener.m_vRegistered)
                if (IsWindow(window))
                    return false;
            return true;
        },
        std::chrono::seconds(10));
    // The closing windows' last messages to the opener arrive before the caller goes on.
    PumpUntil([&] { return p_oOpener.m_iCount == 0; }, std::chrono::seconds(2));
    return bClosed;
}

namespace
{
std::vector<DWORD> ProcessesNamed(const char* p_szExeName)
{
    std::vector<DWORD> ids;
    const unique_file snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
        if (lstrcmpiA(entry.szExeFile, p_szExeName) == 0)
            ids.push_back(entry.th32ProcessID);
    return ids;
}

// The last lines of every trace log in the log directory.
void PrintLogTails()
{
    const std::string dir = DefaultLogDirectory() + "\\";
    WIN32_FIND_DATAA found{};
    const unique_find_handle search(FindFirstFileA((dir + "*.log").c_str(), &found));
    if (!search)
        return;
    do
    {
        std::ifstream file(dir + found.cFileName);
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);)
            lines.push_back(line);
        std::fprintf(stderr, "-- end of %s:\n", found.cFileName);
        for (size_t i = lines.size() > 15 ? lines.size() - 15 : 0; i < lines.size(); ++i)
            std::fprintf(stderr, "   %s\n", lines[i].c_str());
    } while (FindNextFileA(search.get(), &found));
}
} // namespace

bool WaitForProcessesNamed(const char* p_szExeName, DWORD p_dwLimitMs)
{
    const DWORD start = GetTickCount();
    for (;;)
    {
        if (ProcessesNamed(p_szExeName).empty())
            return true;
        if (GetTickCount() - start >= p_dwLimitMs)
            return false;
        Sleep(100);
    }
}

int EndProcessesNamed(const char* p_szExeName, DWORD p_dwGraceMs)
{
    if (WaitForProcessesNamed(p_szExeName, p_dwGraceMs))
        return 0;
    int ended = 0;
    for (DWORD id : ProcessesNamed(p_szExeName))
    {
        const unique_handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (!process)
            continue;
        if (TerminateProcess(process.get(), 3))
        {
            WaitForSingleObject(process.get(), 5000);
            ++ended;
        }
    }
    return ended;
}

CHangWatch::CHangWatch(const char* p_szStep, DWORD p_dwLimitMs)
    : m_szStep(p_szStep), m_dwLimitMs(p_dwLimitMs), m_hDone(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_hThread(CreateThread(nullptr, 0, &Watch, this, 0, nullptr))
{
}

CHangWatch::~CHangWatch()
{
    SetEvent(m_hDone.get());
    if (m_hThread)
        WaitForSingleObject(m_hThread.get(), INFINITE);
}

DWORD WINAPI CHangWatch::Watch(void* p_pSelf)
{
    auto* self = static_cast<CHangWatch*>(p_pSelf);
    if (WaitForSingleObject(self->m_hDone.get(), self->m_dwLimitMs) != WAIT_TIMEOUT)
        return 0;
    std::fprintf(stderr, "HANG: %s did not return within %lu ms\n", self->m_szStep,
                 static_cast<unsigned long>(self->m_dwLimitMs));
    PrintLogTails();
    // A server left behind would hold the test's output open and stall the runner until its timeout.
    std::fprintf(stderr, "HANG: Quillet.exe processes ended: %d\n", EndProcessesNamed("Quillet.exe", 0));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}
