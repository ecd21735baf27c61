// Addressbook/reminders/sms_forms_win.cpp: installing and removing the SMS forms: the template checks,
// the forms mutexes, publishing through the client's object model and the form definitions in folders.
#include "Addressbook/reminders/sms_forms_win.h"

#include "Addressbook/reminders/sms_form_names.h"
#include "common/failure_log.h"
#include "common/mapi_owner_win.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "common/unique_any.h"

#include <mapiutil.h>

#include <algorithm>
#include <span>

namespace
{
// A VARIANT that clears itself.
struct CVariant
{
    VARIANT m_v;
    CVariant()
    {
        VariantInit(&m_v);
    }
    ~CVariant()
    {
        (void)VariantClear(&m_v);
    }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
};

void SetText(CVariant& p_oArg, const std::string& p_sText)
{
    const std::wstring wide(p_sText.begin(), p_sText.end());
    p_oArg.m_v.vt = VT_BSTR;
    p_oArg.m_v.bstrVal = SysAllocString(wide.c_str());
}
void SetLong(CVariant& p_oArg, long p_lValue)
{
    p_oArg.m_v.vt = VT_I4;
    p_oArg.m_v.lVal = p_lValue;
}
void SetObject(CVariant& p_oArg, IDispatch* p_pObject)
{
    p_oArg.m_v.vt = VT_DISPATCH;
    p_oArg.m_v.pdispVal = p_pObject;
    p_pObject->AddRef();
}

// Calls a member by name, arguments in call order; a COM error's description goes to p_sError.
HRESULT Automate(IDispatch* p_pObject, const wchar_t* p_pszName, WORD p_wFlags, std::span<CVariant*> p_vArgs,
                 VARIANT* p_pResult, std::string& p_sError)
{
    if (p_pObject == nullptr)
        return E_POINTER;
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(p_pszName);
    RETURN_IF_FAILED(p_pObject->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    std::vector<VARIANT> args;
    for (auto it = p_vArgs.rbegin(); it != p_vArgs.rend(); ++it)
        args.push_back((*it)->m_v);
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    DISPID put = DISPID_PROPERTYPUT;
    if (p_wFlags == DISPATCH_PROPERTYPUT)
    {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    EXCEPINFO info{};
    const HRESULT hr =
        p_pObject->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, p_wFlags, &params, p_pResult, &info, nullptr);
    const unique_bstr source(info.bstrSource);
    const unique_bstr description(info.bstrDescription);
    const unique_bstr help(info.bstrHelpFile);
    if (FAILED(hr))
    {
        const std::wstring text = description ? std::wstring(description.get()) : std::wstring();
        p_sError = std::string(text.begin(), text.end());
        if (p_sError.empty())
            p_sError = FormatResult(EResultKind::HResult, static_cast<uint32_t>(hr));
        LogCallFailure(__PRETTY_FUNCTION__, "IDispatch::Invoke", EResultKind::HResult, static_cast<uint32_t>(hr));
    }
    return hr;
}

HRESULT DispatchOf(const CVariant& p_oValue, IDispatch*& p_pObject)
{
    p_pObject = p_oValue.m_v.vt == VT_DISPATCH ? p_oValue.m_v.pdispVal : nullptr;
    return p_pObject != nullptr ? S_OK : DISP_E_TYPEMISMATCH;
}

bool ParseHex(const std::string& p_sText, CFormEntryId& p_vBytes)
{
    if (p_sText.empty() || p_sText.size() % 2 != 0)
        return false;
    for (size_t i = 0; i < p_sText.size(); i += 2)
    {
        unsigned value = 0;
        for (size_t j = i; j < i + 2; ++j)
        {
            const char c = p_sText[j];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0)
                return false;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        p_vBytes.push_back(static_cast<BYTE>(value));
    }
    return true;
}

bool FileExists(const std::string& p_sPath)
{
    const DWORD attributes = GetFileAttributesA(p_sPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The form definitions in a folder's associated contents whose names are in p_vNames.
HRESULT FindDefinitions(IMAPIFolder* p_pFolder, const std::vector<std::string>& p_vNames,
                        std::vector<CFormEntryId>& p_vFound)
{
    com_ptr<IMAPITable> table;
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(p_pFolder->GetContentsTable(MAPI_ASSOCIATED, table.put())));
    SizedSPropTagArray(3, columns) = {3, {PR_ENTRYID, PR_MESSAGE_CLASS_A, PR_DISPLAY_NAME_A}};
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0)));
    for (;;)
    {
        unique_mapi_rows rows;
        RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(table->QueryRows(100, 0, rows.put())));
        if (!rows || rows.get()->cRows == 0)
            return S_OK;
        for (ULONG i = 0; i < rows.get()->cRows; ++i)
        {
            const SPropValue* props = rows.get()->aRow[i].lpProps;
            if (rows.get()->aRow[i].cValues < 3 || props[0].ulPropTag != PR_ENTRYID ||
                props[1].ulPropTag != PR_MESSAGE_CLASS_A || props[2].ulPropTag != PR_DISPLAY_NAME_A ||
                !smsforms::EqualsNoCase(props[1].Value.lpszA, smsforms::kFormDefinitionClass) ||
                std::find(p_vNames.begin(), p_vNames.end(), std::string(props[2].Value.lpszA)) == p_vNames.end())
                continue;
            p_vFound.emplace_back(props[0].Value.bin.lpb, props[0].Value.bin.lpb + props[0].Value.bin.cb);
        }
    }
}

