// standins/mapi/provider/provider.h: the MAPI stand-in provider's shared pieces: the one store
// behind every session, entry ids, property conversion, the COM object base and tables.
#pragma once

#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <mapiguid.h>
#include <mapitags.h>
#include <mapiutil.h>
#include <mapix.h>
#include <objbase.h>

// <winuser.h> maps SetProp to SetPropA; the store's SetProp is meant here, never the window one.
#undef SetProp

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/unique_any.h"
#include "standins/mapi/provider/mapi_shims.h"
#include "standins/mapi/provider/marshal_blob.h"
#include "standins/mapi/store/store_file.h"
#include "standins/mapi/store/table_view.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace mapiprov
{
namespace ms = mapistore;

// The stand-in's own configuration key (HKCU): "StoreFile" (path of the JSON store),
// "SmtpServer" ("host:port"), "DropFolder" (folder watched for .eml files), "SpoolDelayMs".
constexpr wchar_t kConfigKey[] = L"Software\\Brevolt Test\\MAPI Stand-in";

// Every object kind an entry id can name.
enum EKind : ULONG
{
    kKindStore = 1,
    kKindFolder = 2,
    kKindMessage = 3,
    kKindAbContainer = 4,
    kKindAbEntry = 5,   // a GAL or PAB entry (mail user or distribution list)
    kKindAbContact = 6, // a contact's e-mail slot seen through the "Contacts" container
    kKindStatus = 7,
    kKindIdentity = 8,
};
// Address-book containers by id.
enum EContainer : ULONG
{
    kAbRoot = 0,
    kAbGal = 1,
    kAbOutlook = 2,
    kAbContacts = 3,
    kAbPab = 4,
};

#pragma pack(push, 1)
struct CEntryIdBits
{
    BYTE m_abFlags[4];
    BYTE m_abUid[16];
    ULONG m_ulKind;
    ULONG m_ulId;
    ULONG m_ulExtra;
};
#pragma pack(pop)
static_assert(sizeof(CEntryIdBits) == 32);

ms::CBytes MakeEntryId(const ms::CBytes& p_uid, ULONG p_ulKind, ULONG p_ulId, ULONG p_ulExtra = 0);
// The address book's provider uid (entry ids of containers and entries).
const ms::CBytes& AbUid();
[[nodiscard]] bool ParseEntryId(ULONG p_cb, const void* p_pEid, CEntryIdBits& p_bits);

// Owners for what this provider allocated itself: freed with its own MAPIFreeBuffer and FreeProws
// (common/mapi_owner_win.h frees through the functions of a loaded MAPI library instead).
template <typename T> struct own_buffer_traits
{
    using pointer = T*;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_p) noexcept
    {
        MAPIFreeBuffer(p_p);
    }
};
struct own_rows_traits
{
    using pointer = LPSRowSet;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_p) noexcept
    {
        FreeProws(p_p);
    }
};
template <typename T> using unique_own_buffer = unique_any<own_buffer_traits<T>>;
using unique_own_rows = unique_any<own_rows_traits>;

// The global lock: the provider's objects are free-threaded and share one store. Other processes
// may have the same store file loaded (an object handed to another process is opened there from
// the file), so while a file is loaded the outermost lock also holds that file's named mutex: it
// first reads the file again when another process wrote it since, and the outermost unlock writes
// what this process changed, so neither process's writes are lost to the other's older copy.
class CStoreMutex
{
  public:
    void lock();
    void unlock();
    // Takes the store file's named mutex for the current outermost lock, if not yet held (the
    // file became known inside it).
    void HoldShared();

  private:
    std::recursive_mutex m_mutex;
    int m_iDepth = 0;     // under m_mutex
    bool m_bHeld = false; // the named mutex is held for the outermost lock
};
CStoreMutex& Lock();

