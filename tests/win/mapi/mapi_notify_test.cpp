// tests/win/mapi/mapi_notify_test.cpp: notifications and apartments: new mail from the drop
// folder reaches the thread that registered, and a session marshalled to another apartment works.
#include "tests/win/mapi/mapi_test_support.h"

#include <fstream>
#include <thread>

using namespace mapitest;

namespace
{
class CNewMailSink : public CTestSink
{
  public:
    STDMETHODIMP_(ULONG) OnNotify(ULONG p_c, LPNOTIFICATION p_pn) override
    {
        for (ULONG i = 0; i < p_c; ++i)
        {
            m_vThreads.push_back(GetCurrentThreadId());
            if (p_pn[i].ulEventType == fnevNewMail)
                m_sClass = reinterpret_cast<const char*>(p_pn[i].info.newmail.lpszMessageClass), ++m_iNewMail;
            if (p_pn[i].ulEventType == fnevObjectCreated)
                ++m_iCreated;
        }
        return 0;
    }
    int m_iNewMail = 0, m_iCreated = 0;
    std::string m_sClass;
    std::vector<DWORD> m_vThreads;
};
} // namespace

TEST_F(CMapiContract, new_mail_from_the_drop_folder_reaches_the_registering_thread)
{
    CNewMailSink sink;
    CRelease<IMAPIAdviseSink> wrapped;
    ASSERT_EQ(g_mapi.m_pfnThreadSink(&sink, &wrapped), S_OK);
    ULONG conn = 0;
    ASSERT_EQ(g_pStore->Advise(0, nullptr, fnevNewMail | fnevObjectCreated, wrapped, &conn), S_OK);
    {
        std::ofstream eml(g_sTemp + "\\drop\\incoming.eml.part", std::ios::binary);
        eml << "From: \"Gateway\" <gateway@brevolt.example>\r\nTo: user@brevolt.example\r\nSubject: Delivery "
               "report\r\n\r\nAll sent.\r\n";
    }
    DeleteFileA((g_sTemp + "\\drop\\incoming.eml").c_str());
    ASSERT_TRUE(MoveFileA((g_sTemp + "\\drop\\incoming.eml.part").c_str(), (g_sTemp + "\\drop\\incoming.eml").c_str()));
    PumpUntil([&] { return sink.m_iNewMail > 0; }, 10000);
    EXPECT_EQ(sink.m_iNewMail, 1);
    EXPECT_EQ(sink.m_iCreated, 1);
    EXPECT_EQ(sink.m_sClass, "IPM.Note");
    for (DWORD tid : sink.m_vThreads)
        EXPECT_EQ(tid, GetCurrentThreadId());
    EXPECT_EQ(GetFileAttributesA((g_sTemp + "\\drop\\incoming.eml").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the file was taken";
    ASSERT_EQ(g_pStore->Unadvise(conn), S_OK);
    wrapped.reset();
    // The mail is in the Inbox, unread, with its subject and sender.
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    CRelease<IMAPITable> t;
    ASSERT_EQ(inbox->GetContentsTable(0, &t), S_OK);
    LPSRowSet rows = nullptr;
    auto all =
        AllRows(t, {PR_SUBJECT_A, PR_SENDER_EMAIL_ADDRESS_A, PR_MESSAGE_FLAGS, PR_TRANSPORT_MESSAGE_HEADERS_A}, rows);
    bool bFound = false;
    for (auto& r : all)
        bFound = bFound || (Text(r[0]) == "Delivery report" && Text(r[1]) == "gateway@brevolt.example" &&
                            !(r[2].Value.l & MSGFLAG_READ) &&
                            Text(r[3]).find("Subject: Delivery report\r\n") != std::string::npos);
    EXPECT_TRUE(bFound);
    g_mapi.m_pfnFreeProws(rows);
}

TEST_F(CMapiContract, session_marshalled_to_another_apartment)
{
    IStream* stream = nullptr;
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IMAPISession, g_pSession, &stream), S_OK);
    HRESULT hrThread = E_FAIL;
    ULONG stores = 0;
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            CRelease<IMAPISession> session;
            hrThread = CoGetInterfaceAndReleaseStream(stream, IID_IMAPISession, reinterpret_cast<void**>(&session));
            CRelease<IMAPITable> t;
            if (SUCCEEDED(hrThread))
                hrThread = session->GetMsgStoresTable(0, &t);
            if (SUCCEEDED(hrThread))
                t->GetRowCount(0, &stores);
        }
        CoUninitialize();
    });
    // The main thread keeps pumping, as an STA host does.
    PumpUntil([&] { return false; }, 200);
    worker.join();
    EXPECT_EQ(hrThread, S_OK);
    EXPECT_EQ(stores, 2u);
}
