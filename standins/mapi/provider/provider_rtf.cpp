// standins/mapi/provider/provider_rtf.cpp: WrapCompressedRTFStream (the compressed RTF of
// PR_RTF_COMPRESSED read and written as plain RTF) and RTFSync (PR_BODY and the RTF kept in step).
#include "standins/mapi/provider/provider.h"
#include "standins/mapi/store/compressed_rtf.h"
#include "standins/mapi/store/rtf_text.h"

namespace mapiprov
{
namespace
{
constexpr size_t kReadLimit = 64u << 20;

// Reads a stream from its current position to its end (at most kReadLimit bytes).
HRESULT ReadAll(IStream* p_pStream, ms::CBytes& p_out)
{
    BYTE chunk[8192];
    for (;;)
    {
        ULONG read = 0;
        RETURN_IF_FAILED(p_pStream->Read(chunk, sizeof chunk, &read));
        if (read == 0)
            return S_OK;
        if (p_out.size() + read > kReadLimit)
            return MAPI_E_NOT_ENOUGH_MEMORY;
        p_out.insert(p_out.end(), chunk, chunk + read);
    }
}

HRESULT DecodeRtf(const ms::CBytes& p_in, std::string& p_out)
{
    const ms::ERtfDecode result = ms::DecompressRtf(p_in.data(), p_in.size(), p_out, kReadLimit);
    if (result == ms::ERtfDecode::Ok)
        return S_OK;
    LOG_FAILURE("the compressed RTF does not decode (%d)", static_cast<int>(result));
    return MAPI_E_CORRUPT_DATA;
}

// The message's compressed RTF, decoded; MAPI_E_NOT_FOUND when it has none.
HRESULT ReadMessageRtf(IMessage* p_pMsg, std::string& p_out)
{
    com_ptr<IStream> stream;
    const HRESULT hr =
        p_pMsg->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(stream.put()));
    if (FAILED(hr))
        return hr;
    ms::CBytes raw;
    RETURN_IF_FAILED(ReadAll(stream.get(), raw));
    return DecodeRtf(raw, p_out);
}

HRESULT ReadMessageBody(IMessage* p_pMsg, std::string& p_out, bool& p_bFound)
{
    SizedSPropTagArray(1, tags) = {1, {PR_BODY_W}};
    ULONG count = 0;
    unique_own_buffer<SPropValue> v;
    RETURN_IF_FAILED(p_pMsg->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, v.put()));
    p_bFound = count == 1 && v.get()->ulPropTag == PR_BODY_W;
    p_out = p_bFound ? Utf8FromWide(v.get()->Value.lpszW) : std::string();
    return S_OK;
}

HRESULT SetInSync(IMessage* p_pMsg, std::vector<SPropValue> p_props)
{
    SPropValue inSync{};
    inSync.ulPropTag = PR_RTF_IN_SYNC;
    inSync.Value.b = TRUE;
    p_props.push_back(inSync);
    return LOG_IF_FAILED(p_pMsg->SetProps(static_cast<ULONG>(p_props.size()), p_props.data(), nullptr));
}

// The RTF changed: PR_BODY becomes its text.
HRESULT SyncBodyFromRtf(IMessage* p_pMsg, BOOL* p_pfUpdated)
{
    std::string rtf, body;
    bool bHasBody = false;
    RETURN_IF_FAILED(ReadMessageRtf(p_pMsg, rtf));
    RETURN_IF_FAILED(ReadMessageBody(p_pMsg, body, bHasBody));
    const std::string text = ms::RtfToText(rtf);
    std::vector<SPropValue> props;
    std::wstring wide = WideFromUtf8(text);
    if (!bHasBody || body != text)
    {
        SPropValue v{};
        v.ulPropTag = PR_BODY_W;
        v.Value.lpszW = wide.data();
        props.push_back(v);
    }
    RETURN_IF_FAILED(SetInSync(p_pMsg, std::move(props)));
    *p_pfUpdated = TRUE;
    return S_OK;
}

