// tests/unit/oft/message_file_test.cpp: compound files and message files written and read back, the
// layout fields other readers rely on, hostile files refused, and the five SMS form templates.
#include "standins/outlook/compound_file.h"
#include "standins/outlook/form_templates.h"
#include "standins/outlook/message_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>

using namespace olstandin;

namespace
{
uint32_t Get32(const std::string& p_sBytes, size_t p_nOffset)
{
    uint32_t value = 0;
    std::memcpy(&value, p_sBytes.data() + p_nOffset, 4);
    return value;
}
void Put32(std::string& p_sBytes, size_t p_nOffset, uint32_t p_nValue)
{
    std::memcpy(p_sBytes.data() + p_nOffset, &p_nValue, 4);
}

std::string Pattern(size_t p_nSize, char p_cSeed)
{
    std::string data(p_nSize, '\0');
    for (size_t i = 0; i < p_nSize; ++i)
        data[i] = static_cast<char>(p_cSeed + i * 7);
    return data;
}

// Streams on both sides of the mini-stream cutoff, an empty one, nested storages and enough entries
// that the directory needs several sectors.
CCompoundEntry SampleTree()
{
    CCompoundEntry root;
    root.m_bStorage = true;
    root.AddStream(u"empty", "");
    root.AddStream(u"below", Pattern(4095, 'a'));
    root.AddStream(u"at", Pattern(4096, 'b'));
    root.AddStream(u"large", Pattern(70000, 'c'));
    CCompoundEntry& inner = root.AddStorage(u"inner");
    for (int i = 0; i < 40; ++i)
        inner.AddStream(u"s" + WidenLatin1(std::to_string(i)), Pattern(static_cast<size_t>(i) * 37, 'd'));
    inner.AddStorage(u"deeper").AddStream(u"leaf", "leaf data");
    return root;
}

void ExpectSameTree(const CCompoundEntry& p_oExpected, const CCompoundEntry& p_oActual)
{
    ASSERT_EQ(p_oExpected.m_vItems.size(), p_oActual.m_vItems.size());
    for (const CCompoundEntry& item : p_oExpected.m_vItems)
    {
        const CCompoundEntry* found = p_oActual.Find(item.m_sName);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->m_bStorage, item.m_bStorage);
        EXPECT_EQ(found->m_sData, item.m_sData);
        ExpectSameTree(item, *found);
    }
}

CMessageFile SampleMessage()
{
    CMessageFile message;
    message.SetText(kIdMessageClass, "IPM.Appointment.Sample");
    message.SetText(kIdSubject, "Caf\xE9 meeting");
    message.SetBool(PublicStringName(u"MustSendSMSReminder"), true);
    message.SetBool(PublicStringName(u"AlsoSendToAttendees"), false);
    CPropertyName numeric;
    numeric.m_aSet = {0x02, 0x20, 0x06, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    numeric.m_nId = 0x8216;
    message.Set({0, kTypeBinary, numeric, Pattern(5000, 'r')});
    message.Set({0x0E07, kTypeLong, std::nullopt, std::string("\x09\0\0\0\0\0\0\0", 8)});
    message.Set({0x3001, kTypeString8, std::nullopt, "plain text"});
    return message;
}
} // namespace

TEST(CompoundFile, TreesComeBackAsWritten)
{
    const CCompoundEntry tree = SampleTree();
    const auto bytes = WriteCompoundFile(tree);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size() % 512, 0u);
    const auto read = ReadCompoundFile(*bytes);
    ASSERT_TRUE(read);
    ExpectSameTree(tree, *read);
    EXPECT_EQ(read->Find(u"INNER"), read->Find(u"inner")) << "names compare without regard to case";
}

TEST(CompoundFile, HeaderAndDirectoryFollowTheFormat)
{
    const auto bytes = WriteCompoundFile(SampleTree());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(Get32(*bytes, 0), 0xE011CFD0u);
    EXPECT_EQ(static_cast<uint8_t>((*bytes)[26]), 3) << "major version";
    EXPECT_EQ(static_cast<uint8_t>((*bytes)[30]), 9) << "512-byte sectors";
    EXPECT_EQ(static_cast<uint8_t>((*bytes)[32]), 6) << "64-byte mini sectors";
    EXPECT_EQ(Get32(*bytes, 56), 4096u) << "mini stream cutoff";
    // The first directory entry is the root, named "Root Entry", holding the mini stream.
    const size_t directory = (static_cast<size_t>(Get32(*bytes, 48)) + 1) * 512;
    EXPECT_EQ((*bytes)[directory], 'R');
    EXPECT_EQ(static_cast<uint8_t>((*bytes)[directory + 64]), 22) << "name length with terminator";
    EXPECT_EQ((*bytes)[directory + 66], 5);
    EXPECT_GT(Get32(*bytes, directory + 120), 4095u) << "the small streams live in the mini stream";
    // One FAT sector is listed in the header and marked as such in itself.
    const uint32_t fatCount = Get32(*bytes, 44);
    ASSERT_GE(fatCount, 1u);
    const uint32_t fat = Get32(*bytes, 76);
    EXPECT_EQ(Get32(*bytes, (static_cast<size_t>(fat) + 1) * 512 + fat * 4), 0xFFFFFFFDu);
    EXPECT_EQ(Get32(*bytes, 76 + 4 * fatCount), 0xFFFFFFFFu);
}

