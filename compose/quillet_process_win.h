// compose/quillet_process_win.h: what the compose server keeps once per process: the module lock count
// that ends the server, the MAPI library, the last Init's package, the window list record and the
// message-box seam every Quillet box goes through.
#pragma once

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

// The MAPI library of the process, loaded at most once.
extern HMODULE g_hMapiInstance;
extern int g_iPackage;
extern int g_iPackageVersion;

// One compose or template window an opener started. It is listed before its thread runs, without
// a window until the thread has made one.
struct CWindowRecord
{
    HANDLE m_hClosedEvent;
    HANDLE m_hThread;
    HWND m_hWnd;
};

// Window threads append while the opener's thread walks it, so it has its own lock.
class CWindowList
{
  public:
    void Add(const CWindowRecord& p_oRecord)
    {
        std::lock_guard<std::mutex> lock(m_oLock);
        m_vRecords.push_back(p_oRecord);
    }
    // The window of the record of p_hThread, once its thread has made it.
    void SetWindow(HANDLE p_hThread, HWND p_hWnd)
    {
        std::lock_guard<std::mutex> lock(m_oLock);
        for (CWindowRecord& record : m_vRecords)
            if (record.m_hThread == p_hThread)
                record.m_hWnd = p_hWnd;
    }
    std::vector<CWindowRecord> Snapshot() const
    {
        std::lock_guard<std::mutex> lock(m_oLock);
        return m_vRecords;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_oLock);
        m_vRecords.clear();
    }

  private:
    mutable std::mutex m_oLock;
    std::vector<CWindowRecord> m_vRecords;
};

// Every message box of Quillet. Tests replace it so that no box waits for a user.
using MessageBoxFn = int (*)(HWND p_hOwner, const std::string& p_sText, const std::string& p_sCaption, UINT p_uType);
extern MessageBoxFn g_pfnMessageBox;
int QuilletMessageBox(HWND p_hOwner, const std::string& p_sText, const std::string& p_sCaption, UINT p_uType);

// The busy cursor: the core library's cursor 157 when it is loaded, else the system's.
void SetBusyCursorModule(HMODULE p_hCore);
HCURSOR BusyCursor();
