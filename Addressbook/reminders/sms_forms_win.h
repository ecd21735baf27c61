// Addressbook/reminders/sms_forms_win.h: CSMSForms, the SMS appointment and task forms in the user's
// default calendar and tasks folders: publishing them (through the client's object model), the folders'
// default class, converting plain items to the form classes and the items' two reminder flags.
#pragma once

#include "Addressbook/addressbook/thread_values_win.h"
#include "common/handle_win.h"

#include <windows.h>
#include <mapidefs.h>
#include <mapix.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CRegistry;

// What the forms need from the library: the calling thread's MAPI values and application object, the
// settings, Init's caller kind and package version, and the startup mutex CExMAPI holds for 97 and 98.
struct CSMSFormsHost
{
    IMapiThreadValues* m_pThread = nullptr;
    CRegistry* m_pRegistry = nullptr;
    int m_iCallerKind = 0;
    int m_iPackageVersion = 0;
    std::function<bool()> m_fnHoldsStartupMutex;
    std::function<void()> m_fnReleaseStartupMutex;
};

// The item values of the two flags: 0 leaves a flag alone, 1 is false, 2 is true.
struct CFormDefaults
{
    int m_iSend = 0;
    int m_iAttendees = 0;
};

using CFormEntryId = std::vector<BYTE>;

class CSMSForms
{
  public:
    explicit CSMSForms(CSMSFormsHost p_oHost);

    // Publishes what is missing, sets both folders' default class and converts plain items, once per
    // machine at a time ("SMSFormsMutex"). Nothing is done for the caller kind without a package or, for
    // 97 and 98, by an instance that does not hold "SMSStartupMutex".
    [[nodiscard]] HRESULT SetupSMSForms();
    [[nodiscard]] HRESULT SetupAppointmentSMSForm();
    [[nodiscard]] HRESULT SetupTaskSMSForm();
    // Default classes back to the plain ones, items back to the plain classes, definitions deleted.
    [[nodiscard]] HRESULT RemoveSMSForms();
    // Both folders' default classes from the settings; with p_bChangeExisting every item's flags too,
    // overwriting what they hold.
    [[nodiscard]] HRESULT ChangeReminderForm(bool p_bChangeExisting);

    [[nodiscard]] HRESULT IsFormInstalledInFolder(IMAPIFolder* p_pFolder, const std::string& p_sFormName,
                                                  bool& p_bInstalled);
    // The default folder of kind 9 (calendar) or 13 (tasks) of the application's "MAPI" namespace,
    // opened through MAPI; also its object-model folder when p_pFolderObject is given.
    [[nodiscard]] HRESULT GetEntryIDForFolderUsingAutomation(long p_lKind, com_ptr<IMAPIFolder>& p_pFolder,
                                                             com_ptr<IDispatch>* p_pFolderObject = nullptr);
    // Every item of p_sFrom in the folder gets p_sTo; with defaults, those whose class changed get the
    // flags where they have none. One item's failure is traced and the walk goes on.
    [[nodiscard]] HRESULT ChangeMessageClassInFolder(IMAPIFolder* p_pFolder, const std::string& p_sFrom,
                                                     const std::string& p_sTo, const CFormDefaults* p_pDefaults);
    [[nodiscard]] HRESULT ChangeMessageDefaultSettingsTo(IMessage* p_pMessage, int p_iSend, int p_iAttendees,
                                                         bool p_bOverwrite);
    [[nodiscard]] HRESULT ChangeTaskDefaultSettingsTo(IMAPIFolder* p_pFolder, bool p_bSend, bool p_bOverwrite);
    [[nodiscard]] HRESULT ChangeAppointmentDefaultSettingsTo(IMAPIFolder* p_pFolder, bool p_bSend, bool p_bAttendees,
                                                             bool p_bOverwrite);

    // The store's advise sink: a message was created, moved, copied or changed in a folder; a folder
    // was changed. A plain item in the default calendar or tasks folder takes the form class.
    [[nodiscard]] HRESULT ConvertOnEvent(const CFormEntryId& p_vMessage, const CFormEntryId& p_vFolder);
    [[nodiscard]] HRESULT ConvertFolderOnEvent(const CFormEntryId& p_vFolder);

  private:
    struct CSettings
    {
        uint32_t m_dwReminder = 0;
        uint32_t m_dwAttendee = 0;
    };
    [[nodiscard]] CSettings ReadSettings() const;
    [[nodiscard]] HRESULT SetupFolder(bool p_bAppointment);
    [[nodiscard]] HRESULT PublishForm(long p_lKind, IMAPIFolder* p_pFolder, IDispatch* p_pFolderObject,
                                      const std::string& p_sTemplate, const std::string& p_sFormName);
    [[nodiscard]] HRESULT MoveFormDefinitionToFolder(IMAPIFolder* p_pFolder, const std::string& p_sFormName);
    [[nodiscard]] HRESULT DeleteFormDefinitions(IMAPIFolder* p_pFolder, const std::vector<std::string>& p_vNames);
    // The default calendar or tasks folder: through the object model when the thread has it, else
    // from the store's own record of its standard folders.
    [[nodiscard]] HRESULT DefaultFolder(long p_lKind, com_ptr<IMAPIFolder>& p_pFolder);
    [[nodiscard]] HRESULT OpenEntry(const CFormEntryId& p_vEntryId, ULONG p_ulFlags, IUnknown** p_ppObject);
    [[nodiscard]] HRESULT SetDefaultClass(IMAPIFolder* p_pFolder, const std::string& p_sClass);
    [[nodiscard]] HRESULT ForEachItem(IMAPIFolder* p_pFolder, const std::function<void(IMessage*)>& p_fnItem);
    [[nodiscard]] HRESULT ConvertItem(IMessage* p_pMessage, const std::string& p_sTo, const CFormDefaults* p_pDefaults);

    CSMSFormsHost m_oHost;
};
