// compose/templates/field_input_win.cpp: making and reading the input control of a template field.
#include "compose/templates/field_input_win.h"

#include "common/failure_log.h"
#include "common/text_win.h"

#include <commctrl.h>

namespace
{
using compose::CTemplateDateTime;
using compose::CTemplateEntry;
using compose::CTemplateField;
using compose::ETemplateFieldKind;

constexpr int kInputHeight = 21;

CTemplateDateTime FromSystemTime(SYSTEMTIME p_oTime)
{
    // A round trip through FILETIME fills in the day of the week for any date the picker gave.
    FILETIME oFile{};
    if (SystemTimeToFileTime(&p_oTime, &oFile))
        (void)FileTimeToSystemTime(&oFile, &p_oTime);
    return CTemplateDateTime{p_oTime.wYear, p_oTime.wMonth,  p_oTime.wDay,   p_oTime.wDayOfWeek,
                             p_oTime.wHour, p_oTime.wMinute, p_oTime.wSecond};
}

bool IsPicker(const CTemplateField& p_oField)
{
    return p_oField.m_eKind == ETemplateFieldKind::Date || p_oField.m_eKind == ETemplateFieldKind::Time;
}

bool UsesNow(const CTemplateField& p_oField)
{
    return (p_oField.m_eKind == ETemplateFieldKind::Date && p_oField.m_bCurrentDate != 0) ||
           (p_oField.m_eKind == ETemplateFieldKind::Time && p_oField.m_bCurrentTime != 0);
}

} // namespace

CTemplateDateTime TemplateNow()
{
    SYSTEMTIME oNow{};
    GetLocalTime(&oNow);
    return FromSystemTime(oNow);
}

CTemplateEntry ReadFieldInput(const CTemplateField& p_oField, HWND p_hInput)
{
    CTemplateEntry oEntry;
    if (!IsPicker(p_oField))
    {
        oEntry.m_sText = ControlText(p_hInput);
        return oEntry;
    }
    if (UsesNow(p_oField))
        return oEntry; // not entered: the current date or time stands in
    SYSTEMTIME oTime{};
    if (SendMessageA(p_hInput, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&oTime)) == GDT_VALID)
    {
        oEntry.m_bEntered = true;
        oEntry.m_oWhen = FromSystemTime(oTime);
    }
    return oEntry;
}

HWND CreateChildControl(HWND p_hDlg, const char* p_szClass, DWORD p_dwStyle, DWORD p_dwExStyle, const RECT& p_oRect,
                        int p_iId)
{
    HWND hWnd =
        CreateWindowExA(p_dwExStyle, p_szClass, "", WS_CHILD | WS_VISIBLE | p_dwStyle, p_oRect.left, p_oRect.top,
                        p_oRect.right - p_oRect.left, p_oRect.bottom - p_oRect.top, p_hDlg,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)), GetModuleHandleA(nullptr), nullptr);
    if (hWnd == nullptr)
        LOG_FAILURE("the %s control %d could not be made: error %lu", p_szClass, p_iId, GetLastError());
    else
        SendMessageA(hWnd, WM_SETFONT, SendMessageA(p_hDlg, WM_GETFONT, 0, 0), FALSE);
    return hWnd;
}

HWND CreateFieldInput(HWND p_hDlg, const CTemplateField& p_oField, RECT p_oRect, int p_iId)
{
    constexpr DWORD kTab = WS_TABSTOP;
    switch (p_oField.m_eKind)
    {
    case ETemplateFieldKind::ListBox: {
        p_oRect.bottom = p_oRect.top + 160; // the drop-down's list
        const DWORD dwKind = p_oField.m_bAllowEditing != 0 ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST;
        HWND hCombo = CreateChildControl(p_hDlg, "COMBOBOX", kTab | WS_VSCROLL | dwKind, 0, p_oRect, p_iId);
        for (const std::string& sOption : p_oField.m_vOptions)
            SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sOption.c_str()));
        return hCombo;
    }
    case ETemplateFieldKind::Date:
    case ETemplateFieldKind::Time: {
        const bool bTime = p_oField.m_eKind == ETemplateFieldKind::Time;
        const DWORD dwStyle = bTime ? DTS_TIMEFORMAT | (UsesNow(p_oField) ? 0 : DTS_SHOWNONE) : DTS_SHORTDATEFORMAT;
        HWND hPicker = CreateChildControl(p_hDlg, DATETIMEPICK_CLASSA, kTab | dwStyle, 0, p_oRect, p_iId);
        if (hPicker == nullptr)
            return nullptr;
        if (bTime)
            SendMessageA(hPicker, DTM_SETFORMATA, 0,
                         reinterpret_cast<LPARAM>(p_oField.m_bEnterSeconds != 0 ? "hh':'mm':'ss tt" : "hh':'mm tt"));
        if (bTime && !UsesNow(p_oField))
            SendMessageA(hPicker, DTM_SETSYSTEMTIME, GDT_NONE, 0);
        EnableWindow(hPicker, UsesNow(p_oField) ? FALSE : TRUE);
        return hPicker;
    }
    default: {
        HWND hEdit = CreateChildControl(p_hDlg, "EDIT", kTab | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, p_oRect, p_iId);
        if (hEdit != nullptr && p_oField.m_eKind != ETemplateFieldKind::Number && p_oField.m_iMaxLength > 0)
            SendMessageA(hEdit, EM_LIMITTEXT, static_cast<WPARAM>(p_oField.m_iMaxLength), 0);
        if (hEdit != nullptr && p_oField.m_eKind == ETemplateFieldKind::Number && p_oField.m_bUpDown != 0)
        {
            HWND hSpin = CreateChildControl(p_hDlg, UPDOWN_CLASSA,
                                            UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0,
                                            RECT{0, 0, 16, kInputHeight}, 0);
            SendMessageA(hSpin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hEdit), 0);
            SendMessageA(hSpin, UDM_SETRANGE32, static_cast<WPARAM>(p_oField.m_iMinimum),
                         static_cast<LPARAM>(p_oField.m_iMaximum));
        }
        return hEdit;
    }
    }
}
