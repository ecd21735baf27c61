// tests/win/compose/recipient_test.cpp: the To and Cc fields of a real compose window: recipient
// objects through the OLE clipboard, check names turning checked recipients into objects, the comma
// question and the separator keys, and the token list after an imported bulk list.
#include "common/handle_win.h"
#include "common/settings.h"
#include "common/text_win.h"
#include "compose/fields/confirmed_recipient_win.h"
#include "compose/fields/recipient_block.h"
#include "compose/quillet_object_win.h"
#include "compose/res/resource.h"
#include "compose/ui/bars.h"
#include "compose/ui/sms_window.h"
#include "tests/win/compose/compose_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <richole.h>

#include <cstring>

using namespace std::chrono_literals;

namespace
{
constexpr const char* kBrevoltKey = "Software\\Brevolt";
CAddressBookControlObject* g_p_abcoCore = nullptr;

std::string Text(const char* p_szText)
{
    return p_szText == nullptr ? std::string() : std::string(p_szText);
}

std::vector<std::pair<std::string, std::string>> Props(const CMessageRecipient& p_oRecipient)
{
    std::vector<std::pair<std::string, std::string>> props;
    for (auto* node = p_oRecipient.m_p_oExtraProps != nullptr ? p_oRecipient.m_p_oExtraProps->m_p_oFirst : nullptr;
         node != nullptr; node = node->m_p_oNext)
        props.emplace_back(Text(node->m_p_oItem->m_szName), Text(node->m_p_oItem->m_szValue));
    return props;
}

// The rich edit's OLE interface, or empty.
com_ptr<IRichEditOle> OleOf(HWND p_hField)
{
    com_ptr<IRichEditOle> ole;
    if (!SendMessageA(p_hField, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(ole.put())))
        ole.reset();
    return ole;
}

// The recipients embedded in a field, read while its thread waits for messages.
std::vector<const CMessageRecipient*> Embedded(HWND p_hField)
{
    std::vector<const CMessageRecipient*> recipients;
    const com_ptr<IRichEditOle> ole = OleOf(p_hField);
    if (!ole)
        return recipients;
    for (LONG i = 0; i < ole->GetObjectCount(); ++i)
    {
        REOBJECT object{};
        object.cbStruct = sizeof(object);
        const HRESULT hr = ole->GetObject(i, &object, REO_GETOBJ_POLEOBJ);
        com_ptr<IOleObject> embedded;
        embedded.attach(object.poleobj);
        if (FAILED(hr))
            continue;
        const CMessageRecipient* record = nullptr;
        if (const com_ptr<IRecipientObject> recipient = embedded.query<IRecipientObject>(IID_IRecipientObject))
            if (SUCCEEDED(recipient->GetRecipient(&record)))
                recipients.push_back(record);
    }
    return recipients;
}

std::vector<std::string> ComboTexts(HWND p_hCombo)
{
    std::vector<std::string> texts;
    const LRESULT count = SendMessageA(p_hCombo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
    {
        char text[128] = {};
        SendMessageA(p_hCombo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        texts.emplace_back(text);
    }
    return texts;
}

std::string ClipboardText()
{
    std::wstring text;
    if (!ReadClipboardText(nullptr, text))
        return {};
    return WideToAnsi(text);
}

// A stand-in for the address-book check: numbers become typed numbers, every other text finds no
// match. The lists are rebuilt through the core, as the core's own check replaces what it changes.
int CORVANE_API FakeCheck(HWND, CMessageRecipientList** p_pp_mrlTo, CMessageRecipientList** p_pp_mrlCc, int, HWND,
                          int* p_pbExited)
{
    CAddressBookControlObject& core = *g_p_abcoCore;
    for (CMessageRecipientList** list : {p_pp_mrlTo, p_pp_mrlCc})
    {
        CMessageRecipientList* checked = nullptr;
        core.m_pfnCreateMessageRecipientList(&checked);
        for (auto* node = (*list)->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
        {
            const CMessageRecipient& typed = *node->m_p_oItem;
            const std::string text = Text(typed.m_szDisplayText);
            CMessageRecipient* recipient = nullptr;
            if (typed.m_dwState != kStateUnresolved)
                core.m_pfnCopyMessageRecipient(&typed, &recipient);
            else if (!text.empty() && isdigit(static_cast<unsigned char>(text[0])))
                core.m_pfnCreateMessageRecipientFromDetails(kStateTypedNumber, kKindIndividual, text.c_str(),
                                                            text.c_str(), nullptr, nullptr, 0, 0, nullptr, 3,
                                                            &recipient);
            else
                core.m_pfnCreateMessageRecipientFromDetails(kStateNoMatch, kKindUnidentified, text.c_str(), nullptr,
                                                            nullptr, nullptr, 0, 0, nullptr, 3, &recipient);
            core.m_pfnAddMessageRecipient(checked, recipient);
        }
        core.m_pfnDeleteMessageRecipientList(list);
        *list = checked;
    }
    *p_pbExited = 0;
    return 1;
}

class RecipientField : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        CRegistry registry;
        ASSERT_TRUE(registry.SetSendDefaults(kSendDefaultsAbsent, ""));
        DeleteRegValue(HKEY_CURRENT_USER, kBrevoltKey, "CommaPromptNotAgain");
        m_pQuillet.attach(new CQuillet());
        ASSERT_EQ(m_pQuillet->Init(1, 0, nullptr, nullptr,
                                   static_cast<LONG>(reinterpret_cast<LONG_PTR>(m_oOpener.Handle())), 0, 1),
                  S_OK);
        g_p_abcoCore = m_pQuillet->Binding();
        g_p_abcoCore->m_pfnCheck = &FakeCheck;
    }

    void TearDown() override
    {
        DeleteRegValue(HKEY_CURRENT_USER, kBrevoltKey, "CommaPromptNotAgain");
        m_oBoxes.SetAnswer(IDNO);
        EXPECT_TRUE(CloseOpenedWindows(m_oOpener));
        m_pQuillet.reset();
        g_p_abcoCore = nullptr;
    }

    HWND Open()
    {
        const unique_bstr body(SysAllocString(L"Hello"));
        return OpenComposeWindow(*m_pQuillet.get(), m_oOpener, nullptr, body.get());
    }

    CMessageRecipient* Make(uint32_t p_dwState, int32_t p_iKind, const char* p_szName, const char* p_szMobile,
                            const char* p_szEmail, int32_t p_iEntryKind, const std::string& p_sEntry)
    {
        CMessageRecipient* recipient = nullptr;
        EXPECT_EQ(1, g_p_abcoCore->m_pfnCreateMessageRecipientFromDetails(
                         p_dwState, p_iKind, p_szName, p_szMobile, p_szEmail, p_szName, p_iEntryKind,
                         static_cast<uint32_t>(p_sEntry.size()), reinterpret_cast<const uint8_t*>(p_sEntry.data()),
                         kDefaultRecipientOptions, &recipient));
        m_vMade.push_back(recipient);
        return recipient;
    }

    // Puts the recipients on the clipboard as another program would: the plain clipboard, in the
    // "SMSRecip" format only.
    void PutOnClipboard(const std::vector<CMessageRecipient*>& p_vRecipients)
    {
        std::string blocks;
        for (const CMessageRecipient* recipient : p_vRecipients)
            compose::WriteRecipientBlock(*recipient, blocks);
        unique_hglobal memory(GlobalAlloc(GMEM_MOVEABLE, blocks.size()));
        ASSERT_NE(memory.get(), nullptr);
        std::memcpy(GlobalLock(memory.get()), blocks.data(), blocks.size());
        GlobalUnlock(memory.get());
        ASSERT_TRUE(PumpUntil([] { return OpenClipboard(nullptr) != FALSE; }, 3s));
        EmptyClipboard();
        EXPECT_NE(SetClipboardData(RecipientClipboardFormat(), memory.get()), nullptr);
        // The clipboard owns the memory once it took it.
        if (GetClipboardData(RecipientClipboardFormat()) == memory.get())
            (void)memory.release();
        CloseClipboard();
    }

    // Pastes the recipients into p_hField as a user would after another program copied them.
    void PasteRecipients(HWND p_hWindow, HWND p_hField, const std::vector<CMessageRecipient*>& p_vRecipients)
    {
        PutOnClipboard(p_vRecipients);
        SendMessageA(p_hField, WM_PASTE, 0, 0);
        Settle(p_hWindow);
    }

    void Settle(HWND p_hWindow)
    {
        // The window reads its fields back after posted messages: let them run.
        PumpUntil([] { return false; }, 150ms);
        SendMessageTimeoutA(p_hWindow, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    }

    void FreeMade()
    {
        for (CMessageRecipient*& recipient : m_vMade)
            g_p_abcoCore->m_pfnDeleteMessageRecipient(&recipient);
        m_vMade.clear();
    }

    CBoxRecorder m_oBoxes;
    COpener m_oOpener;
    com_ptr<CQuillet> m_pQuillet;
    std::vector<CMessageRecipient*> m_vMade;
};

} // namespace

TEST_F(RecipientField, TokensOfTheRecipientsGoIntoTheBodyAtTheCaretAndCountForNothing)
{
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    HWND to = FindDescendant(window, kIdToField);
    HWND body = FindDescendant(window, kIdBodyField);
    HWND tokens = FindDescendant(window, kIdTokenList);
    CMessageRecipient* ann = Make(kStateResolved, kKindIndividual, "Ann Lee", "+27 82 555 1234", "ann@example.com",
                                  EID_TYPE_AB, std::string("\x01\x02", 2));
    CMessageRecipient* typed =
        Make(kStateTypedNumber, kKindIndividual, "+27825550002", "+27825550002", nullptr, 0, std::string());
    PasteRecipients(window, to, {ann, typed});
    ASSERT_EQ(Embedded(to).size(), 2u);

    // Pick a token in the bulk bar's list and press Insert: it lands at the body's caret.
    const std::string text = "Hi , your mobile  is on file.";
    SetWindowTextA(body, text.c_str());
    const auto insert = [&](long p_iAt, const char* p_szToken) {
        SendMessageA(body, EM_SETSEL, p_iAt, p_iAt);
        const LRESULT index =
            SendMessageA(tokens, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(p_szToken));
        ASSERT_GE(index, 0) << p_szToken;
        SendMessageA(tokens, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(kIdInsertToken, BN_CLICKED), 0);
        Settle(window);
    };
    insert(3, "First Name");
    insert(18, "Mobile");
    com_ptr<IRichEditOle> ole;
    ASSERT_TRUE(SendMessageA(body, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(ole.put())));
    EXPECT_EQ(ole->GetObjectCount(), 2);
    ole.reset();

    // The two objects count for nothing: only the typed characters are left to pay for.
    char count[128] = {};
    SendMessageA(FindDescendant(window, kIdStatusBar), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(count));
    EXPECT_EQ(std::string(count),
              std::to_string(160 - text.size()) + " characters remaining to send as 1 SMS message(s)");

    MoveWindow(window, 20, 20, 700, 360, TRUE);
    PumpUntil([] { return false; }, 500ms);
    EXPECT_TRUE(SaveWindowShot(window, "compose_tokens_and_recipients.bmp"));
    FreeMade();
}

TEST_F(RecipientField, CompressShortensTheBodyAndPutsItsTokensBackWhereTheyBelong)
{
    ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "DictFile", SMS_DICTIONARY_PATH));
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    HWND to = FindDescendant(window, kIdToField);
    HWND body = FindDescendant(window, kIdBodyField);
    Make(kStateTypedNumber, kKindIndividual, "+27825550002", "+27825550002", nullptr, 0, std::string());
    PasteRecipients(window, to, m_vMade);
    SetWindowTextA(body, "see you tomorrow,  please");
    SendMessageA(body, EM_SETSEL, 18, 18);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(kIdInsertToken, BN_CLICKED), 0);
    Settle(window);

    // Tools > Compress opens the core's dialog over the window; the user picks whitespace and
    // dictionary and presses OK.
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(ID_TOOLS_COMPRESS, 0), 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (dialog = FindOwnWindow("Compress Message Body")) != nullptr; }, 10s));
    HWND slider = FindWindowExA(dialog, nullptr, TRACKBAR_CLASSA, nullptr);
    ASSERT_NE(slider, nullptr);
    SendMessageA(slider, TBM_SETPOS, TRUE, 2);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 2), reinterpret_cast<LPARAM>(slider));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 10s));
    Settle(window);

    com_ptr<IRichEditOle> ole;
    ASSERT_TRUE(SendMessageA(body, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(ole.put())));
    ASSERT_EQ(ole->GetObjectCount(), 1);
    REOBJECT object{};
    object.cbStruct = sizeof(object);
    EXPECT_EQ(ole->GetObject(0, &object, REO_GETOBJ_NO_INTERFACES), S_OK);
    ole.reset();
    EXPECT_EQ(object.cp, 11);
    std::string text = TextOf(body);
    ASSERT_EQ(text.size(), 16u) << text;
    text[11] = '#';
    EXPECT_EQ(text, "c u 2moro, # pls");
    FreeMade();
}

