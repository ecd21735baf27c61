// standins/mapi/provider/provider_mime_import.cpp: what a MIME mail dropped for delivery carries
// besides its headers: the text a reader sees as the body and its attached files, as a mail
// transport hands them to the store (attachments by value, named by their file names).
#include "standins/mapi/provider/provider.h"

#include "gateway/mail_message.h"

namespace mapiprov
{
void ImportMimeParts(const std::string& p_sMessage, ms::CItem& p_item)
{
    CMailMessage mail;
    std::string error;
    if (!mail.Parse(p_sMessage, error))
    {
        LOG_FAILURE("the dropped mail's parts do not read (%s); its text stays the body", error.c_str());
        return;
    }
    // A plain mail is one part: the body as read is right already.
    if (mail.Parts().empty() || (mail.Parts().size() == 1 && mail.Parts().front().m_sFileName.empty()))
        return;
    bool bBody = false;
    uint32_t uNum = 0;
    for (const CMailPart& part : mail.Parts())
    {
        if (part.m_sFileName.empty())
        {
            // The first text part is what a reader sees; the others (an HTML twin) are left out.
            if (!bBody && part.m_sContentType.rfind("text/", 0) == 0)
            {
                ms::SetProp(p_item.m_props, ms::CPropValue::String(ms::tag::Body, part.m_sBody));
                bBody = true;
            }
            continue;
        }
        ms::CPropList attach;
        ms::SetProp(attach, ms::CPropValue::Long(ms::tag::AttachNum, uNum++));
        ms::SetProp(attach, ms::CPropValue::Long(ms::tag::AttachMethod, ATTACH_BY_VALUE));
        ms::SetProp(attach, ms::CPropValue::String(ms::tag::AttachLongFilename, part.m_sFileName));
        ms::SetProp(attach, ms::CPropValue::Binary(ms::tag::AttachDataBin,
                                                   ms::CBytes(part.m_sBody.begin(), part.m_sBody.end())));
        p_item.m_vAttachments.push_back(std::move(attach));
    }
    if (!bBody)
        ms::SetProp(p_item.m_props, ms::CPropValue::String(ms::tag::Body, std::string()));
}
} // namespace mapiprov
