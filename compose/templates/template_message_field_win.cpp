// compose/templates/template_message_field_win.cpp: the template editor's body: its field objects,
// the template layout for files and the clipboard, and its keyboard and mouse.
#include "compose/templates/template_message_field_win.h"

#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/message_box_win.h"
#include "compose/fields/body_text.h"
#include "compose/quillet_strings.h"
#include "compose/templates/template_field_object_win.h"
#include "compose/templates/template_text.h"

#include <richole.h>
#include <windowsx.h>

#include <algorithm>

namespace
{
using compose::CTemplate;
using compose::CTemplateField;

bool KeyDown(int p_iKey)
{
    return GetKeyState(p_iKey) < 0;
}

// The field an embedded object carries, when it is a field object.
bool FieldOf(IUnknown* p_pObject, CTemplateField& p_oField)
{
    const com_ptr<ITemplateFieldObject> object =
        com_ptr<IUnknown>::copy_from(p_pObject).query<ITemplateFieldObject>(IID_ITemplateFieldObject);
    const CTemplateField* pField = nullptr;
    if (!object || FAILED(object->GetField(&pField)) || pField == nullptr)
        return false;
    p_oField = *pField;
    return true;
}
} // namespace

CTemplateMessageField::CTemplateMessageField() : CMessageField("TemplateToken", "template")
{
}

IOleObject* CTemplateMessageField::NewTokenObject(const std::string& p_sName)
{
    if (m_p_oNextField != nullptr)
        return CreateTemplateFieldObject(*m_p_oNextField);
    CTemplateField oField;
    oField.m_sName = p_sName;
    return CreateTemplateFieldObject(oField);
}

bool CTemplateMessageField::TokenName(IUnknown* p_pObject, std::string& p_sName)
{
    CTemplateField oField;
    if (!FieldOf(p_pObject, oField))
        return false;
    p_sName = compose::TemplateFieldLabel(oField);
    return true;
}

bool CTemplateMessageField::InsertField(const CTemplateField& p_oField)
{
    m_p_oNextField = &p_oField;
    const bool bInserted = InsertTokenAtCaret(p_oField.m_sName);
    m_p_oNextField = nullptr;
    if (bInserted)
        NotifyChanged();
    return bInserted;
}

bool CTemplateMessageField::Fields(long p_iStart, long p_iEnd, std::vector<CTemplateField>& p_vFields)
{
    p_vFields.clear();
    std::vector<CEmbeddedObject> embedded;
    if (!EmbeddedObjects(embedded))
        return false;
    for (const CEmbeddedObject& object : embedded)
    {
        if (!object.m_pObject || object.m_iPosition < p_iStart || (p_iEnd >= 0 && object.m_iPosition >= p_iEnd))
            continue;
        CTemplateField oField;
        if (!FieldOf(object.m_pObject.get(), oField))
            continue;
        oField.m_iPosition = static_cast<int32_t>(object.m_iPosition);
        p_vFields.push_back(std::move(oField));
    }
    return true;
}

bool CTemplateMessageField::RangeTemplate(long p_iStart, long p_iEnd, CTemplate& p_oTemplate)
{
    std::vector<CTemplateField> vFields;
    if (!Fields(p_iStart, p_iEnd, vFields))
        return false;
    for (CTemplateField& oField : vFields)
        oField.m_iPosition -= static_cast<int32_t>(p_iStart);
    p_oTemplate = compose::TemplateFromControl(RangeText(p_iStart, p_iEnd), std::move(vFields));
    return true;
}

bool CTemplateMessageField::FieldAtCaret(long& p_iPosition, CTemplateField& p_oField)
{
    long start = 0;
    long end = 0;
    GetSelection(start, end);
    std::vector<CTemplateField> vFields;
    if (!Fields(std::max(0L, start - 1), start + 1, vFields) || vFields.empty())
        return false;
    // The selected object, or the one after the caret, before the one the caret follows.
    const CTemplateField* pChosen = &vFields.front();
    for (const CTemplateField& oField : vFields)
        if (oField.m_iPosition == start)
            pChosen = &oField;
    p_iPosition = pChosen->m_iPosition;
    p_oField = *pChosen;
    return true;
}

bool CTemplateMessageField::ReplaceFieldAt(long p_iPosition, const CTemplateField& p_oField)
{
    std::vector<CTemplateField> vFields;
    if (!Fields(p_iPosition, p_iPosition + 1, vFields) || vFields.empty())
        return false;
    // A new object in its place: the control lays the new label out at its own width.
    SetSelection(p_iPosition, p_iPosition + 1);
    return InsertField(p_oField);
}

bool CTemplateMessageField::Serialise(long p_iStart, long p_iEnd, std::string& p_sOut)
{
    CTemplate oTemplate;
    if (!RangeTemplate(p_iStart, p_iEnd, oTemplate))
        return false;
    m_iCacheStart = p_iStart;
    m_iCacheEnd = p_iEnd;
    p_sOut = compose::WriteTemplate(oTemplate);
    return true;
}

