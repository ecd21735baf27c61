// common/registry_mem.cpp: an in-memory registry that keeps the real registry's rules, so the
// settings logic can be tested without Windows.
#include "common/registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace
{
std::string Fold(const std::string& p_s)
{
    std::string out = p_s;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Splits "A\\B\\C" into its components, ignoring empty ones as RegOpenKeyEx does with doubled
// or trailing separators.
std::vector<std::string> Components(const std::string& p_sSubkey)
{
    std::vector<std::string> parts;
    std::string current;
    for (char c : p_sSubkey)
    {
        if (c == '\\')
        {
            if (!current.empty())
                parts.push_back(current);
            current.clear();
        }
        else
            current += c;
    }
    if (!current.empty())
        parts.push_back(current);
    return parts;
}

class CMemoryRegistry final : public Registry
{
  public:
    uint32_t QueryValue(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName, uint32_t& p_dwType,
                        std::vector<uint8_t>& p_vData) override
    {
        std::lock_guard<std::mutex> lock(m_oMutex);
        const CKey* key = Find(p_eRoot, p_sSubkey);
        if (key == nullptr)
            return kErrorFileNotFound;
        const auto it = key->m_mValues.find(Fold(p_sName));
        if (it == key->m_mValues.end())
            return kErrorFileNotFound;
        p_dwType = it->second.m_dwType;
        p_vData = it->second.m_vData;
        return kErrorSuccess;
    }

    uint32_t SetValue(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName, uint32_t p_dwType,
                      const void* p_pData, size_t p_nSize) override
    {
        std::lock_guard<std::mutex> lock(m_oMutex);
        CKey& key = Create(p_eRoot, p_sSubkey);
        CValue& value = key.m_mValues[Fold(p_sName)];
        value.m_sName = p_sName;
        value.m_dwType = p_dwType;
        const auto* bytes = static_cast<const uint8_t*>(p_pData);
        value.m_vData.assign(bytes, bytes + (bytes == nullptr ? 0 : p_nSize));
        return kErrorSuccess;
    }

    uint32_t OpenKey(ERegRoot p_eRoot, const std::string& p_sSubkey) override
    {
        std::lock_guard<std::mutex> lock(m_oMutex);
        return Find(p_eRoot, p_sSubkey) != nullptr ? kErrorSuccess : kErrorFileNotFound;
    }

    uint32_t DeleteValue(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName) override
    {
        std::lock_guard<std::mutex> lock(m_oMutex);
        CKey* key = Find(p_eRoot, p_sSubkey);
        if (key == nullptr || key->m_mValues.erase(Fold(p_sName)) == 0)
            return kErrorFileNotFound;
        return kErrorSuccess;
    }

    uint32_t DeleteTree(ERegRoot p_eRoot, const std::string& p_sSubkey) override
    {
        std::lock_guard<std::mutex> lock(m_oMutex);
        const std::vector<std::string> parts = Components(p_sSubkey);
        if (parts.empty())
            return kErrorAccessDenied;
        CKey* parent = &Root(p_eRoot);
        for (size_t i = 0; i + 1 < parts.size(); ++i)
        {
            const auto it = parent->m_mChildren.find(Fold(parts[i]));
            if (it == parent->m_mChildren.end())
                return kErrorFileNotFound;
            parent = it->second.get();
        }
        return parent->m_mChildren.erase(Fold(parts.back())) == 0 ? kErrorFileNotFound : kErrorSuccess;
    }

    uint32_t EnumSubkeys(ERegRoot p_eRoot, const std::string& p_sSubkey, std::vector<std::string>& p_vNames) override
    {
        std::lock_guard<std::mutex> lock(m_oMutex);
        p_vNames.clear();
        const CKey* key = Find(p_eRoot, p_sSubkey);
        if (key == nullptr)
            return kErrorFileNotFound;
        for (const auto& child : key->m_mChildren)
            p_vNames.push_back(child.second->m_sName);
        return kErrorSuccess;
    }

    uint32_t EnumValues(ERegRoot p_eRoot, const std::string& p_sSubkey, std::vector<std::string>& p_vNames) override
    {
        std::lock_guard<std::mutex> lock(m_oMutex);
        p_vNames.clear();
        const CKey* key = Find(p_eRoot, p_sSubkey);
        if (key == nullptr)
            return kErrorFileNotFound;
        for (const auto& value : key->m_mValues)
            p_vNames.push_back(value.second.m_sName);
        return kErrorSuccess;
    }

  private:
    struct CValue
    {
        std::string m_sName;
        uint32_t m_dwType = 0;
        std::vector<uint8_t> m_vData;
    };
    struct CKey
    {
        std::string m_sName;
        std::map<std::string, std::unique_ptr<CKey>> m_mChildren;
        std::map<std::string, CValue> m_mValues;
    };

    CKey& Root(ERegRoot p_eRoot)
    {
        return p_eRoot == ERegRoot::CurrentUser ? m_oCurrentUser : m_oLocalMachine;
    }

    CKey* Find(ERegRoot p_eRoot, const std::string& p_sSubkey)
    {
        CKey* key = &Root(p_eRoot);
        for (const std::string& part : Components(p_sSubkey))
        {
            const auto it = key->m_mChildren.find(Fold(part));
            if (it == key->m_mChildren.end())
                return nullptr;
            key = it->second.get();
        }
        return key;
    }

    CKey& Create(ERegRoot p_eRoot, const std::string& p_sSubkey)
    {
        CKey* key = &Root(p_eRoot);
        for (const std::string& part : Components(p_sSubkey))
        {
            auto& child = key->m_mChildren[Fold(part)];
            if (!child)
            {
                child = std::make_unique<CKey>();
                child->m_sName = part;
            }
            key = child.get();
        }
        return *key;
    }

    std::mutex m_oMutex;
    CKey m_oCurrentUser;
    CKey m_oLocalMachine;
};
} // namespace

std::unique_ptr<Registry> CreateMemoryRegistry()
{
    return std::make_unique<CMemoryRegistry>();
}

#if !defined(_WIN32)
Registry& SystemRegistry()
{
    static CMemoryRegistry s_oRegistry;
    return s_oRegistry;
}
#endif
