// standins/mapi/provider/provider_marshal.cpp: the stand-in's objects handed to another process.
// MAPI is loaded into every process that uses it, and so is the stand-in: a session, store, folder
// or saved message marshals as the store file's path and the object's entry id, and the receiving
// process opens the same object from the same file through the unmarshal class, an in-process
// server of this DLL. Within a process the objects stay free-threaded (the aggregated free-threaded
// marshaler serves every in-process context).
#include "standins/mapi/provider/provider.h"

namespace mapiprov
{
// {B7A5EED2-0C0A-4B1D-8E55-5EED11AB0001}: registered as an in-process server naming this DLL.
extern const CLSID CLSID_StandinUnmarshal = {
    0xB7A5EED2, 0x0C0A, 0x4B1D, {0x8E, 0x55, 0x5E, 0xED, 0x11, 0xAB, 0x00, 0x01}};

namespace
{
bool IsOtherProcess(DWORD p_dwContext)
{
    return p_dwContext == MSHCTX_LOCAL || p_dwContext == MSHCTX_NOSHAREDMEM;
}

// Reads exactly p_n bytes.
HRESULT ReadAll(IStream* p_pStream, void* p_pv, ULONG p_n)
{
    ULONG got = 0;
    const HRESULT hr = p_pStream->Read(p_pv, p_n, &got);
    return FAILED(hr) ? hr : got == p_n ? S_OK : STG_E_READFAULT;
}

// The blob at the stream's position, checked as outside input.
HRESULT ReadBlob(IStream* p_pStream, CMarshalTarget& p_target)
{
    if (!p_pStream)
        return E_INVALIDARG;
    std::vector<uint8_t> bytes(kMarshalHeaderSize);
    RETURN_IF_FAILED(ReadAll(p_pStream, bytes.data(), static_cast<ULONG>(bytes.size())));
    const size_t nFixed = MarshalBlobSize(bytes.data(), bytes.size());
    if (nFixed == 0)
    {
        LOG_FAILURE("the marshalled data is not the stand-in's");
        return E_UNEXPECTED;
    }
    bytes.resize(nFixed);
    RETURN_IF_FAILED(
        ReadAll(p_pStream, bytes.data() + kMarshalHeaderSize, static_cast<ULONG>(nFixed - kMarshalHeaderSize)));
    const uint8_t* pLength = bytes.data() + nFixed - 4;
    const size_t nEntry = pLength[0] | pLength[1] << 8 | pLength[2] << 16 | static_cast<size_t>(pLength[3]) << 24;
    if (nEntry > kMarshalMaxEntry)
    {
        LOG_FAILURE("the marshalled entry id is %lu bytes long", static_cast<unsigned long>(nEntry));
        return E_UNEXPECTED;
    }
    bytes.resize(nFixed + nEntry);
    if (nEntry > 0)
        RETURN_IF_FAILED(ReadAll(p_pStream, bytes.data() + nFixed, static_cast<ULONG>(nEntry)));
    if (!ReadMarshalBlob(bytes.data(), bytes.size(), p_target))
    {
        LOG_FAILURE("the marshalled data does not read");
        return E_UNEXPECTED;
    }
    return S_OK;
}

// The IMarshal an object that another process can open answers: its own form for other
// processes, the free-threaded marshaler's for everything else.
class CMarshaler final : public IMarshal
{
  public:
    CMarshaler(IUnknown* p_pSelf, com_ptr<IMarshal> p_pFtm, std::vector<uint8_t> p_vBlob)
        : m_pSelf(com_ptr<IUnknown>::copy_from(p_pSelf)), m_pFtm(std::move(p_pFtm)), m_vBlob(std::move(p_vBlob))
    {
    }
    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (!p_ppv)
            return E_POINTER;
        if (p_riid == IID_IMarshal)
        {
            *p_ppv = static_cast<IMarshal*>(this);
            AddRef();
            return S_OK;
        }
        return m_pSelf->QueryInterface(p_riid, p_ppv); // the object's identity
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return ++m_cRef;
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG c = --m_cRef;
        if (c == 0)
            delete this;
        return c;
    }
    STDMETHODIMP GetUnmarshalClass(REFIID p_riid, void* p_pv, DWORD p_dwContext, void* p_pvContext, DWORD p_dwFlags,
                                   CLSID* p_pClsid) override
    {
        if (!IsOtherProcess(p_dwContext))
            return m_pFtm->GetUnmarshalClass(p_riid, p_pv, p_dwContext, p_pvContext, p_dwFlags, p_pClsid);
        if (!p_pClsid)
            return E_POINTER;
        *p_pClsid = CLSID_StandinUnmarshal;
        return S_OK;
    }
    STDMETHODIMP GetMarshalSizeMax(REFIID p_riid, void* p_pv, DWORD p_dwContext, void* p_pvContext, DWORD p_dwFlags,
                                   DWORD* p_pSize) override
    {
        if (!IsOtherProcess(p_dwContext))
            return m_pFtm->GetMarshalSizeMax(p_riid, p_pv, p_dwContext, p_pvContext, p_dwFlags, p_pSize);
        if (!p_pSize)
            return E_POINTER;
        *p_pSize = static_cast<DWORD>(m_vBlob.size());
        return S_OK;
    }
    STDMETHODIMP MarshalInterface(IStream* p_pStream, REFIID p_riid, void* p_pv, DWORD p_dwContext, void* p_pvContext,
                                  DWORD p_dwFlags) override
    {
        if (!IsOtherProcess(p_dwContext))
            return m_pFtm->MarshalInterface(p_pStream, p_riid, p_pv, p_dwContext, p_pvContext, p_dwFlags);
        if (!p_pStream)
            return E_INVALIDARG;
        ULONG written = 0;
        const HRESULT hr = p_pStream->Write(m_vBlob.data(), static_cast<ULONG>(m_vBlob.size()), &written);
        return FAILED(hr) ? hr : written == m_vBlob.size() ? S_OK : STG_E_WRITEFAULT;
    }
    // Data this object wrote for another process is read there by the unmarshal class; what
    // reaches this object is the free-threaded marshaler's.
    STDMETHODIMP UnmarshalInterface(IStream* p_pStream, REFIID p_riid, void** p_ppv) override
    {
        return m_pFtm->UnmarshalInterface(p_pStream, p_riid, p_ppv);
    }
    STDMETHODIMP ReleaseMarshalData(IStream* p_pStream) override
    {
        return m_pFtm->ReleaseMarshalData(p_pStream);
    }
    STDMETHODIMP DisconnectObject(DWORD p_dwReserved) override
    {
        return m_pFtm->DisconnectObject(p_dwReserved);
    }

