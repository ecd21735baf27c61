// standins/excel/excel_standin.cpp: an "Excel.Application" local server for tests: the automation
// subset that workbook import calls (README.md), over plain-text workbooks.
#include <windows.h>
#include <oleauto.h>

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"

#include <atomic>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{
// {6B1B0C51-93E2-4E1A-9D55-2F4C8E3A1B70}
const CLSID kStandinClsid = {0x6b1b0c51, 0x93e2, 0x4e1a, {0x9d, 0x55, 0x2f, 0x4c, 0x8e, 0x3a, 0x1b, 0x70}};
constexpr const char* kClsidText = "{6B1B0C51-93E2-4E1A-9D55-2F4C8E3A1B70}";
constexpr const char* kProgId = "Excel.Application";

std::atomic<long> g_lObjects{0};
std::atomic<long> g_lLocks{0};
DWORD g_dwMainThread = 0;

void ObjectGone()
{
    if (--g_lObjects == 0 && g_lLocks == 0)
        PostThreadMessageA(g_dwMainThread, WM_QUIT, 0, 0);
}

std::string Narrow(BSTR p_bstr)
{
    if (p_bstr == nullptr)
        return std::string();
    const int iSize = WideCharToMultiByte(CP_ACP, 0, p_bstr, -1, nullptr, 0, nullptr, nullptr);
    std::string s(iSize > 0 ? static_cast<size_t>(iSize) : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, p_bstr, -1, s.data(), iSize, nullptr, nullptr);
    s.resize(s.size() - 1);
    return s;
}

BSTR Wide(const std::string& p_s)
{
    const int iSize = MultiByteToWideChar(CP_ACP, 0, p_s.c_str(), -1, nullptr, 0);
    std::wstring w(iSize > 0 ? static_cast<size_t>(iSize) : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, p_s.c_str(), -1, w.data(), iSize);
    return SysAllocString(w.c_str());
}

struct CSheet
{
    std::string m_sName;
    std::vector<std::vector<std::string>> m_vRows;
};

struct CBook
{
    std::vector<CSheet> m_vSheets;
    bool m_bSaved = true;
};

[[nodiscard]] bool LoadBook(const std::string& p_sPath, CBook& p_oBook)
{
    std::ifstream oIn(p_sPath, std::ios::binary);
    std::string sLine;
    if (!oIn || !std::getline(oIn, sLine))
        return false;
    auto fnChomp = [](std::string& s) {
        if (!s.empty() && s.back() == '\r')
            s.pop_back();
    };
    fnChomp(sLine);
    if (sLine != "BREVOLT WORKBOOK 1")
        return false;
    while (std::getline(oIn, sLine))
    {
        fnChomp(sLine);
        if (sLine.compare(0, 6, "SHEET ") == 0)
        {
            p_oBook.m_vSheets.push_back({sLine.substr(6), {}});
            continue;
        }
        if (p_oBook.m_vSheets.empty())
            return false;
        std::vector<std::string> vCells;
        std::string sCell;
        std::istringstream oCells(sLine);
        while (std::getline(oCells, sCell, '\t'))
            vCells.push_back(sCell);
        p_oBook.m_vSheets.back().m_vRows.push_back(std::move(vCells));
    }
    return true;
}

std::string CsvCell(const std::string& p_sCell)
{
    const bool bQuote = p_sCell.find_first_of(",\"") != std::string::npos ||
                        (!p_sCell.empty() && (p_sCell.front() == ' ' || p_sCell.back() == ' '));
    if (!bQuote)
        return p_sCell;
    std::string s = "\"";
    for (char c : p_sCell)
        s += c == '"' ? std::string("\"\"") : std::string(1, c);
    return s + "\"";
}

[[nodiscard]] HRESULT Fail(EXCEPINFO* p_p_oException, const std::string& p_sText)
{
    if (p_p_oException != nullptr)
    {
        *p_p_oException = EXCEPINFO{};
        p_p_oException->bstrSource = Wide("Excel stand-in");
        p_p_oException->bstrDescription = Wide(p_sText);
        p_p_oException->scode = E_FAIL;
    }
    return DISP_E_EXCEPTION;
}