TEST_F(RecipientField, ObjectsCopiedFromToArriveInCcAsTheSameRecipients)
{
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    HWND to = FindDescendant(window, kIdToField);
    HWND cc = FindDescendant(window, kIdCcField);
    CMessageRecipient* ann = Make(kStateResolved, kKindIndividual, "Ann Lee", "+27 82 555 1234", "ann@example.com",
                                  EID_TYPE_AB, std::string("\x01\x02\x00\x7F", 4));
    g_p_abcoCore->m_pfnAddExtraProp(ann, "Company", "Brevolt");
    g_p_abcoCore->m_pfnAddExtraProp(ann, "City", "Durban");
    CMessageRecipient* typed =
        Make(kStateTypedNumber, kKindIndividual, "+27825550002", "+27825550002", nullptr, 0, std::string());
    PasteRecipients(window, to, {ann, typed});
    ASSERT_EQ(Embedded(to).size(), 2u);

    MoveWindow(window, 20, 20, 700, 360, TRUE);
    PumpUntil([] { return false; }, 500ms);
    EXPECT_TRUE(SaveWindowShot(window, "recipient_objects.bmp"));

    // Select both and copy them through the field's own Copy; paste into Cc.
    SendMessageA(to, EM_SETSEL, 0, -1);
    SendMessageA(to, WM_COPY, 0, 0);
    EXPECT_EQ(ClipboardText(), "Ann Lee <ann@example.com>; +27825550002");
    SendMessageA(cc, WM_PASTE, 0, 0);
    Settle(window);
    const auto pasted = Embedded(cc);
    ASSERT_EQ(pasted.size(), 2u);
    const CMessageRecipient* originals[] = {ann, typed};
    for (size_t i = 0; i < 2; ++i)
    {
        const CMessageRecipient& before = *originals[i];
        const CMessageRecipient& after = *pasted[i];
        SCOPED_TRACE(Text(before.m_szDisplayText));
        EXPECT_EQ(Text(after.m_szName), Text(before.m_szName));
        EXPECT_EQ(Text(after.m_szEmail), Text(before.m_szEmail));
        EXPECT_EQ(Text(after.m_szMobile), Text(before.m_szMobile));
        EXPECT_EQ(Text(after.m_szDisplayText), Text(before.m_szDisplayText));
        EXPECT_EQ(after.m_dwState, before.m_dwState);
        EXPECT_EQ(after.m_iKind, before.m_iKind);
        EXPECT_EQ(Props(after), Props(before));
        ASSERT_NE(after.m_p_oEntry, nullptr);
        EXPECT_EQ(after.m_p_oEntry->m_dwByteCount, before.m_p_oEntry->m_dwByteCount);
    }
    EXPECT_EQ(0, std::memcmp(pasted[0]->m_p_oEntry->m_p_bBytes, "\x01\x02\x00\x7F", 4));

    // The person comes from an address book: the token list offers the name fields.
    EXPECT_EQ(ComboTexts(FindDescendant(window, kIdTokenList)),
              (std::vector<std::string>{"First Name", "Last Name", "Full Name", "Email", "Mobile"}));

    // Cut takes both out of To and leaves them on the clipboard.
    SendMessageA(to, EM_SETSEL, 0, -1);
    SendMessageA(to, WM_CUT, 0, 0);
    Settle(window);
    EXPECT_TRUE(Embedded(to).empty());
    EXPECT_EQ(TextOf(to), "");
    FreeMade();
}

