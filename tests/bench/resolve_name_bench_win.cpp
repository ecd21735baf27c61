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
#include "standins/mapi/tool/store_bench_win.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
using store_bench::Now;

// Resolves the names one ADRLIST each, as a client checking typed names does; the time per name.
double ResolveEach(const store_bench::CMapiFunctions& p_fns, IAddrBook* p_pBook,
                   const std::vector<std::string>& p_vNames, int& p_iResolved)
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

int Measure(const std::string& p_sDll, const std::vector<std::string>& p_vNames)
{
    HMODULE h = LoadLibraryA(p_sDll.c_str());
    if (!h)
        return 1;
    store_bench::CMapiFunctions fns;
    if (!fns.Bind(h))
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
    for (const std::string& name : p_vNames)
    {
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

} // namespace

int main(int argc, char** argv)
{
    store_bench::UseLowFragmentationHeap();
    if (argc == 4 && std::string(argv[1]) == "--measure")
        return Measure(argv[2], store_bench::ReadList(argv[3]));
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
        store_bench::CSeededContacts contacts;
        std::printf("%lu contacts\n", count);
        if (!store_bench::SeedContactsSnapshot(path, static_cast<uint32_t>(count), false, &contacts) ||
            !store_bench::SetStoreFile(path) || !store_bench::WriteList(namesPath, contacts.m_vAllNames))
            return 1;
        status = store_bench::RunChild("--measure \"" + std::string(argv[1]) + "\" \"" + namesPath + "\"");
        std::fflush(stdout);
    }
    return status;
}
