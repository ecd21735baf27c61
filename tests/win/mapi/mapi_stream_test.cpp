// tests/win/mapi/mapi_stream_test.cpp: streams: body and compressed RTF properties, and the
// stream on a file.
#include "tests/win/mapi/mapi_test_support.h"

using namespace mapitest;

TEST_F(CMapiContract, body_and_compressed_rtf_streams)
{
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    CRelease<IMessage> msg;
    ASSERT_EQ(inbox->CreateMessage(nullptr, 0, &msg), S_OK);
    {
        CRelease<IStream> body;
        ASSERT_EQ(msg->OpenProperty(PR_BODY_A, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                    reinterpret_cast<LPUNKNOWN*>(&body)),
                  S_OK);
        ASSERT_EQ(body->Write("Plain text", 10, nullptr), S_OK);
        ASSERT_EQ(body->Commit(0), S_OK);
    }
    LPSPropValue v = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(msg, PR_BODY_A, &v), S_OK);
    EXPECT_STREQ(v->Value.lpszA, "Plain text");
    g_mapi.m_pfnFree(v);
    const char rtf[] = "{\\rtf1\\ansi Hello}";
    {
        CRelease<IStream> compressed, raw;
        ASSERT_EQ(msg->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                    reinterpret_cast<LPUNKNOWN*>(&compressed)),
                  S_OK);
        ASSERT_EQ(g_mapi.m_pfnWrapRtf(compressed, MAPI_MODIFY, &raw), S_OK);
        ASSERT_EQ(raw->Write(rtf, sizeof rtf - 1, nullptr), S_OK);
        ASSERT_EQ(raw->Commit(0), S_OK);
    }
    CRelease<IStream> compressed, raw;
    ASSERT_EQ(msg->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(&compressed)),
              S_OK);
    ASSERT_EQ(g_mapi.m_pfnWrapRtf(compressed, 0, &raw), S_OK);
    char buf[64] = {};
    ULONG read = 0;
    ASSERT_EQ(raw->Read(buf, sizeof buf - 1, &read), S_OK);
    EXPECT_EQ(std::string(buf, read), rtf);
    // Without MAPI_CREATE a missing property cannot be opened.
    CRelease<IStream> none;
    EXPECT_EQ(msg->OpenProperty(PROP_TAG(PT_BINARY, 0x1013), &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(&none)),
              MAPI_E_NOT_FOUND);
}

TEST_F(CMapiContract, stream_on_file_creates_writes_and_reads)
{
    std::string path = g_sTemp + "\\stream.bin";
    DeleteFileA(path.c_str());
    CRelease<IStream> none;
    EXPECT_EQ(g_mapi.m_pfnOpenStream(MAPIAllocateBuffer_Test, MAPIFreeBuffer_Test, STGM_READ,
                                     reinterpret_cast<LPTSTR>(path.data()), nullptr, &none),
              MAPI_E_NOT_FOUND);
    {
        CRelease<IStream> out;
        ASSERT_EQ(g_mapi.m_pfnOpenStream(MAPIAllocateBuffer_Test, MAPIFreeBuffer_Test, STGM_CREATE | STGM_READWRITE,
                                         reinterpret_cast<LPTSTR>(path.data()), nullptr, &out),
                  S_OK);
        ASSERT_EQ(out->Write("attachment bytes", 16, nullptr), S_OK);
        ASSERT_EQ(out->Commit(0), S_OK);
    }
    CRelease<IStream> in;
    ASSERT_EQ(g_mapi.m_pfnOpenStream(MAPIAllocateBuffer_Test, MAPIFreeBuffer_Test, STGM_READ,
                                     reinterpret_cast<LPTSTR>(path.data()), nullptr, &in),
              S_OK);
    STATSTG st{};
    ASSERT_EQ(in->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.cbSize.QuadPart, 16u);
    char buf[32] = {};
    ULONG read = 0;
    ASSERT_EQ(in->Read(buf, sizeof buf, &read), S_OK);
    EXPECT_EQ(std::string(buf, read), "attachment bytes");
    EXPECT_NE(in->Write("x", 1, nullptr), S_OK) << "a read-only stream refuses writes";
}

TEST_F(CMapiContract, stream_on_file_reports_a_file_it_cannot_write)
{
    auto open = [](std::string& p_sPath, IStream** p_pp) {
        return g_mapi.m_pfnOpenStream(MAPIAllocateBuffer_Test, MAPIFreeBuffer_Test, STGM_CREATE | STGM_READWRITE,
                                      reinterpret_cast<LPTSTR>(p_sPath.data()), nullptr, p_pp);
    };
    // A file that cannot be made fails the call, not a later write.
    std::string missing = g_sTemp + "\\no such folder\\stream.bin";
    CRelease<IStream> none;
    EXPECT_NE(open(missing, &none), S_OK);
    // A file whose folder went away meanwhile fails the Commit that should have written it.
    const std::string dir = g_sTemp + "\\vanishing";
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string path = dir + "\\stream.bin";
    CRelease<IStream> out;
    ASSERT_EQ(open(path, &out), S_OK);
    ASSERT_EQ(out->Write("lost bytes", 10, nullptr), S_OK);
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    ASSERT_TRUE(RemoveDirectoryA(dir.c_str()));
    EXPECT_NE(out->Commit(0), S_OK);
}
