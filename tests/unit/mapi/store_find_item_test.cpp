// tests/unit/mapi/store_find_item_test.cpp: finding an item by id through the kept map of places
// while items are added, removed, moved between folders and folders are deleted.
#include "standins/mapi/store/store_file.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace mapistore;

namespace
{
CFolder& AddFolder(CFolder& p_parent, uint32_t p_uId)
{
    p_parent.m_vFolders.push_back(std::make_unique<CFolder>());
    p_parent.m_vFolders.back()->m_uId = p_uId;
    return *p_parent.m_vFolders.back();
}

void AddItems(CFolder& p_folder, uint32_t p_uFirst, uint32_t p_uCount)
{
    for (uint32_t id = p_uFirst; id < p_uFirst + p_uCount; ++id)
    {
        CItem item;
        item.m_uId = id;
        p_folder.m_vItems.push_back(std::move(item));
    }
}

// The folder id holding p_uId, 0 when FindItem finds nothing; fails when the place it names
// does not hold that item.
uint32_t Where(CFolder& p_root, uint32_t p_uId)
{
    const CItemRef ref = FindItem(p_root, p_uId);
    if (!ref.m_pFolder)
        return 0;
    EXPECT_EQ(ref.Item()->m_uId, p_uId);
    return ref.m_pFolder->m_uId;
}
} // namespace

TEST(mapi_store_find_item, places_follow_every_change_of_the_folders)
{
    CFolder root;
    root.m_uId = 1;
    CFolder& calendar = AddFolder(root, 2);
    CFolder& tasks = AddFolder(root, 3);
    AddItems(calendar, 100, 50);
    AddItems(tasks, 200, 5);
    AddItems(root, 300, 1);
    for (uint32_t id : {100u, 149u, 200u, 204u})
        EXPECT_EQ(Where(root, id), id < 200 ? 2u : 3u);
    EXPECT_EQ(Where(root, 300), 1u) << "the root's own items";
    EXPECT_EQ(Where(root, 999), 0u);

    // Removing an item moves the ones after it down a place.
    calendar.m_vItems.erase(calendar.m_vItems.begin() + 10);
    EXPECT_EQ(Where(root, 110), 0u);
    EXPECT_EQ(Where(root, 111), 2u);
    EXPECT_EQ(Where(root, 149), 2u);

    // An item moved to another folder, and one added.
    tasks.m_vItems.push_back(std::move(calendar.m_vItems.front()));
    calendar.m_vItems.erase(calendar.m_vItems.begin());
    EXPECT_EQ(Where(root, 100), 3u);
    AddItems(calendar, 150, 1);
    EXPECT_EQ(Where(root, 150), 2u);

    // A folder deleted with its items: nothing of it is found, and nothing points into it.
    root.m_vFolders.erase(root.m_vFolders.begin() + 1);
    EXPECT_EQ(Where(root, 100), 0u);
    EXPECT_EQ(Where(root, 201), 0u);
    EXPECT_EQ(Where(root, 149), 2u);
}