TEST(CompoundFile, HostileFilesAreRefused)
{
    const auto good = WriteCompoundFile(SampleTree());
    ASSERT_TRUE(good);
    const size_t directory = (static_cast<size_t>(Get32(*good, 48)) + 1) * 512;
    const uint32_t fat = Get32(*good, 76);
    const size_t fatAt = (static_cast<size_t>(fat) + 1) * 512;
    const uint32_t largeStart = [&] {
        for (size_t i = 1; directory + (i + 1) * 128 <= good->size(); ++i)
            if (Get32(*good, directory + i * 128 + 120) == 70000)
                return Get32(*good, directory + i * 128 + 116);
        return 0u;
    }();
    struct CCase
    {
        const char* m_pszWhat;
        std::function<void(std::string&)> m_fnBreak;
    };
    const CCase cases[] = {
        {"signature", [](std::string& b) { b[0] = 'X'; }},
        {"sector shift", [](std::string& b) { b[30] = 20; }},
        {"truncated to the header", [](std::string& b) { b.resize(512); }},
        {"truncated in the middle", [](std::string& b) { b.resize(b.size() / 2); }},
        {"FAT sector outside the file", [](std::string& b) { Put32(b, 76, 0x00FFFFFF); }},
        {"FAT count larger than the file", [](std::string& b) { Put32(b, 44, 0x10000000); }},
        {"directory outside the file", [](std::string& b) { Put32(b, 48, 0x7FFFFFF0); }},
        {"chain that loops", [&](std::string& b) { Put32(b, fatAt + largeStart * 4, largeStart); }},
        {"root is not a root", [&](std::string& b) { b[directory + 66] = 1; }},
        {"sibling pointing at the root", [&](std::string& b) { Put32(b, directory + 128 + 68, 0); }},
        {"child pointing at itself", [&](std::string& b) { Put32(b, directory + 76, 0); }},
        {"name length odd", [&](std::string& b) { b[directory + 128 + 64] = 7; }},
        {"name length too long", [&](std::string& b) { b[directory + 128 + 64] = 66; }},
        {"stream larger than its chain",
         [&](std::string& b) {
             for (size_t i = 1; directory + (i + 1) * 128 <= b.size(); ++i)
                 if (Get32(b, directory + i * 128 + 120) == 70000)
                     Put32(b, directory + i * 128 + 120, 0x7FFFFFFF);
         }},
    };
    for (const CCase& broken : cases)
    {
        std::string bytes = *good;
        broken.m_fnBreak(bytes);
        EXPECT_FALSE(ReadCompoundFile(bytes)) << broken.m_pszWhat;
    }
}

TEST(CompoundFile, NamesLongerThanTheFormatAllowsAreNotWritten)
{
    CCompoundEntry root;
    root.m_bStorage = true;
    root.AddStream(std::u16string(32, u'n'), "x");
    EXPECT_FALSE(WriteCompoundFile(root));
}

TEST(MessageFile, PropertiesAndNamesComeBackAsWritten)
{
    const CMessageFile message = SampleMessage();
    const auto bytes = WriteMessageFile(message);
    ASSERT_TRUE(bytes);
    const auto read = ReadMessageFile(*bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Text(kIdMessageClass), "IPM.Appointment.Sample");
    EXPECT_EQ(read->Text(kIdSubject), "Caf\xE9 meeting");
    EXPECT_EQ(read->Text(0x3001), "plain text");
    EXPECT_EQ(read->Bool(PublicStringName(u"MustSendSMSReminder")), true);
    EXPECT_EQ(read->Bool(PublicStringName(u"AlsoSendToAttendees")), false);
    EXPECT_FALSE(read->Bool(PublicStringName(u"Missing")));
    ASSERT_EQ(read->m_vProperties.size(), message.m_vProperties.size());
    for (const CMessageProperty& property : message.m_vProperties)
    {
        const CMessageProperty* found = property.m_oName ? read->Find(*property.m_oName) : read->Find(property.m_nId);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->m_nType, property.m_nType);
        EXPECT_EQ(found->m_sValue.substr(0, property.m_sValue.size()), property.m_sValue);
    }
}

