// Addressbook/frame/cc_phone_exports.cpp: CCPhoneStore, CCPhoneSend and CCPhoneCleanup, the SMS
// notice to the recipients' mobiles of an e-mail the user sends from Outlook. The plug-in stores
// the e-mail while Outlook writes it and sends the notice once Outlook has submitted it.
#include "Addressbook/addressbook/exmapi_internal_win.h"
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/cc_mobile.h"
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/local_sender.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/ui/message_box.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/mapi_owner_win.h"
#include "common/trace_log.h"

#include <mapitags.h>

#include <optional>
#include <string>
#include <vector>

namespace
{
// IID_IMessage, without the MAPI GUID library.
constexpr GUID kIidMessage = {0x00020307, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr unsigned kMsgCCMobileCancelledCaption = 24; // "CC Mobile Send Cancelled"
constexpr unsigned kMsgCCMobileCancelledText = 25;    // "You have chosen to exit the resolution wizard, ..."

// Recipients from the calling thread's address book: a person with the details it holds, a
// distribution list as its members.
class CAddressBookEntries final : public ICCMobileBook
{
  public:
    explicit CAddressBookEntries(CExMAPI& p_oExMapi) : m_oExMapi(p_oExMapi)
    {
    }
    bool AddEntry(const std::vector<uint8_t>& p_vEntryId, CMessageRecipientList& p_oList) override
    {
        CEntryDetails oDetails;
        if (FAILED(LOG_IF_FAILED(m_oExMapi.RetrieveDetailsForABUser(p_vEntryId, oDetails))))
            return false;
        if (oDetails.m_bDistList)
            return SUCCEEDED(LOG_IF_FAILED(m_oExMapi.AddAllRecipientsInABDistList(p_vEntryId, p_oList)));
        AppendItem(p_oList,
                   NewPersonRecipient(
                       MakeEntry(EID_TYPE_AB, static_cast<uint32_t>(p_vEntryId.size()), p_vEntryId.data(), nullptr),
                       oDetails.m_sMobile.c_str(), oDetails.m_sEmail.c_str(), oDetails.m_sName.c_str()));
        return true;
    }

  private:
    CExMAPI& m_oExMapi;
};

// Without an address book no entry can be read: every row is skipped.
class CNoEntries final : public ICCMobileBook
{
  public:
    bool AddEntry(const std::vector<uint8_t>&, CMessageRecipientList&) override
    {
        return false;
    }
};

// The library's own Check and SendSMS, owned by one window.
class CLibrarySteps final : public ICCMobileSteps
{
  public:
    explicit CLibrarySteps(HWND p_hOwner) : m_hOwner(p_hOwner)
    {
    }
    bool Check(CMessageRecipientList** p_pp_mrlFirst, CMessageRecipientList** p_pp_mrlSecond, bool& p_bExited) override
    {
        int bExited = 0;
        const int send = ::Check(m_hOwner, p_pp_mrlFirst, p_pp_mrlSecond, 0, nullptr, &bExited);
        p_bExited = bExited != 0;
        return send != 0;
    }
    bool Send(const CMessageRecipientList* p_p_mrlFirst, const CMessageRecipientList* p_p_mrlSecond,
              const std::string& p_sText, uint32_t p_dwOptions, const CDeliveryTime* p_p_stDelivery,
              const char* p_szFolderSubject) override
    {
        int iResult = 0;
        return ::SendSMS(m_hOwner, p_p_mrlFirst, p_p_mrlSecond, p_sText.c_str(), p_dwOptions, p_p_stDelivery,
                         p_szFolderSubject, &iResult) != 0;
    }
    void ShowCancelled() override
    {
        (void)ShowMessage(m_hOwner, kMsgCCMobileCancelledCaption, TableText(kMsgCCMobileCancelledText),
                          MB_OK | MB_ICONINFORMATION);
    }

  private:
    HWND m_hOwner;
};

// The e-mail's recipient table, one row at a time: entry id and recipient type.
[[nodiscard]] HRESULT ReadRecipientRows(IMessage* p_pMessage, std::vector<CCCMobileRow>& p_vRows)
{
    com_ptr<IMAPITable> pTable;
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(p_pMessage->GetRecipientTable(0, pTable.put())));
    exmapi::CTags<2> oColumns{2, {PR_ENTRYID, PR_RECIPIENT_TYPE}};
    RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(pTable->SetColumns(oColumns.get(), 0)));
    for (;;)
    {
        unique_mapi_rows pRows;
        RETURN_IF_FAILED(LOG_IF_MAPI_FAILED(pTable->QueryRows(1, 0, pRows.put())));
        if (!pRows || pRows.get()->cRows == 0)
            return S_OK;
        const SRow& oRow = pRows.get()->aRow[0];
        CCCMobileRow oTaken;
        oTaken.m_vEntryId = exmapi::BinaryProp(oRow, PR_ENTRYID).value_or(std::vector<uint8_t>());
        if (const std::optional<LONG> iType = exmapi::LongProp(oRow, PR_RECIPIENT_TYPE))
            oTaken.m_iType = *iType;
        p_vRows.push_back(std::move(oTaken));
    }
}

