// standins/outlook/form_templates.h: the five SMS reminder form templates the product installs, as
// form-template messages; the tool in oft_tool.cpp writes them at build time.
#pragma once

#include "standins/outlook/message_file.h"

#include <array>

namespace olstandin
{
struct CFormTemplate
{
    const char* m_pszFile;         // the template's file name
    const char* m_pszInstallValue; // the install setting that names its path
    const char* m_pszMessageClass;
    bool m_bAppointment;
    bool m_bRemind;
    bool m_bAttendees;
};

[[nodiscard]] const std::array<CFormTemplate, 5>& FormTemplates();
// The template message: its class, the form's display name as subject, and the reminder flags it
// gives new items ("MustSendSMSReminder", and "AlsoSendToAttendees" for appointments).
[[nodiscard]] CMessageFile MakeFormTemplate(const CFormTemplate& p_oForm);
} // namespace olstandin
