// tests/bench/import_bench.cpp: a timing tool for recipient import: a 100,000-row CSV with five
// columns read, split and built into a bulk list. Prints rows per second and the peak resident
// memory, and fails when the import takes longer than its one-second goal.
#include "Addressbook/import/import_members.h"
#include "Addressbook/import/import_reader.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int p_iArgc, char** p_aArgv)
{
    const int iRows = p_iArgc > 1 ? std::atoi(p_aArgv[1]) : 100000;
    const std::string sPath = (std::filesystem::temp_directory_path() / "import_bench.csv").string();
    {
        std::ofstream oOut(sPath, std::ios::binary);
        oOut << "Mobile,First Name,Last Name,E-mail,Branch\r\n";
        for (int i = 0; i < iRows; ++i)
            oOut << "082" << (1000000 + i) << ",First" << i << ",\"Last, " << i << "\",p" << i << "@example.com,Branch "
                 << (i % 40) << "\r\n";
    }
    const auto tStart = std::chrono::steady_clock::now();
    CTextImportLayout oLayout;
    std::vector<std::string> vPreview;
    if (!ReadImportLines(sPath, 10, vPreview) || vPreview.empty())
        return 2;
    const auto vColumns = MakeImportColumns(SplitImportLine(vPreview[0], oLayout), true, 5);
    RecipientPtr oList;
    if (!ImportTextFile(sPath, oLayout, vColumns, oList) || oList->m_p_mrlMembers->m_dwCount != uint32_t(iRows))
        return 2;
    const double dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    oList.reset();
    std::filesystem::remove(sPath);
    rusage oUsage{};
    getrusage(RUSAGE_SELF, &oUsage);
    std::printf("import: %d rows in %.3f s, %.0f rows/s, peak memory %ld KiB (goal: <= 1 s)\n", iRows, dSeconds,
                iRows / dSeconds, oUsage.ru_maxrss);
    return dSeconds <= 1.0 ? 0 : 1;
}
