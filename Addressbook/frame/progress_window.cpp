// Addressbook/frame/progress_window.cpp: CreateProgressBar and DeleteProgressBar: a modeless dialog
// with a status line and either a progress bar or an animation, owned by the host's window.
#include "Addressbook/frame/progress_window.h"

#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/res/resource.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <commctrl.h>

#include <unordered_set>
#include <utility>
#include <vector>

static_assert(IDC_PROGRESS_TEXT == kProgressTextControl && IDC_PROGRESS_BAR == kProgressBarControl,
              "hosts address the progress window's controls by the ids of corvane_win.h");

namespace
{
// Destroys the window on its own thread when another thread deletes it.
constexpr UINT kMsgDestroyProgress = WM_APP + 1;

size_t CountList(const CMessageRecipientList* p_p_mrlList, size_t p_nStopAt,
                 std::unordered_set<const CMessageRecipientList*>& p_oSeen)
{
    size_t count = 0;
    // An explicit stack keeps deeply nested lists from exhausting the thread's stack.
    std::vector<const CMessageRecipientList*> pending{p_p_mrlList};
    while (!pending.empty() && count < p_nStopAt)
    {
        const CMessageRecipientList* list = pending.back();
        pending.pop_back();
        if (list == nullptr || !p_oSeen.insert(list).second)
            continue;
        for (const CMessageRecipientNode* node = list->m_p_oFirst; node != nullptr && count < p_nStopAt;
             node = node->m_p_oNext)
        {
            const CMessageRecipient* recipient = node->m_p_oItem;
            if (recipient == nullptr)
                continue;
            if (recipient->m_iKind == kKindDistList)
                pending.push_back(recipient->m_p_mrlMembers);
            else
                ++count;
        }
    }
    return count;
}

INT_PTR CALLBACK ProgressDialogProc(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam, LPARAM)
{
    return TrapExceptions("ProgressDialogProc", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        switch (p_uMessage)
        {
        case WM_INITDIALOG:
            if (const HWND animation = GetDlgItem(p_hDialog, IDC_PROGRESS_ANIMATE); animation != nullptr)
            {
                if (!SendMessageA(animation, ACM_OPENA, reinterpret_cast<WPARAM>(g_hModule),
                                  reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_PROGRESS_ANIMATION))))
                    LogCallFailure(__PRETTY_FUNCTION__, "ACM_OPEN", EResultKind::Win32Error, GetLastError());
                else
                    SendMessageA(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF));
            }
            return TRUE;
        case WM_COMMAND:
            // Only the host ends the window; Escape and Close would leave it with a dead handle.
            return LOWORD(p_wParam) == IDCANCEL ? TRUE : FALSE;
        case kMsgDestroyProgress:
            DestroyWindow(p_hDialog);
            return TRUE;
        }
        return FALSE;
    });
}
} // namespace

size_t CountForProgress(const CMessageRecipientList* p_p_mrlList, size_t p_nStopAt)
{
    std::unordered_set<const CMessageRecipientList*> seen;
    return CountList(p_p_mrlList, p_nStopAt, seen);
}

extern "C"
{
    int CORVANE_API CreateProgressBar(HWND p_hParent, const char* p_szCaption, int p_bWithBar, HWND* p_phProgress,
                                      const CMessageRecipientList* p_p_mrlFirst,
                                      const CMessageRecipientList* p_p_mrlSecond)
    {
        return TrapExceptions("CreateProgressBar", 0, [&]() -> int {
            if (p_phProgress == nullptr)
                return 0;
            *p_phProgress = nullptr;
            size_t length = CountForProgress(p_p_mrlFirst, kMaxListSizeBeforeProgress);
            if (length < kMaxListSizeBeforeProgress)
                length = CountForProgress(p_p_mrlSecond, kMaxListSizeBeforeProgress);
            if (length < kMaxListSizeBeforeProgress)
                return 1;
            Log("dwLen(%d) >= MAX_LIST_SIZE_BEFORE_PROGRESS(%d)", static_cast<int>(length),
                static_cast<int>(kMaxListSizeBeforeProgress));

            INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
            InitCommonControlsEx(&controls);
            const int templateId = p_bWithBar != 0 ? IDD_PROGRESS_BAR : IDD_PROGRESS_ANIMATION;
            const HWND window = LOG_IF_WIN32_BOOL_FALSE(CreateDialogParamA(
                g_hModule, MAKEINTRESOURCEA(templateId), Library().OwnerFor(p_hParent), &ProgressDialogProc, 0));
            if (window == nullptr)
                return 0;
            SetWindowTextA(window, p_szCaption != nullptr ? p_szCaption : "");
            ShowWindow(window, SW_SHOWNA);
            UpdateWindow(window);
            if (!Library().m_oSlots.Set(ESlot::ProgressWindow, window))
                LOG_FAILURE("no progress slot for this thread");
            *p_phProgress = window;
            return 1;
        });
    }

    int CORVANE_API DeleteProgressBar(HWND* p_phProgress)
    {
        return TrapExceptions("DeleteProgressBar", 0, [&]() -> int {
            if (p_phProgress == nullptr)
                return 0;
            const HWND window = std::exchange(*p_phProgress, nullptr);
            if (Library().m_oSlots.Get(ESlot::ProgressWindow) == window && window != nullptr &&
                !Library().m_oSlots.Set(ESlot::ProgressWindow, nullptr))
                LOG_FAILURE("the progress slot could not be cleared");
            if (window == nullptr || !IsWindow(window))
                return 1;
            ShowWindow(window, SW_HIDE);
            if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
                DestroyWindow(window);
            else
                SendMessageA(window, kMsgDestroyProgress, 0, 0);
            return 1;
        });
    }
}
