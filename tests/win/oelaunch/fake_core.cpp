// tests/win/oelaunch/fake_core.cpp: a core library for Runbay's tests. It binds like the real one and
// records, one line each, the calls Runbay makes ("SendSMS <options>|<text>"); its recipient lists
// hold only a count. Check answers "cancelled" when the first address is "cancel@brevolt.example"
// and drops recipients whose address begins with "nomobile".
#include "Addressbook/include/corvane_win.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace
{
std::mutex g_oLock;
std::string g_sCalls;
bool g_bCancelNext = false;
int g_iMobiles = 0;

void Record(const std::string& p_sLine)
{
    std::lock_guard<std::mutex> lock(g_oLock);
    g_sCalls += p_sLine + "\n";
}
} // namespace

extern "C"
{
    int StubExport()
    {
        return 1;
    }

    // The calls so far, each line ended by a line feed; they are cleared when p_bClear.
    int FakeCoreCalls(char* p_szBuffer, int p_iSize, int p_bClear)
    {
        std::lock_guard<std::mutex> lock(g_oLock);
        if (p_szBuffer != nullptr && p_iSize > 0)
        {
            const size_t n = std::min(g_sCalls.size(), static_cast<size_t>(p_iSize - 1));
            std::memcpy(p_szBuffer, g_sCalls.data(), n);
            p_szBuffer[n] = '\0';
        }
        if (p_bClear)
            g_sCalls.clear();
        return 1;
    }

    int CORVANE_API Init(int p_iPackage, int p_iPackageVersion, IMAPISession*, IDispatch*, HWND, int p_iCallerKind)
    {
        Record("Init " + std::to_string(p_iPackage) + " " + std::to_string(p_iPackageVersion) + " " +
               std::to_string(p_iCallerKind));
        return 1;
    }
    int CORVANE_API Uninit()
    {
        return 1;
    }
    int CORVANE_API EditLocalUser(HWND, uint32_t, uint32_t)
    {
        Record("EditLocalUser");
        return 1;
    }
    int CORVANE_API StartVMIfNecessary(HWND)
    {
        Record("StartVMIfNecessary");
        return 1;
    }
    int CORVANE_API SetParentWindow(HWND)
    {
        Record("SetParentWindow");
        return 1;
    }
    int CORVANE_API StopOEMonitor()
    {
        Record("StopOEMonitor");
        return 1;
    }
    int CORVANE_API CreateMessageRecipientList(CMessageRecipientList** p_pp_mrlList)
    {
        *p_pp_mrlList = new CMessageRecipientList();
        return 1;
    }
    int CORVANE_API DeleteMessageRecipientList(CMessageRecipientList** p_pp_mrlList)
    {
        Record("DeleteMessageRecipientList");
        delete *p_pp_mrlList;
        *p_pp_mrlList = nullptr;
        return 1;
    }
    // A recipient is only its address here.
    int CORVANE_API CreateMessageRecipient(const char* p_szText, CMessageRecipient** p_pp_oRecipient)
    {
        Record(std::string("CreateMessageRecipient ") + p_szText);
        if (std::strcmp(p_szText, "cancel@brevolt.example") == 0)
            g_bCancelNext = true;
        if (std::strncmp(p_szText, "nomobile", 8) != 0)
            ++g_iMobiles;
        *p_pp_oRecipient = reinterpret_cast<CMessageRecipient*>(new std::string(p_szText));
        return 1;
    }
    int CORVANE_API DeleteMessageRecipient(CMessageRecipient** p_pp_oRecipient)
    {
        delete reinterpret_cast<std::string*>(*p_pp_oRecipient);
        *p_pp_oRecipient = nullptr;
        return 1;
    }
    int CORVANE_API AddMessageRecipient(CMessageRecipientList* p_p_mrlList, CMessageRecipient* p_p_oRecipient)
    {
        delete reinterpret_cast<std::string*>(p_p_oRecipient);
        ++p_p_mrlList->m_dwCount;
        return 1;
    }
    int CORVANE_API Check(HWND, CMessageRecipientList** p_pp_mrlTo, CMessageRecipientList**, int, HWND, int* p_pbExited)
    {
        Record("Check " + std::to_string((*p_pp_mrlTo)->m_dwCount));
        *p_pbExited = g_bCancelNext ? 1 : 0;
        (*p_pp_mrlTo)->m_dwCount = static_cast<uint32_t>(g_iMobiles);
        g_bCancelNext = false;
        g_iMobiles = 0;
        return 1;
    }
    int CORVANE_API SendSMS(HWND, const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList*,
                            const char* p_szMessage, uint32_t p_dwOptions, const CDeliveryTime*, const char*,
                            int* p_piResult)
    {
        char options[16];
        std::snprintf(options, sizeof(options), "0x%X", p_dwOptions);
        Record("SendSMS " + std::to_string(p_p_mrlTo->m_dwCount) + " " + options + "|" + p_szMessage);
        *p_piResult = 0;
        return 1;
    }
}
