// standins/mapi/provider/provider_session.cpp: the exported MAPI functions, profiles, sessions,
// the status table and advise sinks bound to the registering thread.
#include "standins/mapi/provider/provider_ab.h"

#include <mapiform.h>

#include <algorithm>

using namespace mapiprov;

namespace mapiprov
{
namespace
{
LONG g_lInitCount = 0;

ms::CPropValue Bin(ULONG p_ulTag, ms::CBytes p_b)
{
    return ms::CPropValue::Binary(p_ulTag, std::move(p_b));
}
ms::CPropValue Long(ULONG p_ulTag, int64_t p_i)
{
    return ms::CPropValue::Long(p_ulTag, p_i);
}
ms::CPropValue Str(ULONG p_ulTag, std::string p_s)
{
    return ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(p_ulTag)), std::move(p_s));
}

const ms::CBytes& SessionUid()
{
    static const ms::CBytes s_uid = {0xB7, 0x5E, 0x55, 0x10, 0x42, 0x72, 0x65, 0x76,
                                     0x6F, 0x6C, 0x74, 0x53, 0x45, 0x00, 0x00, 0x01};
    return s_uid;
}

// A row of the status table, and the properties of the spooler's status object.
ms::CPropList StatusRow(ULONG p_ulType, const char* p_szName)
{
    const bool bSpooler = p_ulType == MAPI_SPOOLER;
    ms::CPropList r;
    const ms::CBytes eid = MakeEntryId(SessionUid(), kKindStatus, p_ulType);
    ms::SetProp(r, Long(PR_RESOURCE_TYPE, p_ulType));
    ms::SetProp(r, Str(PR_DISPLAY_NAME, p_szName));
    ms::SetProp(r, Str(PR_PROVIDER_DISPLAY, p_szName));
    ms::SetProp(r, Str(PR_PROVIDER_DLL_NAME, "mapi_standin.dll"));
    ms::SetProp(r, Long(PR_STATUS_CODE, bSpooler ? SpoolerStatusCode() : STATUS_AVAILABLE));
    ms::SetProp(r, Str(PR_STATUS_STRING, "Available"));
    ms::SetProp(r, Long(PR_RESOURCE_METHODS, bSpooler ? STATUS_VALIDATE_STATE | STATUS_FLUSH_QUEUES : 0));
    ms::SetProp(r, Long(PR_RESOURCE_FLAGS, 0));
    ms::SetProp(r, Long(PR_ROWID, static_cast<int64_t>(p_ulType)));
    ms::SetProp(r, Bin(PR_INSTANCE_KEY, eid));
    ms::SetProp(r, Bin(PR_ENTRYID, eid));
    ms::SetProp(r, Long(PR_OBJECT_TYPE, MAPI_STATUS));
    return r;
}

