// tests/win/plugin/plugin_clipboard_test.cpp: what the command-bar path relies on in the test's own
// process: the user's clipboard saved and put back around a face paste (text, bitmap, a registered
// format; formats that cannot be copied are left out), the button tags mapped back to the
// definition entries that a click runs, and an entry's action that is no command of the plug-in.
#include "outlook/clipboard_keeper_win.h"
#include "outlook/command_invoker_win.h"
#include "outlook/toolbar_definition.h"
#include "tests/win/plugin/plugin_fakes_win.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
constexpr char kText[] = "kept text";
constexpr DWORD kColour = 0x00336699;

bool PutGlobal(UINT p_uFormat, const void* p_pBytes, size_t p_nSize)
{
    unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, p_nSize));
    if (!block)
        return false;
    std::memcpy(GlobalLock(block.get()), p_pBytes, p_nSize);
    GlobalUnlock(block.get());
    if (SetClipboardData(p_uFormat, block.get()) == nullptr)
        return false;
    (void)block.release();
    return true;
}

std::string ReadGlobalText(UINT p_uFormat)
{
    HANDLE data = GetClipboardData(p_uFormat);
    if (data == nullptr)
        return "<none>";
    std::string text(static_cast<const char*>(GlobalLock(data)));
    GlobalUnlock(data);
    return text;
}

DWORD FirstPixel(HBITMAP p_hBitmap)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, -4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    DWORD pixels[16] = {};
    unique_window_dc screen(nullptr);
    if (p_hBitmap == nullptr || GetDIBits(screen.get(), p_hBitmap, 0, 4, pixels, &info, DIB_RGB_COLORS) != 4)
        return 0xFFFFFFFF;
    return pixels[0] & 0xFFFFFF;
}

TEST(ClipboardKeeper, TextBitmapAndRegisteredFormatsSurviveAPasteAndNotKeptOnesAreLeftOut)
{
    const UINT registered = RegisterClipboardFormatA("Brevolt Test Format");
    ASSERT_NE(registered, 0u);
    const DWORD pixels[16] = {kColour, kColour, kColour, kColour, kColour, kColour, kColour, kColour,
                              kColour, kColour, kColour, kColour, kColour, kColour, kColour, kColour};
    {
        ASSERT_TRUE(OpenClipboard(nullptr));
        unique_hbitmap bitmap(CreateBitmap(4, 4, 1, 32, pixels));
        EXPECT_TRUE(EmptyClipboard());
        EXPECT_TRUE(PutGlobal(CF_TEXT, kText, sizeof kText));
        EXPECT_TRUE(PutGlobal(registered, "registered", sizeof "registered"));
        EXPECT_NE(SetClipboardData(CF_BITMAP, bitmap.get()), nullptr);
        (void)bitmap.release();
        CloseClipboard();
    }
    CClipboardKeeper keeper;
    ASSERT_TRUE(keeper.Save(nullptr));
    EXPECT_GE(keeper.Count(), 3u);

    const DWORD face[16] = {};
    unique_hbitmap paste(CreateBitmap(4, 4, 1, 32, face));
    ASSERT_TRUE(PutBitmapOnClipboard(nullptr, paste.get()));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(ReadGlobalText(CF_TEXT), "<none>") << "the paste replaced the user's content";
    EXPECT_EQ(FirstPixel(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))), 0u);
    CloseClipboard();

    keeper.Restore(nullptr);
    EXPECT_EQ(keeper.Count(), 0u) << "the copies belong to the clipboard now";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(ReadGlobalText(CF_TEXT), kText);
    EXPECT_EQ(ReadGlobalText(registered), "registered");
    EXPECT_EQ(FirstPixel(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))), kColour);
    CloseClipboard();
    // A second restore has nothing left to put back and leaves the clipboard alone.
    keeper.Restore(nullptr);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(ReadGlobalText(CF_TEXT), kText);
    CloseClipboard();

    for (const UINT format : {UINT(CF_METAFILEPICT), UINT(CF_PALETTE), UINT(CF_OWNERDISPLAY), UINT(CF_PRIVATEFIRST),
                              UINT(CF_GDIOBJLAST), UINT(CF_DSPMETAFILEPICT)})
        EXPECT_EQ(ClipboardDataOf(format), EClipboardData::NotKept) << format;
    EXPECT_EQ(ClipboardDataOf(CF_DSPBITMAP), EClipboardData::Bitmap);
    EXPECT_EQ(ClipboardDataOf(CF_DSPENHMETAFILE), EClipboardData::EnhMetafile);
    EXPECT_EQ(ClipboardDataOf(CF_HDROP), EClipboardData::Global);
    EXPECT_EQ(ClipboardDataOf(registered), EClipboardData::Global);
}

TEST(ButtonTags, WrittenAndReadBackAndOtherTagsRefused)
{
    uint32_t command = 0;
    uint32_t spare = 0;
    EXPECT_EQ(ButtonTag(2003, 3), "2003 3");
    ASSERT_TRUE(ParseButtonTag(ButtonTag(40027, 9001), command, spare));
    EXPECT_EQ(command, 40027u);
    EXPECT_EQ(spare, 9001u);
    for (const char* tag : {"", "2000", "2000 ", " 2000 1", "2000  1", "2000 1 2", "-1 0", "2000 x", "brevolt-sms-1",
                            "99999999999 1", "2000 1\n"})
        EXPECT_FALSE(ParseButtonTag(tag, command, spare)) << "'" << tag << "'";
}

TEST(ButtonTags, CommandsOfTheToolbarRangeFindTheirEntryChildrenIncluded)
{
    std::vector<CToolbarEntry> entries;
    ASSERT_TRUE(ParseToolbarDefinition("B|ACTION:40027|New SMS|New|1|1|0\n"
                                       "DropDownList||More|More|2|2|2\n"
                                       "C|ACTION:40256|About|About|3|3|0\n"
                                       "C|http://x.example/$$EMAIL|Site|Site|3|3|0\n",
                                       entries));
    const CToolbarEntry* site = EntryOfCommand(entries, kFirstToolbarCommand + 3);
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(site->m_sCaption, "Site");
    ASSERT_NE(EntryOfCommand(entries, kFirstToolbarCommand + 1), nullptr);
    EXPECT_EQ(EntryOfCommand(entries, kFirstToolbarCommand + 1)->m_sCaption, "More");
    EXPECT_EQ(EntryOfCommand(entries, kFirstToolbarCommand + 4), nullptr);
    EXPECT_EQ(EntryOfCommand(entries, 40027), nullptr) << "menu commands are no entries";
    EXPECT_EQ(EntryOfCommand(entries, kFirstToolbarCommand - 1), nullptr);
}

TEST(ButtonTargets, AnActionThatIsNoCommandIsReportedAndRunsNothing)
{
    plugintest::CBoxes boxes;
    CCommandInvoker invoker(nullptr, 5);
    for (const char* target : {"ACTION:99999", "ACTION:0", "ACTION:2001"})
        EXPECT_FALSE(invoker.ExecuteTarget(target, nullptr, nullptr, nullptr)) << target;
    EXPECT_TRUE(invoker.ExecuteTarget("ACTION:40235", nullptr, nullptr, nullptr)) << "the command that does nothing";
    const std::string unknown = "Unknown Action: This is an unknown action. Your resource file is corrupt.";
    EXPECT_EQ(boxes.Seen(), (std::vector<std::string>{unknown, unknown, unknown}));
}
} // namespace
