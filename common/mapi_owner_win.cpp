// common/mapi_owner_win.cpp: the process's record of the MAPI library's free functions.
#include "common/mapi_owner_win.h"

CMapiFreeFunctions& MapiFreeFunctions()
{
    static CMapiFreeFunctions s_oFunctions;
    return s_oFunctions;
}
