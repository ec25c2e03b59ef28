// The calendar clock, in whole seconds since 1970-01-01 UTC, and a short wait for it to move on.
#pragma once

#include <cstdint>

namespace hdmi::platform {

int64_t CalendarSeconds();
void SleepMilliseconds(int milliseconds);
int64_t MonotonicMilliseconds();

}  // namespace hdmi::platform
