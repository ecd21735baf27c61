// standins/mapi/store/seed_contacts.cpp: generated contacts for large-folder measurements.
#include "standins/mapi/store/seed_contacts.h"

#include "standins/mapi/store/folder_index.h"

#include <array>
#include <cstdio>
#include <string>

namespace mapistore
{
namespace
{
const char* const kGiven[] = {
    "Anna", "Ben",     "Chloe",    "David",      "Emma",         "Farid",        "Grace",       "Hugo",  "Isla",
    "Jack", "Karen",   "Liam",     "Maria",      "Noah",         "Olivia",       "Pieter",      "Quinn", "Rosa",
    "Sean", "Tara",    "Umar",     "Vera",       "Wen",          "Xavier",       "Yusuf",       "Zoe",   "Ann",
    "Anne", "Mary-Jo", "Jean-Luc", "Zo\xC3\xAB", "\xC3\x89mile", "Bj\xC3\xB6rn", "Se\xC3\xA1n", "Aoife", "Kai"};
const char* const kSurname[] = {"Smith",
                                "Smyth",
                                "'Smyth",
                                "Jones",
                                "O'Brien",
                                "Obrien",
                                "D'Angelo",
                                "Dangelo",
                                "Taylor",
                                "Brown",
                                "Williams",
                                "Wilson",
                                "Evans",
                                "Thomas",
                                "Roberts",
                                "Johnson",
                                "Lewis",
                                "Walker",
                                "Robinson",
                                "Wood",
                                "Thompson",
                                "White",
                                "Hughes",
                                "Edwards",
                                "Green",
                                "Hall",
                                "Smith-Jones",
                                "Hall-Green",
                                "-Dash",
                                "'t Hooft",
                                "McDonald",
                                "MacDonald",
                                "van Dijk",
                                "de la Cruz",
                                "M\xC3\xBCller",
                                "Nu\xC3\xB1\x65z", // "Nuñez"; the e is \x65 so it does not join the \xB1 escape
                                "Ng",
                                "Li",
                                "Okafor",
                                "Kowalski",
                                "Nakamura",
                                "Haddad"};
const char kInitials[] = "ABCDEFGHJKLMNPRSTW";

// One-off entry ids as MAPI writes them: flags, the one-off provider uid, version, flags
// (Unicode, no rich information), then display name, address type and address in UTF-16.
const uint8_t kOneOffUid[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

void AppendUtf16(CBytes& p_b, const std::string& p_s)
{
    // Decodes UTF-8 into UTF-16 code units (the generated names stay in the basic plane).
    for (size_t i = 0; i < p_s.size();)
    {
        const auto c = static_cast<unsigned char>(p_s[i]);
        uint32_t cp = c;
        size_t n = 1;
        if (c >= 0xE0 && i + 2 < p_s.size())
            cp = ((c & 0x0Fu) << 12) | ((p_s[i + 1] & 0x3Fu) << 6) | (p_s[i + 2] & 0x3Fu), n = 3;
        else if (c >= 0xC0 && i + 1 < p_s.size())
            cp = ((c & 0x1Fu) << 6) | (p_s[i + 1] & 0x3Fu), n = 2;
        p_b.push_back(static_cast<uint8_t>(cp));
        p_b.push_back(static_cast<uint8_t>(cp >> 8));
        i += n;
    }
    p_b.push_back(0);
    p_b.push_back(0);
}

CBytes OneOffEntryId(const std::string& p_sName, const std::string& p_sAddress)
{
    CBytes b(4, 0);
    b.reserve(24 + 2 * (p_sName.size() + p_sAddress.size() + 7));
    b.insert(b.end(), kOneOffUid, kOneOffUid + 16);
    const uint8_t tail[4] = {0x00, 0x00, 0x01, 0x80}; // version 0; MAPI_ONE_OFF_UNICODE | NO_RICH_INFO
    b.insert(b.end(), tail, tail + 4);
    AppendUtf16(b, p_sName);
    AppendUtf16(b, "SMTP");
    AppendUtf16(b, p_sAddress);
    return b;
}

// The part of a name an address is made of: ASCII letters, lower case.
std::string AddressPart(const std::string& p_s)
{
    std::string out;
    for (char c : p_s)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
            out.push_back(static_cast<char>(c | 0x20));
    return out.empty() ? "x" : out;
}

// splitmix64: a small, fixed generator, so a seed always gives the same contacts.
uint64_t Next(uint64_t& p_state)
{
    uint64_t z = (p_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

template <typename T, size_t N> const T& Pick(const T (&p_a)[N], uint64_t p_r)
{
    return p_a[p_r % N];
}
} // namespace

void SeedContacts(CStoreFile& p_file, CFolder& p_folder, uint32_t p_ulCount, uint32_t p_ulSeed)
{
    const uint32_t idType = p_file.IdOfName({GuidAddress(), false, kLidEmail1AddrType, {}}, true);
    const uint32_t idAddress = p_file.IdOfName({GuidAddress(), false, kLidEmail1Address, {}}, true);
    const uint32_t idOriginal = p_file.IdOfName({GuidAddress(), false, kLidEmail1OriginalEntryId, {}}, true);
    uint64_t state = p_ulSeed;
    p_folder.m_vItems.clear();
    p_folder.m_vItems.reserve(p_ulCount);
    for (uint32_t i = 0; i < p_ulCount; ++i)
    {
        const uint64_t r = Next(state);
        const std::string given = Pick(kGiven, r);
        const std::string surname = Pick(kSurname, r >> 16);
        std::string middle;
        if ((r >> 32) % 3 == 0)
            middle = std::string(1, kInitials[(r >> 40) % (sizeof kInitials - 1)]) + ". ";
        // Some lists file people surname first, as address books often hold them.
        const std::string display = (r >> 48) % 5 == 0 ? surname + ", " + given : given + " " + middle + surname;
        const std::string address =
            AddressPart(given) + "." + AddressPart(surname) + std::to_string(i) + "@example.com";
        std::array<char, 16> mobile{};
        std::snprintf(mobile.data(), mobile.size(), "+447700%06u", static_cast<unsigned>(i % 1000000));

        CItem item;
        item.m_uId = p_file.NewId();
        CPropList& p = item.m_props;
        p.reserve(8);
        p.push_back(CPropValue::String(tag::MessageClass, "IPM.Contact"));
        p.push_back(CPropValue::String(tag::DisplayName, display));
        p.push_back(CPropValue::String(tag::GivenName, given));
        p.push_back(CPropValue::String(tag::Surname, surname));
        p.push_back(CPropValue::String(tag::Mobile, mobile.data()));
        p.push_back(CPropValue::String(MakeTag(kPtUnicode, idType), "SMTP"));
        p.push_back(CPropValue::String(MakeTag(kPtUnicode, idAddress), address));
        p.push_back(CPropValue::Binary(MakeTag(kPtBinary, idOriginal), OneOffEntryId(display, address)));
        p_folder.m_vItems.push_back(std::move(item));
    }
    MarkFolderChanged(p_folder);
}
} // namespace mapistore
