// Addressbook/import/import_columns.cpp: column types and names of imported files.
#include "Addressbook/import/import_columns.h"

#include "Addressbook/messaging/ansi_text.h"

#include <algorithm>
#include <array>

namespace
{
struct CTypePrefixes
{
    int m_iType;
    std::vector<std::string_view> m_vPrefixes;
};

const std::vector<CTypePrefixes>& TypePrefixes()
{
    static const std::vector<CTypePrefixes> s_vTable = {
        {kColumnMobile,
         {"MOBILE", "MOBILE NO", "MOBILE NUMBER", "MOBILE PHONE", "CELL", "CELL NO", "CELL NUMBER", "CELL PHONE",
          "CELLULAR", "CELLULAR NO", "CELLULAR NUMBER", "CELLULAR PHONE"}},
        {kColumnAddress, {"ADDRESS"}},
        {kColumnAmount, {"AMOUNT"}},
        {kColumnDate, {"DATE"}},
        {kColumnName, {"NAME", "DISPLAYNAME", "DISPLAY NAME"}},
        {kColumnFirstName, {"FIRSTNAME", "FIRST NAME"}},
        {kColumnLastName, {"LASTNAME", "LAST NAME", "SURNAME"}},
        {kColumnTitle, {"TITLE"}},
        {kColumnEmail, {"EMAIL", "E-MAIL"}},
    };
    return s_vTable;
}
} // namespace

std::string TrimCellPadding(std::string_view p_sCell)
{
    const size_t nFirst = p_sCell.find_first_not_of(" \t");
    if (nFirst == std::string_view::npos)
        return std::string();
    const size_t nLast = p_sCell.find_last_not_of(" \t");
    return std::string(p_sCell.substr(nFirst, nLast - nFirst + 1));
}

int RecogniseColumnType(std::string_view p_sHeader)
{
    const std::string sUpper = AnsiUpperCase(p_sHeader);
    for (const auto& oRow : TypePrefixes())
        for (std::string_view sPrefix : oRow.m_vPrefixes)
            if (std::string_view(sUpper).substr(0, sPrefix.size()) == sPrefix)
                return oRow.m_iType;
    return kColumnCustom;
}

const char* StandardColumnName(int p_iType)
{
    static constexpr std::array<const char*, kColumnTypeCount> s_aNames = {
        "", "Mobile", "Address", "Amount", "Date", "Name", "First Name", "Last Name", "Title", "E-mail"};
    return p_iType >= 0 && p_iType < kColumnTypeCount ? s_aNames[p_iType] : "";
}

std::string ColumnLetterName(size_t p_nColumn)
{
    // Base 26 with "A" as the zero digit and leading zeros left out.
    std::string sName(1, static_cast<char>('A' + p_nColumn % 26));
    for (size_t n = p_nColumn / 26; n != 0; n /= 26)
        sName.insert(sName.begin(), static_cast<char>('A' + n % 26));
    return sName;
}

std::vector<CImportColumn> MakeImportColumns(const std::vector<std::string>& p_vHeader, bool p_bHasHeader,
                                             size_t p_nColumnCount)
{
    std::vector<CImportColumn> vColumns(std::max(p_nColumnCount, p_bHasHeader ? p_vHeader.size() : 0));
    std::array<bool, kColumnTypeCount> aTaken{};
    for (size_t i = 0; i < vColumns.size(); ++i)
    {
        auto& oColumn = vColumns[i];
        if (!p_bHasHeader || i >= p_vHeader.size())
        {
            oColumn.m_sName = ColumnLetterName(i);
            continue;
        }
        // Headers are often written "Mobile, Name": the padding is no part of the name. A blank
        // header cell would make a token nobody can name.
        const std::string sHeader = TrimCellPadding(p_vHeader[i]);
        oColumn.m_sName = sHeader.empty() ? ColumnLetterName(i) : sHeader;
        const int iType = RecogniseColumnType(sHeader);
        if (iType != kColumnCustom && !aTaken[iType])
        {
            aTaken[iType] = true;
            oColumn.m_iType = iType;
            oColumn.m_sName = StandardColumnName(iType);
        }
    }
    return vColumns;
}

void SetColumnType(CImportColumn& p_oColumn, int p_iType, const std::string& p_sOwnName)
{
    p_oColumn.m_iType = p_iType >= 0 && p_iType < kColumnTypeCount ? p_iType : kColumnCustom;
    p_oColumn.m_sName = p_oColumn.m_iType == kColumnCustom ? p_sOwnName : StandardColumnName(p_oColumn.m_iType);
}
