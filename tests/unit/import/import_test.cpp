// tests/unit/import/import_test.cpp: reading, splitting and mapping imported recipient files into
// bulk lists.
#include "Addressbook/import/import_columns.h"
#include "Addressbook/import/import_members.h"
#include "Addressbook/import/import_reader.h"
#include "Addressbook/import/import_split.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

namespace
{
using Cells = std::vector<std::string>;

class CTempFile
{
  public:
    explicit CTempFile(const std::string& p_sText, const char* p_szName = "import.csv")
        : m_sPath((std::filesystem::temp_directory_path() /
                   (std::to_string(reinterpret_cast<uintptr_t>(this)) + "_" + p_szName))
                      .string())
    {
        std::ofstream(m_sPath, std::ios::binary) << p_sText;
    }
    ~CTempFile()
    {
        std::error_code ec;
        std::filesystem::remove(m_sPath, ec);
    }
    const std::string& Path() const
    {
        return m_sPath;
    }

  private:
    std::string m_sPath;
};

std::vector<const CMessageRecipient*> Members(const CMessageRecipient& p_oList)
{
    std::vector<const CMessageRecipient*> vMembers;
    if (p_oList.m_p_mrlMembers != nullptr)
        for (auto* p_oNode = p_oList.m_p_mrlMembers->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
            vMembers.push_back(p_oNode->m_p_oItem);
    return vMembers;
}

std::map<std::string, std::string> Extras(const CMessageRecipient& p_oMember)
{
    std::map<std::string, std::string> mExtras;
    if (p_oMember.m_p_oExtraProps != nullptr)
        for (auto* p_oNode = p_oMember.m_p_oExtraProps->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
            mExtras[p_oNode->m_p_oItem->m_szName] = p_oNode->m_p_oItem->m_szValue;
    return mExtras;
}

std::string Text(const char* p_sz)
{
    return p_sz == nullptr ? "(null)" : p_sz;
}

// Imports a delimited file through the same steps the wizard takes: preview, columns, import.
RecipientPtr ImportCsv(const std::string& p_sText, bool p_bHeader = true, const char* p_szName = "people.csv")
{
    CTempFile oFile(p_sText, p_szName);
    CTextImportLayout oLayout;
    oLayout.m_bHeaderRow = p_bHeader;
    std::vector<std::string> vPreview;
    EXPECT_TRUE(ReadImportLines(oFile.Path(), 10, vPreview));
    size_t nColumns = 0;
    for (const auto& sLine : vPreview)
        nColumns = std::max(nColumns, SplitImportLine(sLine, oLayout).size());
    const auto vColumns = MakeImportColumns(SplitImportLine(vPreview.at(0), oLayout), p_bHeader, nColumns);
    RecipientPtr oList;
    EXPECT_TRUE(ImportTextFile(oFile.Path(), oLayout, vColumns, oList));
    return oList;
}
} // namespace

TEST(ImportLines, LineEndsOfEveryKindMakeNoEmptyLines)
{
    struct
    {
        const char* m_szText;
        Cells m_vLines;
    } aCases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\nc", {"a", "b", "c"}},
        {"\n\n\r\na\n\n\nb\r\r", {"a", "b"}},
        {"\r\n\r\n\n", {}},
        {"", {}},
        {"only", {"only"}},
    };
    for (const auto& oCase : aCases)
        EXPECT_EQ(oCase.m_vLines, SplitImportLines(oCase.m_szText)) << oCase.m_szText;
}

TEST(ImportLines, FileReadInBlocksKeepsLinesAcrossBlockEdges)
{
    // Lines that straddle the 1024-byte blocks, with a CR LF split between two blocks.
    std::string sText;
    Cells vExpected;
    for (int i = 0; i < 300; ++i)
    {
        vExpected.push_back("row" + std::to_string(i) + std::string(i % 7, 'x'));
        sText += vExpected.back() + (i % 2 ? "\r\n" : "\n");
    }
    CTempFile oFile(sText);
    Cells vLines;
    ASSERT_TRUE(ReadImportLines(oFile.Path(), 0, vLines));
    EXPECT_EQ(vExpected, vLines);
    ASSERT_TRUE(ReadImportLines(oFile.Path(), 10, vLines));
    EXPECT_EQ(Cells(vExpected.begin(), vExpected.begin() + 10), vLines);
}

TEST(ImportLines, FileOfEmptyLinesHasNoLinesAndMissingFileFails)
{
    CTempFile oFile("\r\n\r\n\n\r");
    Cells vLines{"stale"};
    ASSERT_TRUE(ReadImportLines(oFile.Path(), 10, vLines));
    EXPECT_TRUE(vLines.empty());
    EXPECT_FALSE(ReadImportLines(oFile.Path() + ".missing", 10, vLines));
}

TEST(ImportSplit, DelimitedCells)
{
    CDelimitedOptions oComma;
    CDelimitedOptions oMany;
    oMany.m_sDelimiters = ",; \t";
    oMany.m_bMultipleAsOne = true;
    CDelimitedOptions oNoQualifier;
    oNoQualifier.m_cQualifier = '\0';
    struct
    {
        const char* m_szLine;
        const CDelimitedOptions& m_oOptions;
        Cells m_vCells;
    } aCases[] = {
        {"a,b,c", oComma, {"a", "b", "c"}},
        {"a,,c,", oComma, {"a", "", "c", ""}},
        {"\"Smith, John\",082", oComma, {"Smith, John", "082"}},
        {"say \"a,b\" now,x", oComma, {"say a,b now", "x"}},
        {"\"open,quote", oComma, {"open,quote"}},
        {"a,,;  b", oMany, {"a", "b"}},
        {";;", oMany, {}},
        {"\"a,b\"", oNoQualifier, {"\"a", "b\""}},
        {"", oComma, {""}},
    };
    for (const auto& oCase : aCases)
        EXPECT_EQ(oCase.m_vCells, SplitDelimited(oCase.m_szLine, oCase.m_oOptions)) << oCase.m_szLine;
}

TEST(ImportSplit, FixedWidthBreaksProposedFromPreview)
{
    const Cells vPreview = {
        "John    Smith   0825551234",
        "Ann     Lee     0835550000",
        "Peter   Jones   0845551111",
    };
    const std::vector<size_t> vBreaks = ProposeFixedBreaks(vPreview);
    EXPECT_EQ((std::vector<size_t>{8, 16}), vBreaks);
    EXPECT_EQ((Cells{"John", "Smith", "0825551234"}), SplitFixedWidth(vPreview[0], vBreaks));
    EXPECT_EQ((Cells{"Ann", "Lee"}), SplitFixedWidth("Ann     Lee", vBreaks));
    EXPECT_EQ((Cells{"Ann"}), SplitFixedWidth("Ann", vBreaks));

    // A column that is a space in only some lines proposes nothing; leading spaces start no cell.
    EXPECT_EQ((std::vector<size_t>{4}), ProposeFixedBreaks({"  a b", "  a  c"}));
    EXPECT_TRUE(ProposeFixedBreaks({"ab cd", "abcde"}).empty());
    EXPECT_TRUE(ProposeFixedBreaks({}).empty());
}

TEST(ImportColumns, LetterNames)
{
    struct
    {
        size_t m_nColumn;
        const char* m_szName;
    } aCases[] = {{0, "A"}, {25, "Z"}, {26, "BA"}, {51, "BZ"}, {52, "CA"}, {675, "ZZ"}, {676, "BAA"}, {677, "BAB"}};
    for (const auto& oCase : aCases)
        EXPECT_EQ(oCase.m_szName, ColumnLetterName(oCase.m_nColumn)) << oCase.m_nColumn;
}

TEST(ImportColumns, TypesFromHeaders)
{
    struct
    {
        const char* m_szHeader;
        int m_iType;
    } aCases[] = {
        {"Cell Phone", kColumnMobile},   {"mobile number", kColumnMobile},
        {"Cellular", kColumnMobile},     {"Address 1", kColumnAddress},
        {"amount due", kColumnAmount},   {"Date of birth", kColumnDate},
        {"Display Name", kColumnName},   {"Name", kColumnName},
        {"FirstName", kColumnFirstName}, {"first name", kColumnFirstName},
        {"Surname", kColumnLastName},    {"Last Name", kColumnLastName},
        {"Title", kColumnTitle},         {"E-mail", kColumnEmail},
        {"email address", kColumnEmail}, {"Branch", kColumnCustom},
        {"My Name", kColumnCustom},      {"", kColumnCustom},
    };
    for (const auto& oCase : aCases)
        EXPECT_EQ(oCase.m_iType, RecogniseColumnType(oCase.m_szHeader)) << oCase.m_szHeader;

    // Only the first column of a type takes it; a blank header falls back to the letter name.
    const auto vColumns = MakeImportColumns({"Mobile", "Cell", "", "Date"}, true, 5);
    ASSERT_EQ(5u, vColumns.size());
    EXPECT_EQ(kColumnMobile, vColumns[0].m_iType);
    EXPECT_EQ("Mobile", vColumns[0].m_sName);
    EXPECT_EQ(kColumnCustom, vColumns[1].m_iType);
    EXPECT_EQ("Cell", vColumns[1].m_sName);
    EXPECT_EQ("C", vColumns[2].m_sName);
    EXPECT_EQ(kColumnDate, vColumns[3].m_iType);
    EXPECT_EQ("Date", vColumns[3].m_sName);
    EXPECT_EQ("E", vColumns[4].m_sName);

    const auto vNoHeader = MakeImportColumns({"Mobile", "x"}, false, 2);
    EXPECT_EQ(kColumnCustom, vNoHeader[0].m_iType);
    EXPECT_EQ("A", vNoHeader[0].m_sName);
    EXPECT_EQ("B", vNoHeader[1].m_sName);
}

TEST(ImportMembers, HeaderRowMapsFieldsAndCustomToken)
{
    const RecipientPtr oList = ImportCsv("Cell Phone, First Name, Surname, Branch\r\n"
                                         "0825551234, John, Smith, Durban\r\n"
                                         "+27 83 555 0000,Ann,Lee,Cape Town\r\n",
                                         true, "C:\\lists\\branch staff.csv");
    ASSERT_NE(nullptr, oList);
    EXPECT_EQ(kStateListComplete, oList->m_dwState);
    EXPECT_EQ(kKindDistList, oList->m_iKind);
    EXPECT_EQ(kOptionNameTokens, oList->m_dwOptions);
    const auto vMembers = Members(*oList);
    ASSERT_EQ(2u, vMembers.size());
    const CMessageRecipient& oJohn = *vMembers[0];
    EXPECT_EQ("Bulk", Text(oJohn.m_szDisplayText));
    EXPECT_EQ(kKindIndividual, oJohn.m_iKind);
    EXPECT_EQ(kStateResolved, oJohn.m_dwState);
    EXPECT_EQ("0825551234", Text(oJohn.m_szMobile));
    EXPECT_EQ("John Smith", Text(oJohn.m_szName));
    ASSERT_NE(nullptr, oJohn.m_p_oEntry);
    EXPECT_EQ(EID_TYPE_BULK, oJohn.m_p_oEntry->m_iKind);
    EXPECT_EQ(0u, oJohn.m_p_oEntry->m_dwByteCount);
    EXPECT_EQ((std::map<std::string, std::string>{{"Branch", "Durban"}}), Extras(oJohn));
    EXPECT_EQ("Ann Lee", Text(vMembers[1]->m_szName));
}

TEST(ImportMembers, ListEntryHoldsPathAndNameFollowsQuoteRule)
{
    CTempFile oFile("Mobile\n0825551234\n", "staff.txt");
    CTextImportLayout oLayout;
    RecipientPtr oList;
    ASSERT_TRUE(ImportTextFile(oFile.Path(), oLayout, MakeImportColumns({"Mobile"}, true, 1), oList));
    ASSERT_NE(nullptr, oList->m_p_oEntry);
    EXPECT_EQ(EID_TYPE_BULK, oList->m_p_oEntry->m_iKind);
    ASSERT_EQ(oFile.Path().size() + 1, oList->m_p_oEntry->m_dwByteCount);
    EXPECT_EQ(0, std::memcmp(oFile.Path().c_str(), oList->m_p_oEntry->m_p_bBytes, oFile.Path().size() + 1));
    EXPECT_EQ(BulkListName(oFile.Path()), Text(oList->m_szName));
    EXPECT_EQ(Text(oList->m_szName), Text(oList->m_szDisplayText));

    EXPECT_EQ("list.csv", BulkListName("C:\\Documents\\list.csv"));
    EXPECT_EQ("list.csv", BulkListName("\"C:\\My Lists\\list.csv\" extra"));
    EXPECT_EQ("list.csv", BulkListName("/home/u/list.csv"));
    EXPECT_EQ("plain", BulkListName("plain"));
    EXPECT_FALSE(ImportTextFile(oFile.Path() + ".missing", oLayout, {}, oList));
    EXPECT_EQ(nullptr, oList);
}

TEST(ImportMembers, StatesNameFallbacksAndSkippedRows)
{
    const RecipientPtr oList = ImportCsv("Name,First Name,Last Name,Mobile,E-mail\n"
                                         "Boss,Ann,Lee,0825551234,boss@example.com\n" // Name wins
                                         ",Ann,,0825551234,\n"                        // first name alone
                                         ",,,,ann@example.com\n"                      // e-mail as name, no mobile
                                         ",,,0825551234,\n"                           // mobile as name
                                         ",,,12345,\n"                                // invalid mobile
                                         ",Tom,Cat,,\n"                               // name but no mobile
                                         ",,,,\n");                                   // nothing: skipped
    ASSERT_NE(nullptr, oList);
    EXPECT_EQ(kStateListIncomplete, oList->m_dwState);
    EXPECT_EQ(kOptionNameTokens | kOptionEmailToken, oList->m_dwOptions);
    const auto vMembers = Members(*oList);
    ASSERT_EQ(6u, vMembers.size());
    struct
    {
        const char* m_szName;
        uint32_t m_dwState;
    } aExpected[] = {
        {"Boss", kStateResolved},       {"Ann", kStateResolved},        {"ann@example.com", kStateNoMobile},
        {"0825551234", kStateResolved}, {"12345", kStateInvalidMobile}, {"Tom Cat", kStateNoMobile}};
    for (size_t i = 0; i < vMembers.size(); ++i)
    {
        EXPECT_EQ(aExpected[i].m_szName, Text(vMembers[i]->m_szName)) << i;
        EXPECT_EQ(aExpected[i].m_dwState, vMembers[i]->m_dwState) << i;
        EXPECT_TRUE(Extras(*vMembers[i]).empty()) << i;
    }
    EXPECT_EQ("", Text(vMembers[5]->m_szMobile));
}

TEST(ImportMembers, RowWithNameButNoMobileMakesListIncomplete)
{
    const RecipientPtr oList = ImportCsv("Mobile,Name\n0825551234,Ann\n,Bob\n");
    ASSERT_NE(nullptr, oList);
    EXPECT_EQ(kStateListIncomplete, oList->m_dwState);
    ASSERT_EQ(2u, Members(*oList).size());
    EXPECT_EQ(kStateNoMobile, Members(*oList)[1]->m_dwState);
}

TEST(ImportMembers, ShortRowsTakeDefaultsAndLongRowsKeepTheirCells)
{
    CTempFile oFile("0825551234,Ann\n0835550000\n0845551111,Bob,Extra\n");
    CTextImportLayout oLayout;
    oLayout.m_bHeaderRow = false;
    auto vColumns = MakeImportColumns({}, false, 2);
    SetColumnType(vColumns[0], kColumnMobile, vColumns[0].m_sName);
    vColumns[1].m_sName = "Branch";
    vColumns[1].m_sDefault = "Head office";
    RecipientPtr oList;
    ASSERT_TRUE(ImportTextFile(oFile.Path(), oLayout, vColumns, oList));
    const auto vMembers = Members(*oList);
    ASSERT_EQ(3u, vMembers.size());
    EXPECT_EQ((std::map<std::string, std::string>{{"Branch", "Ann"}}), Extras(*vMembers[0]));
    EXPECT_EQ((std::map<std::string, std::string>{{"Branch", "Head office"}}), Extras(*vMembers[1]));
    EXPECT_EQ((std::map<std::string, std::string>{{"Branch", "Bob"}, {"C", "Extra"}}), Extras(*vMembers[2]));
    // No name column: the mobile names the member and the name tokens stay off.
    EXPECT_EQ("0835550000", Text(vMembers[1]->m_szName));
    EXPECT_EQ(0u, oList->m_dwOptions);
}

TEST(ImportMembers, RecognisedExtraTypesUseStandardNamesAndQuotedCellsKeepDelimiters)
{
    const RecipientPtr oList = ImportCsv("Mobile,Amount owed,Address,Title,Date\n"
                                         "0825551234,\"1,000\",\"1 Long Rd, Durban\",Dr,2026-12-08\n");
    ASSERT_NE(nullptr, oList);
    const auto vMembers = Members(*oList);
    ASSERT_EQ(1u, vMembers.size());
    EXPECT_EQ((std::map<std::string, std::string>{
                  {"Amount", "1,000"}, {"Address", "1 Long Rd, Durban"}, {"Title", "Dr"}, {"Date", "2026-12-08"}}),
              Extras(*vMembers[0]));
}

TEST(ImportMembers, FixedWidthFileEndToEnd)
{
    CTempFile oFile("Mobile      Name\n0825551234  Ann Lee\n0835550000  Bob\n", "fixed.txt");
    Cells vPreview;
    ASSERT_TRUE(ReadImportLines(oFile.Path(), 10, vPreview));
    CTextImportLayout oLayout;
    oLayout.m_bFixedWidth = true;
    oLayout.m_vBreaks = ProposeFixedBreaks(vPreview);
    ASSERT_EQ((std::vector<size_t>{12}), oLayout.m_vBreaks);
    const auto vColumns = MakeImportColumns(SplitImportLine(vPreview[0], oLayout), true, 2);
    RecipientPtr oList;
    ASSERT_TRUE(ImportTextFile(oFile.Path(), oLayout, vColumns, oList));
    const auto vMembers = Members(*oList);
    ASSERT_EQ(2u, vMembers.size());
    EXPECT_EQ("Ann Lee", Text(vMembers[0]->m_szName));
    EXPECT_EQ("0825551234", Text(vMembers[0]->m_szMobile));
    EXPECT_EQ("Bob", Text(vMembers[1]->m_szName));
}
