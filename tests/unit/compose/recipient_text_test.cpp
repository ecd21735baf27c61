// tests/unit/compose/recipient_text_test.cpp: the recipient fields' text rules: splitting typed text,
// labels and text forms, the layout of a field rewritten from a checked list, the separator and
// completion rules, and the tokens the recipients offer.
#include "compose/fields/recipient_text.h"
#include "tests/unit/messaging/messaging_test_support.h"

#include <gtest/gtest.h>

using namespace compose;
using Texts = std::vector<std::string>;

namespace
{
CMessageRecipient* Make(uint32_t p_dwState, int32_t p_iKind, const char* p_szDisplay, const char* p_szName,
                        const char* p_szEmail, int32_t p_iEntryKind = EID_TYPE_BULK,
                        uint32_t p_dwOptions = kDefaultRecipientOptions)
{
    CMessageRecipient* recipient = nullptr;
    EXPECT_EQ(1, CreateMessageRecipientFromDetails(p_dwState, p_iKind, p_szDisplay, "0825550001", p_szEmail, p_szName,
                                                   p_iEntryKind, 0, nullptr, p_dwOptions, &recipient));
    return recipient;
}

CMessageRecipient* Typed(const char* p_szText)
{
    CMessageRecipient* recipient = nullptr;
    EXPECT_EQ(1, CreateMessageRecipient(p_szText, &recipient));
    return recipient;
}
} // namespace

TEST(RecipientText, SplittingTypedText)
{
    const struct
    {
        const char* m_szText;
        Texts m_vExpected;
    } cases[] = {
        {"Ann;  Bob ;;\r\nCarl", {"Ann", "Bob", "Carl"}},
        {" Bob ; 0821234567;;  ", {"Bob", "0821234567"}},
        {"Ann\nBob\rCarl", {"Ann", "Bob", "Carl"}},
        {"\tAnn\t Lee ", {"Ann Lee"}},
        {"Ann, Bob", {"Ann, Bob"}},
        {" ; \r\n\t;", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitRecipientText(c.m_szText), c.m_vExpected) << c.m_szText;
}

TEST(RecipientText, LabelsAndTextForms)
{
    const struct
    {
        int32_t m_iKind;
        const char* m_szDisplay;
        const char* m_szName;
        const char* m_szEmail;
        const char* m_szLabel;
        const char* m_szQuoted;
        const char* m_szPlain;
    } cases[] = {
        {kKindIndividual, "Ann", "Ann Lee", "ann@example.com", "Ann Lee", "\"Ann Lee\" <ann@example.com>",
         "Ann Lee <ann@example.com>"},
        {kKindIndividual, "Ann", "Ann Lee", "", "Ann Lee", "\"Ann Lee\"", "Ann Lee"},
        {kKindIndividual, "+27825550001", nullptr, nullptr, "+27825550001", "\"+27825550001\"", "+27825550001"},
        {kKindIndividual, "+27825550001", "", "x@example.com", "+27825550001", "\"+27825550001\" <x@example.com>",
         "+27825550001 <x@example.com>"},
        {kKindDistList, "Team", "Team", "team@example.com", "Team", "\"Team\"", "Team"},
        {kKindUnidentified, "bob", nullptr, "bob@example.com", "bob", "\"bob\"", "bob"},
        {kKindIndividual, "", nullptr, "a@example.com", "<No Name>", "\"<No Name>\" <a@example.com>",
         "<No Name> <a@example.com>"},
    };
    for (const auto& c : cases)
    {
        CTestList list;
        const CMessageRecipient& recipient =
            *list.Add(Make(kStateResolved, c.m_iKind, c.m_szDisplay, c.m_szName, c.m_szEmail));
        EXPECT_EQ(RecipientLabel(recipient), c.m_szLabel);
        EXPECT_EQ(RecipientTextForm(recipient, ETextForm::Quoted), c.m_szQuoted);
        EXPECT_EQ(RecipientTextForm(recipient, ETextForm::Plain), c.m_szPlain);
    }
}

TEST(RecipientText, RewriteShowsCheckedRecipientsAsObjectsFirst)
{
    // Display texts name the states.
    CTestList list;
    for (const uint32_t state : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u})
    {
        const std::string text = "s" + std::to_string(state);
        list.Add(Make(state, kKindIndividual, text.c_str(), text.c_str(), nullptr));
    }
    std::string layout;
    for (const CFieldPiece& piece : PlanFieldRewrite(list.Get()))
        layout += (piece.m_bObject ? "[" : "") + std::string(piece.m_p_oRecipient->m_szDisplayText) +
                  (piece.m_bObject ? "]" : "") + (piece.m_bSeparatorAfter ? kSeparator : "");
    EXPECT_EQ(layout, "[s1]; [s4]; [s5]; [s6]; [s8]; [s9]; s0; s2; s3; s7");

    CTestList objects;
    objects.Add(Make(kStateTypedNumber, kKindIndividual, "a", "a", nullptr));
    objects.Add(Make(kStateResolved, kKindIndividual, "b", "b", nullptr));
    const auto pieces = PlanFieldRewrite(objects.Get());
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_TRUE(pieces[0].m_bSeparatorAfter);
    EXPECT_FALSE(pieces[1].m_bSeparatorAfter);
    EXPECT_TRUE(PlanFieldRewrite(nullptr).empty());
}

