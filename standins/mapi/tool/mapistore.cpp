// standins/mapi/tool/mapistore.cpp: mapistore.exe, the MAPI stand-in's store tool for tests and
// the prefix set-up: "seed FILE.json [STORE.json]" checks a seed, completes the standard folders,
// writes the store file and names it in the stand-in's key; "dump" prints the store file;
// "deliver FILE.eml" hands a mail to the running provider through the drop folder; "list FOLDER"
// prints the items of a folder given by name or by a path from the store's root ("a/b");
// "show FOLDER" prints each item of a folder as one JSON line, with its recipients, body text and
// attachments, so tests read back what a client filed or left; "seed-contacts FOLDER COUNT" fills
// a folder with generated contacts and keeps the store as a binary snapshot, sorted by display
// name, which the provider loads in seconds at a million items.
#include "standins/mapi/store/collation.h"
#include "standins/mapi/store/compressed_rtf.h"
#include "standins/mapi/store/folder_index.h"
#include "standins/mapi/store/rtf_text.h"
#include "standins/mapi/store/seed_contacts.h"
#include "standins/mapi/store/store_file.h"
#include "standins/mapi/store/store_text.h"

#include "common/handle_win.h"

#include <windows.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace
{
const char kKey[] = "Software\\Brevolt Test\\MAPI Stand-in";

std::string Config(const char* p_szName)
{
    char buf[1024] = {};
    DWORD cb = sizeof buf - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, kKey, p_szName, RRF_RT_REG_SZ, nullptr, buf, &cb) != ERROR_SUCCESS)
        return {};
    return buf;
}

[[nodiscard]] bool SetConfig(const char* p_szName, const std::string& p_sValue)
{
    unique_hkey h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, h.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(h.get(), p_szName, 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sValue.c_str()),
                          static_cast<DWORD>(p_sValue.size() + 1)) == ERROR_SUCCESS;
}

std::string StorePath()
{
    std::string path = Config("StoreFile");
    if (path.empty())
    {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        path = std::string(dir) + "brevolt-mapi-store.json"; // where the provider looks without a value
    }
    return path;
}

