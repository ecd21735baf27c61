// Addressbook/messaging/item_list.h: the operations of Corvane's owning lists (recipients, extra
// properties, final SMS), whatever their item type.
#pragma once

#include "Addressbook/include/corvane_records.h"

#include <cstdint>
#include <memory>

// Frees a whole list: every owned item (through its own destructor), every node, the scratch buffer.
template <class TList> void DestroyList(TList* p_p_oList) noexcept
{
    if (p_p_oList == nullptr)
        return;
    auto* p_oNode = p_p_oList->m_p_oFirst;
    while (p_oNode != nullptr)
    {
        auto* p_oNext = p_oNode->m_p_oNext;
        if (p_oNode->m_iOwnsItem != 0)
            delete p_oNode->m_p_oItem;
        delete p_oNode;
        p_oNode = p_oNext;
    }
    delete[] p_p_oList->m_p_cScratch;
    delete p_p_oList;
}

struct CListDeleter
{
    template <class TList> void operator()(TList* p_p_oList) const noexcept
    {
        DestroyList(p_p_oList);
    }
};
template <class TList> using ListPtr = std::unique_ptr<TList, CListDeleter>;

template <class TList> ListPtr<TList> NewList()
{
    return ListPtr<TList>(new TList());
}

// Links an item in before p_p_oBefore (null: at the end). Only the node allocation can throw, and
// it happens before anything changes.
template <class TItem>
void LinkItemBefore(CRecordList<TItem>& p_oList, typename CRecordList<TItem>::Node* p_p_oBefore, TItem* p_p_oItem,
                    bool p_bOwns)
{
    auto* p_oNode = new typename CRecordList<TItem>::Node();
    p_oNode->m_iOwnsItem = p_bOwns ? 1 : 0;
    p_oNode->m_p_oItem = p_p_oItem;
    p_oNode->m_p_oNext = p_p_oBefore;
    p_oNode->m_p_oPrev = p_p_oBefore == nullptr ? p_oList.m_p_oLast : p_p_oBefore->m_p_oPrev;
    if (p_oNode->m_p_oPrev != nullptr)
        p_oNode->m_p_oPrev->m_p_oNext = p_oNode;
    else
        p_oList.m_p_oFirst = p_oNode;
    if (p_p_oBefore != nullptr)
        p_p_oBefore->m_p_oPrev = p_oNode;
    else
        p_oList.m_p_oLast = p_oNode;
    ++p_oList.m_dwCount;
    p_oList.m_iOwnsItems = 1;
}

// The list takes the item over only once it is linked in; on failure the caller still holds it.
template <class TItem> void AppendItem(CRecordList<TItem>& p_oList, std::unique_ptr<TItem>& p_oItem)
{
    LinkItemBefore(p_oList, nullptr, p_oItem.get(), true);
    p_oItem.release();
}
template <class TItem> void AppendItem(CRecordList<TItem>& p_oList, std::unique_ptr<TItem>&& p_oItem)
{
    AppendItem(p_oList, p_oItem);
}

// Appends an item the list only refers to: deleting the list leaves it alone.
template <class TItem> void AppendSharedItem(CRecordList<TItem>& p_oList, TItem* p_p_oItem)
{
    LinkItemBefore(p_oList, nullptr, p_p_oItem, false);
}

template <class TItem>
typename CRecordList<TItem>::Node* NodeAt(const CRecordList<TItem>& p_oList, uint32_t p_dwPosition)
{
    auto* p_oNode = p_oList.m_p_oFirst;
    for (uint32_t i = 0; i < p_dwPosition && p_oNode != nullptr; ++i)
        p_oNode = p_oNode->m_p_oNext;
    return p_oNode;
}

// Position equal to the count appends; a position beyond it (or negative) is refused.
template <class TItem>
[[nodiscard]] bool InsertItemAt(CRecordList<TItem>& p_oList, std::unique_ptr<TItem>& p_oItem, int32_t p_iPosition)
{
    if (p_iPosition < 0 || static_cast<uint32_t>(p_iPosition) > p_oList.m_dwCount)
        return false;
    auto* p_oBefore = static_cast<uint32_t>(p_iPosition) == p_oList.m_dwCount ? nullptr : NodeAt(p_oList, p_iPosition);
    LinkItemBefore(p_oList, p_oBefore, p_oItem.get(), true);
    p_oItem.release();
    return true;
}

// Unlinks and frees one node (and its item when owned). A cursor on it moves to the previous node,
// or to the first when there is none.
template <class TItem> void RemoveNode(CRecordList<TItem>& p_oList, typename CRecordList<TItem>::Node* p_p_oNode)
{
    if (p_p_oNode->m_p_oPrev != nullptr)
        p_p_oNode->m_p_oPrev->m_p_oNext = p_p_oNode->m_p_oNext;
    else
        p_oList.m_p_oFirst = p_p_oNode->m_p_oNext;
    if (p_p_oNode->m_p_oNext != nullptr)
        p_p_oNode->m_p_oNext->m_p_oPrev = p_p_oNode->m_p_oPrev;
    else
        p_oList.m_p_oLast = p_p_oNode->m_p_oPrev;
    if (p_oList.m_p_oCursor == p_p_oNode)
        p_oList.m_p_oCursor = p_p_oNode->m_p_oPrev != nullptr ? p_p_oNode->m_p_oPrev : p_oList.m_p_oFirst;
    --p_oList.m_dwCount;
    if (p_p_oNode->m_iOwnsItem != 0)
        delete p_p_oNode->m_p_oItem;
    delete p_p_oNode;
}

template <class TItem> bool DeleteItemAt(CRecordList<TItem>& p_oList, int32_t p_iPosition)
{
    if (p_iPosition < 0 || static_cast<uint32_t>(p_iPosition) >= p_oList.m_dwCount)
        return false;
    auto* p_oNode = NodeAt(p_oList, static_cast<uint32_t>(p_iPosition));
    if (p_oNode == nullptr)
        return false;
    RemoveNode(p_oList, p_oNode);
    return true;
}

// Cursor walk: set to the first item, then advance; both return the item now under the cursor.
template <class TItem> TItem* SetCursorToFirst(CRecordList<TItem>& p_oList)
{
    p_oList.m_p_oCursor = p_oList.m_p_oFirst;
    return p_oList.m_p_oCursor == nullptr ? nullptr : p_oList.m_p_oCursor->m_p_oItem;
}
template <class TItem> TItem* AdvanceCursor(CRecordList<TItem>& p_oList)
{
    if (p_oList.m_p_oCursor != nullptr)
        p_oList.m_p_oCursor = p_oList.m_p_oCursor->m_p_oNext;
    return p_oList.m_p_oCursor == nullptr ? nullptr : p_oList.m_p_oCursor->m_p_oItem;
}