// A late-bound object: names map to indexes of its member table.
class CObject : public IDispatch
{
  public:
    CObject()
    {
        ++g_lObjects;
    }
    virtual ~CObject()
    {
        ObjectGone();
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (p_ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(p_riid, IID_IUnknown) || IsEqualIID(p_riid, IID_IDispatch))
        {
            *p_ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *p_ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(++m_lRefs);
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const long l = --m_lRefs;
        if (l == 0)
            delete this;
        return static_cast<ULONG>(l);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* p_puCount) override
    {
        *p_puCount = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* p_pNames, UINT p_uCount, LCID, DISPID* p_pIds) override
    {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < p_uCount; ++i)
        {
            p_pIds[i] = DISPID_UNKNOWN;
            const std::vector<std::wstring> vNames = Members();
            for (size_t j = 0; j < vNames.size(); ++j)
                if (i == 0 && lstrcmpiW(vNames[j].c_str(), p_pNames[i]) == 0)
                    p_pIds[i] = static_cast<DISPID>(j + 1);
            if (p_pIds[i] == DISPID_UNKNOWN)
                hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID p_id, REFIID, LCID, WORD p_wFlags, DISPPARAMS* p_pParams,
                                     VARIANT* p_pResult, EXCEPINFO* p_pException, UINT*) override
    {
        std::vector<VARIANT*> vArgs;
        if (p_pParams != nullptr)
            for (UINT i = p_pParams->cArgs; i > 0; --i)
                vArgs.push_back(&p_pParams->rgvarg[i - 1]);
        VARIANT vIgnored;
        VariantInit(&vIgnored);
        const HRESULT hr = TrapExceptions("CObject::Invoke", static_cast<HRESULT>(E_UNEXPECTED), [&] {
            return Call(static_cast<int>(p_id), (p_wFlags & DISPATCH_PROPERTYPUT) != 0, vArgs,
                        p_pResult != nullptr ? p_pResult : &vIgnored, p_pException);
        });
        VariantClear(&vIgnored);
        return hr;
    }

  protected:
    virtual std::vector<std::wstring> Members() const = 0;
    // p_iMember counts from 1 in Members() order; p_vArgs in their natural order.
    virtual HRESULT Call(int p_iMember, bool p_bPut, const std::vector<VARIANT*>& p_vArgs, VARIANT* p_pResult,
                         EXCEPINFO* p_pException) = 0;

    static void ReturnObject(VARIANT* p_pResult, IDispatch* p_p_oObject)
    {
        p_pResult->vt = VT_DISPATCH;
        p_pResult->pdispVal = p_p_oObject;
    }
    static void ReturnLong(VARIANT* p_pResult, long p_l)
    {
        p_pResult->vt = VT_I4;
        p_pResult->lVal = p_l;
    }
    [[nodiscard]] static bool ArgText(const std::vector<VARIANT*>& p_vArgs, size_t p_n, std::string& p_s)
    {
        VARIANT v;
        VariantInit(&v);
        if (p_n >= p_vArgs.size() || FAILED(VariantChangeType(&v, p_vArgs[p_n], 0, VT_BSTR)))
            return false;
        p_s = Narrow(v.bstrVal);
        VariantClear(&v);
        return true;
    }
    [[nodiscard]] static bool ArgLong(const std::vector<VARIANT*>& p_vArgs, size_t p_n, long& p_l)
    {
        VARIANT v;
        VariantInit(&v);
        if (p_n >= p_vArgs.size() || FAILED(VariantChangeType(&v, p_vArgs[p_n], 0, VT_I4)))
            return false;
        p_l = v.lVal;
        return true;
    }

  private:
    std::atomic<long> m_lRefs{1};
};

class CWorksheet : public CObject
{
  public:
    CWorksheet(std::shared_ptr<CBook> p_oBook, size_t p_nIndex) : m_oBook(std::move(p_oBook)), m_nIndex(p_nIndex)
    {
    }