HRESULT ActOnMessages(IMAPIFolder* p_pFolder, std::vector<CFormEntryId>& p_vIds, IMAPIFolder* p_pMoveTo)
{
    if (p_vIds.empty())
        return S_OK;
    std::vector<SBinary> binaries;
    for (CFormEntryId& id : p_vIds)
        binaries.push_back({static_cast<ULONG>(id.size()), id.data()});
    ENTRYLIST list{static_cast<ULONG>(binaries.size()), binaries.data()};
    if (p_pMoveTo != nullptr)
        return LOG_IF_MAPI_FAILED(p_pFolder->CopyMessages(&list, nullptr, p_pMoveTo, 0, nullptr, MESSAGE_MOVE));
    return LOG_IF_MAPI_FAILED(p_pFolder->DeleteMessages(&list, 0, nullptr, 0));
}

std::vector<std::string> FormNames(bool p_bAppointment)
{
    std::vector<std::string> names;
    if (p_bAppointment)
        for (const smsforms::CFormSpec& form : smsforms::AppointmentForms())
            names.emplace_back(form.m_pszName);
    else
        for (const smsforms::CFormSpec& form : smsforms::TaskForms())
            names.emplace_back(form.m_pszName);
    return names;
}

std::span<const smsforms::CFormSpec> FormsOf(bool p_bAppointment)
{
    if (p_bAppointment)
        return smsforms::AppointmentForms();
    return smsforms::TaskForms();
}
} // namespace

CSMSForms::CSMSForms(CSMSFormsHost p_oHost) : m_oHost(std::move(p_oHost))
{
}

CSMSForms::CSettings CSMSForms::ReadSettings() const
{
    CSettings settings;
    if (!m_oHost.m_pRegistry->ReadOptionsDword("Reminder", settings.m_dwReminder))
        settings.m_dwReminder = 0;
    if (!m_oHost.m_pRegistry->ReadOptionsDword("Attendee", settings.m_dwAttendee))
        settings.m_dwAttendee = 0;
    return settings;
}

HRESULT CSMSForms::SetupSMSForms()
{
    constexpr int kCallerVM = 1;
    if (m_oHost.m_iCallerKind == kCallerVM)
        return S_OK;
    const bool holdsStartup = m_oHost.m_fnHoldsStartupMutex && m_oHost.m_fnHoldsStartupMutex();
    if ((m_oHost.m_iPackageVersion == 1 || m_oHost.m_iPackageVersion == 2) && !holdsStartup)
        return S_OK;
    const unique_handle mutex(CreateMutexA(nullptr, FALSE, "SMSFormsMutex"));
    if (!mutex)
    {
        LogCallFailure(__PRETTY_FUNCTION__, "CreateMotex Failed", EResultKind::Win32Error, GetLastError());
        return E_FAIL;
    }
    if (WaitForSingleObject(mutex.get(), INFINITE) == WAIT_FAILED)
    {
        LogCallFailure(__PRETTY_FUNCTION__, "WaitForSingleObject(SMSFormsMutex)", EResultKind::Win32Error,
                       GetLastError());
        return E_FAIL;
    }
    const scope_exit release([&]() {
        (void)LOG_IF_WIN32_BOOL_FALSE(ReleaseMutex(mutex.get()));
        if (holdsStartup && m_oHost.m_fnReleaseStartupMutex)
            m_oHost.m_fnReleaseStartupMutex();
    });
    // Nothing changes unless every template is there.
    for (const bool appointment : {true, false})
        for (const smsforms::CFormSpec& form : FormsOf(appointment))
        {
            std::string path;
            if (!m_oHost.m_pRegistry->ReadInstallText(form.m_pszTemplateValue, path) || !FileExists(path))
            {
                LOG_FAILURE("the form template %s (\"%s\") is missing", form.m_pszTemplateValue, path.c_str());
                return MAPI_E_NOT_FOUND;
            }
        }
    HRESULT hr = SetupTaskSMSForm();
    if (FAILED(hr))
    {
        LOG_FAILURE("SetupTaskSMSForm failed 0x%x", static_cast<unsigned>(hr));
        return hr;
    }
    hr = SetupAppointmentSMSForm();
    if (FAILED(hr))
        LOG_FAILURE("SetupAppointmentSMSForm failed 0x%x", static_cast<unsigned>(hr));
    return hr;
}

