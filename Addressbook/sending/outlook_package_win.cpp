// Addressbook/sending/outlook_package_win.cpp: COutlook::Send by mail kind, the job's temporary
// attachment file, the readable copy, and the SMTP road when there is no MAPI object.
#include "Addressbook/sending/outlook_package_win.h"

#include "Addressbook/addressbook/exmapi_win.h"
#include "Addressbook/res/corvane_strings.h"
#include "Addressbook/sending/email_package.h"
#include "Addressbook/sending/email_sender.h"
#include "Addressbook/smtp/smtp_server_lookup.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace
{
constexpr DWORD kWriteChunk = 0x10000;

bool ApiFailure(CErrorSlot& p_oError, const char* p_szCall, DWORD p_dwError)
{
    p_oError.Set(CorvaneStrings(), kMsgApiError, p_szCall, static_cast<long>(p_dwError), "WriteTempFile");
    ReportError(p_oError);
    return false;
}
} // namespace

CTempFile::~CTempFile()
{
    for (const std::string* pPath : {&m_sPath, &m_sPlaceholder})
        if (!pPath->empty() && !DeleteFileA(pPath->c_str()))
            LOG_FAILURE("DeleteFile(%s) failed: error %lu", pPath->c_str(), GetLastError());
}

bool WriteTempFile(const std::string& p_sText, const char* p_szExtension, const char* p_szPrefix, CTempFile& p_oFile,
                   CErrorSlot& p_oError)
{
    char szDirectory[MAX_PATH] = {};
    char szName[MAX_PATH] = {};
    const DWORD cchDirectory = GetTempPathA(MAX_PATH, szDirectory);
    if (cchDirectory == 0 || cchDirectory >= MAX_PATH)
        return ApiFailure(p_oError, "GetTempFileName", GetLastError());
    if (GetTempFileNameA(szDirectory, p_szPrefix, 0, szName) == 0)
        return ApiFailure(p_oError, "GetTempFileName", GetLastError());
    // The system made the name unique by creating it; it stays until the file is deleted.
    p_oFile.m_sPlaceholder = szName;
    std::string sPath = szName;
    const size_t cchExtension = std::strlen(p_szExtension);
    if (sPath.size() < cchExtension)
        return ApiFailure(p_oError, "strcpy", ERROR_BUFFER_OVERFLOW);
    sPath.replace(sPath.size() - cchExtension, cchExtension, p_szExtension);

    unique_file hFile(CreateFileA(sPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hFile)
    {
        p_oError.Set(CorvaneStrings(), kMsgOpenFile, sPath.c_str(), static_cast<int>(GetLastError()));
        ReportError(p_oError);
        return false;
    }
    p_oFile.m_sPath = sPath;
    for (size_t nDone = 0; nDone < p_sText.size();)
    {
        const DWORD cbChunk = static_cast<DWORD>(std::min<size_t>(kWriteChunk, p_sText.size() - nDone));
        DWORD cbWritten = 0;
        if (!WriteFile(hFile.get(), p_sText.data() + nDone, cbChunk, &cbWritten, nullptr) || cbWritten == 0)
            return ApiFailure(p_oError, "WriteFile", GetLastError());
        nDone += cbWritten;
    }
    return true;
}

COutlook::COutlook(CRegistry& p_oRegistry, MapiAccess p_fnMapi, int p_iVersion, IPlatformFacts* p_p_oFacts)
    : m_oRegistry(p_oRegistry), m_fnMapi(std::move(p_fnMapi)), m_iVersion(p_iVersion)
{
    if (p_p_oFacts == nullptr)
        return;
    const unsigned uOutlook = RegisteredOutlookVersion(*p_p_oFacts);
    if (uOutlook == 0)
        LOG_FAILURE("Outlook.Application has no versioned ProgID");
    else
        m_iOutlookVersion = static_cast<int>(uOutlook);
    const CPlatformInfo oInfo = BuildPlatformInfo(m_oRegistry, *p_p_oFacts, kPackageOutlook, p_iVersion);
    m_bInternetMailOnly = oInfo.m_dwMailSupportOff != 0;
    m_bWordEditor = oInfo.m_dwWordEditor != 0;
    Log("COutlook: version %d, Outlook %d, Internet mail only %d, Word editor %d", m_iVersion, m_iOutlookVersion,
        m_bInternetMailOnly ? 1 : 0, m_bWordEditor ? 1 : 0);
}

int COutlook::SendOverSMTP(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress)
{
    CRegistry& oRegistry = m_oRegistry;
    CSMTPPackage oSmtp([&oRegistry](std::string& p_sServer, CErrorSlot& p_oError) {
        return GetOutlookSMTPServer(oRegistry, p_sServer, p_oError);
    });
    const int iSent = oSmtp.Send(p_oMail, p_oLink, p_p_oProgress);
    if (!iSent)
        m_oError.CopyFrom(oSmtp.Error());
    return iSent;
}

int COutlook::Send(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress)
{
    CLogScope oScope("COutlook::Send");
    CExMAPI* pMapi = Mapi();
    if (pMapi == nullptr)
    {
        Log("COutlook::Send: no MAPI object, the mail goes over SMTP");
        return SendOverSMTP(p_oMail, p_oLink, p_p_oProgress);
    }
    CMapiMessage oMessage;
    oMessage.m_sSenderLabel = SenderLabel(p_oMail.m_sSenderName, p_oMail.m_sSenderEmail);
    oMessage.m_sSubject = p_oMail.m_sSubject;
    // Deleted when the send is over, whatever its outcome.
    CTempFile oJobFile;
    if (p_oMail.m_iMailKind == kMailKindEmail)
    {
        oMessage.m_iMode = kMessageModeEmail;
        oMessage.m_sBody = p_oMail.m_sRichTextBody;
        oMessage.m_sAttachmentPath = p_oMail.m_sAttachmentPath;
    }
    else
    {
        oMessage.m_iMode = kMessageModeSMS;
        oMessage.m_sBody = GatewayMailBody(EGatewayRoad::MAPI, p_oMail.m_sPlainBody);
        if (!WriteTempFile(p_oMail.m_sPlainBody, "TXT", "BS", oJobFile, m_oError))
        {
            LOG_FAILURE("WriteTempFile() failed");
            return 0;
        }
        oMessage.m_sAttachmentPath = oJobFile.m_sPath;
    }
    const HRESULT hr = pMapi->SendMail(oMessage, p_oMail.m_p_mrlTo, p_oMail.m_p_mrlBcc, {&p_oLink, p_p_oProgress});
    if (FAILED(hr))
    {
        LogCallFailure(__PRETTY_FUNCTION__, "CExMAPI::SendMail", EResultKind::MapiResult, static_cast<uint32_t>(hr));
        m_oError.Set(CorvaneStrings(), kMsgFunctionFailed, "CExMAPI::SendMail", "COutlook::Send");
        return 0;
    }
    return 1;
}

int COutlook::WriteToSMSFolder(const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlBcc,
                               const std::string& p_sSenderLabel, const std::string& p_sSubject,
                               const std::string& p_sText)
{
    CExMAPI* pMapi = Mapi();
    if (pMapi == nullptr)
    {
        Log("COutlook::WriteToSMSFolder: no MAPI object, no copy is filed");
        return 0;
    }
    return SUCCEEDED(pMapi->WriteToSMSFolder(m_oRegistry, p_p_mrlTo, p_p_mrlBcc, p_sSenderLabel, p_sSubject, p_sText))
               ? 1
               : 0;
}
