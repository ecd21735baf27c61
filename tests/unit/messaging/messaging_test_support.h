// tests/unit/messaging/messaging_test_support.h: building recipients, lists and tokenised messages
// for the messaging tests through the same exports the hosts use.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/item_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A list made and freed through the exports.
class CTestList
{
  public:
    CTestList()
    {
        EXPECT_EQ(1, CreateMessageRecipientList(&m_p_mrlList));
    }
    ~CTestList()
    {
        DeleteMessageRecipientList(&m_p_mrlList);
    }
    CTestList(const CTestList&) = delete;
    CTestList& operator=(const CTestList&) = delete;

    CMessageRecipientList* Get() const
    {
        return m_p_mrlList;
    }
    // Appends a resolved person and returns it (the list owns it).
    CMessageRecipient* AddPerson(const char* p_szName, const char* p_szMobile, const char* p_szEmail = nullptr)
    {
        return Add(MakePerson(p_szName, p_szMobile, p_szEmail));
    }
    CMessageRecipient* Add(CMessageRecipient* p_p_oRecipient)
    {
        EXPECT_EQ(1, AddMessageRecipient(m_p_mrlList, p_p_oRecipient));
        return p_p_oRecipient;
    }

    static CMessageRecipient* MakePerson(const char* p_szName, const char* p_szMobile, const char* p_szEmail = nullptr)
    {
        CMessageRecipient* p_oRecipient = nullptr;
        EXPECT_EQ(1, CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, p_szName, p_szMobile, p_szEmail,
                                                       p_szName, EID_TYPE_BULK, 0, nullptr, kDefaultRecipientOptions,
                                                       &p_oRecipient));
        return p_oRecipient;
    }
    // A distribution list recipient with the given members.
    static CMessageRecipient* MakeDistList(const char* p_szName, const std::vector<CMessageRecipient*>& p_vMembers)
    {
        CMessageRecipient* p_oList = nullptr;
        EXPECT_EQ(1, CreateMessageRecipientFromDetails(kStateListComplete, kKindDistList, p_szName, nullptr, nullptr,
                                                       p_szName, EID_TYPE_BULK, 0, nullptr, kDefaultRecipientOptions,
                                                       &p_oList));
        EXPECT_EQ(1, AddDistList(p_oList));
        for (CMessageRecipient* p_oMember : p_vMembers)
            EXPECT_EQ(1, AddMessageRecipient(p_oList->m_p_mrlMembers, p_oMember));
        return p_oList;
    }

  private:
    CMessageRecipientList* m_p_mrlList = nullptr;
};

// A message written with "<<Name>>" tokens, turned into the placeholder text and token list the
// compose window hands over.
class CTestMessage
{
  public:
    explicit CTestMessage(const std::string& p_sTemplate)
    {
        size_t i = 0;
        while (i < p_sTemplate.size())
        {
            const size_t iOpen = p_sTemplate.find("<<", i);
            if (iOpen == std::string::npos)
            {
                m_sText += p_sTemplate.substr(i);
                break;
            }
            const size_t iClose = p_sTemplate.find(">>", iOpen);
            m_sText += p_sTemplate.substr(i, iOpen - i);
            AddToken(p_sTemplate.substr(iOpen + 2, iClose - iOpen - 2), static_cast<int32_t>(m_sText.size()));
            m_sText.push_back(kTokenPlaceholder);
            i = iClose + 2;
        }
    }
    ~CTestMessage()
    {
        DestroyList(m_p_oList);
    }
    CTestMessage(const CTestMessage&) = delete;
    CTestMessage& operator=(const CTestMessage&) = delete;

    // A token at any position, for malformed lists.
    void AddToken(const std::string& p_sName, int32_t p_iPosition)
    {
        m_vNames.push_back(std::make_unique<std::string>(p_sName));
        auto oToken = std::make_unique<CMessageToken>();
        oToken->m_szName = m_vNames.back()->data();
        oToken->m_iPosition = p_iPosition;
        AppendItem(*m_p_oList, std::move(oToken));
    }

    const char* Text() const
    {
        return m_sText.c_str();
    }
    const CMessageTokenList* Tokens() const
    {
        return m_p_oList;
    }

  private:
    std::string m_sText;
    std::vector<std::unique_ptr<std::string>> m_vNames;
    CMessageTokenList* m_p_oList = NewList<CMessageTokenList>().release();
};

// The items of a list, in order.
template <class TItem> std::vector<TItem*> ItemsOf(const CRecordList<TItem>* p_p_oList)
{
    std::vector<TItem*> vItems;
    if (p_p_oList != nullptr)
        for (auto* p_oNode = p_p_oList->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
            vItems.push_back(p_oNode->m_p_oItem);
    return vItems;
}
