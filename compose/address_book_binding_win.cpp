// compose/address_book_binding_win.cpp: loading Corvane and resolving its exports.
#include "compose/address_book_binding_win.h"

#include "common/failure_log.h"
#include "common/settings.h"
#include "compose/quillet_strings.h"

namespace
{
struct CBindingEntry
{
    const char* m_szName;
    FARPROC* (*m_pfnSlot)(CAddressBookControlObject& p_oBinding);
};

#define BINDING(name)                                                                                                  \
    {                                                                                                                  \
        sz##name, [](CAddressBookControlObject& p_o) { return reinterpret_cast<FARPROC*>(&p_o.m_pfn##name); }          \
    }
const CBindingEntry g_aBinding[] = {
    BINDING(DeleteSMSList),
    BINDING(CreateFinalSMSs),
    BINDING(ThreadInit),
    BINDING(ThreadUninit),
    BINDING(FreeString),
    BINDING(GetEmailDetails),
    BINDING(GetLocalSenderDetails),
    BINDING(DeleteMessageRecipientAtPos),
    BINDING(InsertMessageRecipientAtPos),
    BINDING(AddMessageRecipient),
    BINDING(Uninit),
    BINDING(Init),
    BINDING(CreateLocalUser),
    BINDING(EditLocalUser),
    BINDING(CompleteText),
    BINDING(Check),
    BINDING(SendSMS),
    BINDING(ShowProperties),
    BINDING(AddExtraProp),
    BINDING(AddDistList),
    BINDING(SelectRecipients),
    BINDING(PreviewMail),
    BINDING(MailSummary),
    BINDING(ImportRecipients),
    BINDING(WriteToSMSFolder),
    BINDING(RecommendToFriends),
    BINDING(DeleteMessageRecipient),
    BINDING(DeleteString),
    BINDING(DeleteMessageRecipientList),
    BINDING(CreateMessageRecipientList),
    BINDING(CreateMessageRecipient),
    BINDING(CreateMessageRecipientFromDetails),
    BINDING(CopyMessageRecipient),
    BINDING(GetSessionForThread),
    BINDING(StartReminderMonitor),
    BINDING(StopReminderMonitor),
    BINDING(StartOEMonitor),
    BINDING(StopOEMonitor),
    BINDING(StartAdvise),
    BINDING(ChangeReminderForm),
    BINDING(GetOEMaxForIdentity),
    BINDING(CCPhoneSend),
    BINDING(CCPhoneStore),
    BINDING(CCPhoneCleanup),
    BINDING(StartVMIfNecessary),
    BINDING(CreateReminder),
    BINDING(SetParentWindow),
    BINDING(ShowRuleManager),
    BINDING(ShowReminderPurge),
    BINDING(InstallSMSForms),
    BINDING(UninstallSMSForms),
    BINDING(SendBulkSMS),
    BINDING(ImportFromFile),
    BINDING(CreateProgressBar),
    BINDING(DeleteProgressBar),
    BINDING(CompressWithDialog),
};
#undef BINDING

const char* const* OrderNames()
{
    static const char* s_aszNames[sizeof(g_aBinding) / sizeof(g_aBinding[0])];
    for (size_t i = 0; i < sizeof(g_aBinding) / sizeof(g_aBinding[0]); ++i)
        s_aszNames[i] = g_aBinding[i].m_szName;
    return s_aszNames;
}
} // namespace

const char* const* CAddressBookControlObject::BindingOrder(size_t& p_nCount)
{
    p_nCount = sizeof(g_aBinding) / sizeof(g_aBinding[0]);
    return OrderNames();
}

CAddressBookControlObject::CAddressBookControlObject(int p_iPackage, int p_iPackageVersion, IMAPISession* p_pSession,
                                                     IDispatch* p_pApp, HWND p_hParent)
{
    CRegistry registry;
    std::string path;
    if (!registry.ReadInstallText("Addressbook", path) || path.empty())
    {
        m_oError.Set(QuilletStrings(), kQMsgNoLocation, "Addressbook");
        LOG_FAILURE("%s", m_oError.Text().c_str());
        return;
    }
    m_hModule.reset(LoadLibraryA(path.c_str()));
    if (!m_hModule)
    {
        m_oError.Set(QuilletStrings(), kQMsgLoadFailed, "Corvane.Dll", static_cast<int>(GetLastError()));
        LOG_FAILURE("LoadLibraryA(%s): %s", path.c_str(), m_oError.Text().c_str());
        return;
    }
    if (!Bind())
        return;
    m_bInitDone = true;
    if (m_pfnInit(p_iPackage, p_iPackageVersion, p_pSession, p_pApp, p_hParent, 0) == 0)
    {
        m_oError.Set(QuilletStrings(), kQMsgFunctionFailed, "MAPIInit", "CAddressBookControlObject()");
        LOG_FAILURE("%s", m_oError.Text().c_str());
        return;
    }
}

bool CAddressBookControlObject::Bind()
{
    for (const CBindingEntry& entry : g_aBinding)
    {
        FARPROC proc = GetProcAddress(m_hModule.get(), entry.m_szName);
        if (proc == nullptr)
        {
            m_oError.Set(QuilletStrings(), kQMsgFunctionNotFound, entry.m_szName);
            LOG_FAILURE("%s", m_oError.Text().c_str());
            return false;
        }
        *entry.m_pfnSlot(*this) = proc;
    }
    return true;
}

CAddressBookControlObject::~CAddressBookControlObject()
{
    if (m_bInitDone && m_pfnUninit != nullptr)
        m_pfnUninit();
}
