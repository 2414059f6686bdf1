#include "sim/pty_pair.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace tavrin::sim {

namespace {

void makeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return;
    cfmakeraw(&tio);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    (void)tcsetattr(fd, TCSANOW, &tio);
}

}  // namespace

PtyPair::PtyPair() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        error_ = errno;
        return;
    }
    const char* name = (grantpt(master) == 0 && unlockpt(master) == 0) ? ptsname(master) : nullptr;
    const int terminal = name ? ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (terminal < 0) {
        error_ = errno;
        ::close(master);
        return;
    }
    (void)fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    // The terminal side starts raw too: a CR must not turn into a line feed before the
    // program has opened the port and set its own mode.
    makeRaw(terminal);
    makeRaw(master);
    master_ = master;
    terminal_ = terminal;
    path_ = name;
}

PtyPair::~PtyPair() { close(); }

PtyPair::PtyPair(PtyPair&& other) noexcept
    : master_(std::exchange(other.master_, -1)),
      terminal_(std::exchange(other.terminal_, -1)),
      error_(other.error_),
      path_(std::move(other.path_)) {}

PtyPair& PtyPair::operator=(PtyPair&& other) noexcept {
    if (this != &other) {
        close();
        master_ = std::exchange(other.master_, -1);
        terminal_ = std::exchange(other.terminal_, -1);
        error_ = other.error_;
        path_ = std::move(other.path_);
    }
    return *this;
}

void PtyPair::close() {
    if (master_ >= 0) ::close(master_);
    if (terminal_ >= 0) ::close(terminal_);
    master_ = terminal_ = -1;
}

}  // namespace tavrin::sim
