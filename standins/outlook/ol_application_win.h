// standins/outlook/ol_application_win.h: the application object IOutlookExtCallback::GetObject
// gives. This slice answers only its version by late binding; the rest of the object model follows.
#pragma once

#include "common/handle_win.h"

#include <oaidl.h>

#include <string>

namespace olstandin
{
inline constexpr DISPID kDispidVersion = 0x0116;

[[nodiscard]] com_ptr<IDispatch> CreateApplication(const std::string& p_sVersion);
} // namespace olstandin
