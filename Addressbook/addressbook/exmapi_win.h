// Addressbook/addressbook/exmapi_win.h: CExMAPI, the core library's view of the user's Outlook
// data: the address book, the default store and every contact folder of every store, the contact
// named properties, and the address-book questions the rest of the library asks (the entries of a
// folder through a page cache, the details of one entry, list expansion, SMTP addresses, writing a
// mobile back, creating a contact). Every operation uses the session, address book and store of the
// calling thread (IMapiThreadValues).
#pragma once

#include "Addressbook/addressbook/mapi_object_win.h"
#include "Addressbook/addressbook/mapi_page_cache_win.h"
#include "Addressbook/addressbook/thread_values_win.h"
#include "Addressbook/include/corvane_records.h"
#include "common/error_slot.h"
#include "common/handle_win.h"

#include <windows.h>
#include <mapidefs.h>
#include <mapix.h>
#include <oaidl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CCancelLink;
struct CNewMailServices;
class CRegistry;
class CSendProgress;

// A folder the selection dialog offers: a contact folder of a store (EID_TYPE_STORE) or an
// address-book container (EID_TYPE_AB).
struct CFolderEntry
{
    CEntryBytes m_vEntryId;
    std::string m_sName;
    int32_t m_iKind = EID_TYPE_STORE;
};

// What the library knows of one entry. A distribution list has no mobile.
struct CEntryDetails
{
    std::string m_sName;
    std::string m_sGivenName;
    std::string m_sSurname;
    std::string m_sMobile;
    std::string m_sEmail;
    bool m_bDistList = false;
};

// How CExMAPI is made: what the library's Init knows.
struct CExMapiSettings
{
    IMAPISession* m_pSession = nullptr;             // the host's session, adopted when given
    IDispatch* m_pDispOutlookApplication = nullptr; // may be null
    int m_iVersion = 0;                             // the Outlook version code of the package
    bool m_bIMO = false;                            // Outlook installed for Internet mail only
    bool m_bOutlookExpress = false;                 // the Outlook Express package: no address book walk
};

// What CreateMessageInFolder makes: mode 0 files a read copy, 1 submits an e-mail whose body is
// rich text, 2 submits an SMS job whose body is plain text.
constexpr int kMessageModeCopy = 0;
constexpr int kMessageModeEmail = 1;
constexpr int kMessageModeSMS = 2;

// One outgoing message or filed copy; the recipients come separately.
struct CMapiMessage
{
    std::string m_sSenderLabel;
    std::string m_sSubject;
    std::string m_sBody;
    std::string m_sAttachmentPath; // empty: no attachment
    int m_iMode = kMessageModeSMS;
};

// The send a message belongs to: its stop request and the dialog's status text. Either may be
// null (a filed copy has neither).
struct CMapiSendLinks
{
    CCancelLink* m_p_oLink = nullptr;
    CSendProgress* m_p_oProgress = nullptr;
};

using RecipientRefs = std::vector<const CMessageRecipient*>;

// At most this many recipients share one submitted message.
constexpr size_t kRecipientsPerMessage = 9;
// The folder the readable copies go to, directly below the root of the message tree.
extern const char* const kSentSMSFolderName; // "Sent SMSs"
// The settings value keeping its entry id.
extern const char* const kSentSMSFolderValue; // "SMSFolder"

class CExMAPI : public IAddressBookLookup
{
  public:
    // Runs the whole set-up; a failure stops it at that step, shows the user why under the caption
    // "SMS - Addressbook Initialization Error" and leaves IsReady() false. The thread values must
    // outlive the object.
    CExMAPI(const CExMapiSettings& p_oSettings, IMapiThreadValues& p_oThread);
    ~CExMAPI() override;
    CExMAPI(const CExMAPI&) = delete;
    CExMAPI& operator=(const CExMAPI&) = delete;

    // The set-up ran to the end (FindAllContactFolders may still have failed).
    bool IsReady() const
    {
        return m_bReady;
    }
    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    CMapiObject& Mapi()
    {
        return *m_p_oMapi;
    }

    // Fills the calling thread's values from a session (and dispatch) handed to it: the address
    // book and the default store are opened from that session. Missing values are traced
    // ("Warning: ... is NULL") and the thread works without them.
    void SetThreadValuesForNewThread(IMAPISession* p_pSession, IDispatch* p_pDispatch);
    // Clears the calling thread's values.
    void ClearThreadValues();

