// standins/outlook/message_file.h: a message saved as a compound file (".msg", and ".oft" for a form
// template): its property stream, the streams of variable-length values and the named-property mapping.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace olstandin
{
using CPropertySet = std::array<uint8_t, 16>;
// {00020329-0000-0000-C000-000000000046} and {00020328-0000-0000-C000-000000000046}.
inline constexpr CPropertySet kPublicStrings = {0x29, 0x03, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
inline constexpr CPropertySet kPsMapi = {0x28, 0x03, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};

inline constexpr uint16_t kTypeBoolean = 0x000B;
inline constexpr uint16_t kTypeLong = 0x0003;
inline constexpr uint16_t kTypeString8 = 0x001E;
inline constexpr uint16_t kTypeUnicode = 0x001F;
inline constexpr uint16_t kTypeBinary = 0x0102;
inline constexpr uint16_t kTypeSystime = 0x0040;
inline constexpr uint16_t kIdMessageClass = 0x001A;
inline constexpr uint16_t kIdSubject = 0x0037;

struct CPropertyName
{
    CPropertySet m_aSet{};
    bool m_bString = false;
    uint32_t m_nId = 0;     // the number of a numeric name
    std::u16string m_sName; // the text of a string name

    [[nodiscard]] bool operator==(const CPropertyName&) const = default;
};

// One property. A fixed-size value is its 8 bytes, little-endian; a string is its text without the
// terminator (UTF-16LE for kTypeUnicode); a binary value is its bytes. Named properties carry their
// name; their id (0x8000 and up) is given when the file is written.
struct CMessageProperty
{
    uint16_t m_nId = 0;
    uint16_t m_nType = 0;
    std::optional<CPropertyName> m_oName;
    std::string m_sValue;
};

class CMessageFile
{
  public:
    std::vector<CMessageProperty> m_vProperties;

    // Replaces or adds a property with this id (or this name) and type.
    void Set(CMessageProperty p_oProperty);
    [[nodiscard]] const CMessageProperty* Find(uint16_t p_nId) const;
    [[nodiscard]] const CMessageProperty* Find(const CPropertyName& p_oName) const;

    void SetText(uint16_t p_nId, const std::string& p_sText);
    [[nodiscard]] std::optional<std::string> Text(uint16_t p_nId) const;
    void SetBool(const CPropertyName& p_oName, bool p_bValue);
    [[nodiscard]] std::optional<bool> Bool(const CPropertyName& p_oName) const;
};

// The text of a string property of either width (characters above 0xFF become '?'), or empty.
[[nodiscard]] std::optional<std::string> PropertyText(const CMessageProperty& p_oProperty);
[[nodiscard]] CPropertyName PublicStringName(const std::u16string& p_sName);
[[nodiscard]] std::u16string WidenLatin1(const std::string& p_sText);

// The file's bytes; empty when it would hold more named properties than ids 0x8000-0xFFFE give.
[[nodiscard]] std::optional<std::string> WriteMessageFile(const CMessageFile& p_oMessage);
// The message in a file's bytes, or empty when they are not a compound file with a property stream.
// A variable-length property whose stream is missing is left out; its value is its stream's bytes.
[[nodiscard]] std::optional<CMessageFile> ReadMessageFile(const std::string& p_sBytes);
} // namespace olstandin