HRESULT CSMSForms::SetupAppointmentSMSForm()
{
    return SetupFolder(true);
}

HRESULT CSMSForms::SetupTaskSMSForm()
{
    return SetupFolder(false);
}

HRESULT CSMSForms::SetupFolder(bool p_bAppointment)
{
    const long kind = p_bAppointment ? smsforms::kCalendarFolder : smsforms::kTasksFolder;
    std::vector<std::string> paths;
    for (const smsforms::CFormSpec& form : FormsOf(p_bAppointment))
    {
        std::string path;
        if (!m_oHost.m_pRegistry->ReadInstallText(form.m_pszTemplateValue, path) || !FileExists(path))
        {
            LOG_FAILURE("the form template %s (\"%s\") is missing", form.m_pszTemplateValue, path.c_str());
            return MAPI_E_NOT_FOUND;
        }
        paths.push_back(path);
    }
    com_ptr<IMAPIFolder> folder;
    com_ptr<IDispatch> folderObject;
    RETURN_IF_FAILED(GetEntryIDForFolderUsingAutomation(kind, folder, &folderObject));
    for (size_t i = 0; i < paths.size(); ++i)
    {
        const std::string name = FormsOf(p_bAppointment)[i].m_pszName;
        bool installed = false;
        RETURN_IF_FAILED(IsFormInstalledInFolder(folder.get(), name, installed));
        if (!installed)
            RETURN_IF_FAILED(PublishForm(kind, folder.get(), folderObject.get(), paths[i], name));
    }
    const CSettings settings = ReadSettings();
    const std::string target = p_bAppointment
                                   ? smsforms::AppointmentClassFor(settings.m_dwReminder, settings.m_dwAttendee)
                                   : smsforms::TaskClassFor(settings.m_dwReminder);
    RETURN_IF_FAILED(SetDefaultClass(folder.get(), target));
    // Items get the flags only where they have none.
    const CFormDefaults defaults{smsforms::FlagCode(settings.m_dwReminder),
                                 p_bAppointment ? smsforms::FlagCode(settings.m_dwAttendee) : 0};
    RETURN_IF_FAILED(ChangeMessageClassInFolder(
        folder.get(), p_bAppointment ? smsforms::kAppointmentClass : smsforms::kTaskClass, target, &defaults));
    return ChangeMessageClassInFolder(
        folder.get(), p_bAppointment ? smsforms::kOldAppointmentClass : smsforms::kOldTaskClass, target, &defaults);
}

HRESULT CSMSForms::IsFormInstalledInFolder(IMAPIFolder* p_pFolder, const std::string& p_sFormName, bool& p_bInstalled)
{
    p_bInstalled = false;
    com_ptr<IMAPITable> table;
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(p_pFolder->GetContentsTable(MAPI_ASSOCIATED, table.put())));
    SizedSPropTagArray(3, columns) = {3, {PR_ENTRYID, PR_MESSAGE_CLASS_A, PR_DISPLAY_NAME_A}};
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0)));
    SPropValue values[2]{};
    values[0].ulPropTag = PR_MESSAGE_CLASS_A;
    values[0].Value.lpszA = const_cast<char*>(smsforms::kFormDefinitionClass);
    values[1].ulPropTag = PR_DISPLAY_NAME_A;
    values[1].Value.lpszA = const_cast<char*>(p_sFormName.c_str());
    SRestriction parts[2]{};
    for (int i = 0; i < 2; ++i)
    {
        parts[i].rt = RES_PROPERTY;
        parts[i].res.resProperty = {RELOP_EQ, values[i].ulPropTag, &values[i]};
    }
    SRestriction both{};
    both.rt = RES_AND;
    both.res.resAnd = {2, parts};
    const HRESULT hr = table->FindRow(&both, BOOKMARK_BEGINNING, 0);
    if (hr == MAPI_E_NOT_FOUND)
        return S_OK;
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(hr));
    p_bInstalled = true;
    return S_OK;
}

