// tools/brevolt-send: sends one SMS job through Corvane.dll the way the compose window does: the
// library is loaded from the Install value "Addressbook", its exports are bound by name, the
// recipient lists are built through them, and SendSMS (or CreateFinalSMSs and SendBulkSMS for
// --bulk) runs the send with its progress dialog. Prints "result N (...)"; the exit code is the
// send result, except that a failed transport exits 10 so that no failure reads as success.
#include "Addressbook/include/corvane_win.h"
#include "common/handle_win.h"
#include "tools/send_arguments.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kExitSetupFailed = 1;
constexpr int kExitTransportFailed = 10;
constexpr int kExitUsage = 64;

const char* ResultName(int p_iResult)
{
    switch (p_iResult)
    {
    case 0:
        return "the transport failed";
    case 2:
        return "Send Success";
    case 3:
        return "nothing was sent";
    case 5:
        return "Send Cant Cancel";
    case 6:
        return "Send Cancel";
    case 7:
        return "Send Aborted";
    case 8:
        return "in the Outbox, but Outlook's send could not be triggered";
    }
    return "unknown";
}

bool ReadInstallPath(std::string& p_sPath)
{
    char buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof(buffer) - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Addressbook", RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
        return false;
    p_sPath = buffer;
    return !p_sPath.empty();
}

struct CExports
{
    PFN_Init Init = nullptr;
    PFN_Uninit Uninit = nullptr;
    PFN_ThreadInit ThreadInit = nullptr;
    PFN_ThreadUninit ThreadUninit = nullptr;
    PFN_CreateMessageRecipientFromDetails CreateMessageRecipientFromDetails = nullptr;
    PFN_CreateMessageRecipientList CreateMessageRecipientList = nullptr;
    PFN_DeleteMessageRecipientList DeleteMessageRecipientList = nullptr;
    PFN_DeleteMessageRecipient DeleteMessageRecipient = nullptr;
    PFN_AddMessageRecipient AddMessageRecipient = nullptr;
    PFN_AddDistList AddDistList = nullptr;
    PFN_CreateFinalSMSs CreateFinalSMSs = nullptr;
    PFN_DeleteSMSList DeleteSMSList = nullptr;
    PFN_SendSMS SendSMS = nullptr;
    PFN_SendBulkSMS SendBulkSMS = nullptr;
};

template <typename T> bool Bind(HMODULE p_hModule, const char* p_szName, T& p_pfn)
{
    p_pfn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(p_hModule, p_szName)));
    if (p_pfn == nullptr)
        std::fprintf(stderr, "brevolt-send: Corvane.dll has no export %s\n", p_szName);
    return p_pfn != nullptr;
}

bool BindAll(HMODULE p_hModule, CExports& p_oExports)
{
    return Bind(p_hModule, szInit, p_oExports.Init) && Bind(p_hModule, szUninit, p_oExports.Uninit) &&
           Bind(p_hModule, szThreadInit, p_oExports.ThreadInit) &&
           Bind(p_hModule, szThreadUninit, p_oExports.ThreadUninit) &&
           Bind(p_hModule, szCreateMessageRecipientFromDetails, p_oExports.CreateMessageRecipientFromDetails) &&
           Bind(p_hModule, szCreateMessageRecipientList, p_oExports.CreateMessageRecipientList) &&
           Bind(p_hModule, szDeleteMessageRecipientList, p_oExports.DeleteMessageRecipientList) &&
           Bind(p_hModule, szDeleteMessageRecipient, p_oExports.DeleteMessageRecipient) &&
           Bind(p_hModule, szAddMessageRecipient, p_oExports.AddMessageRecipient) &&
           Bind(p_hModule, szAddDistList, p_oExports.AddDistList) &&
           Bind(p_hModule, szCreateFinalSMSs, p_oExports.CreateFinalSMSs) &&
           Bind(p_hModule, szDeleteSMSList, p_oExports.DeleteSMSList) &&
           Bind(p_hModule, szSendSMS, p_oExports.SendSMS) && Bind(p_hModule, szSendBulkSMS, p_oExports.SendBulkSMS);
}

