// compose/quillet_strings.h: Quillet's string table for its code, and the ids it raises.
#pragma once

#include "common/error_slot.h"

const CStringTable& QuilletStrings();
std::string QuilletText(unsigned p_uId, ...);

constexpr unsigned kQMsgFunctionNotFound = 214;  // "Failed to find function %s"
constexpr unsigned kQMsgNoLocation = 216;        // "Failed to get %s location."
constexpr unsigned kQMsgApiError = 217;          // "Calling API function '%s' resulted in error #%ld ..."
constexpr unsigned kQMsgCallError = 218;         // "Calling function '%s' resulted in error 0x%x ..."
constexpr unsigned kQMsgLoadFailed = 221;        // "Failed to load '%s' with error code %d."
constexpr unsigned kQMsgMarshalSession = 222;    // "Error trying to marshall MAPI session: 0x%x."
constexpr unsigned kQMsgMarshalDispatch = 223;   // "Error trying to marshall Dispatch: 0x%x."
constexpr unsigned kQMsgConstructionCaption = 224; // "IQuillet Construction Failed"
constexpr unsigned kQMsgNoSession = 225;         // "Cannot get MAPI session from marshalled IUnknown"
constexpr unsigned kQMsgNoDispatch = 226;        // "Cannot get IDispatch from marshalled IUnknown"
constexpr unsigned kQMsgFunctionFailed = 228;    // "Function '%s' failed in '%s'."
