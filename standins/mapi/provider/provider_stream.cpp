// standins/mapi/provider/provider_stream.cpp: IStream over bytes in memory, and the stream on a
// file that OpenStreamOnFile hands out.
#include "standins/mapi/provider/provider.h"

#include <cstring>

namespace mapiprov
{
namespace
{
class CMemoryStream final : public IStream, public CUnknownBase
{
  public:
    CMemoryStream(ms::CBytes p_data, std::function<HRESULT(const ms::CBytes&)> p_onCommit, com_ptr<IUnknown> p_owner)
        : m_data(std::move(p_data)), m_onCommit(std::move(p_onCommit)), m_owner(std::move(p_owner))
    {
    }
    ~CMemoryStream() override
    {
        if (m_onClose)
            TrapExceptionsVoid("IStream::Release", [&] { m_onClose(m_data, m_bDirty); });
    }
    // Called with the bytes, and whether they changed since the last Commit, when the stream goes.
    void OnClose(std::function<void(const ms::CBytes&, bool)> p_fn)
    {
        m_onClose = std::move(p_fn);
    }
    // The name Stat reports (the file's path, for a stream on a file).
    void SetName(std::wstring p_sName)
    {
        m_sName = std::move(p_sName);
    }
    MAPI_UNKNOWN_IMPL(&IID_IStream, &IID_ISequentialStream)

    STDMETHODIMP Read(void* p_pv, ULONG p_cb, ULONG* p_pcbRead) override
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        const size_t n = m_nPos < m_data.size() ? std::min<size_t>(p_cb, m_data.size() - m_nPos) : 0;
        if (n)
            memcpy(p_pv, m_data.data() + m_nPos, n);
        m_nPos += n;
        if (p_pcbRead)
            *p_pcbRead = static_cast<ULONG>(n);
        return S_OK;
    }
    STDMETHODIMP Write(const void* p_pv, ULONG p_cb, ULONG* p_pcbWritten) override
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        if (!m_onCommit)
            return STG_E_ACCESSDENIED;
        if (m_nPos + p_cb > m_data.size())
            m_data.resize(m_nPos + p_cb);
        if (p_cb)
            memcpy(m_data.data() + m_nPos, p_pv, p_cb);
        m_nPos += p_cb;
        m_bDirty = true;
        if (p_pcbWritten)
            *p_pcbWritten = p_cb;
        return S_OK;
    }
    STDMETHODIMP Seek(LARGE_INTEGER p_move, DWORD p_dwOrigin, ULARGE_INTEGER* p_pNew) override
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        int64_t base = p_dwOrigin == STREAM_SEEK_SET   ? 0
                       : p_dwOrigin == STREAM_SEEK_CUR ? static_cast<int64_t>(m_nPos)
                       : p_dwOrigin == STREAM_SEEK_END ? static_cast<int64_t>(m_data.size())
                                                       : -1;
        if (base < 0 || base + p_move.QuadPart < 0)
            return STG_E_INVALIDFUNCTION;
        m_nPos = static_cast<size_t>(base + p_move.QuadPart);
        if (p_pNew)
            p_pNew->QuadPart = m_nPos;
        return S_OK;
    }
    STDMETHODIMP SetSize(ULARGE_INTEGER p_size) override
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        if (!m_onCommit)
            return STG_E_ACCESSDENIED;
        m_data.resize(static_cast<size_t>(p_size.QuadPart));
        m_bDirty = true;
        return S_OK;
    }
    STDMETHODIMP CopyTo(IStream* p_pDest, ULARGE_INTEGER p_cb, ULARGE_INTEGER* p_pRead,
                        ULARGE_INTEGER* p_pWritten) override
    {
        ms::CBytes chunk;
        {
            std::lock_guard<CStoreMutex> lock(Lock());
            const size_t n = m_nPos < m_data.size() ? std::min<uint64_t>(p_cb.QuadPart, m_data.size() - m_nPos) : 0;
            chunk.assign(m_data.begin() + static_cast<ptrdiff_t>(m_nPos),
                         m_data.begin() + static_cast<ptrdiff_t>(m_nPos + n));
            m_nPos += n;
        }
        ULONG written = 0;
        HRESULT hr = chunk.empty() ? S_OK : p_pDest->Write(chunk.data(), static_cast<ULONG>(chunk.size()), &written);
        if (p_pRead)
            p_pRead->QuadPart = chunk.size();
        if (p_pWritten)
            p_pWritten->QuadPart = written;
        return hr;
    }
    STDMETHODIMP Commit(DWORD) override
    {
        std::function<HRESULT(const ms::CBytes&)> f;
        ms::CBytes data;
        {
            std::lock_guard<CStoreMutex> lock(Lock());
            f = m_onCommit;
            data = m_data;
        }
        if (!f)
            return S_OK;
        const HRESULT hr =
            TrapExceptions("IStream::Commit", static_cast<HRESULT>(STG_E_CANTSAVE), [&] { return f(data); });
        if (SUCCEEDED(hr))
        {
            std::lock_guard<CStoreMutex> lock(Lock());
            m_bDirty = m_data != data;
        }
        return hr;
    }
    STDMETHODIMP Revert() override
    {
        return S_OK;
    }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    STDMETHODIMP Stat(STATSTG* p_pStat, DWORD p_dwFlags) override
    {
        if (!p_pStat)
            return STG_E_INVALIDPOINTER;
        memset(p_pStat, 0, sizeof *p_pStat);
        p_pStat->type = STGTY_STREAM;
        if (!(p_dwFlags & STATFLAG_NONAME) && !m_sName.empty())
        {
            // The caller frees the name with CoTaskMemFree, as IStream::Stat documents.
            const size_t cb = (m_sName.size() + 1) * sizeof(wchar_t);
            p_pStat->pwcsName = static_cast<LPOLESTR>(CoTaskMemAlloc(cb));
            if (!p_pStat->pwcsName)
                return STG_E_INSUFFICIENTMEMORY;
            memcpy(p_pStat->pwcsName, m_sName.c_str(), cb);
        }
        std::lock_guard<CStoreMutex> lock(Lock());
        p_pStat->cbSize.QuadPart = m_data.size();
        return S_OK;
    }
    STDMETHODIMP Clone(IStream**) override
    {
        return E_NOTIMPL;
    }

  private:
    ms::CBytes m_data;
    size_t m_nPos = 0;
    std::function<HRESULT(const ms::CBytes&)> m_onCommit;
    std::function<void(const ms::CBytes&, bool)> m_onClose;
    bool m_bDirty = false;
    std::wstring m_sName;
    com_ptr<IUnknown> m_owner; // the object whose property the stream is
};
} // namespace

