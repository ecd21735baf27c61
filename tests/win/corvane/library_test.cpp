// tests/win/corvane/library_test.cpp: loading and binding Corvane, Init's caller kinds, the
// per-thread slots and StartAdvise's named objects.
#include "tests/win/corvane/corvane_test_support.h"

#include "common/handle_win.h"
#include "common/unique_any.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{
constexpr const char* kPenholdModule = "corvane_test_penhold.dll";

// A COM object that only counts its references.
class CCountedUnknown : public IUnknown
{
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** p_ppv) override
    {
        *p_ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(++m_iRefs);
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        return static_cast<ULONG>(--m_iRefs);
    }
    std::atomic<long> m_iRefs{1};
};

bool PenholdLoaded()
{
    return GetModuleHandleA(kPenholdModule) != nullptr;
}
} // namespace

TEST(CorvaneLibrary, LoadsFromTheInstallPathAndBindsEveryExportInTheHostsOrder)
{
    CCorvane& corvane = CCorvane::Get();
    ASSERT_NE(corvane.Module(), nullptr) << "LoadLibrary(" << corvane.LoadedFrom() << ") failed";
    EXPECT_EQ(corvane.LoadedFrom(), CORVANE_DLL_PATH);

    char loaded[MAX_PATH] = {};
    GetModuleFileNameA(corvane.Module(), loaded, MAX_PATH);
    EXPECT_STRCASEEQ(loaded + strlen(loaded) - strlen("Corvane.dll"), "Corvane.dll");

    ASSERT_EQ(kBindingCount, 56u);
    for (size_t i = 0; i < kBindingCount; ++i)
        ASSERT_NE(GetProcAddress(corvane.Module(), kBindingOrder[i]), nullptr)
            << "binding stops at export " << i << ", " << kBindingOrder[i];
}

TEST(CorvaneLibrary, OnlyAFullOutlookStartMakesThePackageObjectAndBindsTheWordHook)
{
    CCorvane& corvane = CCorvane::Get();
    ASSERT_FALSE(PenholdLoaded());
    struct CCase
    {
        int m_iPackage;
        int m_iCallerKind;
        bool m_bWordHook;
    } const cases[] = {
        {0, kCallerNoPackage, false},
        {0, kCallerNoPackageToo, false},
        {1, kCallerFull, false},
        {0, kCallerFull, true},
        {0, 2, true},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "package " << c.m_iPackage << ", caller kind " << c.m_iCallerKind);
        ASSERT_EQ(corvane.Init(c.m_iPackage, 5, nullptr, nullptr, nullptr, c.m_iCallerKind), 1);
        EXPECT_EQ(PenholdLoaded(), c.m_bWordHook);
        EXPECT_EQ(corvane.Uninit(), 1);
        EXPECT_FALSE(PenholdLoaded()) << "Uninit keeps the Word hook library loaded";
    }
}

TEST(CorvaneLibrary, ASecondInitKeepsWhatTheFirstMade)
{
    CCorvane& corvane = CCorvane::Get();
    ASSERT_EQ(corvane.Init(0, 5, nullptr, nullptr, nullptr, kCallerFull), 1);
    ASSERT_EQ(corvane.Init(0, 5, nullptr, nullptr, nullptr, kCallerFull), 1);
    EXPECT_TRUE(PenholdLoaded());
    // One Uninit undoes both: the second Init bound nothing a second time.
    EXPECT_EQ(corvane.Uninit(), 1);
    EXPECT_FALSE(PenholdLoaded());
}

TEST(CorvaneLibrary, ThreadSlotsHoldEachThreadsOwnSessionAndDispatch)
{
    CCorvane& corvane = CCorvane::Get();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const scope_exit comDone([] { CoUninitialize(); });
    CInitScope init(0, 5, kCallerFull);
    ASSERT_TRUE(init.Succeeded());
    // Init logged on to the default profile; the host's thread holds that session.
    IMAPISession* session = corvane.GetSessionForThread();
    ASSERT_NE(session, nullptr);

    // A host thread gets the session marshalled, as a compose window's thread does.
    IStream* marshalled = nullptr;
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IUnknown, reinterpret_cast<IUnknown*>(session), &marshalled),
              S_OK);
    CCountedUnknown dispatch;
    auto* application = reinterpret_cast<IDispatch*>(static_cast<IUnknown*>(&dispatch));
    std::thread([&]() {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        com_ptr<IUnknown> threadSession;
        ASSERT_EQ(CoGetInterfaceAndReleaseStream(marshalled, IID_IUnknown, threadSession.put_void()), S_OK);
        auto* mapiSession = reinterpret_cast<IMAPISession*>(threadSession.get());
        EXPECT_EQ(corvane.GetSessionForThread(), nullptr) << "another thread sees the host thread's session";
        ASSERT_EQ(corvane.ThreadInit(mapiSession, application), 1);
        EXPECT_EQ(dispatch.m_iRefs, 2);
        EXPECT_EQ(corvane.GetSessionForThread(), mapiSession);
        EXPECT_EQ(corvane.ThreadUninit(), 1);
        EXPECT_EQ(dispatch.m_iRefs, 1);
        EXPECT_EQ(corvane.GetSessionForThread(), nullptr);
        threadSession.reset();
        CoUninitialize();
    }).join();
    EXPECT_EQ(corvane.GetSessionForThread(), session) << "the host thread's session went with the other thread's";
}

TEST(CorvaneLibrary, OutlookExpressHasNoSessionForThreads)
{
    CCorvane& corvane = CCorvane::Get();
    CInitScope init(1, 6, kCallerFull);
    ASSERT_TRUE(init.Succeeded());
    CCountedUnknown session;
    EXPECT_EQ(corvane.ThreadInit(reinterpret_cast<IMAPISession*>(static_cast<IUnknown*>(&session)), nullptr), 1);
    EXPECT_EQ(session.m_iRefs, 1);
    EXPECT_EQ(corvane.GetSessionForThread(), nullptr);
    EXPECT_EQ(corvane.ThreadUninit(), 1);
}

TEST(CorvaneLibrary, StartAdviseMakesTheResourceChangeEventAndMutexUntilUninit)
{
    CCorvane& corvane = CCorvane::Get();
    const std::string mutexName = "ResourceChangingMutex" + std::to_string(GetCurrentProcessId());
    {
        CInitScope init(0, 5, kCallerFull);
        ASSERT_TRUE(init.Succeeded());
        ASSERT_EQ(corvane.StartAdvise(4711), 1);

        const unique_handle event(OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, "ResourceChangeEvent4711"));
        ASSERT_TRUE(event);
        const unique_handle mutex(OpenMutexA(SYNCHRONIZE, FALSE, mutexName.c_str()));
        ASSERT_TRUE(mutex);
        // Auto-reset and initially clear: one signal wakes one wait.
        EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
        SetEvent(event.get());
        EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
        // Not owned by anyone at creation.
        EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);
        ReleaseMutex(mutex.get());
    }
    EXPECT_EQ(OpenEventA(SYNCHRONIZE, FALSE, "ResourceChangeEvent4711"), nullptr) << "Uninit left the event open";
    EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, mutexName.c_str()), nullptr) << "Uninit left the mutex open";
}
