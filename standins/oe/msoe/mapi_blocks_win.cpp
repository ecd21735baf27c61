// standins/oe/msoe/mapi_blocks_win.cpp: Simple MAPI's returned memory and its conversions.
#include "standins/oe/msoe/mapi_blocks_win.h"

#include "common/failure_log.h"
#include "common/file_read.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace oemapi
{
namespace
{
constexpr size_t kAttachmentLimit = 64 * 1024 * 1024;

// The first member is what the caller gets, so the block's address is the caller's pointer.
struct CMessageBlock
{
    MapiMessage m_oMessage{};
    MapiRecipDesc m_oOriginator{};
    std::vector<MapiRecipDesc> m_vRecipients;
    std::vector<MapiFileDesc> m_vFiles;
    std::deque<std::string> m_vStrings;

    LPSTR Keep(const std::string& p_sText)
    {
        m_vStrings.push_back(p_sText);
        return m_vStrings.back().data();
    }
};

struct CRecipientBlock
{
    std::vector<MapiRecipDesc> m_vRecipients;
    std::deque<std::string> m_vStrings;
};

std::mutex g_oLock;
std::set<CMessageBlock*> g_sMessages;
std::set<CRecipientBlock*> g_sRecipients;

MapiRecipDesc Recipient(CMessageBlock& p_oBlock, ULONG p_nClass, const oestore::CMailAddress& p_oAddress)
{
    MapiRecipDesc recipient{};
    recipient.ulRecipClass = p_nClass;
    recipient.lpszName = p_oBlock.Keep(p_oAddress.m_sName.empty() ? p_oAddress.m_sAddress : p_oAddress.m_sName);
    recipient.lpszAddress = p_oBlock.Keep("SMTP:" + p_oAddress.m_sAddress);
    return recipient;
}

std::string SafeFileName(const std::string& p_sName, size_t p_nIndex)
{
    std::string name;
    for (const char c : p_sName)
        name.push_back(std::strchr("\\/:*?\"<>|", c) == nullptr && static_cast<unsigned char>(c) >= 32 ? c : '_');
    if (name.empty() || name == "." || name == "..")
        name = "attachment" + std::to_string(p_nIndex + 1) + ".dat";
    return name;
}

[[nodiscard]] bool WriteFileText(const std::string& p_sPath, const std::string& p_sData)
{
    std::ofstream out(p_sPath, std::ios::binary | std::ios::trunc);
    out.write(p_sData.data(), static_cast<std::streamsize>(p_sData.size()));
    out.close();
    return out.good();
}

void AddFile(CMessageBlock& p_oBlock, const std::string& p_sFolder, const std::string& p_sName,
             const std::string& p_sData)
{
    const std::string path = p_sFolder + SafeFileName(p_sName, p_oBlock.m_vFiles.size());
    if (!WriteFileText(path, p_sData))
    {
        LOG_FAILURE("the attachment '%s' could not be written", path.c_str());
        return;
    }
    MapiFileDesc file{};
    file.nPosition = static_cast<ULONG>(-1);
    file.lpszPathName = p_oBlock.Keep(path);
    file.lpszFileName = p_oBlock.Keep(p_sName);
    p_oBlock.m_vFiles.push_back(file);
}
} // namespace

std::string DateReceived(const std::string& p_sDate)
{
    static const char* const s_aMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const size_t comma = p_sDate.find(',');
    const std::string rest = comma == std::string::npos ? p_sDate : p_sDate.substr(comma + 1);
    unsigned day = 0;
    unsigned year = 0;
    unsigned hour = 0;
    unsigned minute = 0;
    char month[4] = {};
    if (std::sscanf(rest.c_str(), " %u %3s %u %u:%u", &day, month, &year, &hour, &minute) != 5)
        return std::string();
    for (unsigned i = 0; i < 12; ++i)
    {
        if (std::strcmp(month, s_aMonths[i]) != 0)
            continue;
        char text[32] = {};
        std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u", year % 10000, i + 1, day % 100, hour % 100,
                      minute % 100);
        return text;
    }
    return std::string();
}

lpMapiMessage NewMessageBlock(const oestore::CMailMessage& p_oMessage, bool p_bUnread,
                              const std::string& p_sAttachmentFolder, bool p_bBodyAsFile)
{
    auto block = std::make_unique<CMessageBlock>();
    MapiMessage& message = block->m_oMessage;
    message.lpszSubject = block->Keep(p_oMessage.m_sSubject);
    message.lpszMessageType = block->Keep("IPM.Note");
    message.lpszDateReceived = block->Keep(DateReceived(p_oMessage.m_sDate));
    message.flFlags = p_bUnread ? MAPI_UNREAD : 0;
    block->m_oOriginator = Recipient(*block, MAPI_ORIG, p_oMessage.m_oFrom);
    message.lpOriginator = &block->m_oOriginator;
    for (const auto& [kind, list] :
         {std::pair<ULONG, const std::vector<oestore::CMailAddress>*>{MAPI_TO, &p_oMessage.m_vTo},
          {MAPI_CC, &p_oMessage.m_vCc},
          {MAPI_BCC, &p_oMessage.m_vBcc}})
        for (const oestore::CMailAddress& address : *list)
            block->m_vRecipients.push_back(Recipient(*block, kind, address));
    if (!p_sAttachmentFolder.empty())
    {
        if (p_bBodyAsFile)
            AddFile(*block, p_sAttachmentFolder, "body.txt", p_oMessage.m_sBody);
        for (const oestore::CMailAttachment& attachment : p_oMessage.m_vAttachments)
            AddFile(*block, p_sAttachmentFolder, attachment.m_sFileName, attachment.m_sData);
    }
    if (!p_bBodyAsFile)
        message.lpszNoteText = block->Keep(p_oMessage.m_sBody);
    message.nRecipCount = static_cast<ULONG>(block->m_vRecipients.size());
    message.lpRecips = block->m_vRecipients.empty() ? nullptr : block->m_vRecipients.data();
    message.nFileCount = static_cast<ULONG>(block->m_vFiles.size());
    message.lpFiles = block->m_vFiles.empty() ? nullptr : block->m_vFiles.data();
    const std::lock_guard<std::mutex> lock(g_oLock);
    g_sMessages.insert(block.get());
    return &block.release()->m_oMessage;
}

