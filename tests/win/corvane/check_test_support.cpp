// tests/win/corvane/check_test_support.cpp: the wizard user's steps and the address-book reader.
#include "tests/win/corvane/check_test_support.h"

#include "common/handle_win.h"
#include "tools/window_picture/window_picture_win.h"

#include <commctrl.h>
#include <mapidefs.h>
#include <mapitags.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;

CMessageRecipientList* TypedList(std::initializer_list<const char*> p_texts)
{
    CCorvane& corvane = CCorvane::Get();
    CMessageRecipientList* p_mrlList = nullptr;
    corvane.CreateMessageRecipientList(&p_mrlList);
    for (const char* szText : p_texts)
    {
        CMessageRecipient* p_oRecipient = nullptr;
        corvane.CreateMessageRecipient(szText, &p_oRecipient);
        corvane.AddMessageRecipient(p_mrlList, p_oRecipient);
    }
    return p_mrlList;
}

std::vector<std::string> DisplayTexts(const CMessageRecipientList* p_p_mrlList)
{
    std::vector<std::string> vTexts;
    for (auto* p_oNode = p_p_mrlList ? p_p_mrlList->m_p_oFirst : nullptr; p_oNode; p_oNode = p_oNode->m_p_oNext)
        vTexts.push_back(p_oNode->m_p_oItem->m_szDisplayText ? p_oNode->m_p_oItem->m_szDisplayText : "(null)");
    return vTexts;
}

namespace
{
// The caption of a visible dialog of this process, any one; empty when there is none.
std::string CurrentDialogCaption()
{
    for (const char* szCaption :
         {"Address Problem Summary", "Multiple matches", "No matches", "Missing or Invalid Mobile Phone Numbers",
          "Select correct recipient", "Once Off Number Edit"})
        if (FindDialogByCaption(szCaption) != nullptr)
            return szCaption;
    return "(none)";
}
} // namespace

CCheckRun RunCheck(CMessageRecipientList*& p_p_mrlTo, CMessageRecipientList*& p_p_mrlCc, int p_bSendAnyway,
                   const std::function<void(CCheckRun&)>& p_fnScript)
{
    static const auto pfnCheck = CCorvane::Get().Bind<PFN_Check>(szCheck);
    CCheckRun oRun;
    std::atomic<bool> bChecked{false};
    std::thread oUser([&] {
        p_fnScript(oRun);
        // A page the script did not expect would keep Check waiting: it is noted and closed.
        while (!bChecked)
        {
            // The page the script last clicked gets its time to close.
            std::this_thread::sleep_for(1500ms);
            const HWND hLeft = bChecked ? nullptr : FindDialogByCaption(CurrentDialogCaption());
            if (hLeft == nullptr)
                continue;
            oRun.m_vFailures.push_back("left open: '" + WindowText(hLeft) + "'");
            PostMessageA(hLeft, WM_COMMAND, IDCANCEL, 0);
        }
    });
    oRun.m_iResult = pfnCheck(nullptr, &p_p_mrlTo, &p_p_mrlCc, p_bSendAnyway, nullptr, &oRun.m_iExited);
    bChecked = true;
    oUser.join();
    return oRun;
}

HWND WaitPage(CCheckRun& p_oRun, const std::string& p_sCaption)
{
    const HWND hPage = WaitForWindow([&] { return FindDialogByCaption(p_sCaption); }, 10s);
    if (hPage == nullptr)
        p_oRun.m_vFailures.push_back("no page '" + p_sCaption + "'");
    // The page paints before the user reads it.
    std::this_thread::sleep_for(200ms);
    return hPage;
}

void Click(HWND p_hDialog, int p_iButton)
{
    PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(p_iButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(p_hDialog, p_iButton)));
}

CBox ClickForBox(CCheckRun& p_oRun, HWND p_hDialog, int p_iButton)
{
    CBox oBox = PressExpectingBox(p_hDialog, p_iButton);
    if (oBox.m_sCaption.empty())
        p_oRun.m_vFailures.push_back("no message box after button " + std::to_string(p_iButton));
    return oBox;
}

namespace
{
struct CBoxSearch
{
    HWND m_hFound = nullptr;
};

BOOL CALLBACK FindBox(HWND p_hWindow, LPARAM p_lParam)
{
    DWORD dwProcess = 0;
    GetWindowThreadProcessId(p_hWindow, &dwProcess);
    char szClass[16] = {};
    GetClassNameA(p_hWindow, szClass, sizeof(szClass));
    if (dwProcess != GetCurrentProcessId() || std::string(szClass) != "#32770" || !IsWindowVisible(p_hWindow) ||
        GetDlgItem(p_hWindow, 0xFFFF) == nullptr || GetDlgItem(p_hWindow, kIdcHeader) != nullptr)
        return TRUE;
    reinterpret_cast<CBoxSearch*>(p_lParam)->m_hFound = p_hWindow;
    return FALSE;
}
} // namespace

CBox AnswerNextBox(CCheckRun& p_oRun)
{
    const HWND hBox = WaitForWindow(
        [] {
            CBoxSearch oSearch;
            EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&oSearch));
            return oSearch.m_hFound;
        },
        5s);
    if (hBox == nullptr)
    {
        p_oRun.m_vFailures.push_back("no message box came");
        return CBox();
    }
    CBox oBox{WindowText(hBox), WindowText(GetDlgItem(hBox, 0xFFFF))};
    PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    WaitUntilGone(hBox, 5s);
    std::this_thread::sleep_for(300ms);
    return oBox;
}

void TypeInto(HWND p_hDialog, int p_iControl, const std::string& p_sText)
{
    SendDlgItemMessageA(p_hDialog, p_iControl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p_sText.c_str()));
}

