// compose/fields/quillet_field_win.cpp: the SMS body's character filter, keyboard, clipboard
// clean-up, tokens, count and compression.
#include "compose/fields/quillet_field_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/fields/body_text.h"
#include "compose/fields/token_object_win.h"

#include <richole.h>

#include <algorithm>

namespace
{
std::u16string Utf16(const std::string& p_sText, UINT p_uCodePage)
{
    const std::wstring wide = AnsiToWide(p_sText, p_uCodePage);
    return std::u16string(wide.begin(), wide.end());
}

bool KeyDown(int p_iKey)
{
    return GetKeyState(p_iKey) < 0;
}
} // namespace

CHostTokenList::CHostTokenList(const std::vector<compose::CBodyToken>& p_vTokens)
{
    const size_t count = p_vTokens.size();
    m_vNames.reserve(count);
    for (const compose::CBodyToken& token : p_vTokens)
        m_vNames.push_back(token.m_sName);
    m_vTokens.resize(count);
    m_vNodes.resize(count);
    for (size_t i = 0; i < count; ++i)
    {
        m_vTokens[i].m_szName = m_vNames[i].data();
        m_vTokens[i].m_iPosition = p_vTokens[i].m_iPosition;
        m_vNodes[i].m_iOwnsItem = 0;
        m_vNodes[i].m_p_oItem = &m_vTokens[i];
        m_vNodes[i].m_p_oNext = i + 1 < count ? &m_vNodes[i + 1] : nullptr;
        m_vNodes[i].m_p_oPrev = i > 0 ? &m_vNodes[i - 1] : nullptr;
    }
    m_oList.m_dwCount = static_cast<uint32_t>(count);
    m_oList.m_p_oFirst = count != 0 ? &m_vNodes.front() : nullptr;
    m_oList.m_p_oLast = count != 0 ? &m_vNodes.back() : nullptr;
    m_oList.m_iOwnsItems = 0;
}

CQuilletField::CQuilletField() : CMessageField("MessageToken", "sms")
{
}

bool CQuilletField::IsNTFamily(const char* p_szCaller)
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version))
    {
        LogCallFailure(p_szCaller, "GetVersionExA(&version)", EResultKind::Win32Error, GetLastError());
        return true;
    }
    return version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS;
}

bool CQuilletField::IsGSMCharacter(char p_cCharacter, const char* p_szCaller)
{
    if (!IsNTFamily(p_szCaller))
        return true;
    const std::wstring wide = AnsiToWide(std::string_view(&p_cCharacter, 1), CP_THREAD_ACP);
    if (wide.size() != 1)
        return false;
    return GsmClass(static_cast<char16_t>(wide[0])) > 0;
}

bool CQuilletField::OnPaste()
{
    if (!IsNTFamily("CQuilletField::OnPaste"))
        return true;
    // A range copied from a body is pasted in its own format, tokens and all.
    if (m_uFormat != 0 && IsClipboardFormatAvailable(m_uFormat))
        return true;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) && !IsClipboardFormatAvailable(CF_TEXT))
        return true;
    const CClipboardGuard clipboard(m_hWnd);
    if (!clipboard.IsOpen())
    {
        LogCallFailure(__PRETTY_FUNCTION__, "OpenClipboard(m_hWnd)", EResultKind::Win32Error, clipboard.LastError());
        return false;
    }
    std::wstring text;
    // No text on it leaves nothing to clean.
    if (!ReadOpenClipboardText(text))
        text.clear();
    size_t replaced = 0;
    for (wchar_t& unit : text)
        if (GsmClass(static_cast<char16_t>(unit)) == 0)
        {
            unit = L'?';
            ++replaced;
        }
    if (replaced == 0 || WriteOpenClipboardText(text))
        return true;
    LOG_FAILURE("the cleaned text could not be put on the clipboard");
    return false;
}

IOleObject* CQuilletField::NewTokenObject(const std::string& p_sName)
{
    return CreateTokenObject(p_sName, true);
}

bool CQuilletField::TokenName(IUnknown* p_pObject, std::string& p_sName)
{
    const com_ptr<IMessageToken> token =
        com_ptr<IUnknown>::copy_from(p_pObject).query<IMessageToken>(IID_IMessageToken);
    if (!token)
        return false;
    const char* name = nullptr;
    const bool bNamed = SUCCEEDED(token->GetName(&name)) && name != nullptr;
    if (bNamed)
        p_sName = name;
    return bNamed;
}

bool CQuilletField::InsertToken(const std::string& p_sName)
{
    if (!InsertTokenAtCaret(p_sName))
        return false;
    NotifyChanged();
    return true;
}

void CQuilletField::SetAvailableTokens(const std::vector<std::string>& p_vNames)
{
    const com_ptr<IRichEditOle> ole = GetOle();
    if (!ole)
    {
        LOG_FAILURE("the rich edit has no OLE interface");
        return;
    }
    bool bChanged = false;
    const long count = ole->GetObjectCount();
    for (long i = 0; i < count; ++i)
    {
        REOBJECT object{};
        object.cbStruct = sizeof(object);
        const HRESULT hr = ole->GetObject(i, &object, REO_GETOBJ_POLEOBJ);
        com_ptr<IOleObject> embedded;
        embedded.attach(object.poleobj);
        if (FAILED(hr) || !embedded)
            continue;
        if (const com_ptr<IMessageToken> token = embedded.query<IMessageToken>(IID_IMessageToken))
        {
            const char* name = nullptr;
            const bool bAvailable = SUCCEEDED(token->GetName(&name)) && name != nullptr &&
                                    std::find(p_vNames.begin(), p_vNames.end(), name) != p_vNames.end();
            if (token->SetAvailable(bAvailable ? TRUE : FALSE) == S_OK)
                bChanged = true;
        }
    }
    if (bChanged)
        InvalidateRect(m_hWnd, nullptr, FALSE);
}

