// standins/mapi/tool/store_bench_win.cpp: the timing tools' shared clock, store seeding, MAPI
// binding and child processes.
#include "standins/mapi/tool/store_bench_win.h"

#include "common/handle_win.h"
#include "standins/mapi/store/collation.h"
#include "standins/mapi/store/folder_index.h"
#include "standins/mapi/store/seed_contacts.h"
#include "standins/mapi/store/store_file.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <unordered_map>

namespace store_bench
{
namespace
{
const char kKey[] = "Software\\Brevolt Test\\MAPI Stand-in";

// Names held once, and the addresses of the contacts whose names were not taken.
void Collect(mapistore::CStoreFile& p_file, const mapistore::CFolder& p_contacts, CSeededContacts& p_oOut)
{
    const uint32_t idAddress =
        p_file.IdOfName({mapistore::GuidAddress(), false, mapistore::kLidEmail1Address, {}}, false);
    const size_t count = p_contacts.m_vItems.size();
    std::unordered_map<std::string, int> seen;
    std::vector<std::string> names;
    names.reserve(count);
    for (const mapistore::CItem& item : p_contacts.m_vItems)
    {
        names.push_back(mapistore::GetString(item.m_props, mapistore::tag::DisplayName));
        ++seen[names.back()];
    }
    for (size_t i = 0; i < count; ++i)
    {
        if (i % (count / 1000 + 1) == 0)
            p_oOut.m_vAllNames.push_back(names[i]);
        if (seen[names[i]] == 1)
            p_oOut.m_vUniqueNames.push_back(names[i]);
        else if (idAddress != 0)
            p_oOut.m_vAddresses.push_back(mapistore::GetString(p_contacts.m_vItems[i].m_props,
                                                               mapistore::MakeTag(mapistore::kPtUnicode, idAddress)));
    }
}
} // namespace

double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

void Report(const char* p_szWhat, double p_dStart)
{
    std::printf("  %-44s %10.3f ms\n", p_szWhat, (Now() - p_dStart) * 1000.0);
}

bool SetStoreFile(const std::string& p_sPath)
{
    unique_hkey h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, h.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(h.get(), "StoreFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sPath.c_str()),
                          static_cast<DWORD>(p_sPath.size() + 1)) == ERROR_SUCCESS;
}

std::string GetStoreFile()
{
    char buf[1024] = {};
    DWORD cb = sizeof buf - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, kKey, "StoreFile", RRF_RT_REG_SZ, nullptr, buf, &cb) != ERROR_SUCCESS)
        return {};
    return buf;
}

bool SeedContactsSnapshot(const std::string& p_sPath, uint32_t p_ulCount, bool p_bReport,
                          CSeededContacts* p_p_oContacts)
{
    const auto report = [p_bReport](const char* p_szWhat, double p_dStart) {
        if (p_bReport)
            Report(p_szWhat, p_dStart);
    };
    double t = Now();
    mapistore::CStoreFile file = mapistore::MakeDefaultStoreFile();
    mapistore::CFolder* contacts = mapistore::FindFolderByRole(file.DefaultStore()->m_root, "contacts");
    if (!contacts)
        return false;
    mapistore::SeedContacts(file, *contacts, p_ulCount);
    report("seed: generate contacts", t);
    if (p_p_oContacts != nullptr)
        Collect(file, *contacts, *p_p_oContacts);
    t = Now();
    mapistore::SetCollation(mapistore::SystemCollation());
    (void)mapistore::FolderOrder(*contacts, false, {{mapistore::tag::DisplayName, false}});
    report("seed: sort by display name (kept in the file)", t);
    t = Now();
    std::ofstream out(p_sPath, std::ios::binary | std::ios::trunc);
    out << mapistore::SaveStoreSnapshot(file);
    report("seed: write snapshot", t);
    return static_cast<bool>(out);
}

bool SeedContactsJson(const std::string& p_sPath, uint32_t p_ulCount)
{
    mapistore::CStoreFile file = mapistore::MakeDefaultStoreFile();
    mapistore::CFolder* contacts = mapistore::FindFolderByRole(file.DefaultStore()->m_root, "contacts");
    if (!contacts)
        return false;
    mapistore::SeedContacts(file, *contacts, p_ulCount);
    std::ofstream out(p_sPath, std::ios::binary | std::ios::trunc);
    out << mapistore::SaveStoreFile(file);
    return static_cast<bool>(out);
}

bool CMapiFunctions::Bind(HMODULE p_hLibrary)
{
    BindExport(p_hLibrary, m_pfnInit, "MAPIInitialize");
    BindExport(p_hLibrary, m_pfnUninit, "MAPIUninitialize");
    BindExport(p_hLibrary, m_pfnLogon, "MAPILogonEx");
    BindExport(p_hLibrary, m_pfnAlloc, "MAPIAllocateBuffer");
    BindExport(p_hLibrary, m_pfnFree, "MAPIFreeBuffer");
    BindExport(p_hLibrary, m_pfnFreeProws, "FreeProws");
    return m_pfnInit && m_pfnUninit && m_pfnLogon && m_pfnAlloc && m_pfnFree && m_pfnFreeProws;
}

unique_handle StartChild(const std::string& p_sArguments)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string cmd = "\"" + std::string(self) + "\" " + p_sArguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return unique_handle();
    unique_handle thread(pi.hThread);
    return unique_handle(pi.hProcess);
}

int RunChild(const std::string& p_sArguments)
{
    const unique_handle process = StartChild(p_sArguments);
    if (!process)
        return 1;
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

void UseLowFragmentationHeap()
{
    // Every heap, not only the process heap: the C runtime's malloc has a heap of its own, and
    // without the low-fragmentation front end Wine's allocator searches a free list that grows
    // with the store (the address book's name index then takes minutes, not seconds).
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    for (HANDLE heap : heaps)
    {
        ULONG ulLfh = 2;
        (void)HeapSetInformation(heap, HeapCompatibilityInformation, &ulLfh, sizeof ulLfh);
    }
}

std::vector<std::string> ReadList(const std::string& p_sPath)
{
    std::ifstream in(p_sPath, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> items;
    for (size_t at = 0; at < text.size();)
    {
        size_t next = text.find('|', at);
        if (next == std::string::npos)
            next = text.size();
        items.push_back(text.substr(at, next - at));
        at = next + 1;
    }
    return items;
}

bool WriteList(const std::string& p_sPath, const std::vector<std::string>& p_vItems)
{
    std::ofstream out(p_sPath, std::ios::binary | std::ios::trunc);
    for (size_t i = 0; i < p_vItems.size(); ++i)
        out << (i == 0 ? "" : "|") << p_vItems[i];
    return static_cast<bool>(out);
}
} // namespace store_bench
