// tests/win/corvane/select_recipients_test.cpp: "Select Recipients", ShowProperties and CompleteText
// over an Outlook start on the MAPI stand-in whose contacts folder holds 10,000 generated contacts
// (and ShowProperties again for an Outlook 97 start, through the object model);
// the dialogs are driven from a second thread with window messages, as a user drives them.
#include "tests/win/corvane/corvane_test_support.h"

#include "Addressbook/res/resource.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "common/unique_any.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
using namespace std::chrono_literals;

constexpr const char* kCaption = "Select Recipients";
constexpr const char* kStandinKey = "Software\\Brevolt Test\\MAPI Stand-in";

bool RunMapistore(const std::string& p_sArguments)
{
    std::string sCommand = std::string("\"") + MAPISTORE_EXE + "\" " + p_sArguments;
    STARTUPINFOA oStart{};
    oStart.cb = sizeof(oStart);
    PROCESS_INFORMATION oProcess{};
    if (!CreateProcessA(nullptr, sCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &oStart, &oProcess))
        return false;
    const unique_handle hProcess(oProcess.hProcess);
    const unique_handle hThread(oProcess.hThread);
    DWORD dwExit = 1;
    return WaitForSingleObject(hProcess.get(), INFINITE) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(hProcess.get(), &dwExit) && dwExit == 0;
}

std::string ItemText(HWND p_hList, int p_iRow, int p_iColumn = 0)
{
    char szText[260] = {};
    LVITEMA oItem{};
    oItem.iSubItem = p_iColumn;
    oItem.pszText = szText;
    oItem.cchTextMax = sizeof(szText);
    SendMessageA(p_hList, LVM_GETITEMTEXTA, static_cast<WPARAM>(p_iRow), reinterpret_cast<LPARAM>(&oItem));
    return szText;
}

std::string Upper(std::string p_s)
{
    for (char& c : p_s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return p_s;
}

std::vector<std::string> ListBoxItems(HWND p_hDialog, int p_iId)
{
    std::vector<std::string> vItems;
    const HWND hBox = GetDlgItem(p_hDialog, p_iId);
    const LRESULT lCount = SendMessageA(hBox, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < lCount; ++i)
    {
        char szText[260] = {};
        SendMessageA(hBox, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(szText));
        vItems.push_back(szText);
    }
    return vItems;
}

void Type(HWND p_hDialog, const char* p_szText)
{
    SetDlgItemTextA(p_hDialog, IDC_SR_FIND, p_szText); // a single-line edit reports EN_CHANGE
}

void Press(HWND p_hDialog, int p_iId)
{
    SendMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(p_iId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(p_hDialog, p_iId)));
}

void ChooseFolder(HWND p_hDialog, const char* p_szName)
{
    const HWND hBox = GetDlgItem(p_hDialog, IDC_SR_FOLDER);
    const LRESULT lIndex =
        SendMessageA(hBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(p_szName));
    SendMessageA(hBox, CB_SETCURSEL, static_cast<WPARAM>(lIndex), 0);
    SendMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDC_SR_FOLDER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hBox));
}