bool CQuilletField::GetBodyAndTokens(std::string& p_sBody, std::vector<compose::CBodyToken>& p_vTokens)
{
    p_sBody.clear();
    if (!ReadTokens(0, -1, p_vTokens))
        return false;
    p_sBody = compose::MarkTokens(compose::CollapseLineBreaks(RangeText(0, -1)), p_vTokens, kTokenPlaceholder);
    return true;
}

std::string CQuilletField::GetPlainText()
{
    return PlainTextWithTokens(0, -1);
}

CBodyCount CQuilletField::Count()
{
    std::string text = compose::CollapseLineBreaks(RangeText(0, -1));
    if (text.empty())
        return CountBody(Length());
    std::vector<CFieldObject> objects;
    if (!Objects(0, -1, objects))
        objects.clear();
    // Whatever character the control shows for an object, the object counts as nothing.
    for (const CFieldObject& object : objects)
        if (object.m_iPosition >= 0 && static_cast<size_t>(object.m_iPosition) < text.size())
            text[static_cast<size_t>(object.m_iPosition)] = ' ';
    return CountBody(GsmLength(Utf16(text, CP_ACP), static_cast<int64_t>(objects.size())));
}

bool CQuilletField::Compress(HWND p_hOwner, PFN_CompressWithDialog p_pfnCompress, PFN_FreeString p_pfnFree)
{
    if (p_pfnCompress == nullptr)
        return false;
    std::string body;
    std::vector<compose::CBodyToken> tokens;
    if (!GetBodyAndTokens(body, tokens))
        return false;
    const CHostTokenList list(tokens);
    char* compressed = nullptr;
    int32_t cancelled = 1;
    uint32_t setting = m_dwCompression;
    const int done = p_pfnCompress(p_hOwner, list.List(), body.c_str(), &compressed, &cancelled, &setting);
    const bool bGot = compressed != nullptr;
    const std::string result = bGot ? compressed : "";
    if (bGot && p_pfnFree != nullptr)
        p_pfnFree(&compressed);
    if (!done || cancelled != 0 || !bGot)
        return false;
    m_dwCompression = setting;
    const compose::CMarkedText marked = compose::FindMarkers(result, kTokenPlaceholder);
    if (marked.m_vPositions.size() != tokens.size())
    {
        // Tokens would land in the wrong places or be lost: keep the body as it was.
        LOG_FAILURE("%u placeholders came back for %u tokens", static_cast<unsigned>(marked.m_vPositions.size()),
                    static_cast<unsigned>(tokens.size()));
        return false;
    }
    SetText(marked.m_sText);
    for (size_t i = 0; i < tokens.size(); ++i)
        if (!InsertTokenAtPos(marked.m_vPositions[i], tokens[i].m_sName))
            LOG_FAILURE("the token %s could not be put back", tokens[i].m_sName.c_str());
    const long end = Length();
    SetSelection(end, end);
    NotifyChanged();
    return true;
}

bool CQuilletField::OnMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam, LRESULT& p_lResult)
{
    p_lResult = 0;
    switch (p_uMsg)
    {
    case WM_CHAR: {
        // Pasting goes through WM_PASTE, not the Ctrl+V character; the Shift+Tab character was
        // taken with its key; Backspace is editing, not text.
        if (p_wParam == 0x16 || (p_wParam == '\t' && KeyDown(VK_SHIFT)))
            return true;
        if (p_wParam == '\b')
            return false;
        return !IsGSMCharacter(static_cast<char>(p_wParam), "CQuilletField::OnMessage");
    }
    case WM_KEYDOWN: {
        const bool bShift = KeyDown(VK_SHIFT);
        const bool bControl = KeyDown(VK_CONTROL);
        if (p_wParam == VK_TAB && bShift)
        {
            if (HWND previous = GetNextDlgTabItem(m_hParentWnd, m_hWnd, TRUE))
                SetFocus(previous);
            return true;
        }
        // The control's own clipboard keys would bypass the field's formats and filter.
        if ((bControl && !bShift && (p_wParam == 'C' || p_wParam == VK_INSERT)) ||
            (bControl && !bShift && p_wParam == 'X') || (bShift && !bControl && p_wParam == VK_DELETE))
        {
            (void)Copy(p_wParam == 'X' || p_wParam == VK_DELETE);
            return true;
        }
        if ((bControl && !bShift && p_wParam == 'V') || (bShift && !bControl && p_wParam == VK_INSERT))
        {
            (void)OnPaste();
            (void)Paste();
            return true;
        }
        if (p_wParam == VK_INSERT && !bShift && !bControl)
            PostMessageA(m_hParentWnd, WM_SMS_INSERTTOGGLED, 0, 0);
        return false;
    }
    case WM_SETFOCUS:
        p_lResult = CallPrevious(p_uMsg, p_wParam, p_lParam);
        SendMessageA(m_hParentWnd, WM_SMS_FIELDFOCUS, reinterpret_cast<WPARAM>(m_hWnd), 0);
        return true;
    case WM_CUT:
    case WM_COPY:
        (void)Copy(p_uMsg == WM_CUT);
        return true;
    case WM_PASTE:
        (void)OnPaste();
        (void)Paste();
        return true;
    default:
        return false;
    }
}
