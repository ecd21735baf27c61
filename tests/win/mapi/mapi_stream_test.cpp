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

namespace
{
// The format's first published example: its RTF and that RTF compressed.
const char kExampleRtf[] = "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n";
const BYTE kExampleCompressed[] = {0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xf1,
                                   0xc5, 0xc7, 0xa7, 0x03, 0x00, 0x0a, 0x00, 0x72, 0x63, 0x70, 0x67, 0x31, 0x32,
                                   0x35, 0x42, 0x32, 0x0a, 0xf3, 0x20, 0x68, 0x65, 0x6c, 0x09, 0x00, 0x20, 0x62,
                                   0x77, 0x05, 0xb0, 0x6c, 0x64, 0x7d, 0x0a, 0x80, 0x0f, 0xa0};

std::vector<BYTE> Binary(IMAPIProp* p_p, ULONG p_ulTag)
{
    LPSPropValue v = nullptr;
    if (g_mapi.m_pfnGetOneProp(p_p, p_ulTag, &v) != S_OK)
        return {};
    std::vector<BYTE> out(v->Value.bin.lpb, v->Value.bin.lpb + v->Value.bin.cb);
    g_mapi.m_pfnFree(v);
    return out;
}

void SetBinary(IMAPIProp* p_p, ULONG p_ulTag, const BYTE* p_pb, size_t p_cb)
{
    SPropValue v{};
    v.ulPropTag = p_ulTag;
    v.Value.bin.cb = static_cast<ULONG>(p_cb);
    v.Value.bin.lpb = const_cast<BYTE*>(p_pb);
    ASSERT_EQ(p_p->SetProps(1, &v, nullptr), S_OK);
}

// Writes p_szRtf through WrapCompressedRTFStream with p_ulFlags.
void WriteRtf(IMessage* p_pMsg, const char* p_szRtf, ULONG p_ulFlags)
{
    CRelease<IStream> compressed, raw;
    ASSERT_EQ(p_pMsg->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                   reinterpret_cast<LPUNKNOWN*>(&compressed)),
              S_OK);
    ASSERT_EQ(g_mapi.m_pfnWrapRtf(compressed, p_ulFlags, &raw), S_OK);
    ASSERT_EQ(raw->Write(p_szRtf, static_cast<ULONG>(strlen(p_szRtf)), nullptr), S_OK);
    ASSERT_EQ(raw->Commit(0), S_OK);
}

// Reads the message's RTF through WrapCompressedRTFStream; the wrap's result goes to p_hr.
std::string ReadRtf(IMessage* p_pMsg, HRESULT& p_hr)
{
    CRelease<IStream> compressed, raw;
    p_hr = p_pMsg->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(&compressed));
    if (p_hr != S_OK)
        return {};
    p_hr = g_mapi.m_pfnWrapRtf(compressed, 0, &raw);
    std::string out;
    char buf[512];
    ULONG read = 0;
    while (p_hr == S_OK && raw->Read(buf, sizeof buf, &read) == S_OK && read)
        out.append(buf, read);
    return out;
}
} // namespace

TEST_F(CMapiContract, compressed_rtf_is_written_and_read_in_the_published_format)
{
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    CRelease<IMessage> msg;
    ASSERT_EQ(inbox->CreateMessage(nullptr, 0, &msg), S_OK);
    HRESULT hr = E_FAIL;

    // Compressed as the published example has it, byte for byte, and read back.
    WriteRtf(msg, kExampleRtf, MAPI_MODIFY);
    EXPECT_EQ(Binary(msg, PR_RTF_COMPRESSED),
              std::vector<BYTE>(kExampleCompressed, kExampleCompressed + sizeof kExampleCompressed));
    EXPECT_EQ(ReadRtf(msg, hr), kExampleRtf);
    EXPECT_EQ(hr, S_OK);

    // The published bytes written as a property read as their RTF.
    SetBinary(msg, PR_RTF_COMPRESSED, kExampleCompressed, sizeof kExampleCompressed);
    EXPECT_EQ(ReadRtf(msg, hr), kExampleRtf);

    // STORE_UNCOMPRESSED_RTF keeps the RTF as it is, under the uncompressed signature.
    const std::string longer = std::string("{\\rtf1 ") + std::string(3000, 'z') + "}";
    WriteRtf(msg, longer.c_str(), MAPI_MODIFY | STORE_UNCOMPRESSED_RTF);
    const std::vector<BYTE> stored = Binary(msg, PR_RTF_COMPRESSED);
    ASSERT_EQ(stored.size(), 16 + longer.size());
    EXPECT_EQ(std::string(stored.begin() + 8, stored.begin() + 12), "MELA");
    EXPECT_EQ(ReadRtf(msg, hr), longer);
    WriteRtf(msg, longer.c_str(), MAPI_MODIFY);
    EXPECT_LT(Binary(msg, PR_RTF_COMPRESSED).size(), longer.size() / 4) << "compressed by default";
    EXPECT_EQ(ReadRtf(msg, hr), longer);

    // A damaged value is refused, not read as something else.
    std::vector<BYTE> damaged(kExampleCompressed, kExampleCompressed + sizeof kExampleCompressed);
    damaged[30] ^= 0x40;
    SetBinary(msg, PR_RTF_COMPRESSED, damaged.data(), damaged.size());
    ReadRtf(msg, hr);
    EXPECT_EQ(hr, MAPI_E_CORRUPT_DATA);
}

