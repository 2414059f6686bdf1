#pragma once

namespace tavrin::platform {

// Ctrl+C and the request to end (SIGINT and SIGTERM on POSIX; Ctrl+C, Ctrl+Break and closing
// the console on Windows) are noted instead of ending the process, so that a program can end
// its work cleanly. On POSIX the signal also ends a wait in progress (waitForPorts) early; a
// signal that comes just before a wait is seen after it, so the caller keeps its waits short.
void catchInterrupts();

// The signal number of the first request to end (2 for Ctrl+C, 15 for SIGTERM), or 0.
int interruptSignal();

}  // namespace tavrin::platform
