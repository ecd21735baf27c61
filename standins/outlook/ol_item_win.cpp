// standins/outlook/ol_item_win.cpp: mail, contact, appointment and task items of the object model.
#include "standins/outlook/ol_item_win.h"

#include "common/failure_log.h"
#include "standins/outlook/ol_dispatch_win.h"
#include "standins/outlook/ol_explorer_object_win.h"

#include <mapitags.h>

#include <algorithm>

namespace olstandin
{
namespace
{
enum EDispid : DISPID
{
    kMessageClass = 0x001A,
    kEntryId = 0xF01E,
    kClass = 0xF00A,
    kMapiObject = 0xF100,
    kFormDescription = 0xF095,
    kClose = 0xF023,
    kDisplay = 0xF0A6,
    kSave = 0xF048,
    // Fields follow from here, in the order of the field table.
    kFirstField = 0x10000
};

constexpr IID kIidMessage = {0x00020307, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidMapiFolder = {0x0002030C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// OlInspectorClose: olSave.
constexpr LONG kCloseSave = 0;

std::vector<CDispMember> ItemMembers()
{
    std::vector<CDispMember> members = {
        {L"MessageClass", kMessageClass, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, 0},
        {L"EntryID", kEntryId, DISPATCH_PROPERTYGET, 0},
        {L"Class", kClass, DISPATCH_PROPERTYGET, 0},
        {L"MAPIOBJECT", kMapiObject, DISPATCH_PROPERTYGET, 0},
        {L"FormDescription", kFormDescription, DISPATCH_PROPERTYGET, 0},
        {L"Close", kClose, DISPATCH_METHOD, 1},
        {L"Display", kDisplay, DISPATCH_METHOD, 1, 0},
        {L"Save", kSave, DISPATCH_METHOD, 0}};
    // The names live as long as the program: the member table keeps pointers to them.
    static const std::vector<std::wstring> s_vNames = [] {
        std::vector<std::wstring> names;
        for (const std::string& name : ItemFieldNames())
            names.emplace_back(name.begin(), name.end());
        return names;
    }();
    for (size_t i = 0; i < s_vNames.size(); ++i)
        members.push_back({s_vNames[i].c_str(), kFirstField + static_cast<DISPID>(i),
                           DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, 0});
    return members;
}

// The default folder (GetDefaultFolder kind) a new item of this class is saved in.
LONG DefaultFolderKind(LONG p_lClass)
{
    switch (p_lClass)
    {
    case kClassAppointment:
        return 9;
    case kClassContact:
    case kClassDistList:
        return 10;
    case kClassTask:
        return 13;
    default:
        return 16;
    }
}

class CItem final : public CDispatchObject
{
  public:
    CItem(CHostServices& p_oServices, CItemFields p_oFields, bool p_bNew)
        : CDispatchObject(ItemMembers()), m_oServices(p_oServices), m_oFields(std::move(p_oFields)), m_bNew(p_bNew)
    {
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override
    {
        if (p_id >= kFirstField)
            return Field(static_cast<size_t>(p_id - kFirstField), p_oResult);
        switch (p_id)
        {
        case kMessageClass:
            return ReturnText(p_oResult, m_oFields.m_sMessageClass);
        case kEntryId:
            // A new item has no entry id until it is saved.
            return ReturnText(p_oResult, HexText(m_oFields.m_oEntryId));
        case kClass:
            return ReturnLong(p_oResult, ItemClassOf(m_oFields.m_sMessageClass));
        case kFormDescription:
            return ReturnObject(p_oResult, CreateFormDescription(m_oServices, m_oFields.m_sMessageClass));
        case kMapiObject:
            return MapiObject(p_oResult);
        case kSave:
            return Save();
        case kClose:
            return Close(p_vArgs[0]);
        default:
            return Display(p_vArgs[0]);
        }
    }
    HRESULT Put(DISPID p_id, const VARIANT& p_oValue) override
    {
        if (p_id == kMessageClass)
            return ArgAnsi(&p_oValue, m_oFields.m_sMessageClass) ? S_OK : DISP_E_TYPEMISMATCH;
        const std::vector<std::string> names = ItemFieldNames();
        const size_t index = static_cast<size_t>(p_id - kFirstField);
        bool date = false;
        if (p_id < kFirstField || index >= names.size() || !IsItemField(names[index], date))
            return DISP_E_MEMBERNOTFOUND;
        // Dates are shown, not set, here.
        if (date)
            return E_ACCESSDENIED;
        std::string text;
        if (!ArgAnsi(&p_oValue, text))
            return DISP_E_TYPEMISMATCH;
        m_oFields.m_mText[names[index]] = text;
        if (std::find(m_vChanged.begin(), m_vChanged.end(), names[index]) == m_vChanged.end())
            m_vChanged.push_back(names[index]);
        return S_OK;
    }

  private:
    HRESULT Field(size_t p_nIndex, VARIANT& p_oResult) const
    {
        const std::vector<std::string> names = ItemFieldNames();
        if (p_nIndex >= names.size())
            return DISP_E_MEMBERNOTFOUND;
        const auto date = m_oFields.m_mDates.find(names[p_nIndex]);
        if (date == m_oFields.m_mDates.end())
            return ReturnText(p_oResult, m_oFields.Text(names[p_nIndex]));
        p_oResult.vt = VT_DATE;
        p_oResult.date = date->second;
        return S_OK;
    }

    HRESULT MapiObject(VARIANT& p_oResult) const
    {
        com_ptr<IMAPIProp> object = m_oFields.m_oEntryId.empty()
                                        ? com_ptr<IMAPIProp>()
                                        : m_oServices.m_p_oProfile->OpenEntry(m_oFields.m_oEntryId);
        if (!object)
            return E_FAIL;
        p_oResult.vt = VT_UNKNOWN;
        p_oResult.punkVal = object.detach();
        return S_OK;
    }

    // A stored item writes the fields set since; a new one is made in the default folder of its kind
    // with every field set, and has an entry id from then on.
    HRESULT Save()
    {
        CMapiProfile* profile = m_oServices.m_p_oProfile;
        if (profile == nullptr || !profile->IsStarted())
            return MAPI_E_NOT_INITIALIZED;
        com_ptr<IMAPIProp> message;
        std::vector<std::string> names = m_vChanged;
        if (m_oFields.m_oEntryId.empty())
        {
            const CEntryId folderId =
                profile->DefaultFolderId(DefaultFolderKind(ItemClassOf(m_oFields.m_sMessageClass)));
            com_ptr<IMAPIFolder> folder = profile->OpenEntry(folderId).query<IMAPIFolder>(kIidMapiFolder);
            com_ptr<IMessage> created;
            if (!folder || FAILED(LOG_IF_MAPI_FAILED(folder->CreateMessage(nullptr, 0, created.put()))))
                return MAPI_E_NOT_FOUND;
            message = com_ptr<IMAPIProp>::copy_from(created.get());
            names.clear();
            for (const auto& [name, text] : m_oFields.m_mText)
                names.push_back(name);
        }
        else
            message = profile->OpenEntry(m_oFields.m_oEntryId);
        CItemFields saved;
        if (!message || !WriteItemFields(message.get(), m_oFields, names) || !ReadItemFields(message.get(), saved))
            return E_FAIL;
        m_oFields.m_oEntryId = saved.m_oEntryId;
        m_vChanged.clear();
        return S_OK;
    }

    HRESULT Close(const VARIANT* p_pMode)
    {
        LONG mode = kCloseSave;
        if (!ArgLong(p_pMode, mode))
            return DISP_E_TYPEMISMATCH;
        if (m_oServices.m_fnCloseInspectors && !m_oFields.m_oEntryId.empty())
            m_oServices.m_fnCloseInspectors(m_oFields.m_oEntryId);
        // olSave keeps what was set (a new item is made in its folder); olDiscard and olPromptForSave,
        // which has no one to ask here, let the changes go.
        const bool save = mode == kCloseSave && !m_vChanged.empty();
        if (!save)
            m_vChanged.clear();
        return save ? Save() : S_OK;
    }

    // A new mail message opens in a compose note; a stored mail message in a read note; the other items
    // in an inspector. Display(True) returns once the window is closed.
    HRESULT Display(const VARIANT* p_pModal)
    {
        bool modal = false;
        if (!IsMissing(p_pModal) && !ArgBool(p_pModal, modal))
            return DISP_E_TYPEMISMATCH;
        const bool mail = ItemClassOf(m_oFields.m_sMessageClass) == kClassMail;
        if (m_bNew && mail && m_oFields.m_oEntryId.empty())
        {
            if (!m_oServices.m_fnOpenNote)
                return E_NOTIMPL;
            const CNoteFields note{m_oFields.Text("To"), m_oFields.Text("CC"), m_oFields.Text("BCC"),
                                   m_oFields.Text("Subject"), m_oFields.Text("Body")};
            return m_oServices.m_fnOpenNote(note) ? S_OK : E_FAIL;
        }
        if (!m_oServices.m_fnOpenInspector)
            return E_NOTIMPL;
        // The window holds its own copy: the item may be released while it is open.
        const CItemFields shown = m_oFields;
        return m_oServices.m_fnOpenInspector(shown, modal) ? S_OK : E_FAIL;
    }

    CHostServices& m_oServices;
    CItemFields m_oFields;
    std::vector<std::string> m_vChanged;
    bool m_bNew;
};

com_ptr<IDispatch> MakeItem(CHostServices& p_oServices, CItemFields p_oFields, bool p_bNew)
{
    com_ptr<IDispatch> item;
    item.attach(new CItem(p_oServices, std::move(p_oFields), p_bNew));
    return item;
}
} // namespace

HRESULT ItemFromId(CHostServices& p_oServices, const CEntryId& p_oEntryId, com_ptr<IDispatch>& p_oItem)
{
    CMapiProfile* profile = p_oServices.m_p_oProfile;
    if (profile == nullptr || !profile->IsStarted())
        return MAPI_E_NOT_INITIALIZED;
    com_ptr<IMAPIProp> object = profile->OpenEntry(p_oEntryId);
    // A folder's id is no item's.
    if (!object || !object.query<IMessage>(kIidMessage))
        return MAPI_E_NOT_FOUND;
    CItemFields fields;
    if (!ReadItemFields(object.get(), fields))
        return E_FAIL;
    if (fields.m_oEntryId.empty())
        fields.m_oEntryId = p_oEntryId;
    p_oItem = MakeItem(p_oServices, std::move(fields), false);
    return S_OK;
}

com_ptr<IDispatch> ItemFromRow(CHostServices& p_oServices, const CItemRow& p_oRow)
{
    com_ptr<IDispatch> item;
    if (SUCCEEDED(ItemFromId(p_oServices, p_oRow.m_oEntryId, item)))
        return item;
    CItemFields fields;
    fields.m_oEntryId = p_oRow.m_oEntryId;
    fields.m_sMessageClass = p_oRow.m_sMessageClass;
    fields.m_ulFlags = p_oRow.m_ulFlags;
    fields.m_mText["Subject"] = p_oRow.m_sSubject;
    fields.m_mText["SenderName"] = p_oRow.m_sSender;
    return MakeItem(p_oServices, std::move(fields), false);
}

com_ptr<IDispatch> CreateNewItem(CHostServices& p_oServices, const std::string& p_sMessageClass)
{
    CItemFields fields;
    fields.m_sMessageClass = p_sMessageClass;
    return MakeItem(p_oServices, std::move(fields), true);
}
} // namespace olstandin
