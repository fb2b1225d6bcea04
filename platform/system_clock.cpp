#include "platform/system_clock.hpp"

#include <time.h>

namespace ywf {

int SystemClock::currentSecond() {
    const time_t now = ::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    return local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second counts as 59
}

std::uint32_t SystemClock::tickCount() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint32_t>(ts.tv_sec * 1000ull + ts.tv_nsec / 1000000ull);
}

}  // namespace ywf
