// tests/win/outlook/test_extension_model_win.h: the test extension's object-model client, as a
// product plug-in drives the client late bound: a temporary button with a pasted face and a tag on
// "Standard", an "SMS Bar" with a popup, Click, ExplorerEvents and NewExplorer sinks, folder look-ups
// by entry id, and an accessibility hit test on the drawn button.
#pragma once

#include "common/handle_win.h"

#include <windows.h>

#include <oaidl.h>

#include <memory>

// Appends a line to the extension log (test_extension_win.cpp).
void Note(const char* p_szFormat, ...);

class CModelClient
{
  public:
    // Connects to the active explorer of p_pApplication and adds the controls; logs what it found.
    explicit CModelClient(IUnknown* p_pApplication);
    ~CModelClient();
    CModelClient(const CModelClient&) = delete;
    CModelClient& operator=(const CModelClient&) = delete;

    // Hit-tests the centre of the added button through AccessibleObjectFromPoint and logs the name.
    void HitTestButton();

  private:
    // Asks the button and a control in a closed list for their own IAccessible; logs what they answer.
    void AccessibleControls();

    struct CState;
    std::unique_ptr<CState> m_p_oState;
};
