// common/clock.h: the wall clock as the product reads it. Code that depends on the time of day
// takes a LocalClock, so that tests hand in a fixed one; production passes LocalTimeNow.
#pragma once

#include "common/platform.h"

#include <functional>

using LocalClock = std::function<CTraceTime()>;

// The local date and time now (GetLocalTime on Windows, localtime_r elsewhere).
CTraceTime LocalTimeNow();
