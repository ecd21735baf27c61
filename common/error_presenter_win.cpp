// common/error_presenter_win.cpp: reported errors appear in a message box over the desktop.
#include "common/error_slot.h"

#include "common/message_box_win.h"

#include <windows.h>

namespace
{
void MessageBoxPresenter(const std::string& p_sCaption, const std::string& p_sText)
{
    ShowMessageBox(GetDesktopWindow(), p_sText, p_sCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
} // namespace

ErrorPresenter DefaultErrorPresenter()
{
    return MessageBoxPresenter;
}