  protected:
    std::vector<std::wstring> Members() const override
    {
        return {L"Name", L"SaveAs"};
    }
    HRESULT Call(int p_iMember, bool, const std::vector<VARIANT*>& p_vArgs, VARIANT* p_pResult,
                 EXCEPINFO* p_pException) override
    {
        const CSheet& oSheet = m_oBook->m_vSheets[m_nIndex];
        if (p_iMember == 1)
        {
            p_pResult->vt = VT_BSTR;
            p_pResult->bstrVal = Wide(oSheet.m_sName);
            return S_OK;
        }
        std::string sPath;
        long lFormat = 0;
        if (!ArgText(p_vArgs, 0, sPath))
            return Fail(p_pException, "SaveAs needs a file name");
        if (!ArgLong(p_vArgs, 1, lFormat) || lFormat != 6)
            return Fail(p_pException, "only the comma-separated format (6) can be saved");
        std::ofstream oOut(sPath, std::ios::binary | std::ios::trunc);
        for (const auto& vRow : oSheet.m_vRows)
        {
            for (size_t i = 0; i < vRow.size(); ++i)
                oOut << (i == 0 ? "" : ",") << CsvCell(vRow[i]);
            oOut << "\r\n";
        }
        if (!oOut)
            return Fail(p_pException, "cannot write '" + sPath + "'");
        m_oBook->m_bSaved = false;
        return S_OK;
    }

  private:
    std::shared_ptr<CBook> m_oBook;
    size_t m_nIndex;
};

class CWorksheets : public CObject
{
  public:
    explicit CWorksheets(std::shared_ptr<CBook> p_oBook) : m_oBook(std::move(p_oBook))
    {
    }

  protected:
    std::vector<std::wstring> Members() const override
    {
        return {L"Count", L"Item"};
    }
    HRESULT Call(int p_iMember, bool, const std::vector<VARIANT*>& p_vArgs, VARIANT* p_pResult,
                 EXCEPINFO* p_pException) override
    {
        if (p_iMember == 1)
        {
            ReturnLong(p_pResult, static_cast<long>(m_oBook->m_vSheets.size()));
            return S_OK;
        }
        long lIndex = 0;
        if (!p_vArgs.empty() && p_vArgs[0]->vt == VT_BSTR)
        {
            const std::string sName = Narrow(p_vArgs[0]->bstrVal);
            for (size_t i = 0; i < m_oBook->m_vSheets.size(); ++i)
                if (m_oBook->m_vSheets[i].m_sName == sName)
                    lIndex = static_cast<long>(i + 1);
        }
        else if (!ArgLong(p_vArgs, 0, lIndex))
            return Fail(p_pException, "Item needs an index");
        if (lIndex < 1 || static_cast<size_t>(lIndex) > m_oBook->m_vSheets.size())
            return Fail(p_pException, "no such worksheet");
        ReturnObject(p_pResult, new CWorksheet(m_oBook, static_cast<size_t>(lIndex - 1)));
        return S_OK;
    }

  private:
    std::shared_ptr<CBook> m_oBook;
};

class CWorkbook : public CObject
{
  public:
    explicit CWorkbook(std::shared_ptr<CBook> p_oBook) : m_oBook(std::move(p_oBook))
    {
    }

  protected:
    std::vector<std::wstring> Members() const override
    {
        return {L"Worksheets", L"Sheets", L"Saved", L"Close"};
    }
    HRESULT Call(int p_iMember, bool p_bPut, const std::vector<VARIANT*>& p_vArgs, VARIANT* p_pResult,
                 EXCEPINFO*) override
    {
        switch (p_iMember)
        {
        case 1:
        case 2:
            ReturnObject(p_pResult, new CWorksheets(m_oBook));
            return S_OK;
        case 3:
            if (p_bPut)
            {
                long l = 0;
                if (!ArgLong(p_vArgs, 0, l))
                    return DISP_E_TYPEMISMATCH;
                m_oBook->m_bSaved = l != 0;
            }
            else
            {
                p_pResult->vt = VT_BOOL;
                p_pResult->boolVal = m_oBook->m_bSaved ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        default:
            return S_OK;
        }
    }

  private:
    std::shared_ptr<CBook> m_oBook;
};

class CWorkbooks : public CObject
{
  protected:
    std::vector<std::wstring> Members() const override
    {
        return {L"Open", L"Count"};
    }
    HRESULT Call(int p_iMember, bool, const std::vector<VARIANT*>& p_vArgs, VARIANT* p_pResult,
                 EXCEPINFO* p_pException) override
    {
        if (p_iMember == 2)
        {
            ReturnLong(p_pResult, m_lOpened);
            return S_OK;
        }
        std::string sPath;
        if (!ArgText(p_vArgs, 0, sPath))
            return Fail(p_pException, "Open needs a file name");
        auto oBook = std::make_shared<CBook>();
        if (!LoadBook(sPath, *oBook))
            return Fail(p_pException, "'" + sPath + "' is not a workbook that can be opened");
        ++m_lOpened;
        ReturnObject(p_pResult, new CWorkbook(oBook));
        return S_OK;
    }

