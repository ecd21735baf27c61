// Addressbook/protocol/xml_protocol.h: the gateway's line-oriented documents: encoded elements,
// plain blocks, signed blocks, the SMS SEND envelope and the UPGRADE notice. Readers are
// positional: an element is found only where the previous one ended, never searched for.
#pragma once

#include "Addressbook/protocol/base64.h"
#include "Addressbook/protocol/cipher.h"
#include "Addressbook/protocol/protocol_records.h"
#include "Addressbook/protocol/sha1.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/error_slot.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

constexpr size_t kProtocolLineLength = 60;
constexpr size_t kNonceSize = 8;
extern const char* const kVendorId; // "Brevolt"

class CXMLProtocol
{
  public:
    using UtcClock = CSystemTime (*)();

    CXMLProtocol();
    ~CXMLProtocol();
    CXMLProtocol(const CXMLProtocol&) = delete;
    CXMLProtocol& operator=(const CXMLProtocol&) = delete;

    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    bool IsError() const
    {
        return m_oError.IsSet();
    }
    // The envelope's DATETIME comes from here; CurrentUtcTime unless a test sets another.
    void SetClock(UtcClock p_pfnClock)
    {
        m_pfnClock = p_pfnClock;
    }

    // Encoded element: "<T>" CR LF CR LF, base64 in lines of 60, CR LF, "</T>" with no line end.
    [[nodiscard]] int DatatoXML(const void* p_pData, size_t p_nLength, const char* p_szTag, std::string& p_sXML);
    // A string goes with its terminating NUL; an integer as 4 bytes little-endian.
    [[nodiscard]] int StringtoXML(std::string_view p_sText, const char* p_szTag, std::string& p_sXML);
    [[nodiscard]] int IntegertoXML(uint32_t p_dwValue, const char* p_szTag, std::string& p_sXML);
    [[nodiscard]] int CreateNonceXML(std::string& p_sXML);

    // Reads the element that starts exactly at the cursor and moves the cursor past its
    // closing tag's line.
    [[nodiscard]] int XMLtoData(std::string_view& p_sCursor, const char* p_szTag, std::vector<uint8_t>& p_vData);
    // The value up to its first NUL.
    [[nodiscard]] int XMLtoString(std::string_view& p_sCursor, const char* p_szTag, std::string& p_sText);
    // The value must be exactly 4 bytes.
    [[nodiscard]] int XMLtoInteger(std::string_view& p_sCursor, const char* p_szTag, uint32_t& p_dwValue);
    // "<T>" exactly at the cursor; its line is skipped; the content runs from the first non-blank
    // to "</T>"; the cursor moves past "</T>" and the next line end.
    [[nodiscard]] int ReadBlock(std::string_view& p_sCursor, const char* p_szTag, std::string_view& p_sContent);

    // Plain block of the MAIL document: "<T>" CR LF, the raw value, CR LF, "</T>" CR LF.
    static void AppendPlainBlock(std::string& p_sDocument, const char* p_szTag, std::string_view p_sValue);
    [[nodiscard]] int PlainBlockFromXML(std::string_view& p_sCursor, const char* p_szTag, std::string& p_sValue);

    // "<AES SIGNED>" CR LF, the text, CR LF, "</AES SIGNED>" CR LF, then MESSAGE DIGEST (the text's
    // SHA-1 encrypted with p_oKey) and CR LF.
    [[nodiscard]] int AESSignXML(CCipher& p_oKey, std::string_view p_sText, std::string& p_sXML);
    // Reads a signed block at the start of p_sText. SENDER EMAIL and SENDER VENDORID are read (in
    // that order, before DATA) only when their outputs are given. p_vData holds the decrypted DATA
    // (zero padding included) only when the digest matched. A decryption failure sets
    // p_iDecryptionFailed and fails.
    [[nodiscard]] int AESVerifyXML(CCipher& p_oKey, std::string_view p_sText, std::string* p_psSenderEmail,
                                   std::string* p_psVendorId, std::vector<uint8_t>& p_vData, int& p_iVerified,
                                   int& p_iDecryptionFailed);

    // The whole SMS SEND envelope around a MAIL document (ANSI text).
    [[nodiscard]] int CreateProtocolSMSSend(std::string_view p_sSenderEmail, const CPlatformInfo& p_oPlatform,
                                            const CLanguageInfo& p_oLanguage, const CSystemTime& p_oDeliveryTime,
                                            std::string_view p_sMail, CCipher& p_oKey, int p_iCompress,
                                            std::string& p_sXML);

    // Removes the blanks mail clients leave at line ends (spaces just before CR* LF).
    static std::string CorrectParsingProblems(std::string_view p_sText);
    // Finds "<T>" anywhere in a mail body and returns its content, decompressed when it is a
    // ZIP COMPRESSED element. p_iFound tells whether the opening tag was there at all.
    [[nodiscard]] int PreProcessAndExtractData(std::string_view p_sBody, const char* p_szTag, std::string& p_sContent,
                                               int& p_iFound);
    // ZIP COMPRESSED element of the text plus one terminating NUL, and back (up to the NUL).
    [[nodiscard]] int CompressToXML(std::string_view p_sText, std::string& p_sXML);
    [[nodiscard]] int UncompressFromXML(std::string_view p_sXML, std::string& p_sText);

    // Reads an UPGRADE notice. A notice whose digest does not match or whose DATA does not
    // decrypt is ignored: success with p_iUpgrade 0.
    [[nodiscard]] int ProcessProtocolUpgrade(std::string_view p_sBody, CCipher& p_oKey, int& p_iUpgrade,
                                             std::vector<uint8_t>& p_vAttachmentDigest);
    // p_pExpected points at 20 bytes.
    [[nodiscard]] int CheckAttachmentDigest(const void* p_pData, size_t p_nLength, const uint8_t* p_pExpected,
                                            int& p_iMatch);

  private:
    template <typename... TArgs> int Fail(unsigned p_uId, TArgs... p_args)
    {
        m_oError.Set(CorvaneStrings(), p_uId, p_args...);
        return 0;
    }
    [[nodiscard]] int FailFrom(const CErrorSlot& p_oError)
    {
        m_oError.CopyFrom(p_oError);
        return 0;
    }
    [[nodiscard]] int Digest(const void* p_pData, size_t p_nLength, std::vector<uint8_t>& p_vHash);
    [[nodiscard]] int BuildDataBlock(const CPlatformInfo& p_oPlatform, const CLanguageInfo& p_oLanguage,
                                     const CSystemTime& p_oDeliveryTime, std::string_view p_sMail,
                                     std::string& p_sBlock);

    std::unique_ptr<CBase64> m_p_oBase64;
    std::unique_ptr<CSHA1> m_p_oSHA1;
    UtcClock m_pfnClock;
    CErrorSlot m_oError;
};
