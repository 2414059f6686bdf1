#include "sim/trace.h"

#include <cstdio>

namespace tavrin::sim {

std::string traceLine(std::chrono::milliseconds sinceStart, Direction direction, std::string_view bytes) {
    const long long ms = sinceStart.count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%5lld.%03lld ", ms / 1000, ms % 1000);
    return stamp + std::string(direction == Direction::FromProgram ? "prog> " : " sim> ") + readable(bytes);
}

}  // namespace tavrin::sim
