// Addressbook/import/import_members.cpp: members and the bulk list of an import.
#include "Addressbook/import/import_members.h"

#include "Addressbook/import/import_reader.h"
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/phone_rules.h"

std::string BulkListName(const std::string& p_sPath)
{
    std::string sPath = p_sPath;
    if (!sPath.empty() && sPath[0] == '"')
    {
        sPath.erase(0, 1);
        const size_t nQuote = sPath.find('"');
        if (nQuote != std::string::npos)
            sPath.erase(nQuote);
    }
    const size_t nSlash = sPath.find_last_of("\\/");
    return nSlash == std::string::npos ? sPath : sPath.substr(nSlash + 1);
}

CBulkListBuilder::CBulkListBuilder(const std::string& p_sPath, std::vector<CImportColumn> p_vColumns)
    : m_sPath(p_sPath), m_vColumns(std::move(p_vColumns)), m_mrlMembers(NewList<CMessageRecipientList>())
{
    for (const auto& oColumn : m_vColumns)
    {
        if (oColumn.m_iType == kColumnName || oColumn.m_iType == kColumnFirstName || oColumn.m_iType == kColumnLastName)
            m_dwOptions |= kOptionNameTokens;
        if (oColumn.m_iType == kColumnEmail)
            m_dwOptions |= kOptionEmailToken;
    }
}

bool CBulkListBuilder::AddRow(const std::vector<std::string>& p_vCells)
{
    while (m_vColumns.size() < p_vCells.size())
    {
        CImportColumn oExtra;
        oExtra.m_sName = ColumnLetterName(m_vColumns.size());
        m_vColumns.push_back(std::move(oExtra));
    }
    const std::string* aFields[kColumnTypeCount] = {};
    struct CExtra
    {
        const std::string* m_p_sName;
        const std::string* m_p_sValue;
    };
    std::vector<CExtra> vExtras;
    // Cells lose the padding that "a, b" style files put after each delimiter.
    std::vector<std::string> vCells(m_vColumns.size());
    for (size_t i = 0; i < m_vColumns.size(); ++i)
        vCells[i] = TrimCellPadding(i < p_vCells.size() ? p_vCells[i] : m_vColumns[i].m_sDefault);
    for (size_t i = 0; i < m_vColumns.size(); ++i)
    {
        const auto& oColumn = m_vColumns[i];
        const std::string& sCell = vCells[i];
        const int iType = oColumn.m_iType;
        const bool bField = iType == kColumnMobile || iType == kColumnName || iType == kColumnFirstName ||
                            iType == kColumnLastName || iType == kColumnEmail;
        if (bField && aFields[iType] == nullptr)
            aFields[iType] = &sCell;
        else
            vExtras.push_back({&oColumn.m_sName, &sCell});
    }
    auto fnText = [&](int p_iType) { return aFields[p_iType] == nullptr ? std::string() : *aFields[p_iType]; };
    const std::string sMobile = fnText(kColumnMobile);
    const std::string sEmail = fnText(kColumnEmail);
    std::string sName = fnText(kColumnName);
    if (sName.empty())
    {
        const std::string sFirst = fnText(kColumnFirstName);
        const std::string sLast = fnText(kColumnLastName);
        sName = JoinNames(sFirst.empty() ? nullptr : sFirst.c_str(), sLast.empty() ? nullptr : sLast.c_str());
    }
    if (sName.empty())
        sName = sEmail;
    if (sName.empty())
        sName = sMobile;
    if (sMobile.empty() && sName.empty())
        return false;

    auto oMember = std::make_unique<CMessageRecipient>();
    oMember->m_iKind = kKindIndividual;
    oMember->m_dwState =
        !sMobile.empty() ? (IsInvalidMobile(sMobile.c_str()) ? kStateInvalidMobile : kStateResolved) : kStateNoMobile;
    oMember->m_dwOptions = m_dwOptions;
    ReplaceOwnedString(oMember->m_szDisplayText, MakeOwnedString(kBulkMemberDisplayText));
    ReplaceOwnedString(oMember->m_szMobile, MakeOwnedString(sMobile));
    if (aFields[kColumnEmail] != nullptr)
        ReplaceOwnedString(oMember->m_szEmail, MakeOwnedString(sEmail));
    ReplaceOwnedString(oMember->m_szName, MakeOwnedString(sName));
    oMember->m_p_oEntry = MakeEntry(EID_TYPE_BULK, 0, nullptr, nullptr).release();
    for (const auto& oExtra : vExtras)
        AddExtraProperty(*oMember, oExtra.m_p_sName->c_str(), oExtra.m_p_sValue->c_str());
    if (oMember->m_dwState != kStateResolved)
        m_bAllResolved = false;
    AppendItem(*m_mrlMembers, std::move(oMember));
    return true;
}

RecipientPtr CBulkListBuilder::Finish()
{
    auto oList = std::make_unique<CMessageRecipient>();
    oList->m_dwState = m_bAllResolved ? kStateListComplete : kStateListIncomplete;
    oList->m_iKind = kKindDistList;
    oList->m_dwOptions = m_dwOptions;
    const std::string sName = BulkListName(m_sPath);
    ReplaceOwnedString(oList->m_szDisplayText, MakeOwnedString(sName));
    ReplaceOwnedString(oList->m_szName, MakeOwnedString(sName));
    // The entry carries the path, terminator included, so the list can name its source later.
    oList->m_p_oEntry = MakeEntry(EID_TYPE_BULK, static_cast<uint32_t>(m_sPath.size() + 1),
                                  reinterpret_cast<const uint8_t*>(m_sPath.c_str()), nullptr)
                            .release();
    oList->m_p_mrlMembers = m_mrlMembers.release();
    return oList;
}

std::vector<std::string> SplitImportLine(const std::string& p_sLine, const CTextImportLayout& p_oLayout)
{
    return p_oLayout.m_bFixedWidth ? SplitFixedWidth(p_sLine, p_oLayout.m_vBreaks)
                                   : SplitDelimited(p_sLine, p_oLayout.m_oDelimited);
}

bool ImportTextFile(const std::string& p_sPath, const CTextImportLayout& p_oLayout,
                    const std::vector<CImportColumn>& p_vColumns, RecipientPtr& p_oResult,
                    const std::string* p_p_sListPath)
{
    p_oResult.reset();
    CLineReader oReader;
    if (!oReader.Open(p_sPath))
        return false;
    CBulkListBuilder oBuilder(p_p_sListPath != nullptr ? *p_p_sListPath : p_sPath, p_vColumns);
    std::string sLine;
    bool bFirst = true;
    while (oReader.Next(sLine))
    {
        if (bFirst && p_oLayout.m_bHeaderRow)
        {
            bFirst = false;
            continue;
        }
        bFirst = false;
        (void)oBuilder.AddRow(SplitImportLine(sLine, p_oLayout));
    }
    if (oReader.Failed())
        return false;
    p_oResult = oBuilder.Finish();
    return true;
}
