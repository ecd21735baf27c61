// standins/outlook/ol_item_window_win.h: a store item opened from the object model: a mail message in a
// read note (its read-note-context extensions installed), a contact, appointment or task in an
// inspector frame showing its fields.
#pragma once

#include "standins/outlook/ol_window_win.h"

namespace olstandin
{
class CInspector final : public CHostWindow
{
  public:
    CInspector(CWindowOwner& p_oOwner, CItemFields p_oFields) : CHostWindow(p_oOwner), m_oFields(std::move(p_oFields))
    {
    }

    [[nodiscard]] bool Create();
    [[nodiscard]] const CEntryId& EntryId() const
    {
        return m_oFields.m_oEntryId;
    }
    // The read note's message, as the extension callback's GetObject gives it.
    com_ptr<IMAPIProp> SiteObject() override;
    std::vector<CItemRow> SiteSelection() override;

  protected:
    void OwnCommand(UINT p_nCommand) override;
    void Layout(int p_iWidth, int p_iHeight) override;

  private:
    [[nodiscard]] bool CreateFields();

    CItemFields m_oFields;
    HWND m_hPane = nullptr;
    HWND m_hBody = nullptr;
};
} // namespace olstandin
