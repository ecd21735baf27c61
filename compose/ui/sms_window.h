// compose/ui/sms_window.h: CSMSWindow, the SMS compose window: its own thread and apartment, the
// bars, fields and status bar, the commands of its menu, and the send flow that hands a job to the
// core library.
#pragma once

#include "Addressbook/include/host_messages.h"
#include "common/handle_win.h"
#include "compose/address_book_binding_win.h"
#include "compose/fields/my_rich_edit_win.h"
#include "compose/fields/quillet_field_win.h"
#include "compose/fields/recipient_field_win.h"
#include "compose/quillet_process_win.h"
#include "compose/ui/bars.h"
#include "compose/ui/compose_frame_win.h"

#include <memory>
#include <string>

// Private messages of the compose window (those it sends its opener are in host_messages.h).
constexpr UINT WM_SMS_RECIPIENTSCHANGED = 0x04BE;
constexpr UINT WM_SMS_VALIDATELIMIT = 0x04C8;
constexpr UINT WM_SMS_RECOMPUTEBULK = 0x04D2;
constexpr UINT WM_SMS_RELEASEARCHIVE = 0x05F5;
// Outlook Express: the archive request to the opener's monitor window (the window as wParam, the
// copy's transfer-file number as lParam); its end comes back as WM_SMS_RELEASEARCHIVE.
constexpr UINT WM_SMS_POSTARCHIVE = WM_USER + 500;
constexpr UINT_PTR kArchiveTimer = 0x5F5;

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

class CSMSWindow : public CComposeFrame
{
  public:
    // p_fnClock is the local time the delivery bar starts from and a delivery time is checked against.
    CSMSWindow(int p_iPackage, CAddressBookControlObject* p_p_abcoBinding, HWND p_hParentWnd, HWND p_hMonitorWnd,
               CWindowList* p_p_oWindows, LocalClock p_fnClock = &LocalTimeNow);
    ~CSMSWindow() override;

    // Window start: marshals the session and application to a new thread that creates the window,
    // and waits up to 5000 ms for it to start. The thread owns the window object from then on.
    [[nodiscard]] static bool Start(std::unique_ptr<CSMSWindow> p_oWindow, bool p_bSendMessage,
                                    const std::string& p_sTo, const std::string& p_sBody, IMAPISession* p_pSession,
                                    IDispatch* p_pApp);

    [[nodiscard]] bool SaveToFile() override;
    [[nodiscard]] bool LoadFromFile(const std::string& p_sPath) override;
    [[nodiscard]] bool CreateChildren() override;
    bool OnCommand(WPARAM p_wParam, LPARAM p_lParam) override;
    bool OnNotify(NMHDR* p_pHeader, LRESULT& p_lResult) override;
    void OnSize() override;
    void OnClose() override;
    void OnDestroy() override;

    // The send flow (command 40002).
    void OnFileSend();
    // Check names; p_szProgressTitle null means no progress window.
    [[nodiscard]] bool CheckNames(const char* p_szProgressTitle, HWND* p_phProgress);
    bool IsBulk();
    uint32_t NotifyFlags() const
    {
        return m_dwNotifyFlags;
    }

  private:
    // A WM_COMMAND as the command table hands it to its handler.
    struct CCommand
    {
        int m_iId;
        int m_iCode; // the notification code of a control, 0 for a menu, 1 for an accelerator
        LPARAM m_lParam;
    };
    using CommandHandler = void (CSMSWindow::*)(const CCommand& p_oCommand);
    // One row of the command table: the ids m_iFirst..m_iLast and the member that handles them.
    struct CCommandRow
    {
        int m_iFirst;
        int m_iLast;
        CommandHandler m_pfnHandler;
    };
    // The handler of p_iCommand, or null when the window has none.
    static CommandHandler HandlerOf(int p_iCommand);
    // What one send attempt has gathered and holds (sms_window_send.cpp).
    struct CSendState;

