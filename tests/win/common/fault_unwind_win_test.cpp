// tests/win/common/fault_unwind_win_test.cpp: a hardware fault inside a guarded body runs the
// destructors of the frames it leaves: locks, COM references and handles are given back.
#include "common/boundary.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "tests/unit/common/test_support.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

namespace
{
using ::testing::HasSubstr;

// The smallest COM object: it only counts its references.
class CCountingObject final : public IUnknown
{
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (p_ppv == nullptr)
            return E_POINTER;
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
    long Count() const
    {
        return m_lCount;
    }

  private:
    std::atomic<long> m_lCount{1};
};

enum class EFault
{
    NullWrite,
    DivideByZero,
};

// Faults one frame below the owners, so the unwind crosses a frame that holds nothing.
__attribute__((noinline)) int Fault(EFault p_eFault, volatile int* p_pTarget, int p_iDivisor)
{
    if (p_eFault == EFault::NullWrite)
    {
        *p_pTarget = 7;
        return 0;
    }
    volatile int divisor = p_iDivisor;
    return 100 / divisor;
}

struct CHeld
{
    std::mutex m_oLock;
    CCountingObject m_oObject;
    HANDLE m_hEvent = nullptr;
};

__attribute__((noinline)) int HoldAndFault(CHeld& p_oHeld, EFault p_eFault)
{
    std::lock_guard<std::mutex> lock(p_oHeld.m_oLock);
    com_ptr<IUnknown> reference = com_ptr<IUnknown>::copy_from(&p_oHeld.m_oObject);
    unique_handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    p_oHeld.m_hEvent = event.get();
    // The fault in the owners' own frame, with all three alive.
    if (p_eFault == EFault::NullWrite)
        *static_cast<volatile int*>(nullptr) = 1;
    return Fault(p_eFault, nullptr, 0) + (reference ? 1 : 0);
}

// What a faulting guarded body must leave behind: the failure value, the lock free, the COM
// object back at its own reference and the event closed.
void ExpectReleased(CHeld& p_oHeld, int p_iResult)
{
    EXPECT_EQ(p_iResult, -1);
    const bool locked = p_oHeld.m_oLock.try_lock();
    EXPECT_TRUE(locked) << "the lock_guard's destructor did not run";
    if (locked)
        p_oHeld.m_oLock.unlock();
    EXPECT_EQ(p_oHeld.m_oObject.Count(), 1) << "Release did not run";
    ASSERT_NE(p_oHeld.m_hEvent, nullptr);
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(p_oHeld.m_hEvent, &flags)) << "the event is still open";
}

// Faults in the frame below the owners, through a second function.
__attribute__((noinline)) int HoldAndFaultBelow(CHeld& p_oHeld, EFault p_eFault)
{
    std::lock_guard<std::mutex> lock(p_oHeld.m_oLock);
    com_ptr<IUnknown> reference = com_ptr<IUnknown>::copy_from(&p_oHeld.m_oObject);
    unique_handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    p_oHeld.m_hEvent = event.get();
    return Fault(p_eFault, nullptr, 0) + (reference ? 1 : 0);
}

TEST(FaultUnwind, OwnersAreReleasedForEachKindOfFault)
{
    const struct
    {
        const char* m_szName;
        EFault m_eFault;
        int (*m_pfnBody)(CHeld&, EFault);
    } cases[] = {
        {"NullWriteHere", EFault::NullWrite, &HoldAndFault},
        {"DivideHere", EFault::DivideByZero, &HoldAndFault},
        {"NullWriteBelow", EFault::NullWrite, &HoldAndFaultBelow},
        {"DivideBelow", EFault::DivideByZero, &HoldAndFaultBelow},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.m_szName);
        CHeld held;
        const int result = TrapExceptions(c.m_szName, -1, [&] { return c.m_pfnBody(held, c.m_eFault); });
        ExpectReleased(held, result);
        // The next guarded call takes the lock at once.
        EXPECT_EQ(TrapExceptions("TakesTheLock", -1,
                                 [&] {
                                     std::unique_lock<std::mutex> lock(held.m_oLock, std::try_to_lock);
                                     return lock.owns_lock() ? 5 : 0;
                                 }),
                  5);
    }
    const std::string trace = ReadWholeFile(ModuleLogger().FilePath());
    EXPECT_THAT(trace, HasSubstr("Exception of type EXCEPTION_ACCESS_VIOLATION caught in module common_win_test.exe"));
    EXPECT_THAT(trace,
                HasSubstr("Exception of type EXCEPTION_INT_DIVIDE_BY_ZERO caught in module common_win_test.exe"));
    EXPECT_THAT(trace, HasSubstr("Exception trapped in NullWriteBelow"));
    EXPECT_THAT(trace, HasSubstr("Exception trapped in DivideHere"));
}

