// tests/bench/resolve_name_bench_win.cpp: resolve_name_bench.exe, a timing tool (not a test): seeds
// a contacts folder of each given size as a snapshot and measures, in a fresh process per size,
// IAddrBook::ResolveName of batches of names (whole names, first words, unknown names and internet
// addresses), reporting the time per name so that a flat cost shows as equal figures.
//   resolve_name_bench DLL DIR COUNT...   (DLL: the MAPI stand-in; DIR: where the store files go)
#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

#include "common/handle_win.h"
#include "standins/mapi/provider/mapi_shims.h"
#include "standins/mapi/store/collation.h"
#include "standins/mapi/store/folder_index.h"
#include "standins/mapi/store/seed_contacts.h"
#include "standins/mapi/store/store_file.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace
{
const char kKey[] = "Software\\Brevolt Test\\MAPI Stand-in";

double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

[[nodiscard]] bool SetStoreFile(const std::string& p_sPath)
{
    unique_hkey h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, h.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(h.get(), "StoreFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sPath.c_str()),
                          static_cast<DWORD>(p_sPath.size() + 1)) == ERROR_SUCCESS;
}

// A default store whose Contacts folder holds p_ulCount generated contacts; their names go to p_vNames.
[[nodiscard]] bool Seed(const std::string& p_sPath, uint32_t p_ulCount, std::vector<std::string>& p_vNames)
{
    mapistore::CStoreFile file = mapistore::MakeDefaultStoreFile();
    mapistore::CFolder* contacts = mapistore::FindFolderByRole(file.DefaultStore()->m_root, "contacts");
    if (!contacts)
        return false;
    mapistore::SeedContacts(file, *contacts, p_ulCount);
    for (size_t i = 0; i < contacts->m_vItems.size(); i += contacts->m_vItems.size() / 1000 + 1)
        p_vNames.push_back(mapistore::GetString(contacts->m_vItems[i].m_props, mapistore::tag::DisplayName));
    mapistore::SetCollation(mapistore::SystemCollation());
    (void)mapistore::FolderOrder(*contacts, false, {{mapistore::tag::DisplayName, false}});
    std::ofstream out(p_sPath, std::ios::binary | std::ios::trunc);
    out << mapistore::SaveStoreSnapshot(file);
    return static_cast<bool>(out);
}

struct CFns
{
    LPMAPIINITIALIZE m_pfnInit = nullptr;
    LPMAPIUNINITIALIZE m_pfnUninit = nullptr;
    LPMAPILOGONEX m_pfnLogon = nullptr;
    LPMAPIALLOCATEBUFFER m_pfnAlloc = nullptr;
    LPMAPIFREEBUFFER m_pfnFree = nullptr;
};

template <typename T> void Bind(HMODULE p_h, T& p_pfn, const char* p_szName)
{
    p_pfn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(p_h, p_szName)));
}

// Resolves the names one ADRLIST each, as a client checking typed names does; the time per name.
double ResolveEach(const CFns& p_fns, IAddrBook* p_pBook, const std::vector<std::string>& p_vNames, int& p_iResolved)
{
    const double t = Now();
    for (const std::string& name : p_vNames)
    {
        LPADRLIST list = nullptr;
        LPSPropValue props = nullptr;
        if (p_fns.m_pfnAlloc(CbNewADRLIST(1), reinterpret_cast<void**>(&list)) != S_OK ||
            p_fns.m_pfnAlloc(sizeof(SPropValue), reinterpret_cast<void**>(&props)) != S_OK)
            return -1;
        props[0].ulPropTag = PR_DISPLAY_NAME_A;
        props[0].Value.lpszA = const_cast<char*>(name.c_str());
        list->cEntries = 1;
        list->aEntries[0].cValues = 1;
        list->aEntries[0].rgPropVals = props;
        if (p_pBook->ResolveName(0, 0, nullptr, list) == S_OK)
            ++p_iResolved;
        p_fns.m_pfnFree(list->aEntries[0].rgPropVals);
        p_fns.m_pfnFree(list);
    }
    return p_vNames.empty() ? 0 : (Now() - t) * 1e6 / static_cast<double>(p_vNames.size());
}

