#pragma once

#include "cli/command_line.h"
#include "cli/output.h"

namespace tavrin::cli {

// Runs the command on every port at once, from one thread: one wait over all the ports, after
// which each port's session takes what its port delivered. Returns the exit status, the
// highest of all ports.
int run(const Invocation& invocation, Output& output);

}  // namespace tavrin::cli
