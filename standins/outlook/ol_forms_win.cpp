// standins/outlook/ol_forms_win.cpp: an item's FormDescription and its PublishForm: a form definition
// is an associated message of class "IPM.Microsoft.FolderDesign.FormsDescription" whose display name is
// the form name, in the folder's associated contents (folder registry) or in those of the store's root
// folder (personal registry).
#include "common/failure_log.h"
#include "standins/outlook/ol_explorer_object_win.h"

namespace olstandin
{
namespace
{
enum EDispid : DISPID
{
    kName = 0x3001,
    kDisplayName = 0x3808,
    kMessageClass = 0x001A,
    kPublishForm = 0x006B
};
// OlFormRegistry values.
constexpr LONG kPersonalRegistry = 2;
constexpr LONG kFolderRegistry = 3;
constexpr const char* kDefinitionClass = "IPM.Microsoft.FolderDesign.FormsDescription";
constexpr IID kIidMapiFolder = {0x0002030C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class CFormDescription final : public CDispatchObject
{
  public:
    CFormDescription(CHostServices& p_oServices, std::string p_sMessageClass)
        : CDispatchObject({{L"Name", kName, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, 0},
                           {L"DisplayName", kDisplayName, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, 0},
                           {L"MessageClass", kMessageClass, DISPATCH_PROPERTYGET, 0},
                           {L"PublishForm", kPublishForm, DISPATCH_METHOD, 2, 1}}),
          m_oServices(p_oServices), m_sMessageClass(std::move(p_sMessageClass))
    {
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override
    {
        if (p_id == kName)
            return ReturnText(p_oResult, m_sName);
        if (p_id == kDisplayName)
            return ReturnText(p_oResult, m_sDisplayName);
        if (p_id == kMessageClass)
            return ReturnText(p_oResult, m_sMessageClass);
        LONG registry = 0;
        if (!ArgLong(p_vArgs[0], registry))
            return DISP_E_TYPEMISMATCH;
        // A form is published under its name; the folder registry needs the folder.
        CEntryId folder;
        if (m_sName.empty() || (registry != kPersonalRegistry && registry != kFolderRegistry) ||
            (registry == kFolderRegistry &&
             (IsMissing(p_vArgs[1]) || p_vArgs[1]->vt != VT_DISPATCH || !FolderOfObject(p_vArgs[1]->pdispVal, folder))))
            return E_INVALIDARG;
        return Publish(folder);
    }
    HRESULT Put(DISPID p_id, const VARIANT& p_oValue) override
    {
        return ArgAnsi(&p_oValue, p_id == kName ? m_sName : m_sDisplayName) ? S_OK : DISP_E_TYPEMISMATCH;
    }

  private:
    // Writes the definition into the folder's associated contents (the store's root folder when p_oFolder
    // is empty), replacing none: a form published twice has two definitions, as the client leaves them.
    HRESULT Publish(const CEntryId& p_oFolder)
    {
        CMapiProfile* profile = m_oServices.m_p_oProfile;
        if (profile == nullptr || !profile->IsStarted())
            return E_FAIL;
        com_ptr<IMAPIFolder> folder;
        if (p_oFolder.empty())
        {
            ULONG type = 0;
            RETURN_IF_FAILED(profile->Store()->OpenEntry(0, nullptr, nullptr, MAPI_MODIFY, &type,
                                                         reinterpret_cast<LPUNKNOWN*>(folder.put())));
        }
        else
            folder = profile->OpenEntry(p_oFolder).query<IMAPIFolder>(kIidMapiFolder);
        if (!folder)
            return MAPI_E_NOT_FOUND;
        com_ptr<IMessage> message;
        RETURN_IF_FAILED(folder->CreateMessage(nullptr, MAPI_ASSOCIATED, message.put()));
        const std::string displayName = m_sDisplayName.empty() ? m_sName : m_sDisplayName;
        SPropValue props[3]{};
        props[0].ulPropTag = PR_MESSAGE_CLASS_A;
        props[0].Value.lpszA = const_cast<char*>(kDefinitionClass);
        props[1].ulPropTag = PR_DISPLAY_NAME_A;
        props[1].Value.lpszA = const_cast<char*>(m_sName.c_str());
        props[2].ulPropTag = PR_SUBJECT_A;
        props[2].Value.lpszA = const_cast<char*>(displayName.c_str());
        RETURN_IF_FAILED(message->SetProps(3, props, nullptr));
        return LOG_IF_FAILED(message->SaveChanges(0));
    }

    CHostServices& m_oServices;
    std::string m_sMessageClass;
    std::string m_sName;
    std::string m_sDisplayName;
};
} // namespace

com_ptr<IDispatch> CreateFormDescription(CHostServices& p_oServices, const std::string& p_sMessageClass)
{
    com_ptr<IDispatch> form;
    form.attach(new CFormDescription(p_oServices, p_sMessageClass));
    return form;
}
} // namespace olstandin