class CProvider
{
  public:
    static CProvider& Get();
    // Loads the store file named by the configuration key (an absent file stands for the default store).
    [[nodiscard]] HRESULT EnsureLoaded();
    // Writes the store file (atomically: temporary file then rename); false, after logging why,
    // when it could not be written.
    [[nodiscard]] bool Save();
    // The save of one message (p_item, in folder p_uFolder of p_store): appended to the store file's
    // journal when the file held everything else (p_ulGenerationBefore, the generation before this
    // change, is the one it holds), else the whole file is written as Save does; false as Save.
    [[nodiscard]] bool SaveItem(const ms::CStore& p_store, uint32_t p_uFolder, const ms::CItem& p_item,
                                uint64_t p_ulGenerationBefore);
    // The save of logoff and shutdown: a snapshot store nothing has changed since it was read or
    // written is not written again (hundreds of megabytes at a million items).
    [[nodiscard]] bool SaveIfChanged();
    void Changed()
    {
        ++m_ulGeneration;
    }
    uint64_t Generation() const
    {
        return m_ulGeneration;
    }
    std::wstring Config(const wchar_t* p_szName, const std::wstring& p_sDefault = {});
    // Cross-process sharing of the store file (provider_shared_store.cpp), all under Lock().
    // Makes the file's named mutex and write counter; false when they could not be made.
    bool AttachShared();
    HANDLE SharedMutex() const
    {
        return m_hSharedMutex.get();
    }
    // Reads the file again when another process has written it since this one last read or wrote it.
    void ReloadIfStale();
    // Writes what changed since the last read or write, for a JSON store that is on disk.
    void SaveIfDirty();
    // Something changed since the file was last read or written (never true before the first).
    bool IsDirty() const;

    ms::CStoreFile m_file;
    bool m_bLoaded = false;
    bool m_bSnapshot = false;          // the store file is the binary snapshot, and is saved as one
    uint64_t m_ulSavedGeneration = 0;  // the generation the file holds (0: unknown)
    size_t m_nSavedNames = 0;          // named properties the file holds
    uint32_t m_uSavedNextId = 0;       // the next item id the file holds
    uint64_t m_ulFailedGeneration = 0; // a write-through that failed at this generation is not retried
    std::wstring m_sPath;
    std::atomic<uint64_t> m_ulGeneration{1};

  private:
    // Reads the store file: a default store when it is absent or empty (p_bEmpty).
    [[nodiscard]] HRESULT ReadStore(ms::CStoreFile& p_file, bool& p_bSnapshot, bool& p_bEmpty);
    // The file now holds what is in memory, or all but the named properties from p_nFileNames on.
    void NoteWritten(size_t p_nFileNames = SIZE_MAX);
    // Gives the contact and calendar named properties their ids after a read. Those the file lacks
    // (those from m_nFileNames on, which includes any the read's own steps added: standard folders,
    // seed links) are written with the next record, so that a process reading that record afresh
    // gives them the same ids as this one.
    void RegisterNames();
    size_t m_nFileNames = 0; // named properties the file read last holds, journal included
    // After a read: the file holds what is in memory but the names from m_nFileNames on and any
    // standard folders the read added (m_bReadAddedFolders), which the next write carries.
    void NoteReadWritten();
    bool m_bReadAddedFolders = false;
    // The journal (provider_file.cpp): the file as this process last read or wrote it (p_sText, its
    // whole text): its size, write time, index and last bytes, which an append checks so it never
    // lands in a file someone else replaced, and which tell a reader what another process appended.
    void NoteFileIdentity(std::string_view p_sText);
    void NoteFileInfo(const BY_HANDLE_FILE_INFORMATION& p_info);
    bool IsKnownFile(const BY_HANDLE_FILE_INFORMATION& p_info) const;
    [[nodiscard]] bool AppendToStore(const std::string& p_sRecord);
    // Appends the journal record of p_sPayload and notes the file as holding what is in memory;
    // false when the whole file has to be written instead (no journal, or one grown too large).
    [[nodiscard]] bool AppendRecord(const std::string& p_sPayload);
    // Appends the record of ids and names taken when nothing else changed since the last write.
    [[nodiscard]] bool AppendIds();
    // Applies the records another process appended since, when that is all it did; false otherwise
    // (the file replaced, cut or not whole records), perhaps with some records applied.
    [[nodiscard]] bool ReadAppended();
    int64_t m_llFileSize = -1;
    uint64_t m_ullFileTime = 0;
    uint64_t m_ullFileIndex = 0;
    DWORD m_dwFileVolume = 0;
    std::string m_sFileTail;    // the last bytes of the file up to m_llFileSize
    size_t m_nBaseBytes = 0;    // the file's document
    size_t m_nJournalBytes = 0; // and the records after it
    unique_handle m_hSharedMutex;
    unique_handle m_hSharedMapping;
    // The mapped counters of the file (a view of m_hSharedMapping): of its writes, and of those that
    // wrote it whole (the rest appended records).
    std::shared_ptr<LONG64> m_pSharedCounter;
    LONG64* WholeWrites() const
    {
        return m_pSharedCounter.get() + 1;
    }
    LONG64 m_llSeenCounter = 0;
    LONG64 m_llSeenWholeWrites = 0;
};

