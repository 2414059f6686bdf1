#include "platform/port_waiter.h"

#include <poll.h>

#include <cerrno>
#include <vector>

namespace tavrin::platform {

void waitForPorts(std::span<Port* const> ports, std::chrono::milliseconds timeout) {
    std::vector<pollfd> handles;
    for (const Port* port : ports)
        if (port->waitHandle() >= 0) handles.push_back({port->waitHandle(), POLLIN, 0});
    const int r = ::poll(handles.data(), handles.size(), static_cast<int>(timeout.count()));
    (void)r;  // EINTR (a signal) ends the wait early, as bytes would
}

}  // namespace tavrin::platform