  private:
    long m_lOpened = 0;
};

class CApplication : public CObject
{
  protected:
    std::vector<std::wstring> Members() const override
    {
        return {L"Workbooks", L"Quit", L"DisplayAlerts", L"Visible"};
    }
    HRESULT Call(int p_iMember, bool p_bPut, const std::vector<VARIANT*>&, VARIANT* p_pResult, EXCEPINFO*) override
    {
        switch (p_iMember)
        {
        case 1:
            ReturnObject(p_pResult, new CWorkbooks());
            return S_OK;
        case 3:
        case 4:
            if (!p_bPut)
            {
                p_pResult->vt = VT_BOOL;
                p_pResult->boolVal = p_iMember == 3 ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        default:
            return S_OK;
        }
    }
};

class CFactory : public IClassFactory
{
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (IsEqualIID(p_riid, IID_IUnknown) || IsEqualIID(p_riid, IID_IClassFactory))
        {
            *p_ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *p_ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* p_pOuter, REFIID p_riid, void** p_ppv) override
    {
        if (p_pOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        com_ptr<IDispatch> oApplication;
        oApplication.attach(new CApplication());
        return oApplication->QueryInterface(p_riid, p_ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL p_bLock) override
    {
        if (p_bLock)
            ++g_lLocks;
        else if (--g_lLocks == 0 && g_lObjects == 0)
            PostThreadMessageA(g_dwMainThread, WM_QUIT, 0, 0);
        return S_OK;
    }
};

[[nodiscard]] bool SetKeyText(const std::string& p_sKey, const char* p_szName, const std::string& p_sValue)
{
    unique_hkey hKey;
    if (LOG_IF_WIN32_ERROR(RegCreateKeyExA(HKEY_LOCAL_MACHINE, p_sKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                           hKey.put(), nullptr)) != ERROR_SUCCESS)
        return false;
    return LOG_IF_WIN32_ERROR(RegSetValueExA(hKey.get(), p_szName, 0, REG_SZ,
                                             reinterpret_cast<const BYTE*>(p_sValue.c_str()),
                                             static_cast<DWORD>(p_sValue.size() + 1))) == ERROR_SUCCESS;
}

int Register(bool p_bRegister)
{
    const std::string sClasses = "Software\\Classes\\";
    const std::string sClsidKey = sClasses + "CLSID\\" + kClsidText;
    if (!p_bRegister)
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (sClasses + kProgId).c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, sClsidKey.c_str());
        return 0;
    }
    char szExe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szExe, MAX_PATH);
    const bool bDone = SetKeyText(sClasses + kProgId, nullptr, "Excel stand-in") &&
                       SetKeyText(sClasses + kProgId + "\\CLSID", nullptr, kClsidText) &&
                       SetKeyText(sClsidKey, nullptr, "Excel stand-in") &&
                       SetKeyText(sClsidKey + "\\ProgID", nullptr, kProgId) &&
                       SetKeyText(sClsidKey + "\\LocalServer32", nullptr, std::string("\"") + szExe + "\"");
    return bDone ? 0 : 1;
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR p_szCommandLine, int)
{
    const std::string sCommand = p_szCommandLine != nullptr ? p_szCommandLine : "";
    if (sCommand.find("RegServer") != std::string::npos && sCommand.find("Unreg") == std::string::npos)
        return Register(true);
    if (sCommand.find("UnregServer") != std::string::npos)
        return Register(false);
    if (sCommand.find("Embedding") == std::string::npos && sCommand.find("Automation") == std::string::npos)
        return 2;
    g_dwMainThread = GetCurrentThreadId();
    if (FAILED(LOG_IF_FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))))
        return 1;
    static CFactory s_oFactory;
    DWORD dwCookie = 0;
    if (FAILED(LOG_IF_FAILED(
            CoRegisterClassObject(kStandinClsid, &s_oFactory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &dwCookie))))
    {
        CoUninitialize();
        return 1;
    }
    MSG oMessage;
    while (GetMessageA(&oMessage, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&oMessage);
        DispatchMessageA(&oMessage);
    }
    LOG_IF_FAILED(CoRevokeClassObject(dwCookie));
    CoUninitialize();
    return 0;
}
