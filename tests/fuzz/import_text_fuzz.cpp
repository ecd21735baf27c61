// tests/fuzz/import_text_fuzz.cpp: imported file text through the line reader, the delimited and
// fixed-width splitters and the member builder, and the same bytes as an abbreviation dictionary.
#include "Addressbook/compress/compress_dictionary.h"
#include "Addressbook/import/import_members.h"
#include "Addressbook/import/import_reader.h"
#include "Addressbook/import/import_split.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    if (p_nSize < 2)
        return 0;
    // The first two bytes choose the options, the rest is the file.
    CDelimitedOptions oOptions;
    oOptions.m_sDelimiters = p_pData[0] & 1 ? ",;\t " : ",";
    oOptions.m_cQualifier = p_pData[0] & 2 ? '\0' : static_cast<char>(p_pData[1]);
    oOptions.m_bMultipleAsOne = (p_pData[0] & 4) != 0;
    const std::string_view sText(reinterpret_cast<const char*>(p_pData + 2), p_nSize - 2);

    const std::vector<std::string> vLines = SplitImportLines(sText);
    const std::vector<size_t> vBreaks = ProposeFixedBreaks(vLines);
    size_t nLast = 0;
    for (size_t nBreak : vBreaks)
    {
        if (nBreak <= nLast)
            __builtin_trap();
        nLast = nBreak;
    }
    CBulkListBuilder oBuilder(
        "fuzz.csv",
        MakeImportColumns(vLines.empty() ? std::vector<std::string>() : SplitDelimited(vLines[0], oOptions), true, 3));
    for (const auto& sLine : vLines)
    {
        const auto vCells = SplitDelimited(sLine, oOptions);
        size_t nChars = 0;
        for (const auto& sCell : vCells)
            nChars += sCell.size();
        if (nChars > sLine.size())
            __builtin_trap();
        (void)oBuilder.AddRow(vCells);
        (void)oBuilder.AddRow(SplitFixedWidth(sLine, vBreaks));
    }
    RecipientPtr oList = oBuilder.Finish();

    const auto vEntries = ParseDictionary(sText);
    for (size_t i = 1; i < vEntries.size(); ++i)
        if (vEntries[i].m_sWord < vEntries[i - 1].m_sWord)
            __builtin_trap();
    for (const auto& oEntry : vEntries)
        if (FindDictionaryWord(vEntries, oEntry.m_sWord) == nullptr)
            __builtin_trap();
    (void)AbbreviateWords(sText, vEntries);
    return 0;
}
