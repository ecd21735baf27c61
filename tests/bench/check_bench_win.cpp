// tests/bench/check_bench_win.cpp: check_bench.exe, a timing tool (not a test): Corvane's Check of
// typed names, numbers and internet addresses against an Outlook profile whose contacts folder holds
// the given number of contacts (the MAPI stand-in), in a fresh process. It reports the time per
// recipient for each list size, so a flat cost shows as equal figures, and where the time goes: the
// same texts resolved by kind (numbers need no address book), and the address book's own
// ResolveName of the names and addresses alone.
//   check_bench CORVANE_DLL MAPI_DLL DIR CONTACTS SIZE...   (DIR: where the store file goes)
#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

#include "Addressbook/include/corvane_win.h"
#include "Addressbook/res/resource.h"
#include "common/handle_win.h"
#include "standins/mapi/provider/mapi_shims.h"
#include "standins/mapi/tool/store_bench_win.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace
{
using store_bench::Now;

struct CCorvaneFunctions
{
    PFN_Init m_pfnInit = nullptr;
    PFN_Uninit m_pfnUninit = nullptr;
    PFN_Check m_pfnCheck = nullptr;
    PFN_CreateMessageRecipient m_pfnCreate = nullptr;
    PFN_CreateMessageRecipientList m_pfnCreateList = nullptr;
    PFN_AddMessageRecipient m_pfnAdd = nullptr;
    PFN_DeleteMessageRecipientList m_pfnDeleteList = nullptr;

    [[nodiscard]] bool Bind(HMODULE p_hLibrary)
    {
        store_bench::BindExport(p_hLibrary, m_pfnInit, "Init");
        store_bench::BindExport(p_hLibrary, m_pfnUninit, "Uninit");
        store_bench::BindExport(p_hLibrary, m_pfnCheck, "Check");
        store_bench::BindExport(p_hLibrary, m_pfnCreate, "CreateMessageRecipient");
        store_bench::BindExport(p_hLibrary, m_pfnCreateList, "CreateMessageRecipientList");
        store_bench::BindExport(p_hLibrary, m_pfnAdd, "AddMessageRecipient");
        store_bench::BindExport(p_hLibrary, m_pfnDeleteList, "DeleteMessageRecipientList");
        return m_pfnInit && m_pfnUninit && m_pfnCheck && m_pfnCreate && m_pfnCreateList && m_pfnAdd && m_pfnDeleteList;
    }
};

// A fix wizard would stop the clock on a user: it is answered with Ignore and counted.
class CWizardWatch
{
  public:
    CWizardWatch()
        : m_oThread([this] {
              while (!m_bStop)
              {
                  EnumWindows(&CWizardWatch::Visit, reinterpret_cast<LPARAM>(this));
                  Sleep(50);
              }
          })
    {
    }
    ~CWizardWatch()
    {
        m_bStop = true;
        m_oThread.join();
    }
    int Answered() const
    {
        return m_iAnswered;
    }

  private:
    static BOOL CALLBACK Visit(HWND p_hWindow, LPARAM p_lParam)
    {
        auto* self = reinterpret_cast<CWizardWatch*>(p_lParam);
        DWORD process = 0;
        GetWindowThreadProcessId(p_hWindow, &process);
        const HWND hIgnore = GetDlgItem(p_hWindow, IDC_CHECK_IGNORE);
        if (process == GetCurrentProcessId() && IsWindowVisible(p_hWindow) && hIgnore != nullptr)
        {
            PostMessageA(p_hWindow, WM_COMMAND, MAKEWPARAM(IDC_CHECK_IGNORE, BN_CLICKED),
                         reinterpret_cast<LPARAM>(hIgnore));
            ++self->m_iAnswered;
            Sleep(200);
        }
        return TRUE;
    }

    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_iAnswered{0};
    std::thread m_oThread;
};

struct CCheckResult
{
    double m_dMicrosPerRecipient = -1;
    int m_iResult = 0;
    uint32_t m_dwKept = 0;
    int m_iWizards = 0;
};

// Check of one To list holding p_vTexts, timed from the call to its return.
CCheckResult TimeCheck(const CCorvaneFunctions& p_fns, const std::vector<std::string>& p_vTexts)
{
    CCheckResult result;
    CMessageRecipientList* p_mrlTo = nullptr;
    CMessageRecipientList* p_mrlCc = nullptr;
    if (p_fns.m_pfnCreateList(&p_mrlTo) != 1 || p_fns.m_pfnCreateList(&p_mrlCc) != 1)
        return result;
    for (const std::string& text : p_vTexts)
    {
        CMessageRecipient* p_oRecipient = nullptr;
        if (p_fns.m_pfnCreate(text.c_str(), &p_oRecipient) != 1 || p_fns.m_pfnAdd(p_mrlTo, p_oRecipient) != 1)
            return result;
    }
    int exited = 0;
    const CWizardWatch watch;
    const double t = Now();
    result.m_iResult = p_fns.m_pfnCheck(nullptr, &p_mrlTo, &p_mrlCc, 1, nullptr, &exited);
    result.m_dMicrosPerRecipient = (Now() - t) * 1e6 / static_cast<double>(p_vTexts.empty() ? 1 : p_vTexts.size());
    result.m_dwKept = p_mrlTo != nullptr ? p_mrlTo->m_dwCount : 0;
    result.m_iWizards = watch.Answered();
    p_fns.m_pfnDeleteList(&p_mrlTo);
    p_fns.m_pfnDeleteList(&p_mrlCc);
    return result;
}

void PrintCheck(const char* p_szWhat, size_t p_nCount, const CCheckResult& p_oResult)
{
    std::printf("  Check %-22s %6zu recipients: %9.1f us per recipient (result %d, %lu kept, %d wizard pages)\n",
                p_szWhat, p_nCount, p_oResult.m_dMicrosPerRecipient, p_oResult.m_iResult,
                static_cast<unsigned long>(p_oResult.m_dwKept), p_oResult.m_iWizards);
    std::fflush(stdout);
}

// The address book's ResolveName alone, one ADRLIST per text as Check asks: microseconds per text.
double TimeResolveName(const store_bench::CMapiFunctions& p_fns, IAddrBook* p_pBook,
                       const std::vector<std::string>& p_vTexts)
{
    const double t = Now();
    for (const std::string& text : p_vTexts)
    {
        LPADRLIST list = nullptr;
        LPSPropValue props = nullptr;
        if (p_fns.m_pfnAlloc(CbNewADRLIST(1), reinterpret_cast<void**>(&list)) != S_OK ||
            p_fns.m_pfnAlloc(sizeof(SPropValue), reinterpret_cast<void**>(&props)) != S_OK)
            return -1;
        props[0].ulPropTag = PR_DISPLAY_NAME_A;
        props[0].Value.lpszA = const_cast<char*>(text.c_str());
        list->cEntries = 1;
        list->aEntries[0].cValues = 1;
        list->aEntries[0].rgPropVals = props;
        (void)p_pBook->ResolveName(0, 0, nullptr, list);
        p_fns.m_pfnFree(list->aEntries[0].rgPropVals);
        p_fns.m_pfnFree(list);
    }
    return (Now() - t) * 1e6 / static_cast<double>(p_vTexts.empty() ? 1 : p_vTexts.size());
}

// The first p_nCount texts, a third each of names, numbers and addresses, interleaved.
std::vector<std::string> Mixed(const std::vector<std::string>& p_vNames, const std::vector<std::string>& p_vAddresses,
                               size_t p_nCount)
{
    std::vector<std::string> texts;
    for (size_t i = 0; texts.size() < p_nCount; ++i)
    {
        char number[32];
        std::snprintf(number, sizeof number, "082 %03u %04u", static_cast<unsigned>(i / 10000 % 1000),
                      static_cast<unsigned>(i % 10000));
        for (const std::string& text :
             {p_vNames[i % p_vNames.size()], std::string(number), p_vAddresses[i % p_vAddresses.size()]})
            if (texts.size() < p_nCount)
                texts.push_back(text);
    }
    return texts;
}

std::vector<std::string> Every(const std::vector<std::string>& p_vTexts, size_t p_nFirst, size_t p_nCount)
{
    std::vector<std::string> out;
    for (size_t i = p_nFirst; i < p_vTexts.size() && out.size() < p_nCount; i += 3)
        out.push_back(p_vTexts[i]);
    return out;
}

int MeasureResolveName(const std::string& p_sMapiDll, const std::vector<std::string>& p_vNames,
                       const std::vector<std::string>& p_vAddresses)
{
    store_bench::CMapiFunctions fns;
    const HMODULE h = LoadLibraryA(p_sMapiDll.c_str());
    if (h == nullptr || !fns.Bind(h) || FAILED(fns.m_pfnInit(nullptr)))
        return 1;
    com_ptr<IMAPISession> session;
    com_ptr<IAddrBook> book;
    if (FAILED(
            fns.m_pfnLogon(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_USE_DEFAULT | MAPI_NEW_SESSION, session.put())) ||
        FAILED(session->OpenAddressBook(0, nullptr, AB_NO_DIALOG, book.put())))
        return 1;
    (void)TimeResolveName(fns, book.get(), {p_vNames.front()}); // builds the index
    std::printf("  ResolveName alone, names     %6zu: %9.1f us per name\n", p_vNames.size(),
                TimeResolveName(fns, book.get(), p_vNames));
    std::printf("  ResolveName alone, addresses %6zu: %9.1f us per address\n", p_vAddresses.size(),
                TimeResolveName(fns, book.get(), p_vAddresses));
    book.reset();
    session->Logoff(0, 0, 0);
    session.reset();
    fns.m_pfnUninit();
    return 0;
}

int Measure(const std::string& p_sCorvane, const std::string& p_sMapiDll, const std::string& p_sNames,
            const std::string& p_sAddresses, const std::vector<size_t>& p_vSizes)
{
    const std::vector<std::string> names = store_bench::ReadList(p_sNames);
    const std::vector<std::string> addresses = store_bench::ReadList(p_sAddresses);
    CCorvaneFunctions fns;
    const HMODULE h = LoadLibraryA(p_sCorvane.c_str());
    if (h == nullptr || !fns.Bind(h) || names.empty() || addresses.empty())
        return 1;
    (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    double t = Now();
    if (fns.m_pfnInit(0, 5, nullptr, nullptr, nullptr, kCallerFull) != 1)
    {
        std::printf("check_bench: Init failed\n");
        return 1;
    }
    store_bench::Report("Init (Outlook start, MAPI logon)", t);
    t = Now();
    PrintCheck("warm-up (builds index)", 3, TimeCheck(fns, Mixed(names, addresses, 3)));
    for (size_t size : p_vSizes)
    {
        const std::vector<std::string> texts = Mixed(names, addresses, size);
        PrintCheck("mixed", size, TimeCheck(fns, texts));
        PrintCheck("names only", size / 3, TimeCheck(fns, Every(texts, 0, size / 3)));
        PrintCheck("numbers only", size / 3, TimeCheck(fns, Every(texts, 1, size / 3)));
        PrintCheck("addresses only", size / 3, TimeCheck(fns, Every(texts, 2, size / 3)));
    }
    fns.m_pfnUninit();
    CoUninitialize();
    const size_t largest = p_vSizes.empty() ? 1000 : p_vSizes.back();
    return MeasureResolveName(p_sMapiDll, Every(Mixed(names, addresses, largest), 0, largest / 3),
                              Every(Mixed(names, addresses, largest), 2, largest / 3));
}

// Names a user types through the ANSI code page: the seeded names that are plain ASCII.
std::vector<std::string> Typable(const std::vector<std::string>& p_vNames)
{
    std::vector<std::string> out;
    for (const std::string& name : p_vNames)
    {
        bool ascii = true;
        for (char c : name)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii)
            out.push_back(name);
    }
    return out;
}

[[nodiscard]] bool UseStandin(const std::string& p_sMapiDll)
{
    unique_hkey key;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", 0, nullptr, 0, KEY_WRITE,
                           nullptr, key.put(), nullptr) == ERROR_SUCCESS &&
           RegSetValueExA(key.get(), "DLLPathEx", 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sMapiDll.c_str()),
                          static_cast<DWORD>(p_sMapiDll.size() + 1)) == ERROR_SUCCESS;
}
} // namespace