class CStatus final : public CPropObject<IMAPIStatus>
{
  public:
    MAPI_UNKNOWN_IMPL(&IID_IMAPIStatus, &IID_IMAPIProp)
    STDMETHODIMP ValidateState(ULONG, ULONG) override
    {
        return S_OK;
    }
    STDMETHODIMP SettingsDialog(ULONG, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP ChangePassword(LPTSTR, LPTSTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    // FLUSH_UPLOAD sends what is queued (outside the store lock: the SMTP exchange takes time),
    // handing it to the spooler's thread with FLUSH_ASYNC_OK; FLUSH_DOWNLOAD delivers the drop
    // folder. There is no user interface to leave out, and every flush is forced.
    STDMETHODIMP FlushQueues(ULONG, ULONG, LPENTRYID, ULONG p_ulFlags) override
    {
        constexpr ULONG kKnown = FLUSH_UPLOAD | FLUSH_DOWNLOAD | FLUSH_FORCE | FLUSH_NO_UI | FLUSH_ASYNC_OK;
        if (p_ulFlags & ~kKnown)
            return MAPI_E_UNKNOWN_FLAGS;
        TrapExceptionsVoid("IMAPIStatus::FlushQueues", [p_ulFlags] {
            if (p_ulFlags & FLUSH_UPLOAD)
                FlushSpooler((p_ulFlags & FLUSH_ASYNC_OK) != 0);
            if (p_ulFlags & FLUSH_DOWNLOAD)
                FlushInbound();
        });
        DeliverQueued();
        return S_OK;
    }

  protected:
    ms::CPropList* Stored() override
    {
        return nullptr;
    }
    void AddComputed(ms::CPropList& p_props) override
    {
        for (auto& v : StatusRow(MAPI_SPOOLER, "Outlook"))
            ms::SetProp(p_props, std::move(v));
    }
    HRESULT Save(ULONG) override
    {
        return MAPI_E_NO_ACCESS;
    }
};

class CSession final : public IMAPISession, public CUnknownBase
{
  public:
    CSession()
    {
        StartBackground();
    }
    ~CSession() override
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        (void)CProvider::Get().SaveIfChanged(); // a failure is logged
    }
    MAPI_UNKNOWN_IMPL(&IID_IMAPISession)
    bool MarshalTarget(CMarshalTarget& p_target) override
    {
        p_target.m_kind = EMarshalKind::Session;
        return true;
    }

    STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* p_pp) override
    {
        if (p_pp)
            *p_pp = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetMsgStoresTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IMAPISession::GetMsgStoresTable", [&]() -> HRESULT {
            return NewTable(
                [] {
                    std::vector<ms::CPropList> rows;
                    for (auto& s : CProvider::Get().m_file.m_vStores)
                    {
                        ms::CPropList r;
                        ms::SetProp(r, Bin(PR_ENTRYID, StoreEntryId(s)));
                        ms::SetProp(
                            r, Str(PR_DISPLAY_NAME, ms::GetString(s.m_props, PR_DISPLAY_NAME, "Personal Folders")));
                        ms::SetProp(r, Long(PR_DEFAULT_STORE, s.m_bDefault ? 1 : 0));
                        ms::SetProp(r, Bin(PR_RECORD_KEY, s.m_uid));
                        ms::SetProp(r, Bin(PR_INSTANCE_KEY, s.m_uid));
                        ms::SetProp(r, Bin(PR_MDB_PROVIDER, StoreMdbProvider(s)));
                        ms::SetProp(r, Long(PR_RESOURCE_FLAGS, s.m_bDefault ? STATUS_DEFAULT_STORE : 0));
                        ms::SetProp(r,
                                    Str(PR_PROVIDER_DISPLAY, IsPublicStore(s) ? "Public Folders" : "Personal Folders"));
                        ms::SetProp(r, Long(PR_OBJECT_TYPE, MAPI_STORE));
                        rows.push_back(std::move(r));
                    }
                    return rows;
                },
                {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_DEFAULT_STORE, PR_MDB_PROVIDER, PR_INSTANCE_KEY}, p_ulFlags, p_pp);
        });
    }
    STDMETHODIMP OpenMsgStore(ULONG_PTR, ULONG p_cb, LPENTRYID p_pEid, LPCIID, ULONG, LPMDB* p_pp) override
    {
        return Call("IMAPISession::OpenMsgStore", [&]() -> HRESULT {
            CEntryIdBits bits;
            if (!p_pp)
                return MAPI_E_INVALID_PARAMETER;
            if (!ParseEntryId(p_cb, p_pEid, bits) || bits.m_ulKind != kKindStore)
                return MAPI_E_INVALID_ENTRYID;
            return OpenStore(ms::CBytes(bits.m_abUid, bits.m_abUid + 16), p_pp);
        });
    }
    STDMETHODIMP OpenAddressBook(ULONG_PTR, LPCIID, ULONG, LPADRBOOK* p_pp) override
    {
        return Call("IMAPISession::OpenAddressBook", [&]() -> HRESULT {
            if (!p_pp)
                return MAPI_E_INVALID_PARAMETER;
            return mapiprov::OpenAddressBook(p_pp);
        });
    }
    STDMETHODIMP OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetStatusTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IMAPISession::GetStatusTable", [&]() -> HRESULT {
            return NewTable(
                [] {
                    return std::vector<ms::CPropList>{StatusRow(MAPI_SUBSYSTEM, "MAPI Subsystem"),
                                                      StatusRow(MAPI_SPOOLER, "Outlook"),
                                                      StatusRow(MAPI_STORE_PROVIDER, "Personal Folders"),
                                                      StatusRow(MAPI_TRANSPORT_PROVIDER, "Internet E-mail")};
                },
                {PR_RESOURCE_TYPE, PR_DISPLAY_NAME_A, PR_ENTRYID, PR_STATUS_CODE, PR_RESOURCE_METHODS,
                 PR_PROVIDER_DISPLAY_A, PR_ROWID},
                p_ulFlags, p_pp);
        });
    }
    STDMETHODIMP OpenEntry(ULONG p_cb, LPENTRYID p_pEid, LPCIID, ULONG p_ulFlags, ULONG* p_pType,
                           LPUNKNOWN* p_pp) override
    {
        return Call("IMAPISession::OpenEntry", [&]() -> HRESULT {
            CEntryIdBits bits;
            if (!p_pType || !p_pp)
                return MAPI_E_INVALID_PARAMETER;
            if (!ParseEntryId(p_cb, p_pEid, bits))
            {
                // Wrapped and one-off entry ids belong to the address book.
                const HRESULT hr = OpenAnyAbEntry(p_cb, p_pEid, p_pType, p_pp);
                return hr == MAPI_E_UNKNOWN_ENTRYID ? MAPI_E_INVALID_ENTRYID : hr;
            }
            if (bits.m_ulKind == kKindStatus)
            {
                if (bits.m_ulId != MAPI_SPOOLER)
                    return MAPI_E_NO_SUPPORT;
                *p_pType = MAPI_STATUS;
                *p_pp = static_cast<IMAPIStatus*>(new CStatus());
                return S_OK;
            }
            if (bits.m_ulKind >= kKindAbContainer)
                return OpenAbEntry(bits, p_pType, p_pp);
            return OpenStoreEntry(bits, p_ulFlags, p_pType, p_pp);
        });
    }
    STDMETHODIMP CompareEntryIDs(ULONG p_cb1, LPENTRYID p_p1, ULONG p_cb2, LPENTRYID p_p2, ULONG,
                                 ULONG* p_pResult) override
    {
        return Call("IMAPISession::CompareEntryIDs",
                    [&] { return CompareAnyEntryIds(p_cb1, p_p1, p_cb2, p_p2, p_pResult); });
    }
    STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP Unadvise(ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP EnumAdrTypes(ULONG, ULONG*, LPTSTR**) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP QueryIdentity(ULONG* p_pcb, LPENTRYID* p_pp) override
    {
        return Call("IMAPISession::QueryIdentity", [&]() -> HRESULT {
            return CopyBytesOut(MakeEntryId(SessionUid(), kKindIdentity, 1), p_pcb, p_pp);
        });
    }
    STDMETHODIMP Logoff(ULONG_PTR, ULONG, ULONG) override
    {
        return Call("IMAPISession::Logoff", [&]() -> HRESULT {
            (void)CProvider::Get().SaveIfChanged(); // a failure is logged
            m_bLoggedOff = true;
            return S_OK;
        });
    }
    STDMETHODIMP SetDefaultStore(ULONG, ULONG, LPENTRYID) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP AdminServices(ULONG, LPSERVICEADMIN*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG, ULONG, ULONG,
                          LPSTR) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP PrepareForm(LPCIID, LPMESSAGE, ULONG*) override
    {
        return MAPI_E_NO_SUPPORT;
    }

  private:
    bool m_bLoggedOff = false;
};

