// standins/outlook/ol_item_fields_win.cpp: item fields over MAPI properties.
#include "standins/outlook/ol_item_fields_win.h"

#include "common/failure_log.h"
#include "common/mapi_owner_win.h"

#include <mapitags.h>
#include <oleauto.h>

#include <cstdio>

namespace olstandin
{
namespace
{
// The property sets of the contact, appointment and task fields.
constexpr GUID kSetAddress = {0x00062004, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kSetAppointment = {0x00062002, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kSetTask = {0x00062003, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct CFieldDef
{
    const char* m_szName;
    // The tag of a plain property, or the type of a named one (then m_pSet and m_lId name it).
    ULONG m_ulTag;
    const GUID* m_pSet;
    LONG m_lId;
};

constexpr CFieldDef kFields[] = {{"Subject", PR_SUBJECT_A, nullptr, 0},
                                 {"Body", PR_BODY_A, nullptr, 0},
                                 {"SenderName", PR_SENDER_NAME_A, nullptr, 0},
                                 {"To", PR_DISPLAY_TO_A, nullptr, 0},
                                 {"CC", PR_DISPLAY_CC_A, nullptr, 0},
                                 {"BCC", PR_DISPLAY_BCC_A, nullptr, 0},
                                 {"FullName", PR_DISPLAY_NAME_A, nullptr, 0},
                                 {"FirstName", PR_GIVEN_NAME_A, nullptr, 0},
                                 {"LastName", PR_SURNAME_A, nullptr, 0},
                                 {"CompanyName", PR_COMPANY_NAME_A, nullptr, 0},
                                 {"JobTitle", PR_TITLE_A, nullptr, 0},
                                 {"MobileTelephoneNumber", PR_MOBILE_TELEPHONE_NUMBER_A, nullptr, 0},
                                 {"BusinessTelephoneNumber", PR_BUSINESS_TELEPHONE_NUMBER_A, nullptr, 0},
                                 {"HomeTelephoneNumber", PR_HOME_TELEPHONE_NUMBER_A, nullptr, 0},
                                 {"Email1Address", PT_STRING8, &kSetAddress, 0x8083},
                                 {"Location", PT_STRING8, &kSetAppointment, 0x8208},
                                 {"Start", PT_SYSTIME, &kSetAppointment, 0x820D},
                                 {"End", PT_SYSTIME, &kSetAppointment, 0x820E},
                                 {"StartDate", PT_SYSTIME, &kSetTask, 0x8104},
                                 {"DueDate", PT_SYSTIME, &kSetTask, 0x8105}};

const CFieldDef* FieldDef(const std::string& p_sName)
{
    for (const CFieldDef& def : kFields)
        if (p_sName == def.m_szName)
            return &def;
    return nullptr;
}

// The tags of the fields in table order; a named property the store does not know yet is PT_ERROR
// unless p_bCreate makes it.
bool FieldTags(IMAPIProp* p_pItem, bool p_bCreate, std::vector<ULONG>& p_vTags)
{
    std::vector<MAPINAMEID> names;
    for (const CFieldDef& def : kFields)
        if (def.m_pSet != nullptr)
        {
            MAPINAMEID name{};
            name.lpguid = const_cast<GUID*>(def.m_pSet);
            name.ulKind = MNID_ID;
            name.Kind.lID = def.m_lId;
            names.push_back(name);
        }
    std::vector<LPMAPINAMEID> pointers;
    for (MAPINAMEID& name : names)
        pointers.push_back(&name);
    unique_mapi_buffer<SPropTagArray> named;
    if (FAILED(LOG_IF_MAPI_FAILED(p_pItem->GetIDsFromNames(static_cast<ULONG>(pointers.size()), pointers.data(),
                                                           p_bCreate ? MAPI_CREATE : 0, named.put()))) ||
        !named || named.get()->cValues != pointers.size())
        return false;
    size_t next = 0;
    for (const CFieldDef& def : kFields)
    {
        if (def.m_pSet == nullptr)
        {
            p_vTags.push_back(def.m_ulTag);
            continue;
        }
        const ULONG tag = named.get()->aulPropTag[next++];
        p_vTags.push_back(PROP_TYPE(tag) == PT_ERROR ? PROP_TAG(PT_ERROR, 0) : PROP_TAG(def.m_ulTag, PROP_ID(tag)));
    }
    return true;
}

double OleDate(const FILETIME& p_oTime)
{
    FILETIME local{};
    SYSTEMTIME system{};
    double date = 0;
    if (!FileTimeToLocalFileTime(&p_oTime, &local) || !FileTimeToSystemTime(&local, &system) ||
        !SystemTimeToVariantTime(&system, &date))
        return 0;
    return date;
}
} // namespace

LONG ItemClassOf(const std::string& p_sMessageClass)
{
    const auto starts = [&](const char* p_szPrefix) { return p_sMessageClass.rfind(p_szPrefix, 0) == 0; };
    if (starts("IPM.Appointment"))
        return kClassAppointment;
    if (starts("IPM.Task"))
        return kClassTask;
    if (starts("IPM.Contact"))
        return kClassContact;
    if (starts("IPM.DistList"))
        return kClassDistList;
    return kClassMail;
}

std::string CItemFields::Text(const std::string& p_sName) const
{
    const auto found = m_mText.find(p_sName);
    return found != m_mText.end() ? found->second : std::string();
}

CItemRow CItemFields::Row() const
{
    return {m_oEntryId, Text("Subject"), m_sMessageClass, Text("SenderName"), m_ulFlags};
}

bool IsItemField(const std::string& p_sName, bool& p_bDate)
{
    const CFieldDef* def = FieldDef(p_sName);
    p_bDate = def != nullptr && PROP_TYPE(def->m_ulTag) == PT_SYSTIME;
    return def != nullptr;
}

std::vector<std::string> ItemFieldNames()
{
    std::vector<std::string> names;
    for (const CFieldDef& def : kFields)
        names.emplace_back(def.m_szName);
    return names;
}

bool ReadItemFields(IMAPIProp* p_pItem, CItemFields& p_oFields)
{
    std::vector<ULONG> tags;
    if (p_pItem == nullptr || !FieldTags(p_pItem, false, tags))
        return false;
    tags.push_back(PR_MESSAGE_CLASS_A);
    tags.push_back(PR_ENTRYID);
    tags.push_back(PR_MESSAGE_FLAGS);
    std::vector<ULONG> array(1 + tags.size());
    array[0] = static_cast<ULONG>(tags.size());
    std::copy(tags.begin(), tags.end(), array.begin() + 1);
    ULONG count = 0;
    unique_mapi_buffer<SPropValue> values;
    if (FAILED(LOG_IF_MAPI_FAILED(
            p_pItem->GetProps(reinterpret_cast<LPSPropTagArray>(array.data()), 0, &count, values.put()))) ||
        count != tags.size())
        return false;
    const SPropValue* props = values.get();
    for (size_t i = 0; i < std::size(kFields); ++i)
    {
        const SPropValue& value = props[i];
        if (PROP_TYPE(value.ulPropTag) == PT_STRING8 && value.Value.lpszA != nullptr)
            p_oFields.m_mText[kFields[i].m_szName] = value.Value.lpszA;
        else if (PROP_TYPE(value.ulPropTag) == PT_SYSTIME)
            p_oFields.m_mDates[kFields[i].m_szName] = OleDate(value.Value.ft);
    }
    const SPropValue* rest = props + std::size(kFields);
    if (PROP_TYPE(rest[0].ulPropTag) == PT_STRING8 && rest[0].Value.lpszA != nullptr)
        p_oFields.m_sMessageClass = rest[0].Value.lpszA;
    if (rest[1].ulPropTag == PR_ENTRYID && rest[1].Value.bin.lpb != nullptr)
        p_oFields.m_oEntryId.assign(rest[1].Value.bin.lpb, rest[1].Value.bin.lpb + rest[1].Value.bin.cb);
    if (rest[2].ulPropTag == PR_MESSAGE_FLAGS)
        p_oFields.m_ulFlags = static_cast<ULONG>(rest[2].Value.l);
    return true;
}

bool WriteItemFields(IMAPIProp* p_pItem, const CItemFields& p_oFields, const std::vector<std::string>& p_vNames)
{
    std::vector<ULONG> tags;
    if (p_pItem == nullptr || !FieldTags(p_pItem, true, tags))
        return false;
    std::vector<SPropValue> values;
    SPropValue messageClass{};
    messageClass.ulPropTag = PR_MESSAGE_CLASS_A;
    messageClass.Value.lpszA = const_cast<char*>(p_oFields.m_sMessageClass.c_str());
    if (!p_oFields.m_sMessageClass.empty())
        values.push_back(messageClass);
    for (const std::string& name : p_vNames)
    {
        const auto text = p_oFields.m_mText.find(name);
        const CFieldDef* def = FieldDef(name);
        if (def == nullptr || text == p_oFields.m_mText.end())
            continue;
        const ULONG tag = tags[static_cast<size_t>(def - kFields)];
        if (PROP_TYPE(tag) != PT_STRING8)
            continue;
        SPropValue value{};
        value.ulPropTag = tag;
        value.Value.lpszA = const_cast<char*>(text->second.c_str());
        values.push_back(value);
    }
    return SUCCEEDED(
               LOG_IF_MAPI_FAILED(p_pItem->SetProps(static_cast<ULONG>(values.size()), values.data(), nullptr))) &&
           SUCCEEDED(LOG_IF_MAPI_FAILED(p_pItem->SaveChanges(KEEP_OPEN_READWRITE)));
}

std::vector<std::pair<const char*, const char*>> InspectorRows(LONG p_lClass)
{
    switch (p_lClass)
    {
    case kClassContact:
        return {{"Full Name:", "FullName"},           {"Company:", "CompanyName"},
                {"Job Title:", "JobTitle"},           {"E-mail:", "Email1Address"},
                {"Mobile:", "MobileTelephoneNumber"}, {"Business:", "BusinessTelephoneNumber"},
                {"Home:", "HomeTelephoneNumber"},     {nullptr, "Body"}};
    case kClassAppointment:
        return {{"Subject:", "Subject"},
                {"Location:", "Location"},
                {"Start:", "Start"},
                {"End:", "End"},
                {nullptr, "Body"}};
    case kClassTask:
        return {{"Subject:", "Subject"}, {"Start Date:", "StartDate"}, {"Due Date:", "DueDate"}, {nullptr, "Body"}};
    default:
        return {{"From:", "SenderName"}, {"To:", "To"}, {"Cc:", "CC"}, {"Subject:", "Subject"}, {nullptr, "Body"}};
    }
}

std::string ShownText(const CItemFields& p_oFields, const std::string& p_sName)
{
    const auto date = p_oFields.m_mDates.find(p_sName);
    if (date == p_oFields.m_mDates.end())
        return p_oFields.Text(p_sName);
    SYSTEMTIME time{};
    if (!VariantTimeToSystemTime(date->second, &time))
        return {};
    char text[32] = {};
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute);
    return text;
}
} // namespace olstandin