std::vector<std::string> RowTexts(HWND p_hDialog, int p_iColumn)
{
    const HWND hList = GetDlgItem(p_hDialog, kIdcList);
    std::vector<std::string> vTexts;
    const int nRows = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nRows; ++i)
    {
        char szText[256] = {};
        LVITEMA oItem{};
        oItem.iSubItem = p_iColumn;
        oItem.pszText = szText;
        oItem.cchTextMax = sizeof(szText);
        SendMessageA(hList, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&oItem));
        vTexts.push_back(szText);
    }
    return vTexts;
}

bool SelectRow(HWND p_hDialog, const std::string& p_sName)
{
    const std::vector<std::string> vNames = RowTexts(p_hDialog, 0);
    for (size_t i = 0; i < vNames.size(); ++i)
        if (vNames[i] == p_sName)
        {
            LVITEMA oItem{};
            oItem.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            oItem.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendDlgItemMessageA(p_hDialog, kIdcList, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&oItem));
            return true;
        }
    return false;
}

bool SelectCountry(HWND p_hDialog, int p_iCode)
{
    const HWND hCombo = GetDlgItem(p_hDialog, kIdcCountry);
    const LRESULT nItems = SendMessageA(hCombo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < nItems; ++i)
        if (SendMessageA(hCombo, CB_GETITEMDATA, i, 0) == p_iCode)
        {
            SendMessageA(hCombo, CB_SETCURSEL, i, 0);
            return true;
        }
    return false;
}

void Shot(HWND p_hDialog, const std::string& p_sName)
{
    // What was just typed is painted before the picture is taken.
    RedrawWindow(p_hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::this_thread::sleep_for(300ms);
    SaveWindowShot(p_hDialog, p_sName + ".bmp");
}

std::string ControlText(HWND p_hDialog, int p_iControl)
{
    return WindowText(GetDlgItem(p_hDialog, p_iControl));
}

namespace
{
using CBytes = std::vector<uint8_t>;

struct CRowReader
{
    CRowReader()
    {
        const HMODULE hMapi = GetModuleHandleA("mapi_standin.dll");
        m_pfnFreeProws =
            reinterpret_cast<decltype(m_pfnFreeProws)>(reinterpret_cast<void*>(GetProcAddress(hMapi, "FreeProws")));
    }
    // Every row's values for the columns, as strings and binaries.
    template <class F> void ForEach(IMAPITable* p_pTable, LPSPropTagArray p_pColumns, F&& p_fnRow) const
    {
        if (p_pTable->SetColumns(p_pColumns, 0) != S_OK)
            return;
        for (;;)
        {
            LPSRowSet pRows = nullptr;
            if (p_pTable->QueryRows(50, 0, &pRows) != S_OK || pRows == nullptr)
                break;
            const ULONG ulCount = pRows->cRows;
            for (ULONG i = 0; i < ulCount; ++i)
                p_fnRow(pRows->aRow[i].lpProps);
            m_pfnFreeProws(pRows);
            if (ulCount == 0)
                break;
        }
    }
    void(WINAPI* m_pfnFreeProws)(LPSRowSet) = nullptr;
};
} // namespace

std::optional<CBookEntry> FindBookEntry(IMAPISession* p_pSession, const std::string& p_sName)
{
    static const CRowReader s_oReader;
    com_ptr<IAddrBook> pBook;
    ULONG ulType = 0;
    com_ptr<IABContainer> pRoot;
    com_ptr<IMAPITable> pHierarchy;
    if (p_pSession->OpenAddressBook(0, nullptr, AB_NO_DIALOG, pBook.put()) != S_OK ||
        pBook->OpenEntry(0, nullptr, nullptr, 0, &ulType, reinterpret_cast<LPUNKNOWN*>(pRoot.put())) != S_OK ||
        pRoot->GetHierarchyTable(CONVENIENT_DEPTH, pHierarchy.put()) != S_OK)
        return std::nullopt;
    std::vector<std::pair<CBytes, std::string>> vContainers;
    SizedSPropTagArray(2, oHierarchyColumns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
    s_oReader.ForEach(pHierarchy.get(), reinterpret_cast<LPSPropTagArray>(&oHierarchyColumns), [&](LPSPropValue p) {
        if (p[0].ulPropTag == PR_ENTRYID && p[1].ulPropTag == PR_DISPLAY_NAME_A)
            vContainers.emplace_back(CBytes(p[0].Value.bin.lpb, p[0].Value.bin.lpb + p[0].Value.bin.cb),
                                     p[1].Value.lpszA);
    });
    std::optional<CBookEntry> oFound;
    for (auto& [vContainer, sContainer] : vContainers)
    {
        com_ptr<IABContainer> pContainer;
        com_ptr<IMAPITable> pContents;
        if (pBook->OpenEntry(static_cast<ULONG>(vContainer.size()), reinterpret_cast<LPENTRYID>(vContainer.data()),
                             nullptr, 0, &ulType, reinterpret_cast<LPUNKNOWN*>(pContainer.put())) != S_OK ||
            pContainer->GetContentsTable(0, pContents.put()) != S_OK)
            continue;
        SizedSPropTagArray(2, oColumns) = {2, {PR_DISPLAY_NAME_A, PR_MOBILE_TELEPHONE_NUMBER_A}};
        s_oReader.ForEach(pContents.get(), reinterpret_cast<LPSPropTagArray>(&oColumns), [&](LPSPropValue p) {
            if (!oFound && p[0].ulPropTag == PR_DISPLAY_NAME_A && p_sName == p[0].Value.lpszA)
                oFound = CBookEntry{sContainer, p[1].ulPropTag == PR_MOBILE_TELEPHONE_NUMBER_A ? p[1].Value.lpszA : ""};
        });
    }
    return oFound;
}
