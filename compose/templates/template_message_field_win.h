// compose/templates/template_message_field_win.h: CTemplateMessageField, the template editor's body:
// a message field whose token objects are template fields (drawn as "<<label>>", one character for
// the caret, the selection and deleting), saved as ".template" files and copied and pasted in the
// "TemplateToken" clipboard format with plain text alongside.
#pragma once

#include "compose/fields/message_field_win.h"
#include "compose/templates/template_file.h"

#include <string>
#include <vector>

// Sent to the editor window when a field object was double-clicked: edit the field at the caret.
constexpr UINT WM_TEMPLATE_EDITFIELD = WM_APP + 0x2E0;

class CTemplateMessageField : public CMessageField
{
  public:
    CTemplateMessageField();

    // A field object for p_oField at the caret, in place of the selection.
    [[nodiscard]] bool InsertField(const compose::CTemplateField& p_oField);
    // The field object at the caret: the selected one, else the one right after or before the
    // caret. Its position goes into p_iPosition.
    [[nodiscard]] bool FieldAtCaret(long& p_iPosition, compose::CTemplateField& p_oField);
    // Gives the field object at p_iPosition a new definition.
    [[nodiscard]] bool ReplaceFieldAt(long p_iPosition, const compose::CTemplateField& p_oField);
    // The characters p_iStart to p_iEnd (-1: the end) as a template.
    [[nodiscard]] bool RangeTemplate(long p_iStart, long p_iEnd, compose::CTemplate& p_oTemplate);
    // The field objects of the range in text order, positions counted in the control.
    [[nodiscard]] bool Fields(long p_iStart, long p_iEnd, std::vector<compose::CTemplateField>& p_vFields);

    [[nodiscard]] bool LoadFromFile(const std::string& p_sPath, HWND p_hOwner) override;
    [[nodiscard]] bool PasteSerialised(const uint8_t* p_pData, size_t p_nSize) override;
    [[nodiscard]] bool Serialise(long p_iStart, long p_iEnd, std::string& p_sOut) override;
    IOleObject* NewTokenObject(const std::string& p_sName) override;
    bool TokenName(IUnknown* p_pObject, std::string& p_sName) override;

  protected:
    bool OnMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam, LRESULT& p_lResult) override;

  private:
    // The field object drawn under a point of the control, by its position.
    [[nodiscard]] bool FieldUnder(POINTL p_oPoint, long& p_iPosition);
    // The definition the next object made by NewTokenObject carries.
    const compose::CTemplateField* m_p_oNextField = nullptr;
};
