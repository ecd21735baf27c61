// compose/quillet_process_win.h: what the compose server keeps once per process: the module lock count
// that ends the server, the MAPI library, the last Init's package, the window list and the busy
// cursor.
#pragma once

#include "common/handle_win.h"

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

// Lock count of the server: objects and IClassFactory::LockServer. Reaching zero sets the event the
// shutdown monitor waits on.
void ModuleLock();
void ModuleUnlock();
long ModuleLockCount();
HANDLE ModuleIdleEvent();

// The MAPI library of the process, loaded at most once. g_hMapiInstance shows it; the process
// owns it through AdoptMapiLibrary and FreeMapiLibrary.
extern HMODULE g_hMapiInstance;
void AdoptMapiLibrary(unique_hmodule p_hLibrary);
// Forgets MAPI's free functions and frees the library.
void FreeMapiLibrary();
extern int g_iPackage;
extern int g_iPackageVersion;

// One compose or template window an opener started, as the list shows it. It is listed before its
// thread runs, without a window until the thread has made one. The handles stay the list's.
struct CWindowRecord
{
    HANDLE m_hClosedEvent;
    HANDLE m_hThread;
    HWND m_hWnd;
};

// The windows an object opened. The list owns each window's closed event and thread handle and
// closes them when it is cleared or goes. Window threads append while the opener's thread walks
// it, so it has its own lock.
class CWindowList
{
  public:
    CWindowList() = default;
    CWindowList(const CWindowList&) = delete;
    CWindowList& operator=(const CWindowList&) = delete;

    void Add(unique_handle p_hClosedEvent, unique_handle p_hThread)
    {
        std::lock_guard<std::mutex> lock(m_oLock);
        m_vRecords.push_back({std::move(p_hClosedEvent), std::move(p_hThread), nullptr});
    }
    // The window of the record of p_hThread, once its thread has made it.
    void SetWindow(HANDLE p_hThread, HWND p_hWnd)
    {
        std::lock_guard<std::mutex> lock(m_oLock);
        for (COwnedRecord& record : m_vRecords)
            if (record.m_hThread.get() == p_hThread)
                record.m_hWnd = p_hWnd;
    }
    // The records as they are now; their handles are valid until Clear.
    std::vector<CWindowRecord> Snapshot() const
    {
        std::lock_guard<std::mutex> lock(m_oLock);
        std::vector<CWindowRecord> records;
        records.reserve(m_vRecords.size());
        for (const COwnedRecord& record : m_vRecords)
            records.push_back({record.m_hClosedEvent.get(), record.m_hThread.get(), record.m_hWnd});
        return records;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_oLock);
        m_vRecords.clear();
    }

  private:
    struct COwnedRecord
    {
        unique_handle m_hClosedEvent;
        unique_handle m_hThread;
        HWND m_hWnd;
    };
    mutable std::mutex m_oLock;
    std::vector<COwnedRecord> m_vRecords;
};

// The busy cursor: the core library's cursor 157 when it is loaded, else the system's.
void SetBusyCursorModule(HMODULE p_hCore);
HCURSOR BusyCursor();
