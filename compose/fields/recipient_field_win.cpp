// compose/fields/recipient_field_win.cpp: the To and Cc fields.
#include "compose/fields/recipient_field_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "compose/fields/clipboard_win.h"
#include "compose/fields/confirmed_recipient_win.h"
#include "compose/fields/recipient_block.h"
#include "compose/fields/recipient_text.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"

#include <ole2.h>

#include <cstring>
#include <new>

namespace
{
constexpr const char* kCommaValue = "CommaPromptNotAgain";
constexpr const char* kCommaNotAgain = "NotAgain";
// The comma question's answer: the button pressed, with this bit when the box was ticked.
constexpr INT_PTR kCommaNotAgainBit = 0x10000;

INT_PTR CALLBACK CommaDialogProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM)
{
    return TrapExceptions("CommaDialogProc", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        if (p_uMsg == WM_INITDIALOG)
            return TRUE;
        if (p_uMsg != WM_COMMAND)
            return FALSE;
        const int id = LOWORD(p_wParam);
        if (id != IDC_COMMA_SEPARATOR && id != IDC_COMMA_COMMA && id != IDCANCEL)
            return FALSE;
        const bool bNotAgain = IsDlgButtonChecked(p_hDlg, IDC_COMMA_NOT_AGAIN) == BST_CHECKED;
        EndDialog(p_hDlg, (id == IDCANCEL ? IDC_COMMA_COMMA : id) | (bNotAgain ? kCommaNotAgainBit : 0));
        return TRUE;
    });
}

compose::CRecipientFactory FactoryOf(const CAddressBookControlObject& p_oCore)
{
    compose::CRecipientFactory factory;
    factory.m_pfnCreateMessageRecipientFromDetails = p_oCore.m_pfnCreateMessageRecipientFromDetails;
    factory.m_pfnAddExtraProp = p_oCore.m_pfnAddExtraProp;
    factory.m_pfnAddDistList = p_oCore.m_pfnAddDistList;
    factory.m_pfnAddMessageRecipient = p_oCore.m_pfnAddMessageRecipient;
    factory.m_pfnDeleteMessageRecipient = p_oCore.m_pfnDeleteMessageRecipient;
    return factory;
}

