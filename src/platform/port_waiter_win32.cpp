#include "platform/port_waiter.h"

#include "platform/windows_api.h"

#include <algorithm>

namespace tavrin::platform {

// A serial handle cannot be waited on for "bytes waiting" without an overlapped read of its
// own: the wait is a short sleep, and the caller looks at every port after it.
void waitForPorts(std::span<Port* const>, std::chrono::milliseconds timeout) {
    constexpr std::chrono::milliseconds kLongestNap{2};
    Sleep(static_cast<DWORD>(std::min(timeout, kLongestNap).count()));
}

}  // namespace tavrin::platform