// A typed number, or a named recipient as an address book would give it.
bool AddEntry(const CExports& p_oExports, CMessageRecipientList* p_p_mrlList, const CSendEntry& p_oEntry)
{
    CMessageRecipient* recipient = nullptr;
    const bool named = !p_oEntry.m_sName.empty();
    const char* display = named ? p_oEntry.m_sName.c_str() : p_oEntry.m_sMobile.c_str();
    if (!p_oExports.CreateMessageRecipientFromDetails(named ? kStateResolved : kStateTypedNumber, kKindIndividual,
                                                      display, p_oEntry.m_sMobile.c_str(), nullptr,
                                                      named ? p_oEntry.m_sName.c_str() : nullptr, EID_TYPE_BULK, 0,
                                                      nullptr, kDefaultRecipientOptions, &recipient) ||
        recipient == nullptr)
        return false;
    if (!p_oExports.AddMessageRecipient(p_p_mrlList, recipient))
    {
        p_oExports.DeleteMessageRecipient(&recipient);
        return false;
    }
    return true;
}

bool AddList(const CExports& p_oExports, CMessageRecipientList* p_p_mrlList, const CSendList& p_oList)
{
    CMessageRecipient* list = nullptr;
    if (!p_oExports.CreateMessageRecipientFromDetails(kStateListComplete, kKindDistList, p_oList.m_sName.c_str(),
                                                      nullptr, nullptr, p_oList.m_sName.c_str(), EID_TYPE_BULK, 0,
                                                      nullptr, kDefaultRecipientOptions, &list) ||
        list == nullptr)
        return false;
    if (!p_oExports.AddDistList(list) || list->m_p_mrlMembers == nullptr)
    {
        p_oExports.DeleteMessageRecipient(&list);
        return false;
    }
    for (const CSendEntry& member : p_oList.m_vMembers)
    {
        if (!AddEntry(p_oExports, list->m_p_mrlMembers, member))
        {
            p_oExports.DeleteMessageRecipient(&list);
            return false;
        }
    }
    if (!p_oExports.AddMessageRecipient(p_p_mrlList, list))
    {
        p_oExports.DeleteMessageRecipient(&list);
        return false;
    }
    return true;
}

// The host builds and frees the token list; Corvane only reads it.
class CTokenList
{
  public:
    explicit CTokenList(const std::vector<CSendToken>& p_vTokens)
    {
        m_vTokens.resize(p_vTokens.size());
        m_vNodes.resize(p_vTokens.size());
        for (size_t i = 0; i < p_vTokens.size(); ++i)
        {
            m_vNames.push_back(p_vTokens[i].m_sName);
            m_vTokens[i].m_iPosition = static_cast<int32_t>(p_vTokens[i].m_nPosition);
        }
        for (size_t i = 0; i < p_vTokens.size(); ++i)
        {
            m_vTokens[i].m_szName = m_vNames[i].data();
            m_vNodes[i].m_iOwnsItem = 0;
            m_vNodes[i].m_p_oItem = &m_vTokens[i];
            m_vNodes[i].m_p_oPrev = i > 0 ? &m_vNodes[i - 1] : nullptr;
            m_vNodes[i].m_p_oNext = i + 1 < p_vTokens.size() ? &m_vNodes[i + 1] : nullptr;
        }
        m_oList.m_dwCount = static_cast<uint32_t>(p_vTokens.size());
        m_oList.m_p_oFirst = m_vNodes.empty() ? nullptr : &m_vNodes.front();
        m_oList.m_p_oLast = m_vNodes.empty() ? nullptr : &m_vNodes.back();
        m_oList.m_iOwnsItems = 0;
    }
    CTokenList(const CTokenList&) = delete;
    CTokenList& operator=(const CTokenList&) = delete;
    ~CTokenList()
    {
        // The list's nodes and tokens are this object's own vectors.
        m_oList.m_p_oFirst = m_oList.m_p_oLast = m_oList.m_p_oCursor = nullptr;
        m_oList.m_dwCount = 0;
    }
    const CMessageTokenList* Get() const
    {
        return m_vTokens.empty() ? nullptr : &m_oList;
    }

  private:
    std::vector<std::string> m_vNames;
    std::vector<CMessageToken> m_vTokens;
    std::vector<CRecordNode<CMessageToken>> m_vNodes;
    CMessageTokenList m_oList;
};

