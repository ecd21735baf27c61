// tests/unit/smtp/smtp_test_support.cpp: the presenter catcher, on every platform.
#include "tests/unit/smtp/smtp_test_support.h"

#include "common/error_slot.h"

std::vector<std::pair<std::string, std::string>> CPresentedErrors::s_vShown;

namespace
{
ErrorPresenter g_pfnSaved = nullptr;

void Catch(const std::string& p_sCaption, const std::string& p_sText)
{
    CPresentedErrors::s_vShown.emplace_back(p_sCaption, p_sText);
}
} // namespace

CPresentedErrors::CPresentedErrors()
{
    s_vShown.clear();
    g_pfnSaved = GetErrorPresenter();
    SetErrorPresenter(Catch);
}

CPresentedErrors::~CPresentedErrors()
{
    SetErrorPresenter(g_pfnSaved);
}
