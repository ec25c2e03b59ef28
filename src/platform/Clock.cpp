// The clock through the standard library, which has it on every platform we build for.
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/Clock.h"

namespace hdmi::platform {

int64_t CalendarSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

void SleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int64_t MonotonicMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace hdmi::platform
