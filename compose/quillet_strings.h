// compose/quillet_strings.h: Quillet's string table for its code; its ids are named in compose/res/string_ids.h.
#pragma once

#include "common/error_slot.h"
#include "compose/res/string_ids.h"

const CStringTable& QuilletStrings();
std::string QuilletText(unsigned p_uId, ...);
