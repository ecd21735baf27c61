// Addressbook/compress/compress_dictionary.h: the abbreviation dictionary (the file named by the
// Install value "DictFile") and the dictionary step of text compression.
#pragma once

#include "Addressbook/messaging/text_transform.h"

#include "common/settings.h"

#include <string>
#include <string_view>
#include <vector>

struct CDictionaryEntry
{
    std::string m_sWord;
    std::string m_sReplacement;
};

// Entries of a dictionary text, sorted by word in byte order. Lines end at CR or LF; "//" starts
// a comment line; the word runs to the first space or tab and the replacement is the rest after
// the spaces and tabs that follow. Lines without a replacement are ignored. Of two lines with the
// same word the earlier one wins.
std::vector<CDictionaryEntry> ParseDictionary(std::string_view p_sText);

// The Install value "DictFile"; false when it is not set.
[[nodiscard]] bool DictionaryPath(CRegistry& p_oSettings, std::string& p_sPath);
// False when the file cannot be read.
[[nodiscard]] bool LoadDictionaryFile(const std::string& p_sPath, std::vector<CDictionaryEntry>& p_vEntries);

// Case-insensitive look-up of a word; null when the dictionary does not have it.
const CDictionaryEntry* FindDictionaryWord(const std::vector<CDictionaryEntry>& p_vEntries, std::string_view p_sWord);
// The replacement in the word's case: upper case for a word without lower-case letters, lower
// case for one without upper-case letters, else its first character upper-cased when the word's
// first character is an upper-case letter.
std::string AdaptReplacementCase(std::string_view p_sWord, std::string_view p_sReplacement);
// Each word (a run of non-separators) found in the dictionary replaced.
std::string AbbreviateWords(std::string_view p_sText, const std::vector<CDictionaryEntry>& p_vEntries);

// The dictionary step over the file named in the settings, read again on every use so that an
// edited dictionary counts at once.
class CDictionaryAbbreviator : public CTextAbbreviator
{
  public:
    explicit CDictionaryAbbreviator(CRegistry& p_oSettings) : m_oSettings(p_oSettings)
    {
    }
    // False (text unchanged) when there is no readable dictionary.
    [[nodiscard]] bool Abbreviate(std::string& p_sText) override;
    // Whether the dictionary can be read now.
    [[nodiscard]] bool CanLoad();

  private:
    [[nodiscard]] bool Load(std::vector<CDictionaryEntry>& p_vEntries);
    CRegistry& m_oSettings;
};