int Run(const CSendArguments& p_oArgs)
{
    std::string path;
    if (!ReadInstallPath(path))
    {
        std::fprintf(stderr, "brevolt-send: HKLM\\Software\\Brevolt\\Install has no \"Addressbook\" path\n");
        return kExitSetupFailed;
    }
    const unique_hmodule module(LoadLibraryA(path.c_str()));
    if (!module)
    {
        std::fprintf(stderr, "brevolt-send: cannot load %s (error %lu)\n", path.c_str(), GetLastError());
        return kExitSetupFailed;
    }
    CExports corvane;
    if (!BindAll(module.get(), corvane))
        return kExitSetupFailed;
    if (corvane.Init(p_oArgs.m_iPackage, 0, nullptr, nullptr, nullptr, kCallerFull) != 1)
    {
        std::fprintf(stderr, "brevolt-send: Corvane's Init failed\n");
        corvane.Uninit();
        return kExitSetupFailed;
    }
    corvane.ThreadInit(nullptr, nullptr);

    int exitCode = kExitSetupFailed;
    CMessageRecipientList* to = nullptr;
    CMessageRecipientList* cc = nullptr;
    bool built = corvane.CreateMessageRecipientList(&to) && corvane.CreateMessageRecipientList(&cc);
    for (const CSendEntry& entry : p_oArgs.m_vTo)
        built = built && AddEntry(corvane, to, entry);
    for (const CSendList& list : p_oArgs.m_vLists)
        built = built && AddList(corvane, to, list);
    for (const CSendEntry& entry : p_oArgs.m_vCc)
        built = built && AddEntry(corvane, cc, entry);

    CDeliveryTime at;
    if (p_oArgs.m_bAt)
    {
        at.m_wYear = p_oArgs.m_oAt.m_wYear;
        at.m_wMonth = p_oArgs.m_oAt.m_wMonth;
        at.m_wDayOfWeek = p_oArgs.m_oAt.m_wDayOfWeek;
        at.m_wDay = p_oArgs.m_oAt.m_wDay;
        at.m_wHour = p_oArgs.m_oAt.m_wHour;
        at.m_wMinute = p_oArgs.m_oAt.m_wMinute;
    }
    const CDeliveryTime* delivery = p_oArgs.m_bAt ? &at : nullptr;

    int result = 3;
    int called = 0;
    if (!built)
        std::fprintf(stderr, "brevolt-send: the recipient lists could not be built\n");
    else if (p_oArgs.m_bBulk)
    {
        const CTokenList tokens(p_oArgs.m_vTokens);
        CFinalSMSList* final = nullptr;
        if (corvane.CreateFinalSMSs(p_oArgs.m_sMessage.c_str(), tokens.Get(), to, cc, 3, 0, 1, 0, &final) != 1)
            std::fprintf(stderr, "brevolt-send: the final SMS list could not be made\n");
        else
        {
            // A bulk job carries its delivery time in every message, as reminder jobs do.
            if (delivery != nullptr)
                for (auto* node = final->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
                    if (node->m_p_oItem != nullptr)
                        node->m_p_oItem->m_stDeliveryTime = *delivery;
            called = corvane.SendBulkSMS(nullptr, "Brevolt", final, p_oArgs.m_sText.c_str(), p_oArgs.m_dwOptions,
                                         delivery, nullptr, nullptr, p_oArgs.m_sText.c_str(), to, cc, &result);
        }
        corvane.DeleteSMSList(&final);
    }
    else
        called = corvane.SendSMS(nullptr, to, cc, p_oArgs.m_sMessage.c_str(), p_oArgs.m_dwOptions, delivery,
                                 p_oArgs.m_sText.c_str(), &result);
    if (called == 1)
    {
        std::printf("result %d (%s)\n", result, ResultName(result));
        exitCode = result == 0 ? kExitTransportFailed : result;
    }
    else if (built)
        std::fprintf(stderr, "brevolt-send: the send could not be started\n");
    std::fflush(stdout);

    corvane.DeleteMessageRecipientList(&to);
    corvane.DeleteMessageRecipientList(&cc);
    corvane.ThreadUninit();
    corvane.Uninit();
    return exitCode;
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h")
    {
        std::fputs(kSendUsage, args.empty() ? stderr : stdout);
        return args.empty() ? kExitUsage : 0;
    }
    CSendArguments parsed;
    std::string error;
    if (!ParseSendArguments(args, parsed, error))
    {
        std::fprintf(stderr, "brevolt-send: %s\n%s", error.c_str(), kSendUsage);
        return kExitUsage;
    }
    return Run(parsed);
}
