// compose/ui/sms_window_templates.cpp: the compose window's Template commands: "Generate from
// template...", the recent templates and their menu.
#include "compose/ui/sms_window.h"

#include "common/failure_log.h"
#include "common/message_box_win.h"
#include "common/registry.h"
#include "common/trace_log.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"
#include "compose/templates/generate_dialog_win.h"
#include "compose/templates/recent_templates.h"
#include "compose/ui/sms_window_parts.h"

void CSMSWindow::OnTemplateGenerateCommand(const CCommand&)
{
    if (!ConfirmTemplateGeneration())
        return;
    std::string sPath;
    if (AskTemplatePath(m_hWnd, sPath))
        GenerateIntoBody(sPath);
}

void CSMSWindow::OnRecentTemplateCommand(const CCommand& p_oCommand)
{
    const std::vector<std::string> vRecent = compose::ReadRecentTemplates(SystemRegistry());
    const auto nIndex = static_cast<size_t>(p_oCommand.m_iId - ID_TEMPLATE_RECENT_FIRST);
    if (nIndex >= vRecent.size() || !ConfirmTemplateGeneration())
        return;
    GenerateIntoBody(vRecent[nIndex]);
}

bool CSMSWindow::ConfirmTemplateGeneration()
{
    if (!m_bModified || FieldText(kIdBodyField).empty())
        return true;
    const int iAnswer =
        Box(kQCaptionConfirmTemplate, QuilletText(kQMsgConfirmTemplate), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (iAnswer == IDCANCEL)
        return false;
    return iAnswer != IDYES || Save(false);
}

void CSMSWindow::GenerateIntoBody(const std::string& p_sPath)
{
    std::string sText;
    switch (GenerateFromTemplateFile(m_hWnd, p_sPath, sText))
    {
    case EGenerateResult::Generated:
        m_oBodyField.SetSelection(0, -1);
        m_oBodyField.ReplaceSelection(sText, true);
        m_bModified = true;
        ShowBulkState();
        SetFocus(m_oBodyField.Handle());
        break;
    case EGenerateResult::NotFound:
        (void)Box(kQCaptionTemplateNotFound, QuilletText(kQMsgTemplateNotFound), MB_OK | MB_ICONERROR);
        if (compose::RemoveRecentTemplate(SystemRegistry(), p_sPath) != kErrorSuccess)
            LOG_FAILURE("%s could not be taken out of the recent-template list", p_sPath.c_str());
        break;
    default:
        break; // cancelled, or the reason has been shown
    }
}

void CSMSWindow::FillRecentTemplatesMenu(HMENU p_hPopup)
{
    // The popup is known by its first command; it is rebuilt from the list each time it opens.
    if (GetMenuState(p_hPopup, ID_TEMPLATE_RECENT_FIRST, MF_BYCOMMAND) == static_cast<UINT>(-1))
        return;
    while (GetMenuItemCount(p_hPopup) > 0)
        (void)DeleteMenu(p_hPopup, 0, MF_BYPOSITION);
    const std::vector<std::string> vRecent = compose::ReadRecentTemplates(SystemRegistry());
    if (vRecent.empty())
        LOG_IF_WIN32_BOOL_FALSE(AppendMenuA(p_hPopup, MF_STRING | MF_GRAYED, ID_TEMPLATE_RECENT_FIRST,
                                            QuilletText(kQTextNoRecentTemplates).c_str()));
    for (size_t i = 0; i < vRecent.size(); ++i)
    {
        const std::string sItem = "&" + std::to_string(i + 1) + " " + vRecent[i];
        LOG_IF_WIN32_BOOL_FALSE(
            AppendMenuA(p_hPopup, MF_STRING, ID_TEMPLATE_RECENT_FIRST + static_cast<UINT>(i), sItem.c_str()));
    }
}
