// compose/fields/message_field_win.h: CMessageField, the rich edit family of message bodies (the
// SMS body and the template editor's body): text with token objects, saved and loaded as the
// serialised form or as text, copied and pasted through the OLE clipboard in the field's own
// registered format together with plain text.
#pragma once

#include "common/com_ref_count_win.h"
#include "compose/fields/my_rich_edit_win.h"
#include "compose/fields/token_stream.h"

#include <ole2.h>

#include <cstdint>
#include <string>
#include <vector>

// The formats a field's clipboard data object offers (registered format, ANSI and Unicode text).
class CEnumFormatEtc final : public IEnumFORMATETC
{
  public:
    explicit CEnumFormatEtc(std::vector<FORMATETC> p_vFormats, size_t p_nAt = 0);

    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG p_nCount, FORMATETC* p_pFormats, ULONG* p_pnFetched) override;
    STDMETHODIMP Skip(ULONG p_nCount) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumFORMATETC** p_ppEnum) override;

  private:
    friend class ::CComRefCount;
    ~CEnumFormatEtc() = default;
    CComRefCount m_oRefs;
    std::vector<FORMATETC> m_vFormats;
    size_t m_nAt;
};

// One embedded object of a field: where it is and, for a token, its name.
struct CFieldObject
{
    long m_iPosition = 0;
    bool m_bToken = false;
    std::string m_sName;
};

class CMessageField : public CMyRichEdit
{
  public:
    // p_sFormatName: the clipboard format of the field's token objects; p_sExtension: the field's
    // own file extension, without the dot.
    CMessageField(std::string p_sFormatName, std::string p_sExtension);
    ~CMessageField() override;

    // Files: the extension decides between the own format and text. Load fails silently for an
    // empty or unreadable file and with the "File corrupt" box for a damaged own-format file; save
    // shows "File write error". p_hOwner owns the boxes.
    [[nodiscard]] virtual bool LoadFromFile(const std::string& p_sPath, HWND p_hOwner);
    [[nodiscard]] virtual bool SaveToFile(const std::string& p_sPath, HWND p_hOwner);
    // Inserts a serialised range at the caret; false, changing nothing, when the bytes are damaged.
    [[nodiscard]] virtual bool PasteSerialised(const uint8_t* p_pData, size_t p_nSize);
    // True to go on with a save.
    virtual bool CheckBeforeSave()
    {
        return true;
    }
    // The serialised form of the characters p_iStart to p_iEnd.
    [[nodiscard]] virtual bool Serialise(long p_iStart, long p_iEnd, std::string& p_sOut);
    // The range's text with each token written out as "<<name>>", line breaks as LF.
    virtual std::string PlainTextWithTokens(long p_iStart, long p_iEnd);
    // The tokens of the range, positions counted from p_iStart, in text order.
    [[nodiscard]] virtual bool ReadTokens(long p_iStart, long p_iEnd, std::vector<compose::CBodyToken>& p_vTokens);
    // A new token object of the field's kind (one reference, the caller's).
    virtual IOleObject* NewTokenObject(const std::string& p_sName) = 0;
    // The name of an embedded object when it is one of the field's tokens.
    virtual bool TokenName(IUnknown* p_pObject, std::string& p_sName) = 0;
    // Copies the selection to the OLE clipboard (and deletes it when cutting).
    [[nodiscard]] virtual bool Copy(bool p_bCut);

    // Pastes the clipboard at the caret: the field's own format when offered, else plain text.
    [[nodiscard]] bool Paste();
    // Inserts a token object at the caret, replacing the selection.
    [[nodiscard]] bool InsertTokenAtCaret(const std::string& p_sName);
    // Replaces the one character at p_iPosition with a token object.
    [[nodiscard]] bool InsertTokenAtPos(long p_iPosition, const std::string& p_sName);

    // Number of characters (positions) in the control; a line break is one.
    long Length() const;
    // The characters p_iStart to p_iEnd as the control holds them, each line break one CR.
    std::string RangeText(long p_iStart, long p_iEnd) const;
    // Every embedded object of the range, in text order; false without an OLE interface.
    [[nodiscard]] bool Objects(long p_iStart, long p_iEnd, std::vector<CFieldObject>& p_vObjects);
    UINT Format() const
    {
        return m_uFormat;
    }
    const std::string& Extension() const
    {
        return m_sExtension;
    }

  protected:
    // Tells the parent the content changed, as a typed change would.
    void NotifyChanged() const;
    // Pastes the field's own format p_oFormat from p_pData.
    [[nodiscard]] bool PasteOwnFormat(const com_ptr<IDataObject>& p_pData, FORMATETC& p_oFormat);

    std::string m_sFormatName;
    std::string m_sExtension;
    UINT m_uFormat = 0;
    // The selection the last serialisation covered.
    long m_iCacheStart = 0;
    long m_iCacheEnd = 0;
};
