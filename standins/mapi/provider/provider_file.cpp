// standins/mapi/provider/provider_file.cpp: the provider's configuration key and the store file
// behind every session.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/store/collation.h"
#include "standins/mapi/store/store_journal.h"

#include <fstream>

namespace mapiprov
{
CProvider& CProvider::Get()
{
    static CProvider s_provider;
    return s_provider;
}

std::wstring CProvider::Config(const wchar_t* p_szName, const std::wstring& p_sDefault)
{
    wchar_t buf[1024];
    DWORD cb = sizeof buf - sizeof(wchar_t);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kConfigKey, p_szName, RRF_RT_REG_SZ, &type, buf, &cb) != ERROR_SUCCESS)
        return p_sDefault;
    return buf;
}

namespace
{
// A store of a million items is millions of small blocks. Windows gives every process heap the
// low-fragmentation front end; Wine 8 does so only when asked, and without it allocation slows
// to milliseconds once a few hundred thousand blocks have come and gone.
void UseLowFragmentationHeap()
{
    ULONG ulLfh = 2;
    (void)LOG_IF_WIN32_BOOL_FALSE(
        HeapSetInformation(GetProcessHeap(), HeapCompatibilityInformation, &ulLfh, sizeof ulLfh));
}

// A journal this much larger than the document is folded into it by the next save of a message:
// the whole file is then written once for every so many bytes of records.
constexpr size_t kMinJournalBytes = 256u << 10;

uint64_t FileTimeValue(const FILETIME& p_ft)
{
    return (static_cast<uint64_t>(p_ft.dwHighDateTime) << 32) | p_ft.dwLowDateTime;
}

int64_t FileSizeValue(DWORD p_dwHigh, DWORD p_dwLow)
{
    return static_cast<int64_t>((static_cast<uint64_t>(p_dwHigh) << 32) | p_dwLow);
}
} // namespace

HRESULT CProvider::ReadStore(ms::CStoreFile& p_file, bool& p_bSnapshot, bool& p_bEmpty)
{
    std::string text;
    {
        // Read in one piece: a snapshot of a million items is hundreds of megabytes, and a
        // growing buffer would copy it several times over.
        std::ifstream in(m_sPath.c_str(), std::ios::binary | std::ios::ate);
        const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
        if (size > 0)
        {
            text.resize(static_cast<size_t>(size));
            in.seekg(0);
            if (!in.read(text.data(), size))
            {
                LOG_FAILURE("the store file could not be read");
                return MAPI_E_CORRUPT_DATA; // the file is left as it is
            }
        }
    }
    p_bEmpty = text.empty();
    p_bSnapshot = false;
    m_nBaseBytes = m_nJournalBytes = 0;
    if (text.empty())
    {
        p_file = ms::MakeDefaultStoreFile();
        return S_OK;
    }
    std::string err;
    ms::CStoreFile file;
    p_bSnapshot = ms::IsStoreSnapshot(text);
    size_t nSkipped = 0;
    if (!ms::LoadStoreAny(text, file, err, &nSkipped))
    {
        LOG_FAILURE("store file rejected: %s", err.c_str());
        return MAPI_E_CORRUPT_DATA; // the file is left as it is: nothing is lost
    }
    // A record cut short by a writer that ended mid-write is one whose save never reported success.
    if (nSkipped)
        LOG_FAILURE("%lu journal records of the store file did not fit and are left out",
                    static_cast<unsigned long>(nSkipped));
    m_nBaseBytes = p_bSnapshot ? text.size() : ms::JournalStart(text);
    m_nJournalBytes = text.size() - m_nBaseBytes;
    NoteFileIdentity(); // read under the file's mutex: nobody wrote it since
    ms::EnsureStandardFolders(file, file.m_bReminders);
    // Links are made in place: the named-property ids they take are the provider's (p_file is its
    // store), and what was there comes back when the file is refused.
    ms::CStoreFile previous = std::move(p_file);
    p_file = std::move(file);
    if (!LinkSeedReferences(p_file, err))
    {
        LOG_FAILURE("store file rejected: %s", err.c_str());
        p_file = std::move(previous);
        return MAPI_E_CORRUPT_DATA;
    }
    return S_OK;
}

HRESULT CProvider::EnsureLoaded()
{
    if (m_bLoaded)
        return S_OK;
    UseLowFragmentationHeap();
    m_sPath = Config(L"StoreFile");
    if (m_sPath.empty())
    {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        m_sPath = std::wstring(dir) + L"brevolt-mapi-store.json";
    }
    // Another process may be writing the file: it is read under the file's named mutex.
    if (AttachShared())
        Lock().HoldShared();
    // Tables sort strings as the system does; orders kept in a snapshot name the collation they used.
    ms::SetCollation(ms::SystemCollation());
    bool bEmpty = true;
    const HRESULT hr = ReadStore(m_file, m_bSnapshot, bEmpty);
    if (FAILED(hr))
    {
        m_file = ms::CStoreFile();
        return hr;
    }
    RegisterContactNames(m_file);
    RegisterCalendarNames(m_file);
    m_bLoaded = true;
    Changed();
    if (!bEmpty)
        NoteWritten();
    return S_OK;
}

