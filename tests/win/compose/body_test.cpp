// tests/win/compose/body_test.cpp: the SMS body field under wine64: the character filter, paste
// clean-up, .sms files with tokens, damaged files, file kinds by extension, and the compose
// window's count in the status bar with a picture of a body holding two tokens.
#include "common/text_win.h"
#include "compose/fields/quillet_field_win.h"
#include "compose/fields/token_stream.h"
#include "compose/quillet_object_win.h"
#include "compose/ui/sms_window.h"
#include "tests/win/compose/compose_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <fstream>

using namespace std::chrono_literals;

namespace
{
std::string TempPath(const std::string& p_sName)
{
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "body_test_" + std::to_string(GetCurrentProcessId()) + "_" + p_sName;
}

void WriteFileBytes(const std::string& p_sPath, const std::string& p_sBytes)
{
    std::ofstream file(p_sPath, std::ios::binary | std::ios::trunc);
    file.write(p_sBytes.data(), static_cast<std::streamsize>(p_sBytes.size()));
}

bool PutClipboard(UINT p_uFormat, const void* p_pData, size_t p_nSize)
{
    const CClipboardGuard clipboard(nullptr);
    if (!clipboard.IsOpen())
        return false;
    EmptyClipboard();
    unique_hglobal global(GlobalAlloc(GMEM_MOVEABLE, p_nSize));
    memcpy(GlobalLock(global.get()), p_pData, p_nSize);
    GlobalUnlock(global.get());
    if (SetClipboardData(p_uFormat, global.get()) == nullptr)
        return false;
    // The clipboard owns it now.
    (void)global.release();
    return true;
}

std::wstring ClipboardUnicode()
{
    std::wstring text;
    if (!ReadClipboardText(nullptr, text))
        text.clear();
    return text;
}

// A body field in a window of the test's own thread.
class BodyField : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        OleInitialize(nullptr);
        LoadLibraryA("RichEd20.Dll");
        m_hParent = CreateWindowExA(0, "STATIC", "body", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_hParent, nullptr);
        ASSERT_TRUE(m_oField.Create(m_hParent, kIdBodyField, WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN, 0,
                                    nullptr, std::string()));
        SendMessageA(m_oField.Handle(), EM_LIMITTEXT, 1529, 0);
    }
    void TearDown() override
    {
        m_oField.Destroy();
        DestroyWindow(m_hParent);
        OleUninitialize();
    }
    std::vector<compose::CBodyToken> Tokens()
    {
        std::string body;
        std::vector<compose::CBodyToken> tokens;
        EXPECT_TRUE(m_oField.GetBodyAndTokens(body, tokens));
        return tokens;
    }
    std::string Body()
    {
        std::string body;
        std::vector<compose::CBodyToken> tokens;
        EXPECT_TRUE(m_oField.GetBodyAndTokens(body, tokens));
        return body;
    }

    CBoxRecorder m_oBoxes;
    HWND m_hParent = nullptr;
    CQuilletField m_oField;
};
} // namespace

TEST_F(BodyField, TypingKeepsOnlyWhatAnSMSCarries)
{
    const struct
    {
        WPARAM m_cTyped;
        const char* m_szAfter;
    } cases[] = {{'a', "a"}, {'`', "a"}, {'\t', "a"}, {0x16, "a"}, {0x80, "a\x80"}, {0xE4, "a\x80\xE4"}};
    for (const auto& c : cases)
    {
        SendMessageA(m_oField.Handle(), WM_CHAR, c.m_cTyped, 0);
        EXPECT_EQ(Body(), c.m_szAfter) << std::hex << c.m_cTyped;
    }
    // The euro sign counts two.
    const CBodyCount count = m_oField.Count();
    EXPECT_EQ(count.m_iRemaining, 156);
}

