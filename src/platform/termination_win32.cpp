#include "platform/termination.h"

#include "platform/windows_api.h"

#include <atomic>
#include <csignal>

namespace tavrin::platform {

namespace {

std::atomic<int> gSignal{0};

// Runs on a thread of the system's own; it only notes the request, which the program's one
// thread sees after its next wait.
BOOL WINAPI onConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    int none = 0;
    gSignal.compare_exchange_strong(none, event == CTRL_C_EVENT ? SIGINT : SIGTERM);
    return TRUE;
}

}  // namespace

TerminationRequest::TerminationRequest() { SetConsoleCtrlHandler(onConsoleControl, TRUE); }

TerminationRequest::~TerminationRequest() {
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    gSignal = 0;
}

int TerminationRequest::handle() const { return -1; }

int TerminationRequest::signal() const { return gSignal; }

}  // namespace tavrin::platform