bool CProvider::Save()
{
    if (!m_bLoaded)
        return true;
    const std::string text = m_bSnapshot ? ms::SaveStoreSnapshot(m_file) : ms::SaveStoreFile(m_file);
    const std::wstring tmp = m_sPath + L".tmp";
    {
        std::ofstream out(tmp.c_str(), std::ios::binary | std::ios::trunc);
        out << text;
        if (!out)
        {
            LOG_FAILURE("the store file could not be written");
            return false;
        }
    }
    if (!LOG_IF_WIN32_BOOL_FALSE(MoveFileExW(tmp.c_str(), m_sPath.c_str(), MOVEFILE_REPLACE_EXISTING)))
        return false;
    NoteWritten();
    m_nBaseBytes = text.size();
    m_nJournalBytes = 0;
    NoteFileIdentity();
    if (m_pSharedCounter)
        m_llSeenCounter = InterlockedIncrement64(m_pSharedCounter.get()); // others read it again at their next lock
    return true;
}

bool CProvider::SaveIfChanged()
{
    // Every change to items and folders moves the generation; new named-property ids do not, so
    // they are counted. A JSON store keeps being written, as it always was.
    if (m_bSnapshot && m_ulSavedGeneration != 0 && Generation() == m_ulSavedGeneration &&
        m_file.m_vNames.size() == m_nSavedNames)
        return true;
    return Save();
}

void CProvider::NoteFileIdentity()
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(m_sPath.c_str(), GetFileExInfoStandard, &data))
    {
        m_llFileSize = -1; // unknown: the next message save writes the whole file
        return;
    }
    m_llFileSize = FileSizeValue(data.nFileSizeHigh, data.nFileSizeLow);
    m_ullFileTime = FileTimeValue(data.ftLastWriteTime);
}

bool CProvider::AppendToStore(const std::string& p_sRecord)
{
    if (m_llFileSize < 0)
        return false;
    unique_file file(CreateFileW(m_sPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info))
        return false; // the whole file is written instead, which reports what fails
    // A file replaced or changed behind this process's back (a test copying a seed over it) is not
    // appended to: the whole store is written over it, as a save always did.
    if (FileSizeValue(info.nFileSizeHigh, info.nFileSizeLow) != m_llFileSize ||
        FileTimeValue(info.ftLastWriteTime) != m_ullFileTime)
        return false;
    LARGE_INTEGER end{};
    end.QuadPart = m_llFileSize;
    DWORD written = 0;
    if (!LOG_IF_WIN32_BOOL_FALSE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN)) ||
        !LOG_IF_WIN32_BOOL_FALSE(
            WriteFile(file.get(), p_sRecord.data(), static_cast<DWORD>(p_sRecord.size()), &written, nullptr)) ||
        written != p_sRecord.size())
    {
        // Readers would skip what was written; the file is cut back so the whole-file save starts clean.
        (void)LOG_IF_WIN32_BOOL_FALSE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        (void)LOG_IF_WIN32_BOOL_FALSE(SetEndOfFile(file.get()));
        return false;
    }
    if (!GetFileInformationByHandle(file.get(), &info))
        return false;
    m_llFileSize = FileSizeValue(info.nFileSizeHigh, info.nFileSizeLow);
    m_ullFileTime = FileTimeValue(info.ftLastWriteTime);
    m_nJournalBytes += p_sRecord.size();
    return true;
}

bool CProvider::SaveItem(const ms::CStore& p_store, uint32_t p_uFolder, const ms::CItem& p_item,
                         uint64_t p_ulGenerationBefore)
{
    if (!m_bLoaded)
        return true;
    // Anything else unwritten (a folder made, an entry deleted, ...) goes with the whole file, and so
    // does a journal grown as large as the document: it is folded in.
    const bool bJournal = !m_bSnapshot && m_nBaseBytes > 0 && m_ulSavedGeneration == p_ulGenerationBefore &&
                          m_nSavedNames <= m_file.m_vNames.size() &&
                          m_nJournalBytes <= std::max(kMinJournalBytes, m_nBaseBytes);
    if (!bJournal || !AppendToStore(ms::FrameJournalRecord(
                         ms::JournalRecordPayload(m_file, p_store, p_uFolder, p_item, m_nSavedNames))))
        return Save();
    NoteWritten();
    if (m_pSharedCounter)
        m_llSeenCounter = InterlockedIncrement64(m_pSharedCounter.get()); // others read it again at their next lock
    return true;
}
} // namespace mapiprov
