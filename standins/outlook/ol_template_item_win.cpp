// standins/outlook/ol_template_item_win.cpp: Application.CreateItemFromTemplate: an unsaved item holding
// a template file's properties (named ones included) in a folder; Save writes it there through MAPI.
#include "standins/outlook/ol_template_item_win.h"

#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/mapi_owner_win.h"
#include "standins/outlook/compound_file.h"
#include "standins/outlook/message_file.h"
#include "standins/outlook/ol_dispatch_win.h"
#include "standins/outlook/ol_explorer_object_win.h"

#include <algorithm>
#include <cstring>

namespace olstandin
{
namespace
{
enum EDispid : DISPID
{
    kSubject = 0x0037,
    kMessageClass = 0x001A,
    kEntryId = 0xF01E,
    kClass = 0xF00A,
    kMapiObject = 0xF100,
    kFormDescription = 0xF095,
    kClose = 0xF023,
    kSave = 0xF048
};
// OlInspectorClose: Close(olSave) keeps the item, the other modes discard it.
constexpr LONG kCloseSave = 0;
constexpr IID kIidMapiFolder = {0x0002030C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class CTemplateItem final : public CDispatchObject
{
  public:
    CTemplateItem(CHostServices& p_oServices, CMessageFile p_oMessage, CEntryId p_oFolder)
        : CDispatchObject({{L"Subject", kSubject, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, 0},
                           {L"MessageClass", kMessageClass, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, 0},
                           {L"EntryID", kEntryId, DISPATCH_PROPERTYGET, 0},
                           {L"Class", kClass, DISPATCH_PROPERTYGET, 0},
                           {L"MAPIOBJECT", kMapiObject, DISPATCH_PROPERTYGET, 0},
                           {L"FormDescription", kFormDescription, DISPATCH_PROPERTYGET, 0},
                           {L"Save", kSave, DISPATCH_METHOD, 0},
                           {L"Close", kClose, DISPATCH_METHOD, 1}}),
          m_oServices(p_oServices), m_oMessage(std::move(p_oMessage)), m_oFolder(std::move(p_oFolder))
    {
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override
    {
        const std::string messageClass = m_oMessage.Text(kIdMessageClass).value_or("IPM.Note");
        switch (p_id)
        {
        case kSubject:
            return ReturnText(p_oResult, m_oMessage.Text(kIdSubject).value_or(""));
        case kMessageClass:
            return ReturnText(p_oResult, messageClass);
        case kEntryId:
            return ReturnText(p_oResult, HexText(m_oEntryId));
        case kClass:
            return ReturnLong(p_oResult, messageClass.rfind("IPM.Appointment", 0) == 0 ? 26
                                         : messageClass.rfind("IPM.Task", 0) == 0      ? 48
                                                                                       : 43);
        case kFormDescription:
            return ReturnObject(p_oResult, CreateFormDescription(m_oServices, messageClass));
        case kMapiObject:
            if (!m_p_oMessage)
                return E_FAIL;
            m_p_oMessage->AddRef();
            p_oResult.vt = VT_UNKNOWN;
            p_oResult.punkVal = m_p_oMessage.get();
            return S_OK;
        case kSave:
            return Save();
        default: {
            LONG mode = 0;
            if (!ArgLong(p_vArgs[0], mode))
                return DISP_E_TYPEMISMATCH;
            return mode == kCloseSave ? Save() : S_OK;
        }
        }
    }
    HRESULT Put(DISPID p_id, const VARIANT& p_oValue) override
    {
        std::string text;
        if (!ArgAnsi(&p_oValue, text))
            return DISP_E_TYPEMISMATCH;
        m_oMessage.SetText(p_id == kSubject ? kIdSubject : kIdMessageClass, text);
        return S_OK;
    }

  private:
    // The MAPI value of one template property; false for types the stand-in does not carry over.
    static bool ToValue(const CMessageProperty& p_oProperty, std::string& p_sText, SPropValue& p_oValue)
    {
        const std::string& bytes = p_oProperty.m_sValue;
        switch (p_oProperty.m_nType)
        {
        case kTypeBoolean:
            p_oValue.Value.b = !bytes.empty() && bytes[0] != 0;
            return true;
        case kTypeLong:
            std::memcpy(&p_oValue.Value.l, bytes.data(), std::min<size_t>(bytes.size(), 4));
            return true;
        case kTypeSystime:
            std::memcpy(&p_oValue.Value.ft, bytes.data(), std::min<size_t>(bytes.size(), 8));
            return true;
        case kTypeString8:
        case kTypeUnicode:
            p_sText = PropertyText(p_oProperty).value_or("");
            return true;
        case kTypeBinary:
            p_sText = bytes;
            p_oValue.Value.bin.cb = static_cast<ULONG>(bytes.size());
            return true;
        default:
            return false;
        }
    }

    // The tag a named property has in the store, made there when it is new.
    HRESULT NamedTag(IMessage* p_pMessage, const CPropertyName& p_oName, ULONG& p_ulId)
    {
        GUID set{};
        std::memcpy(&set, p_oName.m_aSet.data(), sizeof set);
        std::wstring name(p_oName.m_sName.begin(), p_oName.m_sName.end());
        MAPINAMEID id{};
        id.lpguid = &set;
        id.ulKind = p_oName.m_bString ? MNID_STRING : MNID_ID;
        if (p_oName.m_bString)
            id.Kind.lpwstrName = name.data();
        else
            id.Kind.lID = static_cast<LONG>(p_oName.m_nId);
        LPMAPINAMEID ids[] = {&id};
        unique_mapi_buffer<SPropTagArray> tags;
        RETURN_IF_FAILED(p_pMessage->GetIDsFromNames(1, ids, MAPI_CREATE, tags.put()));
        if (!tags || tags.get()->cValues != 1 || PROP_TYPE(tags.get()->aulPropTag[0]) == PT_ERROR)
            return MAPI_E_NOT_FOUND;
        p_ulId = PROP_ID(tags.get()->aulPropTag[0]);
        return S_OK;
    }

    HRESULT Save()
    {
        CMapiProfile* profile = m_oServices.m_p_oProfile;
        if (profile == nullptr || !profile->IsStarted())
            return E_FAIL;
        if (!m_p_oMessage)
        {
            com_ptr<IMAPIFolder> folder = profile->OpenEntry(m_oFolder).query<IMAPIFolder>(kIidMapiFolder);
            if (!folder)
                return MAPI_E_NOT_FOUND;
            RETURN_IF_FAILED(folder->CreateMessage(nullptr, 0, m_p_oMessage.put()));
        }
        std::vector<std::string> texts(m_oMessage.m_vProperties.size());
        std::vector<SPropValue> values;
        for (size_t i = 0; i < m_oMessage.m_vProperties.size(); ++i)
        {
            const CMessageProperty& property = m_oMessage.m_vProperties[i];
            SPropValue value{};
            ULONG id = property.m_nId;
            if (!ToValue(property, texts[i], value) ||
                (property.m_oName && FAILED(NamedTag(m_p_oMessage.get(), *property.m_oName, id))))
                continue;
            const ULONG type = property.m_nType == kTypeUnicode ? PT_STRING8 : property.m_nType;
            value.ulPropTag = PROP_TAG(type, id);
            if (type == PT_STRING8)
                value.Value.lpszA = texts[i].data();
            else if (type == PT_BINARY)
                value.Value.bin.lpb = reinterpret_cast<LPBYTE>(texts[i].data());
            values.push_back(value);
        }
        RETURN_IF_FAILED(m_p_oMessage->SetProps(static_cast<ULONG>(values.size()), values.data(), nullptr));
        RETURN_IF_FAILED(m_p_oMessage->SaveChanges(KEEP_OPEN_READWRITE));
        SPropTagArray entryTag = {1, {PR_ENTRYID}};
        ULONG count = 0;
        unique_mapi_buffer<SPropValue> entry;
        RETURN_IF_FAILED(m_p_oMessage->GetProps(&entryTag, 0, &count, entry.put()));
        if (entry && entry.get()->ulPropTag == PR_ENTRYID)
            m_oEntryId.assign(entry.get()->Value.bin.lpb, entry.get()->Value.bin.lpb + entry.get()->Value.bin.cb);
        return S_OK;
    }

    CHostServices& m_oServices;
    CMessageFile m_oMessage;
    CEntryId m_oFolder;
    CEntryId m_oEntryId;
    com_ptr<IMessage> m_p_oMessage;
};
} // namespace

HRESULT CreateItemFromTemplate(CHostServices& p_oServices, const VARIANT* p_pPath, const VARIANT* p_pFolder,
                               VARIANT& p_oResult)
{
    std::string path;
    if (!ArgAnsi(p_pPath, path))
        return DISP_E_TYPEMISMATCH;
    CMapiProfile* profile = p_oServices.m_p_oProfile;
    if (profile == nullptr || !profile->IsStarted())
        return E_FAIL;
    std::string bytes;
    if (ReadWholeFile(path, bytes, kMaxCompoundFile) != EReadFile::Read)
        return STG_E_FILENOTFOUND;
    auto message = ReadMessageFile(bytes);
    if (!message)
        return STG_E_INVALIDHEADER;
    // Without a folder the item belongs in the default folder of its kind.
    CEntryId folder;
    if (!IsMissing(p_pFolder))
    {
        if (p_pFolder->vt != VT_DISPATCH || !FolderOfObject(p_pFolder->pdispVal, folder))
            return E_INVALIDARG;
    }
    else
    {
        const std::string messageClass = message->Text(kIdMessageClass).value_or("IPM.Note");
        folder = profile->DefaultFolderId(messageClass.rfind("IPM.Appointment", 0) == 0 ? 9
                                          : messageClass.rfind("IPM.Task", 0) == 0      ? 13
                                                                                        : 16);
    }
    com_ptr<IDispatch> item;
    item.attach(new CTemplateItem(p_oServices, std::move(*message), std::move(folder)));
    return ReturnObject(p_oResult, std::move(item));
}
} // namespace olstandin
