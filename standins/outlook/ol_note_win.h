// standins/outlook/ol_note_win.h: the compose note: header fields with the client's control ids and
// styles, a body, and its send-note-context extensions, which see the message events when it is sent.
#pragma once

#include "standins/outlook/ol_window_win.h"

#include <memory>

namespace olstandin
{
// Control ids and style low words of the header children.
inline constexpr UINT kNoteHeaderId = 0x1001;
inline constexpr UINT kNoteToId = 0x1003;
inline constexpr UINT kNoteCcId = 0x1004;
inline constexpr UINT kNoteSubjectId = 0x1005;
inline constexpr UINT kNoteBodyId = 0x1006;
inline constexpr UINT kNoteBccId = 0x1007;
inline constexpr DWORD kNoteLineStyle = 0xC080;
inline constexpr DWORD kNoteRecipientStyle = 0xD044;

class CNote final : public CHostWindow
{
  public:
    explicit CNote(CWindowOwner& p_oOwner) : CHostWindow(p_oOwner)
    {
    }

    [[nodiscard]] bool Create();
    com_ptr<IMAPIProp> SiteObject() override;
    std::vector<CItemRow> SiteSelection() override
    {
        return {};
    }

    // Control channel: set a field ("to", "cc", "bcc", "subject", "body") as typing would.
    [[nodiscard]] bool Fill(const std::string& p_sField, const std::string& p_sText);
    // Sends as the Send button does; false when the send did not go out (the note stays open).
    [[nodiscard]] bool Send();

  protected:
    void OwnCommand(UINT p_nCommand) override;
    void Layout(int p_iWidth, int p_iHeight) override;

  private:
    [[nodiscard]] bool CreateHeader();
    HWND Field(UINT p_nId) const;

    HWND m_hEnvelope = nullptr;
    // The note's message once a send has written it.
    com_ptr<IMessage> m_p_oMessage;
};
} // namespace olstandin
