// tests/win/common/helpers_win_test.cpp: the house helpers against real Windows: code-page
// conversions, control and clipboard text, the handle and COM owners, the message-box seam.
#include "common/error_slot.h"
#include "common/handle_win.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "tests/unit/common/test_support.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace
{
using ::testing::HasSubstr;

TEST(TextWin, CodePageConversionsRoundTrip)
{
    EXPECT_EQ(AnsiToWide("", 1252), L"");
    EXPECT_EQ(WideToAnsi(L"", 1252), "");
    EXPECT_EQ(AnsiToWide(std::string_view(), CP_ACP), L"");

    // The high half of Windows-1252 is where ANSI and Latin-1 part ways.
    EXPECT_EQ(AnsiToWide("\x80 \x93x\x94 \xE9t\xE9 \xFF", 1252), L"\u20AC \u201Cx\u201D \u00E9t\u00E9 \u00FF");
    std::string high;
    for (int c = 0x20; c <= 0xFF; ++c)
        high.push_back(static_cast<char>(c));
    const std::wstring wide = AnsiToWide(high, 1252);
    EXPECT_EQ(wide.size(), high.size());
    EXPECT_EQ(WideToAnsi(wide, 1252), high);

    // Embedded NULs are text like any other; a long text converts whole.
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(WideToAnsi(AnsiToWide(withNul, 1252), 1252), withNul);
    const std::wstring longText(200000, L'\u00E4');
    EXPECT_EQ(WideToAnsi(longText, 1252), std::string(200000, '\xE4'));

    // What the code page cannot hold comes out as its default character.
    EXPECT_EQ(WideToAnsi(L"x\u4E2Dy", 1252), "x?y");
    EXPECT_EQ(WideToAnsi(L"\u20AC\u4E2D", CP_UTF8), "\xE2\x82\xAC\xE4\xB8\xAD");
    EXPECT_EQ(AnsiToWide("\xE2\x82\xAC\xE4\xB8\xAD", CP_UTF8), L"\u20AC\u4E2D");
}

// A top-level window with one edit control, id 101.
class CEditWindow
{
  public:
    CEditWindow()
        : m_hWnd(CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr))
    {
        m_hEdit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL, 0, 0, 200, 100,
                                  m_hWnd.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(101)),
                                  GetModuleHandleA(nullptr), nullptr);
        SendMessageA(m_hEdit, EM_SETLIMITTEXT, 0, 0);
    }
    HWND Window() const
    {
        return m_hWnd.get();
    }
    HWND Edit() const
    {
        return m_hEdit;
    }

  private:
    unique_hwnd m_hWnd;
    HWND m_hEdit = nullptr;
};

