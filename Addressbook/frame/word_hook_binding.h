// Addressbook/frame/word_hook_binding.h: the Word hook library (Install value "Penhold") loaded for
// Outlook, with the three exports that put the "Notify mobile" boxes into Word-edited mail.
#pragma once

#include "common/error_slot.h"
#include "common/handle_win.h"
#include "common/settings.h"

#include <windows.h>

class CWordHookBinding
{
  public:
    using PFN_SetGlobalWordHook = BOOL(WINAPI*)();
    using PFN_UnsetGlobalWordHook = BOOL(WINAPI*)();
    using PFN_UnSubclassAllCompositionWindows = BOOL(WINAPI*)();

    // Loads the library and resolves its exports; what failed is in Error().
    explicit CWordHookBinding(CRegistry& p_oRegistry);
    CWordHookBinding(const CWordHookBinding&) = delete;
    CWordHookBinding& operator=(const CWordHookBinding&) = delete;

    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    bool IsLoaded() const
    {
        return static_cast<bool>(m_hLibrary);
    }

    PFN_SetGlobalWordHook m_pfnSetGlobalWordHook = nullptr;
    PFN_UnsetGlobalWordHook m_pfnUnsetGlobalWordHook = nullptr;
    PFN_UnSubclassAllCompositionWindows m_pfnUnSubclassAllCompositionWindows = nullptr;

  private:
    unique_hmodule m_hLibrary;
    CErrorSlot m_oError;
};
