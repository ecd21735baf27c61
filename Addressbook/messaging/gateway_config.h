// Addressbook/messaging/gateway_config.h: the gateway's addresses. Compiled-in defaults under the
// reserved domain brevolt.example; a value of the same name in the Install key overrides each.
#pragma once

#include "common/settings.h"

#include <string>

struct CGatewayConfig
{
    std::string m_sSingleSendMailbox; // "SingleSendMailbox": where single jobs go
    std::string m_sBulkSendMailbox;   // "BulkSendMailbox": where bulk jobs go
    std::string m_sGatewaySender;     // "GatewaySender": the From of the gateway's own mails
    std::string m_sReplySender;       // "ReplySender": the From of SMS replies
    std::string m_sSupportAddress;    // "SupportAddress"
    std::string m_sFeedbackAddress;   // "FeedbackAddress"
    std::string m_sWebPage;           // "WebPage"
};

CGatewayConfig ReadGatewayConfig(CRegistry& p_oRegistry);