HRESULT CSMSForms::GetEntryIDForFolderUsingAutomation(long p_lKind, com_ptr<IMAPIFolder>& p_pFolder,
                                                      com_ptr<IDispatch>* p_pFolderObject)
{
    IDispatch* application = m_oHost.m_pThread->Dispatch();
    if (application == nullptr)
    {
        LOG_FAILURE("the thread has no application object");
        return E_FAIL;
    }
    std::string error;
    CVariant mapi;
    SetText(mapi, "MAPI");
    CVariant* namespaceArgs[] = {&mapi};
    CVariant space;
    RETURN_IF_FAILED(Automate(application, L"GetNamespace", DISPATCH_METHOD, namespaceArgs, &space.m_v, error));
    IDispatch* spaceObject = nullptr;
    RETURN_IF_FAILED(DispatchOf(space, spaceObject));
    CVariant kind;
    SetLong(kind, p_lKind);
    CVariant* folderArgs[] = {&kind};
    CVariant folder;
    RETURN_IF_FAILED(Automate(spaceObject, L"GetDefaultFolder", DISPATCH_METHOD, folderArgs, &folder.m_v, error));
    IDispatch* folderObject = nullptr;
    RETURN_IF_FAILED(DispatchOf(folder, folderObject));
    CVariant entryId;
    RETURN_IF_FAILED(Automate(folderObject, L"EntryID", DISPATCH_PROPERTYGET, {}, &entryId.m_v, error));
    CFormEntryId bytes;
    if (entryId.m_v.vt != VT_BSTR || entryId.m_v.bstrVal == nullptr)
        return DISP_E_TYPEMISMATCH;
    const std::wstring hex(entryId.m_v.bstrVal);
    if (!ParseHex(std::string(hex.begin(), hex.end()), bytes))
        return MAPI_E_INVALID_ENTRYID;
    RETURN_IF_FAILED(OpenEntry(bytes, MAPI_MODIFY | MAPI_BEST_ACCESS, reinterpret_cast<IUnknown**>(p_pFolder.put())));
    if (p_pFolderObject != nullptr)
        *p_pFolderObject = com_ptr<IDispatch>::copy_from(folderObject);
    return S_OK;
}

HRESULT CSMSForms::PublishForm(long p_lKind, IMAPIFolder* p_pFolder, IDispatch* p_pFolderObject,
                               const std::string& p_sTemplate, const std::string& p_sFormName)
{
    IDispatch* application = m_oHost.m_pThread->Dispatch();
    if (application == nullptr || p_pFolderObject == nullptr)
        return E_POINTER;
    std::string error;
    CVariant item;
    const HRESULT hr = [&]() -> HRESULT {
        CVariant path;
        SetText(path, p_sTemplate);
        CVariant folder;
        SetObject(folder, p_pFolderObject);
        CVariant* createArgs[] = {&path, &folder};
        RETURN_IF_FAILED(
            Automate(application, L"CreateItemFromTemplate", DISPATCH_METHOD, createArgs, &item.m_v, error));
        IDispatch* itemObject = nullptr;
        RETURN_IF_FAILED(DispatchOf(item, itemObject));
        CVariant form;
        RETURN_IF_FAILED(Automate(itemObject, L"FormDescription", DISPATCH_PROPERTYGET, {}, &form.m_v, error));
        IDispatch* formObject = nullptr;
        RETURN_IF_FAILED(DispatchOf(form, formObject));
        CVariant name;
        SetText(name, p_sFormName);
        CVariant* nameArgs[] = {&name};
        RETURN_IF_FAILED(Automate(formObject, L"Name", DISPATCH_PROPERTYPUT, nameArgs, nullptr, error));
        CVariant display;
        SetText(display, p_lKind == smsforms::kCalendarFolder ? "Appointment" : "Task");
        CVariant* displayArgs[] = {&display};
        RETURN_IF_FAILED(Automate(formObject, L"DisplayName", DISPATCH_PROPERTYPUT, displayArgs, nullptr, error));
        // Outlook 97 and 98 publish into the personal registry only; the definition is moved after.
        const bool personal = m_oHost.m_iPackageVersion == 1 || m_oHost.m_iPackageVersion == 2;
        CVariant registry;
        SetLong(registry, personal ? 2 : 3);
        CVariant* personalArgs[] = {&registry};
        CVariant* folderRegistryArgs[] = {&registry, &folder};
        RETURN_IF_FAILED(Automate(
            formObject, L"PublishForm", DISPATCH_METHOD,
            personal ? std::span<CVariant*>(personalArgs) : std::span<CVariant*>(folderRegistryArgs), nullptr, error));
        if (personal)
            RETURN_IF_FAILED(MoveFormDefinitionToFolder(p_pFolder, p_sFormName));
        return S_OK;
    }();
    if (item.m_v.vt == VT_DISPATCH && item.m_v.pdispVal != nullptr)
    {
        CVariant discard;
        SetLong(discard, 1);
        CVariant* closeArgs[] = {&discard};
        std::string closeError;
        (void)Automate(item.m_v.pdispVal, L"Close", DISPATCH_METHOD, closeArgs, nullptr, closeError);
    }
    if (FAILED(hr) && !error.empty())
        Log("Create Template From File - COM Error Message: %s", error.c_str());
    return hr;
}

