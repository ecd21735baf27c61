// standins/mapi/provider/provider_shared_store.cpp: the provider's lock and the store file shared
// by several processes: a named mutex and a mapped write counter per file, reading the file again
// when another process wrote it, and writing through what this process changed.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/store/folder_index.h"

#include <algorithm>
#include <cwctype>

namespace mapiprov
{
namespace
{
// A process that holds the file longer than this is stuck; the call goes on without it (logged).
constexpr DWORD kSharedWaitMs = 30000;

// The named objects of a store file: the same full path, in any case, names the same objects.
std::wstring SharedName(const wchar_t* p_szKind, const std::wstring& p_sPath)
{
    wchar_t full[MAX_PATH * 2] = {};
    const DWORD n = GetFullPathNameW(p_sPath.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
    std::wstring path = n > 0 && n < std::size(full) ? std::wstring(full, n) : p_sPath;
    uint64_t hash = 1469598103934665603ull; // FNV-1a
    for (wchar_t c : path)
    {
        hash ^= static_cast<uint64_t>(std::towupper(c));
        hash *= 1099511628211ull;
    }
    wchar_t name[96];
    swprintf(name, std::size(name), L"Local\\BrevoltMapiStore%ls-%016llx", p_szKind,
             static_cast<unsigned long long>(hash));
    return name;
}

void MarkAllFoldersChanged(ms::CFolder& p_f)
{
    ms::MarkFolderChanged(p_f);
    for (auto& child : p_f.m_vFolders)
        MarkAllFoldersChanged(*child);
}
} // namespace

void CStoreMutex::lock()
{
    m_mutex.lock();
    if (m_iDepth++ != 0)
        return;
    TrapExceptionsVoid("CStoreMutex::lock", [this] {
        CProvider& prov = CProvider::Get();
        if (!prov.m_bLoaded || !prov.SharedMutex())
            return;
        HoldShared();
        prov.ReloadIfStale();
        // Other processes' notifications, raised here once the file shows what they are about.
        if (m_bHeld)
            ImportPublished();
    });
}

void CStoreMutex::unlock()
{
    if (m_iDepth == 1)
        TrapExceptionsVoid("CStoreMutex::unlock", [this] {
            CProvider& prov = CProvider::Get();
            prov.SaveIfDirty();
            // The events of what the file now holds go to the other processes with it; a snapshot
            // is not written through, so they would not find what its events name.
            if (m_bHeld && !prov.m_bSnapshot && !prov.IsDirty())
                PublishQueued();
            if (m_bHeld)
                (void)LOG_IF_WIN32_BOOL_FALSE(ReleaseMutex(prov.SharedMutex()));
        });
    if (m_iDepth == 1)
        m_bHeld = false;
    --m_iDepth;
    m_mutex.unlock();
}

void CStoreMutex::HoldShared()
{
    if (m_bHeld || m_iDepth == 0 || !CProvider::Get().SharedMutex())
        return;
    const DWORD wait = WaitForSingleObject(CProvider::Get().SharedMutex(), kSharedWaitMs);
    // An owner that ended while holding it left the file as its last rename did: whole.
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED)
        m_bHeld = true;
    else
        LOG_FAILURE("the store file's mutex was not free after %lu ms (wait %lu)",
                    static_cast<unsigned long>(kSharedWaitMs), static_cast<unsigned long>(wait));
}

bool CProvider::AttachShared()
{
    if (m_hSharedMutex)
        return true;
    unique_handle mutex(CreateMutexW(nullptr, FALSE, SharedName(L"Mutex", m_sPath).c_str()));
    if (!LOG_IF_WIN32_BOOL_FALSE(mutex.get()))
        return false;
    unique_handle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 2 * sizeof(LONG64),
                                             SharedName(L"Counter", m_sPath).c_str()));
    if (!LOG_IF_WIN32_BOOL_FALSE(mapping.get()))
        return false;
    void* view = MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 2 * sizeof(LONG64));
    if (!LOG_IF_WIN32_BOOL_FALSE(view))
        return false;
    m_pSharedCounter = std::shared_ptr<LONG64>(static_cast<LONG64*>(view), [](LONG64* p_p) { UnmapViewOfFile(p_p); });
    m_hSharedMutex = std::move(mutex);
    m_hSharedMapping = std::move(mapping);
    // Without the journal the store is still shared; only other processes' notifications are missed.
    (void)AttachEventJournal(SharedName(L"Events", m_sPath));
    return true;
}