TEST(TextWin, ControlTextReadsWholeTexts)
{
    CEditWindow window;
    ASSERT_NE(window.Edit(), nullptr);
    EXPECT_EQ(ControlText(window.Edit()), "");
    EXPECT_EQ(ControlTextW(window.Edit()), L"");

    // Far beyond any fixed buffer a caller might once have used.
    std::string text;
    for (int i = 0; text.size() < 70000; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    ASSERT_TRUE(SetWindowTextA(window.Edit(), text.c_str()));
    EXPECT_EQ(ControlText(window.Edit()), text);
    EXPECT_EQ(DialogItemText(window.Window(), 101), text);
    EXPECT_EQ(DialogItemText(window.Window(), 102), "") << "no such control";

    ASSERT_TRUE(SetWindowTextW(window.Edit(), L"Gr\u00FC\u00DFe \u20AC5 \u4E2D"));
    EXPECT_EQ(ControlTextW(window.Edit()), L"Gr\u00FC\u00DFe \u20AC5 \u4E2D");
    EXPECT_EQ(ControlText(window.Edit()), WideToAnsi(L"Gr\u00FC\u00DFe \u20AC5 \u4E2D"));
}

TEST(ClipboardWin, TextGoesThroughTheClipboardAndTheGuardHoldsIt)
{
    CEditWindow window;
    const std::wstring text = L"Termin \u00FCbermorgen, 12 \u20AC\r\nzweite Zeile";
    {
        CClipboardGuard clipboard(window.Window(), 2000);
        ASSERT_TRUE(clipboard.IsOpen()) << clipboard.LastError();
        ASSERT_TRUE(WriteOpenClipboardText(text));

        // While this thread holds it another thread cannot open it, and says why.
        std::atomic<bool> otherOpened{true};
        std::atomic<DWORD> otherError{0};
        std::thread([&] {
            CClipboardGuard other(nullptr);
            otherOpened = other.IsOpen();
            otherError = other.LastError();
        }).join();
        EXPECT_FALSE(otherOpened);
        EXPECT_NE(otherError.load(), 0u);
    }
    std::wstring read;
    ASSERT_TRUE(ReadClipboardText(window.Window(), read));
    EXPECT_EQ(read, text);

    // Plain ANSI text put there by another program reads as UTF-16.
    {
        CClipboardGuard clipboard(window.Window(), 2000);
        ASSERT_TRUE(clipboard.IsOpen());
        ASSERT_TRUE(EmptyClipboard());
        const char ansi[] = "caf\xE9";
        unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, sizeof(ansi)));
        ASSERT_TRUE(block);
        std::memcpy(GlobalLock(block.get()), ansi, sizeof(ansi));
        GlobalUnlock(block.get());
        ASSERT_NE(SetClipboardData(CF_TEXT, block.get()), nullptr);
        static_cast<void>(block.release());
    }
    ASSERT_TRUE(ReadClipboardText(window.Window(), read));
    EXPECT_EQ(read, AnsiToWide("caf\xE9"));

    // An empty clipboard holds no text.
    {
        CClipboardGuard clipboard(window.Window(), 2000);
        ASSERT_TRUE(clipboard.IsOpen());
        ASSERT_TRUE(EmptyClipboard());
    }
    EXPECT_FALSE(ReadClipboardText(window.Window(), read));
    EXPECT_EQ(read, L"");
}

// Handles are small integers; the traits record which were closed.
struct CCountedTraits
{
    using pointer = int;
    static std::vector<int> s_vClosed;
    static pointer invalid() noexcept
    {
        return 0;
    }
    static void close(pointer p_h) noexcept
    {
        s_vClosed.push_back(p_h);
    }
};
std::vector<int> CCountedTraits::s_vClosed;
using unique_counted = unique_any<CCountedTraits>;

TEST(HandleOwners, UniqueAnyFreesEachHandleExactlyOnce)
{
    auto& closed = CCountedTraits::s_vClosed;
    closed.clear();
    {
        unique_counted first(1);
        unique_counted moved(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(moved.get(), 1);

        unique_counted second(2);
        second = std::move(moved); // 2 goes now, 1 changes hands
        EXPECT_EQ(closed, std::vector<int>({2}));
        second = std::move(second);
        EXPECT_EQ(second.get(), 1) << "self-move keeps the handle";

        unique_counted slot(3);
        *slot.put() = 4; // put frees 3 before handing out the slot
        EXPECT_EQ(closed, std::vector<int>({2, 3}));

        unique_counted kept(5);
        EXPECT_EQ(kept.release(), 5);
        kept.reset(6);
        kept.reset();
        EXPECT_EQ(closed, std::vector<int>({2, 3, 6}));
    }
    EXPECT_EQ(closed, std::vector<int>({2, 3, 6, 4, 1})) << "5 was released, never closed";

    int runs = 0;
    {
        scope_exit always([&] { ++runs; });
        scope_exit cancelled([&] { runs += 10; });
        cancelled.release();
    }
    EXPECT_EQ(runs, 1);
}

TEST(HandleOwners, RealHandlesAreClosedByTheirOwners)
{
    HANDLE raw = nullptr;
    {
        unique_handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        ASSERT_TRUE(event);
        raw = event.get();
        unique_handle other(std::move(event));
        DWORD flags = 0;
        EXPECT_TRUE(GetHandleInformation(raw, &flags));
    }
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags));

    // unique_file knows INVALID_HANDLE_VALUE as "none".
    unique_file missing(CreateFileA("C:\\no\\such\\file.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);

    unique_hkey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
    EXPECT_TRUE(key);
}

class CCounted final : public IUnknown
{
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        *p_ppv = nullptr;
        if (!IsEqualIID(p_riid, IID_IUnknown))
            return E_NOINTERFACE;
        *p_ppv = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(++m_lCount);
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        return static_cast<ULONG>(--m_lCount);
    }
    long m_lCount = 1;
};

