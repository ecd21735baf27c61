// Addressbook/import/import_reader.h: the lines of an imported recipient file, read in blocks.
// A carriage return or a line feed ends a line and runs of them make no empty lines, so files
// written on any system (and hand-edited ones with blank lines) give the same rows.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Files are read in blocks of this size.
constexpr size_t kImportBlockSize = 1024;

// Cuts a stream of blocks into lines.
class CLineAssembler
{
  public:
    // Feeds one block; every completed non-empty line is appended to p_vLines.
    void Feed(std::string_view p_sBlock, std::vector<std::string>& p_vLines);
    // The last line when the data did not end with a line end.
    [[nodiscard]] bool Finish(std::string& p_sLine);

  private:
    std::string m_sPending;
};

// One line at a time from a file opened by path.
class CLineReader
{
  public:
    CLineReader() = default;
    CLineReader(const CLineReader&) = delete;
    CLineReader& operator=(const CLineReader&) = delete;

    // False when the file cannot be opened for reading.
    [[nodiscard]] bool Open(const std::string& p_sPath);
    // The next non-empty line; false at the end of the file (or on a read error, see Failed).
    [[nodiscard]] bool Next(std::string& p_sLine);
    bool Failed() const
    {
        return m_bFailed;
    }

  private:
    struct CFileCloser
    {
        void operator()(std::FILE* p_p_oFile) const
        {
            std::fclose(p_p_oFile);
        }
    };
    std::unique_ptr<std::FILE, CFileCloser> m_oFile;
    CLineAssembler m_oAssembler;
    std::vector<std::string> m_vReady;
    size_t m_nNext = 0;
    bool m_bAtEnd = false;
    bool m_bFailed = false;
};

// The first p_nMaxLines lines of a file (all of them for 0). False when it cannot be read.
[[nodiscard]] bool ReadImportLines(const std::string& p_sPath, size_t p_nMaxLines, std::vector<std::string>& p_vLines);
// The same cut applied to text in memory.
std::vector<std::string> SplitImportLines(std::string_view p_sText);
