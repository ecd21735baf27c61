// Addressbook/messaging/recipient.cpp: recipient records and their resolution states.
#include "Addressbook/messaging/recipient.h"

#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/phone_rules.h"

#include <string>

namespace
{
// Each replacement tolerates being handed the value the record already holds.
void Replace(char*& p_szField, OwnedString p_sNew)
{
    if (p_szField != p_sNew.get())
        delete[] p_szField;
    p_szField = p_sNew.release();
}

void Replace(CEntryID*& p_p_oField, EntryPtr p_oNew)
{
    if (p_p_oField != p_oNew.get())
        delete p_p_oField;
    p_p_oField = p_oNew.release();
}

void Replace(CMessageRecipientList*& p_p_mrlField, RecipientListPtr p_mrlNew)
{
    if (p_p_mrlField != p_mrlNew.get())
        DestroyList(p_p_mrlField);
    p_p_mrlField = p_mrlNew.release();
}

void ClearExtraProps(CMessageRecipient& p_oRecipient)
{
    DestroyList(p_oRecipient.m_p_oExtraProps);
    p_oRecipient.m_p_oExtraProps = nullptr;
}

// The common part of every "set": the new state's values replace everything the old one owned.
void ReplaceOwnedValues(CMessageRecipient& p_oRecipient, EntryPtr p_oEntry, RecipientListPtr p_mrlMembers,
                        OwnedString p_sMobile, OwnedString p_sEmail, OwnedString p_sName)
{
    Replace(p_oRecipient.m_p_oEntry, std::move(p_oEntry));
    Replace(p_oRecipient.m_p_mrlMembers, std::move(p_mrlMembers));
    ClearExtraProps(p_oRecipient);
    Replace(p_oRecipient.m_szMobile, std::move(p_sMobile));
    Replace(p_oRecipient.m_szEmail, std::move(p_sEmail));
    Replace(p_oRecipient.m_szName, std::move(p_sName));
}

OwnedString CopyOf(const OwnedString& p_sText)
{
    return CopyOwnedString(p_sText.get());
}

void CopyExtraProps(const CMessageRecipient& p_oSource, CMessageRecipient& p_oCopy)
{
    if (p_oSource.m_p_oExtraProps == nullptr)
        return;
    for (auto* p_oNode = p_oSource.m_p_oExtraProps->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
        if (p_oNode->m_p_oItem != nullptr)
            AddExtraProperty(p_oCopy, p_oNode->m_p_oItem->m_szName, p_oNode->m_p_oItem->m_szValue);
}
} // namespace

CRecipientProp::~CRecipientProp()
{
    delete[] m_szName;
    delete[] m_szValue;
}

CMessageRecipient::~CMessageRecipient()
{
    delete[] m_szDisplayText;
    delete[] m_szMobile;
    delete[] m_szEmail;
    delete[] m_szName;
    delete m_p_oEntry;
    DestroyList(m_p_mrlMembers);
    DestroyList(m_p_oExtraProps);
}

RecipientPtr NewTextRecipient(const char* p_szText)
{
    auto oRecipient = std::make_unique<CMessageRecipient>();
    oRecipient->m_szDisplayText = CopyOwnedString(p_szText).release();
    return oRecipient;
}

RecipientPtr NewPersonRecipient(EntryPtr p_oEntry, const char* p_szMobile, const char* p_szEmail, const char* p_szName)
{
    auto oRecipient = std::make_unique<CMessageRecipient>();
    if (IsNullOrEmpty(p_szMobile))
        oRecipient->m_dwState = kStateNoMobile;
    else
        oRecipient->m_dwState = IsInvalidMobile(p_szMobile) ? kStateInvalidMobile : kStateResolved;
    oRecipient->m_iKind = kKindIndividual;
    oRecipient->m_szDisplayText = CopyOwnedString(p_szName).release();
    oRecipient->m_szName = CopyOwnedString(p_szName).release();
    oRecipient->m_szMobile = CopyOwnedString(p_szMobile).release();
    oRecipient->m_szEmail = CopyOwnedString(p_szEmail).release();
    oRecipient->m_p_oEntry = p_oEntry.release();
    return oRecipient;
}

RecipientPtr NewListRecipient(EntryPtr p_oEntry, const char* p_szName)
{
    auto oRecipient = std::make_unique<CMessageRecipient>();
    oRecipient->m_dwState = kStateResolved;
    oRecipient->m_iKind = kKindDistList;
    oRecipient->m_szDisplayText = CopyOwnedString(p_szName).release();
    oRecipient->m_szName = CopyOwnedString(p_szName).release();
    oRecipient->m_p_oEntry = p_oEntry.release();
    return oRecipient;
}

RecipientPtr CopyRecipientHeader(const CMessageRecipient& p_oSource)
{
    auto oCopy = std::make_unique<CMessageRecipient>();
    oCopy->m_dwState = p_oSource.m_dwState;
    oCopy->m_iKind = p_oSource.m_iKind;
    oCopy->m_dwOptions = p_oSource.m_dwOptions;
    oCopy->m_szDisplayText = CopyOwnedString(p_oSource.m_szDisplayText).release();
    oCopy->m_szMobile = CopyOwnedString(p_oSource.m_szMobile).release();
    oCopy->m_szEmail = CopyOwnedString(p_oSource.m_szEmail).release();
    oCopy->m_szName = CopyOwnedString(p_oSource.m_szName).release();
    if (p_oSource.m_p_oEntry != nullptr)
        oCopy->m_p_oEntry = CopyEntry(*p_oSource.m_p_oEntry).release();
    return oCopy;
}

RecipientPtr CopyRecipient(const CMessageRecipient& p_oSource, bool p_bNameFromMobile)
{
    RecipientPtr oCopy = CopyRecipientHeader(p_oSource);
    if (p_oSource.m_szName == nullptr && p_bNameFromMobile)
        oCopy->m_szName = CopyOwnedString(p_oSource.m_szMobile).release();
    if (p_oSource.m_p_mrlMembers != nullptr)
    {
        EnsureMembersList(*oCopy);
        for (auto* p_oNode = p_oSource.m_p_mrlMembers->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
        {
            if (p_oNode->m_p_oItem == nullptr)
                continue;
            if (p_oNode->m_iOwnsItem != 0)
                AppendItem(*oCopy->m_p_mrlMembers, CopyRecipient(*p_oNode->m_p_oItem, p_bNameFromMobile));
            else
                AppendSharedItem(*oCopy->m_p_mrlMembers, p_oNode->m_p_oItem);
        }
    }
    CopyExtraProps(p_oSource, *oCopy);
    return oCopy;
}

void SetResolved(CMessageRecipient& p_oRecipient, EntryPtr p_oEntry, OwnedString p_sMobile, OwnedString p_sEmail,
                 OwnedString p_sName)
{
    OwnedString sDisplay = CopyOf(p_sName);
    ReplaceOwnedValues(p_oRecipient, std::move(p_oEntry), nullptr, std::move(p_sMobile), std::move(p_sEmail),
                       std::move(p_sName));
    Replace(p_oRecipient.m_szDisplayText, std::move(sDisplay));
    p_oRecipient.m_dwState = kStateResolved;
    p_oRecipient.m_iKind = kKindIndividual;
}

void SetDistributionList(CMessageRecipient& p_oRecipient, EntryPtr p_oEntry, OwnedString p_sName)
{
    OwnedString sDisplay = CopyOf(p_sName);
    RecipientListPtr mrlMembers = NewList<CMessageRecipientList>();
    ReplaceOwnedValues(p_oRecipient, std::move(p_oEntry), std::move(mrlMembers), nullptr, nullptr, std::move(p_sName));
    Replace(p_oRecipient.m_szDisplayText, std::move(sDisplay));
    p_oRecipient.m_dwState = kStateListUnchecked;
    p_oRecipient.m_iKind = kKindDistList;
}

void SetMultipleMatches(CMessageRecipient& p_oRecipient, RecipientListPtr p_mrlCandidates)
{
    ReplaceOwnedValues(p_oRecipient, nullptr, std::move(p_mrlCandidates), nullptr, nullptr, nullptr);
    p_oRecipient.m_dwState = kStateMultipleMatches;
    p_oRecipient.m_iKind = kKindUnidentified;
}

void SetNoMatch(CMessageRecipient& p_oRecipient)
{
    ReplaceOwnedValues(p_oRecipient, nullptr, nullptr, nullptr, nullptr, nullptr);
    p_oRecipient.m_dwState = kStateNoMatch;
    p_oRecipient.m_iKind = kKindUnidentified;
}

void SetNoMobile(CMessageRecipient& p_oRecipient, EntryPtr p_oEntry, OwnedString p_sName, OwnedString p_sEmail)
{
    OwnedString sDisplay = CopyOf(p_sName);
    ReplaceOwnedValues(p_oRecipient, std::move(p_oEntry), nullptr, nullptr, std::move(p_sEmail), std::move(p_sName));
    Replace(p_oRecipient.m_szDisplayText, std::move(sDisplay));
    p_oRecipient.m_dwState = kStateNoMobile;
    p_oRecipient.m_iKind = kKindIndividual;
}

void SetInvalidMobile(CMessageRecipient& p_oRecipient, EntryPtr p_oEntry, OwnedString p_sName, OwnedString p_sEmail,
                      OwnedString p_sMobile)
{
    OwnedString sDisplay = CopyOf(p_sName);
    ReplaceOwnedValues(p_oRecipient, std::move(p_oEntry), nullptr, std::move(p_sMobile), std::move(p_sEmail),
                       std::move(p_sName));
    Replace(p_oRecipient.m_szDisplayText, std::move(sDisplay));
    p_oRecipient.m_dwState = kStateInvalidMobile;
    p_oRecipient.m_iKind = kKindIndividual;
}

void SetTypedNumber(CMessageRecipient& p_oRecipient, CCountryCode& p_oCountry)
{
    std::string sMobile(1, '+');
    sMobile += ComparableForm(TextOf(p_oRecipient.m_szDisplayText), p_oCountry);
    OwnedString sDisplay = MakeOwnedString(sMobile);
    ReplaceOwnedValues(p_oRecipient, nullptr, nullptr, MakeOwnedString(sMobile), nullptr, nullptr);
    Replace(p_oRecipient.m_szDisplayText, std::move(sDisplay));
    p_oRecipient.m_dwState = kStateTypedNumber;
    p_oRecipient.m_iKind = kKindIndividual;
}

bool IsUsable(const CMessageRecipient& p_oRecipient)
{
    if (p_oRecipient.m_dwState == kStateTypedNumber)
        return true;
    return p_oRecipient.m_iKind == kKindIndividual && p_oRecipient.m_dwState == kStateResolved &&
           !IsNullOrEmpty(p_oRecipient.m_szMobile) && TextOf(p_oRecipient.m_szMobile) != kNoMobilePlaceholder;
}

void AddExtraProperty(CMessageRecipient& p_oRecipient, const char* p_szName, const char* p_szValue)
{
    auto oProp = std::make_unique<CRecipientProp>();
    oProp->m_szName = MakeOwnedString(TextOf(p_szName)).release();
    oProp->m_szValue = MakeOwnedString(TextOf(p_szValue)).release();
    if (p_oRecipient.m_p_oExtraProps == nullptr)
        p_oRecipient.m_p_oExtraProps = NewList<CRecipientPropList>().release();
    AppendItem(*p_oRecipient.m_p_oExtraProps, std::move(oProp));
}

void EnsureMembersList(CMessageRecipient& p_oRecipient)
{
    if (p_oRecipient.m_p_mrlMembers == nullptr)
        p_oRecipient.m_p_mrlMembers = NewList<CMessageRecipientList>().release();
}