HRESULT CSMSForms::MoveFormDefinitionToFolder(IMAPIFolder* p_pFolder, const std::string& p_sFormName)
{
    IMsgStore* store = m_oHost.m_pThread->MessageStore();
    if (store == nullptr)
        return E_FAIL;
    com_ptr<IMAPIFolder> root;
    ULONG type = 0;
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(
        store->OpenEntry(0, nullptr, nullptr, MAPI_MODIFY, &type, reinterpret_cast<IUnknown**>(root.put()))));
    std::vector<CFormEntryId> found;
    RETURN_IF_FAILED(FindDefinitions(root.get(), {p_sFormName}, found));
    if (found.empty())
    {
        LOG_FAILURE("MoveFormDefinitionToFolder: no definition of %s in the personal forms", p_sFormName.c_str());
        return MAPI_E_NOT_FOUND;
    }
    return ActOnMessages(root.get(), found, p_pFolder);
}

HRESULT CSMSForms::DeleteFormDefinitions(IMAPIFolder* p_pFolder, const std::vector<std::string>& p_vNames)
{
    std::vector<CFormEntryId> found;
    RETURN_IF_FAILED(FindDefinitions(p_pFolder, p_vNames, found));
    return ActOnMessages(p_pFolder, found, nullptr);
}

HRESULT CSMSForms::RemoveSMSForms()
{
    for (const bool appointment : {true, false})
    {
        com_ptr<IMAPIFolder> folder;
        RETURN_IF_FAILED(DefaultFolder(appointment ? smsforms::kCalendarFolder : smsforms::kTasksFolder, folder));
        const char* plain = appointment ? smsforms::kAppointmentClass : smsforms::kTaskClass;
        RETURN_IF_FAILED(SetDefaultClass(folder.get(), plain));
        for (const smsforms::CFormSpec& form : FormsOf(appointment))
            RETURN_IF_FAILED(ChangeMessageClassInFolder(folder.get(), form.m_pszMessageClass, plain, nullptr));
        RETURN_IF_FAILED(DeleteFormDefinitions(folder.get(), FormNames(appointment)));
    }
    return S_OK;
}

HRESULT CSMSForms::ChangeReminderForm(bool p_bChangeExisting)
{
    const CSettings settings = ReadSettings();
    com_ptr<IMAPIFolder> calendar;
    com_ptr<IMAPIFolder> tasks;
    RETURN_IF_FAILED(DefaultFolder(smsforms::kCalendarFolder, calendar));
    RETURN_IF_FAILED(DefaultFolder(smsforms::kTasksFolder, tasks));
    RETURN_IF_FAILED(
        SetDefaultClass(calendar.get(), smsforms::AppointmentClassFor(settings.m_dwReminder, settings.m_dwAttendee)));
    RETURN_IF_FAILED(SetDefaultClass(tasks.get(), smsforms::TaskClassFor(settings.m_dwReminder)));
    if (!p_bChangeExisting)
        return S_OK;
    RETURN_IF_FAILED(ChangeTaskDefaultSettingsTo(tasks.get(), settings.m_dwReminder != 0, true));
    return ChangeAppointmentDefaultSettingsTo(calendar.get(), settings.m_dwReminder != 0, settings.m_dwAttendee != 0,
                                              true);
}
