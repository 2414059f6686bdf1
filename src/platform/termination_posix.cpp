#include "platform/termination.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>

namespace tavrin::platform {

namespace {

int gPipe[2] = {-1, -1};
volatile std::sig_atomic_t gSignal = 0;
struct sigaction gBefore[2];
constexpr int kSignals[2] = {SIGINT, SIGTERM};

extern "C" void onTerminationSignal(int signal) {
    if (gSignal == 0) gSignal = signal;
    const char byte = 1;
    (void)!::write(gPipe[1], &byte, 1);  // async-signal-safe; a full pipe already says enough
}

}  // namespace

TerminationRequest::TerminationRequest() {
    if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    for (int i = 0; i < 2; ++i) {
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);  // and no SA_RESTART: the signal ends poll() with EINTR
        sigaction(kSignals[i], &action, &gBefore[i]);
    }
}

TerminationRequest::~TerminationRequest() {
    if (gPipe[0] < 0) return;
    for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &gBefore[i], nullptr);
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
    gSignal = 0;
}

int TerminationRequest::handle() const { return gPipe[0]; }

int TerminationRequest::signal() const { return gSignal; }

}  // namespace tavrin::platform