TEST_F(CMapiContract, rtf_sync_brings_body_and_rtf_in_step)
{
    using RtfSyncFn = HRESULT(WINAPI*)(LPMESSAGE, ULONG, BOOL*);
    const auto sync = reinterpret_cast<RtfSyncFn>(GetProcAddress(g_mapi.m_hLib, "RTFSync"));
    ASSERT_NE(sync, nullptr);
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    CRelease<IMessage> msg;
    ASSERT_EQ(inbox->CreateMessage(nullptr, 0, &msg), S_OK);
    BOOL updated = FALSE;

    // The RTF changed: the body becomes its text.
    WriteRtf(msg, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Stop at six\\par caf\\'e9}", MAPI_MODIFY);
    ASSERT_EQ(sync(msg, RTF_SYNC_RTF_CHANGED, &updated), S_OK);
    EXPECT_TRUE(updated);
    LPSPropValue v = nullptr;
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(msg, PR_BODY_W, &v), S_OK);
    EXPECT_STREQ(v->Value.lpszW, L"Stop at six\r\ncaf\x00e9");
    g_mapi.m_pfnFree(v);
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(msg, PR_RTF_IN_SYNC, &v), S_OK);
    EXPECT_TRUE(v->Value.b);
    g_mapi.m_pfnFree(v);

    // The body changed: the RTF becomes a document of it, which reads back as the body.
    SetText(msg, PR_BODY_A, "New {text}\r\nsecond line");
    ASSERT_EQ(sync(msg, RTF_SYNC_BODY_CHANGED, &updated), S_OK);
    EXPECT_TRUE(updated);
    HRESULT hr = E_FAIL;
    const std::string rtf = ReadRtf(msg, hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_NE(rtf.find("New \\{text\\}\\par"), std::string::npos) << rtf;
    ASSERT_EQ(sync(msg, RTF_SYNC_RTF_CHANGED, &updated), S_OK);
    ASSERT_EQ(g_mapi.m_pfnGetOneProp(msg, PR_BODY_A, &v), S_OK);
    EXPECT_STREQ(v->Value.lpszA, "New {text}\r\nsecond line");
    g_mapi.m_pfnFree(v);

    // Nothing said to have changed: nothing is touched.
    ASSERT_EQ(sync(msg, 0, &updated), S_OK);
    EXPECT_FALSE(updated);
}

TEST_F(CMapiContract, stream_on_file_unique_temporary_and_delete_on_release)
{
    // SOF_UNIQUEFILENAME makes a new file in the folder named, its name from the prefix; Stat
    // names it, and uncommitted writes are in the file once the stream is released.
    std::string dir = g_sTemp;
    char prefix[] = "BSX";
    std::wstring made;
    {
        CRelease<IStream> out;
        ASSERT_EQ(g_mapi.m_pfnOpenStream(MAPIAllocateBuffer_Test, MAPIFreeBuffer_Test,
                                         SOF_UNIQUEFILENAME | STGM_CREATE | STGM_READWRITE,
                                         reinterpret_cast<LPTSTR>(dir.data()), reinterpret_cast<LPTSTR>(prefix), &out),
                  S_OK);
        STATSTG st{};
        ASSERT_EQ(out->Stat(&st, STATFLAG_DEFAULT), S_OK);
        ASSERT_NE(st.pwcsName, nullptr);
        made = st.pwcsName;
        CoTaskMemFree(st.pwcsName);
        EXPECT_NE(made.find(L"\\BSX"), std::wstring::npos);
        ASSERT_EQ(out->Write("unique", 6, nullptr), S_OK);
    }
    unique_file file(CreateFileW(made.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    char buf[16] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file.get(), buf, sizeof buf, &read, nullptr));
    EXPECT_EQ(std::string(buf, read), "unique");
    file.reset();
    EXPECT_TRUE(DeleteFileW(made.c_str()));

    // No file name: a temporary file that goes with the stream (both flags are then required).
    CRelease<IStream> none;
    EXPECT_EQ(
        g_mapi.m_pfnOpenStream(MAPIAllocateBuffer_Test, MAPIFreeBuffer_Test, STGM_READWRITE, nullptr, nullptr, &none),
        MAPI_E_INVALID_PARAMETER);
    {
        CRelease<IStream> temp;
        ASSERT_EQ(g_mapi.m_pfnOpenStream(MAPIAllocateBuffer_Test, MAPIFreeBuffer_Test,
                                         STGM_CREATE | STGM_READWRITE | STGM_DELETEONRELEASE, nullptr, nullptr, &temp),
                  S_OK);
        STATSTG st{};
        ASSERT_EQ(temp->Stat(&st, STATFLAG_DEFAULT), S_OK);
        made = st.pwcsName;
        CoTaskMemFree(st.pwcsName);
        EXPECT_NE(made.find(L"\\SOF"), std::wstring::npos);
        EXPECT_NE(GetFileAttributesW(made.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_EQ(GetFileAttributesW(made.c_str()), INVALID_FILE_ATTRIBUTES) << "deleted on release";
}
