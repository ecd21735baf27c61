// Addressbook/compress/compress_dictionary.cpp: reading the abbreviation dictionary and applying it.
#include "Addressbook/compress/compress_dictionary.h"

#include "Addressbook/import/import_reader.h"
#include "Addressbook/messaging/ansi_text.h"

#include "common/trace_log.h"

#include <algorithm>
#include <cstdio>

std::vector<CDictionaryEntry> ParseDictionary(std::string_view p_sText)
{
    std::vector<CDictionaryEntry> vEntries;
    for (const std::string& sLine : SplitImportLines(p_sText))
    {
        if (sLine.compare(0, 2, "//") == 0)
            continue;
        const size_t nGap = sLine.find_first_of(" \t");
        if (nGap == std::string::npos || nGap == 0)
            continue;
        const size_t nReplacement = sLine.find_first_not_of(" \t", nGap);
        if (nReplacement == std::string::npos)
            continue;
        vEntries.push_back({sLine.substr(0, nGap), sLine.substr(nReplacement)});
    }
    std::stable_sort(vEntries.begin(), vEntries.end(), [](const CDictionaryEntry& a, const CDictionaryEntry& b) {
        return std::string_view(a.m_sWord) < std::string_view(b.m_sWord);
    });
    return vEntries;
}

bool DictionaryPath(CRegistry& p_oSettings, std::string& p_sPath)
{
    return p_oSettings.ReadInstallText("DictFile", p_sPath) && !p_sPath.empty();
}

bool LoadDictionaryFile(const std::string& p_sPath, std::vector<CDictionaryEntry>& p_vEntries)
{
    p_vEntries.clear();
    std::FILE* p_oFile = std::fopen(p_sPath.c_str(), "rb");
    if (p_oFile == nullptr)
        return false;
    std::string sText;
    char aBlock[4096];
    size_t nRead;
    while ((nRead = std::fread(aBlock, 1, sizeof(aBlock), p_oFile)) > 0)
        sText.append(aBlock, nRead);
    const bool bFailed = std::ferror(p_oFile) != 0;
    std::fclose(p_oFile);
    if (bFailed)
        return false;
    p_vEntries = ParseDictionary(sText);
    return true;
}

namespace
{
bool IsAnsiLetter(char p_c)
{
    return AnsiIsUpper(p_c) || AnsiIsLower(p_c);
}
} // namespace

const CDictionaryEntry* FindDictionaryWord(const std::vector<CDictionaryEntry>& p_vEntries, std::string_view p_sWord)
{
    if (p_sWord.empty())
        return nullptr;
    const char cFirst = AnsiToUpper(p_sWord[0]);
    // Entries are in byte order, where a letter's lower-case form sorts after its upper-case one;
    // the walk may stop at the first letter beyond the later of the two.
    const auto ucLimit = static_cast<unsigned char>(
        std::max(static_cast<unsigned char>(cFirst), static_cast<unsigned char>(AnsiToLower(p_sWord[0]))));
    std::string sUpperWord;
    for (const auto& oEntry : p_vEntries)
    {
        const char cEntryFirst = oEntry.m_sWord[0];
        if (IsAnsiLetter(cEntryFirst) && static_cast<unsigned char>(cEntryFirst) > ucLimit)
            break;
        if (AnsiToUpper(cEntryFirst) != cFirst || oEntry.m_sWord.size() != p_sWord.size())
            continue;
        if (sUpperWord.empty())
            sUpperWord = AnsiUpperCase(p_sWord);
        if (AnsiUpperCase(oEntry.m_sWord) == sUpperWord)
            return &oEntry;
    }
    return nullptr;
}

std::string AdaptReplacementCase(std::string_view p_sWord, std::string_view p_sReplacement)
{
    const bool bHasLower = std::any_of(p_sWord.begin(), p_sWord.end(), AnsiIsLower);
    const bool bHasUpper = std::any_of(p_sWord.begin(), p_sWord.end(), AnsiIsUpper);
    std::string sOut(p_sReplacement);
    if (!bHasLower)
        return AnsiUpperCase(sOut);
    if (!bHasUpper)
    {
        for (char& c : sOut)
            c = AnsiToLower(c);
        return sOut;
    }
    if (!p_sWord.empty() && AnsiIsUpper(p_sWord[0]) && !sOut.empty())
        sOut[0] = AnsiToUpper(sOut[0]);
    return sOut;
}

std::string AbbreviateWords(std::string_view p_sText, const std::vector<CDictionaryEntry>& p_vEntries)
{
    std::string sOut;
    sOut.reserve(p_sText.size());
    size_t i = 0;
    while (i < p_sText.size())
    {
        if (IsWordSeparator(p_sText[i]))
        {
            sOut.push_back(p_sText[i++]);
            continue;
        }
        size_t nEnd = i;
        while (nEnd < p_sText.size() && !IsWordSeparator(p_sText[nEnd]))
            ++nEnd;
        const std::string_view sWord = p_sText.substr(i, nEnd - i);
        const CDictionaryEntry* p_oEntry = FindDictionaryWord(p_vEntries, sWord);
        if (p_oEntry != nullptr)
            sOut += AdaptReplacementCase(sWord, p_oEntry->m_sReplacement);
        else
            sOut.append(sWord);
        i = nEnd;
    }
    return sOut;
}

bool CDictionaryAbbreviator::Load(std::vector<CDictionaryEntry>& p_vEntries)
{
    std::string sPath;
    if (!DictionaryPath(m_oSettings, sPath))
    {
        Log("CDictionaryAbbreviator::Load: no DictFile setting");
        return false;
    }
    if (!LoadDictionaryFile(sPath, p_vEntries))
    {
        Log("CDictionaryAbbreviator::Load: cannot read the dictionary \"%s\"", sPath.c_str());
        return false;
    }
    return true;
}

bool CDictionaryAbbreviator::CanLoad()
{
    std::vector<CDictionaryEntry> vEntries;
    return Load(vEntries);
}

bool CDictionaryAbbreviator::Abbreviate(std::string& p_sText)
{
    std::vector<CDictionaryEntry> vEntries;
    if (!Load(vEntries))
        return false;
    p_sText = AbbreviateWords(p_sText, vEntries);
    return true;
}
