// Addressbook/reminders/sms_forms_convert_win.cpp: the folders' default class, converting items between
// the plain and the form classes, the two reminder flags on items, and the advise sink's conversions.
#include "Addressbook/reminders/sms_form_names.h"
#include "Addressbook/reminders/sms_forms_win.h"
#include "common/failure_log.h"
#include "common/mapi_owner_win.h"
#include "common/settings.h"
#include "common/trace_log.h"

#include <mapiutil.h>

#include <cstring>
#include <optional>

namespace
{
// PR_IPM_APPOINTMENT_ENTRYID and PR_IPM_TASK_ENTRYID, which the Inbox and the root folder carry.
constexpr ULONG kCalendarEntryIdTag = PROP_TAG(PT_BINARY, 0x36D0);
constexpr ULONG kTasksEntryIdTag = PROP_TAG(PT_BINARY, 0x36D4);
constexpr ULONG kDefPostMsgClassTag = PROP_TAG(PT_STRING8, 0x36E5);
// PS_PUBLIC_STRINGS.
GUID g_oPublicStrings = {0x00020329, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

HRESULT ReadText(IMAPIProp* p_pObject, ULONG p_ulTag, std::optional<std::string>& p_osText)
{
    SizedSPropTagArray(1, tags) = {1, {p_ulTag}};
    ULONG count = 0;
    unique_mapi_buffer<SPropValue> value;
    const HRESULT hr = p_pObject->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, value.put());
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(hr));
    p_osText.reset();
    if (value && count == 1 && value.get()->ulPropTag == p_ulTag)
        p_osText = value.get()->Value.lpszA;
    return S_OK;
}

HRESULT ReadBinary(IMAPIProp* p_pObject, ULONG p_ulTag, CFormEntryId& p_vBytes)
{
    SizedSPropTagArray(1, tags) = {1, {p_ulTag}};
    ULONG count = 0;
    unique_mapi_buffer<SPropValue> value;
    RETURN_IF_FAILED(
        LOG_IF_MAPI_FAILED(p_pObject->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, value.put())));
    if (!value || count != 1 || value.get()->ulPropTag != p_ulTag)
        return MAPI_E_NOT_FOUND;
    p_vBytes.assign(value.get()->Value.bin.lpb, value.get()->Value.bin.lpb + value.get()->Value.bin.cb);
    return S_OK;
}

// Every entry id of a folder's contents, restricted to one message class when p_pszClass is given.
HRESULT ContentIds(IMAPIFolder* p_pFolder, const char* p_pszClass, std::vector<CFormEntryId>& p_vIds)
{
    com_ptr<IMAPITable> table;
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(p_pFolder->GetContentsTable(0, table.put())));
    SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0)));
    if (p_pszClass != nullptr)
    {
        SPropValue value{};
        value.ulPropTag = PR_MESSAGE_CLASS_A;
        value.Value.lpszA = const_cast<char*>(p_pszClass);
        SRestriction restriction{};
        restriction.rt = RES_PROPERTY;
        restriction.res.resProperty = {RELOP_EQ, PR_MESSAGE_CLASS_A, &value};
        RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(table->Restrict(&restriction, 0)));
    }
    for (;;)
    {
        unique_mapi_rows rows;
        RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(table->QueryRows(100, 0, rows.put())));
        if (!rows || rows.get()->cRows == 0)
            return S_OK;
        for (ULONG i = 0; i < rows.get()->cRows; ++i)
        {
            const SPropValue& id = rows.get()->aRow[i].lpProps[0];
            if (id.ulPropTag == PR_ENTRYID)
                p_vIds.emplace_back(id.Value.bin.lpb, id.Value.bin.lpb + id.Value.bin.cb);
        }
    }
}
} // namespace

HRESULT CSMSForms::OpenEntry(const CFormEntryId& p_vEntryId, ULONG p_ulFlags, IUnknown** p_ppObject)
{
    ULONG type = 0;
    auto* id = reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vEntryId.data()));
    if (IMAPISession* session = m_oHost.m_pThread->Session())
        return LOG_IF_MAPI_FAILED(
            session->OpenEntry(static_cast<ULONG>(p_vEntryId.size()), id, nullptr, p_ulFlags, &type, p_ppObject));
    IMsgStore* store = m_oHost.m_pThread->MessageStore();
    if (store == nullptr)
        return E_FAIL;
    return LOG_IF_MAPI_FAILED(
        store->OpenEntry(static_cast<ULONG>(p_vEntryId.size()), id, nullptr, p_ulFlags, &type, p_ppObject));
}

