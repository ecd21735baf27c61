// standins/outlook/ol_explorer_object_win.h: the Explorer object of one explorer window: Caption,
// CommandBars, CurrentFolder, Selection, Activate, Close, and the ExplorerEvents it raises (Activate,
// FolderSwitch, SelectionChange, Close).
#pragma once

#include "standins/outlook/ol_commandbars_win.h"
#include "standins/outlook/ol_extensions_win.h"

namespace olstandin
{
// What the Explorer object asks of its window.
class CExplorerView
{
  public:
    virtual ~CExplorerView() = default;
    virtual HWND ViewWindow() = 0;
    virtual CEntryId ViewFolder() = 0;
    virtual std::vector<CItemRow> ViewSelection() = 0;
    [[nodiscard]] virtual bool ViewShowFolder(const CEntryId& p_oFolder) = 0;
};

class CExplorerObject final : public CEventObject
{
  public:
    CExplorerObject(CHostServices& p_oServices, CExplorerView* p_pView, HWND p_hFrame);
    ~CExplorerObject() override;

    // The window is gone: members that need it fail from now on; the bars stop drawing.
    void Detach();
    CCommandBars& Bars()
    {
        return *m_p_oBars.get();
    }
    void RaiseActivate();
    void RaiseFolderSwitch();
    void RaiseSelectionChange();
    void RaiseClose();

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override;
    HRESULT Put(DISPID p_id, const VARIANT& p_oValue) override;

  private:
    CHostServices& m_oServices;
    CExplorerView* m_pView;
    com_ptr<CCommandBars> m_p_oBars;
};

// Objects of the object model the explorer hands out (ol_object_model_win.cpp).
[[nodiscard]] com_ptr<IDispatch> CreateFolderObject(CHostServices& p_oServices, CEntryId p_oEntryId);
[[nodiscard]] com_ptr<IDispatch> CreateItemCollection(CHostServices& p_oServices, std::vector<CItemRow> p_vItems);
// An item's FormDescription (ol_forms_win.cpp).
[[nodiscard]] com_ptr<IDispatch> CreateFormDescription(CHostServices& p_oServices, const std::string& p_sMessageClass);
// The folder an Explorer or MAPIFolder object shows; false for another kind of object.
[[nodiscard]] bool FolderOfObject(IDispatch* p_pObject, CEntryId& p_oEntryId);
} // namespace olstandin
