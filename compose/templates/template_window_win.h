// compose/templates/template_window_win.h: CTemplateWindow, the template editor: a top-level window
// on its own thread with a menu bar, Open/Save buttons, the "Insert Field" bar, the template body
// and a status bar; it writes and reads ".template" files and keeps the recent-template list.
#pragma once

#include "compose/quillet_process_win.h"
#include "compose/templates/template_file.h"
#include "compose/templates/template_message_field_win.h"
#include "compose/ui/compose_frame_win.h"

#include <memory>
#include <string>

// The editor's strings in Quillet's string table.
constexpr unsigned kQTextOpenButton = 38;          // "Open"
constexpr unsigned kQTextSaveButton = 39;          // "Save"
constexpr unsigned kQTextInsertFieldButton = 40;   // "Insert Field"
constexpr unsigned kQTipOpenTemplate = 41;         // "Open a template file for editing"
constexpr unsigned kQTipSaveTemplate = 42;         // "Save this template to a file"
constexpr unsigned kQTipInsertField = 43;          // "Insert a field into the template body"
constexpr unsigned kQTextFieldKindFirst = 44;      // 44..49: "Text" .. "Currency", as the Field menu
constexpr unsigned kQMsgSaveTemplateOnClose = 380; // "Do you want to save the changes to this template?"
constexpr unsigned kQCaptionSaveTemplate = 381;    // "Save Template"
constexpr unsigned kQMsgSaveTemplateOnForce = 382; // "Your mail package is now closing. Would you like..."
constexpr unsigned kQTitleTemplateEditor = 383;    // "Brevolt SMS Template Editor"
constexpr unsigned kQTextUntitled = 384;           // "Untitled"
constexpr unsigned kQStatusTemplateFields = 385;   // "%ld field(s)"

// The window property by which the server finds its template editor.
inline constexpr const char* kTemplateWindowProperty = "TemplateWindow";

class CTemplateWindow : public CComposeFrame
{
  public:
    // p_p_oWindows: the opener's window list, which the window joins when its thread starts.
    CTemplateWindow(HWND p_hParentWnd, CWindowList* p_p_oWindows);
    ~CTemplateWindow() override;

    // Starts the window's thread and waits up to 5000 ms for it to start. The thread owns the
    // window object from then on.
    [[nodiscard]] static bool Start(std::unique_ptr<CTemplateWindow> p_oWindow, bool p_bSendMessage);
    // The template editor p_oWindows lists that is still open, or null.
    static HWND FindOpen(const CWindowList& p_oWindows);

    [[nodiscard]] bool SaveToFile() override;
    [[nodiscard]] bool LoadFromFile(const std::string& p_sPath) override;
    [[nodiscard]] bool CreateChildren() override;
    bool OnCommand(WPARAM p_wParam, LPARAM p_lParam) override;
    void OnSize() override;
    void OnClose() override;

  private:
    INT_PTR HandleMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam) override;
    [[nodiscard]] bool Initialise() override;
    void OnDialogDestroyed() override;
    void ForceClose() override;
    HMENU DropDownMenu(int p_iButton, unique_hmenu& p_hOwned) override;
    unsigned ToolTipOf(UINT_PTR p_iId) const override;

    // The children (template_window_children_win.cpp).
    [[nodiscard]] bool CreateButtonBars();

    // Field > Insert new field: the kind's definition dialog, then the field at the caret.
    void InsertNewField(compose::ETemplateFieldKind p_eKind);
    // Field > Properties...: the definition of the field at the caret, edited in its dialog.
    void EditFieldAtCaret();
    void OpenFile();
    void ShowState();

    HWND m_hButtons = nullptr;
    HWND m_hInsertBar = nullptr;
    CTemplateMessageField m_oBody;
};