[[nodiscard]] bool ReadText(const std::string& p_sPath, std::string& p_sText)
{
    // In one piece: a snapshot may be hundreds of megabytes.
    std::ifstream in(p_sPath, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    const std::streamoff size = in.tellg();
    p_sText.assign(static_cast<size_t>(size > 0 ? size : 0), '\0');
    in.seekg(0);
    return size <= 0 || static_cast<bool>(in.read(p_sText.data(), size));
}

bool LoadStore(mapistore::CStoreFile& p_file)
{
    std::string text, err;
    if (!ReadText(StorePath(), text))
    {
        p_file = mapistore::MakeDefaultStoreFile();
        return true;
    }
    if (!mapistore::LoadStoreAny(text, p_file, err))
    {
        std::fprintf(stderr, "mapistore: %s: %s\n", StorePath().c_str(), err.c_str());
        return false;
    }
    return true;
}

[[nodiscard]] bool WriteStore(const std::string& p_sBytes)
{
    // Written beside and renamed over, so a provider never reads half a store.
    const std::string path = StorePath(), tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << p_sBytes;
        if (!out)
            return false;
    }
    return MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

mapistore::CFolder* FindByPath(mapistore::CFolder& p_f, const std::string& p_sPath)
{
    const size_t slash = p_sPath.find('/');
    const std::string head = p_sPath.substr(0, slash);
    for (auto& c : p_f.m_vFolders)
        if (mapistore::GetString(c->m_props, mapistore::tag::DisplayName) == head)
        {
            if (slash == std::string::npos)
                return c.get();
            if (mapistore::CFolder* f = FindByPath(*c, p_sPath.substr(slash + 1)))
                return f;
        }
    // A bare name is looked for anywhere in the tree.
    if (slash == std::string::npos)
        for (auto& c : p_f.m_vFolders)
            if (mapistore::CFolder* f = FindByPath(*c, p_sPath))
                return f;
    return nullptr;
}

int Seed(const std::string& p_sSeed, const std::string& p_sStore)
{
    std::string text, err;
    if (!ReadText(p_sSeed, text))
    {
        std::fprintf(stderr, "mapistore: cannot read %s\n", p_sSeed.c_str());
        return 2;
    }
    mapistore::CStoreFile file;
    if (!mapistore::LoadStoreFile(text, file, err))
    {
        std::fprintf(stderr, "mapistore: %s: %s\n", p_sSeed.c_str(), err.c_str());
        return 2;
    }
    if (file.m_vStores.empty())
    {
        mapistore::CStoreFile def = mapistore::MakeDefaultStoreFile();
        file.m_vStores = std::move(def.m_vStores);
        file.m_uNextId = std::max(file.m_uNextId, def.m_uNextId);
    }
    // A seed leaves out the Reminders search folder with "reminders": false.
    mapistore::EnsureStandardFolders(file, file.m_bReminders);
    if (!p_sStore.empty() && !SetConfig("StoreFile", p_sStore))
    {
        std::fprintf(stderr, "mapistore: cannot write the stand-in's key\n");
        return 2;
    }
    std::ofstream out(StorePath(), std::ios::binary | std::ios::trunc);
    out << mapistore::SaveStoreFile(file);
    if (!out)
    {
        std::fprintf(stderr, "mapistore: cannot write %s\n", StorePath().c_str());
        return 2;
    }
    std::printf("mapistore: seeded %s\n", StorePath().c_str());
    return 0;
}

int Deliver(const std::string& p_sEml)
{
    const std::string drop = Config("DropFolder");
    if (drop.empty())
    {
        std::fprintf(stderr, "mapistore: no DropFolder value in HKCU\\%s\n", kKey);
        return 2;
    }
    // Written under a temporary name and renamed, so the provider never reads half a file.
    char name[64];
    std::snprintf(name, sizeof name, "\\mapistore-%lu-%lu", GetCurrentProcessId(), GetTickCount());
    const std::string part = drop + name + ".part", eml = drop + name + ".eml";
    if (!CopyFileA(p_sEml.c_str(), part.c_str(), FALSE) || !MoveFileA(part.c_str(), eml.c_str()))
    {
        std::fprintf(stderr, "mapistore: cannot deliver %s into %s\n", p_sEml.c_str(), drop.c_str());
        return 2;
    }
    return 0;
}

mapistore::CFolder* FindFolderAnywhere(mapistore::CStoreFile& p_file, const std::string& p_sFolder)
{
    for (auto& s : p_file.m_vStores)
        if (mapistore::CFolder* f = FindByPath(s.m_root, p_sFolder))
            return f;
    return nullptr;
}

int SeedContacts(const std::string& p_sFolder, const std::string& p_sCount)
{
    char* end = nullptr;
    const unsigned long count = std::strtoul(p_sCount.c_str(), &end, 10);
    if (p_sCount.empty() || *end != '\0' || count > mapistore::kMaxFolderItems)
    {
        std::fprintf(stderr, "mapistore: COUNT is a number up to %zu\n", mapistore::kMaxFolderItems);
        return 2;
    }
    mapistore::CStoreFile file;
    if (!LoadStore(file))
        return 2;
    mapistore::EnsureStandardFolders(file, file.m_bReminders);
    mapistore::CFolder* f = FindFolderAnywhere(file, p_sFolder);
    if (!f)
    {
        std::fprintf(stderr, "mapistore: no folder %s\n", p_sFolder.c_str());
        return 1;
    }
    mapistore::SeedContacts(file, *f, static_cast<uint32_t>(count));
    // The order the address book asks for is kept in the snapshot under the system's collation.
    mapistore::SetCollation(mapistore::SystemCollation());
    (void)mapistore::FolderOrder(*f, false, {{mapistore::tag::DisplayName, false}});
    if (!WriteStore(mapistore::SaveStoreSnapshot(file)))
    {
        std::fprintf(stderr, "mapistore: cannot write %s\n", StorePath().c_str());
        return 2;
    }
    std::printf("mapistore: %lu contacts in %s\n", count, p_sFolder.c_str());
    return 0;
}

// The text a reader sees: PR_BODY, else the text of the compressed RTF; a body that does not
// decode reads as a marked fault rather than as an empty text.
std::string BodyText(const mapistore::CPropList& p_props)
{
    if (mapistore::FindProp(p_props, mapistore::tag::Body) != nullptr)
        return mapistore::GetString(p_props, mapistore::tag::Body);
    const mapistore::CPropValue* rtf = mapistore::FindProp(p_props, mapistore::tag::RtfCompressed);
    if (rtf == nullptr)
        return {};
    std::string raw;
    if (mapistore::DecompressRtf(rtf->m_bValue.data(), rtf->m_bValue.size(), raw) != mapistore::ERtfDecode::Ok)
        return "<compressed RTF that does not decode>";
    return mapistore::RtfToText(raw);
}

nlohmann::json ItemJson(const mapistore::CItem& p_item)
{
    using mapistore::GetString;
    namespace tag = mapistore::tag;
    nlohmann::json recipients = nlohmann::json::array();
    for (const auto& r : p_item.m_vRecipients)
        recipients.push_back({{"name", GetString(r, tag::DisplayName)},
                              {"address", GetString(r, tag::EmailAddress)},
                              {"addrtype", GetString(r, tag::AddrType)},
                              {"type", mapistore::GetLong(r, tag::RecipientType).value_or(0)}});
    nlohmann::json attachments = nlohmann::json::array();
    for (const auto& a : p_item.m_vAttachments)
    {
        const mapistore::CPropValue* data = mapistore::FindProp(a, tag::AttachDataBin);
        attachments.push_back(
            {{"name", GetString(a, tag::AttachLongFilename, GetString(a, tag::AttachFilename))},
             {"size", data != nullptr ? data->m_bValue.size() : 0},
             {"text", data != nullptr ? std::string(data->m_bValue.begin(), data->m_bValue.end()) : std::string()}});
    }
    return {{"id", p_item.m_uId},
            {"class", GetString(p_item.m_props, tag::MessageClass)},
            {"subject", GetString(p_item.m_props, tag::Subject)},
            {"sender", GetString(p_item.m_props, tag::SenderName)},
            {"flags", mapistore::GetLong(p_item.m_props, tag::MessageFlags).value_or(0)},
            {"body", BodyText(p_item.m_props)},
            {"recipients", std::move(recipients)},
            {"attachments", std::move(attachments)}};
}

int Show(const std::string& p_sFolder)
{
    mapistore::CStoreFile file;
    if (!LoadStore(file))
        return 2;
    mapistore::CFolder* f = FindFolderAnywhere(file, p_sFolder);
    if (f == nullptr)
    {
        std::fprintf(stderr, "mapistore: no folder %s\n", p_sFolder.c_str());
        return 1;
    }
    for (const auto& item : f->m_vItems)
    {
        // Texts are the store's UTF-8; anything that is not prints replaced, never as an exception.
        const std::string line = ItemJson(item).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

int List(const std::string& p_sFolder)
{
    mapistore::CStoreFile file;
    if (!LoadStore(file))
        return 2;
    for (auto& s : file.m_vStores)
        if (mapistore::CFolder* f = FindByPath(s.m_root, p_sFolder))
        {
            for (const auto& item : f->m_vItems)
            {
                std::string text = mapistore::GetString(item.m_props, mapistore::tag::Subject);
                if (text.empty())
                    text = mapistore::GetString(item.m_props, mapistore::tag::DisplayName);
                std::printf("%u\t%s\t%s\n", item.m_uId,
                            mapistore::GetString(item.m_props, mapistore::tag::MessageClass).c_str(), text.c_str());
            }
            return 0;
        }
    std::fprintf(stderr, "mapistore: no folder %s\n", p_sFolder.c_str());
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    // Millions of small blocks: the low-fragmentation heap Windows uses by default (Wine 8 only
    // when asked) keeps allocation fast.
    ULONG ulLfh = 2;
    (void)HeapSetInformation(GetProcessHeap(), HeapCompatibilityInformation, &ulLfh, sizeof ulLfh);
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "seed" && (argc == 3 || argc == 4))
        return Seed(argv[2], argc == 4 ? argv[3] : "");
    if (cmd == "dump" && argc == 2)
    {
        mapistore::CStoreFile file;
        if (!LoadStore(file))
            return 2;
        std::fputs(mapistore::SaveStoreFile(file).c_str(), stdout);
        return 0;
    }
    if (cmd == "deliver" && argc == 3)
        return Deliver(argv[2]);
    if (cmd == "list" && argc == 3)
        return List(argv[2]);
    if (cmd == "show" && argc == 3)
        return Show(argv[2]);
    if (cmd == "seed-contacts" && argc == 4)
        return SeedContacts(argv[2], argv[3]);
    std::fprintf(stderr, "usage: mapistore seed FILE.json [STORE.json] | dump | deliver FILE.eml | list FOLDER | "
                         "show FOLDER | seed-contacts FOLDER COUNT\n");
    return 2;
}
