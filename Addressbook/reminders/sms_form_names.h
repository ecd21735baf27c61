// Addressbook/reminders/sms_form_names.h: the SMS appointment and task forms: their names, message
// classes and template settings, and the class the "Reminder"/"Attendee" defaults choose.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace smsforms
{
inline constexpr const char* kAppointmentClass = "IPM.Appointment";
inline constexpr const char* kTaskClass = "IPM.Task";
// The classes of the earlier single forms, converted like plain items.
inline constexpr const char* kOldAppointmentClass = "IPM.Appointment.SMSAppointmentForm";
inline constexpr const char* kOldTaskClass = "IPM.Task.SMSTaskForm";
inline constexpr const char* kFormDefinitionClass = "IPM.Microsoft.FolderDesign.FormsDescription";
inline constexpr const char* kMustSendName = "MustSendSMSReminder";
inline constexpr const char* kAttendeesName = "AlsoSendToAttendees";
// The object model's default folder kinds.
inline constexpr long kCalendarFolder = 9;
inline constexpr long kTasksFolder = 13;

struct CFormSpec
{
    const char* m_pszName;          // the published form name
    const char* m_pszMessageClass;  // item type prefix, a point, the form name
    const char* m_pszTemplateValue; // the Install value holding the template's path
};

// RemNoAttNo, RemYesAttNo, RemYesAttYes.
[[nodiscard]] const std::array<CFormSpec, 3>& AppointmentForms();
// RemNo, RemYes.
[[nodiscard]] const std::array<CFormSpec, 2>& TaskForms();

// The class for new appointments: no reminder whenever "Reminder" is off (also with "Attendee" on,
// which has no class of its own), else the attendee choice.
[[nodiscard]] std::string AppointmentClassFor(uint32_t p_dwReminder, uint32_t p_dwAttendee);
[[nodiscard]] std::string TaskClassFor(uint32_t p_dwReminder);

// Item values handed to the property update: 0 leaves the property alone, 1 is false, 2 is true.
[[nodiscard]] inline int FlagCode(uint32_t p_dwSetting)
{
    return p_dwSetting != 0 ? 2 : 1;
}

enum class EFormKind
{
    None,
    Appointment,
    Task
};
// By a message class ("IPM.TASK...", "IPM.APPOINTMENT...") or a container class ("IPF.TASK...",
// "IPF.APPOINTMENT..."), without regard to case.
[[nodiscard]] EFormKind KindOfMessageClass(std::string_view p_sClass);
[[nodiscard]] EFormKind KindOfContainerClass(std::string_view p_sClass);
[[nodiscard]] bool EqualsNoCase(std::string_view p_sLeft, std::string_view p_sRight);
} // namespace smsforms
