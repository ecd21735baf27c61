// Addressbook/addressbook/page_cache.h: the page cache behind the address-book lists: a folder's
// rows read ten at a time through a row source, at most twelve pages resident, least recently used
// evicted, and the type-ahead prefix search. Portable: the Windows side supplies the row source (over
// a contents table) and the decoder (address-book container or contact folder).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

constexpr uint32_t kPageRows = 10;
constexpr int kResidentPages = 12;

// Object types of the normalised row's object-type column.
constexpr long kObjectTypeOther = 0;
constexpr long kObjectTypeMailUser = 6;
constexpr long kObjectTypeDistList = 8;

// The columns of a normalised row; the list shows the first three.
enum EPageColumn : int
{
    kColumnName = 0,
    kColumnMobile = 1,
    kColumnEmail = 2,
    kColumnObjectType = 3,
    kColumnEntryId = 4,
    kPageColumnCount = 5,
};

using CEntryBytes = std::vector<uint8_t>;

// One source value: std::monostate is a missing value (the error type), the others are text, a
// number or bytes (binary values and 16-byte identifiers alike).
using CSourceValue = std::variant<std::monostate, std::string, int64_t, CEntryBytes>;

struct CSourceProp
{
    uint32_t m_ulTag = 0;
    CSourceValue m_vValue;
};

// One row as the source returns it: its properties in the order of the source column set.
using CSourceRow = std::vector<CSourceProp>;

// One normalised row; an empty optional is a missing value.
struct CPageRow
{
    std::optional<std::string> m_osName;
    std::optional<std::string> m_osMobile;
    std::optional<std::string> m_osEmail;
    std::optional<long> m_olObjectType;
    std::optional<CEntryBytes> m_ovEntryId;
};

// What the cache reads: a positioned table of rows.
class IPageRowSource
{
  public:
    virtual ~IPageRowSource() = default;
    // Positions the source so that the next query starts at p_ulRow.
    [[nodiscard]] virtual bool SeekRow(uint32_t p_ulRow) = 0;
    // Appends up to p_ulCount rows from the current position to p_vRows and moves past them. Fewer
    // rows than asked is not an error; none means the end of the table.
    [[nodiscard]] virtual bool QueryRows(uint32_t p_ulCount, std::vector<CSourceRow>& p_vRows) = 0;
};

// Turns source rows into normalised rows; the variants of the cache differ only here.
class IPageRowDecoder
{
  public:
    virtual ~IPageRowDecoder() = default;
    // The kind code callers use to tell the variants apart (2 address book, 9 contact folder).
    virtual int Kind() const = 0;
    virtual CPageRow Decode(const CSourceRow& p_vRow) = 0;
    // The display name the prefix search compares; by default the decoded row's name. A decoder whose
    // full decode is costly overrides this.
    virtual std::optional<std::string> DisplayName(const CSourceRow& p_vRow)
    {
        return Decode(p_vRow).m_osName;
    }
};

// Receives the cache's failed assertions; they are reported and the operation fails, nothing stops.
using PageCacheAssertReporter = std::function<void(const char* p_szFile, unsigned p_uLine, const char* p_szAssertion)>;

// The default reporter: "Assertion failed in file %s at line %u: %s" into the trace log.
void LogPageCacheAssertion(const char* p_szFile, unsigned p_uLine, const char* p_szAssertion);

// Where a prefix search ended: the first row that starts with the prefix when m_bMatch, else the row
// the list moves to (the first row after the prefix, or the last row).
struct CPrefixPosition
{
    uint32_t m_ulRow = 0;
    bool m_bMatch = false;
};

class CPageCache
{
  public:
    // The source and decoder must outlive the cache.
    CPageCache(IPageRowSource& p_oSource, IPageRowDecoder& p_oDecoder,
               PageCacheAssertReporter p_fnReport = LogPageCacheAssertion);

    // Takes the source's row count and sizes the empty page table; positions the source at the start.
    [[nodiscard]] bool SetUp(uint32_t p_ulRows);

    uint32_t RowCount() const
    {
        return m_ulVTblRows;
    }
    int PageCount() const
    {
        return m_iPageTblEntries;
    }
    int Kind() const
    {
        return m_oDecoder.Kind();
    }

    // The row, reading its page when it is not resident; nullptr (after an assertion) when the row is
    // out of range or its page cannot be read. Valid until the next access.
    const CPageRow* Row(uint32_t p_ulRow);
    // A text column's value; empty for a missing value, a failed lookup or a non-text column.
    std::string TextOf(uint32_t p_ulRow, int p_iColumn);
    // The object-type column as a number; 0 for a missing value, a failed lookup or another column.
    long NumberOf(uint32_t p_ulRow, int p_iColumn);
    // The entry id the Windows side builds the recipient object from; none when missing.
    std::optional<CEntryBytes> EntryIdOf(uint32_t p_ulRow);

    // Loads the page holding the row when it is not resident.
    void EnsurePage(uint32_t p_ulRow);
    // The list view's cache hint: every page touched by rows p_ulFirst..p_ulLast is read if absent.
    void CacheHint(uint32_t p_ulFirst, uint32_t p_ulLast);

    // The type-ahead search over the display names; none for an empty folder or a failed read.
    std::optional<CPrefixPosition> FindPrefix(std::string_view p_sPrefix);

    bool IsResident(int p_iPage) const;
    // Rows held in memory now; never above twelve pages' worth.
    size_t ResidentRows() const;
    int ResidentPages() const;

  private:
    struct CSlot
    {
        int m_iPage = -1;
        int m_iAge = -1;
    };
    using CPage = std::vector<CPageRow>;

    void Age(int p_iPage);
    void ReadPage(int p_iPage);
    [[nodiscard]] bool QueryMerged(uint32_t p_ulWanted, std::vector<CSourceRow>& p_vRows);
    void Register(int p_iPage);
    // The prefix compared with the probed row's name (<0, 0, >0); none when the row cannot be read.
    [[nodiscard]] std::optional<int> Probe(uint32_t p_ulRow, const std::string& p_sPrefix);
    void Report(unsigned p_uLine, const char* p_szAssertion) const;

    IPageRowSource& m_oSource;
    IPageRowDecoder& m_oDecoder;
    PageCacheAssertReporter m_fnReport;
    uint32_t m_ulVTblRows = 0;
    int m_iPageTblEntries = 0;
    std::vector<std::unique_ptr<CPage>> m_pPageTable;
    std::array<CSlot, kResidentPages> m_aSlots;
};

// The pages a cache hint from p_ulFirst to p_ulLast touches, within a folder of p_ulRows rows.
std::vector<int> PagesTouched(uint32_t p_ulFirst, uint32_t p_ulLast, uint32_t p_ulRows);
