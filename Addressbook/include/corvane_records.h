// Addressbook/include/corvane_records.h: the records Corvane shares with its hosts (recipients, lists,
// final SMS) and the exports that create, change and free them.
// Hosts read these fields and walk the list nodes directly, so the field order is a binary contract;
// every object and string in them is allocated and freed by Corvane alone, through its exports.
#pragma once

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define CORVANE_API __attribute__((stdcall))
#else
#define CORVANE_API
#endif

class CMessageRecipient;
class CEntryID;
class CFinalSMS;
struct CRecipientProp;
struct CMessageToken;

// Resolution states of a recipient (m_dwState).
constexpr uint32_t kStateUnresolved = 0;
constexpr uint32_t kStateResolved = 1;
constexpr uint32_t kStateMultipleMatches = 2;
constexpr uint32_t kStateNoMatch = 3;
constexpr uint32_t kStateNoMobile = 4;
constexpr uint32_t kStateInvalidMobile = 5;
constexpr uint32_t kStateTypedNumber = 6;
constexpr uint32_t kStateListUnchecked = 7;
constexpr uint32_t kStateListIncomplete = 8;
constexpr uint32_t kStateListComplete = 9;

// Recipient kinds (m_iKind).
constexpr int32_t kKindIndividual = 0;
constexpr int32_t kKindDistList = 1;
constexpr int32_t kKindUnidentified = 2;

// Token permissions (m_dwOptions): bit 0 lets the name fill the name tokens, bit 1 the e-mail the
// e-mail token.
constexpr uint32_t kOptionNameTokens = 0x1;
constexpr uint32_t kOptionEmailToken = 0x2;
constexpr uint32_t kDefaultRecipientOptions = kOptionNameTokens | kOptionEmailToken;

// Entry kinds (CEntryID::m_iKind).
constexpr int32_t EID_TYPE_STORE = 1; // item in a contact folder of a message store
constexpr int32_t EID_TYPE_AB = 2;    // entry of an address-book container
constexpr int32_t EID_TYPE_BULK = 3;  // imported or typed: no address-book entry behind it

// The mobile placeholder meaning "no number".
constexpr const char* kNoMobilePlaceholder = "<none>";

// One node of an owning list; when m_iOwnsItem is set, deleting the node deletes the item.
template <class TItem> struct CRecordNode
{
    int32_t m_iOwnsItem = 1;
    TItem* m_p_oItem = nullptr;
    CRecordNode* m_p_oNext = nullptr;
    CRecordNode* m_p_oPrev = nullptr;
};

// The list shape every Corvane list shares; the cursor is the position walked by set and advance.
template <class TItem> struct CRecordList
{
    using Item = TItem;
    using Node = CRecordNode<TItem>;

    uint32_t m_dwCount = 0;
    Node* m_p_oFirst = nullptr;
    Node* m_p_oLast = nullptr;
    Node* m_p_oCursor = nullptr;
    int32_t m_iOwnsItems = 1;
    uint32_t m_dwReserved1 = 0;
    uint32_t m_dwReserved2 = 0;
    char* m_p_cScratch = nullptr;
};

class CMessageRecipientList : public CRecordList<CMessageRecipient>
{
};
using CMessageRecipientNode = CRecordNode<CMessageRecipient>;

class CRecipientPropList : public CRecordList<CRecipientProp>
{
};

class CFinalSMSList : public CRecordList<CFinalSMS>
{
};

// The tokens of a message, in text order; built and freed by the host that passes it in.
class CMessageTokenList : public CRecordList<CMessageToken>
{
};

// Who allocates an entry's bytes: the address-book session's allocator, or a plain one that the
// entry uses on its own.
class CEntryAllocator
{
  public:
    virtual void* AllocateEntryBytes(uint32_t p_dwSize) = 0;
    virtual void FreeEntryBytes(void* p_pBytes) = 0;

  protected:
    ~CEntryAllocator() = default;
};

// The address-book entry behind a recipient.
class CEntryID
{
  public:
    CEntryID() = default;
    CEntryID(const CEntryID&) = delete;
    CEntryID& operator=(const CEntryID&) = delete;
    virtual ~CEntryID();

    uint32_t m_dwOwnsAllocator = 0; // 1 when the entry made its own allocator
    uint32_t m_dwByteCount = 0;
    int32_t m_iKind = 0;
    uint8_t* m_p_bBytes = nullptr;
    CEntryAllocator* m_p_oAllocator = nullptr;
};

// A custom token value of a bulk recipient; neither string is ever null.
struct CRecipientProp
{
    CRecipientProp() = default;
    CRecipientProp(const CRecipientProp&) = delete;
    CRecipientProp& operator=(const CRecipientProp&) = delete;
    ~CRecipientProp();

    char* m_szName = nullptr;
    char* m_szValue = nullptr;
};

// A recipient of an SMS job. Absent strings are null pointers, distinct from empty ones.
class CMessageRecipient
{
  public:
    CMessageRecipient() = default;
    CMessageRecipient(const CMessageRecipient&) = delete;
    CMessageRecipient& operator=(const CMessageRecipient&) = delete;
    virtual ~CMessageRecipient();

    uint32_t m_dwState = kStateUnresolved;
    int32_t m_iKind = kKindUnidentified;
    char* m_szDisplayText = nullptr;
    char* m_szMobile = nullptr;
    char* m_szEmail = nullptr;
    char* m_szName = nullptr;
    CEntryID* m_p_oEntry = nullptr;
    CMessageRecipientList* m_p_mrlMembers = nullptr; // list members, or the candidates of state 2
    uint32_t m_dwOptions = kDefaultRecipientOptions;
    CRecipientPropList* m_p_oExtraProps = nullptr;
};