// Strings: the store keeps UTF-8; PT_STRING8 is the ANSI code page.
std::string Utf8FromAnsi(const char* p_sz);
std::string Utf8FromWide(const wchar_t* p_wsz);
std::string AnsiFromUtf8(const std::string& p_s);
std::wstring WideFromUtf8(const std::string& p_s);
// A string argument of a MAPI call: ANSI unless p_bUnicode.
std::string ArgString(const void* p_p, bool p_bUnicode);

// Copies p_v into p_out as p_ulTag asks (its type, or the stored type for PT_UNSPECIFIED with
// strings as p_bUnicode says), allocating with MAPIAllocateMore on p_pParent.
[[nodiscard]] HRESULT ToSPropValue(const ms::CPropValue& p_v, ULONG p_ulTag, bool p_bUnicode, void* p_pParent,
                                   SPropValue& p_out);
// Reads a caller's value; false for types the store does not keep.
[[nodiscard]] bool FromSPropValue(const SPropValue& p_v, ms::CPropValue& p_out);
[[nodiscard]] bool FromSRestriction(const SRestriction* p_pRes, ms::CRestriction& p_out, int p_iDepth = 0);
// Converts a row (a property list) to a MAPIAllocateBuffer'd array for p_cols.
[[nodiscard]] HRESULT RowToSRow(const ms::CPropList& p_row, const std::vector<ULONG>& p_cols, bool p_bUnicode,
                                SRow& p_out);
[[nodiscard]] HRESULT AllocTagArray(const std::vector<ULONG>& p_tags, LPSPropTagArray* p_pp);
[[nodiscard]] HRESULT CopyBytesOut(const ms::CBytes& p_b, ULONG* p_pcb, LPENTRYID* p_pp, void* p_pParent = nullptr);

// Runs a COM method body under the lock and the exception trap, then delivers the
// notifications the body queued (outside the lock).
[[nodiscard]] HRESULT Call(const char* p_szName, const std::function<HRESULT()>& p_body);

// Notifications.
struct CAdvise
{
    ULONG m_ulConnection;
    ms::CBytes m_storeUid;
    ms::CBytes m_filterEid; // empty: the whole store
    ULONG m_ulMask;
    com_ptr<IMAPIAdviseSink> m_pSink;
};
ULONG AddAdvise(const ms::CBytes& p_storeUid, ms::CBytes p_filter, ULONG p_ulMask, IMAPIAdviseSink* p_pSink);
[[nodiscard]] bool RemoveAdvise(ULONG p_ulConnection);
// Queues an event for delivery at the end of the current call.
void QueueObjectEvent(ULONG p_ulEvent, const ms::CBytes& p_storeUid, const ms::CBytes& p_eid, ULONG p_ulObjType,
                      const ms::CBytes& p_parent, const ms::CBytes& p_oldEid = {}, const ms::CBytes& p_oldParent = {});
void QueueNewMail(const ms::CBytes& p_storeUid, const ms::CBytes& p_eid, const ms::CBytes& p_parent,
                  const std::string& p_sClass, ULONG p_ulFlags);