    bool IsExchangeAddressBook() const
    {
        return m_bExchange;
    }
    const CEntryBytes& DefaultStoreEntryId() const
    {
        return m_vDefaultStoreEntryId;
    }
    const std::optional<CFolderEntry>& DefaultContactsFolder() const
    {
        return m_oDefaultContacts;
    }
    // The contact folders of every store, the default store's first.
    const std::vector<CFolderEntry>& ContactFolders() const
    {
        return m_vContactFolders;
    }
    // The address-book containers (the Outlook Address Book's "Contacts", the global address list,
    // the personal address book).
    const std::vector<CFolderEntry>& AddressBookFolders() const
    {
        return m_vAddressBookFolders;
    }
    const CContactEmailTags& ContactEmailTags() const
    {
        return m_aContactEmailTags;
    }
    // The stores opened besides the default one.
    ULONG StoreCount() const
    {
        return m_ulStores;
    }
    // The names of the stores whose inbox is an IMAP inbox.
    const std::vector<std::string>& ImapStores() const
    {
        return m_vImapStores;
    }
    // The default store's "Reminders" search folder; empty when the store has none.
    const CEntryBytes& ReminderFolderEntryId() const
    {
        return m_vReminderFolderEntryId;
    }

    // A page cache over the folder's contents table. A contact folder without contents table
    // (MAPI_E_NO_SUPPORT) gives S_OK and no cache.
    [[nodiscard]] HRESULT GetPageCacheForFolder(const CFolderEntry& p_oFolder,
                                                std::unique_ptr<CMapiPageCache>& p_pCache);

    // Every entry of a folder as recipients appended to p_oList (kind EID_TYPE_STORE entries for a
    // contact folder, EID_TYPE_AB for a container; lists as list recipients).
    [[nodiscard]] HRESULT RetrieveAllMessageRecipientsInNormalFolder(const CEntryBytes& p_vFolder,
                                                                     CMessageRecipientList& p_oList);
    [[nodiscard]] HRESULT RetrieveAllMessageRecipientsInABFolder(const CEntryBytes& p_vFolder,
                                                                 CMessageRecipientList& p_oList);

    // The details of a contact-folder item, or of an address-book entry. An Outlook 97 session
    // needs no path of its own here: its contacts carry the same properties and named e-mail
    // slots, read through Extended MAPI alike, so the normal read serves it.
    [[nodiscard]] HRESULT RetrieveDetailsForNormalUser(const CEntryBytes& p_vEntryId, CEntryDetails& p_oDetails);
    [[nodiscard]] HRESULT RetrieveDetailsForABUser(const CEntryBytes& p_vEntryId, CEntryDetails& p_oDetails);

    // Outlook 97 and 98: whether this instance holds "SMSStartupMutex" (so it sets up the SMS forms
    // while other instances wait), and its release once the forms are set up.
    bool HoldsStartupMutex() const
    {
        return static_cast<bool>(m_hStartupMutex);
    }
    void ReleaseStartupMutex();

    // Whether the session is Outlook 97's: its contact-folder items have no address-book details
    // window, so their properties are shown by ShowPropertiesUsingOutlook97.
    bool IsOutlook97Session() const
    {
        return m_oSettings.m_iVersion == 1 && !m_oSettings.m_bOutlookExpress;
    }
    // Opens a contact-folder item's own form, modal, through the client's object model
    // (Namespace.GetItemFromID, then Display); returns when the user has closed it.
    [[nodiscard]] HRESULT ShowPropertiesUsingOutlook97(const CEntryBytes& p_vEntryId);

    // Appends the members of a distribution list to p_oList; members that are lists themselves
    // come as list recipients with their own members expanded, each list entered once.
    [[nodiscard]] HRESULT AddAllRecipientsInNormalDistList(const CEntryBytes& p_vEntryId,
                                                           CMessageRecipientList& p_oList);
    [[nodiscard]] HRESULT AddAllRecipientsInABDistList(const CEntryBytes& p_vEntryId, CMessageRecipientList& p_oList);

    // The SMTP address of an address-book entry, without an "SMTP:" prefix; none when it has none.
    std::optional<std::string> GetMatchingABSMTPAddress(const CEntryBytes& p_vEntryId);

