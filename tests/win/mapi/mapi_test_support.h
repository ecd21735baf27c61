// tests/win/mapi/mapi_test_support.h: what the MAPI stand-in's contract tests share: the library
// bound by name as a client binds it, the suite's session, default store and address book, and
// helpers for tables, folders and properties.
#pragma once

#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <mapiguid.h>
#include <mapitags.h>
#include <mapiutil.h>
#include <mapix.h>
#include <objbase.h>
#undef SetProp

#include "common/handle_win.h"
#include "standins/mapi/provider/mapi_shims.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace mapitest
{
// The contact property set, {00062004-0000-0000-C000-000000000046}.
inline const GUID PSETID_Address_Test = {0x00062004, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct CMapi
{
    HMODULE m_hLib = nullptr;
    LPMAPIINITIALIZE m_pfnInit = nullptr;
    LPMAPIUNINITIALIZE m_pfnUninit = nullptr;
    LPMAPILOGONEX m_pfnLogon = nullptr;
    LPMAPIADMINPROFILES m_pfnAdmin = nullptr;
    LPMAPIFREEBUFFER m_pfnFree = nullptr;
    LPMAPIALLOCATEBUFFER m_pfnAlloc = nullptr;
    HRESULT(WINAPI* m_pfnThreadSink)(LPMAPIADVISESINK, LPMAPIADVISESINK*) = nullptr;
    void(WINAPI* m_pfnFreeProws)(LPSRowSet) = nullptr;
    HRESULT(WINAPI* m_pfnGetOneProp)(LPMAPIPROP, ULONG, LPSPropValue*) = nullptr;
    HRESULT(WINAPI* m_pfnWrapRtf)(LPSTREAM, ULONG, LPSTREAM*) = nullptr;
    LPOPENSTREAMONFILE m_pfnOpenStream = nullptr;
};
extern CMapi g_mapi;
// OpenStreamOnFile takes the allocators as arguments; the stand-in's own are passed.
SCODE WINAPI MAPIAllocateBuffer_Test(ULONG p_cb, LPVOID* p_pp);
ULONG WINAPI MAPIFreeBuffer_Test(LPVOID p_p);

// An interface pointer a test owns, usable where the raw pointer or its out-parameter slot is wanted.
template <typename T> class CRelease : public com_ptr<T>
{
  public:
    T** operator&()
    {
        return this->put();
    }
    operator T*() const
    {
        return this->get();
    }
};

extern CRelease<IMAPISession> g_pSession;
extern CRelease<IMsgStore> g_pStore;
extern CRelease<IAddrBook> g_pAddrBook;
extern std::string g_sTemp;

void SetString(HKEY p_hRoot, const char* p_szKey, const char* p_szName, const std::string& p_sValue);
std::string ReadString(HKEY p_hRoot, const char* p_szKey, const char* p_szName);
// Rows of a table with the given columns, all of them; p_keep holds them until it is freed.
std::vector<std::vector<SPropValue>> AllRows(IMAPITable* p_pTable, std::vector<ULONG> p_cols, LPSRowSet& p_keep);
std::string Text(const SPropValue& p_v);
// Opens the folder whose entry id is p_ulTag on p_pFrom (the store by default).
IMAPIFolder* OpenFolder(ULONG p_ulTag, IMAPIProp* p_pFrom = nullptr);
IMAPIFolder* Inbox();
void SetText(IMAPIProp* p_p, ULONG p_ulTag, const char* p_sz);
// A new message in the Outbox with that subject, to be filed in Sent Items once sent.
void NewOutboxMessage(const char* p_szSubject, CRelease<IMessage>& p_message);
// Dispatches the thread's messages until p_done says so or p_iMs have passed.
void PumpUntil(const std::function<bool()>& p_done, int p_iMs);

// An advise sink a test owns on its stack: the IUnknown of a sink that is never freed by Release.
class CTestSink : public IMAPIAdviseSink
{
  public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return ++m_cRef;
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        return --m_cRef;
    }
    ULONG m_cRef = 1;
};

// Starts this executable running the cases p_sFilter picks (the caller's environment tells them
// what to do); no handle when it did not start.
unique_handle StartThisExecutable(const std::string& p_sFilter);
// The process's exit code once it has ended; -1 when it did not end within a minute.
int ExitCodeOf(HANDLE p_hProcess);

// The flags a client passes to send at once without waiting: upload, force, no UI, async allowed.
constexpr ULONG kFlushAsync = FLUSH_UPLOAD | FLUSH_FORCE | FLUSH_NO_UI | FLUSH_ASYNC_OK;
static_assert(kFlushAsync == 0x3A);
// The spooler's status object, found as a client finds it: the status table's MAPI_SPOOLER row.
void OpenSpooler(CRelease<IMAPIStatus>& p_status);
// Hands everything submitted to the spooler at once, as a client's Send does without waiting.
void FlushOutboundAsync();

// The stand-in's key set up for the suite (the store file a copy of p_szSeed when p_bSeed), the
// library loaded through DLLPathEx and its functions bound; then MAPI initialised and the
// default profile logged on into g_pSession.
void LoadStandIn(bool p_bSeed, const char* p_szSeed);
void LogOnDefaultProfile();

// The suite: the library loaded through DLLPathEx, the default profile logged on, the default
// store and the address book open.
class CMapiContract : public testing::Test
{
  public:
    static void SetUpTestSuite()
    {
        SetUp(true);
    }
    // p_bSeed: the store starts from the suite's seed; else from what the stand-in's key names.
    static void SetUp(bool p_bSeed);
    static void TearDownTestSuite();
};
} // namespace mapitest