TEST(RecipientText, SeparatorAndPartialNames)
{
    const struct
    {
        const char* m_szAfter;
        size_t m_nOverlap;
    } overlaps[] = {{"", 0}, {"; Bob", 2}, {";Bob", 1}, {";", 1}, {" ;", 0}, {"Bob", 0}};
    for (const auto& c : overlaps)
        EXPECT_EQ(SeparatorOverlap(c.m_szAfter), c.m_nOverlap) << c.m_szAfter;

    const struct
    {
        const char* m_szText;
        size_t m_nCaret;
        const char* m_szPartial;
    } partials[] = {{"Bo", 2, "Bo"},      {"Ann; Bo", 7, "Bo"}, {"Ann; Bob Sm", 11, "Bob Sm"}, {"Ann; ", 5, ""},
                    {"Ann; Bob", 6, "B"}, {"Ann,Bo", 6, ""},    {"\x01; ann@ex", 9, "ann@ex"}, {"\x01Bo", 3, ""},
                    {"Bo", 10, "Bo"}};
    for (const auto& c : partials)
        EXPECT_EQ(PartialNameBefore(c.m_szText, c.m_nCaret), c.m_szPartial) << c.m_szText;
}

TEST(RecipientText, TokensInOrderOfFirstAppearance)
{
    CTestList to;
    to.Add(Typed("Bob"));                                                                  // unresolved: none
    to.Add(Make(kStateTypedNumber, kKindIndividual, "+27825550001", nullptr, nullptr, 0)); // entry of no book
    to.Add(Make(kStateTypedNumber, kKindIndividual, "+27825550002", nullptr, nullptr, 0));
    CMessageRecipient* typed = to.Get()->m_p_oLast->m_p_oItem;
    delete typed->m_p_oEntry; // as the check makes it: no entry at all
    typed->m_p_oEntry = nullptr;
    to.Add(Make(kStateResolved, kKindIndividual, "Ann", "Ann", nullptr, EID_TYPE_AB));
    CTestList cc;
    CMessageRecipient* bulk = cc.Add(
        Make(kStateListComplete, kKindDistList, "clients", "clients", nullptr, EID_TYPE_BULK, kOptionEmailToken));
    AddDistList(bulk);
    CMessageRecipient* member = CTestList::MakePerson("Bob Stone", "0825550001");
    AddExtraProp(member, "Company", "Brevolt");
    AddExtraProp(member, "Mobile", "again");
    AddExtraProp(member, "City", "Durban");
    AddMessageRecipient(bulk->m_p_mrlMembers, member);
    EXPECT_EQ(CollectTokens(to.Get(), cc.Get()),
              (Texts{"Mobile", "First Name", "Last Name", "Full Name", "Email", "Company", "City"}));
    // The list first: its options choose the name tokens, and the person adds only what is new.
    bulk->m_dwOptions = kOptionNameTokens;
    EXPECT_EQ(CollectTokens(cc.Get(), to.Get()),
              (Texts{"First Name", "Last Name", "Full Name", "Company", "Mobile", "City", "Email"}));
    CTestList unresolved;
    unresolved.Add(Typed("Carl"));
    EXPECT_TRUE(CollectTokens(unresolved.Get(), nullptr).empty());
    EXPECT_TRUE(CollectTokens(nullptr, nullptr).empty());
}
