#include "platform/interrupts.h"

#include <signal.h>

#include <csignal>
#include <initializer_list>

namespace tavrin::platform {

namespace {

volatile std::sig_atomic_t gSignal = 0;

extern "C" void noteSignal(int signal) {
    if (gSignal == 0) gSignal = signal;
}

}  // namespace

void catchInterrupts() {
    for (int s : {SIGINT, SIGTERM}) {
        struct sigaction action {};
        action.sa_handler = noteSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: the signal ends poll() with EINTR
        sigaction(s, &action, nullptr);
    }
}

int interruptSignal() { return gSignal; }

}  // namespace tavrin::platform
