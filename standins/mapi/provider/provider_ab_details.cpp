// standins/mapi/provider/provider_ab_details.cpp: IAddrBook::Details: the modal details window of
// one address entry (name, mobile, e-mail; OK and Cancel). A mobile edited there is saved to the
// entry; an entry that cannot be changed (a directory user, a one-off) keeps the field read-only.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/provider/provider_dialog_template.h"

#include <cstring>

namespace mapiprov
{
namespace
{
enum EControl : WORD
{
    kIdName = 101,
    kIdMobile = 102,
    kIdEmail = 103,
};

struct CDetails
{
    std::wstring m_sName, m_sMobile, m_sEmail;
    bool m_bWritable = false;
};

INT_PTR CALLBACK DetailsProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("DetailsProc", INT_PTR{0}, [&]() -> INT_PTR {
        auto* d = reinterpret_cast<CDetails*>(GetWindowLongPtrW(p_hDlg, DWLP_USER));
        switch (p_uMsg)
        {
        case WM_INITDIALOG:
            d = reinterpret_cast<CDetails*>(p_lParam);
            SetWindowLongPtrW(p_hDlg, DWLP_USER, p_lParam);
            SetDlgItemTextW(p_hDlg, kIdName, d->m_sName.c_str());
            SetDlgItemTextW(p_hDlg, kIdMobile, d->m_sMobile.c_str());
            SetDlgItemTextW(p_hDlg, kIdEmail, d->m_sEmail.c_str());
            SendDlgItemMessageW(p_hDlg, kIdMobile, EM_SETREADONLY, !d->m_bWritable, 0);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(p_wParam) == IDOK && d)
            {
                const int n = GetWindowTextLengthW(GetDlgItem(p_hDlg, kIdMobile));
                std::wstring mobile(static_cast<size_t>(n) + 1, L'\0');
                mobile.resize(static_cast<size_t>(GetDlgItemTextW(p_hDlg, kIdMobile, mobile.data(), n + 1)));
                d->m_sMobile = std::move(mobile);
            }
            if (LOWORD(p_wParam) == IDOK || LOWORD(p_wParam) == IDCANCEL)
                EndDialog(p_hDlg, LOWORD(p_wParam));
            return TRUE;
        default:
            return FALSE;
        }
    });
}

std::wstring Wide(const SPropValue& p_v)
{
    return PROP_TYPE(p_v.ulPropTag) == PT_UNICODE && p_v.Value.lpszW ? p_v.Value.lpszW : L"";
}

// The entry's name, mobile and e-mail (its SMTP address when it has one); whether it can be changed.
HRESULT ReadDetails(IMAPIProp* p_pEntry, CDetails& p_out)
{
    SizedSPropTagArray(4, tags) = {
        4, {PR_DISPLAY_NAME_W, PR_MOBILE_TELEPHONE_NUMBER_W, PR_EMAIL_ADDRESS_W, PR_SMTP_ADDRESS_W}};
    ULONG count = 0;
    unique_own_buffer<SPropValue> values;
    const HRESULT hr = p_pEntry->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, values.put());
    if (FAILED(hr) || count != 4)
        return FAILED(hr) ? hr : MAPI_E_CALL_FAILED;
    p_out.m_sName = Wide(values.get()[0]);
    p_out.m_sMobile = Wide(values.get()[1]);
    p_out.m_sEmail = Wide(values.get()[3]).empty() ? Wide(values.get()[2]) : Wide(values.get()[3]);
    return S_OK;
}
} // namespace

HRESULT ShowDetails(HWND p_hParent, ULONG p_cb, const void* p_pEid)
{
    com_ptr<IUnknown> unk;
    ULONG type = 0;
    RETURN_IF_FAILED(Call("IAddrBook::Details", [&] { return OpenAnyAbEntry(p_cb, p_pEid, &type, unk.put()); }));
    const com_ptr<IMAPIProp> entry = unk.query<IMAPIProp>(IID_IMAPIProp);
    if (!entry)
        return MAPI_E_CALL_FAILED;
    CDetails details;
    RETURN_IF_FAILED(ReadDetails(entry.get(), details));
    // Whether the entry takes a change is asked of it: writing back the value it has changes nothing.
    SPropValue same{};
    same.ulPropTag = PR_MOBILE_TELEPHONE_NUMBER_W;
    same.Value.lpszW = details.m_sMobile.data();
    details.m_bWritable = type == MAPI_MAILUSER && SUCCEEDED(entry->SetProps(1, &same, nullptr));
    const std::wstring before = details.m_sMobile;

    CTemplate t(details.m_sName.c_str(), 220, 92);
    t.Item(0, 0x0082, SS_LEFT, 7, 9, 50, 8, L"Name:");
    t.Item(kIdName, 0x0081, ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_TABSTOP, 60, 7, 153, 12, L"");
    t.Item(0, 0x0082, SS_LEFT, 7, 27, 50, 8, L"Mobile:");
    t.Item(kIdMobile, 0x0081, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 60, 25, 153, 12, L"");
    t.Item(0, 0x0082, SS_LEFT, 7, 45, 50, 8, L"E-mail:");
    t.Item(kIdEmail, 0x0081, ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_TABSTOP, 60, 43, 153, 12, L"");
    t.Item(IDOK, 0x0080, BS_DEFPUSHBUTTON | WS_TABSTOP, 106, 70, 50, 14, L"OK");
    t.Item(IDCANCEL, 0x0080, BS_PUSHBUTTON | WS_TABSTOP, 163, 70, 50, 14, L"Cancel");
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), p_hParent, &DetailsProc,
                                                   reinterpret_cast<LPARAM>(&details));
    if (result == -1)
        return HRESULT_FROM_WIN32(GetLastError());
    if (result != IDOK)
        return MAPI_E_USER_CANCEL;
    if (!details.m_bWritable || details.m_sMobile == before)
        return S_OK;
    SPropValue mobile{};
    mobile.ulPropTag = PR_MOBILE_TELEPHONE_NUMBER_W;
    mobile.Value.lpszW = details.m_sMobile.data();
    RETURN_IF_FAILED(entry->SetProps(1, &mobile, nullptr));
    return entry->SaveChanges(0);
}
} // namespace mapiprov
