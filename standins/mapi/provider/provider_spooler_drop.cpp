// standins/mapi/provider/provider_spooler_drop.cpp: the drop folder: .eml files written into the
// configured "DropFolder" are delivered into the Inbox, as mail the spooler downloads.
#include "standins/mapi/provider/provider_spooler.h"

#include "common/trace_log.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace mapiprov
{
// Imports the .eml files of the drop folder into the Inbox.
void ScanDropFolder()
{
    std::wstring dir;
    {
        std::lock_guard<CStoreMutex> lock(Lock());
        dir = CProvider::Get().Config(L"DropFolder");
    }
    if (dir.empty())
        return;
    WIN32_FIND_DATAW fd;
    unique_find_handle find(FindFirstFileW((dir + L"\\*.eml").c_str(), &fd));
    if (!find)
        return;
    do
    {
        const std::wstring path = dir + L"\\" + fd.cFileName;
        std::ifstream in(path.c_str(), std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        in.close();
        const std::string text = ss.str().substr(0, 16u << 20);
        ms::CItem item;
        // Headers up to the first empty line; unfolded, the ones a store shows.
        size_t end = text.find("\r\n\r\n");
        size_t sep = 4;
        if (end == std::string::npos)
        {
            end = text.find("\n\n");
            sep = 2;
        }
        const std::string head = text.substr(0, end);
        const std::string body = end == std::string::npos ? std::string() : text.substr(end + sep);
        auto header = [&](const char* p_szName) -> std::string {
            std::istringstream hs(head);
            std::string line, value;
            bool bIn = false;
            while (std::getline(hs, line))
            {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (bIn && !line.empty() && (line[0] == ' ' || line[0] == '\t'))
                {
                    value += line;
                    continue;
                }
                if (bIn)
                    break;
                const size_t n = strlen(p_szName);
                if (line.size() > n && _strnicmp(line.c_str(), p_szName, n) == 0 && line[n] == ':')
                {
                    value = line.substr(n + 1);
                    bIn = true;
                }
            }
            const size_t b = value.find_first_not_of(" \t");
            return b == std::string::npos ? std::string() : value.substr(b);
        };
        ms::SetProp(item.m_props, ms::CPropValue::String(ms::tag::MessageClass, "IPM.Note"));
        ms::SetProp(item.m_props, ms::CPropValue::String(ms::tag::Subject, header("Subject")));
        std::string from = header("From");
        const size_t lt = from.find('<'), gt = from.find('>');
        const std::string fromAddr = lt != std::string::npos && gt > lt ? from.substr(lt + 1, gt - lt - 1) : from;
        std::string fromName = lt != std::string::npos ? from.substr(0, lt) : from;
        fromName.erase(std::remove(fromName.begin(), fromName.end(), '"'), fromName.end());
        while (!fromName.empty() && fromName.back() == ' ')
            fromName.pop_back();
        ms::SetProp(item.m_props, ms::CPropValue::String(ms::tag::SenderName, fromName.empty() ? fromAddr : fromName));
        ms::SetProp(item.m_props, ms::CPropValue::String(ms::tag::SenderEmail, fromAddr));
        ms::SetProp(item.m_props, ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(PR_SENDER_ADDRTYPE)), "SMTP"));
        ms::SetProp(item.m_props, ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(PR_SENT_REPRESENTING_NAME)),
                                                         fromName.empty() ? fromAddr : fromName));
        ms::SetProp(item.m_props, ms::CPropValue::String(
                                      PROP_TAG(PT_UNICODE, PROP_ID(PR_SENT_REPRESENTING_EMAIL_ADDRESS)), fromAddr));
        // The headers as received, which mail-watching clients read to recognise senders.
        ms::SetProp(item.m_props,
                    ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS)), head + "\r\n"));
        ms::SetProp(item.m_props, ms::CPropValue::String(ms::tag::Body, body));
        ImportMimeParts(text, item); // a multipart mail: its text part, and its files as attachments
        ms::SetProp(item.m_props, ms::CPropValue::Long(ms::tag::MessageFlags, 0));
        FILETIME ft;
        GetSystemTimeAsFileTime(&ft);
        ms::SetProp(item.m_props,
                    ms::CPropValue::Long(
                        ms::tag::DeliveryTime,
                        static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime)));
        if (!DeleteFileW(path.c_str()))
            continue; // still being written; next round
        LOG_IF_MAPI_FAILED(Call("DropFolder::Deliver", [&]() -> HRESULT {
            return DeliverToInbox(std::move(item)) ? S_OK : MAPI_E_NOT_FOUND;
        }));
    } while (FindNextFileW(find.get(), &fd));
}
} // namespace mapiprov
