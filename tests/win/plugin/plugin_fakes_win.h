// tests/win/plugin/plugin_fakes_win.h: what the plug-in talks to, played by the test: a compose
// server object registered for the compose server's class (recording every IQuillet call), a host
// callback with its window, menu bar and selection, and the message boxes the plug-in shows.
#pragma once

#include "common/handle_win.h"
#include "compose/quillet_h.h"
#include "outlook/exchext_win.h"

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plugintest
{
// The calls the compose server received, one line each ("CreateNewSMS to|text").
class CQuilletLog
{
  public:
    void Add(const std::string& p_sLine);
    std::vector<std::string> Lines();
    void Clear();
    // The sender and text GetEmailDetails answers.
    std::string m_sSender = "+27825550101";
    std::string m_sText = "Meet at ten";
    LONG m_lLiveObjects = 0;

  private:
    std::mutex m_oLock;
    std::vector<std::string> m_vLines;
};
CQuilletLog& QuilletLog();

// Registers the fake compose server's class object for this process (and, through COM, for other
// processes asking for a local server) while it lives.
class CFakeQuilletClass
{
  public:
    CFakeQuilletClass();
    ~CFakeQuilletClass();
    CFakeQuilletClass(const CFakeQuilletClass&) = delete;
    CFakeQuilletClass& operator=(const CFakeQuilletClass&) = delete;
    bool Registered() const
    {
        return m_dwCookie != 0;
    }

  private:
    DWORD m_dwCookie = 0;
};

// The fake compose server for other processes (the client stand-in): registered from a thread of
// the multi-threaded apartment, so the host's calls are served while the test waits on other things.
// The IQuillet type library is registered first, so the calls can be marshalled.
class CFakeQuilletServer
{
  public:
    explicit CFakeQuilletServer(const char* p_szTypeLibrary);
    ~CFakeQuilletServer();
    CFakeQuilletServer(const CFakeQuilletServer&) = delete;
    CFakeQuilletServer& operator=(const CFakeQuilletServer&) = delete;
    bool Registered() const
    {
        return m_bRegistered;
    }

  private:
    unique_handle m_hStop;
    unique_handle m_hReady;
    unique_handle m_hThread;
    bool m_bRegistered = false;
};

// The host's callback for one context: a real top-level window with a menu bar (File with its New
// popup, Tools), a selection of entry ids with message classes, and the application object.
class CFakeHost : public exchext::IExchExtCallback, public exchext::IOutlookExtCallback
{
  public:
    CFakeHost();
    ~CFakeHost();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetVersion(ULONG* p_pulVersion, ULONG p_ulFlags) override;
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* p_phWnd) override;
    HRESULT STDMETHODCALLTYPE GetMenu(HMENU* p_phMenu) override;
    HRESULT STDMETHODCALLTYPE GetToolbar(ULONG p_ulToolbarId, HWND* p_phToolbar) override;
    HRESULT STDMETHODCALLTYPE GetSession(IMAPISession** p_ppSession, IAddrBook** p_ppAddressBook) override;
    HRESULT STDMETHODCALLTYPE GetObject(IMsgStore** p_ppStore, IMAPIProp** p_ppObject) override;
    HRESULT STDMETHODCALLTYPE GetSelectionCount(ULONG* p_pulCount) override;
    HRESULT STDMETHODCALLTYPE GetSelectionItem(ULONG p_ulIndex, ULONG* p_pcbEntryId, ENTRYID** p_ppEntryId,
                                               ULONG* p_pulType, LPSTR p_szMessageClass, ULONG p_cchClass,
                                               ULONG* p_pulFlags, ULONG p_ulReserved) override;
    HRESULT STDMETHODCALLTYPE GetMenuPos(ULONG p_ulCommand, HMENU* p_phMenu, ULONG* p_pulFirst, ULONG* p_pulLast,
                                         ULONG p_ulFlags) override;
    HRESULT STDMETHODCALLTYPE GetSharedExtsDir(LPSTR, ULONG, ULONG) override;
    HRESULT STDMETHODCALLTYPE GetRecipients(ADRLIST**) override;
    HRESULT STDMETHODCALLTYPE SetRecipients(ADRLIST*) override;
    HRESULT STDMETHODCALLTYPE GetNewMessageSite(ULONG, IMAPIFolder*, IUnknown*, IMessage**, IUnknown**, IUnknown**,
                                                ULONG) override;
    HRESULT STDMETHODCALLTYPE RegisterModeless(IUnknown*, IUnknown**) override;
    HRESULT STDMETHODCALLTYPE ChooseFolder(IMsgStore**, IMAPIFolder**, LPSTR, ULONG, LPSTR, HWND, ULONG) override;
    // IOutlookExtCallback
    HRESULT STDMETHODCALLTYPE GetObject(IUnknown** p_ppObject) override;
    HRESULT STDMETHODCALLTYPE GetOfficeCharacter(void** p_ppCharacter) override;

    HWND Window() const
    {
        return m_hWnd;
    }
    HMENU MenuBar() const
    {
        return m_hMenuBar;
    }

    struct CItem
    {
        std::vector<uint8_t> m_vEntry;
        std::string m_sClass;
    };
    std::vector<CItem> m_vSelection;
    bool m_bWindowFails = false;
    // GetObject hands out a message (the note being sent).
    bool m_bHasMessage = false;
    // What the window answers when asked for the CC-to-mobile choice.
    void SetCCChoice(LRESULT p_lChoice);
    // Entry-id buffers handed out and not yet freed through the MAPI free function.
    static LONG s_lOpenBuffers;

  private:
    LONG m_lRefs = 1;
    HWND m_hWnd = nullptr;
    HMENU m_hMenuBar = nullptr;
    com_ptr<IDispatch> m_p_oApplication;
    com_ptr<IUnknown> m_p_oSession;
};

