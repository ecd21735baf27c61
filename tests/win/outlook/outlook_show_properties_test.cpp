// tests/win/outlook/outlook_show_properties_test.cpp: the core library's properties of a contact in an
// Outlook 97 session, end to end against the 97 client: ShowProperties goes through the client's object
// model (GetNamespace, GetItemFromID, Display(True)), the contact's inspector opens modal in the client,
// and the call returns once it is closed.
#include "tests/win/corvane/corvane_test_support.h"
#include "tests/win/outlook/outlook_test_support.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <atomic>
#include <thread>

namespace
{
constexpr int kOutlook97 = 1;

class OutlookShowPropertiesTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        oltest::PrepareMachine();
        ASSERT_EQ(oltest::RunAndWait(std::string("\"") + OUTLOOK80_EXE + "\" /regserver"), 0);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override
    {
        CoUninitialize();
        oltest::ForgetExtensions();
    }
    // Taken back after TearDown, so the suites after this one find no client registered.
    oltest::CClientRegistrationRestore m_oRegistration;
};

// The raw bytes of the hexadecimal entry id the object model gives.
std::vector<uint8_t> Bytes(const std::string& p_sHex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < p_sHex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(p_sHex.substr(i, 2), nullptr, 16)));
    return bytes;
}

TEST_F(OutlookShowPropertiesTest, AContactOfANinetySevenSessionOpensModalInTheClientAndTheCallReturnsOnClose)
{
    // The library loads first: it points the MAPI stand-in at its own copy of the client's seed, which
    // the client started next opens as well.
    CCorvane& corvane = CCorvane::Get();
    ASSERT_NE(corvane.Module(), nullptr);
    oltest::COutlookRun run(OUTLOOK80_EXE);
    ASSERT_TRUE(run.Started());
    com_ptr<IDispatch> application = oltest::ConnectToApplication();
    ASSERT_TRUE(application);
    oltest::CDispResult space = oltest::CallByName(application.get(), L"GetNamespace", {oltest::TextArg(L"MAPI")});
    oltest::CDispResult contacts = oltest::CallByName(space.Object(), L"GetDefaultFolder", {oltest::LongArg(10)});
    oltest::CDispResult items = oltest::CallByName(contacts.Object(), L"Items");
    oltest::CDispResult contact = oltest::CallByName(items.Object(), L"Item", {oltest::LongArg(1)});
    const std::vector<uint8_t> entryId = Bytes(oltest::CallByName(contact.Object(), L"EntryID").Text());
    ASSERT_FALSE(entryId.empty());

    CInitScope init(0, kOutlook97, kCallerFull, nullptr, application.get());
    ASSERT_TRUE(init.Succeeded());
    CMessageRecipient* p_oRecipient = nullptr;
    ASSERT_EQ(corvane.CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, "Dana White", "+447700900123",
                                                        "dana@example.com", "Dana White", EID_TYPE_STORE,
                                                        static_cast<uint32_t>(entryId.size()), entryId.data(),
                                                        kDefaultRecipientOptions, &p_oRecipient),
              1);

    // The user: looks at the contact's form in the client, then closes it.
    std::atomic<bool> closed{false};
    bool explorerDisabled = false;
    std::vector<std::string> shown;
    std::thread user([&] {
        HWND form = nullptr;
        for (int i = 0; i < 300 && form == nullptr; ++i, Sleep(50))
            form = run.FindWindowOf("rctrl_renwnd32", "Dana White - Contact");
        if (form == nullptr)
            return;
        shown = oltest::EditTexts(form);
        explorerDisabled = !IsWindowEnabled(run.FindWindowOf("rctrl_renwnd32", "Inbox - Microsoft Outlook"));
        oltest::SavePicture(form, "olstand_97_contact");
        closed = true;
        (void)run.Command("close-item");
    });
    const auto pfnShowProperties = corvane.Bind<PFN_ShowProperties>(szShowProperties);
    ASSERT_NE(pfnShowProperties, nullptr);
    const int result = pfnShowProperties(p_oRecipient, nullptr);
    const bool closedFirst = closed;
    user.join();
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(closedFirst) << "ShowProperties returned while the contact's form was open";
    EXPECT_TRUE(explorerDisabled) << "the form was not modal";
    for (const char* text : {"Dana White", "Harbour Freight Ltd", "dana@example.com", "+447700900123"})
        EXPECT_NE(std::find(shown.begin(), shown.end(), text), shown.end()) << text;
    ASSERT_NE(p_oRecipient->m_szName, nullptr);
    EXPECT_STREQ(p_oRecipient->m_szName, "Dana White") << "read again after the form closed";
    EXPECT_TRUE(oltest::ContainsLine(oltest::ReadLines(run.m_sTrace), "inspector '' closed"));
    EXPECT_EQ(corvane.DeleteMessageRecipient(&p_oRecipient), 1);
    EXPECT_EQ(run.Quit(), 0);
}
} // namespace
