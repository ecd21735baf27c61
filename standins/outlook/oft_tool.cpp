// standins/outlook/oft_tool.cpp: writes the SMS form templates ("oft_tool write DIR") and lists a
// template's message class and reminder flags ("oft_tool dump FILE"), for the build and for tests.
#include "common/file_read.h"
#include "standins/outlook/form_templates.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace
{
int WriteAll(const std::string& p_sFolder)
{
    for (const olstandin::CFormTemplate& form : olstandin::FormTemplates())
    {
        const auto bytes = olstandin::WriteMessageFile(olstandin::MakeFormTemplate(form));
        const std::string path = p_sFolder + "/" + form.m_pszFile;
        FILE* file = bytes ? std::fopen(path.c_str(), "wb") : nullptr;
        if (file == nullptr)
        {
            std::fprintf(stderr, "oft_tool: cannot write %s\n", path.c_str());
            return 1;
        }
        const bool written = std::fwrite(bytes->data(), 1, bytes->size(), file) == bytes->size();
        if (std::fclose(file) != 0 || !written)
        {
            std::fprintf(stderr, "oft_tool: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

int Dump(const std::string& p_sPath)
{
    std::string bytes;
    if (ReadWholeFile(p_sPath, bytes) != EReadFile::Read)
        return 1;
    const auto message = olstandin::ReadMessageFile(bytes);
    if (!message)
    {
        std::fprintf(stderr, "oft_tool: %s is not a message file\n", p_sPath.c_str());
        return 1;
    }
    std::printf("class %s\n", message->Text(olstandin::kIdMessageClass).value_or("").c_str());
    const std::pair<const char*, const char16_t*> flags[] = {{"MustSendSMSReminder", u"MustSendSMSReminder"},
                                                             {"AlsoSendToAttendees", u"AlsoSendToAttendees"}};
    for (const auto& [label, name] : flags)
    {
        const auto value = message->Bool(olstandin::PublicStringName(name));
        std::printf("%s %s\n", label, value ? (*value ? "true" : "false") : "-");
    }
    return 0;
}
} // namespace

int main(int p_nArgs, char** p_ppArgs)
{
    if (p_nArgs == 3 && std::strcmp(p_ppArgs[1], "write") == 0)
        return WriteAll(p_ppArgs[2]);
    if (p_nArgs == 3 && std::strcmp(p_ppArgs[1], "dump") == 0)
        return Dump(p_ppArgs[2]);
    std::fprintf(stderr, "usage: oft_tool write DIR | dump FILE\n");
    return 2;
}
