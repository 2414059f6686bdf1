#include "platform/gensio_loop.h"

#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <memory>
#include <string>
#include <vector>

namespace tavrin::platform {

namespace {

// Bounded, so that a peer that floods the program cannot keep the window from its other work.
constexpr int kBatchesPerPump = 64;
// Clearing a descriptor's handlers finishes in a later batch of work, normally the next one.
constexpr int kBatchesToClear = 1000;

bool gLoopMade = false;

// The library's own complaints (never the normal course of a connection) go to standard error.
void logToStandardError(gensio_os_funcs*, gensio_log_levels level, const char* format, va_list args) {
    if (level != GENSIO_LOG_FATAL && level != GENSIO_LOG_ERR) return;
    std::fprintf(stderr, "network: ");
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
}

gensio_time toGensioTime(std::chrono::milliseconds timeout) {
    if (timeout.count() < 0) timeout = {};
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    const auto rest = std::chrono::duration_cast<std::chrono::nanoseconds>(timeout - seconds);
    return {seconds.count(), static_cast<std::int32_t>(rest.count())};
}

}  // namespace

struct GensioLoop::Watch {
    GensioLoop* loop;
    gensio_iod* iod = nullptr;
};

// The os functions are never freed, see the header.
GensioLoop& GensioLoop::instance() {
    static GensioLoop loop;
    gLoopMade = true;
    return loop;
}

GensioLoop* GensioLoop::existing() { return gLoopMade ? &instance() : nullptr; }

GensioLoop::GensioLoop() {
    // No wake-up signal: the loop is only ever run from this one thread.
    if (const int error = gensio_default_os_hnd(0, &os_); error != 0)
        throw std::runtime_error(std::string("network library: ") + gensio_err_to_str(error));
    gensio_os_funcs_set_vlog(os_, logToStandardError);
    // The library writes to its sockets without MSG_NOSIGNAL: a write to a connection the
    // peer has reset would end the program with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
}

void GensioLoop::pump() {
    for (int i = 0; i < kBatchesPerPump; ++i) {
        gensio_time none{0, 0};
        if (gensio_os_funcs_service(os_, &none) != 0) return;  // nothing was ready
    }
}

// The descriptors are watched only for the length of this one wait: a port may close its
// descriptor, and the next one may get the same number, before the next wait.
void GensioLoop::wait(std::span<const int> descriptors, std::chrono::milliseconds timeout) {
    std::vector<Watch*> watches;
    for (const int fd : descriptors) {
        auto watch = std::make_unique<Watch>(Watch{this});
        if (os_->add_iod(os_, GENSIO_IOD_DEV, fd, &watch->iod) != 0) continue;  // leaves the fd as it is
        const int error = os_->set_fd_handlers(
            watch->iod, watch.get(),
            [](gensio_iod* iod, void* data) {
                // Readable: the wait is over. The handler is level-triggered: switched off here,
                // or it would go off again and again.
                static_cast<Watch*>(data)->loop->os_->set_read_handler(iod, false);
            },
            nullptr, nullptr,
            [](gensio_iod*, void* data) {
                std::unique_ptr<Watch> done(static_cast<Watch*>(data));
                done->loop->os_->release_iod(done->iod);  // the descriptor stays open
                --done->loop->watching_;
            });
        if (error != 0) {
            os_->release_iod(watch->iod);
            continue;
        }
        os_->set_read_handler(watch->iod, true);
        ++watching_;
        watches.push_back(watch.release());  // the cleared handler frees it
    }
    gensio_time time = toGensioTime(timeout);
    if (gensio_os_funcs_service(os_, &time) == 0) pump();
    for (Watch* watch : watches) {
        os_->set_read_handler(watch->iod, false);
        os_->clear_fd_handlers(watch->iod);
    }
    pumpUntilCleared();
}

void GensioLoop::pumpUntilCleared() {
    for (int i = 0; i < kBatchesToClear && watching_ > 0; ++i) {
        gensio_time none{0, 0};
        (void)gensio_os_funcs_service(os_, &none);
    }
}

void GensioLoop::dispose(gensio* io) {
    gensio_set_user_data(io, nullptr);  // late callbacks (open done, reads, line settings) find no owner
    const auto closed = [](gensio* done, void*) { gensio_free(done); };
    if (gensio_close(io, closed, nullptr) != 0) gensio_free(io);  // never opened, or closed by the peer
}

}  // namespace tavrin::platform