TEST_F(RecipientField, CheckNamesEmbedsTypedNumbersAndLeavesUnmatchedText)
{
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    HWND to = FindDescendant(window, kIdToField);
    HWND cc = FindDescendant(window, kIdCcField);
    SetWindowTextA(to, "Nobody; 0821234567;; Somebody");
    SetWindowTextA(cc, "0837654321");
    SendMessageA(window, WM_COMMAND, ID_TOOLS_CHECK_NAMES, 0);
    Settle(window);
    const auto objects = Embedded(to);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0]->m_dwState, kStateTypedNumber);
    EXPECT_STREQ(objects[0]->m_szDisplayText, "0821234567");
    // The object's one character, then the unmatched names as typed text.
    const std::string text = TextOf(to);
    ASSERT_EQ(text.size(), 1 + std::strlen("; Nobody; Somebody"));
    EXPECT_EQ(text.substr(1), "; Nobody; Somebody");
    EXPECT_EQ(Embedded(cc).size(), 1u);
    EXPECT_EQ(TextOf(cc).size(), 1u);

    // A second check reads the object back and keeps it as it is.
    SendMessageA(window, WM_COMMAND, ID_TOOLS_CHECK_NAMES, 0);
    Settle(window);
    ASSERT_EQ(Embedded(to).size(), 1u);
    EXPECT_EQ(TextOf(to).substr(1), "; Nobody; Somebody");
}

