// gateway/gateway_main.cpp: brevolt-gateway, the other end of the protocol, for tests and tools.
//   keygen [--bits 128|192|256]                       a new account key text
//   seal --key FILE --sender-email ADDR [--no-compress] < MAIL document      an SMS SEND envelope
//   decode --key FILE [--maildir DIR | FILE...]       one JSON line per SMS or notice (stdin when no file)
//   upgrade --key FILE --attachment FILE [--subject TEXT]                    an upgrade notice mail
#include "Addressbook/protocol/aes.h"
#include "Addressbook/protocol/xml_protocol.h"
#include "gateway/gateway_commands.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace
{
int Usage()
{
    std::fprintf(stderr, "usage: brevolt-gateway keygen [--bits 128|192|256]\n"
                         "       brevolt-gateway seal --key FILE --sender-email ADDR [--no-compress] < mail-document\n"
                         "       brevolt-gateway decode --key FILE [--maildir DIR | FILE...]\n"
                         "       brevolt-gateway upgrade --key FILE --attachment FILE [--subject TEXT]\n");
    return 2;
}

struct COptions
{
    std::string m_sKeyFile;
    std::string m_sSenderEmail;
    std::string m_sMaildir;
    std::string m_sAttachment;
    std::string m_sSubject = "Brevolt SMS upgrade";
    unsigned m_uBits = 256;
    bool m_bCompress = true;
    std::vector<std::string> m_vFiles;
};

bool ParseOptions(int argc, char** argv, COptions& p_oOptions)
{
    std::string bits;
    const std::pair<const char*, std::string*> valued[] = {
        {"--key", &p_oOptions.m_sKeyFile},     {"--sender-email", &p_oOptions.m_sSenderEmail},
        {"--maildir", &p_oOptions.m_sMaildir}, {"--attachment", &p_oOptions.m_sAttachment},
        {"--subject", &p_oOptions.m_sSubject}, {"--bits", &bits},
    };
    for (int i = 2; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--no-compress")
        {
            p_oOptions.m_bCompress = false;
            continue;
        }
        if (arg.rfind("--", 0) != 0)
        {
            p_oOptions.m_vFiles.push_back(arg);
            continue;
        }
        std::string* target = nullptr;
        for (const auto& option : valued)
            target = arg == option.first ? option.second : target;
        if (target == nullptr || i + 1 >= argc)
            return false;
        *target = argv[++i];
    }
    if (!bits.empty())
        p_oOptions.m_uBits = static_cast<unsigned>(std::strtoul(bits.c_str(), nullptr, 10));
    return p_oOptions.m_uBits == 128 || p_oOptions.m_uBits == 192 || p_oOptions.m_uBits == 256;
}

bool LoadKey(const std::string& p_sPath, CAES& p_oKey)
{
    std::string text;
    if (p_sPath.empty() || !ReadFileBytes(p_sPath, text))
    {
        std::fprintf(stderr, "brevolt-gateway: cannot read the key file '%s'\n", p_sPath.c_str());
        return false;
    }
    if (!p_oKey.ReadKeyXML(text))
    {
        std::fprintf(stderr, "brevolt-gateway: '%s' is not a key text: %s\n", p_sPath.c_str(),
                     p_oKey.Error().Text().c_str());
        return false;
    }
    return true;
}

std::string ReadStdin()
{
    std::string text;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), stdin)) > 0)
        text.append(buffer, n);
    return text;
}
} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Documents carry their own CR LF; text-mode streams would double them.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    COptions options;
    if (!ParseOptions(argc, argv, options))
        return Usage();
    std::string out;
    std::string error;

    if (command == "keygen")
    {
        if (!MakeKeyText(options.m_uBits, out, error))
        {
            std::fprintf(stderr, "brevolt-gateway: %s\n", error.c_str());
            return 1;
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }

    CAES key;
    if (!LoadKey(options.m_sKeyFile, key))
        return 1;

    if (command == "seal")
    {
        if (options.m_sSenderEmail.empty())
            return Usage();
        if (!SealMailDocument(ReadStdin(), options.m_sSenderEmail, options.m_bCompress, key, out, error))
        {
            std::fprintf(stderr, "brevolt-gateway: %s\n", error.c_str());
            return 1;
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }
    if (command == "decode")
    {
        std::vector<CGatewayInput> inputs;
        if (!options.m_sMaildir.empty())
        {
            if (!ReadMaildir(options.m_sMaildir, inputs, error))
            {
                std::fprintf(stderr, "brevolt-gateway: %s\n", error.c_str());
                return 1;
            }
        }
        for (const std::string& file : options.m_vFiles)
        {
            CGatewayInput input{file, std::string()};
            if (!ReadFileBytes(file, input.m_sText))
            {
                std::printf("%s\n", ErrorJson(file, "cannot read the file").c_str());
                return 1;
            }
            inputs.push_back(std::move(input));
        }
        if (options.m_sMaildir.empty() && options.m_vFiles.empty())
            inputs.push_back(CGatewayInput{"-", ReadStdin()});
        bool allGood = true;
        for (const CGatewayInput& input : inputs)
        {
            std::vector<std::string> lines;
            allGood = DecodeGatewayMail(input, key, lines) && allGood;
            for (const std::string& line : lines)
                std::printf("%s\n", line.c_str());
        }
        std::fflush(stdout);
        return allGood ? 0 : 1;
    }
    if (command == "upgrade")
    {
        std::string attachment;
        if (options.m_sAttachment.empty() || !ReadFileBytes(options.m_sAttachment, attachment))
        {
            std::fprintf(stderr, "brevolt-gateway: cannot read the attachment '%s'\n", options.m_sAttachment.c_str());
            return 1;
        }
        if (!MakeUpgradeMail(options.m_sAttachment, attachment, options.m_sSubject, key, out, error))
        {
            std::fprintf(stderr, "brevolt-gateway: %s\n", error.c_str());
            return 1;
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }
    return Usage();
}
