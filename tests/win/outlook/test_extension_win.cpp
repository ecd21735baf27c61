// tests/win/outlook/test_extension_win.cpp: ol_test_extension.dll, a client extension written to the
// published contract as a product extension would be. It answers the viewer interfaces only in the
// viewer context and the message events only in the send-note context, adds a Tools menu item and a
// toolbar button, and appends every call it receives to the file OL_TEST_EXTENSION_LOG names.
#include "common/handle_win.h"
#include "standins/outlook/exchext_win.h"
#include "tests/win/outlook/test_extension_model_win.h"

#include <windows.h>

#include <mapitags.h>
#include <oleauto.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

void Note(const char* p_szFormat, ...)
{
    char line[512] = {};
    va_list args;
    va_start(args, p_szFormat);
    const int length = vsnprintf(line, sizeof line - 1, p_szFormat, args);
    va_end(args);
    char path[MAX_PATH] = {};
    const DWORD size = GetEnvironmentVariableA("OL_TEST_EXTENSION_LOG", path, MAX_PATH);
    if (length <= 0 || size == 0 || size >= MAX_PATH)
        return;
    std::string text(line, static_cast<size_t>(length < static_cast<int>(sizeof line) - 1 ? length : 0));
    text += '\n';
    unique_file file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file)
        (void)WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

namespace
{
constexpr const char* kMenuText = "Test E&xtension Command";
constexpr const char* kButtonText = "Test Extension Button";

// A late-bound call by name, as a script client makes it; VT_EMPTY when it fails.
VARIANT CallByName(IDispatch* p_pObject, const wchar_t* p_szName, WORD p_wFlags, VARIANT* p_pArg = nullptr)
{
    VARIANT result;
    VariantInit(&result);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(p_szName);
    DISPPARAMS params{p_pArg, nullptr, p_pArg != nullptr ? 1u : 0u, 0};
    if (p_pObject == nullptr || FAILED(p_pObject->GetIDsOfNames(IID_NULL, &name, 1, 0, &id)) ||
        FAILED(p_pObject->Invoke(id, IID_NULL, 0, p_wFlags, &params, &result, nullptr, nullptr)))
        VariantInit(&result);
    return result;
}

std::string Narrow(const VARIANT& p_oValue)
{
    if (p_oValue.vt != VT_BSTR || p_oValue.bstrVal == nullptr)
        return "-";
    const std::wstring wide(p_oValue.bstrVal);
    return std::string(wide.begin(), wide.end());
}

// What the application object gives: its version, its member count from the type information, and
// the default Inbox through the "MAPI" namespace.
void NoteObjectModel(IUnknown* p_pApplication)
{
    com_ptr<IDispatch> application;
    if (p_pApplication == nullptr || FAILED(p_pApplication->QueryInterface(IID_IDispatch, application.put_void())))
        return;
    UINT functions = 0;
    com_ptr<ITypeInfo> info;
    TYPEATTR* attributes = nullptr;
    if (SUCCEEDED(application->GetTypeInfo(0, 0, info.put())) && SUCCEEDED(info->GetTypeAttr(&attributes)))
    {
        functions = attributes->cFuncs;
        info->ReleaseTypeAttr(attributes);
    }
    VARIANT version = CallByName(application.get(), L"Version", DISPATCH_PROPERTYGET);
    VARIANT mapi;
    mapi.vt = VT_BSTR;
    mapi.bstrVal = SysAllocString(L"MAPI");
    VARIANT space = CallByName(application.get(), L"GetNamespace", DISPATCH_METHOD, &mapi);
    VARIANT kind;
    kind.vt = VT_I4;
    kind.lVal = 6;
    VARIANT inbox =
        CallByName(space.vt == VT_DISPATCH ? space.pdispVal : nullptr, L"GetDefaultFolder", DISPATCH_METHOD, &kind);
    IDispatch* folder = inbox.vt == VT_DISPATCH ? inbox.pdispVal : nullptr;
    VARIANT name = CallByName(folder, L"Name", DISPATCH_PROPERTYGET);
    VARIANT entry = CallByName(folder, L"EntryID", DISPATCH_PROPERTYGET);
    VARIANT nothing = CallByName(application.get(), L"NoSuchMember", DISPATCH_METHOD);
    VARIANT explorer = CallByName(application.get(), L"ActiveExplorer", DISPATCH_METHOD);
    VARIANT caption =
        CallByName(explorer.vt == VT_DISPATCH ? explorer.pdispVal : nullptr, L"Caption", DISPATCH_PROPERTYGET);
    Note("ObjectModel version %s functions %u inbox %s entry %s unknown %s explorer %s", Narrow(version).c_str(),
         functions, Narrow(name).c_str(), Narrow(entry).size() > 8 ? "hex" : "-",
         nothing.vt == VT_EMPTY ? "refused" : "answered", Narrow(caption).c_str());
    for (VARIANT* value : {&version, &mapi, &space, &inbox, &name, &entry, &nothing, &explorer, &caption})
        (void)VariantClear(value);
}

// Frees with the MAPI library the host loaded (the stand-in behind DLLPathEx).
void FreeMapiBuffer(void* p_pBuffer)
{
    auto* free = reinterpret_cast<ULONG(STDAPICALLTYPE*)(LPVOID)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("mapi_standin.dll"), "MAPIFreeBuffer")));
    if (p_pBuffer != nullptr && free != nullptr)
        free(p_pBuffer);
}