TEST_F(RecipientField, CommaQuestionAndSeparatorKeys)
{
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    HWND to = FindDescendant(window, kIdToField);
    const char* caption = "Did you mean semi-colon (';') ?";
    const auto answer = [&](bool p_bNotAgain, int p_iButton) {
        PostMessageA(to, WM_CHAR, ',', 0);
        HWND dialog = nullptr;
        if (!PumpUntil([&] { return (dialog = FindOwnWindow(caption)) != nullptr; }, 10s))
            return false;
        if (p_bNotAgain)
            SendMessageA(GetDlgItem(dialog, IDC_COMMA_NOT_AGAIN), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(dialog, p_iButton), BM_CLICK, 0, 0);
        return PumpUntil([&] { return !IsWindow(dialog); }, 5s);
    };
    // "I want a Separator" types a separator, and asks again next time.
    ASSERT_TRUE(answer(false, IDC_COMMA_SEPARATOR));
    Settle(window);
    EXPECT_EQ(TextOf(to), "; ");
    std::string value;
    EXPECT_FALSE(ReadRegText(HKEY_CURRENT_USER, kBrevoltKey, "CommaPromptNotAgain", value));
    // Ticked with "I meant the Comma": the comma is typed, and later commas without asking.
    ASSERT_TRUE(answer(true, IDC_COMMA_COMMA));
    Settle(window);
    EXPECT_EQ(TextOf(to), "; ,");
    ASSERT_TRUE(ReadRegText(HKEY_CURRENT_USER, kBrevoltKey, "CommaPromptNotAgain", value));
    EXPECT_EQ(value, "NotAgain");
    PostMessageA(to, WM_CHAR, ',', 0);
    Settle(window);
    EXPECT_EQ(FindOwnWindow(caption), nullptr);
    EXPECT_EQ(TextOf(to), "; ,,");

    // A semicolon before an existing one replaces it; Enter ends the name; Tab is not typed.
    SetWindowTextA(to, "Ann; Bob");
    SendMessageA(to, EM_SETSEL, 3, 3);
    SendMessageA(to, WM_CHAR, ';', 0);
    EXPECT_EQ(TextOf(to), "Ann; Bob");
    SendMessageA(to, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    SendMessageA(to, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageA(to, WM_CHAR, '\r', 0);
    SendMessageA(to, WM_CHAR, '\t', 0);
    SendMessageA(to, WM_CHAR, 0x16, 0);
    EXPECT_EQ(TextOf(to), "Ann; Bob; ");
}

TEST_F(RecipientField, ABulkListOffersItsColumnsAsTokensAndMakesTheSendBulk)
{
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    HWND to = FindDescendant(window, kIdToField);
    HWND tokens = FindDescendant(window, kIdTokenList);
    EXPECT_EQ(ComboTexts(tokens), (std::vector<std::string>{"No tokens"}));
    CMessageRecipient* list = Make(kStateListComplete, kKindDistList, "clients", nullptr, nullptr, EID_TYPE_BULK,
                                   std::string("C:\\clients.csv\0", 15));
    g_p_abcoCore->m_pfnAddDistList(list);
    for (const char* name : {"Bob Stone", "Carl Mills"})
    {
        CMessageRecipient* member = nullptr;
        g_p_abcoCore->m_pfnCreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, name, "0825550001",
                                                             nullptr, name, EID_TYPE_BULK, 0, nullptr,
                                                             kDefaultRecipientOptions, &member);
        g_p_abcoCore->m_pfnAddExtraProp(member, "Company", "Brevolt");
        g_p_abcoCore->m_pfnAddExtraProp(member, "City", "Durban");
        g_p_abcoCore->m_pfnAddMessageRecipient(list->m_p_mrlMembers, member);
    }
    PasteRecipients(window, to, {list});
    ASSERT_EQ(Embedded(to).size(), 1u);
    EXPECT_EQ(Embedded(to)[0]->m_p_mrlMembers->m_dwCount, 2u);
    EXPECT_EQ(ComboTexts(tokens),
              (std::vector<std::string>{"First Name", "Last Name", "Full Name", "Email", "Company", "City", "Mobile"}));
    EXPECT_EQ(SendMessageA(tokens, CB_GETCURSEL, 0, 0), 0);
    char status[64] = {};
    SendMessageA(FindDescendant(window, kIdStatusBar), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(status));
    EXPECT_EQ(std::string(status).rfind("Bulk SMS", 0), 0u) << status;

    // Emptied again, the list offers nothing.
    SetWindowTextA(to, "");
    Settle(window);
    EXPECT_EQ(ComboTexts(tokens), (std::vector<std::string>{"No tokens"}));
    FreeMade();
}

namespace
{
// The address book knows one name.
int CORVANE_API FakeCompleteText(const char* p_szPrefix, char** p_pszCompletion)
{
    const std::string known = "Bob Stone";
    *p_pszCompletion = nullptr;
    const size_t length = std::strlen(p_szPrefix);
    if (length > known.size() || _strnicmp(known.c_str(), p_szPrefix, length) != 0)
        return 0;
    *p_pszCompletion = _strdup(known.c_str());
    return 1;
}
int CORVANE_API FakeFreeString(char** p_pszText)
{
    free(*p_pszText);
    *p_pszText = nullptr;
    return 1;
}
} // namespace

TEST_F(RecipientField, TypedNamesAreCompletedAfterTheCaretAndSelected)
{
    g_p_abcoCore->m_pfnCompleteText = &FakeCompleteText;
    g_p_abcoCore->m_pfnFreeString = &FakeFreeString;
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    HWND to = FindDescendant(window, kIdToField);
    SetWindowTextA(to, "Ann; ");
    SendMessageA(to, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    for (char c : std::string("bo"))
        SendMessageA(to, WM_CHAR, static_cast<WPARAM>(c), 0);
    Settle(window);
    EXPECT_EQ(TextOf(to), "Ann; bob Stone");
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(to, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 7u);
    EXPECT_EQ(end, 14u);
    // Typing on replaces the suggestion; a name the book does not know is left alone.
    for (char c : std::string("x"))
        SendMessageA(to, WM_CHAR, static_cast<WPARAM>(c), 0);
    Settle(window);
    EXPECT_EQ(TextOf(to), "Ann; box");
}

namespace
{
int32_t g_iImportPosition = 0;
// The wizard's result: one imported list with a column beyond the standard ones.
int CORVANE_API FakeImportRecipients(HWND, CMessageRecipientList** p_pp_mrlList, int32_t* p_piPosition)
{
    CAddressBookControlObject& core = *g_p_abcoCore;
    g_iImportPosition = *p_piPosition;
    const std::string path("C:\\imported.csv", 16);
    CMessageRecipient* list = nullptr;
    core.m_pfnCreateMessageRecipientFromDetails(
        kStateListIncomplete, kKindDistList, "imported", nullptr, nullptr, "imported", EID_TYPE_BULK,
        static_cast<uint32_t>(path.size()), reinterpret_cast<const uint8_t*>(path.data()), kOptionNameTokens, &list);
    core.m_pfnAddDistList(list);
    CMessageRecipient* member = nullptr;
    core.m_pfnCreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, "Dee Ray", "0825550009", nullptr,
                                                "Dee Ray", EID_TYPE_BULK, 0, nullptr, kOptionNameTokens, &member);
    core.m_pfnAddExtraProp(member, "Balance", "12.50");
    core.m_pfnAddMessageRecipient(list->m_p_mrlMembers, member);
    core.m_pfnAddMessageRecipient(*p_pp_mrlList, list);
    return 1;
}
} // namespace

TEST_F(RecipientField, ImportListAddsTheListToToAndRefreshesTheTokens)
{
    g_p_abcoCore->m_pfnImportRecipients = &FakeImportRecipients;
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    HWND to = FindDescendant(window, kIdToField);
    SetWindowTextA(to, "0821234567");
    SetWindowTextA(FindDescendant(window, kIdCcField), "Bob");
    Settle(window);
    g_iImportPosition = 0;
    SendMessageA(window, WM_COMMAND, ID_FILE_IMPORT, 0);
    Settle(window);
    // The typed text was read first and stays text; the list comes first as an object.
    const auto objects = Embedded(to);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_STREQ(objects[0]->m_szName, "imported");
    EXPECT_EQ(TextOf(to).substr(1), "; 0821234567");
    EXPECT_EQ(TextOf(FindDescendant(window, kIdCcField)), "Bob");
    EXPECT_EQ(ComboTexts(FindDescendant(window, kIdTokenList)),
              (std::vector<std::string>{"First Name", "Last Name", "Full Name", "Balance", "Mobile"}));
    // The dialog is placed to the right of the window.
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_GE(static_cast<int>(static_cast<short>(LOWORD(g_iImportPosition))), static_cast<int>(rect.right));
}

TEST_F(RecipientField, PlainTextPastesAsTypedTextAndEachWindowCopiesInTurn)
{
    HWND first = Open();
    HWND second = Open();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(PumpUntil([] { return OpenClipboard(nullptr) != FALSE; }, 3s));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 17);
    std::memcpy(GlobalLock(memory), "Carl; 0821234567", 17);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
    HWND firstTo = FindDescendant(first, kIdToField);
    SendMessageA(firstTo, WM_PASTE, 0, 0);
    Settle(first);
    EXPECT_EQ(TextOf(firstTo), "Carl; 0821234567");
    EXPECT_TRUE(Embedded(firstTo).empty());

    // A copy in one window, then one in another: the clipboard follows the latest.
    SendMessageA(first, WM_COMMAND, ID_TOOLS_CHECK_NAMES, 0);
    Settle(first);
    SendMessageA(firstTo, EM_SETSEL, 0, -1);
    SendMessageA(firstTo, WM_COPY, 0, 0);
    EXPECT_EQ(ClipboardText(), "0821234567; Carl");
    HWND secondTo = FindDescendant(second, kIdToField);
    SetWindowTextA(secondTo, "0837654321");
    SendMessageA(second, WM_COMMAND, ID_TOOLS_CHECK_NAMES, 0);
    Settle(second);
    SendMessageA(secondTo, EM_SETSEL, 0, -1);
    SendMessageA(secondTo, WM_COPY, 0, 0);
    EXPECT_EQ(ClipboardText(), "0837654321");
    HWND firstCc = FindDescendant(first, kIdCcField);
    SendMessageA(firstCc, WM_PASTE, 0, 0);
    Settle(first);
    ASSERT_EQ(Embedded(firstCc).size(), 1u);
    EXPECT_STREQ(Embedded(firstCc)[0]->m_szDisplayText, "0837654321");
}