    INT_PTR HandleMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam) override;
    [[nodiscard]] bool Initialise() override;
    void OnDialogDestroyed() override;
    void ForceClose() override;
    HMENU DropDownMenu(int p_iButton, unique_hmenu& p_hOwned) override;
    unsigned ToolTipOf(UINT_PTR p_iId) const override;

    // The children, made in this order by CreateChildren (sms_window_children.cpp).
    [[nodiscard]] bool CreateCommandBars(HINSTANCE p_hInstance);
    [[nodiscard]] bool CreateUtilityBar();
    [[nodiscard]] bool CreateRecipientFields();
    [[nodiscard]] bool CreateOptionBars();
    [[nodiscard]] bool CreateBodyField();
    [[nodiscard]] bool CreateStatusAndButtons(HINSTANCE p_hInstance);
    void CreateToolTips(HINSTANCE p_hInstance);
    void ShowRememberedBars();

    std::string FieldText(int p_iId) const;
    void SetFieldText(int p_iId, const std::string& p_sText);
    CRecipientField& FieldOf(int p_iField);
    [[nodiscard]] bool FillRecipientList(int p_iField);
    // Both fields read into m_p_mrlTo and m_p_mrlCc, as a dialog that edits the lists starts from.
    [[nodiscard]] bool FillRecipientLists();
    // After a dialog replaced both lists: the fields rewritten from them, tokens and bulk state shown.
    void ShowReplacedRecipients();
    [[nodiscard]] bool UpdateField(int p_iField, const CMessageRecipientList* p_p_mrlList);
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
    void CloseAfterSend();
    void ReleaseArchiveMutex();
    // Outlook Express: the readable copy of the job just sent handed to the client for "Sent SMSs"
    // (sms_window_archive.cpp). True when the request is out: the window then waits hidden, holding
    // the archive mutex, until OnArchiveFinished, and closes.
    [[nodiscard]] bool StartArchive(const std::string& p_sSubject, const std::string& p_sText);
    void OnArchiveFinished(bool p_bTimedOut);
    void OpenPage(const char* p_szPage);
    void ComposeMail(const char* p_szAddressValue, const char* p_szDefault, const char* p_szSubject);

    // The send flow's steps (sms_window_send.cpp).
    [[nodiscard]] bool ReadyToSend(CSendState& p_oState);
    [[nodiscard]] bool AcquireArchive(CSendState& p_oState);
    [[nodiscard]] bool HandOver(CSendState& p_oState);
    [[nodiscard]] bool HandOverBulk(CSendState& p_oState);
    // Shows what the core's result means; true when the window is to close.
    bool ReportResult(int p_iResult);

    // The message summary and the preview (sms_window_summary.cpp). ShowSummary returns the core's
    // answer: 1 applied (the bulk bar then holds the chosen limit), -2 cancelled, 0 failed; it makes
    // a progress window into p_hProgress when there is none.
    [[nodiscard]] int ShowSummary(HWND& p_hProgress, const char* p_szBody, const CMessageTokenList* p_p_oTokens,
                                  bool p_bSendMode);
    void OnSummaryCommand(const CCommand& p_oCommand);
    void OnPreviewCommand(const CCommand& p_oCommand);

    // The command handlers (sms_window_commands.cpp).
    void OnNewSMS(const CCommand& p_oCommand);
    void OnNewMail(const CCommand& p_oCommand);
    void OnNewNews(const CCommand& p_oCommand);
    void OnOpenCommand(const CCommand& p_oCommand);
    void OnImportCommand(const CCommand& p_oCommand);
    void OnSendCommand(const CCommand& p_oCommand);
    void OnSaveCommand(const CCommand& p_oCommand);
    void OnPrintCommand(const CCommand& p_oCommand);
    void OnCloseCommand(const CCommand& p_oCommand);
    void OnEditCommand(const CCommand& p_oCommand);
    void OnViewCommand(const CCommand& p_oCommand);
    void OnCheckNamesCommand(const CCommand& p_oCommand);
    void OnSelectRecipientsCommand(const CCommand& p_oCommand);
    void OnCompressCommand(const CCommand& p_oCommand);
    void OnCcEmailCommand(const CCommand& p_oCommand);
    void OnNotifyCommand(const CCommand& p_oCommand);
    void OnReplyCommand(const CCommand& p_oCommand);
    void OnHelpPageCommand(const CCommand& p_oCommand);
    void OnHelpMailCommand(const CCommand& p_oCommand);
    void OnAboutCommand(const CCommand& p_oCommand);
    void OnInsertTokenCommand(const CCommand& p_oCommand);
    void OnSenderIdOption(const CCommand& p_oCommand);
    void OnDeliveryChoice(const CCommand& p_oCommand);
    void OnRepliesChoice(const CCommand& p_oCommand);
    void OnSMSLimitChange(const CCommand& p_oCommand);
    void OnRecipientFieldChange(const CCommand& p_oCommand);
    void OnBodyChange(const CCommand& p_oCommand);
    void OnEmoticon(const CCommand& p_oCommand);

    // Templates (sms_window_templates.cpp).
    void OnTemplateGenerateCommand(const CCommand& p_oCommand);
    void OnRecentTemplateCommand(const CCommand& p_oCommand);
    // "Confirm template generation" for a modified body; false when the user cancels.
    bool ConfirmTemplateGeneration();
    void GenerateIntoBody(const std::string& p_sPath);
    void FillRecentTemplatesMenu(HMENU p_hPopup);

    HWND m_hMonitorWnd;
    int m_iPackage;
    LocalClock m_fnClock;
    unique_handle m_hArchiveMutex;
    bool m_bHoldsArchive = false;
    bool m_bArchivePending = false;
    CAddressBookControlObject* m_p_abcoBinding;
    std::string m_sInitialTo;
    std::string m_sInitialBody;
    com_ptr<IStream> m_pSessionStream;
    com_ptr<IStream> m_pAppStream;
    // The session as IUnknown: MAPI's headers give its interface no __uuidof.
    com_ptr<IUnknown> m_pSession;
    com_ptr<IDispatch> m_pApp;

    HWND m_hButtons = nullptr;
    HWND m_hUtilityRebar = nullptr;
    HWND m_hUtilityBar = nullptr;
    HWND m_hOptionsRebar = nullptr;
    HWND m_hToolTip = nullptr;
    CRecipientField m_oToField;
    CRecipientField m_oCcField;
    CQuilletField m_oBodyField;
    CMyBulkbar m_oBulkbar;
    CMyDeliverybar m_oDeliverybar;
    CMessageRecipientList* m_p_mrlTo = nullptr;
    CMessageRecipientList* m_p_mrlCc = nullptr;
    bool m_bSendInProgress = false;
    // The two summary option words: send to people with missing details, and to people over the
    // SMS limit (the final SMS builder's keep-empty-tokens and allow-truncation).
    int32_t m_iSendMissingDetails = 1;
    int32_t m_iSendOverLimit = 1;
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