bool CtrlDown()
{
    return (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

bool ShiftDown()
{
    return (GetKeyState(VK_SHIFT) & 0x8000) != 0;
}
} // namespace

void CRecipientField::Bind(CAddressBookControlObject* p_p_abcoCore, CMessageRecipientList** p_pp_mrlList)
{
    m_p_abcoCore = p_p_abcoCore;
    m_pp_mrlList = p_pp_mrlList;
    (void)RecipientClipboardFormat();
}

std::string CRecipientField::RawText() const
{
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
    const LRESULT count = SendMessageA(m_hWnd, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    if (count <= 0)
        return {};
    std::string text(static_cast<size_t>(count) * 2 + 2, '\0');
    TEXTRANGEA range{{0, static_cast<LONG>(count)}, text.data()};
    const LRESULT got = SendMessageA(m_hWnd, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

std::vector<CRecipientField::CObjectAt> CRecipientField::Objects() const
{
    std::vector<CObjectAt> objects;
    std::vector<CEmbeddedObject> embedded;
    if (m_hWnd == nullptr || !EmbeddedObjects(embedded))
        return objects;
    for (const CEmbeddedObject& object : embedded)
    {
        const com_ptr<IRecipientObject> recipient = object.m_pObject
                                                        ? object.m_pObject.query<IRecipientObject>(IID_IRecipientObject)
                                                        : com_ptr<IRecipientObject>();
        const CMessageRecipient* record = nullptr;
        if (!recipient || FAILED(LOG_IF_FAILED(recipient->GetRecipient(&record))))
            LOG_FAILURE("the object at %ld is not a recipient", object.m_iPosition);
        else
            objects.push_back({object.m_iPosition, record});
    }
    return objects;
}

std::vector<const CMessageRecipient*> CRecipientField::EmbeddedRecipients() const
{
    std::vector<const CMessageRecipient*> recipients;
    for (const CObjectAt& object : Objects())
        recipients.push_back(object.m_p_oRecipient);
    return recipients;
}

bool CRecipientField::FillRecipientList()
{
    if (m_p_abcoCore == nullptr || m_pp_mrlList == nullptr || !m_p_abcoCore->Ready())
        return false;
    CAddressBookControlObject& core = *m_p_abcoCore;
    core.m_pfnDeleteMessageRecipientList(m_pp_mrlList);
    if (!core.m_pfnCreateMessageRecipientList(m_pp_mrlList) || *m_pp_mrlList == nullptr)
        return false;
    CMessageRecipientList* list = *m_pp_mrlList;
    const auto add = [&](CMessageRecipient* p_p_oRecipient) {
        if (p_p_oRecipient == nullptr)
            return false;
        if (core.m_pfnAddMessageRecipient(list, p_p_oRecipient))
            return true;
        LOG_FAILURE("AddMessageRecipient failed");
        core.m_pfnDeleteMessageRecipient(&p_p_oRecipient);
        return false;
    };

    Log("Calling FillRecipientListObjects");
    const std::vector<CObjectAt> objects = Objects();
    for (const CObjectAt& object : objects)
    {
        CMessageRecipient* copy = nullptr;
        if (!core.m_pfnCopyMessageRecipient(object.m_p_oRecipient, &copy) || !add(copy))
            return false;
    }

    Log("Calling FillRecipientListText");
    std::string text = RawText();
    // An object stands between names like a separator.
    for (const CObjectAt& object : objects)
        if (object.m_iPosition >= 0 && static_cast<size_t>(object.m_iPosition) < text.size())
            text[static_cast<size_t>(object.m_iPosition)] = ';';
    Log("Got text as %s", text.c_str());
    m_iLastTextIndex = -1;
    for (const std::string& piece : compose::SplitRecipientText(text))
    {
        Log("Parsing Token");
        Log("Creating Message Recipient with ParsedToken %s", piece.c_str());
        CMessageRecipient* recipient = nullptr;
        if (!core.m_pfnCreateMessageRecipient(piece.c_str(), &recipient) || recipient == nullptr)
            return false;
        Log("Created Message Recipient with Display Name = %s", recipient->m_szDisplayText);
        if (!add(recipient))
            return false;
        m_iLastTextIndex = static_cast<long>(list->m_dwCount) - 1;
    }
    return true;
}

bool CRecipientField::InsertRecipientObject(const CMessageRecipient& p_oRecipient)
{
    if (m_p_abcoCore == nullptr || !m_p_abcoCore->Ready())
        return false;
    com_ptr<IRichEditOle> ole;
    com_ptr<IOleClientSite> site;
    if (!GetOleAndSite(ole, site, "ole->GetClientSite(site.put())"))
        return false;
    CMessageRecipient* copy = nullptr;
    if (!m_p_abcoCore->m_pfnCopyMessageRecipient(&p_oRecipient, &copy) || copy == nullptr)
        return false;
    // The new object's first reference is this function's.
    com_ptr<CConfirmedRecipient> object;
    object.attach(new CConfirmedRecipient(copy, m_p_abcoCore->m_pfnDeleteMessageRecipient,
                                          reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0))));
    // The rich edit keeps a storage for every object it holds; this one lives in memory.
    com_ptr<ILockBytes> bytes;
    com_ptr<IStorage> storage;
    if (SUCCEEDED(LOG_IF_FAILED(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.put()))))
        (void)LOG_IF_FAILED(StgCreateDocfileOnILockBytes(
            bytes.get(), STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE, 0, storage.put()));
    object->SetClientSite(site.get());
    REOBJECT embedded{};
    embedded.cbStruct = sizeof(embedded);
    embedded.cp = REO_CP_SELECTION;
    object->GetUserClassID(&embedded.clsid);
    embedded.poleobj = object.get();
    embedded.pstg = storage.get();
    embedded.polesite = site.get();
    embedded.sizel = object->Extent();
    embedded.dvaspect = DVASPECT_CONTENT;
    embedded.dwFlags = 0;
    return SUCCEEDED(LOG_IF_FAILED(ole->InsertObject(&embedded)));
}

bool CRecipientField::RewriteFromList(const CMessageRecipientList* p_p_mrlList)
{
    if (m_hWnd == nullptr)
        return false;
    // Rewriting the field must not read it back into the list it is being written from.
    const LRESULT mask = SendMessageA(m_hWnd, EM_GETEVENTMASK, 0, 0);
    SendMessageA(m_hWnd, EM_SETEVENTMASK, 0, 0);
    SetText("");
    bool bWritten = true;
    for (const compose::CFieldPiece& piece : compose::PlanFieldRewrite(p_p_mrlList))
    {
        SetSelection(-1, -1);
        if (piece.m_bObject)
        {
            if (!InsertRecipientObject(*piece.m_p_oRecipient))
            {
                LOG_FAILURE("the recipient object could not be inserted");
                bWritten = false;
            }
        }
        else if (piece.m_p_oRecipient->m_szDisplayText != nullptr)
            ReplaceSelection(piece.m_p_oRecipient->m_szDisplayText, false);
        if (piece.m_bSeparatorAfter)
            ReplaceSelection(compose::kSeparator, false);
    }
    SendMessageA(m_hWnd, EM_SETEVENTMASK, 0, mask);
    return bWritten;
}

bool CRecipientField::Copy()
{
    long start = 0;
    long end = 0;
    GetSelection(start, end);
    if (start == end)
        return true;
    std::string text = RawText();
    std::string blocks;
    std::string copied;
    const std::vector<CObjectAt> objects = Objects();
    for (long at = start; at < end && static_cast<size_t>(at) < text.size(); ++at)
    {
        const CObjectAt* object = nullptr;
        for (const CObjectAt& candidate : objects)
            if (candidate.m_iPosition == at)
                object = &candidate;
        if (object == nullptr)
        {
            copied.push_back(text[static_cast<size_t>(at)]);
            continue;
        }
        compose::WriteRecipientBlock(*object->m_p_oRecipient, blocks);
        copied += compose::RecipientTextForm(*object->m_p_oRecipient, compose::ETextForm::Plain);
    }
    com_ptr<IDataObject> data;
    data.attach(new (std::nothrow) CRecipientData(copied, blocks));
    if (!data)
    {
        LOG_FAILURE("the clipboard data could not be made");
        return false;
    }
    return OfferOnClipboard(data.get(), m_hWnd);
}

bool CRecipientField::Cut()
{
    if (!Copy())
        return false;
    ReplaceSelection("");
    return true;
}

bool CRecipientField::PasteBlocks(IDataObject* p_pData)
{
    FORMATETC format{RecipientClipboardFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(LOG_IF_FAILED(p_pData->GetData(&format, &medium))))
        return false;
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(medium.hGlobal));
    if (bytes == nullptr)
    {
        LogCallFailure(__PRETTY_FUNCTION__, "GlobalLock(medium.hGlobal)", EResultKind::Win32Error, GetLastError());
        ReleaseStgMedium(&medium);
        return false;
    }
    std::vector<CMessageRecipient*> recipients;
    const compose::EBlockResult result =
        compose::ReadRecipientBlocks(bytes, GlobalSize(medium.hGlobal), FactoryOf(*m_p_abcoCore), recipients);
    SetLastError(NO_ERROR);
    if (!GlobalUnlock(medium.hGlobal) && GetLastError() != NO_ERROR)
        LogCallFailure(__PRETTY_FUNCTION__, "GlobalUnlock(medium.hGlobal)", EResultKind::Win32Error, GetLastError());
    ReleaseStgMedium(&medium);
    if (result != compose::EBlockResult::Ok)
    {
        LOG_FAILURE("the recipient blocks could not be read (%d)", static_cast<int>(result));
        return false;
    }
    bool bPasted = true;
    for (size_t i = 0; i < recipients.size(); ++i)
    {
        CMessageRecipient* recipient = recipients[i];
        Log("Adding Recipient from CRecipientField::RenderGlobalRecipients");
        if (!InsertRecipientObject(*recipient))
        {
            LOG_FAILURE("InsertRecipientObject failed");
            bPasted = false;
        }
        else if (i + 1 < recipients.size())
            ReplaceSelection(compose::kSeparator);
        if (m_pp_mrlList == nullptr || *m_pp_mrlList == nullptr ||
            !m_p_abcoCore->m_pfnAddMessageRecipient(*m_pp_mrlList, recipient))
        {
            LOG_FAILURE("AddMessageRecipient failed");
            m_p_abcoCore->m_pfnDeleteMessageRecipient(&recipient);
        }
    }
    return bPasted;
}

