// tests/win/corvane/corvane_test_support.cpp: loading Corvane.dll and the shared helpers.
#include "tests/win/corvane/corvane_test_support.h"

#include "tools/window_picture/window_picture_win.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
constexpr const char* kInstallKey = "Software\\Brevolt\\Install";

#ifdef MAPI_DLL_PATH
// An Outlook start opens the user's MAPI profile: here the MAPI stand-in, found through DLLPathEx
// as on a machine with Outlook, on a fresh copy of a seeded store with two stores.
bool UseMapiStandin()
{
    const char* const kStandinKey = "Software\\Brevolt Test\\MAPI Stand-in";
    char szTemp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, szTemp);
    const std::string sDir = std::string(szTemp) + "brevolt-corvane-mapi";
    CreateDirectoryA(sDir.c_str(), nullptr);
    CreateDirectoryA((sDir + "\\drop").c_str(), nullptr);
    return CopyFileA(MAPI_SEED_FILE, (sDir + "\\store.json").c_str(), FALSE) &&
           WriteRegText(HKEY_CURRENT_USER, kStandinKey, "StoreFile", sDir + "\\store.json") &&
           WriteRegText(HKEY_CURRENT_USER, kStandinKey, "DropFolder", sDir + "\\drop") &&
           WriteRegText(HKEY_CURRENT_USER, kStandinKey, "SmtpServer", "localhost:1") &&
           WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "DLLPathEx", MAPI_DLL_PATH);
}
#endif

BOOL CALLBACK CollectWindow(HWND p_hWindow, LPARAM p_lParam)
{
    reinterpret_cast<std::vector<HWND>*>(p_lParam)->push_back(p_hWindow);
    return TRUE;
}

std::vector<HWND> OwnTopLevelDialogs()
{
    std::vector<HWND> all;
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> dialogs;
    for (HWND window : all)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        char className[32] = {};
        GetClassNameA(window, className, sizeof(className));
        if (process == GetCurrentProcessId() && std::string(className) == "#32770" && IsWindowVisible(window))
            dialogs.push_back(window);
    }
    return dialogs;
}
} // namespace

const char* const kBindingOrder[] = {
    szDeleteSMSList,
    szCreateFinalSMSs,
    szThreadInit,
    szThreadUninit,
    szFreeString,
    szGetEmailDetails,
    szGetLocalSenderDetails,
    szDeleteMessageRecipientAtPos,
    szInsertMessageRecipientAtPos,
    szAddMessageRecipient,
    szUninit,
    szInit,
    szCreateLocalUser,
    szEditLocalUser,
    szCompleteText,
    szCheck,
    szSendSMS,
    szShowProperties,
    szAddExtraProp,
    szAddDistList,
    szSelectRecipients,
    szPreviewMail,
    szMailSummary,
    szImportRecipients,
    szWriteToSMSFolder,
    szRecommendToFriends,
    szDeleteMessageRecipient,
    szDeleteString,
    szDeleteMessageRecipientList,
    szCreateMessageRecipientList,
    szCreateMessageRecipient,
    szCreateMessageRecipientFromDetails,
    szCopyMessageRecipient,
    szGetSessionForThread,
    szStartReminderMonitor,
    szStopReminderMonitor,
    szStartOEMonitor,
    szStopOEMonitor,
    szStartAdvise,
    szChangeReminderForm,
    szGetOEMaxForIdentity,
    szCCPhoneSend,
    szCCPhoneStore,
    szCCPhoneCleanup,
    szStartVMIfNecessary,
    szCreateReminder,
    szSetParentWindow,
    szShowRuleManager,
    szShowReminderPurge,
    szInstallSMSForms,
    szUninstallSMSForms,
    szSendBulkSMS,
    szImportFromFile,
    szCreateProgressBar,
    szDeleteProgressBar,
    szCompressWithDialog,
};
const size_t kBindingCount = sizeof(kBindingOrder) / sizeof(kBindingOrder[0]);

CCorvane& CCorvane::Get()
{
    static CCorvane s_oCorvane;
    return s_oCorvane;
}

CCorvane::CCorvane()
{
    // The library is installed the way the installer leaves it: its path under Install.
#ifdef MAPI_DLL_PATH
    if (!UseMapiStandin())
        return;
#endif
    if (!WriteRegText(HKEY_LOCAL_MACHINE, kInstallKey, "Addressbook", CORVANE_DLL_PATH) ||
        !WriteRegText(HKEY_LOCAL_MACHINE, kInstallKey, "Penhold", TEST_PENHOLD_PATH) ||
        !ReadRegText(HKEY_LOCAL_MACHINE, kInstallKey, "Addressbook", m_sPath))
        return;
    m_hModule = LoadLibraryA(m_sPath.c_str());
    if (m_hModule == nullptr)
        return;
    Init = Bind<PFN_Init>(szInit);
    Uninit = Bind<PFN_Uninit>(szUninit);
    ThreadInit = Bind<PFN_ThreadInit>(szThreadInit);
    ThreadUninit = Bind<PFN_ThreadUninit>(szThreadUninit);
    GetSessionForThread = Bind<PFN_GetSessionForThread>(szGetSessionForThread);
    SetParentWindow = Bind<PFN_SetParentWindow>(szSetParentWindow);
    StartAdvise = Bind<PFN_StartAdvise>(szStartAdvise);
    CreateProgressBar = Bind<PFN_CreateProgressBar>(szCreateProgressBar);
    DeleteProgressBar = Bind<PFN_DeleteProgressBar>(szDeleteProgressBar);
    GetLocalSenderDetails = Bind<PFN_GetLocalSenderDetails>(szGetLocalSenderDetails);
    CreateLocalUser = Bind<PFN_CreateLocalUser>(szCreateLocalUser);
    EditLocalUser = Bind<PFN_EditLocalUser>(szEditLocalUser);
    FreeString = Bind<PFN_FreeString>(szFreeString);
    CreateMessageRecipient = Bind<PFN_CreateMessageRecipient>(szCreateMessageRecipient);
    CreateMessageRecipientFromDetails =
        Bind<PFN_CreateMessageRecipientFromDetails>(szCreateMessageRecipientFromDetails);
    CopyMessageRecipient = Bind<PFN_CopyMessageRecipient>(szCopyMessageRecipient);
    DeleteMessageRecipient = Bind<PFN_DeleteMessageRecipient>(szDeleteMessageRecipient);
    CreateMessageRecipientList = Bind<PFN_CreateMessageRecipientList>(szCreateMessageRecipientList);
    DeleteMessageRecipientList = Bind<PFN_DeleteMessageRecipientList>(szDeleteMessageRecipientList);
    AddMessageRecipient = Bind<PFN_AddMessageRecipient>(szAddMessageRecipient);
    InsertMessageRecipientAtPos = Bind<PFN_InsertMessageRecipientAtPos>(szInsertMessageRecipientAtPos);
    DeleteMessageRecipientAtPos = Bind<PFN_DeleteMessageRecipientAtPos>(szDeleteMessageRecipientAtPos);
    AddExtraProp = Bind<PFN_AddExtraProp>(szAddExtraProp);
    AddDistList = Bind<PFN_AddDistList>(szAddDistList);
}

