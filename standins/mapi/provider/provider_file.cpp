// standins/mapi/provider/provider_file.cpp: the provider's configuration key and the store file
// behind every session.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/store/collation.h"
#include "standins/mapi/store/store_journal.h"

#include <algorithm>
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

// The bytes before the end of the file this process knew, which a reader finds again before it
// takes what follows as appended: Linux (under Wine) gives a freed file index to the next new file
// at once, so a file replaced twice can show the index this process knew.
constexpr size_t kTailBytes = 4096;
// More than this appended since is read with the whole file, in one piece as ReadStore does.
constexpr int64_t kMaxAppendedBytes = 64 << 20;

// Keeps the last kTailBytes of the file once p_sAppended has been added to it.
void KeepTail(std::string& p_sTail, std::string_view p_sAppended)
{
    p_sTail.append(p_sAppended.substr(p_sAppended.size() - std::min(p_sAppended.size(), kTailBytes)));
    if (p_sTail.size() > kTailBytes)
        p_sTail.erase(0, p_sTail.size() - kTailBytes);
}

unique_file OpenStoreFile(const std::wstring& p_sPath, DWORD p_dwAccess, DWORD p_dwShare)
{
    return unique_file(
        CreateFileW(p_sPath.c_str(), p_dwAccess, p_dwShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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
        // An absent or empty file is not written for what a read makes, as before any change.
        m_nFileNames = SIZE_MAX;
        m_bReadAddedFolders = false;
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
    // The names the file gives ids to; those the steps below add are not in it.
    const size_t nFileNames = file.m_vNames.size();
    m_nBaseBytes = p_bSnapshot ? text.size() : ms::JournalStart(text);
    m_nJournalBytes = text.size() - m_nBaseBytes;
    NoteFileIdentity(text); // read under the file's mutex: nobody wrote it since
    const uint32_t nextIdRead = file.m_uNextId;
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
    m_nFileNames = nFileNames;
    m_bReadAddedFolders = file.m_uNextId != nextIdRead;
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
    RegisterNames();
    m_bLoaded = true;
    Changed();
    if (!bEmpty)
        NoteReadWritten();
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
    NoteFileIdentity(text);
    if (m_pSharedCounter)
    {
        // Others read it again at their next lock, all of it: no appended record shows this write.
        m_llSeenWholeWrites = InterlockedIncrement64(WholeWrites());
        m_llSeenCounter = InterlockedIncrement64(m_pSharedCounter.get());
    }
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

void CProvider::NoteFileIdentity(std::string_view p_sText)
{
    const unique_file file =
        OpenStoreFile(m_sPath, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info) ||
        FileSizeValue(info.nFileSizeHigh, info.nFileSizeLow) != static_cast<int64_t>(p_sText.size()))
    {
        m_llFileSize = -1; // unknown: the next message save writes the whole file, the next read reads it
        m_sFileTail.clear();
        return;
    }
    NoteFileInfo(info);
    m_sFileTail.assign(p_sText.substr(p_sText.size() - std::min(p_sText.size(), kTailBytes)));
}

void CProvider::NoteFileInfo(const BY_HANDLE_FILE_INFORMATION& p_info)
{
    m_llFileSize = FileSizeValue(p_info.nFileSizeHigh, p_info.nFileSizeLow);
    m_ullFileTime = FileTimeValue(p_info.ftLastWriteTime);
    m_ullFileIndex = FileSizeValue(p_info.nFileIndexHigh, p_info.nFileIndexLow);
    m_dwFileVolume = p_info.dwVolumeSerialNumber;
}

bool CProvider::IsKnownFile(const BY_HANDLE_FILE_INFORMATION& p_info) const
{
    return m_llFileSize >= 0 && p_info.dwVolumeSerialNumber == m_dwFileVolume &&
           static_cast<uint64_t>(FileSizeValue(p_info.nFileIndexHigh, p_info.nFileIndexLow)) == m_ullFileIndex;
}

bool CProvider::AppendToStore(const std::string& p_sRecord)
{
    if (m_llFileSize < 0)
        return false;
    const unique_file file = OpenStoreFile(m_sPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info))
        return false; // the whole file is written instead, which reports what fails
    // A file replaced or changed behind this process's back (a test copying a seed over it) is not
    // appended to: the whole store is written over it, as a save always did.
    if (!IsKnownFile(info) || FileSizeValue(info.nFileSizeHigh, info.nFileSizeLow) != m_llFileSize ||
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
    NoteFileInfo(info);
    KeepTail(m_sFileTail, p_sRecord);
    m_nJournalBytes += p_sRecord.size();
    return true;
}

bool CProvider::ReadAppended()
{
    if (m_bSnapshot || m_llFileSize <= 0 || m_sFileTail.empty())
        return false;
    const unique_file file =
        OpenStoreFile(m_sPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info) || !IsKnownFile(info))
        return false; // replaced (a whole-file save renames a new file over it) or gone
    const int64_t size = FileSizeValue(info.nFileSizeHigh, info.nFileSizeLow);
    if (size <= m_llFileSize || size - m_llFileSize > kMaxAppendedBytes)
        return false;
    const int64_t from = m_llFileSize - static_cast<int64_t>(m_sFileTail.size());
    std::string bytes(static_cast<size_t>(size - from), '\0');
    LARGE_INTEGER at{};
    at.QuadPart = from;
    DWORD read = 0;
    if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
        !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size() ||
        bytes.compare(0, m_sFileTail.size(), m_sFileTail) != 0)
        return false;
    // Whole records only: a cut one (a writer that ended mid-write) is left to the full read, which
    // skips it and appends after it.
    const std::string_view appended = std::string_view(bytes).substr(m_sFileTail.size());
    const ms::CJournalScan scan = ms::ScanJournal(appended);
    if (scan.m_nSkipped != 0 || scan.m_vPayloads.empty())
        return false;
    // Each record marks the folder it changed: tables over the other folders are not built again.
    for (std::string_view payload : scan.m_vPayloads)
    {
        std::string err;
        if (!ms::ApplyJournalRecord(payload, m_file, err))
        {
            LOG_FAILURE("the store file is read whole: %s", err.c_str());
            return false;
        }
    }
    NoteFileInfo(info);
    KeepTail(m_sFileTail, appended);
    m_nJournalBytes += appended.size();
    return true;
}

