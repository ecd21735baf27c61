// Addressbook/import/import_members.h: the bulk list an import produces: one member per row,
// under a distribution-list recipient named after the file.
#pragma once

#include "Addressbook/import/import_columns.h"
#include "Addressbook/import/import_split.h"
#include "Addressbook/messaging/recipient.h"

#include <string>
#include <vector>

// The display text of every imported member.
constexpr const char* kBulkMemberDisplayText = "Bulk";

// The list's name: the file name with its extension and without its directory, after a leading
// double quote and everything from the next double quote on are removed.
std::string BulkListName(const std::string& p_sPath);

class CBulkListBuilder
{
  public:
    CBulkListBuilder(const std::string& p_sPath, std::vector<CImportColumn> p_vColumns);

    // Makes the row a member unless it has neither mobile nor name; false when it was skipped.
    // Cells beyond the known columns become custom columns named by their letters.
    [[nodiscard]] bool AddRow(const std::vector<std::string>& p_vCells);
    size_t MemberCount() const
    {
        return m_mrlMembers ? m_mrlMembers->m_dwCount : 0;
    }
    // The list recipient, state 9 when every member is resolved, else 8. The builder is spent.
    RecipientPtr Finish();

  private:
    std::string m_sPath;
    std::vector<CImportColumn> m_vColumns;
    RecipientListPtr m_mrlMembers;
    bool m_bAllResolved = true;
    uint32_t m_dwOptions = 0;
};

// How a text file is cut into cells.
struct CTextImportLayout
{
    bool m_bFixedWidth = false;
    CDelimitedOptions m_oDelimited;
    std::vector<size_t> m_vBreaks;
    bool m_bHeaderRow = true;
};

std::vector<std::string> SplitImportLine(const std::string& p_sLine, const CTextImportLayout& p_oLayout);

// Reads the whole file again with the wizard's layout and columns. False when the file cannot be
// read; p_oResult is then null and nothing was made. The list is named after p_sListPath when
// given (a workbook read through a temporary text copy), else after the file read.
[[nodiscard]] bool ImportTextFile(const std::string& p_sPath, const CTextImportLayout& p_oLayout,
                                  const std::vector<CImportColumn>& p_vColumns, RecipientPtr& p_oResult,
                                  const std::string* p_p_sListPath = nullptr);
