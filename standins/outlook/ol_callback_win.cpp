// standins/outlook/ol_callback_win.cpp: the extension callback over a window's site.
#include "standins/outlook/ol_callback_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "standins/outlook/ol_trace_win.h"

#include <mapiutil.h>

#include <cstring>

namespace olstandin
{
bool FindMenuCommand(HMENU p_hMenuBar, ULONG p_ulCommand, HMENU& p_hMenu, ULONG& p_ulPosition)
{
    const int count = GetMenuItemCount(p_hMenuBar);
    for (int i = 0; i < count; ++i)
    {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU;
        if (!GetMenuItemInfoA(p_hMenuBar, static_cast<UINT>(i), TRUE, &info))
            continue;
        if (info.wID == p_ulCommand)
        {
            p_hMenu = p_hMenuBar;
            p_ulPosition = static_cast<ULONG>(i);
            return true;
        }
        if (info.hSubMenu != nullptr && FindMenuCommand(info.hSubMenu, p_ulCommand, p_hMenu, p_ulPosition))
            return true;
    }
    return false;
}

CExtensionCallback::CExtensionCallback(CHostServices& p_oServices, CCallbackSite& p_oSite, ULONG p_ulContext)
    : m_oServices(p_oServices), m_oSite(p_oSite), m_ulContext(p_ulContext)
{
}

void CExtensionCallback::SetEventObject(IMAPIProp* p_pObject)
{
    m_p_oEventObject = com_ptr<IMAPIProp>::copy_from(p_pObject);
}

STDMETHODIMP CExtensionCallback::QueryInterface(REFIID p_riid, void** p_ppv)
{
    if (p_ppv == nullptr)
        return E_POINTER;
    *p_ppv = nullptr;
    if (IsEqualIID(p_riid, IID_IUnknown) || IsEqualIID(p_riid, exchext::IID_IExchExtCallback))
        *p_ppv = static_cast<IExchExtCallback*>(this);
    else if (IsEqualIID(p_riid, exchext::IID_IOutlookExtCallback))
        *p_ppv = static_cast<IOutlookExtCallback*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CExtensionCallback::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
}

STDMETHODIMP_(ULONG) CExtensionCallback::Release()
{
    const LONG refs = InterlockedDecrement(&m_lRefs);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

STDMETHODIMP CExtensionCallback::GetVersion(ULONG* p_pulVersion, ULONG p_ulFlags)
{
    return TrapExceptions("CExtensionCallback::GetVersion", E_FAIL, [&]() -> HRESULT {
        if (p_pulVersion == nullptr)
            return E_INVALIDARG;
        // The actual version is product (0), major, minor and update, a byte each.
        if (p_ulFlags & exchext::kGetActualVersion)
            *p_pulVersion = (static_cast<ULONG>(m_oServices.m_nMajor & 0xFF) << 16) |
                            (static_cast<ULONG>(m_oServices.m_nMinor & 0xFF) << 8);
        else
            *p_pulVersion = exchext::kBuildVersion;
        return S_OK;
    });
}

STDMETHODIMP CExtensionCallback::GetWindow(HWND* p_phWnd)
{
    if (p_phWnd == nullptr)
        return E_INVALIDARG;
    *p_phWnd = m_oSite.SiteWindow();
    return *p_phWnd != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP CExtensionCallback::GetMenu(HMENU* p_phMenu)
{
    if (p_phMenu == nullptr)
        return E_INVALIDARG;
    *p_phMenu = m_oSite.SiteMenu();
    return *p_phMenu != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP CExtensionCallback::GetToolbar(ULONG p_ulToolbar, HWND* p_phWnd)
{
    if (p_phWnd == nullptr)
        return E_INVALIDARG;
    *p_phWnd = p_ulToolbar == exchext::kToolbarStandard ? m_oSite.SiteToolbar() : nullptr;
    return *p_phWnd != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP CExtensionCallback::GetSession(LPMAPISESSION* p_ppSession, LPADRBOOK* p_ppAddrBook)
{
    return TrapExceptions("CExtensionCallback::GetSession", E_FAIL, [&]() -> HRESULT {
        CMapiProfile* profile = m_oServices.m_p_oProfile;
        if (profile == nullptr || !profile->IsStarted())
            return MAPI_E_NOT_INITIALIZED;
        if (p_ppSession != nullptr)
        {
            *p_ppSession = profile->Session();
            (*p_ppSession)->AddRef();
        }
        if (p_ppAddrBook != nullptr)
        {
            *p_ppAddrBook = profile->AddressBook();
            (*p_ppAddrBook)->AddRef();
        }
        return S_OK;
    });
}

STDMETHODIMP CExtensionCallback::GetObject(LPMDB* p_ppStore, LPMAPIPROP* p_ppObject)
{
    return TrapExceptions("CExtensionCallback::GetObject", E_FAIL, [&]() -> HRESULT {
        com_ptr<IMAPIProp> object = m_p_oEventObject ? m_p_oEventObject : m_oSite.SiteObject();
        CMapiProfile* profile = m_oServices.m_p_oProfile;
        if (p_ppStore != nullptr)
        {
            *p_ppStore = profile != nullptr ? profile->Store() : nullptr;
            if (*p_ppStore != nullptr)
                (*p_ppStore)->AddRef();
        }
        if (p_ppObject != nullptr)
            *p_ppObject = object.detach();
        return S_OK;
    });
}

STDMETHODIMP CExtensionCallback::GetSelectionCount(ULONG* p_pulCount)
{
    return TrapExceptions("CExtensionCallback::GetSelectionCount", E_FAIL, [&]() -> HRESULT {
        if (p_pulCount == nullptr)
            return E_INVALIDARG;
        *p_pulCount = static_cast<ULONG>(m_oSite.SiteSelection().size());
        return S_OK;
    });
}

STDMETHODIMP CExtensionCallback::GetSelectionItem(ULONG p_ulIndex, ULONG* p_pcbEntryId, LPENTRYID* p_ppEntryId,
                                                  ULONG* p_pulType, LPSTR p_szMessageClass, ULONG p_cchMessageClass,
                                                  ULONG* p_pulMessageFlags, ULONG)
{
    return TrapExceptions("CExtensionCallback::GetSelectionItem", E_FAIL, [&]() -> HRESULT {
        const std::vector<CItemRow> selection = m_oSite.SiteSelection();
        if (p_ulIndex >= selection.size())
            return MAPI_E_NOT_FOUND;
        const CItemRow& item = selection[p_ulIndex];
        if (p_ppEntryId != nullptr)
        {
            *p_ppEntryId = nullptr;
            if (!item.m_oEntryId.empty())
            {
                // The caller frees the entry id with MAPIFreeBuffer.
                CMapiProfile* profile = m_oServices.m_p_oProfile;
                if (profile == nullptr || FAILED(profile->AllocateBuffer(static_cast<ULONG>(item.m_oEntryId.size()),
                                                                         reinterpret_cast<void**>(p_ppEntryId))))
                    return MAPI_E_NOT_ENOUGH_MEMORY;
                std::memcpy(*p_ppEntryId, item.m_oEntryId.data(), item.m_oEntryId.size());
            }
        }
        if (p_pcbEntryId != nullptr)
            *p_pcbEntryId = static_cast<ULONG>(item.m_oEntryId.size());
        if (p_pulType != nullptr)
            *p_pulType = MAPI_MESSAGE;
        if (p_szMessageClass != nullptr && p_cchMessageClass > 0)
        {
            const size_t length = std::min<size_t>(item.m_sMessageClass.size(), p_cchMessageClass - 1);
            std::memcpy(p_szMessageClass, item.m_sMessageClass.data(), length);
            p_szMessageClass[length] = '\0';
        }
        if (p_pulMessageFlags != nullptr)
            *p_pulMessageFlags = item.m_ulFlags;
        return S_OK;
    });
}

STDMETHODIMP CExtensionCallback::GetMenuPos(ULONG p_ulCommand, HMENU* p_phMenu, ULONG* p_pulPosMin, ULONG* p_pulPosMax,
                                            ULONG)
{
    return TrapExceptions("CExtensionCallback::GetMenuPos", E_FAIL, [&]() -> HRESULT {
        HMENU menu = nullptr;
        ULONG position = 0;
        if (!FindMenuCommand(m_oSite.SiteMenu(), p_ulCommand, menu, position))
            return E_FAIL;
        if (p_phMenu != nullptr)
            *p_phMenu = menu;
        if (p_pulPosMin != nullptr)
            *p_pulPosMin = position;
        if (p_pulPosMax != nullptr)
            *p_pulPosMax = position;
        return S_OK;
    });
}

STDMETHODIMP CExtensionCallback::GetSharedExtsDir(LPSTR p_szDir, ULONG p_cchDir, ULONG)
{
    if (p_szDir == nullptr || p_cchDir == 0)
        return E_INVALIDARG;
    const DWORD length = GetTempPathA(p_cchDir, p_szDir);
    return length > 0 && length < p_cchDir ? S_OK : E_FAIL;
}

STDMETHODIMP CExtensionCallback::GetRecipients(LPADRLIST*)
{
    return E_NOTIMPL;
}

STDMETHODIMP CExtensionCallback::SetRecipients(LPADRLIST)
{
    return E_NOTIMPL;
}

STDMETHODIMP CExtensionCallback::GetNewMessageSite(ULONG, LPMAPIFOLDER, LPMAPIPROP, LPMESSAGE*, LPVOID*, LPVOID*, ULONG)
{
    return E_NOTIMPL;
}

STDMETHODIMP CExtensionCallback::RegisterModeless(LPVOID, HWND)
{
    return E_NOTIMPL;
}

STDMETHODIMP CExtensionCallback::ChooseFolder(LPMDB*, LPMAPIFOLDER*, LPVOID)
{
    return E_NOTIMPL;
}

STDMETHODIMP CExtensionCallback::GetObject(IUnknown** p_ppUnknown)
{
    if (p_ppUnknown == nullptr)
        return E_POINTER;
    *p_ppUnknown = nullptr;
    if (!m_oServices.m_p_oApplication)
        return E_FAIL;
    return m_oServices.m_p_oApplication->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(p_ppUnknown));
}

STDMETHODIMP CExtensionCallback::GetOfficeCharacter(void**)
{
    return E_NOTIMPL;
}
} // namespace olstandin
