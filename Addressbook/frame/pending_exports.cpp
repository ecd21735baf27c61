// Addressbook/frame/pending_exports.cpp: exports whose subsystems join the library later. Each
// answers with its failure value and says so in the trace log, so a host that binds every export
// by name keeps working.
#include "Addressbook/frame/exports.h"
#include "common/boundary.h"

extern "C"
{
    // The recommend-to-friends mailer is not part of the product; hosts still bind both names.
    int CORVANE_API RecommendToFriends(HWND)
    {
        return TrapExceptions("RecommendToFriends", 0, []() { return 0; });
    }

    int CORVANE_API StartVMIfNecessary(HWND)
    {
        return TrapExceptions("StartVMIfNecessary", 0, []() { return 0; });
    }
}
