#include "platform/interrupts.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <csignal>

namespace tavrin::platform {

namespace {

volatile LONG gSignal = 0;

// Runs on a thread of the system's own; it only notes the request, which the program's one
// thread sees after its next wait (at most a few milliseconds on Windows).
BOOL WINAPI noteControl(DWORD event) {
    const LONG signal = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    InterlockedCompareExchange(&gSignal, signal, 0);
    return TRUE;
}

}  // namespace

void catchInterrupts() { SetConsoleCtrlHandler(noteControl, TRUE); }

int interruptSignal() { return static_cast<int>(InterlockedCompareExchange(&gSignal, 0, 0)); }

}  // namespace tavrin::platform
