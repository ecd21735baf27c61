// tests/win/compose/print_test.cpp: laying a body out on pages, and File > Print's dialog.
#include "compose/ui/print_win.h"
#include "compose_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{
// Pages of a text on a screen-compatible device with a one-inch area left and right of a
// letter-sized page.
int Pages(const std::string& p_sText)
{
    const unique_hdc memory(CreateCompatibleDC(nullptr));
    HDC dc = memory.get();
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    const RECT area{dpi, dpi, dpi * 15 / 2, dpi * 10};
    return PaginateText(dc, p_sText, area, false);
}

std::string Lines(int p_iCount)
{
    std::string text;
    for (int i = 0; i < p_iCount; ++i)
        text += "Line " + std::to_string(i) + " of a long message\r\n";
    return text;
}
} // namespace

TEST(PrintPages, LongTextsTakeMorePagesAndEveryTextAtLeastOne)
{
    EXPECT_EQ(Pages(""), 1);
    EXPECT_EQ(Pages("Meet at 10"), 1);
    const int some = Pages(Lines(100));
    const int many = Pages(Lines(1000));
    EXPECT_GE(some, 1);
    // Each page holds the same lines, so ten times the text takes ten times the pages, give or
    // take the part-filled last page.
    EXPECT_GT(some, 1);
    EXPECT_GE(many, 10 * (some - 1));
    EXPECT_LE(many, 10 * some);
    // One paragraph far wider than the page wraps onto lines of its own.
    EXPECT_GT(Pages(std::string(20000, 'w')), 1);
}

TEST(Print, TheCommandAsksForAPrinterInADialogOfItsOwner)
{
    HWND owner = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);

    // Whatever the system shows (the print dialog, or its own "no printer" warning over it) is
    // owned by the window and modal; each is dismissed as a user would, and nothing gets printed.
    struct CSeen
    {
        HWND m_hOwner;
        std::atomic<int> m_iDialogs{0};
    } seen{owner};
    std::atomic<bool> done{false};
    std::thread closer([&] {
        for (int i = 0; i < 200 && !done; ++i)
        {
            Sleep(50);
            EnumWindows(
                [](HWND p_hWnd, LPARAM p_lSeen) -> BOOL {
                    auto* s = reinterpret_cast<CSeen*>(p_lSeen);
                    char kind[32] = "";
                    GetClassNameA(p_hWnd, kind, sizeof(kind));
                    if (std::string(kind) != "#32770" || !IsWindowVisible(p_hWnd) || !IsWindowEnabled(p_hWnd))
                        return TRUE;
                    for (HWND up = GetWindow(p_hWnd, GW_OWNER); up != nullptr; up = GetWindow(up, GW_OWNER))
                        if (up == s->m_hOwner)
                        {
                            ++s->m_iDialogs;
                            PostMessageA(p_hWnd, WM_COMMAND, IDCANCEL, 0);
                            break;
                        }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&seen));
        }
    });
    EXPECT_FALSE(PrintText(owner, "Print me", "Print test"));
    done = true;
    closer.join();
    EXPECT_GT(seen.m_iDialogs.load(), 0);
    DestroyWindow(owner);
}