HRESULT CSMSForms::DefaultFolder(long p_lKind, com_ptr<IMAPIFolder>& p_pFolder)
{
    if (m_oHost.m_pThread->Dispatch() != nullptr)
        return GetEntryIDForFolderUsingAutomation(p_lKind, p_pFolder);
    IMsgStore* store = m_oHost.m_pThread->MessageStore();
    if (store == nullptr)
    {
        LOG_FAILURE("GetMessageStore FAILED");
        return E_FAIL;
    }
    const ULONG tag = p_lKind == smsforms::kCalendarFolder ? kCalendarEntryIdTag : kTasksEntryIdTag;
    CFormEntryId folderId;
    ULONG size = 0;
    unique_mapi_buffer<ENTRYID> inboxId;
    if (SUCCEEDED(LOG_IF_MAPI_FAILED(store->GetReceiveFolder(nullptr, 0, &size, inboxId.put(), nullptr))))
    {
        const auto* bytes = reinterpret_cast<const BYTE*>(inboxId.get());
        com_ptr<IMAPIProp> inbox;
        if (SUCCEEDED(OpenEntry(CFormEntryId(bytes, bytes + size), 0, reinterpret_cast<IUnknown**>(inbox.put()))))
            (void)ReadBinary(inbox.get(), tag, folderId);
    }
    if (folderId.empty())
    {
        com_ptr<IMAPIProp> root;
        ULONG type = 0;
        RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(
            store->OpenEntry(0, nullptr, nullptr, 0, &type, reinterpret_cast<IUnknown**>(root.put()))));
        RETURN_IF_FAILED(ReadBinary(root.get(), tag, folderId));
    }
    return OpenEntry(folderId, MAPI_MODIFY | MAPI_BEST_ACCESS, reinterpret_cast<IUnknown**>(p_pFolder.put()));
}

HRESULT CSMSForms::SetDefaultClass(IMAPIFolder* p_pFolder, const std::string& p_sClass)
{
    SPropValue value{};
    value.ulPropTag = kDefPostMsgClassTag;
    value.Value.lpszA = const_cast<char*>(p_sClass.c_str());
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(p_pFolder->SetProps(1, &value, nullptr)));
    return LOG_IF_MAPI_FAILED(p_pFolder->SaveChanges(KEEP_OPEN_READWRITE));
}

HRESULT CSMSForms::ForEachItem(IMAPIFolder* p_pFolder, const std::function<void(IMessage*)>& p_fnItem)
{
    std::vector<CFormEntryId> ids;
    RETURN_IF_FAILED(ContentIds(p_pFolder, nullptr, ids));
    for (const CFormEntryId& id : ids)
    {
        com_ptr<IMessage> message;
        if (SUCCEEDED(OpenEntry(id, MAPI_MODIFY | MAPI_BEST_ACCESS, reinterpret_cast<IUnknown**>(message.put()))))
            p_fnItem(message.get());
    }
    return S_OK;
}

HRESULT CSMSForms::ConvertItem(IMessage* p_pMessage, const std::string& p_sTo, const CFormDefaults* p_pDefaults)
{
    std::optional<std::string> current;
    RETURN_IF_FAILED(ReadText(p_pMessage, PR_MESSAGE_CLASS_A, current));
    if (current && *current == p_sTo)
        return S_OK;
    // SetItemMessageClassTo
    SPropValue value{};
    value.ulPropTag = PR_MESSAGE_CLASS_A;
    value.Value.lpszA = const_cast<char*>(p_sTo.c_str());
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(p_pMessage->SetProps(1, &value, nullptr)));
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(p_pMessage->SaveChanges(KEEP_OPEN_READWRITE)));
    if (p_pDefaults == nullptr)
        return S_OK;
    return ChangeMessageDefaultSettingsTo(p_pMessage, p_pDefaults->m_iSend, p_pDefaults->m_iAttendees, false);
}

