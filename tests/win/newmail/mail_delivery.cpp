// tests/win/newmail/mail_delivery.cpp: Inbox delivery and reading, notices and the pump.
#include "tests/win/newmail/mail_delivery.h"

#include "Addressbook/protocol/aes.h"
#include "common/handle_win.h"
#include "common/mapi_owner_win.h"
#include "gateway/envelope.h"

#include <mapitags.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace newmailtest
{
namespace
{
SPropValue Text(ULONG p_ulTag, const std::string& p_sText)
{
    SPropValue value{};
    value.ulPropTag = p_ulTag;
    value.Value.lpszA = const_cast<char*>(p_sText.c_str());
    return value;
}

SPropValue Binary(ULONG p_ulTag, const CBytes& p_vBytes)
{
    SPropValue value{};
    value.ulPropTag = p_ulTag;
    value.Value.bin = {static_cast<ULONG>(p_vBytes.size()), const_cast<BYTE*>(p_vBytes.data())};
    return value;
}

com_ptr<IMAPIFolder> OpenInbox(IMsgStore* p_pStore, const CBytes& p_vInbox)
{
    com_ptr<IMAPIFolder> inbox;
    ULONG type = 0;
    CBytes id = p_vInbox;
    EXPECT_EQ(p_pStore->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<ENTRYID*>(id.data()), nullptr,
                                  MAPI_MODIFY, &type, reinterpret_cast<IUnknown**>(inbox.put())),
              S_OK);
    return inbox;
}

void AddAttachment(IMessage* p_pMessage, const CBytes& p_vBytes)
{
    com_ptr<IAttach> attach;
    ULONG number = 0;
    ASSERT_EQ(p_pMessage->CreateAttach(nullptr, 0, &number, attach.put()), S_OK);
    SPropValue props[3] = {};
    props[0].ulPropTag = PR_ATTACH_METHOD;
    props[0].Value.l = ATTACH_BY_VALUE;
    props[1] = Text(PR_ATTACH_LONG_FILENAME_A, "resource.dll");
    props[2] = Binary(PR_ATTACH_DATA_BIN, p_vBytes);
    ASSERT_EQ(attach->SetProps(3, props, nullptr), S_OK);
    ASSERT_EQ(attach->SaveChanges(0), S_OK);
}
} // namespace

CBytes InboxIdOf(IMsgStore* p_pStore)
{
    ULONG cb = 0;
    unique_mapi_buffer<ENTRYID> id;
    EXPECT_EQ(p_pStore->GetReceiveFolder(nullptr, 0, &cb, id.put(), nullptr), S_OK);
    const auto* bytes = reinterpret_cast<const uint8_t*>(id.get());
    return bytes == nullptr ? CBytes() : CBytes(bytes, bytes + cb);
}

CBytes DeliverTo(IMsgStore* p_pStore, const CBytes& p_vInbox, const CIncomingMail& p_oMail)
{
    com_ptr<IMAPIFolder> inbox = OpenInbox(p_pStore, p_vInbox);
    com_ptr<IMessage> message;
    if (!inbox || FAILED(inbox->CreateMessage(nullptr, 0, message.put())))
    {
        ADD_FAILURE() << "CreateMessage failed";
        return {};
    }
    std::vector<SPropValue> props = {Text(PR_MESSAGE_CLASS_A, "IPM.Note"), Text(PR_SUBJECT_A, p_oMail.m_sSubject),
                                     Text(PR_SENDER_EMAIL_ADDRESS_A, p_oMail.m_sSenderAddress),
                                     Text(PR_SENDER_ADDRTYPE_A, p_oMail.m_sSenderType),
                                     Text(PR_BODY_A, p_oMail.m_sBody)};
    if (!p_oMail.m_vSenderEntryId.empty())
        props.push_back(Binary(PR_SENDER_ENTRYID, p_oMail.m_vSenderEntryId));
    SPropValue flags{};
    flags.ulPropTag = PR_MESSAGE_FLAGS;
    flags.Value.l = static_cast<LONG>(p_oMail.m_ulFlags);
    props.push_back(flags);
    if (p_oMail.m_bDelivered)
    {
        SPropValue delivered{};
        delivered.ulPropTag = PR_MESSAGE_DELIVERY_TIME;
        GetSystemTimeAsFileTime(&delivered.Value.ft);
        props.push_back(delivered);
    }
    EXPECT_EQ(message->SetProps(static_cast<ULONG>(props.size()), props.data(), nullptr), S_OK);
    if (p_oMail.m_vAttachment)
        AddAttachment(message.get(), *p_oMail.m_vAttachment);
    EXPECT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    unique_mapi_buffer<SPropValue> entry;
    ULONG count = 0;
    SizedSPropTagArray(1, tags) = {1, {PR_ENTRYID}};
    EXPECT_EQ(message->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, entry.put()), S_OK);
    if (!entry || entry.get()->ulPropTag != PR_ENTRYID)
        return {};
    const SBinary& bin = entry.get()->Value.bin;
    return CBytes(bin.lpb, bin.lpb + bin.cb);
}

std::vector<std::string> SubjectsIn(IMsgStore* p_pStore, const CBytes& p_vInbox)
{
    std::vector<std::string> subjects;
    com_ptr<IMAPIFolder> inbox = OpenInbox(p_pStore, p_vInbox);
    com_ptr<IMAPITable> table;
    if (!inbox || FAILED(inbox->GetContentsTable(0, table.put())))
        return subjects;
    SizedSPropTagArray(1, tags) = {1, {PR_SUBJECT_A}};
    EXPECT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&tags), 0), S_OK);
    for (;;)
    {
        unique_mapi_rows rows;
        if (FAILED(table->QueryRows(50, 0, rows.put())) || !rows || rows.get()->cRows == 0)
            return subjects;
        for (ULONG i = 0; i < rows.get()->cRows; ++i)
            if (rows.get()->aRow[i].lpProps[0].ulPropTag == PR_SUBJECT_A)
                subjects.push_back(rows.get()->aRow[i].lpProps[0].Value.lpszA);
    }
}

bool PumpUntil(const std::function<bool()>& p_fnDone, DWORD p_dwMilliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + p_dwMilliseconds;
    while (!p_fnDone())
    {
        if (GetTickCount64() > deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

std::string NewKeyText()
{
    CAES key;
    std::string text;
    EXPECT_TRUE(key.GenerateRandomKey());
    EXPECT_TRUE(key.WriteKeyXML(text));
    return text;
}

std::string NoticeBody(const std::string& p_sKeyText, const CBytes& p_vAttachment)
{
    CAES key;
    EXPECT_TRUE(key.ReadKeyXML(p_sKeyText));
    std::string document;
    std::string error;
    EXPECT_TRUE(BuildUpgradeDocument(p_vAttachment, key, document, error)) << error;
    return document + "\r\n";
}

CBytes Bytes(const std::string& p_sText)
{
    return CBytes(p_sText.begin(), p_sText.end());
}

CBytes ReadBytes(const std::string& p_sPath)
{
    std::ifstream file(p_sPath, std::ios::binary);
    return CBytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
} // namespace newmailtest
