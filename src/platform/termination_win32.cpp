#include "platform/termination.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>

namespace tavrin::platform {

namespace {

std::atomic<bool> gRequested{false};

BOOL WINAPI onConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    gRequested = true;
    return TRUE;
}

}  // namespace

TerminationRequest::TerminationRequest() { SetConsoleCtrlHandler(onConsoleControl, TRUE); }

TerminationRequest::~TerminationRequest() {
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    gRequested = false;
}

int TerminationRequest::handle() const { return -1; }

bool TerminationRequest::requested() const { return gRequested; }

}  // namespace tavrin::platform
