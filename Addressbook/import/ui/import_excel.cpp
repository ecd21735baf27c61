// Addressbook/import/ui/import_excel.cpp: workbooks read by driving Excel through automation: the
// workbook is opened, its worksheet names listed, the chosen one saved as comma-separated text to
// a temporary file and that file imported like any delimited text file.
#include "Addressbook/import/ui/import_wizard.h"

#include "Addressbook/import/import_messages.h"
#include "Addressbook/import/import_reader.h"
#include "Addressbook/ui/message_box.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "common/trace_log.h"

#include <oleauto.h>

#include <initializer_list>

namespace
{
constexpr long kCsvFileFormat = 6; // xlCSV
constexpr size_t kPreviewLines = 10;

// A VARIANT that clears itself.
struct CVariant : VARIANT
{
    CVariant()
    {
        VariantInit(this);
    }
    ~CVariant()
    {
        VariantClear(this);
    }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
};

// One automation failure, kept for the "Automation Error" box.
struct CAutomationError
{
    std::string m_sText;
};

std::string HResultText(HRESULT p_hr)
{
    char* p_szText = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(p_hr), 0, reinterpret_cast<char*>(&p_szText), 0, nullptr);
    std::string sText = p_szText != nullptr ? p_szText : "";
    if (p_szText != nullptr)
        LocalFree(p_szText);
    char szCode[32];
    wsprintfA(szCode, "0x%08lX", static_cast<unsigned long>(p_hr));
    return sText.empty() ? szCode : sText;
}

std::string Narrow(const wchar_t* p_wszText)
{
    return p_wszText != nullptr ? WideToAnsi(p_wszText) : std::string();
}

BSTR MakeBstr(const std::string& p_sText)
{
    return SysAllocString(AnsiToWide(p_sText).c_str());
}

// Calls a member by name. p_vArgs are given in their natural order; an exception on failure.
void Call(IDispatch* p_p_oObject, const wchar_t* p_wszName, WORD p_wFlags, std::initializer_list<VARIANT*> p_vArgs,
          VARIANT* p_p_vResult)
{
    if (p_p_oObject == nullptr)
        throw CAutomationError{"no object for " + Narrow(p_wszName)};
    DISPID dispid = 0;
    LPOLESTR wszName = const_cast<LPOLESTR>(p_wszName);
    HRESULT hr = p_p_oObject->GetIDsOfNames(IID_NULL, &wszName, 1, LOCALE_USER_DEFAULT, &dispid);
    if (FAILED(hr))
        throw CAutomationError{Narrow(p_wszName) + ": " + HResultText(hr)};
    std::vector<VARIANT> vArgs;
    for (auto it = p_vArgs.end(); it != p_vArgs.begin();)
        vArgs.push_back(**--it);
    DISPPARAMS oParams{vArgs.data(), nullptr, static_cast<UINT>(vArgs.size()), 0};
    DISPID dispidPut = DISPID_PROPERTYPUT;
    if ((p_wFlags & DISPATCH_PROPERTYPUT) != 0)
    {
        oParams.rgdispidNamedArgs = &dispidPut;
        oParams.cNamedArgs = 1;
    }
    EXCEPINFO oException{};
    hr = p_p_oObject->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, p_wFlags, &oParams, p_p_vResult, &oException,
                             nullptr);
    // The exception's strings are the caller's to free, whatever becomes of them.
    const unique_bstr source(oException.bstrSource);
    const unique_bstr description(oException.bstrDescription);
    const unique_bstr helpFile(oException.bstrHelpFile);
    if (FAILED(hr))
    {
        std::string sText = Narrow(p_wszName) + ": ";
        sText += description ? Narrow(description.get()) : HResultText(hr);
        throw CAutomationError{sText};
    }
}

com_ptr<IDispatch> GetObject(IDispatch* p_p_oObject, const wchar_t* p_wszName,
                             std::initializer_list<VARIANT*> p_vArgs = {})
{
    CVariant vResult;
    Call(p_p_oObject, p_wszName, DISPATCH_PROPERTYGET | DISPATCH_METHOD, p_vArgs, &vResult);
    if (vResult.vt != VT_DISPATCH || vResult.pdispVal == nullptr)
        throw CAutomationError{Narrow(p_wszName) + ": no object returned"};
    return com_ptr<IDispatch>::copy_from(vResult.pdispVal);
}

VARIANT LongArg(long p_lValue)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = p_lValue;
    return v;
}

// Excel for the length of one import; it quits when the import ends, however it ends.
class CExcelSession
{
  public:
    ~CExcelSession()
    {
        if (!m_sTempPath.empty())
            DeleteFileA(m_sTempPath.c_str());
        if (m_oApplication)
        {
            try
            {
                Call(m_oApplication.get(), L"Quit", DISPATCH_METHOD, {}, nullptr);
            }
            catch (const CAutomationError& oError)
            {
                LOG_FAILURE("Quit failed: %s", oError.m_sText.c_str());
            }
        }
    }

