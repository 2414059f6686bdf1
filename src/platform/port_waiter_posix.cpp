#include "platform/port_waiter.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/gensio_loop.h"

namespace tavrin::platform {

// Bytes a port already holds (a network port keeps what its connection delivered) end the
// wait at once. Once the program has network ports the wait is the network library's, with
// the serial ports' descriptors watched by it too: one blocking call for every kind of port.
// Before that it is a plain poll().
void waitForPorts(std::span<Port* const> ports, std::chrono::milliseconds timeout) {
    std::vector<int> descriptors;
    for (Port* port : ports) {
        if (port->bytesWaiting() > 0) return;
        const int fd = port->waitHandle();
        if (fd >= 0 && std::find(descriptors.begin(), descriptors.end(), fd) == descriptors.end())
            descriptors.push_back(fd);
    }
    if (GensioLoop* loop = GensioLoop::existing()) {
        loop->wait(descriptors, timeout);
        return;
    }
    std::vector<pollfd> handles;
    for (const int fd : descriptors) handles.push_back({fd, POLLIN, 0});
    const int r = ::poll(handles.data(), handles.size(), static_cast<int>(timeout.count()));
    (void)r;  // EINTR (a signal) ends the wait early, as bytes would
}

}  // namespace tavrin::platform
