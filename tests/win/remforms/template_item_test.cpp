// tests/win/remforms/template_item_test.cpp: the client stand-in's CreateItemFromTemplate and item Save
// as the forms code and other callers use them: where a saved item lands and what it carries.
#include "tests/win/remforms/forms_test_support.h"

#include <algorithm>

using namespace formstest;

namespace
{
// A late-bound call; arguments in call order. The result is cleared by the caller.
HRESULT Call(IDispatch* p_pObject, const wchar_t* p_pszName, WORD p_wFlags, std::vector<VARIANT> p_vArgs,
             VARIANT* p_pResult)
{
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(p_pszName);
    HRESULT hr = p_pObject->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    std::reverse(p_vArgs.begin(), p_vArgs.end());
    DISPPARAMS params{p_vArgs.data(), nullptr, static_cast<UINT>(p_vArgs.size()), 0};
    DISPID put = DISPID_PROPERTYPUT;
    if (p_wFlags == DISPATCH_PROPERTYPUT)
    {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    hr = p_pObject->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, p_wFlags, &params, p_pResult, nullptr, nullptr);
    for (VARIANT& arg : p_vArgs)
        (void)VariantClear(&arg);
    return hr;
}

VARIANT Text(const std::wstring& p_sText)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(p_sText.c_str());
    return value;
}

VARIANT Long(LONG p_lValue)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = p_lValue;
    return value;
}

std::wstring Hex(const std::vector<BYTE>& p_vBytes)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (const BYTE b : p_vBytes)
    {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 15]);
    }
    return text;
}

std::wstring Template(const char* p_szFile)
{
    const std::string path = std::string(OFT_DIR) + "\\" + p_szFile;
    return std::wstring(path.begin(), path.end());
}
} // namespace

TEST_F(SMSForms, TemplateItemsAreSavedWithTheTemplatesFlagsWhereTheyAreAsked)
{
    IDispatch* application = m_oThread.Dispatch();
    VARIANT space;
    VariantInit(&space);
    ASSERT_EQ(Call(application, L"GetNamespace", DISPATCH_METHOD, {Text(L"MAPI")}, &space), S_OK);
    VARIANT team;
    VariantInit(&team);
    ASSERT_EQ(Call(space.pdispVal, L"GetFolderFromID", DISPATCH_METHOD, {Text(Hex(FolderId("Team Calendar")))}, &team),
              S_OK);

    VARIANT folderArg;
    VariantInit(&folderArg);
    folderArg.vt = VT_DISPATCH;
    folderArg.pdispVal = team.pdispVal;
    team.pdispVal->AddRef();
    VARIANT item;
    VariantInit(&item);
    ASSERT_EQ(Call(application, L"CreateItemFromTemplate", DISPATCH_METHOD,
                   {Text(Template("AppointmentYesRemindYesAttendee.oft")), folderArg}, &item),
              S_OK);
    ASSERT_EQ(item.vt, VT_DISPATCH);
    VARIANT unsavedId;
    VariantInit(&unsavedId);
    EXPECT_EQ(Call(item.pdispVal, L"EntryID", DISPATCH_PROPERTYGET, {}, &unsavedId), S_OK);
    EXPECT_EQ(SysStringLen(unsavedId.bstrVal), 0u) << "an unsaved item has no entry id";
    EXPECT_EQ(Call(item.pdispVal, L"Subject", DISPATCH_PROPERTYPUT, {Text(L"From template")}, nullptr), S_OK);
    EXPECT_TRUE(Items("Team Calendar").size() == 1) << "nothing is written before Save";
    ASSERT_EQ(Call(item.pdispVal, L"Save", DISPATCH_METHOD, {}, nullptr), S_OK);
    VARIANT savedId;
    VariantInit(&savedId);
    EXPECT_EQ(Call(item.pdispVal, L"EntryID", DISPATCH_PROPERTYGET, {}, &savedId), S_OK);
    EXPECT_EQ(std::wstring(savedId.bstrVal), Hex(ItemId("Team Calendar", "From template")));
    const CItemState saved = Item("Team Calendar", "From template");
    EXPECT_EQ(saved.m_sClass, "IPM.Appointment.SMSAppointmentFormRemYesAttYes");
    EXPECT_EQ(saved.m_obMustSend, true);
    EXPECT_EQ(saved.m_obAttendees, true);

    // Without a folder the item goes to the default folder of its kind; Close(olSave) saves it.
    VARIANT task;
    VariantInit(&task);
    ASSERT_EQ(
        Call(application, L"CreateItemFromTemplate", DISPATCH_METHOD, {Text(Template("TaskNoRemind.oft"))}, &task),
        S_OK);
    EXPECT_EQ(Call(task.pdispVal, L"Subject", DISPATCH_PROPERTYPUT, {Text(L"Template task")}, nullptr), S_OK);
    ASSERT_EQ(Call(task.pdispVal, L"Close", DISPATCH_METHOD, {Long(0)}, nullptr), S_OK);
    EXPECT_EQ(Item("Tasks", "Template task").m_sClass, "IPM.Task.SMSTaskFormRemNo");
    EXPECT_EQ(Item("Tasks", "Template task").m_obMustSend, false);

    VARIANT none;
    VariantInit(&none);
    EXPECT_EQ(Call(application, L"CreateItemFromTemplate", DISPATCH_METHOD, {Text(Template("missing.oft"))}, &none),
              STG_E_FILENOTFOUND);
    const std::string seed = FORMS_SEED_FILE;
    EXPECT_EQ(Call(application, L"CreateItemFromTemplate", DISPATCH_METHOD,
                   {Text(std::wstring(seed.begin(), seed.end()))}, &none),
              STG_E_INVALIDHEADER)
        << "a file that is not a message file";
    for (VARIANT* value : {&space, &team, &item, &unsavedId, &savedId, &task, &none})
        (void)VariantClear(value);
}