    [[nodiscard]] bool Start()
    {
        CLSID clsid;
        if (FAILED(CLSIDFromProgID(L"Excel.Application", &clsid)))
            return false;
        return SUCCEEDED(LOG_IF_FAILED(
            CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, m_oApplication.put_void())));
    }

    std::vector<std::string> Open(const std::string& p_sPath)
    {
        com_ptr<IDispatch> oWorkbooks = GetObject(m_oApplication.get(), L"Workbooks");
        CVariant vPath;
        vPath.vt = VT_BSTR;
        vPath.bstrVal = MakeBstr(p_sPath);
        m_oWorkbook = GetObject(oWorkbooks.get(), L"Open", {&vPath});
        m_oSheets = GetObject(m_oWorkbook.get(), L"Worksheets");
        CVariant vCount;
        Call(m_oSheets.get(), L"Count", DISPATCH_PROPERTYGET, {}, &vCount);
        if (FAILED(VariantChangeType(&vCount, &vCount, 0, VT_I4)))
            throw CAutomationError{"Count: not a number"};
        std::vector<std::string> vNames;
        for (long i = 1; i <= vCount.lVal; ++i)
        {
            VARIANT vIndex = LongArg(i);
            com_ptr<IDispatch> oSheet = GetObject(m_oSheets.get(), L"Item", {&vIndex});
            CVariant vName;
            Call(oSheet.get(), L"Name", DISPATCH_PROPERTYGET, {}, &vName);
            vNames.push_back(vName.vt == VT_BSTR ? Narrow(vName.bstrVal) : "Sheet" + std::to_string(i));
        }
        return vNames;
    }

    // Saves one worksheet (0-based) as comma-separated text; the path of the text.
    std::string SaveAsText(int p_iSheet)
    {
        if (m_sTempPath.empty())
        {
            char szDirectory[MAX_PATH] = {};
            char szFile[MAX_PATH] = {};
            if (GetTempPathA(MAX_PATH, szDirectory) == 0 || GetTempFileNameA(szDirectory, "imp", 0, szFile) == 0)
                throw CAutomationError{"no temporary file: " + HResultText(HRESULT_FROM_WIN32(GetLastError()))};
            m_sTempPath = szFile;
        }
        DeleteFileA(m_sTempPath.c_str());
        VARIANT vIndex = LongArg(p_iSheet + 1);
        com_ptr<IDispatch> oSheet = GetObject(m_oSheets.get(), L"Item", {&vIndex});
        CVariant vPath;
        vPath.vt = VT_BSTR;
        vPath.bstrVal = MakeBstr(m_sTempPath);
        VARIANT vFormat = LongArg(kCsvFileFormat);
        Call(oSheet.get(), L"SaveAs", DISPATCH_METHOD, {&vPath, &vFormat}, nullptr);
        // The workbook now believes it was changed; it was not, and Excel must not ask.
        VARIANT vSaved;
        VariantInit(&vSaved);
        vSaved.vt = VT_BOOL;
        vSaved.boolVal = VARIANT_TRUE;
        Call(m_oWorkbook.get(), L"Saved", DISPATCH_PROPERTYPUT, {&vSaved}, nullptr);
        return m_sTempPath;
    }

  private:
    com_ptr<IDispatch> m_oApplication;
    com_ptr<IDispatch> m_oWorkbook;
    com_ptr<IDispatch> m_oSheets;
    std::string m_sTempPath;
};

void ShowAutomationError(HWND p_hParent, const CAutomationError& p_oError)
{
    LOG_FAILURE("automation failed: %s", p_oError.m_sText.c_str());
    ShowMessage(p_hParent, kMsgAutomationError, p_oError.m_sText, MB_OK | MB_ICONWARNING);
}
} // namespace

RecipientPtr ImportWorkbookWithWizard(HWND p_hParent, const std::string& p_sPath)
{
    const HRESULT hrInit = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RecipientPtr oResult;
    {
        CExcelSession oExcel;
        if (!oExcel.Start())
            ShowWarning(p_hParent, kMsgAutomationError, kMsgNoExcel);
        else
        {
            try
            {
                std::vector<std::string> vSheets = oExcel.Open(p_sPath);
                if (vSheets.empty())
                    throw CAutomationError{"the workbook has no worksheet"};
                CImportWizard oWizard(p_sPath, {}, std::move(vSheets));
                oWizard.OnSheetChosen([&](int p_iSheet, std::string& p_sText, std::vector<std::string>& p_vPreview) {
                    try
                    {
                        p_sText = oExcel.SaveAsText(p_iSheet);
                        if (!ReadImportLines(p_sText, kPreviewLines, p_vPreview))
                            throw CAutomationError{"the saved worksheet cannot be read"};
                        return true;
                    }
                    catch (const CAutomationError& oError)
                    {
                        ShowAutomationError(p_hParent, oError);
                        return false;
                    }
                });
                if (oWizard.Run(p_hParent))
                    oResult = oWizard.TakeResult();
            }
            catch (const CAutomationError& oError)
            {
                ShowAutomationError(p_hParent, oError);
            }
        }
    }
    if (SUCCEEDED(hrInit))
        CoUninitialize();
    return oResult;
}