TEST(MessageFile, StreamsAndMappingFollowTheFormat)
{
    const auto bytes = WriteMessageFile(SampleMessage());
    ASSERT_TRUE(bytes);
    const auto root = ReadCompoundFile(*bytes);
    ASSERT_TRUE(root);
    // The class as UTF-16 without a terminator, its entry giving the size with one.
    const CCompoundEntry* value = root->Find(u"__substg1.0_001A001F");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->m_sData.size(), 2 * std::strlen("IPM.Appointment.Sample"));
    const CCompoundEntry* properties = root->Find(u"__properties_version1.0");
    ASSERT_NE(properties, nullptr);
    ASSERT_GE(properties->m_sData.size(), 48u);
    EXPECT_EQ(Get32(properties->m_sData, 32), 0x001A001Fu);
    EXPECT_EQ(Get32(properties->m_sData, 40), value->m_sData.size() + 2);
    // The first named property is the first string name of PS_PUBLIC_STRINGS (set index 2) at 0x8000.
    const CCompoundEntry* names = root->Find(u"__nameid_version1.0");
    ASSERT_NE(names, nullptr);
    const CCompoundEntry* entries = names->Find(u"__substg1.0_00030102");
    const CCompoundEntry* strings = names->Find(u"__substg1.0_00040102");
    const CCompoundEntry* sets = names->Find(u"__substg1.0_00020102");
    ASSERT_TRUE(entries && strings && sets);
    EXPECT_EQ(Get32(entries->m_sData, 0), 0u) << "offset of the name in the string stream";
    EXPECT_EQ(Get32(entries->m_sData, 4), (2u << 1) | 1u);
    EXPECT_EQ(Get32(strings->m_sData, 0), 2 * std::strlen("MustSendSMSReminder"));
    EXPECT_EQ(strings->m_sData.size() % 4, 0u);
    EXPECT_EQ(sets->m_sData.size(), 16u) << "only the appointment set is listed; the two fixed ones are not";
    EXPECT_EQ(Get32(entries->m_sData, 2 * 8 + 4), (2u << 16) | (3u << 1)) << "numeric name of the first listed set";
}

TEST(MessageFile, BrokenMappingsLoseOnlyTheirProperties)
{
    CMessageFile message;
    message.SetText(kIdMessageClass, "IPM.Task");
    message.SetBool(PublicStringName(u"MustSendSMSReminder"), true);
    const auto bytes = WriteMessageFile(message);
    ASSERT_TRUE(bytes);
    auto root = ReadCompoundFile(*bytes);
    ASSERT_TRUE(root);
    for (CCompoundEntry& item : root->m_vItems)
        if (item.m_sName == u"__nameid_version1.0")
            for (CCompoundEntry& stream : item.m_vItems)
                if (stream.m_sName == u"__substg1.0_00040102")
                    Put32(stream.m_sData, 0, 0x7FFFFFF0);
    const auto rewritten = WriteCompoundFile(*root);
    ASSERT_TRUE(rewritten);
    const auto read = ReadMessageFile(*rewritten);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Text(kIdMessageClass), "IPM.Task");
    EXPECT_FALSE(read->Bool(PublicStringName(u"MustSendSMSReminder")));
    EXPECT_EQ(read->m_vProperties.size(), 1u);
}

TEST(FormTemplates, FiveFormsWithTheirClassesAndFlags)
{
    struct CExpected
    {
        const char* m_pszClass;
        std::optional<bool> m_oRemind;
        std::optional<bool> m_oAttendees;
    };
    const CExpected expected[] = {
        {"IPM.Appointment.SMSAppointmentFormRemNoAttNo", false, false},
        {"IPM.Appointment.SMSAppointmentFormRemYesAttNo", true, false},
        {"IPM.Appointment.SMSAppointmentFormRemYesAttYes", true, true},
        {"IPM.Task.SMSTaskFormRemNo", false, std::nullopt},
        {"IPM.Task.SMSTaskFormRemYes", true, std::nullopt},
    };
    for (size_t i = 0; i < FormTemplates().size(); ++i)
    {
        const auto bytes = WriteMessageFile(MakeFormTemplate(FormTemplates()[i]));
        ASSERT_TRUE(bytes);
        const auto read = ReadMessageFile(*bytes);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->Text(kIdMessageClass), expected[i].m_pszClass);
        EXPECT_EQ(read->Bool(PublicStringName(u"MustSendSMSReminder")), expected[i].m_oRemind);
        EXPECT_EQ(read->Bool(PublicStringName(u"AlsoSendToAttendees")), expected[i].m_oAttendees);
    }
}
