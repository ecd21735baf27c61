// Addressbook/import/import_reader.cpp: block-wise line reading for recipient import.
#include "Addressbook/import/import_reader.h"

namespace
{
bool IsLineEnd(char p_c)
{
    return p_c == '\r' || p_c == '\n';
}
} // namespace

void CLineAssembler::Feed(std::string_view p_sBlock, std::vector<std::string>& p_vLines)
{
    size_t nStart = 0;
    for (size_t i = 0; i < p_sBlock.size(); ++i)
    {
        if (!IsLineEnd(p_sBlock[i]))
            continue;
        m_sPending.append(p_sBlock.substr(nStart, i - nStart));
        if (!m_sPending.empty())
        {
            p_vLines.push_back(std::move(m_sPending));
            m_sPending.clear();
        }
        nStart = i + 1;
    }
    m_sPending.append(p_sBlock.substr(nStart));
}

bool CLineAssembler::Finish(std::string& p_sLine)
{
    if (m_sPending.empty())
        return false;
    p_sLine = std::move(m_sPending);
    m_sPending.clear();
    return true;
}

bool CLineReader::Open(const std::string& p_sPath)
{
    m_oFile.reset(std::fopen(p_sPath.c_str(), "rb"));
    m_vReady.clear();
    m_nNext = 0;
    m_bAtEnd = false;
    m_bFailed = false;
    m_oAssembler = CLineAssembler();
    return m_oFile != nullptr;
}

bool CLineReader::Next(std::string& p_sLine)
{
    while (m_nNext >= m_vReady.size())
    {
        m_vReady.clear();
        m_nNext = 0;
        if (m_bAtEnd || m_oFile == nullptr)
            return false;
        char aBlock[kImportBlockSize];
        const size_t nRead = std::fread(aBlock, 1, sizeof(aBlock), m_oFile.get());
        if (nRead > 0)
            m_oAssembler.Feed(std::string_view(aBlock, nRead), m_vReady);
        if (nRead < sizeof(aBlock))
        {
            m_bAtEnd = true;
            m_bFailed = std::ferror(m_oFile.get()) != 0;
            std::string sLast;
            if (m_oAssembler.Finish(sLast))
                m_vReady.push_back(std::move(sLast));
        }
    }
    p_sLine = std::move(m_vReady[m_nNext++]);
    return true;
}

bool ReadImportLines(const std::string& p_sPath, size_t p_nMaxLines, std::vector<std::string>& p_vLines)
{
    p_vLines.clear();
    CLineReader oReader;
    if (!oReader.Open(p_sPath))
        return false;
    std::string sLine;
    while ((p_nMaxLines == 0 || p_vLines.size() < p_nMaxLines) && oReader.Next(sLine))
        p_vLines.push_back(std::move(sLine));
    return !oReader.Failed();
}

std::vector<std::string> SplitImportLines(std::string_view p_sText)
{
    std::vector<std::string> vLines;
    CLineAssembler oAssembler;
    for (size_t i = 0; i < p_sText.size(); i += kImportBlockSize)
        oAssembler.Feed(p_sText.substr(i, kImportBlockSize), vLines);
    std::string sLast;
    if (oAssembler.Finish(sLast))
        vLines.push_back(std::move(sLast));
    return vLines;
}