bool CRecipientField::Paste()
{
    if (m_p_abcoCore == nullptr || !m_p_abcoCore->Ready())
        return false;
    com_ptr<IDataObject> data;
    if (FAILED(LOG_IF_FAILED(OleGetClipboard(data.put()))) || !data)
        return false;
    bool bPasted = false;
    FORMATETC recipients{RecipientClipboardFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    FORMATETC text{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    if (recipients.cfFormat != 0 && data->QueryGetData(&recipients) == S_OK)
        bPasted = PasteBlocks(data.get());
    else if (data->QueryGetData(&text) == S_OK)
    {
        Log("cfFormat 0, but supports TEXT");
        STGMEDIUM medium{};
        if (SUCCEEDED(data->GetData(&text, &medium)))
        {
            const char* chars = static_cast<const char*>(GlobalLock(medium.hGlobal));
            if (chars != nullptr)
            {
                // The text ends at its terminator or at the end of the memory, whichever is first.
                const size_t size = GlobalSize(medium.hGlobal);
                size_t length = 0;
                while (length < size && chars[length] != '\0')
                    ++length;
                ReplaceSelection(std::string(chars, length));
                GlobalUnlock(medium.hGlobal);
                bPasted = true;
            }
            ReleaseStgMedium(&medium);
        }
    }
    return bPasted;
}

void CRecipientField::InsertSeparator()
{
    long start = 0;
    long end = 0;
    GetSelection(start, end);
    const std::string text = RawText();
    const size_t from = static_cast<size_t>(end) < text.size() ? static_cast<size_t>(end) : text.size();
    const size_t overlap = compose::SeparatorOverlap(text.substr(from));
    SetSelection(start, end + static_cast<long>(overlap));
    ReplaceSelection(compose::kSeparator);
}

void CRecipientField::OnComma()
{
    CRegistry registry;
    if (registry.ReadUserText(kCommaValue) == kCommaNotAgain)
    {
        CallPrevious(WM_CHAR, ',', 0);
        return;
    }
    const INT_PTR answer = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_COMMA_PROMPT),
                                           GetAncestor(m_hWnd, GA_ROOT), &CommaDialogProc, 0);
    if (answer <= 0)
    {
        LogCallFailure(__PRETTY_FUNCTION__, "DialogBoxParamA(IDD_COMMA_PROMPT)", EResultKind::Win32Error,
                       GetLastError());
        CallPrevious(WM_CHAR, ',', 0);
        return;
    }
    if ((answer & kCommaNotAgainBit) != 0 && !registry.WriteUserText(kCommaValue, kCommaNotAgain))
        LOG_FAILURE("%s could not be written", kCommaValue);
    if ((answer & 0xFFFF) == IDC_COMMA_SEPARATOR)
        InsertSeparator();
    else
        CallPrevious(WM_CHAR, ',', 0);
}

