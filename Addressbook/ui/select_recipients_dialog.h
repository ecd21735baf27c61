// Addressbook/ui/select_recipients_dialog.h: the modal "Select Recipients" dialog: a folder box of
// every contact folder and address-book container, the folder's rows in the virtual list with
// type-ahead "Find", and the To and Cc lists the rows are added to.
#pragma once

#include "Addressbook/addressbook/exmapi_win.h"
#include "Addressbook/addressbook/virtual_listbox_win.h"
#include "Addressbook/messaging/recipient.h"
#include "common/settings.h"

#include <windows.h>

#include <memory>
#include <vector>

// Message texts of the dialog (string table ids).
constexpr unsigned kMsgSelectSomeone = 2300;
constexpr unsigned kMsgSelectBeforeDelete = 2301;
constexpr unsigned kMsgSelectBeforeProperties = 2302;
constexpr unsigned kMsgSelectBeforeDone = 2303;
constexpr unsigned kMsgAddressBooksEmpty = 2304;

// The user setting that keeps where the dialog was last closed ("x,y" in screen coordinates).
constexpr const char* kSelectRecipientsPosition = "SelectRecipientsPosition";

class CSelectRecipientsDialog
{
  public:
    // The To and Cc lists start as copies of the caller's lists (either may be null).
    CSelectRecipientsDialog(CExMAPI& p_oExMapi, CRegistry& p_oRegistry, const CMessageRecipientList* p_p_mrlTo,
                            const CMessageRecipientList* p_p_mrlCc);
    CSelectRecipientsDialog(const CSelectRecipientsDialog&) = delete;
    CSelectRecipientsDialog& operator=(const CSelectRecipientsDialog&) = delete;

    // Shows the dialog owned by p_hOwner; true when it ended with OK.
    [[nodiscard]] bool Run(HWND p_hOwner);

    // After OK: the chosen lists as new owning lists, distribution lists with their members.
    RecipientListPtr TakeTo();
    RecipientListPtr TakeCc();

  private:
    static INT_PTR CALLBACK Procedure(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam, LPARAM p_lParam);
    INT_PTR OnMessage(UINT p_uMessage, WPARAM p_wParam, LPARAM p_lParam);
    void OnInitDialog();
    void OnCommand(int p_iId, int p_iCode);
    void ShowFolder(int p_iFolder);
    void OnFindChanged();
    void AddSelected(bool p_bCc);
    void Add(bool p_bCc, std::vector<RecipientPtr> p_vRecipients);
    void RemoveSelected(bool p_bCc);
    void OnOk();
    void Place();
    void RememberPlace();
    // Whether any folder but the one shown has a row.
    bool AnyOtherFolderHasRows(int p_iShown);
    RecipientListPtr BuildList(std::vector<RecipientPtr>& p_vChosen);

    CExMAPI& m_oExMapi;
    CRegistry& m_oRegistry;
    HWND m_hDialog = nullptr;
    HWND m_hOwner = nullptr;
    std::vector<CFolderEntry> m_vFolders;
    std::unique_ptr<CMapiPageCache> m_pCache;
    CVirtualListBox m_oList;
    std::vector<RecipientPtr> m_vTo;
    std::vector<RecipientPtr> m_vCc;
    RecipientListPtr m_mrlTo;
    RecipientListPtr m_mrlCc;
};