  private:
    std::atomic<ULONG> m_cRef{1};
    com_ptr<IUnknown> m_pSelf;
    com_ptr<IMarshal> m_pFtm;
    std::vector<uint8_t> m_vBlob;
};

// The unmarshal class: opens in this process what another process marshalled.
class CUnmarshaler final : public IMarshal, public CUnknownBase
{
  public:
    MAPI_UNKNOWN_IMPL(&IID_IMarshal)
    STDMETHODIMP GetUnmarshalClass(REFIID, void*, DWORD, void*, DWORD, CLSID*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetMarshalSizeMax(REFIID, void*, DWORD, void*, DWORD, DWORD*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP MarshalInterface(IStream*, REFIID, void*, DWORD, void*, DWORD) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP UnmarshalInterface(IStream* p_pStream, REFIID p_riid, void** p_ppv) override
    {
        return TrapExceptions("CUnmarshaler::UnmarshalInterface", static_cast<HRESULT>(E_FAIL), [&]() -> HRESULT {
            if (!p_ppv)
                return E_POINTER;
            *p_ppv = nullptr;
            CMarshalTarget target;
            RETURN_IF_FAILED(ReadBlob(p_pStream, target));
            return OpenMarshalTarget(target, p_riid, p_ppv);
        });
    }
    // Nothing is held for marshalled data: releasing it only reads past it.
    STDMETHODIMP ReleaseMarshalData(IStream* p_pStream) override
    {
        return TrapExceptions("CUnmarshaler::ReleaseMarshalData", static_cast<HRESULT>(E_FAIL), [&]() -> HRESULT {
            CMarshalTarget target;
            return ReadBlob(p_pStream, target);
        });
    }
    STDMETHODIMP DisconnectObject(DWORD) override
    {
        return S_OK;
    }
};

class CUnmarshalFactory final : public IClassFactory
{
  public:
    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (!p_ppv)
            return E_POINTER;
        *p_ppv = nullptr;
        if (p_riid != IID_IUnknown && p_riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *p_ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // One static object: the DLL stays loaded (DllCanUnloadNow answers S_FALSE).
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        return 1;
    }
    STDMETHODIMP CreateInstance(IUnknown* p_pOuter, REFIID p_riid, void** p_ppv) override
    {
        return TrapExceptions("CUnmarshalFactory::CreateInstance", static_cast<HRESULT>(E_FAIL), [&]() -> HRESULT {
            if (!p_ppv)
                return E_POINTER;
            *p_ppv = nullptr;
            if (p_pOuter)
                return CLASS_E_NOAGGREGATION;
            com_ptr<IMarshal> unmarshaler;
            unmarshaler.attach(new CUnmarshaler());
            return unmarshaler->QueryInterface(p_riid, p_ppv);
        });
    }
    STDMETHODIMP LockServer(BOOL) override
    {
        return S_OK;
    }
};

// Where the unmarshal class is not registered the other process could not open the object: it
// then goes as the free-threaded marshaler sends it (a proxy of its IUnknown), as before.
bool UnmarshalClassRegistered()
{
    unique_hkey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{B7A5EED2-0C0A-4B1D-8E55-5EED11AB0001}\\InprocServer32", 0,
                         KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool SamePath(const std::string& p_sA, const std::string& p_sB)
{
    const std::wstring a = WideFromUtf8(p_sA), b = WideFromUtf8(p_sB);
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// Opens the object the target names; the caller holds a MAPIInitialize that the object takes over.
HRESULT OpenTarget(const CMarshalTarget& p_target, com_ptr<IUnknown>& p_pObject)
{
    std::lock_guard<CStoreMutex> lock(Lock());
    const std::string here = StorePathUtf8();
    if (!SamePath(here, p_target.m_sStorePath))
    {
        LOG_FAILURE("the object comes from the store %s, this process has %s", p_target.m_sStorePath.c_str(),
                    here.c_str());
        return MAPI_E_NOT_FOUND;
    }
    if (p_target.m_kind == EMarshalKind::Session)
    {
        com_ptr<IMAPISession> session;
        RETURN_IF_FAILED(NewSession(session.put()));
        p_pObject.attach(session.detach());
        return S_OK;
    }
    CEntryIdBits bits;
    if (!ParseEntryId(static_cast<ULONG>(p_target.m_vEntry.size()), p_target.m_vEntry.data(), bits))
        return MAPI_E_INVALID_ENTRYID;
    ULONG ulType = 0;
    return OpenStoreEntry(bits, p_target.m_bWritable ? MAPI_BEST_ACCESS : 0, &ulType, p_pObject.put());
}
} // namespace

HRESULT NewMarshaler(IUnknown* p_pSelf, IUnknown* p_pFtm, const CMarshalTarget& p_target, void** p_ppv)
{
    CMarshalTarget target = p_target;
    target.m_sStorePath = StorePathUtf8();
    std::vector<uint8_t> blob = WriteMarshalBlob(target);
    com_ptr<IMarshal> ftm;
    RETURN_IF_FAILED(p_pFtm->QueryInterface(IID_IMarshal, ftm.put_void()));
    if (blob.empty())
        LOG_FAILURE("the object's store path or entry id is too long to hand to another process");
    // The marshaler's own IMarshal (its QueryInterface would ask this object again).
    if (blob.empty() || !UnmarshalClassRegistered())
    {
        *p_ppv = static_cast<IMarshal*>(ftm.detach());
        return S_OK;
    }
    *p_ppv = static_cast<IMarshal*>(new CMarshaler(p_pSelf, std::move(ftm), std::move(blob)));
    return S_OK;
}

HRESULT OpenMarshalTarget(const CMarshalTarget& p_target, REFIID p_riid, void** p_ppv)
{
    // The object keeps MAPI initialised in this process for as long as it lives.
    RETURN_IF_FAILED(MAPIInitialize(nullptr));
    com_ptr<IUnknown> object;
    const HRESULT hr = OpenTarget(p_target, object);
    auto* base = object ? dynamic_cast<CUnknownBase*>(object.get()) : nullptr;
    if (FAILED(hr) || !base)
    {
        MAPIUninitialize();
        return FAILED(hr) ? hr : E_UNEXPECTED;
    }
    base->HoldInitialize();
    return object->QueryInterface(p_riid, p_ppv);
}
} // namespace mapiprov

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    return TrapExceptions("DllGetClassObject", static_cast<HRESULT>(E_FAIL), [&]() -> HRESULT {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (rclsid != mapiprov::CLSID_StandinUnmarshal)
            return CLASS_E_CLASSNOTAVAILABLE;
        static mapiprov::CUnmarshalFactory s_factory;
        return s_factory.QueryInterface(riid, ppv);
    });
}

// The store stays loaded while the process lives: the DLL is never unloaded under it.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return S_FALSE;
}