TEST_F(BodyField, PasteReplacesWhatAnSMSCannotCarryInTheBodyAndOnTheClipboard)
{
    const std::wstring text = L"Gr\x00FC\x00DF \x00E4 \x263A!";
    ASSERT_TRUE(PutClipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
    SendMessageA(m_oField.Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(Body(), "Gr\xFC\xDF \xE4 ?!");
    EXPECT_EQ(ClipboardUnicode(), L"Gr\x00FC\x00DF \x00E4 ?!");
}

TEST_F(BodyField, SavedTokensReloadAtTheirPositionsAndCopyPasteKeepsThem)
{
    m_oField.SetText("Dear , you owe \r\nThanks");
    m_oField.SetSelection(5, 5);
    ASSERT_TRUE(m_oField.InsertToken("First Name"));
    m_oField.SetSelection(16, 16);
    ASSERT_TRUE(m_oField.InsertToken("Amount"));
    const std::string before = Body();
    EXPECT_EQ(before, "Dear \x01, you owe \x01\nThanks");
    EXPECT_EQ(m_oField.GetPlainText(), "Dear <<First Name>>, you owe <<Amount>>\nThanks");
    for (const char* name : {"saved.sms", "SAVED.SMS"})
    {
        const std::string path = TempPath(name);
        ASSERT_TRUE(m_oField.SaveToFile(path, m_hParent));
        m_oField.SetText("something else");
        ASSERT_TRUE(m_oField.LoadFromFile(path, m_hParent)) << name;
        EXPECT_EQ(Body(), before) << name;
        const auto tokens = Tokens();
        ASSERT_EQ(tokens.size(), 2u) << name;
        EXPECT_EQ(tokens[0].m_sName, "First Name");
        EXPECT_EQ(tokens[0].m_iPosition, 5);
        EXPECT_EQ(tokens[1].m_sName, "Amount");
        EXPECT_EQ(tokens[1].m_iPosition, 16);
        DeleteFileA(path.c_str());
    }
    // Copy and paste through the clipboard's own format: the tokens come with the text.
    m_oField.SetSelection(0, -1);
    SendMessageA(m_oField.Handle(), WM_COPY, 0, 0);
    m_oField.SetText("");
    SendMessageA(m_oField.Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(Body(), before);
    EXPECT_EQ(Tokens().size(), 2u);
    EXPECT_TRUE(m_oBoxes.Seen().empty());
}

TEST_F(BodyField, FileKindFollowsTheExtensionAndDamagedFilesLoseNothing)
{
    compose::CTokenStream stream;
    stream.m_sText = "Hi \x01";
    stream.m_vTokens = {{"Mobile", 3}};
    const std::string serialised = compose::WriteTokenStream(stream);
    const std::string sms = TempPath("kind.SMS");
    const std::string txt = TempPath("kind.txt");
    const std::string doc = TempPath("kind.doc");
    WriteFileBytes(sms, serialised);
    WriteFileBytes(txt, "plain\r\ntext");
    WriteFileBytes(doc, serialised);
    ASSERT_TRUE(m_oField.LoadFromFile(sms, m_hParent));
    EXPECT_EQ(m_oField.GetPlainText(), "Hi <<Mobile>>");
    ASSERT_TRUE(m_oField.LoadFromFile(txt, m_hParent));
    EXPECT_EQ(Body(), "plain\ntext");
    EXPECT_TRUE(Tokens().empty());
    // The same bytes under another extension are text, not tokens.
    ASSERT_TRUE(m_oField.LoadFromFile(doc, m_hParent));
    EXPECT_TRUE(Tokens().empty());
    EXPECT_TRUE(m_oBoxes.Seen().empty());

    // A text length past the end of the file: the box, and the body stays.
    m_oField.SetText("keep me");
    const std::string corrupt = TempPath("corrupt.sms");
    WriteFileBytes(corrupt, std::string("\xFF\x00\x00\x00Hi", 6));
    EXPECT_FALSE(m_oField.LoadFromFile(corrupt, m_hParent));
    const auto seen = m_oBoxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].m_sCaption, "File corrupt");
    EXPECT_EQ(seen[0].m_sText, "The file is corrupt. Please load a text file, or a file saved in Brevolt SMS.");
    EXPECT_EQ(Body(), "keep me");
    // An empty file fails without a word.
    const std::string empty = TempPath("empty.sms");
    WriteFileBytes(empty, "");
    m_oBoxes.Clear();
    EXPECT_FALSE(m_oField.LoadFromFile(empty, m_hParent));
    EXPECT_TRUE(m_oBoxes.Seen().empty());
    // A file that cannot be written: the write error box with the path.
    const std::string unwritable = TempPath("no_such_dir\\x.sms");
    EXPECT_FALSE(m_oField.SaveToFile(unwritable, m_hParent));
    ASSERT_EQ(m_oBoxes.Seen().size(), 1u);
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sCaption, "File write error");
    EXPECT_NE(m_oBoxes.Seen()[0].m_sText.find(unwritable), std::string::npos);
    for (const std::string& path : {sms, txt, doc, corrupt, empty})
        DeleteFileA(path.c_str());
}