TEST(HandleOwners, ComPtrCountsEveryReference)
{
    CCounted object;
    {
        com_ptr<IUnknown> shared = com_ptr<IUnknown>::copy_from(&object);
        EXPECT_EQ(object.m_lCount, 2);
        com_ptr<IUnknown> copy = shared;
        EXPECT_EQ(object.m_lCount, 3);
        com_ptr<IUnknown> moved = std::move(copy);
        EXPECT_EQ(object.m_lCount, 3);
        com_ptr<IUnknown> queried = shared.query<IUnknown>();
        EXPECT_TRUE(queried);
        EXPECT_EQ(object.m_lCount, 4);
        com_ptr<IStream> absent = shared.query<IStream>();
        EXPECT_FALSE(absent);
        EXPECT_EQ(object.m_lCount, 4);
        com_ptr<IStream> absentToo;
        EXPECT_EQ(shared.query_to(absentToo), E_NOINTERFACE);
        EXPECT_EQ(com_ptr<IUnknown>().query_to(queried), E_POINTER);

        // put releases what it held before handing out the slot.
        EXPECT_EQ(shared->QueryInterface(IID_IUnknown, queried.put_void()), S_OK);
        EXPECT_EQ(object.m_lCount, 4);
        shared = shared;
        EXPECT_EQ(object.m_lCount, 4);

        // attach takes a reference over, detach hands it back.
        object.AddRef();
        com_ptr<IUnknown> attached;
        attached.attach(&object);
        EXPECT_EQ(object.m_lCount, 5);
        IUnknown* detached = attached.detach();
        EXPECT_EQ(object.m_lCount, 5);
        com_ptr<IUnknown> readopted;
        readopted.attach(detached);
    }
    EXPECT_EQ(object.m_lCount, 1);
}

struct CShownBox
{
    HWND m_hOwner;
    std::string m_sText;
    std::string m_sCaption;
    UINT m_uType;
};
std::vector<CShownBox> g_vShown;

int AnswerNo(HWND p_hOwner, const std::string& p_sText, const std::string& p_sCaption, UINT p_uType)
{
    g_vShown.push_back({p_hOwner, p_sText, p_sCaption, p_uType});
    return IDNO;
}

TEST(MessageBoxSeam, TestsAnswerTheBoxesAndEveryBoxIsLogged)
{
    g_vShown.clear();
    const MessageBoxFn previous = SetMessageBoxFunction(&AnswerNo);
    EXPECT_EQ(ShowMessageBox(nullptr, "Send the 3 messages now?", "Brevolt SMS", MB_YESNO), IDNO);
    // Reported errors reach the user through the same seam, over the desktop.
    DefaultErrorPresenter()("Brevolt SMS error", "The gateway could not be reached.");
    EXPECT_EQ(SetMessageBoxFunction(previous), &AnswerNo);

    ASSERT_EQ(g_vShown.size(), 2u);
    EXPECT_EQ(g_vShown[0].m_sText, "Send the 3 messages now?");
    EXPECT_EQ(g_vShown[0].m_uType, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(g_vShown[1].m_hOwner, GetDesktopWindow());
    EXPECT_EQ(g_vShown[1].m_sCaption, "Brevolt SMS error");
    EXPECT_EQ(g_vShown[1].m_uType & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    const std::string trace = ReadWholeFile(ModuleLogger().FilePath());
    EXPECT_THAT(trace, HasSubstr("Message box \"Brevolt SMS\": Send the 3 messages now?"));
    EXPECT_THAT(trace, HasSubstr("Message box \"Brevolt SMS error\": The gateway could not be reached."));
}
} // namespace
