// standins/outlook/ol_explorer_win.h: the explorer: folder tree and message list over the default
// store, menu bar and standard toolbar, and its viewer-context extensions.
#pragma once

#include "standins/outlook/ol_window_win.h"

#include <memory>

namespace olstandin
{
class CExplorer final : public CHostWindow
{
  public:
    explicit CExplorer(CWindowOwner& p_oOwner) : CHostWindow(p_oOwner)
    {
    }
    ~CExplorer() override;

    [[nodiscard]] bool Create();
    CExtensionSet* Extensions() override
    {
        return m_p_oExtensions.get();
    }
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
    std::unique_ptr<CExtensionSet> m_p_oExtensions;
};
} // namespace olstandin