void DeliverQueued();
// Other processes of the store file hear of this one's events through a journal named p_sName
// (made by AttachShared); both calls run under the file's named mutex, at the outermost lock.
[[nodiscard]] bool AttachEventJournal(const std::wstring& p_sName);
// Writes the queued events not yet in the journal (at the unlock that wrote the file through).
void PublishQueued();
// Queues, for this process's sinks, what other processes wrote since (after reading the file again).
void ImportPublished();

// Base of every COM object: reference count, and the free-threaded marshaler aggregated so the
// objects pass between apartments of the process as the same pointer.
struct CMarshalTarget;

class CUnknownBase
{
  public:
    virtual ~CUnknownBase();
    // What another process needs to open this same object from the store file; false for objects
    // that exist only in this process (tables, streams, unsaved messages, ...), which keep the
    // free-threaded marshaler's behaviour.
    virtual bool MarshalTarget(CMarshalTarget& p_target)
    {
        (void)p_target;
        return false;
    }
    // The object was opened for another process: it holds a MAPIInitialize of its own.
    void HoldInitialize()
    {
        m_bHoldsInitialize = true;
    }

  protected:
    [[nodiscard]] HRESULT QueryBase(REFIID p_riid, void** p_ppv, IUnknown* p_pSelf,
                                    std::initializer_list<const IID*> p_iids);
    ULONG AddRefBase()
    {
        return ++m_cRef;
    }
    ULONG ReleaseBase()
    {
        const ULONG c = --m_cRef;
        if (c == 0)
            delete this;
        return c;
    }
    std::atomic<ULONG> m_cRef{1};
    IUnknown* m_pFtm = nullptr; // the aggregated free-threaded marshaler: this object's own plumbing
    bool m_bHoldsInitialize = false;
};

#define MAPI_UNKNOWN_IMPL(...)                                                                                         \
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override                                                      \
    {                                                                                                                  \
        return QueryBase(riid, ppv, static_cast<IUnknown*>(this), {__VA_ARGS__});                                      \
    }                                                                                                                  \
    STDMETHODIMP_(ULONG) AddRef() override                                                                             \
    {                                                                                                                  \
        return AddRefBase();                                                                                           \
    }                                                                                                                  \
    STDMETHODIMP_(ULONG) Release() override                                                                            \
    {                                                                                                                  \
        return ReleaseBase();                                                                                          \
    }

// IMAPIProp over a property list. Derived objects give the list they keep (Stored), what is
// computed on read (AddComputed), and whether writes are allowed.
template <typename I> class CPropObject : public I, public CUnknownBase
{
  public:
    STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* p_pp) override
    {
        if (p_pp)
            *p_pp = nullptr;
        return S_OK;
    }
    STDMETHODIMP SaveChanges(ULONG p_ulFlags) override
    {
        return Call("IMAPIProp::SaveChanges", [&] { return Save(p_ulFlags); });
    }
    STDMETHODIMP GetProps(LPSPropTagArray p_pTags, ULONG p_ulFlags, ULONG* p_pc, LPSPropValue* p_pp) override;
    STDMETHODIMP GetPropList(ULONG p_ulFlags, LPSPropTagArray* p_pp) override;
    STDMETHODIMP OpenProperty(ULONG p_ulTag, LPCIID p_iid, ULONG p_ulOpts, ULONG p_ulFlags, LPUNKNOWN* p_pp) override
    {
        return Call("IMAPIProp::OpenProperty", [&] { return OpenProp(p_ulTag, p_iid, p_ulOpts, p_ulFlags, p_pp); });
    }
    STDMETHODIMP SetProps(ULONG p_c, LPSPropValue p_pv, LPSPropProblemArray* p_ppProblems) override;
    STDMETHODIMP DeleteProps(LPSPropTagArray p_pTags, LPSPropProblemArray* p_ppProblems) override;
    STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                        LPSPropProblemArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG, LPSPropProblemArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetNamesFromIDs(LPSPropTagArray* p_ppTags, LPGUID p_pGuid, ULONG p_ulFlags, ULONG* p_pc,
                                 LPMAPINAMEID** p_ppp) override;
    STDMETHODIMP GetIDsFromNames(ULONG p_c, LPMAPINAMEID* p_pp, ULONG p_ulFlags, LPSPropTagArray* p_ppTags) override;

  protected:
    // The object's own properties (nullptr when it has none that can be changed).
    virtual ms::CPropList* Stored() = 0;
    virtual void AddComputed(ms::CPropList& p_props)
    {
        (void)p_props;
    }
    virtual bool Writable()
    {
        return Stored() != nullptr;
    }
    virtual bool IsComputedTag(ULONG p_ulTag);
    virtual HRESULT Save(ULONG p_ulFlags) = 0;
    virtual HRESULT OpenProp(ULONG p_ulTag, LPCIID p_iid, ULONG p_ulOpts, ULONG p_ulFlags, LPUNKNOWN* p_pp);
    virtual void Touched()
    {
    }
    ms::CPropList AllProps()
    {
        ms::CPropList props;
        if (ms::CPropList* p = Stored())
            props = *p;
        AddComputed(props);
        return props;
    }
};

