// standins/outlook/extension_value.cpp: reading a client-extension registration value.
#include "standins/outlook/extension_value.h"

#include <vector>

namespace olstandin
{
namespace
{
std::vector<std::string_view> SplitFields(std::string_view p_sValue)
{
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;)
    {
        const size_t end = p_sValue.find(';', start);
        fields.push_back(p_sValue.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

bool IsFlagColumn(std::string_view p_sColumn, size_t p_nMax)
{
    if (p_sColumn.size() > p_nMax)
        return false;
    for (const char c : p_sColumn)
        if (c != '0' && c != '1')
            return false;
    return true;
}

bool ColumnWants(const std::string& p_sColumn, unsigned p_nIndex)
{
    return p_nIndex >= p_sColumn.size() || p_sColumn[p_nIndex] == '1';
}

std::string_view Trimmed(std::string_view p_sText)
{
    while (!p_sText.empty() && (p_sText.front() == ' ' || p_sText.front() == '\t'))
        p_sText.remove_prefix(1);
    while (!p_sText.empty() && (p_sText.back() == ' ' || p_sText.back() == '\t' || p_sText.back() == '\0'))
        p_sText.remove_suffix(1);
    return p_sText;
}
} // namespace

bool CExtensionValue::WantsContext(unsigned p_nContext) const
{
    return p_nContext >= 1 && p_nContext <= kRegisteredContexts && ColumnWants(m_sContexts, p_nContext - 1);
}

bool CExtensionValue::WantsInterface(unsigned p_nSlot) const
{
    return p_nSlot < kRegisteredInterfaces && ColumnWants(m_sInterfaces, p_nSlot);
}

std::optional<CExtensionValue> ParseExtensionValue(std::string_view p_sValue)
{
    if (p_sValue.size() > kMaxExtensionValue)
        return std::nullopt;
    const std::vector<std::string_view> fields = SplitFields(Trimmed(p_sValue));
    if (fields.size() < 2 || Trimmed(fields[0]) != "4.0")
        return std::nullopt;
    CExtensionValue value;
    value.m_sPath = std::string(Trimmed(fields[1]));
    if (value.m_sPath.empty())
        return std::nullopt;
    if (fields.size() > 2)
    {
        const std::string_view ordinal = Trimmed(fields[2]);
        if (!ordinal.empty())
        {
            if (ordinal.size() > 5)
                return std::nullopt;
            unsigned number = 0;
            for (const char c : ordinal)
            {
                if (c < '0' || c > '9')
                    return std::nullopt;
                number = number * 10 + static_cast<unsigned>(c - '0');
            }
            if (number == 0 || number > 0xFFFF)
                return std::nullopt;
            value.m_nOrdinal = static_cast<uint16_t>(number);
        }
    }
    if (fields.size() > 3)
    {
        const std::string_view contexts = Trimmed(fields[3]);
        if (!IsFlagColumn(contexts, kRegisteredContexts))
            return std::nullopt;
        value.m_sContexts = std::string(contexts);
    }
    if (fields.size() > 4)
    {
        const std::string_view interfaces = Trimmed(fields[4]);
        if (!IsFlagColumn(interfaces, kRegisteredInterfaces))
            return std::nullopt;
        value.m_sInterfaces = std::string(interfaces);
    }
    return value;
}
} // namespace olstandin
