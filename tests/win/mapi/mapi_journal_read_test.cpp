// tests/win/mapi/mapi_journal_read_test.cpp: a process with the store file loaded sees what another
// process (this test's own executable, run for one case) wrote: messages it changed and one it made
// (records appended to the file), folders and a message it made (the file written whole, twice, then
// appended to), and a record cut short at the end, left out until it is whole.
#include "tests/win/mapi/mapi_test_support.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <iterator>

using namespace mapitest;

namespace
{
constexpr char kOtherVariable[] = "BREVOLT_JOURNAL_OTHER";

std::string StorePath()
{
    return g_sTemp + "\\store.json";
}

std::string StoreText()
{
    std::ifstream in(StorePath(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The store file's named mutex, named as the provider names it: "Local\BrevoltMapiStoreMutex-" and
// the FNV-1a hash of the full path in upper case.
std::wstring StoreMutexName()
{
    wchar_t full[MAX_PATH * 2] = {};
    const std::string store = StorePath();
    const std::wstring path(store.begin(), store.end());
    const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
    uint64_t hash = 1469598103934665603ull;
    for (const wchar_t* c = full; c < full + n; ++c)
        hash = (hash ^ static_cast<uint64_t>(std::towupper(*c))) * 1099511628211ull;
    wchar_t name[96];
    swprintf(name, std::size(name), L"Local\\BrevoltMapiStoreMutex-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

// Runs this executable's JournalOtherProcess case with p_sTask; its exit code (0: it did it all).
int RunOther(const std::string& p_sTask)
{
    SetEnvironmentVariableA(kOtherVariable, p_sTask.c_str());
    const unique_handle process = StartThisExecutable("JournalOtherProcess.*");
    SetEnvironmentVariableA(kOtherVariable, nullptr);
    return process ? ExitCodeOf(process.get()) : -2;
}

// A string column of a table's rows (the subjects of a contents table's), sorted.
std::vector<std::string> Subjects(IMAPITable* p_pTable, ULONG p_ulTag = PR_SUBJECT_A)
{
    LPSRowSet keep = nullptr;
    std::vector<std::string> subjects;
    for (const auto& row : AllRows(p_pTable, {p_ulTag}, keep))
        subjects.push_back(Text(row[0]));
    g_mapi.m_pfnFreeProws(keep);
    std::sort(subjects.begin(), subjects.end());
    return subjects;
}

bool Has(const std::vector<std::string>& p_v, const std::string& p_s)
{
    return std::find(p_v.begin(), p_v.end(), p_s) != p_v.end();
}

void SaveMessage(IMAPIFolder* p_pFolder, const char* p_szSubject)
{
    CRelease<IMessage> message;
    ASSERT_EQ(p_pFolder->CreateMessage(nullptr, 0, &message), S_OK);
    SetText(message, PR_SUBJECT_A, p_szSubject);
    ASSERT_EQ(message->SaveChanges(0), S_OK);
}

IMAPIFolder* MakeFolder(IMAPIFolder* p_pParent, const char* p_szName)
{
    IMAPIFolder* folder = nullptr;
    EXPECT_EQ(p_pParent->CreateFolder(FOLDER_GENERIC, reinterpret_cast<LPTSTR>(const_cast<char*>(p_szName)), nullptr,
                                      nullptr, OPEN_IF_EXISTS, &folder),
              S_OK);
    return folder;
}

class JournalReadTest : public CMapiContract
{
  protected:
    void SetUp() override
    {
        m_inbox.attach(Inbox());
        ASSERT_NE(m_inbox.get(), nullptr);
        ASSERT_EQ(m_inbox->GetContentsTable(0, &m_table), S_OK);
    }
    CRelease<IMAPIFolder> m_inbox;
    CRelease<IMAPITable> m_table;
};
} // namespace

TEST_F(JournalReadTest, MessagesAnotherProcessChangedAreSeenAndThisProcessAppendsAfterThem)
{
    SaveMessage(m_inbox, "Written here");
    CRelease<IMessage> own;
    ASSERT_EQ(m_inbox->CreateMessage(nullptr, 0, &own), S_OK);
    SetText(own, PR_SUBJECT_A, "Also written here");
    ASSERT_EQ(own->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    ASSERT_TRUE(Has(Subjects(m_table), "Written here"));
    const std::string before = StoreText();

    ASSERT_EQ(RunOther("messages"), 0);
    const std::string written = StoreText();
    ASSERT_EQ(written.compare(0, before.size(), before), 0) << "the other process appended its records";
    const std::vector<std::string> subjects = Subjects(m_table);
    EXPECT_TRUE(Has(subjects, "Changed there"));
    EXPECT_TRUE(Has(subjects, "Also changed there"));
    EXPECT_TRUE(Has(subjects, "Made there"));
    EXPECT_FALSE(Has(subjects, "Written here"));

    // This process knows where the file now ends: its next save of a message is appended there too.
    SetText(own, PR_SUBJECT_A, "Changed here again");
    ASSERT_EQ(own->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    const std::string after = StoreText();
    EXPECT_GT(after.size(), written.size());
    EXPECT_EQ(after.compare(0, written.size(), written), 0);
    EXPECT_EQ(Subjects(m_table), (std::vector<std::string>{"Changed here again", "Changed there", "Made there"}));
}

TEST_F(JournalReadTest, FoldersAnotherProcessMadeAreSeenFromTheFileWrittenWhole)
{
    ASSERT_EQ(RunOther("folders"), 0);
    CRelease<IMAPITable> hierarchy;
    ASSERT_EQ(m_inbox->GetHierarchyTable(0, &hierarchy), S_OK);
    const std::vector<std::string> folders = Subjects(hierarchy, PR_DISPLAY_NAME_A);
    EXPECT_TRUE(Has(folders, "Made there 1"));
    ASSERT_TRUE(Has(folders, "Made there 2"));
    CRelease<IMAPIFolder> second;
    second.attach(MakeFolder(m_inbox, "Made there 2"));
    ASSERT_NE(second.get(), nullptr);
    CRelease<IMAPITable> contents;
    ASSERT_EQ(second->GetContentsTable(0, &contents), S_OK);
    EXPECT_EQ(Subjects(contents), std::vector<std::string>{"In a folder made there"});
}

TEST_F(JournalReadTest, ARecordCutShortAtTheEndIsLeftOutUntilItIsWhole)
{
    SaveMessage(m_inbox, "Before the cut");
    // The other process saves and cuts its record in one hold of the store's mutex: this process's
    // spooler thread, which takes the mutex several times a second, never finds the record whole.
    ASSERT_EQ(RunOther("cut:Cut short"), 0);
    std::vector<std::string> subjects = Subjects(m_table);
    EXPECT_FALSE(Has(subjects, "Cut short"));
    EXPECT_TRUE(Has(subjects, "Before the cut")) << "what came before the cut record is kept";

    {
        std::ifstream whole(StorePath() + ".whole", std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
        const std::string cut = StoreText();
        ASSERT_GT(text.size(), cut.size());
        std::ofstream out(StorePath(), std::ios::binary | std::ios::app);
        out << text.substr(cut.size());
    }
    ASSERT_EQ(RunOther("save:After the cut"), 0);
    subjects = Subjects(m_table);
    EXPECT_TRUE(Has(subjects, "Cut short"));
    EXPECT_TRUE(Has(subjects, "After the cut"));
}

// The other process's side, run by the cases above in a process of its own (skipped otherwise).
TEST(JournalOtherProcess, WritesTheSharedStore)
{
    const char* task = std::getenv(kOtherVariable);
    if (task == nullptr || *task == 0)
        GTEST_SKIP() << "run by the cases above in a process of its own";
    CMapiContract::SetUp(false);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    {
        CRelease<IMAPIFolder> inbox;
        inbox.attach(Inbox());
        ASSERT_NE(inbox.get(), nullptr);
        const std::string what = task;
        if (what == "messages")
        {
            // Messages that exist already, and a new one, whose id is reserved by a record of its own.
            CRelease<IMAPITable> table;
            ASSERT_EQ(inbox->GetContentsTable(0, &table), S_OK);
            LPSRowSet keep = nullptr;
            for (const auto& row : AllRows(table, {PR_SUBJECT_A, PR_ENTRYID}, keep))
                if (Text(row[0]).find("ritten here") != std::string::npos)
                {
                    CRelease<IMessage> message;
                    ULONG type = 0;
                    ASSERT_EQ(inbox->OpenEntry(row[1].Value.bin.cb, reinterpret_cast<LPENTRYID>(row[1].Value.bin.lpb),
                                               nullptr, MAPI_MODIFY, &type, reinterpret_cast<IUnknown**>(&message)),
                              S_OK);
                    SetText(message, PR_SUBJECT_A,
                            Text(row[0]) == "Written here" ? "Changed there" : "Also changed there");
                    EXPECT_EQ(message->SaveChanges(0), S_OK);
                }
            g_mapi.m_pfnFreeProws(keep);
            SaveMessage(inbox, "Made there");
        }
        else if (what == "folders")
        {
            // Two whole-file writes: the second file may take the index the first one freed.
            CRelease<IMAPIFolder> first, second;
            first.attach(MakeFolder(inbox, "Made there 1"));
            second.attach(MakeFolder(inbox, "Made there 2"));
            ASSERT_NE(second.get(), nullptr);
            SaveMessage(second, "In a folder made there");
        }
        else if (what.rfind("save:", 0) == 0)
            SaveMessage(inbox, what.substr(5).c_str());
        else if (what.rfind("cut:", 0) == 0)
        {
            const unique_handle mutex(CreateMutexW(nullptr, FALSE, StoreMutexName().c_str()));
            ASSERT_TRUE(mutex);
            ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "the provider's own mutex";
            const DWORD wait = WaitForSingleObject(mutex.get(), 30000);
            ASSERT_TRUE(wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED);
            SaveMessage(inbox, what.substr(4).c_str());
            const std::string text = StoreText();
            const size_t mark = text.rfind('\x1E');
            EXPECT_NE(mark, std::string::npos);
            if (mark != std::string::npos)
            {
                std::ofstream(StorePath() + ".whole", std::ios::binary) << text;
                std::ofstream(StorePath(), std::ios::binary | std::ios::trunc)
                    << text.substr(0, mark + (text.size() - mark) / 2); // the same file, cut short
            }
            ReleaseMutex(mutex.get());
        }
        else
            ADD_FAILURE() << "unknown task " << what;
    }
    // Ends without logging off, as a killed client does: logoff would write the file whole again.
    TerminateProcess(GetCurrentProcess(), testing::Test::HasFailure() ? 1 : 0);
}
