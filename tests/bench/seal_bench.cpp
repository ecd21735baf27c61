// tests/bench/seal_bench.cpp: how fast a 100,000-message bulk job is sealed, against the floor of
// plain zlib compress plus OpenSSL AES-256-CBC over the same bytes. Prints MB/s of both and their
// ratio (best of five runs each).
#include "Addressbook/messaging/mail_documents.h"
#include "Addressbook/protocol/aes.h"
#include "Addressbook/protocol/xml_protocol.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace
{
constexpr int kMessages = 100000;

std::string BuildBulkDocument()
{
    CMessageRecipientList* list = nullptr;
    CreateMessageRecipientList(&list);
    for (int i = 0; i < kMessages; ++i)
    {
        char mobile[32];
        char name[32];
        std::snprintf(mobile, sizeof(mobile), "+2782%07d", i);
        std::snprintf(name, sizeof(name), "Customer %d", i);
        CMessageRecipient* recipient = nullptr;
        CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, name, mobile, "", name, EID_TYPE_BULK, 0,
                                          nullptr, kDefaultRecipientOptions, &recipient);
        AddMessageRecipient(list, recipient);
    }
    const std::string text = "Dear customer, your order is ready for collection at our store on Main Road. "
                             "Bring this SMS and your ID.";
    CFinalSMSList* final = nullptr;
    CreateFinalSMSs(text.c_str(), nullptr, list, nullptr, 3, 0, 1, 0, &final);
    int32_t options = 0x0A00;
    const std::string document = GetSMSBulkMessageEncBodyPlain(CLocalSender{"Shop", "shop@example.org", "+27825551234"},
                                                               "Shop", final, text, nullptr, options);
    DeleteSMSList(&final);
    DeleteMessageRecipientList(&list);
    return document;
}

double BestSeconds(const std::function<void()>& p_fnRun)
{
    double best = 1e9;
    for (int i = 0; i < 5; ++i)
    {
        const auto start = std::chrono::steady_clock::now();
        p_fnRun();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = seconds < best ? seconds : best;
    }
    return best;
}
} // namespace

int main()
{
    const std::string document = BuildBulkDocument();
    const double megabytes = static_cast<double>(document.size()) / 1e6;

    CAES key(256);
    if (!key.GenerateRandomKey())
        return 1;
    std::string envelope;
    const double seal = BestSeconds([&] {
        CXMLProtocol xml;
        if (!xml.CreateProtocolSMSSend("shop@example.org", CPlatformInfo(), CLanguageInfo(), CSystemTime(), document,
                                       key, 1, envelope))
            std::abort();
    });

    unsigned char rawKey[32] = {1, 2, 3};
    unsigned char iv[16] = {};
    std::vector<unsigned char> compressed(compressBound(document.size()));
    std::vector<unsigned char> cipher(compressed.size() + 32);
    const double floor = BestSeconds([&] {
        uLongf length = static_cast<uLongf>(compressed.size());
        compress(compressed.data(), &length, reinterpret_cast<const Bytef*>(document.data()), document.size());
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        int out = 0;
        int last = 0;
        EVP_EncryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, rawKey, iv);
        EVP_EncryptUpdate(ctx, cipher.data(), &out, compressed.data(), static_cast<int>(length));
        EVP_EncryptFinal_ex(ctx, cipher.data() + out, &last);
        EVP_CIPHER_CTX_free(ctx);
    });

    std::printf("bulk document: %d messages, %.1f MB, envelope %.1f MB\n", kMessages, megabytes,
                static_cast<double>(envelope.size()) / 1e6);
    std::printf("seal (CreateProtocolSMSSend):   %8.1f MB/s  (%.3f s)\n", megabytes / seal, seal);
    std::printf("zlib compress + AES-256-CBC:    %8.1f MB/s  (%.3f s)\n", megabytes / floor, floor);
    std::printf("ratio seal / floor:             %8.2f  (goal >= 0.5)\n", floor / seal);
    return 0;
}