// A placeholder in a message text: the character with code 1 at m_iPosition stands for the token.
struct CMessageToken
{
    char* m_szName = nullptr;
    int32_t m_iPosition = 0;
};

// The character that marks a token in a message text.
constexpr char kTokenPlaceholder = '\x01';

// A SYSTEMTIME, field for field.
struct CDeliveryTime
{
    uint16_t m_wYear = 0;
    uint16_t m_wMonth = 0;
    uint16_t m_wDayOfWeek = 0;
    uint16_t m_wDay = 0;
    uint16_t m_wHour = 0;
    uint16_t m_wMinute = 0;
    uint16_t m_wSecond = 0;
    uint16_t m_wMilliseconds = 0;
};
static_assert(sizeof(CDeliveryTime) == 16, "CDeliveryTime must match SYSTEMTIME");

// One personalised SMS of a bulk job.
class CFinalSMS
{
  public:
    CFinalSMS() = default;
    CFinalSMS(const CFinalSMS&) = delete;
    CFinalSMS& operator=(const CFinalSMS&) = delete;
    virtual ~CFinalSMS();

    int32_t m_iKind = 0; // 0 for the bulk builder; reminders use other values
    char* m_szName = nullptr;
    char* m_szMobile = nullptr;
    char* m_szText = nullptr;
    char* m_szSecondText = nullptr;
    int32_t m_iWord = 0;
    CDeliveryTime m_stDeliveryTime;
    int32_t m_iSecondWord = 0;
};

// 32-bit hosts were built against these sizes (4-byte fields, a vtable pointer first).
static_assert(sizeof(void*) != 4 || sizeof(CMessageRecipient) == 44, "CMessageRecipient layout");
static_assert(sizeof(void*) != 4 || sizeof(CEntryID) == 24, "CEntryID layout");
static_assert(sizeof(void*) != 4 || sizeof(CRecipientProp) == 8, "CRecipientProp layout");
static_assert(sizeof(void*) != 4 || sizeof(CMessageRecipientList) == 32, "list layout");
static_assert(sizeof(void*) != 4 || sizeof(CMessageRecipientNode) == 16, "list node layout");
static_assert(sizeof(void*) != 4 || sizeof(CFinalSMS) == 48, "CFinalSMS layout");

extern "C"
{
    // Recipients and lists. Every export returns 1 on success; a call that cannot get memory for
    // its new object still returns 1 and leaves null in the out-parameter.
    int CORVANE_API CreateMessageRecipient(const char* p_szText, CMessageRecipient** p_pp_oRecipient);
    int CORVANE_API CreateMessageRecipientFromDetails(uint32_t p_dwState, int32_t p_iKind, const char* p_szDisplayText,
                                                      const char* p_szMobile, const char* p_szEmail,
                                                      const char* p_szName, int32_t p_iEntryKind,
                                                      uint32_t p_dwEntryByteCount, const uint8_t* p_p_bEntryBytes,
                                                      uint32_t p_dwOptions, CMessageRecipient** p_pp_oRecipient);
    int CORVANE_API CopyMessageRecipient(const CMessageRecipient* p_p_oRecipient, CMessageRecipient** p_pp_oCopy);
    int CORVANE_API DeleteMessageRecipient(CMessageRecipient** p_pp_oRecipient);
    int CORVANE_API CreateMessageRecipientList(CMessageRecipientList** p_pp_mrlList);
    int CORVANE_API DeleteMessageRecipientList(CMessageRecipientList** p_pp_mrlList);
    int CORVANE_API AddMessageRecipient(CMessageRecipientList* p_p_mrlList, CMessageRecipient* p_p_oRecipient);
    // p_iPosition equal to the count appends; a larger (or negative) one returns 0 and changes nothing.
    int CORVANE_API InsertMessageRecipientAtPos(CMessageRecipientList* p_p_mrlList, CMessageRecipient* p_p_oRecipient,
                                                int32_t p_iPosition);
    int CORVANE_API DeleteMessageRecipientAtPos(CMessageRecipientList* p_p_mrlList, int32_t p_iPosition);
    int CORVANE_API AddExtraProp(CMessageRecipient* p_p_oRecipient, const char* p_szName, const char* p_szValue);
    int CORVANE_API AddDistList(CMessageRecipient* p_p_oRecipient);

    // Final SMS of a bulk job: 1 success, 0 merge failure or no list pointer, -1 when the recipient
    // lists could not be combined. A null *p_pp_oList receives a new list; otherwise the messages
    // are appended to it.
    int CORVANE_API CreateFinalSMSs(const char* p_szMessage, const CMessageTokenList* p_p_oTokens,
                                    const CMessageRecipientList* p_p_mrlFirst,
                                    const CMessageRecipientList* p_p_mrlSecond, int32_t p_iMaxSMSCount,
                                    int p_bAllowTruncation, int p_bKeepEmptyTokens, uint32_t p_dwTransformFlags,
                                    CFinalSMSList** p_pp_oList);
    // Frees the list and sets *p_pp_oList to null; returns p_pp_oList.
    CFinalSMSList** CORVANE_API DeleteSMSList(CFinalSMSList** p_pp_oList);
}