    // Writes changed details (the mobile above all) back to the entry.
    [[nodiscard]] HRESULT SetNormalUserDetails(const CEntryBytes& p_vEntryId, const CEntryDetails& p_oDetails);
    [[nodiscard]] HRESULT SetABUserDetails(const CEntryBytes& p_vEntryId, const CEntryDetails& p_oDetails);

    // A new "IPM.Contact" in the default contacts folder; its entry id when asked for.
    [[nodiscard]] HRESULT CreateContact(const CEntryDetails& p_oDetails, CEntryBytes* p_p_vEntryId = nullptr);

    // The folder box of the selection dialog: contact folders and address-book containers.
    void RetrieveTreeFolders(std::vector<CFolderEntry>& p_vFolders);

    // The first display name that starts with p_sPrefix (case-insensitive), from the default
    // contacts folder and then the address-book containers; none when there is none.
    std::optional<std::string> CompleteTheText(const std::string& p_sPrefix);

    // Sends through the default store's Outbox: one message per kRecipientsPerMessage recipients,
    // To recipients first, then Bcc. A stop ends with S_OK and the link's state says so.
    [[nodiscard]] HRESULT SendMail(const CMapiMessage& p_oMessage, const CMessageRecipientList* p_p_mrlTo,
                                   const CMessageRecipientList* p_p_mrlBcc, const CMapiSendLinks& p_oLinks);
    // Creates one message in p_pFolder and, for modes 1 and 2, submits it and flushes the outbound
    // queue. Every step first polls the link; a stop ends with S_OK and nothing more is done.
    [[nodiscard]] HRESULT CreateMessageInFolder(IMAPIFolder* p_pFolder, const RecipientRefs& p_vTo,
                                                const RecipientRefs& p_vCc, const RecipientRefs& p_vBcc,
                                                const CMapiMessage& p_oMessage, const CMapiSendLinks& p_oLinks);
    // Files a readable copy of a sent job in "Sent SMSs", finding or creating the folder first.
    [[nodiscard]] HRESULT WriteToSMSFolder(CRegistry& p_oRegistry, const CMessageRecipientList* p_p_mrlTo,
                                           const CMessageRecipientList* p_p_mrlBcc, const std::string& p_sSenderLabel,
                                           const std::string& p_sSubject, const std::string& p_sText);
    // The "Sent SMSs" folder of the calling thread's store, as WriteToSMSFolder finds it.
    [[nodiscard]] HRESULT GetSentSMSFolder(CRegistry& p_oRegistry, com_ptr<IMAPIFolder>& p_pFolder);

    // A new message of the default store: gateway replies are classified and an upgrade notice is
    // applied and deleted; other mail goes to the notification rules. S_OK when it was handled.
    [[nodiscard]] HRESULT DealWithNewMail(const CEntryBytes& p_vMessage, const CEntryBytes& p_vFolder,
                                          const CNewMailServices& p_oServices);
    // Keeps message 218 for a failed call of DealWithNewMail in the error slot; nothing is shown.
    void RecordNewMailFailure(const char* p_szCall, HRESULT p_hr);

    // IAddressBookLookup, for the page caches.
    std::optional<std::string> SmtpAddressOf(const CEntryBytes& p_vEntryId) override;
    std::optional<std::string> MobileOf(const CEntryBytes& p_vEntryId) override;

  private:
    // Implementation declarations go here (set-up steps, folder walks, helpers).
    struct CImpl;

    IMapiThreadValues& m_oThread;
    CExMapiSettings m_oSettings;
    std::unique_ptr<CMapiObject> m_p_oMapi;
    unique_handle m_hStartupMutex;
    bool m_bReady = false;
    bool m_bExchange = false;
    CEntryBytes m_vDefaultStoreEntryId;
    com_ptr<IMsgStore> m_pDefaultStore;
    com_ptr<IMAPIFolder> m_pIPMSubtree;
    com_ptr<IMAPIFolder> m_pContactsFolder;
    std::optional<CFolderEntry> m_oDefaultContacts;
    std::vector<CFolderEntry> m_vContactFolders;
    std::vector<CFolderEntry> m_vAddressBookFolders;
    std::vector<CFolderEntry> m_vTreeFolders;
    CContactEmailTags m_aContactEmailTags{};
    ULONG m_ulStores = 0;
    std::vector<com_ptr<IMsgStore>> m_vStores;
    std::vector<std::string> m_vImapStores;
    CEntryBytes m_vReminderFolderEntryId;
    CErrorSlot m_oError;
};