class CProfAdmin final : public IProfAdmin, public CUnknownBase
{
  public:
    MAPI_UNKNOWN_IMPL(&IID_IProfAdmin)
    STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* p_pp) override
    {
        if (p_pp)
            *p_pp = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetProfileTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return Call("IProfAdmin::GetProfileTable", [&]() -> HRESULT {
            return NewTable(
                [] {
                    ms::CPropList r;
                    ms::SetProp(r, Str(PR_DISPLAY_NAME, CProvider::Get().m_file.m_sProfile));
                    ms::SetProp(r, Long(PR_DEFAULT_PROFILE, 1));
                    return std::vector<ms::CPropList>{r};
                },
                {PR_DISPLAY_NAME_A, PR_DEFAULT_PROFILE}, p_ulFlags, p_pp);
        });
    }
    STDMETHODIMP CreateProfile(LPTSTR, LPTSTR, ULONG_PTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP DeleteProfile(LPTSTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP ChangeProfilePassword(LPTSTR, LPTSTR, LPTSTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP CopyProfile(LPTSTR, LPTSTR, LPTSTR, ULONG_PTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP RenameProfile(LPTSTR, LPTSTR, LPTSTR, ULONG_PTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP SetDefaultProfile(LPTSTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP AdminServices(LPTSTR, LPTSTR, ULONG_PTR, ULONG, LPSERVICEADMIN*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
};

// HrThisThreadAdviseSink: notifications reach the wrapped sink on the thread that made the
// wrapper, through a message-only window pumped by that thread's message loop.
constexpr UINT kNotifyMessage = WM_APP + 0x4D;

LRESULT CALLBACK NotifyWndProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_uMsg != kNotifyMessage)
        return DefWindowProcW(p_hWnd, p_uMsg, p_wParam, p_lParam);
    // The message carries a reference to the sink and the notification's buffer; both are ours now.
    com_ptr<IMAPIAdviseSink> sink;
    sink.attach(reinterpret_cast<IMAPIAdviseSink*>(p_wParam));
    const unique_own_buffer<NOTIFICATION> n(reinterpret_cast<LPNOTIFICATION>(p_lParam));
    TrapExceptionsVoid("CThreadAdviseSink::WndProc", [&] { sink->OnNotify(1, n.get()); });
    return 0;
}

HWND ThreadNotifyWindow()
{
    thread_local HWND t_hWnd = nullptr;
    if (t_hWnd)
        return t_hWnd;
    static ATOM s_atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = NotifyWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BrevoltMapiStandInNotify";
        return RegisterClassW(&wc);
    }();
    (void)s_atom;
    t_hWnd = LOG_IF_WIN32_BOOL_FALSE(CreateWindowExW(0, L"BrevoltMapiStandInNotify", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                     nullptr, GetModuleHandleW(nullptr), nullptr));
    return t_hWnd;
}

// The notification and everything it points to in one MAPI buffer; empty when memory ran out.
unique_own_buffer<NOTIFICATION> CopyNotification(const NOTIFICATION& p_n)
{
    unique_own_buffer<NOTIFICATION> owner;
    if (FAILED(LOG_IF_MAPI_FAILED(MAPIAllocateBuffer(sizeof(NOTIFICATION), reinterpret_cast<void**>(owner.put())))))
        return {};
    LPNOTIFICATION c = owner.get();
    *c = p_n;
    auto eid = [&](ULONG cb, LPENTRYID& e) {
        if (!e || !cb)
            return;
        LPENTRYID copy = nullptr;
        ULONG n = 0;
        (void)CopyBytesOut(ms::CBytes(reinterpret_cast<const uint8_t*>(e), reinterpret_cast<const uint8_t*>(e) + cb),
                           &n, &copy, c);
        e = copy;
    };
    if (p_n.ulEventType == fnevNewMail)
    {
        eid(c->info.newmail.cbEntryID, c->info.newmail.lpEntryID);
        eid(c->info.newmail.cbParentID, c->info.newmail.lpParentID);
        if (p_n.info.newmail.lpszMessageClass)
        {
            const size_t cb = (p_n.info.newmail.ulFlags & MAPI_UNICODE)
                                  ? (wcslen(reinterpret_cast<LPCWSTR>(p_n.info.newmail.lpszMessageClass)) + 1) * 2
                                  : strlen(reinterpret_cast<LPCSTR>(p_n.info.newmail.lpszMessageClass)) + 1;
            void* p = nullptr;
            if (FAILED(LOG_IF_MAPI_FAILED(MAPIAllocateMore(static_cast<ULONG>(cb), c, &p))))
                return {};
            memcpy(p, p_n.info.newmail.lpszMessageClass, cb);
            c->info.newmail.lpszMessageClass = static_cast<LPTSTR>(p);
        }
    }
    else if (p_n.ulEventType & (fnevObjectCreated | fnevObjectDeleted | fnevObjectModified | fnevObjectMoved |
                                fnevObjectCopied | fnevSearchComplete))
    {
        eid(c->info.obj.cbEntryID, c->info.obj.lpEntryID);
        eid(c->info.obj.cbParentID, c->info.obj.lpParentID);
        eid(c->info.obj.cbOldID, c->info.obj.lpOldID);
        eid(c->info.obj.cbOldParentID, c->info.obj.lpOldParentID);
        c->info.obj.lpPropTagArray = nullptr;
    }
    return owner;
}

class CThreadAdviseSink final : public IMAPIAdviseSink, public CUnknownBase
{
  public:
    CThreadAdviseSink(IMAPIAdviseSink* p_pInner, HWND p_hWnd)
        : m_pInner(com_ptr<IMAPIAdviseSink>::copy_from(p_pInner)), m_hWnd(p_hWnd)
    {
    }
    MAPI_UNKNOWN_IMPL(&IID_IMAPIAdviseSink)
    STDMETHODIMP_(ULONG) OnNotify(ULONG p_c, LPNOTIFICATION p_pn) override
    {
        return TrapExceptions("CThreadAdviseSink::OnNotify", ULONG(0), [&]() -> ULONG {
            for (ULONG i = 0; i < p_c && p_pn; ++i)
                if (auto copy = CopyNotification(p_pn[i]))
                {
                    com_ptr<IMAPIAdviseSink> sink = m_pInner;
                    // The window procedure takes over the reference and the buffer.
                    if (LOG_IF_WIN32_BOOL_FALSE(PostMessageW(m_hWnd, kNotifyMessage,
                                                             reinterpret_cast<WPARAM>(sink.get()),
                                                             reinterpret_cast<LPARAM>(copy.get()))))
                    {
                        (void)sink.detach();
                        (void)copy.release();
                    }
                }
            return 0;
        });
    }

  private:
    com_ptr<IMAPIAdviseSink> m_pInner;
    HWND m_hWnd;
};
} // namespace

HRESULT NewSession(IMAPISession** p_pp)
{
    *p_pp = new CSession();
    return S_OK;
}

HRESULT NewStatus(IMAPIStatus** p_pp)
{
    *p_pp = new CStatus();
    return S_OK;
}
} // namespace mapiprov

extern "C" HRESULT WINAPI MAPIInitialize(LPVOID)
{
    return TrapExceptions("MAPIInitialize", static_cast<HRESULT>(MAPI_E_CALL_FAILED), []() -> HRESULT {
        std::lock_guard<CStoreMutex> lock(Lock());
        const HRESULT hr = CProvider::Get().EnsureLoaded();
        if (FAILED(hr))
            return hr;
        ++g_lInitCount;
        return S_OK;
    });
}

extern "C" void WINAPI MAPIUninitialize()
{
    TrapExceptionsVoid("MAPIUninitialize", [] {
        bool bLast = false;
        {
            std::lock_guard<CStoreMutex> lock(Lock());
            if (g_lInitCount > 0 && --g_lInitCount == 0)
            {
                (void)CProvider::Get().SaveIfChanged(); // a failure is logged
                bLast = true;
            }
        }
        if (bLast)
            StopBackground();
    });
}

extern "C" HRESULT WINAPI MAPIAdminProfiles(ULONG, LPPROFADMIN* lppProfAdmin)
{
    return TrapExceptions("MAPIAdminProfiles", static_cast<HRESULT>(MAPI_E_CALL_FAILED), [&]() -> HRESULT {
        if (!lppProfAdmin)
            return MAPI_E_INVALID_PARAMETER;
        std::lock_guard<CStoreMutex> lock(Lock());
        if (g_lInitCount == 0)
            return MAPI_E_NOT_INITIALIZED;
        *lppProfAdmin = new CProfAdmin();
        return S_OK;
    });
}

extern "C" HRESULT WINAPI MAPILogonEx(ULONG_PTR, LPTSTR lpszProfileName, LPTSTR, ULONG ulFlags,
                                      LPMAPISESSION* lppSession)
{
    return TrapExceptions("MAPILogonEx", static_cast<HRESULT>(MAPI_E_CALL_FAILED), [&]() -> HRESULT {
        if (!lppSession)
            return MAPI_E_INVALID_PARAMETER;
        *lppSession = nullptr;
        std::lock_guard<CStoreMutex> lock(Lock());
        if (g_lInitCount == 0)
            return MAPI_E_NOT_INITIALIZED;
        const std::string profile = ArgString(lpszProfileName, (ulFlags & MAPI_UNICODE) != 0);
        const std::string& known = CProvider::Get().m_file.m_sProfile;
        const bool bMatch =
            profile.size() == known.size() && std::equal(profile.begin(), profile.end(), known.begin(),
                                                         [](char a, char b) { return tolower(a) == tolower(b); });
        if (!bMatch && !(profile.empty() && (ulFlags & MAPI_USE_DEFAULT)))
            return MAPI_E_LOGON_FAILED;
        *lppSession = new CSession();
        return S_OK;
    });
}

extern "C" HRESULT WINAPI HrThisThreadAdviseSink(LPMAPIADVISESINK lpAdviseSink, LPMAPIADVISESINK* lppAdviseSink)
{
    return TrapExceptions("HrThisThreadAdviseSink", static_cast<HRESULT>(MAPI_E_CALL_FAILED), [&]() -> HRESULT {
        if (!lpAdviseSink || !lppAdviseSink)
            return MAPI_E_INVALID_PARAMETER;
        HWND hWnd = ThreadNotifyWindow();
        if (!hWnd)
            return MAPI_E_CALL_FAILED;
        *lppAdviseSink = new CThreadAdviseSink(lpAdviseSink, hWnd);
        return S_OK;
    });
}

extern "C" HRESULT WINAPI MAPIOpenFormMgr(LPMAPISESSION, LPMAPIFORMMGR* ppmgr)
{
    return TrapExceptions("MAPIOpenFormMgr", static_cast<HRESULT>(MAPI_E_CALL_FAILED), [&]() -> HRESULT {
        if (ppmgr)
            *ppmgr = nullptr;
        return MAPI_E_NO_SUPPORT; // no forms here
    });
}

extern "C" HRESULT WINAPI OpenStreamOnFile(LPALLOCATEBUFFER, LPFREEBUFFER, ULONG ulFlags, LPTSTR lpszFileName,
                                           LPTSTR lpszPrefix, LPSTREAM* lppStream)
{
    return TrapExceptions("OpenStreamOnFile", static_cast<HRESULT>(MAPI_E_CALL_FAILED), [&]() -> HRESULT {
        if (!lppStream)
            return MAPI_E_INVALID_PARAMETER;
        *lppStream = nullptr;
        const auto* name = reinterpret_cast<const char*>(lpszFileName);
        std::wstring path = name ? WideFromUtf8(Utf8FromAnsi(name)) : std::wstring();
        // A unique temporary file is made in the folder lpszFileName names (or the system's
        // temporary folder), its name starting with lpszPrefix ("SOF" when none, at most three).
        const bool bUnique = (ulFlags & SOF_UNIQUEFILENAME) != 0;
        if (!name && !bUnique &&
            (ulFlags & (STGM_CREATE | STGM_DELETEONRELEASE)) != (STGM_CREATE | STGM_DELETEONRELEASE))
            return MAPI_E_INVALID_PARAMETER;
        if (bUnique || !name)
        {
            const auto* prefixArg = reinterpret_cast<const char*>(lpszPrefix);
            const std::wstring prefix = prefixArg ? WideFromUtf8(Utf8FromAnsi(prefixArg)).substr(0, 3) : L"SOF";
            wchar_t dir[MAX_PATH] = {}, file[MAX_PATH] = {};
            if (bUnique && name)
                wcsncpy(dir, path.c_str(), MAX_PATH - 1);
            else if (!LOG_IF_WIN32_BOOL_FALSE(GetTempPathW(MAX_PATH, dir)))
                return MAPI_E_CALL_FAILED;
            if (!LOG_IF_WIN32_BOOL_FALSE(GetTempFileNameW(dir, prefix.c_str(), 0, file)))
                return MAPI_E_NOT_FOUND;
            path = file;
            ulFlags |= STGM_CREATE | STGM_READWRITE;
        }
        return OpenFileStream(path, ulFlags & ~SOF_UNIQUEFILENAME, lppStream);
    });
}

extern "C" HRESULT WINAPI HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp)
{
    return TrapExceptions("HrGetOneProp", static_cast<HRESULT>(MAPI_E_CALL_FAILED), [&]() -> HRESULT {
        if (!lpMapiProp || !lppProp)
            return MAPI_E_INVALID_PARAMETER;
        *lppProp = nullptr;
        SizedSPropTagArray(1, tags) = {1, {ulPropTag}};
        ULONG c = 0;
        unique_own_buffer<SPropValue> v;
        HRESULT hr = lpMapiProp->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &c, v.put());
        if (FAILED(hr))
            return hr;
        if (hr == MAPI_W_ERRORS_RETURNED || c != 1 || PROP_TYPE(v.get()->ulPropTag) == PT_ERROR)
            return (v && PROP_TYPE(v.get()->ulPropTag) == PT_ERROR) ? v.get()->Value.err : MAPI_E_NOT_FOUND;
        *lppProp = v.release();
        return S_OK;
    });
}

extern "C" void WINAPI FreeProws(LPSRowSet lpRows)
{
    TrapExceptionsVoid("FreeProws", [&] {
        if (!lpRows)
            return;
        for (ULONG i = 0; i < lpRows->cRows; ++i)
            MAPIFreeBuffer(lpRows->aRow[i].lpProps);
        MAPIFreeBuffer(lpRows);
    });
}

extern "C" void WINAPI FreePadrlist(LPADRLIST lpAdrlist)
{
    TrapExceptionsVoid("FreePadrlist", [&] {
        if (!lpAdrlist)
            return;
        for (ULONG i = 0; i < lpAdrlist->cEntries; ++i)
            MAPIFreeBuffer(lpAdrlist->aEntries[i].rgPropVals);
        MAPIFreeBuffer(lpAdrlist);
    });
}

extern "C" ULONG WINAPI UlRelease(LPVOID lpunk)
{
    return TrapExceptions("UlRelease", ULONG(0),
                          [&] { return lpunk ? static_cast<IUnknown*>(lpunk)->Release() : ULONG(0); });
}
