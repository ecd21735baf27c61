// standins/mapi/provider/provider_file.cpp: the provider's configuration key and the store file
// behind every session.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/store/collation.h"

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
    if (text.empty())
    {
        p_file = ms::MakeDefaultStoreFile();
        return S_OK;
    }
    std::string err;
    ms::CStoreFile file;
    p_bSnapshot = ms::IsStoreSnapshot(text);
    if (!ms::LoadStoreAny(text, file, err))
    {
        LOG_FAILURE("store file rejected: %s", err.c_str());
        return MAPI_E_CORRUPT_DATA; // the file is left as it is: nothing is lost
    }
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
} // namespace mapiprov
