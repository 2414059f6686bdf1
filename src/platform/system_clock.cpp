#include <ctime>

#include "platform/clock.h"

namespace tavrin::platform {

TimeOfDay SystemClock::now() const {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return {local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace tavrin::platform
