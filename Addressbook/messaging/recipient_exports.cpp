// Addressbook/messaging/recipient_exports.cpp: the exports through which hosts make, change and free
// recipients and recipient lists.
#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/recipient.h"
#include "common/boundary.h"
#include "common/trace_log.h"

#include <new>

namespace
{
// A host cannot tell a thrown allocation failure from any other, so a new object that cannot be
// made reaches it as a null out-parameter with success, which hosts test for.
template <class TObject, class TMake> int CreateInto(const char* p_szName, TObject** p_pp_oOut, TMake&& p_fnMake)
{
    if (p_pp_oOut == nullptr)
    {
        Log("%s: no out-parameter", p_szName);
        return 0;
    }
    *p_pp_oOut = nullptr;
    try
    {
        *p_pp_oOut = p_fnMake().release();
    }
    catch (const std::bad_alloc&)
    {
        Log("%s: out of memory", p_szName);
    }
    return 1;
}
// Until the node exists the caller keeps the recipient, so a refusal frees nothing.
int InsertRecipient(const char* p_szName, CMessageRecipientList* p_p_mrlList, CMessageRecipient* p_p_oRecipient,
                    int32_t p_iPosition)
{
    if (p_p_mrlList == nullptr || p_p_oRecipient == nullptr)
    {
        Log("%s: no list or no recipient", p_szName);
        return 0;
    }
    std::unique_ptr<CMessageRecipient> oRecipient(p_p_oRecipient);
    bool bInserted = false;
    try
    {
        bInserted = InsertItemAt(*p_p_mrlList, oRecipient, p_iPosition);
    }
    catch (const std::bad_alloc&)
    {
        Log("%s: out of memory", p_szName);
    }
    if (!bInserted)
        oRecipient.release();
    return bInserted ? 1 : 0;
}
} // namespace

extern "C"
{
    int CORVANE_API CreateMessageRecipient(const char* p_szText, CMessageRecipient** p_pp_oRecipient)
    {
        return TrapExceptions("CreateMessageRecipient", 0, [&] {
            return CreateInto("CreateMessageRecipient", p_pp_oRecipient, [&] { return NewTextRecipient(p_szText); });
        });
    }

    int CORVANE_API CreateMessageRecipientFromDetails(uint32_t p_dwState, int32_t p_iKind, const char* p_szDisplayText,
                                                      const char* p_szMobile, const char* p_szEmail,
                                                      const char* p_szName, int32_t p_iEntryKind,
                                                      uint32_t p_dwEntryByteCount, const uint8_t* p_p_bEntryBytes,
                                                      uint32_t p_dwOptions, CMessageRecipient** p_pp_oRecipient)
    {
        return TrapExceptions("CreateMessageRecipientFromDetails", 0, [&] {
            return CreateInto("CreateMessageRecipientFromDetails", p_pp_oRecipient, [&] {
                auto oRecipient = std::make_unique<CMessageRecipient>();
                oRecipient->m_dwState = p_dwState;
                oRecipient->m_iKind = p_iKind;
                oRecipient->m_dwOptions = p_dwOptions;
                oRecipient->m_szDisplayText = CopyOwnedString(p_szDisplayText).release();
                oRecipient->m_szMobile = CopyOwnedString(p_szMobile).release();
                oRecipient->m_szEmail = CopyOwnedString(p_szEmail).release();
                oRecipient->m_szName = CopyOwnedString(p_szName).release();
                oRecipient->m_p_oEntry =
                    MakeEntry(p_iEntryKind, p_dwEntryByteCount, p_p_bEntryBytes, AddressBookEntryAllocator()).release();
                return oRecipient;
            });
        });
    }

    int CORVANE_API CopyMessageRecipient(const CMessageRecipient* p_p_oRecipient, CMessageRecipient** p_pp_oCopy)
    {
        return TrapExceptions("CopyMessageRecipient", 0, [&] {
            if (p_p_oRecipient == nullptr)
            {
                if (p_pp_oCopy != nullptr)
                    *p_pp_oCopy = nullptr;
                Log("CopyMessageRecipient: no recipient");
                return 0;
            }
            return CreateInto("CopyMessageRecipient", p_pp_oCopy, [&] { return CopyRecipient(*p_p_oRecipient); });
        });
    }

    int CORVANE_API DeleteMessageRecipient(CMessageRecipient** p_pp_oRecipient)
    {
        return TrapExceptions("DeleteMessageRecipient", 0, [&] {
            if (p_pp_oRecipient == nullptr)
                return 0;
            delete *p_pp_oRecipient;
            *p_pp_oRecipient = nullptr;
            return 1;
        });
    }

    int CORVANE_API CreateMessageRecipientList(CMessageRecipientList** p_pp_mrlList)
    {
        return TrapExceptions("CreateMessageRecipientList", 0, [&] {
            return CreateInto("CreateMessageRecipientList", p_pp_mrlList,
                              [] { return NewList<CMessageRecipientList>(); });
        });
    }

    int CORVANE_API DeleteMessageRecipientList(CMessageRecipientList** p_pp_mrlList)
    {
        return TrapExceptions("DeleteMessageRecipientList", 0, [&] {
            if (p_pp_mrlList == nullptr)
                return 0;
            DestroyList(*p_pp_mrlList);
            *p_pp_mrlList = nullptr;
            return 1;
        });
    }

    int CORVANE_API AddMessageRecipient(CMessageRecipientList* p_p_mrlList, CMessageRecipient* p_p_oRecipient)
    {
        return TrapExceptions("AddMessageRecipient", 0, [&] {
            const int32_t iEnd = p_p_mrlList == nullptr ? 0 : static_cast<int32_t>(p_p_mrlList->m_dwCount);
            return InsertRecipient("AddMessageRecipient", p_p_mrlList, p_p_oRecipient, iEnd);
        });
    }

    int CORVANE_API InsertMessageRecipientAtPos(CMessageRecipientList* p_p_mrlList, CMessageRecipient* p_p_oRecipient,
                                                int32_t p_iPosition)
    {
        return TrapExceptions("InsertMessageRecipientAtPos", 0, [&] {
            return InsertRecipient("InsertMessageRecipientAtPos", p_p_mrlList, p_p_oRecipient, p_iPosition);
        });
    }

    int CORVANE_API DeleteMessageRecipientAtPos(CMessageRecipientList* p_p_mrlList, int32_t p_iPosition)
    {
        return TrapExceptions("DeleteMessageRecipientAtPos", 0, [&] {
            return p_p_mrlList != nullptr && DeleteItemAt(*p_p_mrlList, p_iPosition) ? 1 : 0;
        });
    }

    int CORVANE_API AddExtraProp(CMessageRecipient* p_p_oRecipient, const char* p_szName, const char* p_szValue)
    {
        return TrapExceptions("AddExtraProp", 0, [&] {
            if (p_p_oRecipient == nullptr)
                return 0;
            AddExtraProperty(*p_p_oRecipient, p_szName, p_szValue);
            return 1;
        });
    }

    int CORVANE_API AddDistList(CMessageRecipient* p_p_oRecipient)
    {
        return TrapExceptions("AddDistList", 0, [&] {
            if (p_p_oRecipient == nullptr)
                return 0;
            EnsureMembersList(*p_p_oRecipient);
            return 1;
        });
    }
}
