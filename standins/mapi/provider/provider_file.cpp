// standins/mapi/provider/provider_file.cpp: the provider's configuration key and the store file
// behind every session.
#include "standins/mapi/provider/provider.h"
#include "standins/mapi/store/collation.h"

#include <fstream>
#include <sstream>

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

HRESULT CProvider::EnsureLoaded()
{
    if (m_bLoaded)
        return S_OK;
    m_sPath = Config(L"StoreFile");
    if (m_sPath.empty())
    {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        m_sPath = std::wstring(dir) + L"brevolt-mapi-store.json";
    }
    std::string text;
    {
        std::ifstream in(m_sPath.c_str(), std::ios::binary);
        if (in)
        {
            std::ostringstream ss;
            ss << in.rdbuf();
            text = ss.str();
        }
    }
    // Tables sort strings as the system does; orders kept in a snapshot name the collation they used.
    ms::SetCollation(ms::SystemCollation());
    if (text.empty())
        m_file = ms::MakeDefaultStoreFile();
    else
    {
        std::string err;
        ms::CStoreFile file;
        m_bSnapshot = ms::IsStoreSnapshot(text);
        if (!ms::LoadStoreAny(text, file, err))
        {
            LOG_FAILURE("store file rejected: %s", err.c_str());
            return MAPI_E_CORRUPT_DATA; // the file is left as it is: nothing is lost
        }
        ms::EnsureStandardFolders(file, file.m_bReminders);
        m_file = std::move(file);
    }
    m_bLoaded = true;
    Changed();
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
    return LOG_IF_WIN32_BOOL_FALSE(MoveFileExW(tmp.c_str(), m_sPath.c_str(), MOVEFILE_REPLACE_EXISTING)) != FALSE;
}
} // namespace mapiprov
