// standins/mapi/store/collation.cpp: the store's string collation and its portable word sort.
#include "standins/mapi/store/collation.h"

namespace mapistore
{
namespace
{
char Lower(char p_c)
{
    return (p_c >= 'A' && p_c <= 'Z') ? static_cast<char>(p_c + 32) : p_c;
}

bool Minor(char p_c)
{
    return p_c == '\'' || p_c == '-';
}

// The string without apostrophes and hyphens, lower case: what decides the order first.
std::string Primary(const std::string& p_s)
{
    std::string out;
    out.reserve(p_s.size());
    for (char c : p_s)
        if (!Minor(c))
            out.push_back(Lower(c));
    return out;
}

// What decides between strings equal at first: lower case, with apostrophes and hyphens above
// everything (0xFF, never a UTF-8 byte), so "Smyth" comes before "'Smyth" as in the system's sort.
std::string Secondary(const std::string& p_s)
{
    std::string out(p_s);
    for (char& c : out)
        c = Minor(c) ? '\xFF' : Lower(c);
    return out;
}

int Sign(int p_i)
{
    return p_i < 0 ? -1 : (p_i > 0 ? 1 : 0);
}

CCollation& Current()
{
    static CCollation s_collation{&PortableCompare, &PortableSortKey, kPortableCollationId};
    return s_collation;
}
} // namespace

const CCollation& Collation()
{
    return Current();
}

void SetCollation(const CCollation& p_collation)
{
    if (p_collation.m_pfnCompare && p_collation.m_pfnSortKey)
        Current() = p_collation;
}

int PortableCompare(const std::string& p_a, const std::string& p_b)
{
    // Bytes compare unsigned, so UTF-8 sequences follow ASCII as their code points do.
    if (int d = Sign(Primary(p_a).compare(Primary(p_b))))
        return d;
    return Sign(Secondary(p_a).compare(Secondary(p_b)));
}

std::string PortableSortKey(const std::string& p_s)
{
    // A NUL ends the primary part, so a shorter primary sorts first as in PortableCompare; strings
    // given by MAPI clients carry no NUL of their own.
    return Primary(p_s) + '\0' + Secondary(p_s);
}
} // namespace mapistore
