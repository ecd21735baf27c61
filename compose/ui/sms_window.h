// compose/ui/sms_window.h: CSMSWindow, the SMS compose window: its own thread and apartment, the
// bars, fields and status bar, the commands of its menu, and the send flow that hands a job to the
// core library.
#pragma once

#include "compose/address_book_binding_win.h"
#include "compose/fields/my_rich_edit_win.h"
#include "compose/fields/quillet_field_win.h"
#include "compose/fields/recipient_field_win.h"
#include "compose/quillet_process_win.h"
#include "compose/ui/bars.h"
#include "compose/ui/my_window.h"

#include <memory>
#include <string>

// Private messages of the compose window and its opener.
constexpr UINT WM_SMS_FORCECLOSE = 0x04AA;
constexpr UINT WM_SMS_CLEARMODIFIED = 0x04B4;
constexpr UINT WM_SMS_RECIPIENTSCHANGED = 0x04BE;
constexpr UINT WM_SMS_VALIDATELIMIT = 0x04C8;
constexpr UINT WM_SMS_RECOMPUTEBULK = 0x04D2;
constexpr UINT WM_SMS_RELEASEARCHIVE = 0x05F5;
constexpr UINT WM_SMS_REGISTERWINDOW = 3027;
constexpr UINT WM_SMS_WINDOWCOUNT = 0x040B;

// Child ids.
constexpr int kIdStandardButtons = 50000;
constexpr int kIdStatusBar = 50001;
constexpr int kIdRebar = 50002;
constexpr int kIdMenuBar = 50003;
constexpr int kIdOptionsRebar = 50008;
constexpr int kIdUtilityBar = 50020;
constexpr int kIdUtilityRebar = 50021;
constexpr int kIdToField = 1000;
constexpr int kIdCcField = 1001;
constexpr int kIdBodyField = 1003;
constexpr int kIdToButton = 1004;
constexpr int kIdCcButton = 1005;

class CSMSWindow : public CMyWindow
{
  public:
    CSMSWindow(int p_iPackage, CAddressBookControlObject* p_p_abcoBinding, HWND p_hParentWnd, HWND p_hMonitorWnd,
               CWindowList* p_p_oWindows);
    ~CSMSWindow() override;

    // Window start: marshals the session and application to a new thread that creates the window,
    // and waits up to 5000 ms for it to start. The thread owns the window object from then on.
    static bool Start(std::unique_ptr<CSMSWindow> p_oWindow, bool p_bSendMessage, const std::string& p_sTo,
                      const std::string& p_sBody, IMAPISession* p_pSession, IDispatch* p_pApp);

    bool SaveToFile() override;
    bool LoadFromFile(const std::string& p_sPath) override;
    bool CreateChildren() override;
    bool OnCommand(WPARAM p_wParam, LPARAM p_lParam) override;
    bool OnNotify(NMHDR* p_pHeader, LRESULT& p_lResult) override;
    void OnSize() override;
    void OnClose() override;
    void OnDestroy() override;

    // The send flow (command 40002).
    void OnFileSend();
    // Check names; p_szProgressTitle null means no progress window.
    bool CheckNames(const char* p_szProgressTitle, HWND* p_phProgress);
    bool IsBulk();
    uint32_t NotifyFlags() const
    {
        return m_dwNotifyFlags;
    }

  private:
    static DWORD WINAPI ThreadMain(void* p_pWindow);
    static INT_PTR CALLBACK DialogProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);
    INT_PTR HandleMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);
    bool Initialise();

    HWND MakeButtonBar(HWND p_hParent, int p_iId);
    std::string FieldText(int p_iId) const;
    void SetFieldText(int p_iId, const std::string& p_sText);
    CRecipientField& FieldOf(int p_iField);
    bool FillRecipientList(int p_iField);
    // Both fields read into m_p_mrlTo and m_p_mrlCc, as a dialog that edits the lists starts from.
    bool FillRecipientLists();
    // After a dialog replaced both lists: the fields rewritten from them, tokens and bulk state shown.
    void ShowReplacedRecipients();
    bool UpdateField(int p_iField, const CMessageRecipientList* p_p_mrlList);
    void RefreshTokens();
    // A character typed into a recipient field: complete the name being typed.
    void OnRecipientChar(WPARAM p_wChar, HWND p_hField);
    void ImportList();
    void InsertToken();
    // The body's side of the token list: marks its tokens available or not, inserts one.
    void ShowBulkState();
    void ShowCount();
    void ApplyFlagsToMenu();
    void ToggleBar(int p_iCommand);
    void SetBandShown(HWND p_hRebar, HWND p_hChild, bool p_bShow);
    void OpenFile();
    void SelectRecipients();
    void ForceClose();
    void CloseAfterSend();
    void ReleaseArchiveMutex();
    void OpenPage(const char* p_szPage);
    void ComposeMail(const char* p_szAddressValue, const char* p_szDefault, const char* p_szSubject);
    void NotAvailableYet(const char* p_szCommand);
    int Box(unsigned p_uCaption, const std::string& p_sText, UINT p_uType);

    CWindowList* m_p_oWindows;
    HWND m_hMonitorWnd;
    int m_iPackage;
    HANDLE m_hArchiveMutex = nullptr;
    bool m_bHoldsArchive = false;
    CAddressBookControlObject* m_p_abcoBinding;
    HANDLE m_hThread = nullptr;
    bool m_bSendMessage = false;
    std::string m_sInitialTo;
    std::string m_sInitialBody;
    IStream* m_pSessionStream = nullptr;
    IStream* m_pAppStream = nullptr;
    IMAPISession* m_pSession = nullptr;
    IDispatch* m_pApp = nullptr;

    HWND m_hRebar = nullptr;
    HWND m_hMenuBar = nullptr;
    HWND m_hButtons = nullptr;
    HWND m_hUtilityRebar = nullptr;
    HWND m_hUtilityBar = nullptr;
    HWND m_hOptionsRebar = nullptr;
    HWND m_hStatus = nullptr;
    HWND m_hToolTip = nullptr;
    HMENU m_hMenu = nullptr;
    CRecipientField m_oToField;
    CRecipientField m_oCcField;
    CQuilletField m_oBodyField;
    CMyBulkbar m_oBulkbar;
    CMyDeliverybar m_oDeliverybar;
    CMessageRecipientList* m_p_mrlTo = nullptr;
    CMessageRecipientList* m_p_mrlCc = nullptr;
    bool m_bSendInProgress = false;
    int32_t m_iSummaryOption1 = 1;
    int32_t m_iSummaryOption2 = 1;
    uint32_t m_dwNotifyFlags = 0;
    bool m_bShowBulk = false;
    bool m_bShowDelivery = false;
    bool m_bShowUtility = false;
    bool m_bShowMenu = true;
    bool m_bShowButtons = true;
    bool m_bOverwrite = false;
    bool m_bCounted = false;
    HWND m_hFocusField = nullptr;
};