// The message boxes the plug-in showed since construction; each answered with m_iAnswer.
class CBoxes
{
  public:
    CBoxes();
    ~CBoxes();
    std::vector<std::string> Seen();
    int m_iAnswer = IDOK;
};

// Holds "SMSStartupMutex" from another thread, as the core library does while it starts up.
class CStartupHolder
{
  public:
    CStartupHolder()
        : m_hHeld(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_hRelease(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        m_oThread = std::thread([this] {
            unique_handle mutex(CreateMutexA(nullptr, TRUE, "SMSStartupMutex"));
            SetEvent(m_hHeld.get());
            WaitForSingleObject(m_hRelease.get(), 30000);
            ReleaseMutex(mutex.get());
        });
        WaitForSingleObject(m_hHeld.get(), 10000);
    }
    ~CStartupHolder()
    {
        Release();
    }
    void Release()
    {
        SetEvent(m_hRelease.get());
        if (m_oThread.joinable())
            m_oThread.join();
    }

  private:
    unique_handle m_hHeld;
    unique_handle m_hRelease;
    std::thread m_oThread;
};

// Lines of p_hMenu, as "text\tid" with two spaces per level ("-" for separators, "\tdisabled").
std::string DumpMenu(HMENU p_hMenu, int p_iDepth = 0);
// The command id of the item with text p_sText (without '&'), searched through the sub-menus; 0 when none.
UINT FindCommand(HMENU p_hMenu, const std::string& p_sText);
// Pumps this thread's messages until p_fnDone or p_dwMs elapse.
template <typename F> bool PumpUntil(F p_fnDone, DWORD p_dwMs)
{
    const DWORD end = GetTickCount() + p_dwMs;
    for (;;)
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (p_fnDone())
            return true;
        if (static_cast<LONG>(GetTickCount() - end) > 0)
            return false;
        Sleep(10);
    }
}
// The controls on "Standard" in a dump of the bars, in order, one entry per control of the bar itself
// ("'New' tag ''"; the controls of their lists are left out).
std::vector<std::string> StandardRow(const std::string& p_sDump);
// Where the "New Branded SMS" companion stands on "Standard" counted from New: 1 directly after it,
// negative in front of it, 0 when either is not on the bar; p_nCopies counts the companion.
long CompanionOffset(const std::string& p_sDump, size_t& p_nCopies);

} // namespace plugintest