HRESULT CSMSForms::ChangeMessageClassInFolder(IMAPIFolder* p_pFolder, const std::string& p_sFrom,
                                              const std::string& p_sTo, const CFormDefaults* p_pDefaults)
{
    std::vector<CFormEntryId> ids;
    RETURN_IF_FAILED(ContentIds(p_pFolder, p_sFrom.c_str(), ids));
    for (const CFormEntryId& id : ids)
    {
        com_ptr<IMessage> message;
        if (FAILED(OpenEntry(id, MAPI_MODIFY | MAPI_BEST_ACCESS, reinterpret_cast<IUnknown**>(message.put()))))
            continue;
        std::optional<std::string> current;
        // The table's restriction may compare without regard to case; the class must be the one asked for.
        if (FAILED(ReadText(message.get(), PR_MESSAGE_CLASS_A, current)) || !current ||
            !smsforms::EqualsNoCase(*current, p_sFrom))
            continue;
        (void)ConvertItem(message.get(), p_sTo, p_pDefaults);
    }
    return S_OK;
}

HRESULT CSMSForms::ChangeMessageDefaultSettingsTo(IMessage* p_pMessage, int p_iSend, int p_iAttendees,
                                                  bool p_bOverwrite)
{
    std::wstring mustSend(smsforms::kMustSendName, smsforms::kMustSendName + strlen(smsforms::kMustSendName));
    std::wstring attendees(smsforms::kAttendeesName, smsforms::kAttendeesName + strlen(smsforms::kAttendeesName));
    MAPINAMEID names[2]{};
    names[0] = {&g_oPublicStrings, MNID_STRING, {}};
    names[0].Kind.lpwstrName = mustSend.data();
    names[1] = {&g_oPublicStrings, MNID_STRING, {}};
    names[1].Kind.lpwstrName = attendees.data();
    LPMAPINAMEID ids[] = {&names[0], &names[1]};
    unique_mapi_buffer<SPropTagArray> tags;
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(p_pMessage->GetIDsFromNames(2, ids, MAPI_CREATE, tags.put())));
    if (!tags || tags.get()->cValues != 2)
        return MAPI_E_CALL_FAILED;
    const ULONG mustTag = PROP_TAG(PT_BOOLEAN, PROP_ID(tags.get()->aulPropTag[0]));
    const ULONG attendeeTag = PROP_TAG(PT_BOOLEAN, PROP_ID(tags.get()->aulPropTag[1]));
    if (!p_bOverwrite)
    {
        SizedSPropTagArray(1, existing) = {1, {mustTag}};
        ULONG count = 0;
        unique_mapi_buffer<SPropValue> value;
        if (SUCCEEDED(p_pMessage->GetProps(reinterpret_cast<LPSPropTagArray>(&existing), 0, &count, value.put())) &&
            value && count == 1 && value.get()->ulPropTag == mustTag)
            return S_OK;
    }
    SPropValue values[2]{};
    ULONG count = 0;
    if (p_iSend != 0)
    {
        values[count].ulPropTag = mustTag;
        values[count++].Value.b = static_cast<unsigned short>(p_iSend - 1);
    }
    if (p_iAttendees != 0)
    {
        values[count].ulPropTag = attendeeTag;
        values[count++].Value.b = static_cast<unsigned short>(p_iAttendees - 1);
    }
    if (count == 0)
        return S_OK;
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(p_pMessage->SetProps(count, values, nullptr)));
    return LOG_IF_MAPI_FAILED(p_pMessage->SaveChanges(KEEP_OPEN_READWRITE));
}

HRESULT CSMSForms::ChangeTaskDefaultSettingsTo(IMAPIFolder* p_pFolder, bool p_bSend, bool p_bOverwrite)
{
    return ForEachItem(p_pFolder, [&](IMessage* p_pMessage) {
        (void)ChangeMessageDefaultSettingsTo(p_pMessage, p_bSend ? 2 : 1, 0, p_bOverwrite);
    });
}

HRESULT CSMSForms::ChangeAppointmentDefaultSettingsTo(IMAPIFolder* p_pFolder, bool p_bSend, bool p_bAttendees,
                                                      bool p_bOverwrite)
{
    return ForEachItem(p_pFolder, [&](IMessage* p_pMessage) {
        (void)ChangeMessageDefaultSettingsTo(p_pMessage, p_bSend ? 2 : 1, p_bAttendees ? 2 : 1, p_bOverwrite);
    });
}