// A read note's callback gives the message being read and the store holding it.
void NoteReadObject(IExchExtCallback* p_pCallback)
{
    com_ptr<IMAPIProp> object;
    com_ptr<IMsgStore> store;
    const HRESULT hr = p_pCallback->GetObject(store.put(), object.put());
    SPropTagArray tags = {1, {PR_SUBJECT_A}};
    ULONG count = 0;
    LPSPropValue value = nullptr;
    std::string subject = "-";
    if (SUCCEEDED(hr) && object && SUCCEEDED(object->GetProps(&tags, 0, &count, &value)) && value != nullptr &&
        value->ulPropTag == PR_SUBJECT_A)
        subject = value->Value.lpszA;
    if (value != nullptr)
        FreeMapiBuffer(value);
    ULONG selected = 0;
    (void)p_pCallback->GetSelectionCount(&selected);
    Note("ReadNote object 0x%08lX %s store %s selection %lu", hr, subject.c_str(), store ? "yes" : "no", selected);
}

class CTestExtension final : public IExchExt,
                             public IExchExtCommands,
                             public IExchExtUserEvents,
                             public IExchExtSessionEvents,
                             public IExchExtMessageEvents
{
  public:
    // IUnknown, shared by every interface part.
    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        *p_ppv = nullptr;
        const bool viewer = m_ulContext == exchext::kContextViewer;
        if (IsEqualIID(p_riid, IID_IUnknown) || IsEqualIID(p_riid, exchext::IID_IExchExt))
            *p_ppv = static_cast<IExchExt*>(this);
        else if (viewer && IsEqualIID(p_riid, exchext::IID_IExchExtCommands))
            *p_ppv = static_cast<IExchExtCommands*>(this);
        else if (viewer && IsEqualIID(p_riid, exchext::IID_IExchExtUserEvents))
            *p_ppv = static_cast<IExchExtUserEvents*>(this);
        else if (viewer && IsEqualIID(p_riid, exchext::IID_IExchExtSessionEvents))
            *p_ppv = static_cast<IExchExtSessionEvents*>(this);
        else if (m_ulContext == exchext::kContextSendNoteMessage &&
                 IsEqualIID(p_riid, exchext::IID_IExchExtMessageEvents))
            *p_ppv = static_cast<IExchExtMessageEvents*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG refs = InterlockedDecrement(&m_lRefs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }

    STDMETHODIMP Install(IExchExtCallback* p_pCallback, ULONG p_ulContext, ULONG p_ulFlags) override
    {
        m_ulContext = p_ulContext;
        ULONG version = 0;
        (void)p_pCallback->GetVersion(&version, exchext::kGetActualVersion);
        HWND window = nullptr;
        char className[64] = "-";
        if (SUCCEEDED(p_pCallback->GetWindow(&window)) && window != nullptr)
            GetClassNameA(window, className, sizeof className);
        com_ptr<IOutlookExtCallback> outlook;
        const bool hasOutlook =
            SUCCEEDED(p_pCallback->QueryInterface(exchext::IID_IOutlookExtCallback, outlook.put_void()));
        com_ptr<IUnknown> application;
        const bool hasApplication = hasOutlook && SUCCEEDED(outlook->GetObject(application.put())) && application;
        Note("Install %lu flags %lu version 0x%08lX window %s application %s", p_ulContext, p_ulFlags, version,
             className, hasApplication ? "yes" : "no");
        if (p_ulContext == exchext::kContextViewer)
        {
            NoteObjectModel(application.get());
            m_p_oModel = std::make_unique<CModelClient>(application.get());
        }
        if (p_ulContext == exchext::kContextReadNoteMessage)
            NoteReadObject(p_pCallback);
        const bool wanted = p_ulContext == exchext::kContextSession || p_ulContext == exchext::kContextViewer ||
                            p_ulContext == exchext::kContextSendNoteMessage ||
                            p_ulContext == exchext::kContextReadNoteMessage;
        return wanted ? S_OK : S_FALSE;
    }

    STDMETHODIMP InstallCommands(IExchExtCallback* p_pCallback, HWND, HMENU, UINT* p_pnCommandBase,
                                 TBENTRY* p_pToolbars, UINT p_nToolbars, ULONG) override
    {
        HMENU menu = nullptr;
        ULONG first = 0;
        ULONG last = 0;
        if (FAILED(p_pCallback->GetMenuPos(exchext::kCmdTools, &menu, &first, &last, 0)))
            return E_FAIL;
        HMENU tools = GetSubMenu(menu, static_cast<int>(first));
        m_nCommand = (*p_pnCommandBase)++;
        (void)AppendMenuA(tools, MF_STRING, m_nCommand, kMenuText);
        for (UINT i = 0; i < p_nToolbars; ++i)
        {
            if (p_pToolbars[i].tbid != exchext::kToolbarStandard)
                continue;
            // One 16 x 16 face in the toolbar's bitmap list; its index is the button's.
            const std::vector<DWORD> red(16 * 16, 0x00CC2020);
            m_oFace.reset(CreateBitmap(16, 16, 1, 32, red.data()));
            TBADDBITMAP bitmap{nullptr, reinterpret_cast<UINT_PTR>(m_oFace.get())};
            m_iBitmap =
                static_cast<int>(SendMessageA(p_pToolbars[i].hwnd, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&bitmap)));
            Note("InstallCommands base %u bitmap base %u bitmap %d", m_nCommand, p_pToolbars[i].itbbBase, m_iBitmap);
        }
        return S_OK;
    }
    STDMETHODIMP_(void) InitMenu(IExchExtCallback*) override
    {
        Note("InitMenu");
    }
    STDMETHODIMP DoCommand(IExchExtCallback* p_pCallback, UINT p_nCommand) override
    {
        if (p_nCommand != m_nCommand)
            return S_FALSE;
        ULONG count = 0;
        (void)p_pCallback->GetSelectionCount(&count);
        Note("DoCommand mine selection %lu", count);
        if (m_p_oModel)
            m_p_oModel->HitTestButton();
        return S_OK;
    }
    STDMETHODIMP Help(IExchExtCallback*, UINT) override
    {
        return S_FALSE;
    }
    STDMETHODIMP QueryHelpText(UINT p_nCommand, ULONG, LPSTR p_szText, UINT p_cchText) override
    {
        if (p_nCommand != m_nCommand || p_cchText <= static_cast<UINT>(lstrlenA(kButtonText)))
            return S_FALSE;
        lstrcpynA(p_szText, kButtonText, static_cast<int>(p_cchText));
        return S_OK;
    }
    STDMETHODIMP QueryButtonInfo(ULONG p_ulToolbar, UINT p_nButton, TBBUTTON* p_pButton, LPSTR p_szDescription,
                                 UINT p_cchDescription, ULONG) override
    {
        Note("QueryButtonInfo toolbar %lu button %u", p_ulToolbar, p_nButton);
        if (p_ulToolbar != exchext::kToolbarStandard || static_cast<int>(p_nButton) != m_iBitmap)
            return S_FALSE;
        p_pButton->iBitmap = m_iBitmap;
        p_pButton->idCommand = static_cast<int>(m_nCommand);
        p_pButton->fsState = TBSTATE_ENABLED;
        p_pButton->fsStyle = BTNS_BUTTON;
        p_pButton->dwData = 0;
        p_pButton->iString = -1;
        lstrcpynA(p_szDescription, kButtonText, static_cast<int>(p_cchDescription));
        return S_OK;
    }
    STDMETHODIMP ResetToolbar(ULONG, ULONG) override
    {
        return S_OK;
    }

    STDMETHODIMP_(void) OnSelectionChange(IExchExtCallback* p_pCallback) override
    {
        ULONG count = 0;
        (void)p_pCallback->GetSelectionCount(&count);
        char messageClass[64] = "-";
        ULONG size = 0;
        LPENTRYID entry = nullptr;
        if (count > 0)
            (void)p_pCallback->GetSelectionItem(0, &size, &entry, nullptr, messageClass, sizeof messageClass, nullptr,
                                                0);
        // The entry id is the caller's to free, with the MAPI allocator the session uses.
        if (entry != nullptr)
            if (auto* free = reinterpret_cast<ULONG(STDAPICALLTYPE*)(LPVOID)>(
                    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("mapi_standin.dll"), "MAPIFreeBuffer"))))
                free(entry);
        Note("OnSelectionChange %lu %s entry %lu", count, messageClass, size);
    }
    STDMETHODIMP_(void) OnObjectChange(IExchExtCallback*) override
    {
        Note("OnObjectChange");
    }
    STDMETHODIMP OnDelivery(IExchExtCallback* p_pCallback) override
    {
        com_ptr<IMAPIProp> message;
        (void)p_pCallback->GetObject(nullptr, message.put());
        SPropTagArray subjectTag = {1, {PR_SUBJECT_A}};
        ULONG count = 0;
        LPSPropValue value = nullptr;
        std::string subject = "-";
        if (message && SUCCEEDED(message->GetProps(&subjectTag, 0, &count, &value)) && value != nullptr &&
            value->ulPropTag == PR_SUBJECT_A)
            subject = value->Value.lpszA;
        FreeMapiBuffer(value);
        Note("OnDelivery %s", subject.c_str());
        return S_FALSE;
    }

    STDMETHODIMP OnRead(IExchExtCallback*) override
    {
        Note("OnRead");
        return S_FALSE;
    }
    STDMETHODIMP OnReadComplete(IExchExtCallback*, ULONG) override
    {
        Note("OnReadComplete");
        return S_FALSE;
    }
    STDMETHODIMP OnWrite(IExchExtCallback*) override
    {
        Note("OnWrite");
        return S_FALSE;
    }
    STDMETHODIMP OnWriteComplete(IExchExtCallback* p_pCallback, ULONG p_ulFlags) override
    {
        com_ptr<IMAPIProp> message;
        HWND window = nullptr;
        (void)p_pCallback->GetObject(nullptr, message.put());
        (void)p_pCallback->GetWindow(&window);
        char className[64] = "-";
        if (window != nullptr)
            GetClassNameA(window, className, sizeof className);
        // The recipients the write put on the message (the form's resolved names), as an extension
        // reading them here sees them.
        constexpr GUID kIidMessage = {0x00020307, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
        com_ptr<IMessage> written;
        com_ptr<IMAPITable> recipients;
        ULONG count = 0;
        if (message && SUCCEEDED(message->QueryInterface(kIidMessage, written.put_void())) &&
            SUCCEEDED(written->GetRecipientTable(0, recipients.put())))
            (void)recipients->GetRowCount(0, &count);
        Note("OnWriteComplete %lu message %s window %s recipients %lu", p_ulFlags, message ? "yes" : "no", className,
             count);
        return S_FALSE;
    }
    STDMETHODIMP OnCheckNames(IExchExtCallback*) override
    {
        Note("OnCheckNames");
        return S_FALSE;
    }
    STDMETHODIMP OnCheckNamesComplete(IExchExtCallback*, ULONG p_ulFlags) override
    {
        Note("OnCheckNamesComplete %lu", p_ulFlags);
        return S_FALSE;
    }
    STDMETHODIMP OnSubmit(IExchExtCallback*) override
    {
        Note("OnSubmit");
        return S_FALSE;
    }
    STDMETHODIMP_(void) OnSubmitComplete(IExchExtCallback*, ULONG p_ulFlags) override
    {
        Note("OnSubmitComplete %lu", p_ulFlags);
    }

  private:
    ~CTestExtension() = default;

    LONG m_lRefs = 1;
    ULONG m_ulContext = 0;
    UINT m_nCommand = 0;
    int m_iBitmap = -1;
    unique_hbitmap m_oFace;
    std::unique_ptr<CModelClient> m_p_oModel;
};
} // namespace

extern "C" IExchExt* WINAPI ExchEntryPoint()
{
    return new (std::nothrow) CTestExtension();
}