bool CTemplateMessageField::PasteSerialised(const uint8_t* p_pData, size_t p_nSize)
{
    CTemplate oRead;
    const compose::ETemplateResult eResult = compose::ReadTemplate(p_pData, p_nSize, oRead);
    if (eResult != compose::ETemplateResult::Ok)
    {
        LOG_FAILURE("%s", compose::TemplateResultText(eResult));
        return false;
    }
    const CTemplate oControl = compose::TemplateForControl(oRead);
    long start = 0;
    long end = 0;
    GetSelection(start, end);
    if (!oControl.m_sText.empty())
        ReplaceSelection(oControl.m_sText, true);
    long after = 0;
    GetSelection(after, end);
    // The control's limit may have cut the text short: fields past what went in are dropped.
    for (const CTemplateField& oField : oControl.m_vFields)
    {
        if (start + oField.m_iPosition >= after)
            continue;
        SetSelection(start + oField.m_iPosition, start + oField.m_iPosition + 1);
        m_p_oNextField = &oField;
        const bool bInserted = InsertTokenAtCaret(oField.m_sName);
        m_p_oNextField = nullptr;
        if (!bInserted)
            LOG_FAILURE("InsertTokenAtPos failed for the field %s", oField.m_sName.c_str());
    }
    SetSelection(after, after);
    NotifyChanged();
    return true;
}

bool CTemplateMessageField::LoadFromFile(const std::string& p_sPath, HWND p_hOwner)
{
    if (compose::FileKindOf(p_sPath, m_sExtension) != compose::EFileKind::Own)
        return CMessageField::LoadFromFile(p_sPath, p_hOwner);
    std::string bytes;
    const EReadFile read = ReadWholeFile(p_sPath, bytes);
    if (read != EReadFile::Read || bytes.empty())
    {
        LOG_FAILURE("nothing read from %s (%d)", p_sPath.c_str(), static_cast<int>(read));
        return false;
    }
    // The body is cleared only for a file that reads back whole: a damaged one loses nothing.
    CTemplate oTemplate;
    const compose::ETemplateResult eResult =
        compose::ReadTemplate(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), oTemplate);
    if (eResult != compose::ETemplateResult::Ok)
    {
        LOG_FAILURE("%s: %s", p_sPath.c_str(), compose::TemplateResultText(eResult));
        ShowMessageBox(p_hOwner, QuilletText(kQMsgFileCorrupt, kProductTitle), QuilletText(kQCaptionFileCorrupt),
                       MB_OK | MB_ICONERROR);
        return false;
    }
    SetText(std::string());
    SetSelection(0, 0);
    return PasteSerialised(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

bool CTemplateMessageField::FieldUnder(POINTL p_oPoint, long& p_iPosition)
{
    const auto iNearest =
        static_cast<long>(SendMessageA(m_hWnd, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&p_oPoint)));
    // The nearest character may be the field or the one after it, whichever half was hit.
    for (long iAt : {iNearest, iNearest - 1})
    {
        std::vector<CTemplateField> vFields;
        if (iAt < 0 || !Fields(iAt, iAt + 1, vFields) || vFields.empty())
            continue;
        POINTL oLeft{};
        POINTL oRight{};
        SendMessageA(m_hWnd, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&oLeft), iAt);
        SendMessageA(m_hWnd, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&oRight), iAt + 1);
        const bool bSameLine = oRight.y == oLeft.y;
        if (p_oPoint.x >= oLeft.x && (!bSameLine || p_oPoint.x < oRight.x))
        {
            p_iPosition = iAt;
            return true;
        }
    }
    return false;
}

bool CTemplateMessageField::OnMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam, LRESULT& p_lResult)
{
    p_lResult = 0;
    switch (p_uMsg)
    {
    case WM_CHAR:
        // Pasting goes through WM_PASTE, not the Ctrl+V character.
        return p_wParam == 0x16;
    case WM_KEYDOWN: {
        const bool bShift = KeyDown(VK_SHIFT);
        const bool bControl = KeyDown(VK_CONTROL);
        // The control's own clipboard keys would bypass the field's format.
        if ((bControl && !bShift && (p_wParam == 'C' || p_wParam == 'X' || p_wParam == VK_INSERT)) ||
            (bShift && !bControl && p_wParam == VK_DELETE))
        {
            (void)Copy(p_wParam == 'X' || p_wParam == VK_DELETE);
            return true;
        }
        if ((bControl && !bShift && p_wParam == 'V') || (bShift && !bControl && p_wParam == VK_INSERT))
        {
            (void)Paste();
            return true;
        }
        return false;
    }
    case WM_CUT:
    case WM_COPY:
        (void)Copy(p_uMsg == WM_CUT);
        return true;
    case WM_PASTE:
        (void)Paste();
        return true;
    case WM_LBUTTONDBLCLK: {
        p_lResult = CallPrevious(p_uMsg, p_wParam, p_lParam);
        // A double-click on a field selects it, and the editor opens its definition.
        long iField = 0;
        if (FieldUnder(POINTL{GET_X_LPARAM(p_lParam), GET_Y_LPARAM(p_lParam)}, iField))
        {
            SetSelection(iField, iField + 1);
            PostMessageA(m_hParentWnd, WM_TEMPLATE_EDITFIELD, 0, 0);
        }
        return true;
    }
    default:
        return false;
    }
}