// PR_DEFERRED_DELIVERY_TIME as the SMS delivery time; none when the e-mail has none.
std::optional<CDeliveryTime> DeferredDelivery(IMessage* p_pMessage)
{
    unique_mapi_buffer<SPropValue> pValue;
    if (FAILED(exmapi::GetOneProp(p_pMessage, PR_DEFERRED_DELIVERY_TIME, pValue)) ||
        pValue.get()->ulPropTag != PR_DEFERRED_DELIVERY_TIME)
        return std::nullopt;
    SYSTEMTIME stTime{};
    if (!LOG_IF_WIN32_BOOL_FALSE(FileTimeToSystemTime(&pValue.get()->Value.ft, &stTime)))
        return std::nullopt;
    CDeliveryTime stDelivery;
    stDelivery.m_wYear = stTime.wYear;
    stDelivery.m_wMonth = stTime.wMonth;
    stDelivery.m_wDayOfWeek = stTime.wDayOfWeek;
    stDelivery.m_wDay = stTime.wDay;
    stDelivery.m_wHour = stTime.wHour;
    stDelivery.m_wMinute = stTime.wMinute;
    stDelivery.m_wSecond = stTime.wSecond;
    stDelivery.m_wMilliseconds = stTime.wMilliseconds;
    return stDelivery;
}

// The subject, empty when the e-mail has none; false when the message could not be asked.
[[nodiscard]] bool ReadSubject(IMessage* p_pMessage, std::string& p_sSubject)
{
    exmapi::CTags<1> oTags{1, {PR_SUBJECT_A}};
    ULONG ulCount = 0;
    unique_mapi_buffer<SPropValue> pValues;
    const HRESULT hr = p_pMessage->GetProps(oTags.get(), 0, &ulCount, pValues.put());
    if (FAILED(hr))
    {
        Log("Get subject failed with: %x", static_cast<unsigned>(hr));
        return false;
    }
    p_sSubject = exmapi::StringProp(pValues.get(), ulCount, PR_SUBJECT_A).value_or("");
    return true;
}

int StoreNotice(IUnknown* p_pMessage, const CCCMobileChoice& p_oChoice)
{
    CCCMobileNotice& oNotice = ProcessCCMobileNotice();
    oNotice.Clear();
    if (p_pMessage == nullptr)
        return 0;
    com_ptr<IMessage> pMessage;
    if (FAILED(LOG_IF_FAILED(p_pMessage->QueryInterface(kIidMessage, pMessage.put_void()))) || !pMessage)
        return 0;
    const std::optional<CDeliveryTime> oDelivery = DeferredDelivery(pMessage.get());
    std::string sSubject;
    if (!ReadSubject(pMessage.get(), sSubject))
        return 0;
    std::vector<CCCMobileRow> vRows;
    if (FAILED(ReadRecipientRows(pMessage.get(), vRows)))
        return 0;
    CLibrary& oLibrary = Library();
    CNoEntries oNoEntries;
    std::optional<CAddressBookEntries> oEntries;
    if (oLibrary.m_p_oExMapi)
        oEntries.emplace(*oLibrary.m_p_oExMapi);
    else
        LOG_FAILURE("no address book: the e-mail's recipients cannot be read");
    ICCMobileBook& oBook = oEntries ? static_cast<ICCMobileBook&>(*oEntries) : oNoEntries;
    const CLocalSender oSender = ReadLocalSender(oLibrary.m_oRegistry);
    return oNotice.Store(vRows, p_oChoice, oBook, oSender.m_sName, sSubject, oDelivery) ? 1 : 0;
}

uint32_t NoticeOptions(CRegistry& p_oRegistry)
{
    uint32_t dwNotify = 0;
    uint32_t dwSend = 0;
    std::string sSignature;
    p_oRegistry.GetNotifyDefaults(dwNotify);
    p_oRegistry.GetSendDefaults(dwSend, sSignature);
    return dwNotify | dwSend;
}
} // namespace

extern "C"
{
    int CORVANE_API CCPhoneStore(IUnknown* p_pMessage, int p_bNotifyTo, int p_bNotifyCc, int p_bNotifyBcc)
    {
        return TrapExceptions("CCPhoneStore", 0, [&]() -> int {
            Log("CCPhoneStore");
            return StoreNotice(p_pMessage, CCCMobileChoice{p_bNotifyTo != 0, p_bNotifyCc != 0, p_bNotifyBcc != 0});
        });
    }

    int CORVANE_API CCPhoneSend(HWND p_hParent)
    {
        return TrapExceptions("CCPhoneSend", 0, [&]() -> int {
            CCCMobileNotice& oNotice = ProcessCCMobileNotice();
            if (!oNotice.IsStored())
                return 1;
            CLibrary& oLibrary = Library();
            HWND hOwner = oLibrary.OwnerFor(p_hParent);
            if (hOwner == nullptr)
                hOwner = GetDesktopWindow();
            CLibrarySteps oSteps(hOwner);
            return oNotice.Send(oSteps, NoticeOptions(oLibrary.m_oRegistry));
        });
    }

    int CORVANE_API CCPhoneCleanup()
    {
        return TrapExceptions("CCPhoneCleanup", 0, [&]() -> int {
            ProcessCCMobileNotice().Clear();
            return 1;
        });
    }
}