void CRecipientField::ShowContextMenu(LPARAM p_lParam)
{
    POINT point{static_cast<short>(LOWORD(p_lParam)), static_cast<short>(HIWORD(p_lParam))};
    long start = 0;
    long end = 0;
    GetSelection(start, end);
    long at = start;
    if (p_lParam == -1)
    {
        // From the keyboard: at the caret.
        GetCaretPos(&point);
        ClientToScreen(m_hWnd, &point);
    }
    else
    {
        POINTL client{point.x, point.y};
        ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&client));
        at = static_cast<long>(SendMessageA(m_hWnd, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&client)));
    }
    const CMessageRecipient* recipient = nullptr;
    for (const CObjectAt& object : Objects())
        if (object.m_iPosition == at || (end == start + 1 && object.m_iPosition == start))
            recipient = object.m_p_oRecipient;

    const unique_hmenu popup(CreatePopupMenu());
    if (!popup)
        return;
    HMENU menu = popup.get();
    AppendMenuA(menu, MF_STRING, ID_EDIT_CUT, QuilletText(kQTipCut).c_str());
    AppendMenuA(menu, MF_STRING, ID_EDIT_COPY, QuilletText(kQTipCopy).c_str());
    AppendMenuA(menu, MF_STRING, ID_EDIT_PASTE, QuilletText(kQTipPaste).c_str());
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    if (recipient != nullptr)
    {
        AppendMenuA(menu, MF_STRING, kCmdRecipientProperties, QuilletText(kQTextProperties).c_str());
        SetMenuDefaultItem(menu, kCmdRecipientProperties, FALSE);
    }
    else
        AppendMenuA(menu, MF_STRING, ID_EDIT_SELECT_ALL, QuilletText(kQTextSelectAll).c_str());
    const int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, point.x,
                                       point.y, 0, m_hWnd, nullptr);
    switch (command)
    {
    case ID_EDIT_CUT:
        (void)Cut();
        break;
    case ID_EDIT_COPY:
        (void)Copy();
        break;
    case ID_EDIT_PASTE:
        (void)Paste();
        break;
    case ID_EDIT_SELECT_ALL:
        SetSelection(0, -1);
        break;
    case kCmdRecipientProperties:
        if (m_p_abcoCore != nullptr && m_p_abcoCore->Ready() &&
            m_p_abcoCore->m_pfnShowProperties(const_cast<CMessageRecipient*>(recipient), m_hParentWnd) == 0)
            LOG_FAILURE("ShowProperties failed");
        break;
    default:
        break;
    }
}