HRESULT NewMemoryStream(ms::CBytes p_data, std::function<HRESULT(const ms::CBytes&)> p_onCommit,
                        com_ptr<IUnknown> p_owner, IStream** p_pp)
{
    if (!p_pp)
        return MAPI_E_INVALID_PARAMETER;
    *p_pp = new CMemoryStream(std::move(p_data), std::move(p_onCommit), std::move(p_owner));
    return S_OK;
}

namespace
{
// The whole file, up to 256 MB.
HRESULT ReadStreamFile(const std::wstring& p_sPath, ms::CBytes& p_data)
{
    unique_file file(CreateFileW(p_sPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
    {
        const DWORD error = GetLastError();
        return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? MAPI_E_NO_ACCESS : MAPI_E_NOT_FOUND;
    }
    LARGE_INTEGER size{};
    if (!LOG_IF_WIN32_BOOL_FALSE(GetFileSizeEx(file.get(), &size)))
        return MAPI_E_DISK_ERROR;
    if (size.QuadPart > (256LL << 20))
        return MAPI_E_NOT_ENOUGH_MEMORY;
    p_data.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!p_data.empty() && !LOG_IF_WIN32_BOOL_FALSE(
                               ReadFile(file.get(), p_data.data(), static_cast<DWORD>(p_data.size()), &read, nullptr)))
        return MAPI_E_DISK_ERROR;
    return read == p_data.size() ? S_OK : MAPI_E_DISK_ERROR;
}

// Makes or rewrites the file with p_data; the error says why it could not.
HRESULT WriteStreamFile(const std::wstring& p_sPath, const ms::CBytes& p_data)
{
    unique_file file(CreateFileW(p_sPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file)
    {
        const DWORD error = GetLastError();
        LogCallFailure(__PRETTY_FUNCTION__, "CreateFileW", EResultKind::Win32Error, error);
        return HRESULT_FROM_WIN32(error);
    }
    DWORD written = 0;
    if (!p_data.empty() && !LOG_IF_WIN32_BOOL_FALSE(WriteFile(file.get(), p_data.data(),
                                                              static_cast<DWORD>(p_data.size()), &written, nullptr)))
        return STG_E_WRITEFAULT;
    return written == p_data.size() ? S_OK : STG_E_WRITEFAULT;
}
} // namespace

HRESULT OpenFileStream(const std::wstring& p_sPath, ULONG p_ulFlags, IStream** p_pp)
{
    // STGM_CREATE makes or truncates the file; writes reach the file at Commit, and at the last
    // Release for what was not committed, as a stream on the file itself would leave it.
    // STGM_DELETEONRELEASE removes the file with the stream.
    ms::CBytes data;
    const bool bCreate = (p_ulFlags & STGM_CREATE) != 0;
    const bool bWrite = bCreate || (p_ulFlags & (STGM_WRITE | STGM_READWRITE)) != 0;
    if (!bCreate)
        if (const HRESULT hr = ReadStreamFile(p_sPath, data); FAILED(hr))
            return hr;
    std::function<HRESULT(const ms::CBytes&)> onCommit;
    if (bWrite)
    {
        onCommit = [p_sPath](const ms::CBytes& p_b) { return WriteStreamFile(p_sPath, p_b); };
        // The file exists (empty) from the start, as CreateFile would make it; one that cannot be
        // made fails the call.
        if (bCreate)
            if (const HRESULT hr = onCommit(data); FAILED(hr))
                return hr;
    }
    auto* stream = new CMemoryStream(std::move(data), onCommit, {});
    stream->SetName(p_sPath);
    const bool bDelete = (p_ulFlags & STGM_DELETEONRELEASE) != 0;
    stream->OnClose([p_sPath, bDelete, onCommit](const ms::CBytes& p_b, bool p_bDirty) {
        if (bDelete)
            LOG_IF_WIN32_BOOL_FALSE(DeleteFileW(p_sPath.c_str()));
        else if (p_bDirty && onCommit)
            (void)onCommit(p_b); // a failure is logged
    });
    *p_pp = stream;
    return S_OK;
}
} // namespace mapiprov
