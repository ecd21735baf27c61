// common/file_read.cpp: whole-file reads through stdio, which both platforms share.
#include "common/file_read.h"

#include "common/unique_any.h"

#include <cstdio>

EReadFile ReadWholeFile(const std::string& p_sPath, std::string& p_sBytes, size_t p_nLimit)
{
    p_sBytes.clear();
    unique_file_ptr file(std::fopen(p_sPath.c_str(), "rb"));
    if (!file)
        return EReadFile::Missing;
    char block[16384];
    for (;;)
    {
        const size_t got = std::fread(block, 1, sizeof block, file.get());
        if (got == 0)
            break;
        if (p_sBytes.size() + got > p_nLimit)
        {
            p_sBytes.clear();
            return EReadFile::TooLarge;
        }
        p_sBytes.append(block, got);
    }
    if (std::ferror(file.get()) != 0)
    {
        p_sBytes.clear();
        return EReadFile::Failed;
    }
    return EReadFile::Read;
}
