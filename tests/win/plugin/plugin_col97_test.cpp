// tests/win/plugin/plugin_col97_test.cpp: the Outlook 97/98 hooks in the test's own thread, with the
// windows the client would make played by the test: the explorer's close held back while another
// thread holds the start-up mutex, the forms idle window installing the forms once, the dialog that
// Customize opens on Outlook 98 disabled, the hooks living as long as an instance does; and the
// plug-in's own drop-down list driven by mouse and activation messages.
#include "outlook/col97_win.h"
#include "outlook/drop_down_win.h"
#include "outlook/plugin_strings.h"
#include "tests/win/outlook/outlook_test_support.h"
#include "tests/win/plugin/plugin_fakes_win.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <thread>

using namespace plugintest;

namespace
{
constexpr char kPlainClass[] = "BrevoltTestPlainWindow";
constexpr char kFormsIdleClass[] = "REN IDLE";
constexpr char kOfficeDialogClass[] = "bosa_sdm_Mso96";
constexpr char kUnistatClass[] = "MSOUNISTAT";

void RegisterTestClasses()
{
    for (const char* name : {kPlainClass, kFormsIdleClass, kOfficeDialogClass, kUnistatClass})
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = name;
        RegisterClassExA(&wc);
    }
}

HWND MakeWindow(const char* p_szClass, const char* p_szTitle, DWORD p_dwStyle = WS_OVERLAPPEDWINDOW)
{
    RegisterTestClasses();
    return CreateWindowExA(0, p_szClass, p_szTitle, p_dwStyle, 100, 100, 400, 300, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

TEST(Col97Hooks, TheExplorersCloseWaitsWhileTheStartupMutexIsHeldAndFollowsOnceItIsFree)
{
    HWND explorer = MakeWindow(kPlainClass, "Inbox - Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    COL97 model(nullptr, explorer, 1, CCol97Events{});
    ASSERT_TRUE(COL97::Hooked());
    {
        CStartupHolder holder;
        PostMessageA(explorer, WM_CLOSE, 0, 0);
        // Several re-tests pass while the mutex stays held.
        EXPECT_FALSE(PumpUntil([&] { return !IsWindow(explorer); }, 700)) << "closed under the mutex";
        const DWORD released = GetTickCount();
        holder.Release();
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(explorer); }, 3000)) << "the close follows the release";
        EXPECT_LT(GetTickCount() - released, 1500u);
    }
    // Without a holder the close is not held back.
    HWND second = MakeWindow(kPlainClass, "Inbox - Microsoft Outlook");
    COL97 other(nullptr, second, 1, CCol97Events{});
    PostMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(second); }, 150));
}

TEST(Col97Hooks, TheFormsIdleWindowInstallsTheFormsOnceAndTheHooksLiveWithTheLastInstance)
{
    const UINT idle = RegisterWindowMessageA("REN Idle");
    int firstForms = 0;
    int secondForms = 0;
    HWND before = MakeWindow(kFormsIdleClass, "", WS_POPUP);
    auto first = std::make_unique<COL97>(nullptr, nullptr, 2, CCol97Events{nullptr, [&] { ++firstForms; }});
    SendMessageA(before, idle, 0, 0);
    SendMessageA(before, idle, 0, 0);
    EXPECT_EQ(firstForms, 1) << "the window that was there first reports once, then is let go";

    auto second = std::make_unique<COL97>(nullptr, nullptr, 2, CCol97Events{nullptr, [&] { ++secondForms; }});
    first.reset();
    ASSERT_TRUE(COL97::Hooked()) << "the second instance keeps the hooks";
    HWND after = MakeWindow(kFormsIdleClass, "", WS_POPUP);
    SendMessageA(after, WM_NULL, 0, 0);
    SendMessageA(after, idle, 0, 0);
    EXPECT_EQ(secondForms, 1) << "a window made later is seen at its creation";

    second.reset();
    EXPECT_FALSE(COL97::Hooked());
    HWND unwatched = MakeWindow(kFormsIdleClass, "", WS_POPUP);
    SendMessageA(unwatched, idle, 0, 0);
    EXPECT_EQ(secondForms, 1) << "no hook after the last instance";
    EXPECT_EQ(firstForms, 1);
    for (HWND window : {before, after, unwatched})
        DestroyWindow(window);
}

