// Addressbook/ui/modal_dialog.h: running the library's modal dialogs. A dialog class answers
// its messages in HandleMessage(HWND, UINT, WPARAM[, LPARAM]) and names itself for the log; the dialog
// procedure finds the object again through DWLP_USER and keeps exceptions inside the library.
#pragma once

#include "Addressbook/frame/library.h"
#include "common/boundary.h"
#include "common/failure_log.h"

#include <windows.h>

#include <string>

struct CModalDialog
{
    // Shows dialog resource p_iTemplate owned by p_hOwner until it ends; true when it ended with IDOK.
    template <typename T>
    [[nodiscard]] static bool Run(T& p_oDialog, int p_iTemplate, HWND p_hOwner, const char* p_szName)
    {
        return Show(p_oDialog, p_iTemplate, p_hOwner, p_szName) == IDOK;
    }

    // As Run, for dialogs with more ends than OK and Cancel: the value the dialog passed to
    // EndDialog, or -1 (logged, with the last error kept) when it could not be made.
    template <typename T>
    [[nodiscard]] static INT_PTR Show(T& p_oDialog, int p_iTemplate, HWND p_hOwner, const char* p_szName)
    {
        CCall<T> call{&p_oDialog, p_szName};
        const INT_PTR result = DialogBoxParamA(g_hModule, MAKEINTRESOURCEA(p_iTemplate), p_hOwner, &Procedure<T>,
                                               reinterpret_cast<LPARAM>(&call));
        if (result == -1)
        {
            const DWORD error = GetLastError();
            LogCallFailure((std::string(p_szName) + "::Run").c_str(), "DialogBoxParam", EResultKind::Win32Error, error);
            // Writing the log may change the last error; callers that report it see the dialog's.
            SetLastError(error);
        }
        return result;
    }

  private:
    // Lives on Show's stack for as long as the dialog does.
    template <typename T> struct CCall
    {
        T* m_pDialog;
        const char* m_szName;
    };

    template <typename T>
    static INT_PTR CALLBACK Procedure(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam, LPARAM p_lParam)
    {
        if (p_uMessage == WM_INITDIALOG)
            SetWindowLongPtrA(p_hDialog, DWLP_USER, p_lParam);
        auto* call = reinterpret_cast<CCall<T>*>(GetWindowLongPtrA(p_hDialog, DWLP_USER));
        if (call == nullptr)
            return FALSE;
        return TrapExceptions(call->m_szName, static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
            // Dialogs that read notifications or colour their controls take lParam as well.
            if constexpr (requires { call->m_pDialog->HandleMessage(p_hDialog, p_uMessage, p_wParam, p_lParam); })
                return call->m_pDialog->HandleMessage(p_hDialog, p_uMessage, p_wParam, p_lParam);
            else
                return call->m_pDialog->HandleMessage(p_hDialog, p_uMessage, p_wParam);
        });
    }
};