void CProvider::RegisterNames()
{
    RegisterContactNames(m_file);
    RegisterCalendarNames(m_file);
    // A snapshot is not written again for names alone (hundreds of megabytes at a million items):
    // every process registers them the same way at every read.
    if (m_bSnapshot)
        m_nFileNames = m_file.m_vNames.size();
}

void CProvider::NoteReadWritten()
{
    NoteWritten(m_nFileNames);
    // Standard folders the read made (a seed without them) have ids other processes would give out
    // differently, and records naming them would not apply there: the whole file is written first.
    if (m_bReadAddedFolders)
        Changed();
}

void CProvider::NoteWritten(size_t p_nFileNames)
{
    m_ulSavedGeneration = Generation();
    m_nSavedNames = std::min(p_nFileNames, m_file.m_vNames.size());
    m_uSavedNextId = m_file.m_uNextId;
    if (m_pSharedCounter)
    {
        m_llSeenCounter = InterlockedCompareExchange64(m_pSharedCounter.get(), 0, 0);
        m_llSeenWholeWrites = InterlockedCompareExchange64(WholeWrites(), 0, 0);
    }
}

void CProvider::ReloadIfStale()
{
    if (!m_bLoaded || !m_pSharedCounter ||
        InterlockedCompareExchange64(m_pSharedCounter.get(), 0, 0) == m_llSeenCounter)
        return;
    // This process writes through at every outermost unlock, so what it changed is on disk already;
    // one whose write failed loses that change to the file (it is logged), never the file's.
    const bool bDirty = IsDirty();
    if (bDirty)
        LOG_FAILURE("changes this process could not write give way to the store file another process wrote");
    // Another process that saved messages only appended their records: those are all that is read,
    // and only the folders they changed were marked.
    else if (InterlockedCompareExchange64(WholeWrites(), 0, 0) == m_llSeenWholeWrites && ReadAppended())
    {
        Changed();
        NoteWritten();
        return;
    }
    bool bEmpty = true, bSnapshot = false;
    if (FAILED(ReadStore(m_file, bSnapshot, bEmpty)))
    {
        // Keeps this copy; the counter is taken as read so the same file is not parsed at every call.
        // Records ReadAppended applied before it gave up came from the file: they are not written back.
        if (bDirty)
            m_llSeenCounter = InterlockedCompareExchange64(m_pSharedCounter.get(), 0, 0);
        else
        {
            Changed();
            NoteWritten();
        }
        return;
    }
    m_bSnapshot = bSnapshot;
    RegisterNames();
    // Tables over a folder look again: every folder's stamp moves.
    for (auto& store : m_file.m_vStores)
        MarkAllFoldersChanged(store.m_root);
    Changed();
    NoteReadWritten();
}

bool CProvider::IsDirty() const
{
    return m_bLoaded && m_ulSavedGeneration != 0 &&
           (Generation() != m_ulSavedGeneration || m_file.m_vNames.size() != m_nSavedNames ||
            m_file.m_uNextId != m_uSavedNextId);
}

void CProvider::SaveIfDirty()
{
    // A snapshot is the benchmark's store of a million items: it is written when it was before.
    if (m_bSnapshot || !IsDirty() || Generation() == m_ulFailedGeneration)
        return;
    // Only ids taken (a message made, not saved yet) or names registered: one small record reserves
    // them for every process, without a whole-file write that would make them all read it whole.
    if (AppendIds())
        return;
    if (!Save())
        m_ulFailedGeneration = Generation();
}

std::wstring StoreObjectName(const wchar_t* p_szKind)
{
    return SharedName(p_szKind, CProvider::Get().m_sPath);
}

std::string StorePathUtf8()
{
    return Utf8FromWide(CProvider::Get().m_sPath.c_str());
}
} // namespace mapiprov
