// tests/win/outlook/test_extension_model_win.cpp: the test extension's late-bound object-model client
// and its event sinks.
#include "tests/win/outlook/test_extension_model_win.h"

#include <mapitags.h>
#include <mapix.h>
#include <ocidl.h>
#include <oleacc.h>

#include <string>
#include <vector>

namespace
{
constexpr IID kIidButtonEvents = {0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidExplorerEvents = {0x0006304F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidExplorersEvents = {0x00063078, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Spelled out: the oleacc import library exports the name IID_IAccessible as code, not as the identifier.
constexpr IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// A value that owns what it holds.
class CValue
{
  public:
    CValue()
    {
        VariantInit(&m_v);
    }
    explicit CValue(long p_lValue) : CValue()
    {
        m_v.vt = VT_I4;
        m_v.lVal = p_lValue;
    }
    explicit CValue(const wchar_t* p_szText) : CValue()
    {
        m_v.vt = VT_BSTR;
        m_v.bstrVal = SysAllocString(p_szText);
    }
    explicit CValue(bool p_bValue) : CValue()
    {
        m_v.vt = VT_BOOL;
        m_v.boolVal = p_bValue ? VARIANT_TRUE : VARIANT_FALSE;
    }
    ~CValue()
    {
        (void)VariantClear(&m_v);
    }
    CValue(CValue&& p_o) noexcept : CValue()
    {
        std::swap(m_v, p_o.m_v);
    }
    CValue(const CValue&) = delete;
    CValue& operator=(const CValue&) = delete;
    IDispatch* Object() const
    {
        return m_v.vt == VT_DISPATCH ? m_v.pdispVal : nullptr;
    }
    std::string Text() const
    {
        if (m_v.vt != VT_BSTR || m_v.bstrVal == nullptr)
            return "-";
        const std::wstring wide(m_v.bstrVal);
        return std::string(wide.begin(), wide.end());
    }
    long Number() const
    {
        return m_v.vt == VT_I4 ? m_v.lVal : -1;
    }
    VARIANT m_v;
};

// Late-bound calls by name; the result is empty when the call failed, and p_pHr (when given) says why.
CValue Call(IDispatch* p_pObject, const wchar_t* p_szName, WORD p_wFlags, std::vector<VARIANT> p_vArgs = {},
            HRESULT* p_pHr = nullptr)
{
    CValue result;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(p_szName);
    std::vector<VARIANT> reversed(p_vArgs.rbegin(), p_vArgs.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    const bool put = (p_wFlags & DISPATCH_PROPERTYPUT) != 0;
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), put ? &putId : nullptr,
                      static_cast<UINT>(reversed.size()), put ? 1u : 0u};
    HRESULT hr = E_POINTER;
    if (p_pObject != nullptr && SUCCEEDED(hr = p_pObject->GetIDsOfNames(IID_NULL, &name, 1, 0, &id)))
        hr = p_pObject->Invoke(id, IID_NULL, 0, p_wFlags, &params, put ? nullptr : &result.m_v, nullptr, nullptr);
    if (FAILED(hr))
        VariantInit(&result.m_v);
    if (p_pHr != nullptr)
        *p_pHr = hr;
    return result;
}

CValue Get(IDispatch* p_pObject, const wchar_t* p_szName, std::vector<VARIANT> p_vArgs = {})
{
    return Call(p_pObject, p_szName, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(p_vArgs));
}

HRESULT Set(IDispatch* p_pObject, const wchar_t* p_szName, const CValue& p_oValue)
{
    HRESULT hr = S_OK;
    (void)Call(p_pObject, p_szName, DISPATCH_PROPERTYPUT, {p_oValue.m_v}, &hr);
    return hr;
}

VARIANT Missing()
{
    VARIANT missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    return missing;
}

// An IDispatch sink that logs the events it is called with.
class CSink final : public IDispatch
{
  public:
    using CHandler = void (*)(DISPID, DISPPARAMS*, IDispatch* p_pApplication);
    CSink(IID p_iid, CHandler p_pfnHandler, IDispatch* p_pApplication)
        : m_iid(p_iid), m_pfnHandler(p_pfnHandler), m_p_oApplication(com_ptr<IDispatch>::copy_from(p_pApplication))
    {
    }
    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        *p_ppv = nullptr;
        if (!IsEqualIID(p_riid, IID_IUnknown) && !IsEqualIID(p_riid, IID_IDispatch) && !IsEqualIID(p_riid, m_iid))
            return E_NOINTERFACE;
        *p_ppv = static_cast<IDispatch*>(this);
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
    STDMETHODIMP GetTypeInfoCount(UINT* p_pnCount) override
    {
        *p_pnCount = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID p_id, REFIID, LCID, WORD, DISPPARAMS* p_pParams, VARIANT*, EXCEPINFO*, UINT*) override
    {
        m_pfnHandler(p_id, p_pParams, m_p_oApplication.get());
        return S_OK;
    }

  private:
    ~CSink() = default;
    LONG m_lRefs = 1;
    IID m_iid;
    CHandler m_pfnHandler;
    com_ptr<IDispatch> m_p_oApplication;
};

// Click(Ctrl, CancelDefault): the control arrives last-first, as the second argument.
void OnClick(DISPID p_id, DISPPARAMS* p_pParams, IDispatch* p_pApplication)
{
    if (p_id != 1 || p_pParams->cArgs != 2 || p_pParams->rgvarg[1].vt != VT_DISPATCH ||
        p_pParams->rgvarg[0].vt != (VT_BOOL | VT_BYREF))
    {
        Note("Click with unexpected arguments");
        return;
    }
    IDispatch* control = p_pParams->rgvarg[1].pdispVal;
    const std::string caption = Get(control, L"Caption").Text();
    Note("Click %s tag %s", caption.c_str(), Get(control, L"Tag").Text().c_str());
    if (caption != "Send SMS")
        return;
    // As a plug-in's New SMS command: a new mail item, filled and shown.
    CValue item = Call(p_pApplication, L"CreateItem", DISPATCH_METHOD, {CValue(0L).m_v});
    const HRESULT subject = Set(item.Object(), L"Subject", CValue(L"SMS from the button"));
    const HRESULT to = Set(item.Object(), L"To", CValue(L"Bob Smith"));
    HRESULT shown = E_FAIL;
    (void)Call(item.Object(), L"Display", DISPATCH_METHOD, {}, &shown);
    Note("CreateItem class %ld subject 0x%08lX to 0x%08lX display 0x%08lX", Get(item.Object(), L"Class").Number(),
         subject, to, shown);
}

void OnExplorerEvent(DISPID p_id, DISPPARAMS*, IDispatch* p_pApplication)
{
    CValue explorer = Call(p_pApplication, L"ActiveExplorer", DISPATCH_METHOD);
    const char* name = p_id == 0xF001   ? "Activate"
                       : p_id == 0xF002 ? "FolderSwitch"
                       : p_id == 0xF007 ? "SelectionChange"
                       : p_id == 0xF008 ? "Close"
                                        : "other";
    if (p_id == 0xF007)
    {
        CValue selection = Get(explorer.Object(), L"Selection");
        CValue first = Get(selection.Object(), L"Item", {CValue(1L).m_v});
        Note("ExplorerEvent SelectionChange %ld %s", Get(selection.Object(), L"Count").Number(),
             Get(first.Object(), L"Subject").Text().c_str());
        return;
    }
    if (p_id == 0xF002)
    {
        CValue folder = Get(explorer.Object(), L"CurrentFolder");
        Note("ExplorerEvent FolderSwitch %s", Get(folder.Object(), L"Name").Text().c_str());
        return;
    }
    Note("ExplorerEvent %s", name);
}

void OnNewExplorer(DISPID p_id, DISPPARAMS* p_pParams, IDispatch*)
{
    IDispatch* explorer =
        p_pParams->cArgs == 1 && p_pParams->rgvarg[0].vt == VT_DISPATCH ? p_pParams->rgvarg[0].pdispVal : nullptr;
    Note("NewExplorer %s dispid 0x%lX", Get(explorer, L"Caption").Text().c_str(), static_cast<unsigned long>(p_id));
}

// A sink connected to the source's point for p_riid; the cookie is kept to disconnect.
struct CConnection
{
    com_ptr<IConnectionPoint> m_p_oPoint;
    DWORD m_dwCookie = 0;
};

CConnection Connect(IDispatch* p_pSource, REFIID p_riid, CSink::CHandler p_pfnHandler, IDispatch* p_pApplication)
{
    CConnection connection;
    com_ptr<IConnectionPointContainer> container;
    if (p_pSource == nullptr ||
        FAILED(p_pSource->QueryInterface(IID_IConnectionPointContainer, container.put_void())) ||
        FAILED(container->FindConnectionPoint(p_riid, connection.m_p_oPoint.put())))
        return {};
    com_ptr<IDispatch> sink;
    sink.attach(new CSink(p_riid, p_pfnHandler, p_pApplication));
    if (FAILED(connection.m_p_oPoint->Advise(sink.get(), &connection.m_dwCookie)))
        return {};
    return connection;
}

// Whether the folder's associated contents hold a form definition of that name, looked up as a product
// looks for it: FindRow on the message class and the display name.
bool HasFormDefinition(IDispatch* p_pFolder, const char* p_szName)
{
    constexpr IID kIidMapiFolder = {0x0002030C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    CValue object = Get(p_pFolder, L"MAPIOBJECT");
    com_ptr<IMAPIFolder> folder;
    com_ptr<IMAPITable> table;
    if (object.m_v.vt != VT_UNKNOWN || object.m_v.punkVal == nullptr ||
        FAILED(object.m_v.punkVal->QueryInterface(kIidMapiFolder, folder.put_void())) ||
        FAILED(folder->GetContentsTable(MAPI_ASSOCIATED, table.put())))
        return false;
    SizedSPropTagArray(3, columns) = {3, {PR_ENTRYID, PR_MESSAGE_CLASS_A, PR_DISPLAY_NAME_A}};
    if (FAILED(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0)))
        return false;
    SPropValue values[2]{};
    values[0].ulPropTag = PR_MESSAGE_CLASS_A;
    values[0].Value.lpszA = const_cast<char*>("IPM.Microsoft.FolderDesign.FormsDescription");
    values[1].ulPropTag = PR_DISPLAY_NAME_A;
    values[1].Value.lpszA = const_cast<char*>(p_szName);
    SRestriction parts[2]{};
    for (int i = 0; i < 2; ++i)
    {
        parts[i].rt = RES_PROPERTY;
        parts[i].res.resProperty = {RELOP_EQ, values[i].ulPropTag, &values[i]};
    }
    SRestriction both{};
    both.rt = RES_AND;
    both.res.resAnd = {2, parts};
    return table->FindRow(&both, BOOKMARK_BEGINNING, 0) == S_OK;
}

bool PutFaceOnClipboard()
{
    const std::vector<DWORD> pixels(16 * 16, 0x0020A040);
    unique_hbitmap face(CreateBitmap(16, 16, 1, 32, pixels.data()));
    if (!face || !OpenClipboard(nullptr))
        return false;
    const bool put = EmptyClipboard() && SetClipboardData(CF_BITMAP, face.get()) != nullptr;
    if (put)
        (void)face.release();
    CloseClipboard();
    return put;
}
} // namespace

struct CModelClient::CState
{
    com_ptr<IDispatch> m_p_oApplication;
    com_ptr<IDispatch> m_p_oButton;
    com_ptr<IDispatch> m_p_oBars;
    std::vector<CConnection> m_vConnections;
};

namespace
{
// The captions of a bar's controls in order, joined by '-'.
std::string Order(IDispatch* p_pBar)
{
    CValue controls = Get(p_pBar, L"Controls");
    std::string order;
    for (long i = 1; i <= Get(controls.Object(), L"Count").Number(); ++i)
    {
        CValue control = Get(controls.Object(), L"Item", {CValue(i).m_v});
        order += (order.empty() ? "" : "-") + Get(control.Object(), L"Caption").Text();
    }
    return order;
}

// Move(Bar, Before) on two hidden bars of their own: within a bar (in front of the control now at
// Before, last when it is left out or past the end), to another bar, and the moves refused.
void NoteMoves(IDispatch* p_pBars)
{
    CValue bar =
        Call(p_pBars, L"Add", DISPATCH_METHOD, {CValue(L"Move Bar").m_v, CValue(1L).m_v, Missing(), CValue(true).m_v});
    CValue other = Call(p_pBars, L"Add", DISPATCH_METHOD,
                        {CValue(L"Move Other").m_v, CValue(1L).m_v, Missing(), CValue(true).m_v});
    CValue controls = Get(bar.Object(), L"Controls");
    std::vector<CValue> added;
    for (const wchar_t* caption : {L"A", L"B", L"C", L"P"})
    {
        added.push_back(Call(controls.Object(), L"Add", DISPATCH_METHOD, {CValue(caption[0] == L'P' ? 10L : 1L).m_v}));
        (void)Set(added.back().Object(), L"Caption", CValue(caption));
    }
    IDispatch* a = added[0].Object();
    IDispatch* b = added[1].Object();
    IDispatch* c = added[2].Object();
    IDispatch* popup = added[3].Object();
    std::string steps;
    CValue moved = Call(a, L"Move", DISPATCH_METHOD, {Missing(), CValue(3L).m_v});
    steps += Order(bar.Object()) + (moved.Object() == a ? " returned " : " lost ");
    (void)Call(c, L"Move", DISPATCH_METHOD, {bar.m_v, CValue(1L).m_v});
    steps += Order(bar.Object()) + " ";
    (void)Call(b, L"Move", DISPATCH_METHOD);
    steps += Order(bar.Object()) + " ";
    (void)Call(c, L"Move", DISPATCH_METHOD, {Missing(), CValue(99L).m_v});
    steps += Order(bar.Object()) + " ";
    (void)Call(a, L"Move", DISPATCH_METHOD, {Missing(), CValue(2L).m_v});
    steps += Order(bar.Object()) + " | ";
    (void)Call(a, L"Move", DISPATCH_METHOD, {other.m_v});
    steps +=
        Order(bar.Object()) + " / " + Order(other.Object()) + " index " + std::to_string(Get(a, L"Index").Number());
    HRESULT own = S_OK;
    HRESULT stranger = S_OK;
    CValue list = Get(popup, L"CommandBar");
    (void)Call(popup, L"Move", DISPATCH_METHOD, {list.m_v}, &own);
    (void)Call(b, L"Move", DISPATCH_METHOD, {controls.m_v}, &stranger);
    Note("Move %s own list %s stranger %s", steps.c_str(), FAILED(own) ? "refused" : "moved",
         FAILED(stranger) ? "refused" : "moved");
    // Gone again: the client's bar list shows only what the other steps made.
    (void)Call(bar.Object(), L"Delete", DISPATCH_METHOD);
    (void)Call(other.Object(), L"Delete", DISPATCH_METHOD);
}
} // namespace

CModelClient::CModelClient(IUnknown* p_pApplication) : m_p_oState(std::make_unique<CState>())
{
    CState& state = *m_p_oState;
    if (p_pApplication == nullptr ||
        FAILED(p_pApplication->QueryInterface(IID_IDispatch, state.m_p_oApplication.put_void())))
        return;
    IDispatch* application = state.m_p_oApplication.get();
    CValue explorer = Call(application, L"ActiveExplorer", DISPATCH_METHOD);
    state.m_vConnections.push_back(Connect(explorer.Object(), kIidExplorerEvents, &OnExplorerEvent, application));
    CValue explorers = Get(application, L"Explorers");
    // One NewExplorer sink for the process: the first explorer's extension connects it.
    if (Get(explorers.Object(), L"Count").Number() == 1)
        state.m_vConnections.push_back(Connect(explorers.Object(), kIidExplorersEvents, &OnNewExplorer, application));

    // A temporary button at the end of "Standard" with a face pasted from the clipboard.
    CValue bars = Get(explorer.Object(), L"CommandBars");
    CValue standard = Get(bars.Object(), L"Item", {CValue(L"Standard").m_v});
    CValue controls = Get(standard.Object(), L"Controls");
    CValue button = Call(controls.Object(), L"Add", DISPATCH_METHOD,
                         {CValue(1L).m_v, Missing(), Missing(), Missing(), CValue(true).m_v});
    const HRESULT caption = Set(button.Object(), L"Caption", CValue(L"Send SMS"));
    const HRESULT tag = Set(button.Object(), L"Tag", CValue(L"brevolt-sms-1"));
    const HRESULT style = Set(button.Object(), L"Style", CValue(3L));
    (void)Set(button.Object(), L"TooltipText", CValue(L"Send an SMS"));
    HRESULT pasted = E_FAIL;
    if (PutFaceOnClipboard())
        (void)Call(button.Object(), L"PasteFace", DISPATCH_METHOD, {}, &pasted);
    state.m_vConnections.push_back(Connect(button.Object(), kIidButtonEvents, &OnClick, application));
    Note("CommandBar added caption 0x%08lX tag 0x%08lX style 0x%08lX face 0x%08lX sink %s", caption, tag, style, pasted,
         state.m_vConnections.back().m_p_oPoint ? "yes" : "no");
    state.m_p_oButton = com_ptr<IDispatch>::copy_from(button.Object());
    state.m_p_oBars = com_ptr<IDispatch>::copy_from(bars.Object());

    // A bar of its own with a popup holding a tagged button, shown on its own row.
    CValue smsBar = Call(bars.Object(), L"Add", DISPATCH_METHOD,
                         {CValue(L"SMS Bar").m_v, CValue(1L).m_v, Missing(), CValue(true).m_v});
    CValue barControls = Get(smsBar.Object(), L"Controls");
    CValue popup = Call(barControls.Object(), L"Add", DISPATCH_METHOD, {CValue(10L).m_v});
    (void)Set(popup.Object(), L"Caption", CValue(L"&SMS"));
    CValue popupControls = Get(popup.Object(), L"Controls");
    CValue reply = Call(popupControls.Object(), L"Add", DISPATCH_METHOD, {CValue(1L).m_v});
    (void)Set(reply.Object(), L"Caption", CValue(L"Reply via SMS"));
    (void)Set(reply.Object(), L"Tag", CValue(L"brevolt-reply"));
    state.m_vConnections.push_back(Connect(reply.Object(), kIidButtonEvents, &OnClick, application));
    // No sink of its own: it shares the tag of the Standard button, whose sink hears its clicks.
    CValue also = Call(popupControls.Object(), L"Add", DISPATCH_METHOD, {CValue(1L).m_v});
    (void)Set(also.Object(), L"Caption", CValue(L"Also SMS"));
    (void)Set(also.Object(), L"Tag", CValue(L"brevolt-sms-1"));
    (void)Set(smsBar.Object(), L"Visible", CValue(true));
    // A bar docked on the row of "Standard", after it, as a plug-in places its New button companion.
    CValue newBar = Call(bars.Object(), L"Add", DISPATCH_METHOD,
                         {CValue(L"New SMS Bar").m_v, CValue(1L).m_v, Missing(), CValue(true).m_v});
    CValue newControls = Get(newBar.Object(), L"Controls");
    CValue newButton = Call(newControls.Object(), L"Add", DISPATCH_METHOD, {CValue(1L).m_v});
    (void)Set(newButton.Object(), L"Caption", CValue(L"New Branded SMS"));
    CValue row = Get(standard.Object(), L"RowIndex");
    (void)Set(newBar.Object(), L"RowIndex", row);
    (void)Set(newBar.Object(), L"Left", CValue(Get(standard.Object(), L"Left").Number() + 2000));
    (void)Set(newBar.Object(), L"Visible", CValue(true));
    HRESULT duplicate = S_OK;
    (void)Call(bars.Object(), L"Add", DISPATCH_METHOD, {CValue(L"SMS Bar").m_v}, &duplicate);

    // FindControl by tag finds the button; an unknown tag finds nothing.
    CValue found =
        Call(bars.Object(), L"FindControl", DISPATCH_METHOD, {Missing(), Missing(), CValue(L"brevolt-sms-1").m_v});
    CValue none = Call(bars.Object(), L"FindControl", DISPATCH_METHOD, {Missing(), Missing(), CValue(L"no-such").m_v});
    Note("FindControl %s same %s none %s duplicate bar %s", Get(found.Object(), L"Caption").Text().c_str(),
         found.Object() == button.Object() ? "yes" : "no", none.m_v.vt == VT_EMPTY ? "yes" : "no",
         FAILED(duplicate) ? "refused" : "made");
    NoteMoves(bars.Object());

    // The Inbox found again by its entry id; an entry id of nothing is refused.
    CValue space = Call(application, L"GetNamespace", DISPATCH_METHOD, {CValue(L"MAPI").m_v});
    CValue inbox = Call(space.Object(), L"GetDefaultFolder", DISPATCH_METHOD, {CValue(6L).m_v});
    CValue entry = Get(inbox.Object(), L"EntryID");
    CValue store = Get(inbox.Object(), L"StoreID");
    CValue again = Call(space.Object(), L"GetFolderFromID", DISPATCH_METHOD, {entry.m_v, store.m_v});
    HRESULT bad = S_OK;
    (void)Call(space.Object(), L"GetFolderFromID", DISPATCH_METHOD, {CValue(L"00112233").m_v}, &bad);
    CValue items = Get(again.Object(), L"Items");
    // A form published to the Calendar's registry from a new appointment, as the forms installer does.
    CValue calendar = Call(space.Object(), L"GetDefaultFolder", DISPATCH_METHOD, {CValue(9L).m_v});
    CValue appointment = Call(application, L"CreateItem", DISPATCH_METHOD, {CValue(1L).m_v});
    CValue form = Get(appointment.Object(), L"FormDescription");
    (void)Set(form.Object(), L"Name", CValue(L"SMSAppointmentFormRemNoAttNo"));
    (void)Set(form.Object(), L"DisplayName", CValue(L"Appointment"));
    HRESULT published = E_FAIL;
    HRESULT withoutFolder = S_OK;
    (void)Call(form.Object(), L"PublishForm", DISPATCH_METHOD, {CValue(3L).m_v, calendar.m_v}, &published);
    (void)Call(form.Object(), L"PublishForm", DISPATCH_METHOD, {CValue(3L).m_v}, &withoutFolder);
    (void)Call(appointment.Object(), L"Close", DISPATCH_METHOD, {CValue(1L).m_v});
    Note("PublishForm 0x%08lX without folder %s found %s other %s", published,
         FAILED(withoutFolder) ? "refused" : "done",
         HasFormDefinition(calendar.Object(), "SMSAppointmentFormRemNoAttNo") ? "yes" : "no",
         HasFormDefinition(calendar.Object(), "SMSTaskFormRemNo") ? "yes" : "no");
    Note("FolderFromID %s items %ld same %s bad %s", Get(again.Object(), L"Name").Text().c_str(),
         Get(items.Object(), L"Count").Number(), Get(again.Object(), L"EntryID").Text() == entry.Text() ? "yes" : "no",
         FAILED(bad) ? "refused" : "found");
}

CModelClient::~CModelClient()
{
    for (CConnection& connection : m_p_oState->m_vConnections)
        if (connection.m_p_oPoint)
            (void)connection.m_p_oPoint->Unadvise(connection.m_dwCookie);
}

void CModelClient::HitTestButton()
{
    IDispatch* button = m_p_oState->m_p_oButton.get();
    const long left = Get(button, L"Left").Number();
    const long top = Get(button, L"Top").Number();
    const POINT centre{left + Get(button, L"Width").Number() / 2, top + Get(button, L"Height").Number() / 2};
    com_ptr<IAccessible> accessible;
    VARIANT child;
    VariantInit(&child);
    unique_bstr name;
    char className[64] = "-";
    GetClassNameA(WindowFromPoint(centre), className, sizeof className);
    const HRESULT hr = AccessibleObjectFromPoint(centre, accessible.put(), &child);
    if (SUCCEEDED(hr) && accessible)
        (void)accessible->get_accName(child, name.put());
    const std::wstring wide = name ? std::wstring(name.get()) : std::wstring(L"-");
    Note("HitTest 0x%08lX name %s class %s", hr, std::string(wide.begin(), wide.end()).c_str(), className);
    AccessibleControls();
}

namespace
{
std::string AccName(IAccessible* p_pAccessible)
{
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    unique_bstr name;
    if (p_pAccessible == nullptr || FAILED(p_pAccessible->get_accName(self, name.put())) || !name)
        return "-";
    const std::wstring wide(name.get());
    return std::string(wide.begin(), wide.end());
}
} // namespace

// The controls themselves answer IAccessible, as a plug-in asks a clicked button for its place: the
// drawn button's place is its Left/Top/Width/Height, a control in a closed list has none.
void CModelClient::AccessibleControls()
{
    IDispatch* button = m_p_oState->m_p_oButton.get();
    com_ptr<IAccessible> accessible;
    const HRESULT asked = button != nullptr ? button->QueryInterface(kIidAccessible, accessible.put_void()) : E_POINTER;
    if (FAILED(asked))
    {
        Note("ControlAccessible none 0x%08lX", asked);
        return;
    }
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role;
    VariantInit(&role);
    (void)accessible->get_accRole(self, &role);
    long left = 0, top = 0, width = 0, height = 0;
    const HRESULT placed = accessible->accLocation(&left, &top, &width, &height, self);
    const bool same = left == Get(button, L"Left").Number() && top == Get(button, L"Top").Number() &&
                      width == Get(button, L"Width").Number() && height == Get(button, L"Height").Number() && width > 0;
    com_ptr<IDispatch> parent;
    (void)accessible->get_accParent(parent.put());
    com_ptr<IAccessible> bar = parent ? parent.query<IAccessible>(kIidAccessible) : com_ptr<IAccessible>();
    // The same object through either interface.
    com_ptr<IUnknown> fromAccessible;
    com_ptr<IUnknown> fromButton;
    (void)accessible->QueryInterface(IID_IUnknown, fromAccessible.put_void());
    (void)button->QueryInterface(IID_IUnknown, fromButton.put_void());
    // "Reply via SMS" sits in the closed list of the SMS popup.
    CValue reply = Call(m_p_oState->m_p_oBars.get(), L"FindControl", DISPATCH_METHOD,
                        {Missing(), Missing(), CValue(L"brevolt-reply").m_v});
    com_ptr<IAccessible> hidden;
    long zero = -1;
    HRESULT closed = E_FAIL;
    if (reply.Object() != nullptr && SUCCEEDED(reply.Object()->QueryInterface(kIidAccessible, hidden.put_void())))
        closed = hidden->accLocation(&zero, &zero, &zero, &zero, self);
    Note("ControlAccessible name %s role %ld place 0x%08lX same %s parent %s identity %s closed %s 0x%08lX",
         AccName(accessible.get()).c_str(), role.vt == VT_I4 ? role.lVal : -1L, placed, same ? "yes" : "no",
         AccName(bar.get()).c_str(), fromAccessible.get() == fromButton.get() ? "yes" : "no",
         AccName(hidden.get()).c_str(), closed);
}
