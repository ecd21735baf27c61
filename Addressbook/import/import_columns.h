// Addressbook/import/import_columns.h: what each column of an imported file means: its type
// (recognised from the header text or chosen in the wizard), its name and its default value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum EImportColumnType : int
{
    kColumnCustom = 0,
    kColumnMobile = 1,
    kColumnAddress = 2,
    kColumnAmount = 3,
    kColumnDate = 4,
    kColumnName = 5,
    kColumnFirstName = 6,
    kColumnLastName = 7,
    kColumnTitle = 8,
    kColumnEmail = 9,
};
constexpr int kColumnTypeCount = 10;

struct CImportColumn
{
    int m_iType = kColumnCustom;
    std::string m_sName;    // the extra property's name for types other than 1, 5, 6, 7 and 9
    std::string m_sDefault; // the value of a cell that a short row lacks
};

// A cell without the spaces and tabs around it.
std::string TrimCellPadding(std::string_view p_sCell);

// The type a header cell announces (by its upper-cased beginning), or kColumnCustom.
int RecogniseColumnType(std::string_view p_sHeader);
// "Mobile", "Address", … "E-mail"; the empty text for kColumnCustom.
const char* StandardColumnName(int p_iType);
// "A" … "Z", then "BA" … "ZZ" for columns 26 to 675; beyond that the same numbering goes on with
// a third letter ("BAA" for 676) so that every column keeps a name of its own.
std::string ColumnLetterName(size_t p_nColumn);

// The columns of an import. With a header row, each recognised type goes to the first column that
// announces it and the others stay custom under their header text; without one every column is
// custom under its letter name. p_nColumnCount may exceed the header's cells.
std::vector<CImportColumn> MakeImportColumns(const std::vector<std::string>& p_vHeader, bool p_bHasHeader,
                                             size_t p_nColumnCount);
// Gives a column the name it gets when its type changes in the wizard: the standard name of a
// recognised type, else the header text (or letter name) p_sOwnName.
void SetColumnType(CImportColumn& p_oColumn, int p_iType, const std::string& p_sOwnName);