// Tables: rows from a source function, refreshed when the store changed; or, for a folder's
// contents, rows read from the folder only when asked for and refreshed only when it changed.
class CTable final : public IMAPITable, public CUnknownBase
{
  public:
    using CSource = std::function<std::vector<ms::CPropList>()>;
    class CLazySource : public ms::CRowSource
    {
      public:
        // Changes whenever the rows may have changed.
        virtual uint64_t Stamp() = 0;
        // Row p_uRow with at least the columns p_cols (what QueryRows returns).
        virtual ms::CPropList Columns(uint32_t p_uRow, const std::vector<ULONG>& p_cols) = 0;
        // What a restriction or sort looks at is built as QueryRows builds its columns.
        ms::CPropList RowColumns(uint32_t p_uRow, const std::vector<uint32_t>& p_tags) override
        {
            return Columns(p_uRow, std::vector<ULONG>(p_tags.begin(), p_tags.end()));
        }
    };
    CTable(CSource p_source, std::vector<ULONG> p_cols, bool p_bUnicode);
    CTable(std::shared_ptr<CLazySource> p_source, std::vector<ULONG> p_cols, bool p_bUnicode);
    MAPI_UNKNOWN_IMPL(&IID_IMAPITable)
    MAPI_IMAPITABLE_METHODS(override)

  private:
    void Refresh();
    // Visits every row in table order (for the rare calls that need them all).
    void ForEachRow(const std::function<void(const ms::CPropList&)>& p_fn);
    CSource m_source;
    std::shared_ptr<CLazySource> m_pLazy;
    std::vector<ULONG> m_vCols;
    bool m_bUnicode;
    uint64_t m_ulGeneration = 0;
    bool m_bFresh = false; // the lazy view has been set up at m_ulGeneration's stamp
    ms::CTableView m_view;
};
[[nodiscard]] HRESULT NewTable(CTable::CSource p_source, std::vector<ULONG> p_cols, ULONG p_ulFlags, LPMAPITABLE* p_pp);
[[nodiscard]] HRESULT NewTable(std::shared_ptr<CTable::CLazySource> p_source, std::vector<ULONG> p_cols,
                               ULONG p_ulFlags, LPMAPITABLE* p_pp);

// Streams over bytes in memory; Commit hands the bytes to p_onCommit and returns its result. The
// stream keeps p_owner (may be empty) alive as long as it lives.
[[nodiscard]] HRESULT NewMemoryStream(ms::CBytes p_data, std::function<HRESULT(const ms::CBytes&)> p_onCommit,
                                      com_ptr<IUnknown> p_owner, IStream** p_pp);
[[nodiscard]] HRESULT OpenFileStream(const std::wstring& p_sPath, ULONG p_ulFlags, IStream** p_pp);

