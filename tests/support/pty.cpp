#include "support/pty.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

namespace tavrin::test {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// One read of what is there, waiting at most until the deadline for the first byte.
// Empty on time-out or hang-up.
std::string readSome(int fd, std::size_t max, Clock::time_point deadline) {
    pollfd p{fd, POLLIN, 0};
    int r = 0;
    do r = ::poll(&p, 1, millisecondsUntil(deadline));
    while (r < 0 && errno == EINTR);
    if (r <= 0 || (p.revents & POLLIN) == 0) return {};
    std::string chunk(max, '\0');
    const ssize_t n = ::read(fd, chunk.data(), max);
    chunk.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return chunk;
}

}  // namespace

bool PseudoTerminal::write(std::string_view bytes) {
    if (pair_.master() < 0) return false;
    const auto deadline = Clock::now() + milliseconds{2000};
    while (!bytes.empty()) {
        const ssize_t n = ::write(pair_.master(), bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR) && Clock::now() < deadline) {
            std::this_thread::sleep_for(milliseconds{1});
        } else {
            return false;
        }
    }
    return true;
}

std::string PseudoTerminal::read(std::size_t count, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::string got;
    while (pair_.master() >= 0 && got.size() < count) {
        const std::string chunk = readSome(pair_.master(), count - got.size(), deadline);
        if (chunk.empty()) break;
        got += chunk;
    }
    return got;
}

std::string PseudoTerminal::readUntil(std::string_view terminator, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::string got;
    while (pair_.master() >= 0 && got.find(terminator) == std::string::npos) {
        const std::string chunk = readSome(pair_.master(), 1, deadline);
        if (chunk.empty()) break;
        got += chunk;
    }
    return got;
}

std::string PseudoTerminal::drain(milliseconds quiet) {
    std::string got;
    while (pair_.master() >= 0) {
        const std::string chunk = readSome(pair_.master(), 4096, Clock::now() + quiet);
        if (chunk.empty()) break;
        got += chunk;
    }
    return got;
}

std::size_t PseudoTerminal::fillUntilWritesBlock(char filler) {
    if (pair_.terminal() < 0) return 0;
    const std::string block(256, filler);
    std::size_t filled = 0;
    // The pair moves bytes on to the master side in the background: only a buffer that
    // stays full for a while is really full.
    for (int idleRounds = 0; idleRounds < 3;) {
        const ssize_t n = ::write(pair_.terminal(), block.data(), block.size());
        if (n > 0) {
            filled += static_cast<std::size_t>(n);
            idleRounds = 0;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            ++idleRounds;
            std::this_thread::sleep_for(milliseconds{20});
        } else {
            break;
        }
    }
    return filled;
}

void PseudoTerminal::hangUp() { pair_.close(); }

ScopedComPort::ScopedComPort(int portNumber, const std::string& path)
    : name_("TAVRIN_COM" + std::to_string(portNumber)) {
    if (const char* old = std::getenv(name_.c_str())) previous_ = old;
    setenv(name_.c_str(), path.c_str(), 1);
}

ScopedComPort::~ScopedComPort() {
    if (previous_)
        setenv(name_.c_str(), previous_->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

}  // namespace tavrin::test