struct CCustomizedDialog
{
    HWND m_hDialog = nullptr;
    HWND m_hUnistat = nullptr;
    HWND m_hOK = nullptr;
    HWND m_hCancel = nullptr;
};

// A dialog made as the dialog manager makes one: the window, its children, then WM_INITDIALOG.
CCustomizedDialog OpenDialog()
{
    CCustomizedDialog dialog;
    dialog.m_hDialog = CreateWindowExA(WS_EX_DLGMODALFRAME, "#32770", "Modify Selection", WS_POPUP | WS_CAPTION, 150,
                                       150, 360, 220, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    dialog.m_hUnistat = CreateWindowExA(0, kUnistatClass, "", WS_CHILD | WS_VISIBLE, 10, 10, 330, 120, dialog.m_hDialog,
                                        nullptr, instance, nullptr);
    dialog.m_hOK = CreateWindowExA(0, "Button", "OK", WS_CHILD | WS_VISIBLE, 170, 150, 80, 24, dialog.m_hDialog,
                                   reinterpret_cast<HMENU>(IDOK), instance, nullptr);
    dialog.m_hCancel = CreateWindowExA(0, "Button", "Cancel", WS_CHILD | WS_VISIBLE, 260, 150, 80, 24, dialog.m_hDialog,
                                       reinterpret_cast<HMENU>(IDCANCEL), instance, nullptr);
    SendMessageA(dialog.m_hDialog, WM_INITDIALOG, 0, 0);
    return dialog;
}

// Shown as far as the window itself goes (the test's dialogs are not on the screen).
bool Shown(HWND p_hWnd)
{
    return (GetWindowLongPtrA(p_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::string NoticeOf(HWND p_hDialog)
{
    for (HWND child = GetWindow(p_hDialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    {
        char kind[32] = {};
        char text[256] = {};
        GetClassNameA(child, kind, sizeof kind);
        GetWindowTextA(child, text, sizeof text);
        if (lstrcmpiA(kind, "Static") == 0 && Shown(child))
            return text;
    }
    return std::string();
}

TEST(Col97Hooks, CustomizeOnOutlook98DisablesTheDialogItOpensAndOutlook97LeavesItAlone)
{
    const UINT selection = RegisterWindowMessageA("WM_OBJECTSEL");
    {
        COL97 model(nullptr, nullptr, 2, CCol97Events{});
        // A dialog before Customize opened is not touched.
        CCustomizedDialog early = OpenDialog();
        EXPECT_TRUE(Shown(early.m_hUnistat));
        HWND customize = MakeWindow(kOfficeDialogClass, "Customize", WS_POPUP | WS_CAPTION);
        SendMessageA(customize, selection, 0, 0x16);
        CCustomizedDialog dialog = OpenDialog();
        EXPECT_FALSE(Shown(dialog.m_hUnistat));
        EXPECT_FALSE(IsWindowEnabled(dialog.m_hOK));
        EXPECT_TRUE(IsWindowEnabled(dialog.m_hCancel));
        EXPECT_EQ(NoticeOf(dialog.m_hDialog), PluginText(plugin_string::kFunctionDisabled, "Brevolt SMS"));
        EXPECT_NE(NoticeOf(dialog.m_hDialog).find("See Brevolt SMS FAQ"), std::string::npos);
        ShowWindow(dialog.m_hDialog, SW_SHOWNA);
        oltest::SavePicture(dialog.m_hDialog, "plugin_outlook98_customize_disabled");
        // Once Customize has closed, dialogs are the client's again.
        DestroyWindow(customize);
        CCustomizedDialog later = OpenDialog();
        EXPECT_TRUE(Shown(later.m_hUnistat));
        EXPECT_TRUE(IsWindowEnabled(later.m_hOK));
        for (HWND window : {early.m_hDialog, dialog.m_hDialog, later.m_hDialog})
            DestroyWindow(window);
    }
    COL97 outlook97(nullptr, nullptr, 1, CCol97Events{});
    HWND customize = MakeWindow(kOfficeDialogClass, "Customize", WS_POPUP | WS_CAPTION);
    SendMessageA(customize, selection, 0, 0x16);
    CCustomizedDialog dialog = OpenDialog();
    EXPECT_TRUE(Shown(dialog.m_hUnistat)) << "Outlook 97's Customize is left alone";
    EXPECT_TRUE(IsWindowEnabled(dialog.m_hOK));
    DestroyWindow(dialog.m_hDialog);
    DestroyWindow(customize);
}

// A 16 x 16 face: a square of p_crColour on the green mask.
unique_hbitmap Face(COLORREF p_crColour)
{
    std::vector<DWORD> pixels(16 * 16, 0x0000FF00);
    const DWORD colour = (GetRValue(p_crColour) << 16) | (GetGValue(p_crColour) << 8) | GetBValue(p_crColour);
    for (int y = 3; y < 13; ++y)
        for (int x = 3; x < 13; ++x)
            pixels[static_cast<size_t>(y * 16 + x)] = colour;
    return unique_hbitmap(CreateBitmap(16, 16, 1, 32, pixels.data()));
}

std::vector<CToolbarEntry> Children()
{
    std::vector<CToolbarEntry> children(3);
    const char* captions[] = {"Sync Reminders", "Online Help", "About"};
    for (uint32_t i = 0; i < 3; ++i)
    {
        children[i].m_eKind = EToolbarEntryKind::Child;
        children[i].m_sCaption = captions[i];
        children[i].m_sTarget = "ACTION:" + std::to_string(40011 + i);
        children[i].m_uFaceBitmap = 501 + i;
        children[i].m_uPosition = 7 + i;
    }
    // The last child names a bitmap there is none of: it shows a blank face.
    children[2].m_uFaceBitmap = 999;
    return children;
}

// Presses and releases the left button over the popup's button p_iIndex (the popup has the mouse,
// so it gets the messages wherever they are).
void ClickButton(int p_iIndex)
{
    HWND toolbar = FindWindowExA(CDropDown::Window(), nullptr, TOOLBARCLASSNAMEA, nullptr);
    RECT item{};
    SendMessageA(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(p_iIndex), reinterpret_cast<LPARAM>(&item));
    POINT centre{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    MapWindowPoints(toolbar, CDropDown::Window(), &centre, 1);
    SendMessageA(CDropDown::Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
    SendMessageA(CDropDown::Window(), WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
}

TEST(DropDown, OpensUnderTheButtonRunsTheClickedChildAndClosesOnAClickOutsideDeactivationOrLostMouse)
{
    HWND owner = MakeWindow(kPlainClass, "Inbox - Microsoft Outlook");
    ShowWindow(owner, SW_SHOWNORMAL);
    CFaceBitmaps faces;
    faces.emplace(501, Face(RGB(200, 30, 30)));
    faces.emplace(502, Face(RGB(30, 30, 200)));
    std::vector<std::string> ran;
    const auto run = [&ran](const CToolbarEntry& p_oChild) { ran.push_back(p_oChild.m_sTarget); };

    HWND other = MakeWindow(kPlainClass, "Untitled - Message");
    const POINT anchor{420, 180};
    ASSERT_TRUE(CDropDown::Open(owner, anchor, Children(), faces, run));
    HWND popup = CDropDown::Window();
    ASSERT_NE(popup, nullptr);
    char kind[32] = {};
    GetClassNameA(popup, kind, sizeof kind);
    EXPECT_STREQ(kind, "SMSChevronPopup");
    HWND toolbar = FindWindowExA(popup, nullptr, TOOLBARCLASSNAMEA, nullptr);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), 3);
    RECT place{};
    GetWindowRect(popup, &place);
    EXPECT_EQ(place.right, anchor.x) << "right-aligned with the button";
    EXPECT_EQ(place.top, anchor.y) << "under it";
    RECT first{};
    RECT last{};
    SendMessageA(toolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageA(toolbar, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&last));
    EXPECT_GT(last.top, first.top) << "the children stand one under another";
    RECT client{};
    GetClientRect(popup, &client);
    EXPECT_GE(client.bottom, last.bottom) << "sized to its buttons";
    EXPECT_EQ(GetCapture(), popup);
    oltest::SavePicture(popup, "plugin_chevron_popup");

    // A second request while it is open makes no second list.
    ASSERT_TRUE(CDropDown::Open(owner, POINT{100, 100}, Children(), faces, run));
    EXPECT_EQ(CDropDown::Window(), popup);
    EXPECT_EQ(FindWindowExA(nullptr, popup, "SMSChevronPopup", nullptr), nullptr);

    ClickButton(1);
    ASSERT_EQ(ran.size(), 1u);
    EXPECT_EQ(ran[0], "ACTION:40012");
    EXPECT_EQ(CDropDown::Window(), nullptr) << "running a child closes the list";
    EXPECT_FALSE(IsWindow(popup));

    // Outside its client area a press closes it and runs nothing.
    ASSERT_TRUE(CDropDown::Open(owner, anchor, Children(), faces, run));
    SendMessageA(CDropDown::Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-20), 5));
    EXPECT_EQ(CDropDown::Window(), nullptr);
    // Losing activation to another window closes it too; so does its owner's explorer going away.
    ASSERT_TRUE(CDropDown::Open(owner, anchor, Children(), faces, run));
    SendMessageA(CDropDown::Window(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(owner));
    EXPECT_NE(CDropDown::Window(), nullptr) << "the explorer taking activation back leaves it: it has the mouse";
    SendMessageA(CDropDown::Window(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(other));
    EXPECT_EQ(CDropDown::Window(), nullptr);
    ASSERT_TRUE(CDropDown::Open(owner, anchor, Children(), faces, run));
    // Another program taking the foreground closes it; a passing deactivation while this program
    // keeps the foreground does not.
    SetForegroundWindow(CDropDown::Window());
    SendMessageA(CDropDown::Window(), WM_ACTIVATEAPP, FALSE, 0);
    PumpUntil([] { return false; }, 300);
    EXPECT_NE(CDropDown::Window(), nullptr);
    SetForegroundWindow(GetDesktopWindow());
    SendMessageA(CDropDown::Window(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_TRUE(PumpUntil([] { return CDropDown::Window() == nullptr; }, 2000)) << "another program was activated";
    // So does another window taking the mouse.
    ASSERT_TRUE(CDropDown::Open(owner, anchor, Children(), faces, run));
    SetCapture(owner);
    EXPECT_EQ(CDropDown::Window(), nullptr);
    ReleaseCapture();
    ASSERT_TRUE(CDropDown::Open(owner, anchor, Children(), faces, run));
    CDropDown::Close(reinterpret_cast<HWND>(0x1234));
    EXPECT_NE(CDropDown::Window(), nullptr) << "another explorer's close leaves it";
    CDropDown::Close(owner);
    EXPECT_EQ(CDropDown::Window(), nullptr);
    EXPECT_EQ(ran.size(), 1u);
    EXPECT_FALSE(CDropDown::Open(owner, anchor, {}, faces, run)) << "nothing to list";
    DestroyWindow(other);
    DestroyWindow(owner);
}
} // namespace