// The body changed: the RTF becomes a document holding its text.
HRESULT SyncRtfFromBody(IMessage* p_pMsg, BOOL* p_pfUpdated)
{
    std::string body;
    bool bHasBody = false;
    RETURN_IF_FAILED(ReadMessageBody(p_pMsg, body, bHasBody));
    if (!bHasBody)
        return S_OK; // nothing to bring the RTF in line with
    std::string rtf;
    if (SUCCEEDED(ReadMessageRtf(p_pMsg, rtf)) && ms::RtfToText(rtf) == body)
        return SetInSync(p_pMsg, {}); // the RTF already says it; keep its formatting
    ms::CBytes compressed = ms::CompressRtf(ms::TextToRtf(body));
    SPropValue v{};
    v.ulPropTag = PR_RTF_COMPRESSED;
    v.Value.bin.cb = static_cast<ULONG>(compressed.size());
    v.Value.bin.lpb = compressed.data();
    RETURN_IF_FAILED(SetInSync(p_pMsg, {v}));
    *p_pfUpdated = TRUE;
    return S_OK;
}
} // namespace
} // namespace mapiprov

using namespace mapiprov;

// Reading decodes either form at once (a damaged one fails here, MAPI_E_CORRUPT_DATA); with
// MAPI_MODIFY the RTF written is compressed into the wrapped stream at Commit, stored as it is
// ("MELA") with STORE_UNCOMPRESSED_RTF.
extern "C" HRESULT WINAPI WrapCompressedRTFStream(LPSTREAM lpCompressedRTFStream, ULONG ulFlags,
                                                  LPSTREAM* lpUncompressedRTFStream)
{
    return TrapExceptions("WrapCompressedRTFStream", static_cast<HRESULT>(MAPI_E_CALL_FAILED), [&]() -> HRESULT {
        if (!lpCompressedRTFStream || !lpUncompressedRTFStream)
            return MAPI_E_INVALID_PARAMETER;
        *lpUncompressedRTFStream = nullptr;
        IStream* inner = lpCompressedRTFStream;
        if (ulFlags & MAPI_MODIFY)
        {
            const bool bUncompressed = (ulFlags & STORE_UNCOMPRESSED_RTF) != 0;
            return NewMemoryStream(
                {},
                [inner, bUncompressed](const ms::CBytes& p_raw) -> HRESULT {
                    const ms::CBytes out = ms::CompressRtf(std::string(p_raw.begin(), p_raw.end()), bUncompressed);
                    LARGE_INTEGER zero{};
                    ULARGE_INTEGER size{};
                    size.QuadPart = out.size();
                    RETURN_IF_FAILED(inner->Seek(zero, STREAM_SEEK_SET, nullptr));
                    RETURN_IF_FAILED(inner->SetSize(size));
                    RETURN_IF_FAILED(inner->Write(out.data(), static_cast<ULONG>(out.size()), nullptr));
                    return LOG_IF_FAILED(inner->Commit(0));
                },
                com_ptr<IUnknown>::copy_from(inner), lpUncompressedRTFStream);
        }
        ms::CBytes in;
        RETURN_IF_FAILED(ReadAll(inner, in));
        std::string out;
        RETURN_IF_FAILED(DecodeRtf(in, out));
        return NewMemoryStream(ms::CBytes(out.begin(), out.end()), {}, {}, lpUncompressedRTFStream);
    });
}

// RTF_SYNC_RTF_CHANGED makes PR_BODY the RTF's text; RTF_SYNC_BODY_CHANGED makes the RTF a document
// of the body (when both changed, the RTF wins). PR_RTF_IN_SYNC is set; the caller saves.
extern "C" HRESULT WINAPI RTFSync(LPMESSAGE lpMessage, ULONG ulFlags, WINBOOL* lpfMessageUpdated)
{
    return TrapExceptions("RTFSync", static_cast<HRESULT>(MAPI_E_CALL_FAILED), [&]() -> HRESULT {
        if (!lpMessage || !lpfMessageUpdated)
            return MAPI_E_INVALID_PARAMETER;
        *lpfMessageUpdated = FALSE;
        if (ulFlags & RTF_SYNC_RTF_CHANGED)
            return SyncBodyFromRtf(lpMessage, lpfMessageUpdated);
        if (ulFlags & RTF_SYNC_BODY_CHANGED)
            return SyncRtfFromBody(lpMessage, lpfMessageUpdated);
        return S_OK;
    });
}

namespace mapiprov
{
std::string TextOfRtf(const ms::CBytes& p_compressed)
{
    std::string rtf;
    return SUCCEEDED(DecodeRtf(p_compressed, rtf)) ? ms::RtfToText(rtf) : std::string();
}
} // namespace mapiprov