HRESULT CSMSForms::ConvertOnEvent(const CFormEntryId& p_vMessage, const CFormEntryId& p_vFolder)
{
    IMsgStore* store = m_oHost.m_pThread->MessageStore();
    if (store == nullptr)
    {
        LOG_FAILURE("GetMessageStore FAILED");
        return E_FAIL;
    }
    com_ptr<IMessage> message;
    ULONG type = 0;
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(store->OpenEntry(
        static_cast<ULONG>(p_vMessage.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vMessage.data())),
        nullptr, MAPI_MODIFY | MAPI_BEST_ACCESS, &type, reinterpret_cast<IUnknown**>(message.put()))));
    std::optional<std::string> messageClass;
    RETURN_IF_FAILED(ReadText(message.get(), PR_MESSAGE_CLASS_A, messageClass));
    if (!messageClass)
    {
        Log("No message class");
        return S_OK;
    }
    const smsforms::EFormKind kind = smsforms::KindOfMessageClass(*messageClass);
    if (kind == smsforms::EFormKind::None)
        return S_OK;
    const bool appointment = kind == smsforms::EFormKind::Appointment;
    com_ptr<IMAPIFolder> folder;
    RETURN_IF_FAILED(DefaultFolder(appointment ? smsforms::kCalendarFolder : smsforms::kTasksFolder, folder));
    CFormEntryId folderId;
    RETURN_IF_FAILED(ReadBinary(folder.get(), PR_ENTRYID, folderId));
    ULONG same = FALSE;
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(
        store->CompareEntryIDs(static_cast<ULONG>(folderId.size()), reinterpret_cast<LPENTRYID>(folderId.data()),
                               static_cast<ULONG>(p_vFolder.size()),
                               reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vFolder.data())), 0, &same)));
    if (!same ||
        !smsforms::EqualsNoCase(*messageClass, appointment ? smsforms::kAppointmentClass : smsforms::kTaskClass))
        return S_OK;
    const CSettings settings = ReadSettings();
    const CFormDefaults defaults{smsforms::FlagCode(settings.m_dwReminder), smsforms::FlagCode(settings.m_dwAttendee)};
    return ConvertItem(message.get(),
                       appointment ? smsforms::AppointmentClassFor(settings.m_dwReminder, settings.m_dwAttendee)
                                   : smsforms::TaskClassFor(settings.m_dwReminder),
                       &defaults);
}

HRESULT CSMSForms::ConvertFolderOnEvent(const CFormEntryId& p_vFolder)
{
    com_ptr<IMAPIFolder> changed;
    RETURN_IF_FAILED(OpenEntry(p_vFolder, MAPI_MODIFY | MAPI_BEST_ACCESS, reinterpret_cast<IUnknown**>(changed.put())));
    std::optional<std::string> containerClass;
    RETURN_IF_FAILED(ReadText(changed.get(), PR_CONTAINER_CLASS_A, containerClass));
    if (!containerClass)
        return S_OK;
    const smsforms::EFormKind kind = smsforms::KindOfContainerClass(*containerClass);
    if (kind == smsforms::EFormKind::None)
        return S_OK;
    const bool appointment = kind == smsforms::EFormKind::Appointment;
    com_ptr<IMAPIFolder> folder;
    RETURN_IF_FAILED(DefaultFolder(appointment ? smsforms::kCalendarFolder : smsforms::kTasksFolder, folder));
    CFormEntryId folderId;
    RETURN_IF_FAILED(ReadBinary(folder.get(), PR_ENTRYID, folderId));
    IMsgStore* store = m_oHost.m_pThread->MessageStore();
    ULONG same = FALSE;
    if (store == nullptr ||
        FAILED(LOG_IF_MAPI_FAILED(
            store->CompareEntryIDs(static_cast<ULONG>(folderId.size()), reinterpret_cast<LPENTRYID>(folderId.data()),
                                   static_cast<ULONG>(p_vFolder.size()),
                                   reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vFolder.data())), 0, &same))) ||
        !same)
        return S_OK;
    const CSettings settings = ReadSettings();
    const CFormDefaults defaults{smsforms::FlagCode(settings.m_dwReminder), smsforms::FlagCode(settings.m_dwAttendee)};
    return ChangeMessageClassInFolder(folder.get(), appointment ? smsforms::kAppointmentClass : smsforms::kTaskClass,
                                      appointment
                                          ? smsforms::AppointmentClassFor(settings.m_dwReminder, settings.m_dwAttendee)
                                          : smsforms::TaskClassFor(settings.m_dwReminder),
                                      &defaults);
}
