// Addressbook/reminders/sms_form_names.cpp: the SMS forms' names and the class choice.
#include "Addressbook/reminders/sms_form_names.h"

#include <cctype>

namespace smsforms
{
namespace
{
bool StartsWithNoCase(std::string_view p_sText, std::string_view p_sPrefix)
{
    return p_sText.size() >= p_sPrefix.size() && EqualsNoCase(p_sText.substr(0, p_sPrefix.size()), p_sPrefix);
}
} // namespace

const std::array<CFormSpec, 3>& AppointmentForms()
{
    static const std::array<CFormSpec, 3> forms = {{
        {"SMSAppointmentFormRemNoAttNo", "IPM.Appointment.SMSAppointmentFormRemNoAttNo",
         "AppointmentNoRemindNoAttendeeOFT"},
        {"SMSAppointmentFormRemYesAttNo", "IPM.Appointment.SMSAppointmentFormRemYesAttNo",
         "AppointmentYesRemindNoAttendeeOFT"},
        {"SMSAppointmentFormRemYesAttYes", "IPM.Appointment.SMSAppointmentFormRemYesAttYes",
         "AppointmentYesRemindYesAttendeeOFT"},
    }};
    return forms;
}

const std::array<CFormSpec, 2>& TaskForms()
{
    static const std::array<CFormSpec, 2> forms = {{
        {"SMSTaskFormRemNo", "IPM.Task.SMSTaskFormRemNo", "TaskNoRemindOFT"},
        {"SMSTaskFormRemYes", "IPM.Task.SMSTaskFormRemYes", "TaskYesRemind2OFT"},
    }};
    return forms;
}

std::string AppointmentClassFor(uint32_t p_dwReminder, uint32_t p_dwAttendee)
{
    if (p_dwReminder == 0)
        return AppointmentForms()[0].m_pszMessageClass;
    return AppointmentForms()[p_dwAttendee != 0 ? 2 : 1].m_pszMessageClass;
}

std::string TaskClassFor(uint32_t p_dwReminder)
{
    return TaskForms()[p_dwReminder != 0 ? 1 : 0].m_pszMessageClass;
}

EFormKind KindOfMessageClass(std::string_view p_sClass)
{
    if (StartsWithNoCase(p_sClass, "IPM.TASK"))
        return EFormKind::Task;
    if (StartsWithNoCase(p_sClass, "IPM.APPOINTMENT"))
        return EFormKind::Appointment;
    return EFormKind::None;
}

EFormKind KindOfContainerClass(std::string_view p_sClass)
{
    if (StartsWithNoCase(p_sClass, "IPF.TASK"))
        return EFormKind::Task;
    if (StartsWithNoCase(p_sClass, "IPF.APPOINTMENT"))
        return EFormKind::Appointment;
    return EFormKind::None;
}

bool EqualsNoCase(std::string_view p_sLeft, std::string_view p_sRight)
{
    if (p_sLeft.size() != p_sRight.size())
        return false;
    for (size_t i = 0; i < p_sLeft.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(p_sLeft[i])) !=
            std::toupper(static_cast<unsigned char>(p_sRight[i])))
            return false;
    return true;
}
} // namespace smsforms