int main(int argc, char** argv)
{
    store_bench::UseLowFragmentationHeap();
    if (argc >= 7 && std::string(argv[1]) == "--measure")
    {
        std::vector<size_t> sizes;
        for (int i = 6; i < argc; ++i)
            sizes.push_back(std::strtoul(argv[i], nullptr, 10));
        return Measure(argv[2], argv[3], argv[4], argv[5], sizes);
    }
    if (argc < 6)
    {
        std::fprintf(stderr, "usage: check_bench CORVANE_DLL MAPI_DLL DIR CONTACTS SIZE...\n");
        return 2;
    }
    const std::string dir = argv[3];
    const unsigned long contacts = std::strtoul(argv[4], nullptr, 10);
    const std::string store = dir + "\\check-" + argv[4] + ".store";
    const std::string namesPath = dir + "\\check-" + argv[4] + ".names";
    const std::string addressesPath = dir + "\\check-" + argv[4] + ".addresses";
    store_bench::CSeededContacts seeded;
    std::printf("%lu contacts\n", contacts);
    const std::string previous = store_bench::GetStoreFile();
    if (!store_bench::SeedContactsSnapshot(store, static_cast<uint32_t>(contacts), true, &seeded) ||
        !store_bench::WriteList(namesPath, Typable(seeded.m_vUniqueNames)) ||
        !store_bench::WriteList(addressesPath, seeded.m_vAddresses) || !store_bench::SetStoreFile(store) ||
        !UseStandin(argv[2]))
        return 1;
    std::printf("  %zu names held once, %zu addresses of others\n", Typable(seeded.m_vUniqueNames).size(),
                seeded.m_vAddresses.size());
    std::fflush(stdout);
    std::string arguments = std::string("--measure \"") + argv[1] + "\" \"" + argv[2] + "\" \"" + namesPath + "\" \"" +
                            addressesPath + "\"";
    for (int i = 5; i < argc; ++i)
        arguments += std::string(" ") + argv[i];
    const int status = store_bench::RunChild(arguments);
    if (!previous.empty())
        (void)store_bench::SetStoreFile(previous);
    return status;
}
