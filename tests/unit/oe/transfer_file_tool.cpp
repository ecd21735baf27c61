// tests/unit/oe/transfer_file_tool.cpp: writes the transfer file of a job read from a file and
// prints its path, so that an independent MIME parser can read it back (transfer_file_check.py).
#include "Addressbook/oe/oe_package.h"
#include "common/file_read.h"
#include "tests/unit/oe/oe_test_support.h"

#include <cstdio>

int main(int p_iArgs, char** p_ppArgs)
{
    if (p_iArgs != 2)
    {
        std::fprintf(stderr, "usage: transfer_file_tool DOCUMENT\n");
        return 2;
    }
    CGatewayMail mail;
    if (ReadWholeFile(p_ppArgs[1], mail.m_sPlainBody) != EReadFile::Read)
        return 1;
    oetest::CRecipients to;
    to.Add("SMS Gateway", "gateway@brevolt.example").Add(nullptr, "second@brevolt.example");
    oetest::CRecipients bcc;
    bcc.Add(nullptr, "copy@brevolt.example");
    mail.m_sSenderName = "Pat Doe";
    mail.m_sSenderEmail = "pat@brevolt.example";
    mail.m_sSubject = "SMS job";
    mail.m_p_mrlTo = to.List();
    mail.m_p_mrlBcc = bcc.List();
    CEmailFileParts parts;
    std::string error;
    if (!oe::PrepareTransferMail(mail, parts, error))
        return 1;
    uint32_t number = 0;
    std::string path;
    if (!WriteEmailFile(parts, number, &path))
        return 1;
    std::printf("%s\n", path.c_str());
    return 0;
}
