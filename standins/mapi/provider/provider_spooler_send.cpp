// standins/mapi/provider/provider_spooler_send.cpp: a submitted message on its way out: its personal
// lists expanded, its RFC 5322 text (headers, body, attachments as base64 MIME parts) sent over
// SMTP to the configured "SmtpServer", then filed as its properties say.
#include "standins/mapi/provider/provider_spooler.h"
#include "standins/mapi/store/folder_index.h"

#include "common/trace_log.h"
#include "standins/common/smtp_exchange_win.h"

#include <cstdlib>

namespace mapiprov
{
namespace
{
std::string Base64(const ms::CBytes& p_b)
{
    static const char k[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < p_b.size(); i += 3)
    {
        const uint32_t n =
            (p_b[i] << 16) | (i + 1 < p_b.size() ? p_b[i + 1] << 8 : 0) | (i + 2 < p_b.size() ? p_b[i + 2] : 0);
        out += k[n >> 18 & 63];
        out += k[n >> 12 & 63];
        out += i + 1 < p_b.size() ? k[n >> 6 & 63] : '=';
        out += i + 2 < p_b.size() ? k[n & 63] : '=';
        if ((i / 3 + 1) % 19 == 0)
            out += "\r\n";
    }
    return out;
}

std::string SmtpAddressOf(const ms::CPropList& p_r)
{
    const std::string type = ms::GetString(p_r, PR_ADDRTYPE);
    if (!ms::GetString(p_r, PR_SMTP_ADDRESS).empty())
        return ms::GetString(p_r, PR_SMTP_ADDRESS);
    if (type == "SMTP" || type.empty())
        return ms::GetString(p_r, PR_EMAIL_ADDRESS);
    return {};
}

// The RFC 5322 text of a message: headers, the body, attachments as base64 MIME parts.
std::string Compose(const ms::CItem& p_item, std::vector<std::string>& p_rcpts)
{
    std::string to, cc;
    for (const auto& r : p_item.m_vRecipients)
    {
        const std::string addr = SmtpAddressOf(r);
        if (addr.empty())
            continue;
        p_rcpts.push_back(addr);
        const auto type = ms::GetLong(r, PR_RECIPIENT_TYPE).value_or(MAPI_TO);
        if (type == MAPI_BCC)
            continue;
        std::string& list = type == MAPI_CC ? cc : to;
        list += (list.empty() ? "" : ", ") + ("\"" + ms::GetString(r, PR_DISPLAY_NAME) + "\" <" + addr + ">");
    }
    SYSTEMTIME st;
    GetSystemTime(&st);
    static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char date[64];
    snprintf(date, sizeof date, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[st.wDayOfWeek], st.wDay,
             kMonths[st.wMonth - 1], st.wYear, st.wHour, st.wMinute, st.wSecond);
    const std::string from = ms::GetString(p_item.m_props, PR_SENDER_EMAIL_ADDRESS, "user@brevolt.example");
    std::string m = "From: " + from + "\r\n";
    if (!to.empty())
        m += "To: " + to + "\r\n";
    if (!cc.empty())
        m += "Cc: " + cc + "\r\n";
    m += "Subject: " + ms::GetString(p_item.m_props, PR_SUBJECT) + "\r\nDate: " + date + "\r\nMIME-Version: 1.0\r\n";
    // A message written as RTF alone goes out as the RTF's text.
    const ms::CPropValue* rtf = ms::FindProp(p_item.m_props, PR_RTF_COMPRESSED);
    std::string body = ms::FindProp(p_item.m_props, PR_BODY) || !rtf ? ms::GetString(p_item.m_props, PR_BODY)
                                                                     : TextOfRtf(rtf->m_bValue);
    const std::string boundary = "=_brevolt_mapi_" + std::to_string(p_item.m_uId);
    if (p_item.m_vAttachments.empty())
        m += "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + body + "\r\n";
    else
    {
        m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n--" + boundary +
             "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + body + "\r\n";
        for (const auto& a : p_item.m_vAttachments)
        {
            std::string name =
                ms::GetString(a, PR_ATTACH_LONG_FILENAME, ms::GetString(a, PR_ATTACH_FILENAME, "attachment.bin"));
            const std::string mime = ms::GetString(a, PR_ATTACH_MIME_TAG, "application/octet-stream");
            const ms::CPropValue* data = ms::FindProp(a, PR_ATTACH_DATA_BIN);
            m += "--" + boundary + "\r\nContent-Type: " + mime + "; name=\"" + name +
                 "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"" + name +
                 "\"\r\n\r\n" + Base64(data ? data->m_bValue : ms::CBytes()) + "\r\n";
        }
        m += "--" + boundary + "--\r\n";
    }
    // Lines of the message body go out with CRLF; bare LFs from PR_BODY become CRLF.
    std::string out;
    for (size_t i = 0; i < m.size(); ++i)
    {
        if (m[i] == '\n' && (i == 0 || m[i - 1] != '\r'))
            out += '\r';
        out += m[i];
    }
    return out;
}

// What leaves for one message: the SMTP server's address, the sender, the envelope and the text.
struct COutgoing
{
    std::string m_sHost, m_sFrom, m_sData;
    unsigned m_nPort = 25;
    std::vector<std::string> m_vRecipients;
};

// Takes the message for sending (under Lock()): its personal lists are expanded into the stored
// message, so the transport is handed one recipient per member and the copy filed in Sent Items
// names them. False when the message is no longer submitted: another process sharing the store
// queued and sent it as well (or it was aborted), and it is not sent twice.
bool Prepare(const ms::CBytes& p_storeUid, uint32_t p_uId, COutgoing& p_out)
{
    ms::CStore* s = CProvider::Get().m_file.StoreByUid(p_storeUid);
    const ms::CItemRef ref = s ? ms::FindItem(s->m_root, p_uId) : ms::CItemRef{};
    ms::CItem* item = ref.Item();
    if (!item || !IsSubmitted(*item))
        return false;
    if (ExpandPersonalLists(item->m_vRecipients))
    {
        ms::MarkFolderChanged(*ref.m_pFolder);
        CProvider::Get().Changed();
    }
    p_out.m_sData = Compose(*item, p_out.m_vRecipients);
    p_out.m_sFrom = ms::GetString(item->m_props, PR_SENDER_EMAIL_ADDRESS, "user@brevolt.example");
    // "host[:port]", port 25 when none is given.
    const std::string server = Utf8FromWide(CProvider::Get().Config(L"SmtpServer", L"localhost:25").c_str());
    const size_t colon = server.rfind(':');
    p_out.m_sHost = server.substr(0, colon);
    if (colon != std::string::npos)
        p_out.m_nPort = static_cast<unsigned>(std::strtoul(server.c_str() + colon + 1, nullptr, 10));
    return true;
}

// Files the message once its exchange is over (under Lock()): sent, it is deleted or moved as its
// properties say; not sent, it stays where it is, unsent.
void FileAway(const ms::CBytes& p_storeUid, uint32_t p_uId, bool p_bSent)
{
    CProvider& prov = CProvider::Get();
    ms::CStore* s = prov.m_file.StoreByUid(p_storeUid);
    ms::CItemRef ref = s ? ms::FindItem(s->m_root, p_uId) : ms::CItemRef{};
    if (!ref.Item())
        return;
    ms::CItem item = *ref.Item();
    int64_t flags = ms::GetLong(item.m_props, PR_MESSAGE_FLAGS).value_or(0) & ~static_cast<int64_t>(MSGFLAG_SUBMIT);
    MarkTaken(item.m_props, false);
    if (!p_bSent)
    {
        // A failed send stays in its folder, unsent, as a non-delivery would leave it.
        Log("MAPI stand-in spooler: message %u did not leave", p_uId);
        MarkTaken(ref.Item()->m_props, false);
        ms::SetProp(ref.Item()->m_props, ms::CPropValue::Long(PR_MESSAGE_FLAGS, flags | MSGFLAG_UNSENT));
        ms::MarkFolderChanged(*ref.m_pFolder);
        prov.Changed();
        (void)prov.Save(); // a failure is logged
        return;
    }
    Log("MAPI stand-in spooler: message %u left", p_uId);
    ms::SetProp(item.m_props, ms::CPropValue::Long(PR_MESSAGE_FLAGS, flags | MSGFLAG_READ));
    const ms::CBytes oldEid = MessageEntryId(*s, item.m_uId), oldParent = FolderEntryId(*s, *ref.m_pFolder);
    ref.m_pFolder->m_vItems.erase(ref.m_pFolder->m_vItems.begin() + static_cast<ptrdiff_t>(ref.m_nIndex));
    ms::MarkFolderChanged(*ref.m_pFolder);
    const ms::CPropValue* sent = ms::FindProp(item.m_props, PR_SENTMAIL_ENTRYID);
    CEntryIdBits bits;
    ms::CStore* ds = nullptr;
    ms::CFolder* df = nullptr;
    if (ms::GetLong(item.m_props, PR_DELETE_AFTER_SUBMIT).value_or(0))
        QueueObjectEvent(fnevObjectDeleted, s->m_uid, oldEid, MAPI_MESSAGE, oldParent);
    else if (sent && ParseEntryId(static_cast<ULONG>(sent->m_bValue.size()), sent->m_bValue.data(), bits) &&
             LocateFolder(bits, ds, df) && ds == s)
    {
        df->m_vItems.push_back(item);
        ms::MarkFolderChanged(*df);
        QueueObjectEvent(fnevObjectMoved, s->m_uid, oldEid, MAPI_MESSAGE, FolderEntryId(*s, *df), oldEid, oldParent);
    }
    else
        ref.m_pFolder->m_vItems.push_back(item); // neither: it stays where it was, sent
    prov.Changed();
    (void)prov.Save(); // a failure is logged
}
} // namespace

void SendSubmitted(const ms::CBytes& p_storeUid, uint32_t p_uId)
{
    COutgoing out;
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        if (!Prepare(p_storeUid, p_uId, out))
            return;
    }
    const bool bSent = !out.m_vRecipients.empty() &&
                       standin::SendSmtpMail(out.m_sHost, out.m_nPort, out.m_sFrom, out.m_vRecipients, out.m_sData);
    std::lock_guard<CStoreMutex> lock(Lock());
    FileAway(p_storeUid, p_uId, bSent);
}
} // namespace mapiprov
