// tests/unit/addressbook/fake_row_source.cpp: the counting row source and its decoder.
#include "tests/unit/addressbook/fake_row_source.h"

#include <algorithm>
#include <cstdio>

CFakeRowSource CFakeRowSource::Named(const std::vector<std::string>& p_vNames)
{
    std::vector<CSourceRow> vRows;
    for (size_t i = 0; i < p_vNames.size(); ++i)
    {
        const uint8_t bId = static_cast<uint8_t>(i);
        vRows.push_back({{kFakeTagName, p_vNames[i]},
                         {kFakeTagMobile, "082" + std::to_string(1000000 + i)},
                         {kFakeTagEmail, "row" + std::to_string(i) + "@example.com"},
                         {kFakeTagType, int64_t{6}},
                         {kFakeTagEntryId, CEntryBytes{0, 0, 0, 0, bId}}});
    }
    return CFakeRowSource(std::move(vRows));
}

CFakeRowSource CFakeRowSource::Numbered(uint32_t p_ulCount)
{
    std::vector<std::string> vNames;
    vNames.reserve(p_ulCount);
    for (uint32_t i = 0; i < p_ulCount; ++i)
    {
        char szName[32];
        std::snprintf(szName, sizeof(szName), "Row %07u", i);
        vNames.emplace_back(szName);
    }
    return Named(vNames);
}

bool CFakeRowSource::SeekRow(uint32_t p_ulRow)
{
    ++m_iSeeks;
    if (p_ulRow > m_vRows.size())
        return false;
    m_ulPosition = p_ulRow;
    return true;
}

bool CFakeRowSource::QueryRows(uint32_t p_ulCount, std::vector<CSourceRow>& p_vRows)
{
    ++m_iQueries;
    if (m_setFailingRows.count(m_ulPosition) != 0)
        return false;
    uint32_t ulCount = std::min<uint32_t>(p_ulCount, Size() - m_ulPosition);
    if (m_ulMaxPerQuery != 0)
        ulCount = std::min(ulCount, m_ulMaxPerQuery);
    for (uint32_t i = 0; i < ulCount; ++i)
        p_vRows.push_back(m_vRows[m_ulPosition + i]);
    m_ulPosition += ulCount;
    m_ullRowsRead += ulCount;
    return true;
}

CPageRow CFakeDecoder::Decode(const CSourceRow& p_vRow)
{
    ++m_iDecoded;
    CPageRow oRow;
    for (const CSourceProp& oProp : p_vRow)
    {
        const std::string* psText = std::get_if<std::string>(&oProp.m_vValue);
        switch (oProp.m_ulTag)
        {
        case kFakeTagName:
            if (psText)
                oRow.m_osName = *psText;
            break;
        case kFakeTagMobile:
            if (psText)
                oRow.m_osMobile = *psText;
            break;
        case kFakeTagEmail:
            if (psText)
                oRow.m_osEmail = *psText;
            break;
        case kFakeTagType:
            if (const int64_t* piType = std::get_if<int64_t>(&oProp.m_vValue))
                oRow.m_olObjectType = static_cast<long>(*piType);
            break;
        case kFakeTagEntryId:
            if (const CEntryBytes* pvId = std::get_if<CEntryBytes>(&oProp.m_vValue))
                oRow.m_ovEntryId = *pvId;
            break;
        default:
            break;
        }
    }
    return oRow;
}
