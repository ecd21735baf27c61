// tests/win/ccmobile/penhold_probe.cpp: a program that is neither Word nor Outlook: it loads the
// library named on its command line and ends with 1 when the library stayed loaded, 0 when not.
#include <windows.h>

int main(int p_iArgs, char** p_aszArgs)
{
    if (p_iArgs < 2)
        return 2;
    HMODULE hLibrary = LoadLibraryA(p_aszArgs[1]);
    return hLibrary != nullptr ? 1 : 0;
}