// Store objects (provider_msgstore.cpp, provider_folder.cpp, provider_message.cpp).
[[nodiscard]] HRESULT OpenStore(const ms::CBytes& p_uid, IMsgStore** p_pp);
[[nodiscard]] HRESULT OpenStoreEntry(const CEntryIdBits& p_bits, ULONG p_ulFlags, ULONG* p_pulType, IUnknown** p_pp);
ms::CBytes StoreEntryId(const ms::CStore& p_store);
// PR_MDB_PROVIDER of a store: the one its file gives, else this provider's own.
ms::CBytes StoreMdbProvider(const ms::CStore& p_store);
// A public-folders store stands for one on a server that cannot be reached: it is listed, but
// neither it nor anything in it opens.
bool IsPublicStore(const ms::CStore& p_store);
ms::CBytes FolderEntryId(const ms::CStore& p_store, const ms::CFolder& p_f);
ms::CBytes MessageEntryId(const ms::CStore& p_store, uint32_t p_uId);
// Locates a store and folder by entry id.
[[nodiscard]] bool LocateFolder(const CEntryIdBits& p_bits, ms::CStore*& p_store, ms::CFolder*& p_folder);
// Puts a message into a folder, persists and notifies (drop-folder delivery, mapistore deliver).
uint32_t DeliverToInbox(ms::CItem p_item);
// The body and attached files of a MIME mail p_sMessage into p_item, which has its headers already
// (provider_mime_import.cpp); a mail that is not multipart is left as it is.
void ImportMimeParts(const std::string& p_sMessage, ms::CItem& p_item);
// Address book (provider_ab.cpp).
[[nodiscard]] HRESULT OpenAddressBook(IAddrBook** p_pp);
[[nodiscard]] HRESULT OpenAbEntry(const CEntryIdBits& p_bits, ULONG* p_pulType, IUnknown** p_pp);
// Spooler (provider_spooler.cpp).
void QueueSubmission(const ms::CBytes& p_storeUid, uint32_t p_uId);
// Queues every message of the loaded store that is flagged submitted but not yet queued or being
// sent: what a process that ended before the spooler sent it left in the store.
void QueueStoredSubmissions();
// S_OK while the message waits, MAPI_E_UNABLE_TO_ABORT once the spooler has taken it,
// MAPI_E_NOT_IN_QUEUE when it has left or was never submitted (called under Lock()).
[[nodiscard]] HRESULT AbortSubmission(const ms::CBytes& p_storeUid, uint32_t p_uId);
// Sends every waiting message now; with p_bAsync the spooler's thread sends them and this returns
// at once, the messages already past aborting.
void FlushSpooler(bool p_bAsync);
// Delivers what the drop folder holds now.
void FlushInbound();
// PR_STATUS_CODE of the spooler's status row and object.
ULONG SpoolerStatusCode();
void StartBackground();
void StopBackground();
[[nodiscard]] HRESULT NewStatus(IMAPIStatus** p_pp);
// Marshalling to other processes (provider_marshal.cpp): the IMarshal an object answers, and the
// objects a receiving process opens from a target.
[[nodiscard]] HRESULT NewMarshaler(IUnknown* p_pSelf, IUnknown* p_pFtm, const CMarshalTarget& p_target, void** p_ppv);
[[nodiscard]] HRESULT OpenMarshalTarget(const CMarshalTarget& p_target, REFIID p_riid, void** p_ppv);
// A session as MAPILogonEx makes it (provider_session.cpp); the caller has initialised MAPI.
[[nodiscard]] HRESULT NewSession(IMAPISession** p_pp);
// The store file's path as the marshalled form carries it (UTF-8).
std::string StorePathUtf8();
// The name of a named object every process that shares the store file shares (provider_shared_store.cpp).
std::wstring StoreObjectName(const wchar_t* p_szKind);

// The plain text of a PR_RTF_COMPRESSED value ("" when it does not decode) (provider_rtf.cpp).
std::string TextOfRtf(const ms::CBytes& p_compressed);
} // namespace mapiprov

#include "standins/mapi/provider/prop_object_impl.h"
