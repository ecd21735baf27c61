// common/error_presenter_posix.cpp: natively reported errors go to the trace log only.
#include "common/error_slot.h"

ErrorPresenter DefaultErrorPresenter()
{
    return nullptr;
}
