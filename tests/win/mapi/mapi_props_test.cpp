// tests/win/mapi/mapi_props_test.cpp: named properties: ids from names, created on demand, kept
// for the store.
#include "tests/win/mapi/mapi_test_support.h"

using namespace mapitest;

TEST_F(CMapiContract, named_properties_by_name)
{
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    MAPINAMEID name{const_cast<LPGUID>(&PS_PUBLIC_STRINGS), MNID_STRING, {}};
    name.Kind.lpwstrName = const_cast<LPWSTR>(L"BrevoltSMSFlag");
    LPMAPINAMEID pname = &name;
    LPSPropTagArray tags = nullptr;
    ASSERT_EQ(inbox->GetIDsFromNames(1, &pname, 0, &tags), MAPI_W_ERRORS_RETURNED) << "unknown without MAPI_CREATE";
    EXPECT_EQ(tags->aulPropTag[0], ULONG(PROP_TAG(PT_ERROR, 0)));
    g_mapi.m_pfnFree(tags);
    ASSERT_EQ(inbox->GetIDsFromNames(1, &pname, MAPI_CREATE, &tags), S_OK);
    const ULONG id = PROP_ID(tags->aulPropTag[0]);
    EXPECT_GE(id, 0x8000u);
    EXPECT_EQ(PROP_TYPE(tags->aulPropTag[0]), ULONG(PT_UNSPECIFIED));
    LPSPropTagArray again = nullptr;
    ASSERT_EQ(inbox->GetIDsFromNames(1, &pname, 0, &again), S_OK);
    EXPECT_EQ(again->aulPropTag[0], tags->aulPropTag[0]);
    ULONG c = 0;
    LPMAPINAMEID* back = nullptr;
    ASSERT_EQ(inbox->GetNamesFromIDs(&again, nullptr, 0, &c, &back), S_OK);
    ASSERT_EQ(c, 1u);
    EXPECT_EQ(back[0]->ulKind, ULONG(MNID_STRING));
    EXPECT_STREQ(back[0]->Kind.lpwstrName, L"BrevoltSMSFlag");
    EXPECT_TRUE(IsEqualGUID(*back[0]->lpguid, PS_PUBLIC_STRINGS));
    g_mapi.m_pfnFree(back);
    g_mapi.m_pfnFree(again);
    // The named property is stored and read like any other.
    CRelease<IMessage> msg;
    ASSERT_EQ(inbox->CreateMessage(nullptr, 0, &msg), S_OK);
    SPropValue v{};
    v.ulPropTag = PROP_TAG(PT_LONG, id);
    v.Value.l = 42;
    ASSERT_EQ(msg->SetProps(1, &v, nullptr), S_OK);
    LPSPropValue got = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(msg, PROP_TAG(PT_LONG, id), &got), S_OK);
    EXPECT_EQ(got->Value.l, 42);
    g_mapi.m_pfnFree(got);
    g_mapi.m_pfnFree(tags);
}
