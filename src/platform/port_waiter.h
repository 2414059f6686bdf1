#pragma once

#include <chrono>
#include <span>

#include "platform/port.h"

namespace tavrin::platform {

// Waits, on the one thread, until one of the ports has bytes to read or the time-out has
// passed: the one blocking call of a program that serves many ports at once.
void waitForPorts(std::span<Port* const> ports, std::chrono::milliseconds timeout);

}  // namespace tavrin::platform