TEST_F(BodyField, AvailableMarkFollowsTheNames)
{
    ASSERT_TRUE(m_oField.InsertToken("First Name"));
    ASSERT_TRUE(m_oField.InsertToken("Mobile"));
    m_oField.SetAvailableTokens({"Mobile"});
    std::vector<CFieldObject> objects;
    ASSERT_TRUE(m_oField.Objects(0, -1, objects));
    ASSERT_EQ(objects.size(), 2u);
    // Two objects count nothing.
    EXPECT_EQ(m_oField.Count().m_iRemaining, 160);
}

namespace
{
class ComposeBody : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_pQuillet.attach(new CQuillet());
        ASSERT_EQ(m_pQuillet->Init(1, 0, nullptr, nullptr,
                                   static_cast<LONG>(reinterpret_cast<LONG_PTR>(m_oOpener.Handle())), 0, 1),
                  S_OK);
    }
    void TearDown() override
    {
        m_oBoxes.SetAnswer(IDNO);
        for (HWND window : m_oOpener.m_vRegistered)
            if (IsWindow(window))
                PostMessageA(window, WM_SMS_FORCECLOSE, 0, 0);
        PumpUntil(
            [&] {
                for (HWND window : m_oOpener.m_vRegistered)
                    if (IsWindow(window))
                        return false;
                return true;
            },
            10s);
        PumpUntil([&] { return m_oOpener.m_iCount == 0; }, 2s);
        m_pQuillet.reset();
    }
    HWND Open(const wchar_t* p_wszBody)
    {
        const unique_bstr body(SysAllocString(p_wszBody));
        const HRESULT hr = m_pQuillet->CreateNewSMS(static_cast<LONG>(reinterpret_cast<LONG_PTR>(m_oOpener.Handle())),
                                                    nullptr, body.get());
        if (hr != S_OK || !PumpUntil([&] { return !m_oOpener.m_vRegistered.empty(); }, 10s))
            return nullptr;
        HWND window = m_oOpener.m_vRegistered.back();
        PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 10s);
        return window;
    }
    static std::string StatusPart(HWND p_hWindow, int p_iPart)
    {
        HWND status = FindDescendant(p_hWindow, kIdStatusBar);
        char text[256] = {};
        SendMessageA(status, SB_GETTEXTA, static_cast<WPARAM>(p_iPart), reinterpret_cast<LPARAM>(text));
        return text;
    }

    CBoxRecorder m_oBoxes;
    COpener m_oOpener;
    com_ptr<CQuillet> m_pQuillet;
};
} // namespace

TEST_F(ComposeBody, StatusBarCountsPartsAndShowsTokens)
{
    HWND window = Open(std::wstring(160, L'a').c_str());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(StatusPart(window, 1), "0 characters remaining to send as 1 SMS message(s)");
    HWND body = FindDescendant(window, kIdBodyField);
    SendMessageA(body, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    SendMessageA(body, WM_CHAR, 'a', 0);
    EXPECT_EQ(StatusPart(window, 1), "145 characters remaining to send as 2 SMS message(s)");
    EXPECT_EQ(StatusPart(window, 0), "Single SMS\t\t INS");
    SendMessageA(body, WM_KEYDOWN, VK_INSERT, 0);
    PumpUntil([&] { return StatusPart(window, 0).find("OVR") != std::string::npos; }, 2s);
    EXPECT_EQ(StatusPart(window, 0), "Single SMS\t\t OVR");

    // Two tokens pasted in the body's own format: drawn in the body, and the send turns bulk.
    compose::CTokenStream stream;
    stream.m_sText = "Dear \x01, your number \x01 is now active.";
    stream.m_vTokens = {{"First Name", 5}, {"Mobile", 20}};
    const std::string serialised = compose::WriteTokenStream(stream);
    SetWindowTextA(body, "");
    ASSERT_TRUE(PutClipboard(RegisterClipboardFormatA("MessageToken"), serialised.data(), serialised.size()));
    SendMessageA(body, WM_PASTE, 0, 0);
    EXPECT_EQ(StatusPart(window, 0), "Bulk SMS\t\t OVR");
    // 36 characters, two of them tokens that count nothing.
    EXPECT_EQ(StatusPart(window, 1), "126 characters remaining to send as 1 SMS message(s)");
    MoveWindow(window, 20, 20, 640, 360, TRUE);
    PumpUntil([] { return false; }, 700ms);
    EXPECT_TRUE(SaveWindowShot(window, "compose_body_tokens.bmp"));
}
