// compose/fields/quillet_field_win.h: CQuilletField, the SMS body: a message field that takes only
// what an SMS can carry in the GSM alphabet, holds "MessageToken" token objects, saves as ".sms",
// counts its SMS messages and keeps the compression setting the core's compressor chose for it.
#pragma once

#include "Addressbook/include/corvane_win.h"
#include "Addressbook/messaging/gsm_alphabet.h"
#include "compose/fields/message_field_win.h"

#include <cstdint>
#include <string>
#include <vector>

// Messages the body sends its window.
constexpr UINT WM_SMS_FIELDFOCUS = 0x0478;    // wParam: the field that took the focus
constexpr UINT WM_SMS_INSERTTOGGLED = 0x0496; // the Insert key was pressed in the body

// A token list built by the host for a core call; it points into itself, so it stays put.
class CHostTokenList
{
  public:
    explicit CHostTokenList(const std::vector<compose::CBodyToken>& p_vTokens);
    CHostTokenList(const CHostTokenList&) = delete;
    CHostTokenList& operator=(const CHostTokenList&) = delete;
    // Null when there are no tokens.
    const CMessageTokenList* List() const
    {
        return m_oList.m_dwCount != 0 ? &m_oList : nullptr;
    }

  private:
    std::vector<std::string> m_vNames;
    std::vector<CMessageToken> m_vTokens;
    std::vector<CRecordNode<CMessageToken>> m_vNodes;
    CMessageTokenList m_oList;
};

class CQuilletField : public CMessageField
{
  public:
    CQuilletField();

    // True when the body takes the (ANSI) character: always on Windows 95, 98 and Me; elsewhere
    // when its GSM class is above 0.
    static bool IsGSMCharacter(char p_cCharacter, const char* p_szCaller = "CQuilletField::IsGSMCharacter");
    // Windows NT and its successors, as GetVersionEx says (also when it cannot say).
    static bool IsNTFamily(const char* p_szCaller);

    // Replaces every Unicode unit an SMS cannot carry on the clipboard's text with "?", so that
    // the paste that follows brings none in. Only on the NT family.
    [[nodiscard]] bool OnPaste();

    // Inserts a token object at the caret.
    [[nodiscard]] bool InsertToken(const std::string& p_sName);
    // Marks every token available when its name is in the list, redrawing those whose mark changed.
    void SetAvailableTokens(const std::vector<std::string>& p_vNames);
    // The body with line breaks as LF and a placeholder at each token, and the tokens (name and
    // position, in text order). An empty body is no text and success.
    [[nodiscard]] bool GetBodyAndTokens(std::string& p_sBody, std::vector<compose::CBodyToken>& p_vTokens);
    // The body with its tokens written out as "<<name>>", line breaks as LF.
    std::string GetPlainText();
    // The status bar's count: septets of the text, less the embedded objects.
    CBodyCount Count();
    // Tools > Compress: the core's dialog compresses the text, the tokens go back where their
    // placeholders ended up. False when nothing changed.
    [[nodiscard]] bool Compress(HWND p_hOwner, PFN_CompressWithDialog p_pfnCompress, PFN_FreeString p_pfnFree);

    uint32_t Compression() const
    {
        return m_dwCompression;
    }
    void SetCompression(uint32_t p_dwCompression)
    {
        m_dwCompression = p_dwCompression;
    }

    IOleObject* NewTokenObject(const std::string& p_sName) override;
    bool TokenName(IUnknown* p_pObject, std::string& p_sName) override;

  protected:
    bool OnMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam, LRESULT& p_lResult) override;

  private:
    uint32_t m_dwCompression = 0;
};
