// tests/win/corvane/test_penhold.cpp: a stand-in for the Word hook library. Whether Corvane loaded
// it is all the tests look at; the entry points do nothing.
#include <windows.h>

extern "C"
{
    BOOL WINAPI SetGlobalWordHook()
    {
        return TRUE;
    }
    BOOL WINAPI UnsetGlobalWordHook()
    {
        return TRUE;
    }
    BOOL WINAPI UnSubclassAllCompositionWindows()
    {
        return TRUE;
    }
}
