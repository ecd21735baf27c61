// standins/outlook/ol_class_object_win.h: the running client's application object offered as the class
// object of Outlook.Application, as the client does, so another process's CoCreateInstance reaches it.
#pragma once

#include "common/handle_win.h"

#include <oaidl.h>

namespace olstandin
{
// Outlook.Application's class identifier.
inline constexpr CLSID kClsidApplication = {
    0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class CApplicationClass
{
  public:
    CApplicationClass() = default;
    ~CApplicationClass()
    {
        Revoke();
    }
    CApplicationClass(const CApplicationClass&) = delete;
    CApplicationClass& operator=(const CApplicationClass&) = delete;

    [[nodiscard]] bool Register(IDispatch* p_pApplication);
    // Revokes the class object and cuts the connections of outside clients to the application.
    void Revoke();

  private:
    DWORD m_dwCookie = 0;
    com_ptr<IDispatch> m_p_oApplication;
};
} // namespace olstandin