int Measure(const std::string& p_sDll, const std::string& p_sNames)
{
    HMODULE h = LoadLibraryA(p_sDll.c_str());
    if (!h)
        return 1;
    CFns fns;
    Bind(h, fns.m_pfnInit, "MAPIInitialize");
    Bind(h, fns.m_pfnUninit, "MAPIUninitialize");
    Bind(h, fns.m_pfnLogon, "MAPILogonEx");
    Bind(h, fns.m_pfnAlloc, "MAPIAllocateBuffer");
    Bind(h, fns.m_pfnFree, "MAPIFreeBuffer");
    if (!fns.m_pfnInit || !fns.m_pfnLogon || !fns.m_pfnAlloc || !fns.m_pfnFree)
        return 1;
    (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    com_ptr<IMAPISession> session;
    com_ptr<IAddrBook> book;
    if (FAILED(fns.m_pfnInit(nullptr)) ||
        FAILED(
            fns.m_pfnLogon(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_USE_DEFAULT | MAPI_NEW_SESSION, session.put())) ||
        FAILED(session->OpenAddressBook(0, nullptr, AB_NO_DIALOG, book.put())))
        return 1;
    // The names: whole display names, their first words, unknown names and internet addresses.
    std::vector<std::string> whole, words, unknown, addresses;
    for (size_t at = 0, next = 0; at < p_sNames.size(); at = next + 1)
    {
        next = p_sNames.find('|', at);
        if (next == std::string::npos)
            next = p_sNames.size();
        const std::string name = p_sNames.substr(at, next - at);
        whole.push_back(name);
        words.push_back(name.substr(0, name.find(' ')));
        unknown.push_back("Nobody " + std::to_string(whole.size()));
        addresses.push_back("someone" + std::to_string(whole.size()) + "@example.org");
    }
    int resolved = 0;
    double t = Now();
    std::vector<std::string> first(whole.begin(), whole.begin() + 1);
    (void)ResolveEach(fns, book.get(), first, resolved);
    std::printf("  first ResolveName (builds the index)      %10.3f ms\n", (Now() - t) * 1000.0);
    for (const auto& [what, names] :
         {std::pair{"whole names", &whole}, std::pair{"first words", &words}, std::pair{"unknown names", &unknown},
          std::pair{"internet addresses", &addresses}})
        for (size_t n : {size_t{10}, size_t{100}, names->size()})
        {
            const std::vector<std::string> batch(names->begin(), names->begin() + std::min(n, names->size()));
            resolved = 0;
            const double us = ResolveEach(fns, book.get(), batch, resolved);
            std::printf("  %-20s %5zu names: %9.1f us per name (%d resolved)\n", what, batch.size(), us, resolved);
        }
    book.reset();
    session->Logoff(0, 0, 0);
    session.reset();
    if (fns.m_pfnUninit)
        fns.m_pfnUninit();
    return 0;
}

int RunChild(const std::string& p_sDll, const std::string& p_sNamesFile)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string cmd = "\"" + std::string(self) + "\" --measure \"" + p_sDll + "\" \"" + p_sNamesFile + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 1;
    unique_handle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}
} // namespace

int main(int argc, char** argv)
{
    ULONG ulLfh = 2;
    (void)HeapSetInformation(GetProcessHeap(), HeapCompatibilityInformation, &ulLfh, sizeof ulLfh);
    if (argc == 4 && std::string(argv[1]) == "--measure")
    {
        std::ifstream in(argv[3], std::ios::binary);
        const std::string names((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return Measure(argv[2], names);
    }
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: resolve_name_bench DLL DIR COUNT...\n");
        return 2;
    }
    int status = 0;
    for (int i = 3; i < argc && status == 0; ++i)
    {
        const unsigned long count = std::strtoul(argv[i], nullptr, 10);
        const std::string path = std::string(argv[2]) + "\\resolve-" + argv[i] + ".store";
        const std::string namesPath = std::string(argv[2]) + "\\resolve-" + argv[i] + ".names";
        std::vector<std::string> names;
        std::printf("%lu contacts\n", count);
        if (!Seed(path, static_cast<uint32_t>(count), names) || !SetStoreFile(path))
            return 1;
        std::string joined;
        for (const auto& n : names)
            joined += (joined.empty() ? "" : "|") + n;
        std::ofstream(namesPath, std::ios::binary) << joined;
        status = RunChild(argv[1], namesPath); // a fresh process: the provider loads the store once
        std::fflush(stdout);
    }
    return status;
}