bool CRecipientField::OnMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam, LRESULT& p_lResult)
{
    switch (p_uMsg)
    {
    case WM_GETDLGCODE: {
        // Enter ends a name here instead of pressing the window's default button.
        p_lResult = CallPrevious(p_uMsg, p_wParam, p_lParam);
        const auto* message = reinterpret_cast<const MSG*>(p_lParam);
        if (message != nullptr && message->message == WM_KEYDOWN && message->wParam == VK_RETURN)
            p_lResult |= DLGC_WANTMESSAGE;
        return true;
    }
    case WM_KEYDOWN:
        if (p_wParam == VK_RETURN)
        {
            InsertSeparator();
            p_lResult = 0;
            return true;
        }
        // The control's own clipboard keys would bypass the recipient formats.
        if ((p_wParam == 'V' && CtrlDown()) || (p_wParam == VK_INSERT && ShiftDown()))
            (void)Paste();
        else if ((p_wParam == 'C' && CtrlDown()) || (p_wParam == VK_INSERT && CtrlDown()))
            (void)Copy();
        else if ((p_wParam == 'X' && CtrlDown()) || (p_wParam == VK_DELETE && ShiftDown()))
            (void)Cut();
        else
            return false;
        p_lResult = 0;
        return true;
    case WM_CHAR: {
        const char c = static_cast<char>(p_wParam);
        p_lResult = 0;
        if (c == '\t' || c == '\r' || c == '\n' || c == 0x16)
            return true;
        if (c == ',')
            OnComma();
        else if (c == ';')
            InsertSeparator();
        else
        {
            p_lResult = CallPrevious(p_uMsg, p_wParam, p_lParam);
            if (m_hParentWnd != nullptr)
                SendMessageA(m_hParentWnd, WM_SMS_RECIPIENTCHAR, p_wParam, reinterpret_cast<LPARAM>(m_hWnd));
        }
        return true;
    }
    case WM_CUT:
        (void)Cut();
        return true;
    case WM_COPY:
        (void)Copy();
        return true;
    case WM_PASTE:
        (void)Paste();
        return true;
    case WM_CONTEXTMENU:
        ShowContextMenu(p_lParam);
        return true;
    default:
        return false;
    }
}
