#pragma once

// The network library's event loop, shared by every network port of the process: one set of
// os functions (no threads of their own, no signal handlers), pumped from the program's one
// thread. Made for the first network port and kept until the process ends: the library ties
// state of its own to the first os functions and cannot start over once they are freed.
// Used only inside the platform library.

#include <chrono>
#include <span>

struct gensio;
struct gensio_os_funcs;

namespace tavrin::platform {

class GensioLoop {
public:
    // The loop, made on first use.
    static GensioLoop& instance();
    // The loop once a network port has made it, else nothing.
    static GensioLoop* existing();

    GensioLoop(const GensioLoop&) = delete;
    GensioLoop& operator=(const GensioLoop&) = delete;

    gensio_os_funcs* os() const { return os_; }

    // Runs the work that is ready now (callbacks of every connection); never waits.
    void pump();
    // Waits until a connection or a timer of the library has work, one of the descriptors is
    // readable, or the time-out has passed; then runs what is ready.
    void wait(std::span<const int> descriptors, std::chrono::milliseconds timeout);

    // Closes a connection for good: no callback reaches its owner any more, and the library's
    // object is freed once the close is done.
    void dispose(gensio* io);

private:
    struct Watch;
    GensioLoop();
    void pumpUntilCleared();

    gensio_os_funcs* os_ = nullptr;
    int watching_ = 0;  // descriptors whose handlers have not been cleared yet
};

}  // namespace tavrin::platform