HWND WaitForWindow(const std::function<HWND()>& p_fnFound, std::chrono::milliseconds p_oLimit)
{
    const auto end = std::chrono::steady_clock::now() + p_oLimit;
    for (;;)
    {
        if (const HWND found = p_fnFound(); found != nullptr)
            return found;
        if (std::chrono::steady_clock::now() > end)
            return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool WaitUntilGone(HWND p_hWindow, std::chrono::milliseconds p_oLimit)
{
    return WaitForWindow([&]() { return IsWindow(p_hWindow) ? nullptr : GetDesktopWindow(); }, p_oLimit) != nullptr;
}

HWND FindDialogByCaption(const std::string& p_sCaption)
{
    for (HWND dialog : OwnTopLevelDialogs())
        if (WindowText(dialog) == p_sCaption)
            return dialog;
    return nullptr;
}

HWND FindMessageBoxOwnedBy(HWND p_hOwner)
{
    for (HWND dialog : OwnTopLevelDialogs())
        if (dialog != p_hOwner && GetWindow(dialog, GW_OWNER) == p_hOwner)
            return dialog;
    return nullptr;
}

std::string WindowText(HWND p_hWindow)
{
    char text[1024] = {};
    GetWindowTextA(p_hWindow, text, sizeof(text));
    return text;
}

void PumpMessages(std::chrono::milliseconds p_oFor)
{
    const auto end = std::chrono::steady_clock::now() + p_oFor;
    while (std::chrono::steady_clock::now() < end)
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool SaveWindowShot(HWND p_hWindow, const std::string& p_sFileName)
{
    CreateDirectoryA(ARTIFACTS_DIR, nullptr);
    return SaveWindowBitmap(p_hWindow, (std::string(ARTIFACTS_DIR) + "/" + p_sFileName).c_str());
}

CHeapUse MeasureHeaps()
{
    CHeapUse use;
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    for (DWORD i = 0; i < count && i < 256; ++i)
    {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
        {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0)
            {
                ++use.m_nBlocks;
                use.m_nBytes += entry.cbData;
            }
        }
        HeapUnlock(heaps[i]);
    }
    return use;
}

CInitScope::CInitScope(int p_iPackage, int p_iVersion, int p_iCallerKind, HWND p_hParent, IDispatch* p_pApplication)
    : m_bSucceeded(CCorvane::Get().Init(p_iPackage, p_iVersion, nullptr, p_pApplication, p_hParent, p_iCallerKind) == 1)
{
}

CInitScope::~CInitScope()
{
    CCorvane::Get().Uninit();
}

CDialogUser::CDialogUser(std::function<void(HWND)> p_fnScript) : m_fnScript(std::move(p_fnScript))
{
}

CDialogUser::~CDialogUser()
{
    if (m_oThread.joinable())
        m_oThread.join();
}

void CDialogUser::Start(const std::string& p_sCaption, std::chrono::milliseconds p_oGrace)
{
    m_oThread = std::thread([this, p_sCaption, p_oGrace]() {
        m_hDialog = WaitForWindow([&]() { return FindDialogByCaption(p_sCaption); }, std::chrono::seconds(10));
        if (m_hDialog == nullptr)
            return;
        m_fnScript(m_hDialog);
        // Whatever the script did, the dialog must not outlive it.
        if (IsWindow(m_hDialog) && !WaitUntilGone(m_hDialog, p_oGrace))
        {
            m_bLeftOpen = true;
            PostMessageA(m_hDialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
}

void CDialogUser::Join()
{
    m_oThread.join();
}

CBox PressExpectingBox(HWND p_hDialog, int p_iButton)
{
    PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(p_iButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(p_hDialog, p_iButton)));
    const HWND box = WaitForWindow([&]() { return FindMessageBoxOwnedBy(p_hDialog); }, std::chrono::seconds(2));
    if (box == nullptr)
        return CBox();
    CBox seen{WindowText(box), WindowText(GetDlgItem(box, 0xFFFF))};
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    // Wine hides a finished box and gives its owner back at once but destroys it a while later.
    WaitForWindow([&]() { return !IsWindowVisible(box) && IsWindowEnabled(p_hDialog) ? p_hDialog : nullptr; },
                  std::chrono::seconds(5));
    return seen;
}