lpMapiRecipDesc NewRecipientBlock(const MapiRecipDesc* p_pRecipients, ULONG p_nCount)
{
    auto block = std::make_unique<CRecipientBlock>();
    // One entry more than asked for, so that even an empty list has an address of its own.
    block->m_vRecipients.resize(p_nCount + 1);
    for (ULONG i = 0; i < p_nCount; ++i)
    {
        MapiRecipDesc& copy = block->m_vRecipients[i];
        copy.ulRecipClass = p_pRecipients[i].ulRecipClass;
        block->m_vStrings.emplace_back(p_pRecipients[i].lpszName ? p_pRecipients[i].lpszName : "");
        copy.lpszName = block->m_vStrings.back().data();
        block->m_vStrings.emplace_back(p_pRecipients[i].lpszAddress ? p_pRecipients[i].lpszAddress : "");
        copy.lpszAddress = block->m_vStrings.back().data();
    }
    const std::lock_guard<std::mutex> lock(g_oLock);
    g_sRecipients.insert(block.get());
    return block.release()->m_vRecipients.data();
}

bool FreeBlock(void* p_pBlock)
{
    const std::lock_guard<std::mutex> lock(g_oLock);
    for (CMessageBlock* block : g_sMessages)
    {
        if (&block->m_oMessage == p_pBlock)
        {
            g_sMessages.erase(block);
            delete block;
            return true;
        }
    }
    for (CRecipientBlock* block : g_sRecipients)
    {
        if (block->m_vRecipients.data() == p_pBlock)
        {
            g_sRecipients.erase(block);
            delete block;
            return true;
        }
    }
    return false;
}

std::string RecipientAddress(const MapiRecipDesc& p_oRecipient)
{
    std::string address = p_oRecipient.lpszAddress != nullptr ? p_oRecipient.lpszAddress : "";
    if (address.size() > 5 && _strnicmp(address.c_str(), "SMTP:", 5) == 0)
        address.erase(0, 5);
    if (address.empty() && p_oRecipient.lpszName != nullptr && std::strchr(p_oRecipient.lpszName, '@') != nullptr)
    {
        const std::vector<oestore::CMailAddress> parsed = oestore::ParseAddressList(p_oRecipient.lpszName);
        if (parsed.size() == 1)
            address = parsed[0].m_sAddress;
    }
    return address;
}

bool MessageFromMapi(const MapiMessage& p_oMessage, oestore::CMailMessage& p_oOut, ULONG& p_nError)
{
    p_oOut = oestore::CMailMessage();
    p_oOut.m_sSubject = p_oMessage.lpszSubject != nullptr ? p_oMessage.lpszSubject : "";
    p_oOut.m_sBody = p_oMessage.lpszNoteText != nullptr ? p_oMessage.lpszNoteText : "";
    for (ULONG i = 0; i < p_oMessage.nRecipCount && p_oMessage.lpRecips != nullptr; ++i)
    {
        const MapiRecipDesc& recipient = p_oMessage.lpRecips[i];
        const std::string address = RecipientAddress(recipient);
        if (address.empty())
        {
            p_nError = MAPI_E_UNKNOWN_RECIPIENT;
            return false;
        }
        std::string name = recipient.lpszName != nullptr ? recipient.lpszName : "";
        if (name == address)
            name.clear();
        std::vector<oestore::CMailAddress>* list = recipient.ulRecipClass == MAPI_CC    ? &p_oOut.m_vCc
                                                   : recipient.ulRecipClass == MAPI_BCC ? &p_oOut.m_vBcc
                                                   : recipient.ulRecipClass == MAPI_TO  ? &p_oOut.m_vTo
                                                                                        : nullptr;
        if (list == nullptr)
        {
            p_nError = MAPI_E_BAD_RECIPTYPE;
            return false;
        }
        list->push_back({name, address});
    }
    for (ULONG i = 0; i < p_oMessage.nFileCount && p_oMessage.lpFiles != nullptr; ++i)
    {
        const MapiFileDesc& file = p_oMessage.lpFiles[i];
        oestore::CMailAttachment attachment;
        const std::string path = file.lpszPathName != nullptr ? file.lpszPathName : "";
        if (path.empty() || ReadWholeFile(path, attachment.m_sData, kAttachmentLimit) != EReadFile::Read)
        {
            p_nError = MAPI_E_ATTACHMENT_NOT_FOUND;
            return false;
        }
        attachment.m_sFileName = file.lpszFileName != nullptr && *file.lpszFileName != '\0'
                                     ? file.lpszFileName
                                     : path.substr(path.find_last_of("\\/") + 1);
        p_oOut.m_vAttachments.push_back(std::move(attachment));
    }
    return true;
}
} // namespace oemapi
