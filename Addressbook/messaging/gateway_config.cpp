// Addressbook/messaging/gateway_config.cpp: defaults and their Install overrides.
#include "Addressbook/messaging/gateway_config.h"

namespace
{
void Override(CRegistry& p_oRegistry, const char* p_szName, std::string& p_sValue)
{
    std::vector<uint8_t> data;
    if (p_oRegistry.ReadRegistry(ERegRoot::LocalMachine, kInstallKey, p_szName, true, data) &&
        !TextOfValue(data).empty())
        p_sValue = TextOfValue(data);
}
} // namespace

CGatewayConfig ReadGatewayConfig(CRegistry& p_oRegistry)
{
    CGatewayConfig config{"sms@brevolt.example",        "bulksms@brevolt.example", "gateway@brevolt.example",
                          "replies@brevolt.example",    "support@brevolt.example", "feedback@brevolt.example",
                          "http://www.brevolt.example/"};
    Override(p_oRegistry, "SingleSendMailbox", config.m_sSingleSendMailbox);
    Override(p_oRegistry, "BulkSendMailbox", config.m_sBulkSendMailbox);
    Override(p_oRegistry, "GatewaySender", config.m_sGatewaySender);
    Override(p_oRegistry, "ReplySender", config.m_sReplySender);
    Override(p_oRegistry, "SupportAddress", config.m_sSupportAddress);
    Override(p_oRegistry, "FeedbackAddress", config.m_sFeedbackAddress);
    Override(p_oRegistry, "WebPage", config.m_sWebPage);
    return config;
}