TEST(FaultUnwind, NestedGuardsEachReleaseTheirOwnFrames)
{
    CHeld outerHeld;
    CHeld innerHeld;
    int inner = 0;
    // The inner guard traps its fault and releases its owners; the outer body keeps its own
    // until it faults in turn.
    const int outer = TrapExceptions("OuterGuard", -1, [&] {
        std::lock_guard<std::mutex> lock(outerHeld.m_oLock);
        com_ptr<IUnknown> reference = com_ptr<IUnknown>::copy_from(&outerHeld.m_oObject);
        unique_handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        outerHeld.m_hEvent = event.get();
        inner = TrapExceptions("InnerGuard", -1, [&] { return HoldAndFaultBelow(innerHeld, EFault::NullWrite); });
        ExpectReleased(innerHeld, inner);
        EXPECT_EQ(outerHeld.m_oObject.Count(), 2);
        DWORD flags = 0;
        EXPECT_TRUE(GetHandleInformation(outerHeld.m_hEvent, &flags));
        return Fault(EFault::DivideByZero, nullptr, 0);
    });
    EXPECT_EQ(inner, -1);
    ExpectReleased(outerHeld, outer);

    // A guard whose body does not fault after an inner one did returns its own result.
    EXPECT_EQ(TrapExceptions("CalmOuter", -1,
                             [] {
                                 return 10 * TrapExceptions("FaultingInner", -2,
                                                            [] { return Fault(EFault::NullWrite, nullptr, 0); });
                             }),
              -20);
}

TEST(FaultUnwind, FaultOnASecondThreadIsTrappedThere)
{
    CHeld held;
    int result = 0;
    std::thread worker([&] {
        result = TrapExceptions("WorkerBody", -1, [&] { return HoldAndFaultBelow(held, EFault::DivideByZero); });
    });
    worker.join();
    ExpectReleased(held, result);
    // The main thread holds no guard of the worker's: its own faulting guard still works.
    CHeld mine;
    ExpectReleased(mine, TrapExceptions("MainBody", -1, [&] { return HoldAndFault(mine, EFault::NullWrite); }));
    EXPECT_THAT(ReadWholeFile(ModuleLogger().FilePath()), HasSubstr("Exception trapped in WorkerBody"));
}

#if defined(__x86_64__)
// Code made at run time has no unwind information: a fault in it cannot be thrown, and the
// guard falls back to resuming where it started, leaving the frames in between as they were.
TEST(FaultUnwind, CodeWithoutUnwindInformationFallsBackToResuming)
{
    // mov dword ptr [0], 1; ret
    const unsigned char code[] = {0xC7, 0x04, 0x25, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xC3};
    void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    ASSERT_NE(page, nullptr);
    std::memcpy(page, code, sizeof(code));
    FlushInstructionCache(GetCurrentProcess(), page, sizeof(code));
    const auto run = reinterpret_cast<void (*)()>(page);
    DWORD64 imageBase = 0;
    EXPECT_EQ(RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(page), &imageBase, nullptr), nullptr);

    EXPECT_EQ(TrapExceptions("FaultsInMadeCode", -1,
                             [&] {
                                 run();
                                 return 0;
                             }),
              -1);
    // The next fault in our own code is thrown again and unwinds as before.
    CHeld held;
    ExpectReleased(held,
                   TrapExceptions("AfterFallback", -1, [&] { return HoldAndFaultBelow(held, EFault::NullWrite); }));
    VirtualFree(page, 0, MEM_RELEASE);
}
#endif

TEST(FaultUnwind, RunWithFaultGuardReportsCodeAndAddress)
{
    uint32_t code = 0;
    void* address = nullptr;
    const bool ran = RunWithFaultGuard([](void*) { Fault(EFault::NullWrite, nullptr, 0); }, nullptr, code, address);
    EXPECT_FALSE(ran);
    EXPECT_EQ(code, static_cast<uint32_t>(EXCEPTION_ACCESS_VIOLATION));
    // The address lies inside Fault, a few dozen bytes from its start.
    const auto offset = reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(&Fault);
    EXPECT_LT(offset, 256u);
    EXPECT_TRUE(RunWithFaultGuard([](void*) {}, nullptr, code, address));
}
} // namespace
