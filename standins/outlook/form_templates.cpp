// standins/outlook/form_templates.cpp: the SMS appointment and task form templates.
#include "standins/outlook/form_templates.h"

namespace olstandin
{
const std::array<CFormTemplate, 5>& FormTemplates()
{
    static const std::array<CFormTemplate, 5> forms = {{
        {"AppointmentNoRemindNoAttendee.oft", "AppointmentNoRemindNoAttendeeOFT",
         "IPM.Appointment.SMSAppointmentFormRemNoAttNo", true, false, false},
        {"AppointmentYesRemindNoAttendee.oft", "AppointmentYesRemindNoAttendeeOFT",
         "IPM.Appointment.SMSAppointmentFormRemYesAttNo", true, true, false},
        {"AppointmentYesRemindYesAttendee.oft", "AppointmentYesRemindYesAttendeeOFT",
         "IPM.Appointment.SMSAppointmentFormRemYesAttYes", true, true, true},
        {"TaskNoRemind.oft", "TaskNoRemindOFT", "IPM.Task.SMSTaskFormRemNo", false, false, false},
        {"TaskYesRemind2.oft", "TaskYesRemind2OFT", "IPM.Task.SMSTaskFormRemYes", false, true, false},
    }};
    return forms;
}

CMessageFile MakeFormTemplate(const CFormTemplate& p_oForm)
{
    CMessageFile message;
    message.SetText(kIdMessageClass, p_oForm.m_pszMessageClass);
    message.SetText(kIdSubject, p_oForm.m_bAppointment ? "Appointment" : "Task");
    message.SetBool(PublicStringName(u"MustSendSMSReminder"), p_oForm.m_bRemind);
    if (p_oForm.m_bAppointment)
        message.SetBool(PublicStringName(u"AlsoSendToAttendees"), p_oForm.m_bAttendees);
    return message;
}
} // namespace olstandin
