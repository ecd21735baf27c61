// compose/fields/recipient_field_win.h: CRecipientField, the To and Cc fields: typed names and
// numbers between semicolons, checked recipients as embedded CConfirmedRecipient objects, the
// field's recipient list read from both, the clipboard in "SMSRecip" and text, the keyboard rules
// (separators, the comma question, completion reports) and the context menu.
#pragma once

#include "compose/address_book_binding_win.h"
#include "compose/fields/my_rich_edit_win.h"

#include <string>
#include <vector>

// Sent to the compose window after a typed character reached a field: wParam the character,
// lParam the field's window.
constexpr UINT WM_SMS_RECIPIENTCHAR = 0x04A0;
// The context menu's Properties item.
constexpr int kCmdRecipientProperties = 32832;

class CRecipientField : public CMyRichEdit
{
  public:
    // The core makes and frees the records; p_pp_mrlList is the window's list for this field,
    // which the field re-reads and adds pasted recipients to.
    void Bind(CAddressBookControlObject* p_p_abcoCore, CMessageRecipientList** p_pp_mrlList);

    // Recreates the list from the field: a copy of each embedded recipient in text order, then a
    // new unresolved recipient for each typed piece.
    [[nodiscard]] bool FillRecipientList();
    // Clears the field and shows the list again: checked recipients as objects, then the others'
    // texts, separated by "; ".
    [[nodiscard]] bool RewriteFromList(const CMessageRecipientList* p_p_mrlList);
    // Embeds a copy of p_oRecipient at the caret.
    [[nodiscard]] bool InsertRecipientObject(const CMessageRecipient& p_oRecipient);

    // The recipients of the embedded objects, in text order (the objects keep them).
    std::vector<const CMessageRecipient*> EmbeddedRecipients() const;

    // The clipboard operations of WM_COPY, WM_CUT and WM_PASTE.
    [[nodiscard]] bool Copy();
    [[nodiscard]] bool Cut();
    [[nodiscard]] bool Paste();

    // Inserts "; " at the caret, replacing a semicolon that already follows it.
    void InsertSeparator();
    // The text the field holds, one character for each embedded object.
    std::string RawText() const;

  protected:
    bool OnMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam, LRESULT& p_lResult) override;

  private:
    struct CObjectAt
    {
        long m_iPosition;
        const CMessageRecipient* m_p_oRecipient;
    };
    std::vector<CObjectAt> Objects() const;
    void OnComma();
    void ShowContextMenu(LPARAM p_lParam);
    [[nodiscard]] bool PasteBlocks(IDataObject* p_pData);

    CAddressBookControlObject* m_p_abcoCore = nullptr;
    CMessageRecipientList** m_pp_mrlList = nullptr;
    // How many recipients at the start of the list came from objects: the rest are the typed texts.
    long m_iLastTextIndex = -1;
};
