// standins/outlook/ol_mapi_win.h: the host's MAPI profile: the library found through DLLPathEx, the
// default profile's session and address book, the default store's folders, items and new notes.
#pragma once

#include "common/handle_win.h"
#include "common/mapi_owner_win.h"

#include <windows.h>

#include <mapix.h>

#include <functional>
#include <string>
#include <vector>

namespace olstandin
{
using CEntryId = std::vector<BYTE>;

struct CFolderRow
{
    std::string m_sName;
    CEntryId m_oEntryId;
    LONG m_lDepth = 0;
};

struct CItemRow
{
    CEntryId m_oEntryId;
    std::string m_sSubject;
    std::string m_sMessageClass;
    std::string m_sSender;
    ULONG m_ulFlags = 0;
};

// What a note sends: the typed recipient lines (names or addresses separated by ';').
struct CNoteFields
{
    std::string m_sTo;
    std::string m_sCc;
    std::string m_sBcc;
    std::string m_sSubject;
    std::string m_sBody;
};

// The stages of a send, in the order the message events run around them: the typed names are
// resolved, then the whole form (recipients included) is written to the message, then it is
// submitted. A stage's hook returns false to stop the send; the hook of the completing event gets
// whether the stage worked.
struct CSendHooks
{
    std::function<bool(IMessage*)> m_fnBeforeCheckNames;
    std::function<void(IMessage*, bool)> m_fnAfterCheckNames;
    std::function<bool(IMessage*)> m_fnBeforeWrite;
    std::function<void(IMessage*, bool)> m_fnAfterWrite;
    std::function<bool(IMessage*)> m_fnBeforeSubmit;
    std::function<void(IMessage*, bool)> m_fnAfterSubmit;
};

class CMapiProfile
{
  public:
    CMapiProfile() = default;
    ~CMapiProfile();
    CMapiProfile(const CMapiProfile&) = delete;
    CMapiProfile& operator=(const CMapiProfile&) = delete;

    // Loads the library named by DLLPathEx, initialises it and logs on to the default profile.
    [[nodiscard]] bool Start();
    [[nodiscard]] bool IsStarted() const
    {
        return m_p_oStore.get() != nullptr;
    }
    IMAPISession* Session() const
    {
        return m_p_oSession.get();
    }
    IAddrBook* AddressBook() const
    {
        return m_p_oAddrBook.get();
    }
    IMsgStore* Store() const
    {
        return m_p_oStore.get();
    }

    [[nodiscard]] HRESULT AllocateBuffer(ULONG p_cbSize, void** p_ppBuffer) const
    {
        return m_pfnAllocateBuffer != nullptr ? m_pfnAllocateBuffer(p_cbSize, p_ppBuffer) : MAPI_E_NOT_INITIALIZED;
    }

    // The folders below the top of the default store's personal folders, depth first.
    [[nodiscard]] std::vector<CFolderRow> Folders() const;
    [[nodiscard]] std::vector<CItemRow> Items(const CEntryId& p_oFolder) const;
    [[nodiscard]] CEntryId InboxId() const;
    // The folder the object model's GetDefaultFolder kind names (3 deleted items, 4 outbox, 5 sent
    // items, 6 inbox, 9 calendar, 10 contacts, 13 tasks, 16 drafts); empty for other kinds.
    [[nodiscard]] CEntryId DefaultFolderId(LONG p_lKind) const;
    [[nodiscard]] std::string DisplayName(const CEntryId& p_oEntryId) const;
    [[nodiscard]] CEntryId StoreId() const
    {
        return StoreEntryId(PR_ENTRYID);
    }
    [[nodiscard]] com_ptr<IMAPIProp> OpenEntry(const CEntryId& p_oEntryId) const;

    // Posts p_nMessage to p_hTarget for each new message the store delivers, with a heap CEntryId* as
    // wParam that the receiver owns. The store may notify on its own thread.
    [[nodiscard]] bool AdviseNewMail(HWND p_hTarget, UINT p_nMessage);

    // Writes the note's message (created in the Outbox when p_oMessage is empty, so a send that failed
    // is retried on the same message), resolves its recipients, replacing any it had, and submits it.
    [[nodiscard]] bool SendNote(const CNoteFields& p_oFields, const CSendHooks& p_oHooks,
                                com_ptr<IMessage>& p_oMessage) const;

  private:
    [[nodiscard]] bool OpenDefaultStore();
    [[nodiscard]] CEntryId StoreEntryId(ULONG p_ulTag) const;
    // The note's typed names resolved through the address book, ready for ModifyRecipients.
    [[nodiscard]] bool ResolveNames(const CNoteFields& p_oFields, unique_mapi_adrlist& p_oList) const;
    [[nodiscard]] bool WriteNote(IMessage* p_pMessage, const CNoteFields& p_oFields, ADRLIST* p_pRecipients) const;

    unique_hmodule m_hLibrary;
    HRESULT(STDAPICALLTYPE* m_pfnUninitialize)() = nullptr;
    SCODE(STDAPICALLTYPE* m_pfnAllocateBuffer)(ULONG, LPVOID*) = nullptr;
    SCODE(STDAPICALLTYPE* m_pfnAllocateMore)(ULONG, LPVOID, LPVOID*) = nullptr;
    bool m_bInitialized = false;
    ULONG m_ulNewMailConnection = 0;
    com_ptr<IMAPISession> m_p_oSession;
    com_ptr<IAddrBook> m_p_oAddrBook;
    com_ptr<IMsgStore> m_p_oStore;
};
} // namespace olstandin
