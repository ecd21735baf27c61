// tests/win/addressbook/vlist_test_support.cpp: the seeded stand-in store, its folders and tables,
// and the counting address-book lookup of the page-cache and virtual-list tests.
#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

#include "tests/win/addressbook/vlist_test_support.h"

#include "Addressbook/addressbook/mapi_location.h"
#include "common/mapi_owner_win.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

namespace vlisttest
{
namespace
{
const char* const kStandinKey = "Software\\Brevolt Test\\MAPI Stand-in";
// The contact property set, {00062004-0000-0000-C000-000000000046}.
GUID g_guidAddress = {0x00062004, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr LONG kEmailLids[9] = {0x8082, 0x8083, 0x8085, 0x8092, 0x8093, 0x8095, 0x80A2, 0x80A3, 0x80A5};

void SetString(HKEY p_hRoot, const char* p_szKey, const char* p_szName, const std::string& p_sValue)
{
    unique_hkey hKey;
    if (RegCreateKeyExA(p_hRoot, p_szKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, hKey.put(), nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(hKey.get(), p_szName, 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sValue.c_str()),
                   static_cast<DWORD>(p_sValue.size() + 1));
}

std::string Quoted(const std::string& p_sText)
{
    std::string sOut = "\"";
    for (char c : p_sText)
    {
        if (c == '"' || c == '\\')
            sOut += '\\';
        sOut += c;
    }
    return sOut + "\"";
}

void AppendContact(std::ostringstream& p_oOut, const CSeedContact& p_oContact, uint32_t p_ulId)
{
    p_oOut << "{\"id\": " << p_ulId << ", \"props\": [";
    p_oOut << "{\"tag\": \"PR_DISPLAY_NAME\", \"value\": " << Quoted(p_oContact.m_sName) << "}";
    if (!p_oContact.m_sClass.empty())
        p_oOut << ", {\"tag\": \"PR_MESSAGE_CLASS\", \"value\": " << Quoted(p_oContact.m_sClass) << "}";
    if (!p_oContact.m_sMobile.empty())
        p_oOut << ", {\"tag\": \"PR_MOBILE_TELEPHONE_NUMBER\", \"value\": " << Quoted(p_oContact.m_sMobile) << "}";
    for (size_t i = 0; i < p_oContact.m_vSlots.size() && i < 3; ++i)
    {
        const CSeedSlot& oSlot = p_oContact.m_vSlots[i];
        if (oSlot.m_sType.empty())
            continue;
        const LONG* pLids = &kEmailLids[i * 3];
        p_oOut << ", {\"guid\": \"PSETID_Address\", \"lid\": " << pLids[0]
               << ", \"type\": \"PT_UNICODE\", \"value\": " << Quoted(oSlot.m_sType) << "}";
        p_oOut << ", {\"guid\": \"PSETID_Address\", \"lid\": " << pLids[1]
               << ", \"type\": \"PT_UNICODE\", \"value\": " << Quoted(oSlot.m_sAddress) << "}";
        if (!oSlot.m_sOriginalHex.empty())
            p_oOut << ", {\"guid\": \"PSETID_Address\", \"lid\": " << pLids[2]
                   << ", \"type\": \"PT_BINARY\", \"value\": " << Quoted(oSlot.m_sOriginalHex) << "}";
    }
    p_oOut << "]}";
}

// The first row of a table whose text column matches, opened through p_fnOpen.
template <typename T>
com_ptr<T> OpenNamedRow(IMAPITable* p_pTable, const std::string& p_sName,
                        const std::function<HRESULT(const SBinary&, T**)>& p_fnOpen)
{
    SizedSPropTagArray(2, oColumns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
    unique_mapi_rows pRows;
    if (!p_pTable || FAILED(p_pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&oColumns), 0)) ||
        FAILED(p_pTable->QueryRows(1000, 0, pRows.put())) || !pRows)
        return {};
    for (ULONG i = 0; i < pRows.get()->cRows; ++i)
    {
        const SPropValue* pProps = pRows.get()->aRow[i].lpProps;
        if (PROP_TYPE(pProps[1].ulPropTag) == PT_STRING8 && p_sName == pProps[1].Value.lpszA)
        {
            com_ptr<T> pOpened;
            if (SUCCEEDED(p_fnOpen(pProps[0].Value.bin, pOpened.put())))
                return pOpened;
        }
    }
    return {};
}
} // namespace

std::string SeedJson(const std::vector<CSeedContact>& p_vContacts)
{
    std::ostringstream oOut;
    oOut << "{\"profile\": \"Outlook\", \"stores\": [{\"name\": \"Personal Folders\", \"default\": true, "
            "\"root\": {\"folders\": [{\"role\": \"ipm_subtree\", \"name\": \"Top of Personal Folders\", "
            "\"folders\": [{\"name\": \"Inbox\", \"class\": \"IPF.Note\"}, {\"name\": \"Contacts\", \"class\": "
            "\"IPF.Contact\", \"messages\": [\n";
    for (size_t i = 0; i < p_vContacts.size(); ++i)
    {
        if (i > 0)
            oOut << ",\n";
        AppendContact(oOut, p_vContacts[i], static_cast<uint32_t>(10000 + i));
    }
    oOut << "]}]}]}}], \"addressBook\": ["
            "{\"id\": 9001, \"props\": [{\"tag\": \"PR_DISPLAY_NAME\", \"value\": \"Bob Smith\"}, "
            "{\"tag\": \"PR_ADDRTYPE\", \"value\": \"EX\"}, "
            "{\"tag\": \"PR_EMAIL_ADDRESS\", \"value\": \"/o=Brevolt/ou=First/cn=Recipients/cn=bsmith\"}, "
            "{\"tag\": \"PR_SMTP_ADDRESS\", \"value\": \"bob@example.com\"}]}, "
            "{\"id\": 9002, \"props\": [{\"tag\": \"PR_DISPLAY_NAME\", \"value\": \"Carol Jones\"}, "
            "{\"tag\": \"PR_ADDRTYPE\", \"value\": \"SMTP\"}, "
            "{\"tag\": \"PR_EMAIL_ADDRESS\", \"value\": \"carol@example.com\"}]}, "
            "{\"id\": 9003, \"distList\": true, \"props\": [{\"tag\": \"PR_DISPLAY_NAME\", \"value\": \"Sales "
            "Team\"}], \"members\": [9001, 9002]}, "
            "{\"id\": 9004, \"container\": \"pab\", \"props\": [{\"tag\": \"PR_DISPLAY_NAME\", \"value\": \"Dave "
            "Smith\"}, {\"tag\": \"PR_EMAIL_ADDRESS\", \"value\": \"dave@example.com\"}]}]}\n";
    return oOut.str();
}

CSeedContact NumberedContact(uint32_t p_ulIndex)
{
    char szName[32];
    char szMobile[32];
    char szEmail[48];
    std::snprintf(szName, sizeof(szName), "Contact %07u", p_ulIndex);
    std::snprintf(szMobile, sizeof(szMobile), "+4477009%05u", p_ulIndex % 100000);
    std::snprintf(szEmail, sizeof(szEmail), "contact%07u@example.com", p_ulIndex);
    CSeedContact oContact;
    oContact.m_sName = szName;
    oContact.m_sMobile = szMobile;
    oContact.m_vSlots = {{"SMTP", szEmail}};
    return oContact;
}

bool CSeededMapi::WriteSeed(const std::string& p_sTag, const std::string& p_sSeed)
{
    char szTemp[MAX_PATH];
    GetTempPathA(MAX_PATH, szTemp);
    const std::string sDir = std::string(szTemp) + p_sTag;
    CreateDirectoryA(sDir.c_str(), nullptr);
    CreateDirectoryA((sDir + "\\drop").c_str(), nullptr);
    {
        std::ofstream oFile(sDir + "\\store.json", std::ios::binary | std::ios::trunc);
        oFile << p_sSeed;
        if (!oFile)
            return false;
    }
    SetString(HKEY_CURRENT_USER, kStandinKey, "StoreFile", sDir + "\\store.json");
    SetString(HKEY_CURRENT_USER, kStandinKey, "DropFolder", sDir + "\\drop");
    SetString(HKEY_CURRENT_USER, kStandinKey, "SmtpServer", "localhost:1");
    SetString(HKEY_LOCAL_MACHINE, kOutlookClientKey, kDllPathExValue, MAPI_DLL_PATH);
    return true;
}

bool CSeededMapi::LogOn()
{
    m_p_oMapi = std::make_unique<CMapiObject>(false, nullptr);
    if (!m_p_oMapi->IsInitialised())
        return false;
    IMAPISession* pSession = m_p_oMapi->Session();
    if (FAILED(pSession->OpenAddressBook(0, nullptr, AB_NO_DIALOG, m_pAddrBook.put())))
        return false;
    com_ptr<IMAPITable> pStores;
    if (FAILED(pSession->GetMsgStoresTable(0, pStores.put())))
        return false;
    m_pStore = OpenNamedRow<IMsgStore>(pStores.get(), "Personal Folders", [&](const SBinary& p_oId, IMsgStore** p_pp) {
        return pSession->OpenMsgStore(0, p_oId.cb, reinterpret_cast<LPENTRYID>(p_oId.lpb), nullptr,
                                      MAPI_BEST_ACCESS | MDB_NO_DIALOG, p_pp);
    });
    if (!m_pStore)
        return false;
    const auto fnOpenFolder = [&](const SBinary& p_oId, IMAPIFolder** p_pp) {
        ULONG ulType = 0;
        return m_pStore->OpenEntry(p_oId.cb, reinterpret_cast<LPENTRYID>(p_oId.lpb), nullptr, MAPI_BEST_ACCESS, &ulType,
                                   reinterpret_cast<LPUNKNOWN*>(p_pp));
    };
    SPropTagArray oSubtreeTag = {1, {PR_IPM_SUBTREE_ENTRYID}};
    ULONG ulCount = 0;
    unique_mapi_buffer<SPropValue> pSubtreeId;
    if (FAILED(m_pStore->GetProps(&oSubtreeTag, 0, &ulCount, pSubtreeId.put())) ||
        PROP_TYPE(pSubtreeId.get()->ulPropTag) != PT_BINARY)
        return false;
    com_ptr<IMAPIFolder> pSubtree;
    if (FAILED(fnOpenFolder(pSubtreeId.get()->Value.bin, pSubtree.put())))
        return false;
    com_ptr<IMAPITable> pFolders;
    if (FAILED(pSubtree->GetHierarchyTable(0, pFolders.put())))
        return false;
    m_pContacts = OpenNamedRow<IMAPIFolder>(pFolders.get(), "Contacts", fnOpenFolder);
    if (!m_pContacts)
        return false;
    MAPINAMEID aNames[9];
    LPMAPINAMEID apNames[9];
    for (size_t i = 0; i < 9; ++i)
    {
        aNames[i] = MAPINAMEID{&g_guidAddress, MNID_ID, {kEmailLids[i]}};
        apNames[i] = &aNames[i];
    }
    unique_mapi_buffer<SPropTagArray> pTags;
    if (FAILED(m_pContacts->GetIDsFromNames(9, apNames, MAPI_CREATE, pTags.put())) || pTags.get()->cValues != 9)
        return false;
    for (size_t i = 0; i < 9; ++i)
        m_aEmailTags[i] = pTags.get()->aulPropTag[i];
    return true;
}

void CSeededMapi::Close()
{
    m_pContacts.reset();
    m_pStore.reset();
    m_pAddrBook.reset();
    m_p_oMapi.reset();
}

com_ptr<IMAPITable> CSeededMapi::SortedContactsTable() const
{
    com_ptr<IMAPITable> pTable;
    if (!m_pContacts || FAILED(m_pContacts->GetContentsTable(0, pTable.put())))
        return {};
    SizedSSortOrderSet(1, oSort) = {1, 0, 0, {{PR_DISPLAY_NAME_A, TABLE_SORT_ASCEND}}};
    if (FAILED(pTable->SortTable(reinterpret_cast<LPSSortOrderSet>(&oSort), 0)))
        return {};
    return pTable;
}

com_ptr<IMAPITable> CSeededMapi::ContainerTable(const std::string& p_sName) const
{
    const auto fnOpen = [&](const SBinary& p_oId, IABContainer** p_pp) {
        ULONG ulType = 0;
        return m_pAddrBook->OpenEntry(p_oId.cb, reinterpret_cast<LPENTRYID>(p_oId.lpb), nullptr, 0, &ulType,
                                      reinterpret_cast<LPUNKNOWN*>(p_pp));
    };
    com_ptr<IABContainer> pRoot;
    ULONG ulType = 0;
    if (!m_pAddrBook ||
        FAILED(m_pAddrBook->OpenEntry(0, nullptr, nullptr, 0, &ulType, reinterpret_cast<LPUNKNOWN*>(pRoot.put()))))
        return {};
    com_ptr<IMAPITable> pChildren;
    if (FAILED(pRoot->GetHierarchyTable(CONVENIENT_DEPTH, pChildren.put())))
        return {};
    com_ptr<IABContainer> pContainer = OpenNamedRow<IABContainer>(pChildren.get(), p_sName, fnOpen);
    com_ptr<IMAPITable> pTable;
    if (!pContainer || FAILED(pContainer->GetContentsTable(0, pTable.put())))
        return {};
    return pTable;
}

std::optional<std::string> CTableLookup::SmtpAddressOf(const CEntryBytes& p_vEntryId)
{
    ++m_iSmtpQuestions;
    const auto it = m_mSmtp.find(p_vEntryId);
    return it == m_mSmtp.end() ? std::nullopt : std::optional<std::string>(it->second);
}

std::optional<std::string> CTableLookup::MobileOf(const CEntryBytes& p_vEntryId)
{
    ++m_iMobileQuestions;
    const auto it = m_mMobile.find(p_vEntryId);
    return it == m_mMobile.end() ? std::nullopt : std::optional<std::string>(it->second);
}

bool DragThumb(HWND p_hWindow, double p_dFraction)
{
    SCROLLBARINFO oBar{};
    oBar.cbSize = sizeof(oBar);
    if (!GetScrollBarInfo(p_hWindow, OBJID_VSCROLL, &oBar) || oBar.xyThumbBottom <= oBar.xyThumbTop)
        return false;
    const int iThumb = oBar.xyThumbBottom - oBar.xyThumbTop;
    const int iTrack = (oBar.rcScrollBar.bottom - oBar.rcScrollBar.top) - 2 * oBar.dxyLineButton;
    const int iTargetTop = oBar.dxyLineButton + static_cast<int>(p_dFraction * (iTrack - iThumb) + 0.5);
    POINT ptDown{(oBar.rcScrollBar.left + oBar.rcScrollBar.right) / 2,
                 oBar.rcScrollBar.top + (oBar.xyThumbTop + oBar.xyThumbBottom) / 2};
    // The tracking loop reads the moves in client coordinates from the queue.
    POINT ptClient = ptDown;
    ScreenToClient(p_hWindow, &ptClient);
    const int iDelta = iTargetTop - oBar.xyThumbTop;
    constexpr int kSteps = 4;
    for (int i = 1; i <= kSteps; ++i)
        PostMessageA(p_hWindow, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(ptClient.x, ptClient.y + iDelta * i / kSteps));
    PostMessageA(p_hWindow, WM_LBUTTONUP, 0, MAKELPARAM(ptClient.x, ptClient.y + iDelta));
    SendMessageA(p_hWindow, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(ptDown.x, ptDown.y));
    return true;
}

CEntryBytes HexBytes(const std::string& p_sHex)
{
    CEntryBytes vBytes;
    for (size_t i = 0; i + 1 < p_sHex.size(); i += 2)
        vBytes.push_back(static_cast<uint8_t>(std::stoul(p_sHex.substr(i, 2), nullptr, 16)));
    return vBytes;
}

CVirtualListBox* g_pList = nullptr;

LRESULT CALLBACK HostProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    LRESULT lResult = 0;
    if (p_uMsg == WM_NOTIFY && g_pList && g_pList->HandleNotify(reinterpret_cast<NMHDR*>(p_lParam), lResult))
        return lResult;
    return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
} // namespace vlisttest
