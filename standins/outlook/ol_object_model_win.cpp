// standins/outlook/ol_object_model_win.cpp: Application, Explorers, NameSpace, MAPIFolder and Items
// over the profile (the items themselves: ol_item_win.cpp).
#include "standins/outlook/ol_object_model_win.h"

#include "common/failure_log.h"
#include "standins/outlook/ol_dispatch_win.h"
#include "standins/outlook/ol_explorer_object_win.h"
#include "standins/outlook/ol_item_win.h"
#include "standins/outlook/ol_template_item_win.h"

namespace olstandin
{
namespace
{
enum EDispid : DISPID
{
    kItem = DISPID_VALUE,
    kCount = 0x0050,
    kName = 0x3001,
    kVersion = 0x0116,
    kGetNamespace = 0x0110,
    kType = 0x2101,
    kGetDefaultFolder = 0x020B,
    kGetFolderFromId = 0x2110,
    kMapiObject = 0xF100,
    kEntryId = 0x2103,
    kStoreId = 0x2108,
    kItems = 0x3100,
    kFolders = 0x2103 + 0x100,
    kActiveExplorer = 0x0111,
    kExplorers = 0x0113,
    kCreateItem = 0x010A,
    kCreateItemFromTemplate = 0x010B,
    kAdd = 0x005F,
    kGetItemFromId = 0x2109
};

// ExplorersEvents; NewExplorer(Explorer) is its dispid 0xF001.
constexpr IID kIidExplorersEvents = {0x00063078, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr DISPID kEventNewExplorer = 0xF001;
// Answered by the host's own folder objects, so a folder handed back (CurrentFolder) is recognised.
constexpr IID kIidFolderSelf = {0x6B1F0A1E, 0x3C2D, 0x4E5F, {0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
// IMAPIFolder, which an entry id of a folder opens to.
constexpr IID kIidMapiFolder = {0x0002030C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

HRESULT ReturnUnknown(VARIANT& p_oResult, IUnknown* p_pObject)
{
    if (p_pObject == nullptr)
        return E_FAIL;
    p_pObject->AddRef();
    p_oResult.vt = VT_UNKNOWN;
    p_oResult.punkVal = p_pObject;
    return S_OK;
}

// Entry ids as the object model takes them: hexadecimal text, either case.
bool ParseHex(const std::string& p_sText, CEntryId& p_oBytes)
{
    if (p_sText.empty() || p_sText.size() % 2 != 0 || p_sText.size() > 2048)
        return false;
    p_oBytes.clear();
    for (size_t i = 0; i < p_sText.size(); i += 2)
    {
        BYTE byte = 0;
        for (size_t j = i; j < i + 2; ++j)
        {
            const char c = p_sText[j];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0)
                return false;
            byte = static_cast<BYTE>(byte * 16 + digit);
        }
        p_oBytes.push_back(byte);
    }
    return true;
}

// Items of a folder, or an explorer's Selection: Count and Item(1-based index).
class CItems final : public CDispatchObject
{
  public:
    CItems(CHostServices& p_oServices, std::vector<CItemRow> p_vRows)
        : CDispatchObject({{L"Item", kItem, DISPATCH_METHOD | DISPATCH_PROPERTYGET, 1},
                           {L"Count", kCount, DISPATCH_PROPERTYGET, 0}}),
          m_oServices(p_oServices), m_vRows(std::move(p_vRows))
    {
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override
    {
        if (p_id == kCount)
            return ReturnLong(p_oResult, static_cast<LONG>(m_vRows.size()));
        LONG index = 0;
        if (!ArgLong(p_vArgs[0], index) || index < 1 || static_cast<size_t>(index) > m_vRows.size())
            return DISP_E_BADINDEX;
        return ReturnObject(p_oResult, ItemFromRow(m_oServices, m_vRows[static_cast<size_t>(index - 1)]));
    }

  private:
    CHostServices& m_oServices;
    std::vector<CItemRow> m_vRows;
};

class CFolder final : public CDispatchObject
{
  public:
    CFolder(CHostServices& p_oServices, CEntryId p_oEntryId)
        : CDispatchObject({{L"Name", kName, DISPATCH_PROPERTYGET, 0},
                           {L"EntryID", kEntryId, DISPATCH_PROPERTYGET, 0},
                           {L"StoreID", kStoreId, DISPATCH_PROPERTYGET, 0},
                           {L"Items", kItems, DISPATCH_PROPERTYGET, 0},
                           {L"Folders", kFolders, DISPATCH_PROPERTYGET, 0},
                           {L"MAPIOBJECT", kMapiObject, DISPATCH_PROPERTYGET, 0}}),
          m_oServices(p_oServices), m_oEntryId(std::move(p_oEntryId))
    {
    }
    const CEntryId& EntryId() const
    {
        return m_oEntryId;
    }

  protected:
    void* OwnInterface(REFIID p_riid) override
    {
        return IsEqualIID(p_riid, kIidFolderSelf) ? static_cast<IDispatch*>(this) : nullptr;
    }
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>&, VARIANT& p_oResult) override
    {
        CMapiProfile& profile = *m_oServices.m_p_oProfile;
        switch (p_id)
        {
        case kName:
            return ReturnText(p_oResult, profile.DisplayName(m_oEntryId));
        case kEntryId:
            return ReturnText(p_oResult, HexText(m_oEntryId));
        case kStoreId:
            return ReturnText(p_oResult, HexText(profile.StoreId()));
        case kItems:
            return ReturnObject(p_oResult, CreateItemCollection(m_oServices, profile.Items(m_oEntryId)));
        case kFolders:
            return ReturnObject(p_oResult, SubFolders());
        default:
            return ReturnUnknown(p_oResult, profile.OpenEntry(m_oEntryId).get());
        }
    }

  private:
    // The folders one level below this one, from the store's depth-first folder list.
    com_ptr<IDispatch> SubFolders() const;

    CHostServices& m_oServices;
    CEntryId m_oEntryId;
};

// Folders of a folder, or the explorers: Count and Item(index or name).
class CObjectList final : public CEventObject
{
  public:
    using CNamed = std::pair<std::string, com_ptr<IDispatch>>;
    CObjectList(std::function<std::vector<CNamed>()> p_fnObjects, std::function<com_ptr<IDispatch>()> p_fnAdd,
                std::vector<IID> p_vEvents)
        : CEventObject({{L"Item", kItem, DISPATCH_METHOD | DISPATCH_PROPERTYGET, 1},
                        {L"Count", kCount, DISPATCH_PROPERTYGET, 0},
                        {L"Add", kAdd, DISPATCH_METHOD, 2, 0}},
                       std::move(p_vEvents)),
          m_fnObjects(std::move(p_fnObjects)), m_fnAdd(std::move(p_fnAdd))
    {
    }
    void Raise(REFIID p_riid, DISPID p_id, IDispatch* p_pObject)
    {
        VARIANT object;
        object.vt = VT_DISPATCH;
        object.pdispVal = p_pObject;
        Fire(p_riid, p_id, {object});
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override
    {
        const std::vector<CNamed> objects = m_fnObjects();
        if (p_id == kCount)
            return ReturnLong(p_oResult, static_cast<LONG>(objects.size()));
        if (p_id == kAdd)
        {
            com_ptr<IDispatch> added = m_fnAdd ? m_fnAdd() : com_ptr<IDispatch>();
            return added ? ReturnObject(p_oResult, std::move(added)) : E_FAIL;
        }
        LONG index = 0;
        std::string name;
        if (p_vArgs[0]->vt == VT_BSTR && ArgAnsi(p_vArgs[0], name))
        {
            for (const CNamed& object : objects)
                if (lstrcmpiA(object.first.c_str(), name.c_str()) == 0)
                    return ReturnObject(p_oResult, object.second);
            return DISP_E_BADINDEX;
        }
        if (!ArgLong(p_vArgs[0], index) || index < 1 || static_cast<size_t>(index) > objects.size())
            return DISP_E_BADINDEX;
        return ReturnObject(p_oResult, objects[static_cast<size_t>(index - 1)].second);
    }

  private:
    std::function<std::vector<CNamed>()> m_fnObjects;
    std::function<com_ptr<IDispatch>()> m_fnAdd;
};

com_ptr<IDispatch> CFolder::SubFolders() const
{
    CHostServices& services = m_oServices;
    const CEntryId self = m_oEntryId;
    com_ptr<IDispatch> list;
    list.attach(new CObjectList(
        [&services, self]() {
            std::vector<CObjectList::CNamed> children;
            const std::vector<CFolderRow> folders = services.m_p_oProfile->Folders();
            // The top of the personal folders is depth 0; its children are depth 1.
            LONG depth = 0;
            bool inside = self == services.m_p_oProfile->DefaultFolderId(-1);
            for (const CFolderRow& folder : folders)
            {
                if (folder.m_oEntryId == self)
                {
                    inside = true;
                    depth = folder.m_lDepth;
                    continue;
                }
                if (inside && folder.m_lDepth <= depth)
                    break;
                if (inside && folder.m_lDepth == depth + 1)
                    children.emplace_back(folder.m_sName, CreateFolderObject(services, folder.m_oEntryId));
            }
            return children;
        },
        nullptr, {}));
    return list;
}

class CNameSpace final : public CDispatchObject
{
  public:
    explicit CNameSpace(CHostServices& p_oServices)
        : CDispatchObject({{L"Type", kType, DISPATCH_PROPERTYGET, 0},
                           {L"GetDefaultFolder", kGetDefaultFolder, DISPATCH_METHOD, 1},
                           {L"GetFolderFromID", kGetFolderFromId, DISPATCH_METHOD, 2, 1},
                           {L"GetItemFromID", kGetItemFromId, DISPATCH_METHOD, 2, 1},
                           {L"MAPIOBJECT", kMapiObject, DISPATCH_PROPERTYGET, 0}}),
          m_oServices(p_oServices)
    {
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override
    {
        CMapiProfile& profile = *m_oServices.m_p_oProfile;
        if (p_id == kType)
            return ReturnText(p_oResult, "MAPI");
        if (p_id == kMapiObject)
            return ReturnUnknown(p_oResult, profile.Session());
        CEntryId folder;
        if (p_id == kGetFolderFromId || p_id == kGetItemFromId)
        {
            // The store id, when given, must be the default store's: the profile opens no other.
            std::string entryText;
            std::string storeText;
            CEntryId store;
            if (!ArgAnsi(p_vArgs[0], entryText) || !ParseHex(entryText, folder) ||
                (!IsMissing(p_vArgs[1]) && (!ArgAnsi(p_vArgs[1], storeText) || !ParseHex(storeText, store))))
                return E_INVALIDARG;
            if (!store.empty() && store != profile.StoreId())
                return MAPI_E_NOT_FOUND;
            if (p_id == kGetItemFromId)
            {
                com_ptr<IDispatch> item;
                RETURN_IF_FAILED(ItemFromId(m_oServices, folder, item));
                return ReturnObject(p_oResult, std::move(item));
            }
            com_ptr<IMAPIProp> opened = profile.OpenEntry(folder);
            if ((!store.empty() && store != profile.StoreId()) || !opened || !opened.query<IMAPIFolder>(kIidMapiFolder))
                return MAPI_E_NOT_FOUND;
        }
        else
        {
            LONG kind = 0;
            if (!ArgLong(p_vArgs[0], kind))
                return DISP_E_TYPEMISMATCH;
            folder = profile.DefaultFolderId(kind);
        }
        if (folder.empty())
            return E_INVALIDARG;
        return ReturnObject(p_oResult, CreateFolderObject(m_oServices, std::move(folder)));
    }

  private:
    CHostServices& m_oServices;
};

class CApplication final : public CDispatchObject
{
  public:
    explicit CApplication(CHostServices& p_oServices)
        : CDispatchObject({{L"Name", kName, DISPATCH_PROPERTYGET, 0},
                           {L"Version", kVersion, DISPATCH_PROPERTYGET, 0},
                           {L"GetNamespace", kGetNamespace, DISPATCH_METHOD, 1},
                           {L"ActiveExplorer", kActiveExplorer, DISPATCH_METHOD, 0},
                           {L"Explorers", kExplorers, DISPATCH_PROPERTYGET, 0},
                           {L"CreateItem", kCreateItem, DISPATCH_METHOD, 1},
                           {L"CreateItemFromTemplate", kCreateItemFromTemplate, DISPATCH_METHOD, 2, 1}}),
          m_oServices(p_oServices)
    {
        CHostServices& services = p_oServices;
        m_p_oExplorers.attach(new CObjectList(
            [&services]() {
                std::vector<CObjectList::CNamed> explorers;
                for (com_ptr<IDispatch>& explorer : services.m_fnExplorers())
                    explorers.emplace_back("", std::move(explorer));
                return explorers;
            },
            [&services]() { return services.m_fnNewExplorer ? services.m_fnNewExplorer() : com_ptr<IDispatch>(); },
            {kIidExplorersEvents}));
        CObjectList* explorers = m_p_oExplorers.get();
        p_oServices.m_fnRaiseNewExplorer = [explorers](IDispatch* p_pExplorer) {
            explorers->Raise(kIidExplorersEvents, kEventNewExplorer, p_pExplorer);
        };
    }

  protected:
    HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) override
    {
        if (p_id == kName)
            return ReturnText(p_oResult, "Microsoft Outlook");
        if (p_id == kVersion)
            return ReturnText(p_oResult, std::to_string(m_oServices.m_nMajor) + "." +
                                             std::to_string(m_oServices.m_nMinor) + ".0.0");
        if (p_id == kActiveExplorer)
        {
            com_ptr<IDispatch> explorer =
                m_oServices.m_fnActiveExplorer ? m_oServices.m_fnActiveExplorer() : com_ptr<IDispatch>();
            return explorer ? ReturnObject(p_oResult, std::move(explorer)) : S_OK;
        }
        if (p_id == kExplorers)
            return ReturnObject(p_oResult, com_ptr<IDispatch>::copy_from(m_p_oExplorers.get()));
        if (p_id == kCreateItem)
            return CreateItem(p_vArgs[0], p_oResult);
        if (p_id == kCreateItemFromTemplate)
            return CreateItemFromTemplate(m_oServices, p_vArgs[0], p_vArgs[1], p_oResult);
        std::wstring type;
        if (!ArgText(p_vArgs[0], type))
            return DISP_E_TYPEMISMATCH;
        if (lstrcmpiW(type.c_str(), L"MAPI") != 0 || m_oServices.m_p_oProfile == nullptr ||
            !m_oServices.m_p_oProfile->IsStarted())
            return E_INVALIDARG;
        com_ptr<IDispatch> object;
        object.attach(new CNameSpace(m_oServices));
        return ReturnObject(p_oResult, std::move(object));
    }

  private:
    // CreateItem(olMailItem 0 | olAppointmentItem 1 | olContactItem 2 | olTaskItem 3): a new, unsaved item.
    HRESULT CreateItem(const VARIANT* p_pKind, VARIANT& p_oResult)
    {
        LONG kind = -1;
        if (!ArgLong(p_pKind, kind))
            return DISP_E_TYPEMISMATCH;
        static const char* const kClasses[] = {"IPM.Note", "IPM.Appointment", "IPM.Contact", "IPM.Task"};
        if (kind < 0 || static_cast<size_t>(kind) >= std::size(kClasses))
            return E_INVALIDARG;
        return ReturnObject(p_oResult, CreateNewItem(m_oServices, kClasses[kind]));
    }

    CHostServices& m_oServices;
    com_ptr<CObjectList> m_p_oExplorers;
};
} // namespace

com_ptr<IDispatch> CreateFolderObject(CHostServices& p_oServices, CEntryId p_oEntryId)
{
    com_ptr<IDispatch> folder;
    folder.attach(new CFolder(p_oServices, std::move(p_oEntryId)));
    return folder;
}

com_ptr<IDispatch> CreateItemCollection(CHostServices& p_oServices, std::vector<CItemRow> p_vItems)
{
    com_ptr<IDispatch> items;
    items.attach(new CItems(p_oServices, std::move(p_vItems)));
    return items;
}

bool FolderOfObject(IDispatch* p_pObject, CEntryId& p_oEntryId)
{
    com_ptr<IDispatch> self;
    if (p_pObject == nullptr || FAILED(p_pObject->QueryInterface(kIidFolderSelf, self.put_void())))
        return false;
    p_oEntryId = static_cast<CFolder*>(self.get())->EntryId();
    return true;
}

com_ptr<IDispatch> CreateApplication(CHostServices& p_oServices)
{
    com_ptr<IDispatch> application;
    application.attach(new CApplication(p_oServices));
    return application;
}
} // namespace olstandin
