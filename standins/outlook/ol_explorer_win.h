// standins/outlook/ol_explorer_win.h: the explorer: folder tree and message list over the default
// store, menu bar, standard toolbar and command bars, its viewer-context extensions and its Explorer
// object.
#pragma once

#include "standins/outlook/ol_explorer_object_win.h"
#include "standins/outlook/ol_window_win.h"

#include <memory>

namespace olstandin
{
class CExplorer final : public CHostWindow, public CExplorerView
{
  public:
    explicit CExplorer(CWindowOwner& p_oOwner) : CHostWindow(p_oOwner)
    {
    }
    ~CExplorer() override;

    [[nodiscard]] bool Create();
    // The Explorer object of this window (made with the window, before its extensions install).
    [[nodiscard]] com_ptr<IDispatch> Object() const
    {
        return com_ptr<IDispatch>::copy_from(m_p_oObject.get());
    }
    [[nodiscard]] CCommandBars* Bars() const
    {
        return m_p_oObject ? &m_p_oObject->Bars() : nullptr;
    }
    HWND ViewWindow() override
    {
        return m_hWnd;
    }
    CEntryId ViewFolder() override
    {
        return m_nFolder < m_vFolders.size() ? m_vFolders[m_nFolder].m_oEntryId : CEntryId();
    }
    std::vector<CItemRow> ViewSelection() override
    {
        return SiteSelection();
    }
    bool ViewShowFolder(const CEntryId& p_oFolder) override;
    com_ptr<IMAPIProp> SiteObject() override;
    std::vector<CItemRow> SiteSelection() override;

    // Control channel: show a folder by name, select list rows, run a menu item by its text.
    [[nodiscard]] bool ShowFolder(const std::string& p_sName);
    [[nodiscard]] bool Select(const std::vector<int>& p_vRows);
    [[nodiscard]] bool ClickMenu(const std::string& p_sText);
    [[nodiscard]] bool ClickButton(const std::string& p_sText);
    [[nodiscard]] std::string DumpMenus() const;

  protected:
    LRESULT HandleMessage(UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam) override;
    void OwnCommand(UINT p_nCommand) override;
    void Layout(int p_iWidth, int p_iHeight) override;

  private:
    [[nodiscard]] HMENU BuildMenuBar() const;
    void FillTree();
    void LoadFolder(size_t p_nFolder);
    void UpdateTitle();

    HWND m_hTree = nullptr;
    HWND m_hList = nullptr;
    std::vector<CFolderRow> m_vFolders;
    std::vector<HTREEITEM> m_vTreeItems;
    size_t m_nFolder = 0;
    std::vector<CItemRow> m_vItems;
    bool m_bSelectionPosted = false;
    com_ptr<CExplorerObject> m_p_oObject;
};
} // namespace olstandin
