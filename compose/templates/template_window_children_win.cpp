// compose/templates/template_window_children_win.cpp: the template editor's children: the rebar with
// the menu bar, the Open/Save buttons and the "Insert Field" bar, the body and the status bar, their
// drop-down menus, tooltips and layout.
#include "compose/templates/template_window_win.h"

#include "compose/quillet_strings.h"
#include "compose/res/resource.h"

#include <commctrl.h>
#include <richedit.h>

bool CTemplateWindow::CreateChildren()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!CreateMenuBar(instance,
                       {IDR_TEMPLATE_MENU, IDC_TEMPLATE_REBAR, IDC_TEMPLATE_MENUBAR, ID_TEMPLATE_MENU_FIRST}) ||
        !CreateButtonBars() || !CreateBody(m_oBody, IDC_TEMPLATE_BODY, ENM_CHANGE | ENM_SELCHANGE) ||
        !CreateStatusBar(instance, IDC_TEMPLATE_STATUS, 200))
        return false;
    SetIcons(instance);
    return true;
}

bool CTemplateWindow::CreateButtonBars()
{
    using compose_frame::kTextButton;
    m_hButtons = MakeButtonBar(m_hRebar, IDC_TEMPLATE_BUTTONS);
    m_hInsertBar = MakeButtonBar(m_hRebar, IDC_TEMPLATE_INSERTBAR);
    if (m_hButtons == nullptr || m_hInsertBar == nullptr)
        return false;
    compose_frame::AddTextButton(m_hButtons, ID_FILE_OPEN, QuilletText(kQTextOpenButton), kTextButton);
    compose_frame::AddTextButton(m_hButtons, ID_FILE_SAVE, QuilletText(kQTextSaveButton), kTextButton);
    compose_frame::AddTextButton(m_hInsertBar, ID_TEMPLATE_INSERT_BUTTON, QuilletText(kQTextInsertFieldButton),
                                 static_cast<BYTE>(kTextButton | BTNS_WHOLEDROPDOWN));
    compose_frame::AddBarBand(m_hRebar, m_hButtons, true);
    compose_frame::AddBarBand(m_hRebar, m_hInsertBar, false);
    return true;
}

void CTemplateWindow::OnSize()
{
    if (m_hStatus == nullptr)
        return;
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const int iStatus = PlaceStatusBar();
    const int iBars = static_cast<int>(SendMessageA(m_hRebar, RB_GETBARHEIGHT, 0, 0));
    MoveWindow(m_hRebar, 0, 0, client.right, iBars, TRUE);
    const int iBody = client.bottom - iStatus - iBars;
    MoveWindow(m_oBody.Handle(), 0, iBars, client.right, iBody > 0 ? iBody : 0, TRUE);
}

HMENU CTemplateWindow::DropDownMenu(int p_iButton, unique_hmenu& p_hOwned)
{
    if (p_iButton != ID_TEMPLATE_INSERT_BUTTON)
        return nullptr;
    // The insert bar's drop-down: the six kinds, in the Field menu's order.
    p_hOwned.reset(CreatePopupMenu());
    for (int i = 0; p_hOwned && i < 6; ++i)
        AppendMenuA(p_hOwned.get(), MF_STRING, static_cast<UINT_PTR>(ID_FIELD_INSERT_TEXT + i),
                    QuilletText(kQTextFieldKindFirst + static_cast<unsigned>(i)).c_str());
    return p_hOwned.get();
}

unsigned CTemplateWindow::ToolTipOf(UINT_PTR p_iId) const
{
    switch (p_iId)
    {
    case ID_FILE_OPEN:
        return kQTipOpenTemplate;
    case ID_FILE_SAVE:
        return kQTipSaveTemplate;
    case ID_TEMPLATE_INSERT_BUTTON:
        return kQTipInsertField;
    default:
        return 0;
    }
}
