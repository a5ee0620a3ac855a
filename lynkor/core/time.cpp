#include "lynkor/aTime.h"

#include <time.h>

#include <chrono>
#include <thread>

extern "C" {

uint32_t aTime_GetMSTicks(void) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t milliseconds =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(milliseconds);
}

aErr aTime_MSSleep(uint32_t milliseconds) {
    if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    return aErrNone;
}
}