int SelectedRow(HWND p_hDialog)
{
    return static_cast<int>(
        SendMessageA(GetDlgItem(p_hDialog, IDC_SR_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// Posts what p_fnAct posts and returns the message box it raised over the dialog, closed again with
// OK; it waits until the box is gone, so the next message reaches the dialog and not the box's own
// loop. Patient: a loaded machine may take seconds to show a box.
CBox ExpectBox(HWND p_hDialog, const std::function<void()>& p_fnAct)
{
    p_fnAct();
    const HWND hBox = WaitForWindow([&]() { return FindMessageBoxOwnedBy(p_hDialog); }, 20s);
    if (hBox == nullptr)
        return CBox();
    CBox oSeen{WindowText(hBox), WindowText(GetDlgItem(hBox, 0xFFFF))};
    PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    WaitForWindow(
        [&]() {
            return FindMessageBoxOwnedBy(p_hDialog) == nullptr && IsWindowEnabled(p_hDialog) ? p_hDialog : nullptr;
        },
        20s);
    return oSeen;
}

CBox PressExpectingBoxPatiently(HWND p_hDialog, int p_iButton)
{
    return ExpectBox(p_hDialog, [&]() {
        PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(p_iButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(p_hDialog, p_iButton)));
    });
}

std::vector<std::string> Names(const CMessageRecipientList* p_p_mrlList)
{
    std::vector<std::string> vNames;
    for (auto* p_oNode = p_p_mrlList ? p_p_mrlList->m_p_oFirst : nullptr; p_oNode; p_oNode = p_oNode->m_p_oNext)
        vNames.push_back(p_oNode->m_p_oItem->m_szName          ? p_oNode->m_p_oItem->m_szName
                         : p_oNode->m_p_oItem->m_szDisplayText ? p_oNode->m_p_oItem->m_szDisplayText
                                                               : "(null)");
    return vNames;
}

// The library started for Outlook on the stand-in's profile; once per process, since the stand-in
// reads its store at the first logon. BREVOLT_SELECT_SEED names another store to start from.
class SelectRecipients : public testing::Test
{
  public:
    static void SetUpTestSuite()
    {
        CCorvane& corvane = CCorvane::Get();
        ASSERT_NE(corvane.Module(), nullptr);
        std::string sStore;
        ASSERT_TRUE(ReadRegText(HKEY_CURRENT_USER, kStandinKey, "StoreFile", sStore));
        char szSeed[MAX_PATH] = {};
        if (GetEnvironmentVariableA("BREVOLT_SELECT_SEED", szSeed, MAX_PATH) > 0)
            ASSERT_TRUE(CopyFileA(szSeed, sStore.c_str(), FALSE));
        else
            ASSERT_TRUE(RunMapistore("seed-contacts Contacts 10000"));
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        s_p_oInit = new CInitScope(0, 5, kCallerFull);
        ASSERT_TRUE(s_p_oInit->Succeeded());
        DeleteRegValue(HKEY_CURRENT_USER, "Software\\Brevolt", "SelectRecipientsPosition");
    }
    static void TearDownTestSuite()
    {
        delete s_p_oInit;
        CoUninitialize();
    }

  protected:
    void SetUp() override
    {
        ASSERT_EQ(CCorvane::Get().CreateMessageRecipientList(&m_p_mrlTo), 1);
        ASSERT_EQ(CCorvane::Get().CreateMessageRecipientList(&m_p_mrlCc), 1);
    }
    void TearDown() override
    {
        CCorvane::Get().DeleteMessageRecipientList(&m_p_mrlTo);
        CCorvane::Get().DeleteMessageRecipientList(&m_p_mrlCc);
    }
    // Runs the dialog over the test's lists while p_fnScript plays the user.
    int Run(const std::function<void(HWND)>& p_fnScript, bool* p_pbLeftOpen = nullptr)
    {
        CDialogUser user(p_fnScript);
        user.Start(kCaption, 3s);
        const int iResult = m_pfnSelect(nullptr, &m_p_mrlTo, &m_p_mrlCc);
        user.Join();
        EXPECT_NE(user.Dialog(), nullptr) << "no dialog captioned " << kCaption;
        if (p_pbLeftOpen)
            *p_pbLeftOpen = user.LeftOpen();
        return iResult;
    }

    static CInitScope* s_p_oInit;
    PFN_SelectRecipients m_pfnSelect = CCorvane::Get().Bind<PFN_SelectRecipients>("SelectRecipients");
    PFN_ShowProperties m_pfnProperties = CCorvane::Get().Bind<PFN_ShowProperties>("ShowProperties");
    PFN_CompleteText m_pfnComplete = CCorvane::Get().Bind<PFN_CompleteText>("CompleteText");
    CMessageRecipientList* m_p_mrlTo = nullptr;
    CMessageRecipientList* m_p_mrlCc = nullptr;
};
CInitScope* SelectRecipients::s_p_oInit = nullptr;
} // namespace

TEST_F(SelectRecipients, FindLandsOnTheFirstMatchAndOkReplacesBothListsWithListMembersFilledIn)
{
    CMessageRecipient* p_oTyped = nullptr;
    ASSERT_EQ(CCorvane::Get().CreateMessageRecipient("082 555 1234", &p_oTyped), 1);
    ASSERT_EQ(CCorvane::Get().AddMessageRecipient(m_p_mrlTo, p_oTyped), 1);
    const CMessageRecipientList* p_mrlOldTo = m_p_mrlTo;

    std::vector<std::string> vFolders, vToShown;
    std::string sPrefix, sFound, sBefore, sPicked;
    int iRows = 0, iFound = -1, iTop = -1, iPerPage = 0;
    const int iResult = Run([&](HWND p_hDialog) {
        const HWND hList = GetDlgItem(p_hDialog, IDC_SR_LIST);
        const HWND hFolders = GetDlgItem(p_hDialog, IDC_SR_FOLDER);
        for (LRESULT i = 0; i < SendMessageA(hFolders, CB_GETCOUNT, 0, 0); ++i)
        {
            char szName[128] = {};
            SendMessageA(hFolders, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(szName));
            vFolders.push_back(szName);
        }
        iRows = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
        // The prefix is the start of a name deep in the folder, so the first match is far below.
        for (int iRow = iRows * 2 / 3; iRow < iRows && sPrefix.size() < 3; ++iRow)
        {
            const std::string sName = ItemText(hList, iRow);
            if (sName.size() > 3 && std::isalpha(static_cast<unsigned char>(sName[0])) &&
                std::isalpha(static_cast<unsigned char>(sName[1])) &&
                std::isalpha(static_cast<unsigned char>(sName[2])))
                sPrefix = sName.substr(0, 3);
        }
        Type(p_hDialog, Upper(sPrefix).c_str());
        iFound = SelectedRow(p_hDialog);
        sFound = ItemText(hList, iFound);
        sBefore = iFound > 0 ? ItemText(hList, iFound - 1) : "";
        iTop = static_cast<int>(SendMessageA(hList, LVM_GETTOPINDEX, 0, 0));
        iPerPage = static_cast<int>(SendMessageA(hList, LVM_GETCOUNTPERPAGE, 0, 0));
        sPicked = sFound;
        Press(p_hDialog, IDC_SR_TO);

        // The directory's list goes to Cc; it comes back with its members.
        ChooseFolder(p_hDialog, "Global Address List");
        Type(p_hDialog, "Sales");
        Press(p_hDialog, IDC_SR_CC);
        vToShown = ListBoxItems(p_hDialog, IDC_SR_TO_LIST);
        RedrawWindow(p_hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(SaveWindowShot(p_hDialog, "select_recipients.bmp"));
        Press(p_hDialog, IDOK);
    });

    ASSERT_EQ(iResult, 1);
    EXPECT_GE(vFolders.size(), 5u) << "contact folders of both stores and the address-book containers";
    EXPECT_NE(std::find(vFolders.begin(), vFolders.end(), "Partners"), vFolders.end());
    EXPECT_NE(std::find(vFolders.begin(), vFolders.end(), "Global Address List"), vFolders.end());
    EXPECT_EQ(iRows, 10000);
    ASSERT_EQ(sPrefix.size(), 3u);
    ASSERT_GE(iFound, 0);
    EXPECT_EQ(Upper(sFound.substr(0, 3)), Upper(sPrefix)) << sFound;
    EXPECT_NE(Upper(sBefore.substr(0, 3)), Upper(sPrefix))
        << "not the first match: row " << iFound - 1 << " " << sBefore;
    EXPECT_GE(iFound, iTop);
    EXPECT_LT(iFound, iTop + iPerPage) << "the row found is scrolled into view";
    EXPECT_EQ(vToShown, (std::vector<std::string>{"082 555 1234", sPicked}));

    EXPECT_NE(m_p_mrlTo, p_mrlOldTo) << "the caller's list is replaced";
    EXPECT_EQ(Names(m_p_mrlTo), (std::vector<std::string>{"082 555 1234", sPicked}));
    ASSERT_EQ(m_p_mrlCc->m_dwCount, 1u);
    const CMessageRecipient& oList = *m_p_mrlCc->m_p_oFirst->m_p_oItem;
    EXPECT_STREQ(oList.m_szName, "Sales Team");
    EXPECT_EQ(oList.m_iKind, kKindDistList);
    EXPECT_EQ(Names(oList.m_p_mrlMembers), (std::vector<std::string>{"Bob Smith", "Carol Jones"}));
    const CMessageRecipient& oPicked = *m_p_mrlTo->m_p_oLast->m_p_oItem;
    EXPECT_EQ(oPicked.m_p_oEntry->m_iKind, EID_TYPE_STORE);
}

TEST_F(SelectRecipients, CancelLeavesTheListsAndButtonsWithoutASelectionSaySo)
{
    CMessageRecipient* p_oTyped = nullptr;
    ASSERT_EQ(CCorvane::Get().CreateMessageRecipient("Someone", &p_oTyped), 1);
    ASSERT_EQ(CCorvane::Get().AddMessageRecipient(m_p_mrlCc, p_oTyped), 1);
    const CMessageRecipientList* p_mrlOldTo = m_p_mrlTo;
    const CMessageRecipientList* p_mrlOldCc = m_p_mrlCc;

    CBox toBox, ccBox, deleteBox;
    std::vector<std::string> vCcShown, vCcAfterDelete;
    RECT rcMoved{};
    const int iResult = Run([&](HWND p_hDialog) {
        vCcShown = ListBoxItems(p_hDialog, IDC_SR_CC_LIST);
        toBox = PressExpectingBoxPatiently(p_hDialog, IDC_SR_TO);
        ccBox = PressExpectingBoxPatiently(p_hDialog, IDC_SR_CC);
        // Delete in the Cc list with nothing selected, then with the one entry selected.
        const HWND hCc = GetDlgItem(p_hDialog, IDC_SR_CC_LIST);
        deleteBox = ExpectBox(p_hDialog, [&]() { PostMessageA(hCc, WM_KEYDOWN, VK_DELETE, 0); });
        SendMessageA(hCc, LB_SETCURSEL, 0, 0);
        SendMessageA(hCc, WM_KEYDOWN, VK_DELETE, 0);
        vCcAfterDelete = ListBoxItems(p_hDialog, IDC_SR_CC_LIST);
        SetWindowPos(p_hDialog, nullptr, 37, 29, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        GetWindowRect(p_hDialog, &rcMoved);
        Press(p_hDialog, IDCANCEL);
    });
    EXPECT_EQ(iResult, 0);
    EXPECT_EQ(m_p_mrlTo, p_mrlOldTo);
    EXPECT_EQ(m_p_mrlCc, p_mrlOldCc);
    EXPECT_EQ(Names(m_p_mrlCc).size(), 1u) << "Cancel keeps what the dialog removed";
    EXPECT_EQ(vCcShown, (std::vector<std::string>{"Someone"}));
    EXPECT_TRUE(vCcAfterDelete.empty());
    const std::string sNotSelected = "You have not selected an individual.\nPlease select someone before pressing ";
    EXPECT_EQ(toBox.m_sCaption, "Please select someone");
    EXPECT_EQ(toBox.m_sText, sNotSelected + "done.");
    EXPECT_EQ(ccBox.m_sText, sNotSelected + "done.");
    EXPECT_EQ(deleteBox.m_sCaption, "Please select someone");
    EXPECT_EQ(deleteBox.m_sText, sNotSelected + "delete.");

    // The dialog opens where it was closed.
    RECT rcAgain{};
    EXPECT_EQ(Run([&](HWND p_hDialog) {
                  GetWindowRect(p_hDialog, &rcAgain);
                  Press(p_hDialog, IDCANCEL);
              }),
              0);
    EXPECT_EQ(rcAgain.left, rcMoved.left);
    EXPECT_EQ(rcAgain.top, rcMoved.top);
}

TEST_F(SelectRecipients, APlaceOffTheScreenIsBroughtBackOntoIt)
{
    // Kept from a screen that is gone, or centred on an owner at the screen's edge.
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, "Software\\Brevolt", "SelectRecipientsPosition", "-500,-400"));
    RECT rcShown{};
    EXPECT_EQ(Run([&](HWND p_hDialog) {
                  GetWindowRect(p_hDialog, &rcShown);
                  Press(p_hDialog, IDCANCEL);
              }),
              0);
    EXPECT_GE(rcShown.left, 0);
    EXPECT_GE(rcShown.top, 0);
    EXPECT_LE(rcShown.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(rcShown.bottom, GetSystemMetrics(SM_CYSCREEN));
    DeleteRegValue(HKEY_CURRENT_USER, "Software\\Brevolt", "SelectRecipientsPosition");
}

TEST_F(SelectRecipients, PropertiesShowTheEntryAndReadItAgainAndCompletionFindsNames)
{
    // A contact picked in the dialog: its mobile is changed in the details window.
    ASSERT_EQ(Run([&](HWND p_hDialog) {
                  SendMessageA(GetDlgItem(p_hDialog, IDC_SR_LIST), WM_KEYDOWN, VK_HOME, 0);
                  Type(p_hDialog, "A");
                  Press(p_hDialog, IDC_SR_TO);
                  Press(p_hDialog, IDOK);
              }),
              1);
    ASSERT_EQ(m_p_mrlTo->m_dwCount, 1u);
    CMessageRecipient& oContact = *m_p_mrlTo->m_p_oFirst->m_p_oItem;
    const std::string sName = oContact.m_szName;
    const std::string sMobileBefore = oContact.m_szMobile != nullptr ? oContact.m_szMobile : "";

    std::string sShownMobile;
    bool bReadOnly = true;
    CDialogUser user([&](HWND p_hDetails) {
        char szText[64] = {};
        GetDlgItemTextA(p_hDetails, 102, szText, sizeof(szText));
        sShownMobile = szText;
        bReadOnly = (GetWindowLongA(GetDlgItem(p_hDetails, 102), GWL_STYLE) & ES_READONLY) != 0;
        SetDlgItemTextA(p_hDetails, 102, "082 555 0199");
        RedrawWindow(p_hDetails, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(SaveWindowShot(p_hDetails, "recipient_properties.bmp"));
        Press(p_hDetails, IDOK);
    });
    user.Start(sName);
    EXPECT_EQ(m_pfnProperties(&oContact, nullptr), 1);
    user.Join();
    ASSERT_NE(user.Dialog(), nullptr) << "no details window for " << sName;
    EXPECT_FALSE(bReadOnly);
    EXPECT_EQ(sShownMobile, sMobileBefore);
    EXPECT_STREQ(oContact.m_szMobile, "082 555 0199");
    EXPECT_EQ(oContact.m_dwState, kStateResolved);

    // Cancel gives -1; a recipient made by hand has no properties.
    CDialogUser canceller([&](HWND p_hDetails) { Press(p_hDetails, IDCANCEL); });
    canceller.Start(sName);
    EXPECT_EQ(m_pfnProperties(&oContact, nullptr), -1);
    canceller.Join();
    CMessageRecipient* p_oTyped = nullptr;
    ASSERT_EQ(CCorvane::Get().CreateMessageRecipient("Nobody", &p_oTyped), 1);
    EXPECT_EQ(m_pfnProperties(p_oTyped, nullptr), 0);
    CCorvane::Get().DeleteMessageRecipient(&p_oTyped);

    char* szCompletion = nullptr;
    EXPECT_EQ(m_pfnComplete("carol j", &szCompletion), 1);
    ASSERT_NE(szCompletion, nullptr);
    EXPECT_STREQ(szCompletion, "Carol Jones");
    CCorvane::Get().FreeString(&szCompletion);
    EXPECT_EQ(m_pfnComplete(sName.substr(0, sName.size() - 1).c_str(), &szCompletion), 1);
    ASSERT_NE(szCompletion, nullptr);
    EXPECT_EQ(std::string(szCompletion).substr(0, sName.size() - 1), sName.substr(0, sName.size() - 1));
    CCorvane::Get().FreeString(&szCompletion);
    EXPECT_EQ(m_pfnComplete("Zzqx", &szCompletion), 0);
    EXPECT_EQ(szCompletion, nullptr);
}

// Run alone over a store with no contacts and an empty directory (BREVOLT_SELECT_SEED).
TEST_F(SelectRecipients, EmptyBooksSaySo)
{
    bool bShown = false, bListHidden = false;
    std::string sText;
    Run([&](HWND p_hDialog) {
        const HWND hEmpty = GetDlgItem(p_hDialog, IDC_SR_EMPTY);
        bShown = IsWindowVisible(hEmpty) != 0;
        bListHidden = !IsWindowVisible(GetDlgItem(p_hDialog, IDC_SR_LIST));
        sText = WindowText(hEmpty);
        RedrawWindow(p_hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(SaveWindowShot(p_hDialog, "select_recipients_empty.bmp"));
        Press(p_hDialog, IDCANCEL);
    });
    char szSeed[MAX_PATH] = {};
    if (GetEnvironmentVariableA("BREVOLT_SELECT_SEED", szSeed, MAX_PATH) == 0)
    {
        EXPECT_FALSE(bShown) << "the books are not empty";
        return;
    }
    EXPECT_TRUE(bShown);
    EXPECT_TRUE(bListHidden);
    EXPECT_EQ(sText, "All your Address Books are empty");
}

namespace
{
// The object model of an Outlook 97 host as far as the properties of a contact go: the application
// answers GetNamespace with its namespace, the namespace GetItemFromID with the item, and the item
// records Display. One object plays all three; it is called late bound, by member name.
class CFakeOutlook97 final : public IDispatch
{
  public:
    std::string m_sNamespace, m_sItemId;
    int m_iDisplays = 0;
    bool m_bModal = false;

    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (p_riid != IID_IUnknown && p_riid != IID_IDispatch)
            return *p_ppv = nullptr, E_NOINTERFACE;
        *p_ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return ++m_cRef;
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        return --m_cRef; // lives on the test's stack
    }
    STDMETHODIMP GetTypeInfoCount(UINT* p_pCount) override
    {
        *p_pCount = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* p_pNames, UINT p_cNames, LCID, DISPID* p_pIds) override
    {
        static const wchar_t* const kMembers[] = {L"GetNamespace", L"GetItemFromID", L"Display"};
        for (DISPID id = 0; id < 3; ++id)
            if (p_cNames == 1 && _wcsicmp(p_pNames[0], kMembers[id]) == 0)
                return *p_pIds = id + 1, S_OK;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID p_id, REFIID, LCID, WORD, DISPPARAMS* p_pArgs, VARIANT* p_pResult, EXCEPINFO*,
                        UINT*) override
    {
        if (p_pArgs == nullptr || p_pArgs->cArgs != 1)
            return DISP_E_BADPARAMCOUNT;
        const VARIANT& oArg = p_pArgs->rgvarg[0];
        if (p_id == 3)
        {
            ++m_iDisplays;
            m_bModal = oArg.vt == VT_BOOL && oArg.boolVal == VARIANT_TRUE;
            return S_OK;
        }
        if (oArg.vt != VT_BSTR || p_pResult == nullptr)
            return DISP_E_TYPEMISMATCH;
        (p_id == 1 ? m_sNamespace : m_sItemId) = WideToAnsi(oArg.bstrVal, CP_ACP);
        p_pResult->vt = VT_DISPATCH;
        p_pResult->pdispVal = this;
        AddRef();
        return S_OK;
    }

  private:
    ULONG m_cRef = 1;
};

// The library started for Outlook 97 with the fake object model, over the contacts the first
// suite seeded.
class SelectRecipients97 : public SelectRecipients
{
  public:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        s_p_oInit97 = new CInitScope(0, 1, kCallerFull, nullptr, &s_oOutlook);
        ASSERT_TRUE(s_p_oInit97->Succeeded());
    }
    static void TearDownTestSuite()
    {
        delete s_p_oInit97;
        CoUninitialize();
    }

  protected:
    static CInitScope* s_p_oInit97;
    static CFakeOutlook97 s_oOutlook;
};
CInitScope* SelectRecipients97::s_p_oInit97 = nullptr;
CFakeOutlook97 SelectRecipients97::s_oOutlook;
} // namespace

// An Outlook 97 contact is shown in its own form, opened modal by its entry id through the object
// model, not in the address book's details window.
TEST_F(SelectRecipients97, PropertiesOfAContactOpenItsOwnFormThroughTheObjectModel)
{
    ASSERT_EQ(Run([&](HWND p_hDialog) {
                  SendMessageA(GetDlgItem(p_hDialog, IDC_SR_LIST), WM_KEYDOWN, VK_HOME, 0);
                  Type(p_hDialog, "A");
                  Press(p_hDialog, IDC_SR_TO);
                  Press(p_hDialog, IDOK);
              }),
              1);
    ASSERT_EQ(m_p_mrlTo->m_dwCount, 1u);
    CMessageRecipient& oContact = *m_p_mrlTo->m_p_oFirst->m_p_oItem;
    ASSERT_NE(oContact.m_p_oEntry, nullptr);
    std::string sHex;
    for (DWORD i = 0; i < oContact.m_p_oEntry->m_dwByteCount; ++i)
    {
        char szByte[3];
        std::snprintf(szByte, sizeof szByte, "%02X", oContact.m_p_oEntry->m_p_bBytes[i]);
        sHex += szByte;
    }
    const std::string sName = oContact.m_szName;

    EXPECT_EQ(m_pfnProperties(&oContact, nullptr), 1);
    EXPECT_EQ(s_oOutlook.m_sNamespace, "MAPI");
    EXPECT_EQ(s_oOutlook.m_sItemId, sHex);
    EXPECT_EQ(s_oOutlook.m_iDisplays, 1);
    EXPECT_TRUE(s_oOutlook.m_bModal);
    EXPECT_STREQ(oContact.m_szName, sName.c_str()) << "the contact is read again after its form closed";
}