bool CProvider::SaveItem(const ms::CStore& p_store, uint32_t p_uFolder, const ms::CItem& p_item,
                         uint64_t p_ulGenerationBefore)
{
    if (!m_bLoaded)
        return true;
    // Anything else unwritten (a folder made, an entry deleted, ...) goes with the whole file.
    if (m_ulSavedGeneration != p_ulGenerationBefore ||
        !AppendRecord(ms::JournalRecordPayload(m_file, p_store, p_uFolder, p_item, m_nSavedNames)))
        return Save();
    return true;
}

bool CProvider::AppendIds()
{
    return m_bLoaded && Generation() == m_ulSavedGeneration &&
           AppendRecord(ms::IdsRecordPayload(m_file, m_nSavedNames));
}

bool CProvider::AppendRecord(const std::string& p_sPayload)
{
    // A journal grown as large as the document is folded in by a whole-file write instead.
    if (m_bSnapshot || m_nBaseBytes == 0 || m_nSavedNames > m_file.m_vNames.size() ||
        m_nJournalBytes > std::max(kMinJournalBytes, m_nBaseBytes) ||
        !AppendToStore(ms::FrameJournalRecord(p_sPayload)))
        return false;
    NoteWritten();
    if (m_pSharedCounter)
        m_llSeenCounter = InterlockedIncrement64(m_pSharedCounter.get()); // others read it again at their next lock
    return true;
}
} // namespace mapiprov
