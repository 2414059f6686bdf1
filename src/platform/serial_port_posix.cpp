#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace tavrin::platform {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The write time-out: 10 ms per byte plus 1560 ms for the whole write.
constexpr milliseconds kWritePerByte{10};
constexpr milliseconds kWriteConstant{1560};
// How long one byte takes on the line at 9600 bit/s, 10 bits a byte, rounded up.
constexpr auto kByteTime = std::chrono::microseconds{1042};
constexpr milliseconds kLongestDrainNap{20};

OpenResult openFailure(int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
    // A serial device node without a port behind it (a ttyS with no UART) fails with EIO.
    case EIO: return {OpenError::NoSuchPort, error};
    case EBUSY:
    case EWOULDBLOCK: return {OpenError::Busy, error};
    case EACCES:
    case EPERM: return {OpenError::PermissionDenied, error};
    default: return {OpenError::Other, error};
    }
}

// 9600 bit/s, 8 data bits, no parity, one stop bit, raw, output held back while CTS is low.
// What termios cannot say: CRTSCTS is the RTS/CTS pair, so the driver also drops RTS when
// its input buffer fills, where the recorder's wiring wants output flow on CTS alone with
// RTS held on; and there is no DTR "handshake" (input flow control on DTR) at all. DTR and
// RTS are asserted once and left on. The results are not examined: a pseudo-terminal
// refuses some of these calls and is still a good port.
void configure(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
        tio.c_cflag |= CS8 | CLOCAL | CREAD | CRTSCTS;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        (void)tcsetattr(fd, TCSANOW, &tio);
    }
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIS, &lines);
    // A newly opened port starts empty: nothing the device sent before counts.
    (void)tcflush(fd, TCIOFLUSH);
}

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<milliseconds::rep>(left.count(), 0));
}

enum class Wait { Ready, TimedOut, HungUp };

Wait waitWritable(int fd, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, millisecondsUntil(deadline));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 || (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return Wait::HungUp;
        if (r == 0) return Wait::TimedOut;
        return Wait::Ready;
    }
}

// Bytes in the driver's output queue; a driver that cannot tell counts as empty.
std::size_t queuedBytes(int fd) {
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) return 0;
    return static_cast<std::size_t>(queued);
}

// Bytes still queued when the deadline passes; 0 once all have gone out.
std::size_t waitUntilSent(int fd, Clock::time_point deadline) {
    for (;;) {
        const std::size_t queued = queuedBytes(fd);
        if (queued == 0) return 0;
        const auto now = Clock::now();
        if (now >= deadline) return queued;
        const auto nap = std::min<Clock::duration>(
            {std::chrono::duration_cast<Clock::duration>(kByteTime * static_cast<long long>(queued)),
             std::chrono::duration_cast<Clock::duration>(kLongestDrainNap), deadline - now});
        (void)::poll(nullptr, 0, std::max(1, static_cast<int>(std::chrono::ceil<milliseconds>(nap).count())));
    }
}

}  // namespace

std::string devicePath(int portNumber) {
    const std::string variable = "TAVRIN_COM" + std::to_string(portNumber);
    if (const char* path = std::getenv(variable.c_str()); path != nullptr && *path != '\0') return path;
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

SerialPort::~SerialPort() { close(); }

bool SerialPort::isOpen() const { return fd_ >= 0; }

OpenResult SerialPort::open(int portNumber) {
    close();
    const std::string path = devicePath(portNumber);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return openFailure(errno);

    // Only a character device can be a serial port; anything else (a regular file named in
    // TAVRIN_COM<n> by mistake) would be written into.
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
        ::close(fd);
        return {OpenError::Other, ENOTTY};
    }
    // TIOCEXCL keeps other users out, but root passes it; the lock also catches a second
    // open by root and by this process.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return {OpenError::Busy, EWOULDBLOCK};
    }
    (void)ioctl(fd, TIOCEXCL);
    configure(fd);
    fd_ = fd;
    return {};
}

void SerialPort::close() {
    if (fd_ < 0) return;
    // Unsent output is dropped so that close never waits for a line held by CTS. The
    // exclusive flag stays on the device while someone else (a simulator) keeps it open,
    // so it is taken off before the last handle of ours goes.
    (void)tcflush(fd_, TCOFLUSH);
    (void)ioctl(fd_, TIOCNXCL);
    (void)flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

void SerialPort::purge() {
    if (fd_ >= 0) (void)tcflush(fd_, TCIOFLUSH);
}

std::size_t SerialPort::bytesWaiting() {
    if (fd_ < 0) return 0;
    int waiting = 0;
    if (ioctl(fd_, FIONREAD, &waiting) != 0 || waiting < 0) return 0;
    return static_cast<std::size_t>(waiting);
}

std::size_t SerialPort::readAvailable(std::span<std::uint8_t> dest) {
    const std::size_t wanted = std::min(bytesWaiting(), dest.size());
    if (wanted == 0) return 0;
    for (;;) {
        const ssize_t n = ::read(fd_, dest.data(), wanted);
        if (n < 0 && errno == EINTR) continue;
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

// One write of all the bytes within 10 ms a byte plus 1560 ms. The bytes count as written
// once they have left the driver's queue. Whatever is still unsent at the deadline, or when
// the device hangs up, is thrown away so that it never goes out later.
std::size_t SerialPort::write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) return 0;
    const auto deadline = Clock::now() + kWritePerByte * bytes.size() + kWriteConstant;
    std::size_t accepted = 0;
    bool failed = false;
    while (accepted < bytes.size() && !failed) {
        const ssize_t n = ::write(fd_, bytes.data() + accepted, bytes.size() - accepted);
        if (n > 0) {
            accepted += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno != EAGAIN) {
            failed = true;  // EIO: the device hung up
        } else {
            failed = waitWritable(fd_, deadline) != Wait::Ready;
        }
    }
    const std::size_t unsent = std::min(failed ? queuedBytes(fd_) : waitUntilSent(fd_, deadline), accepted);
    if (failed || unsent > 0) (void)tcflush(fd_, TCOFLUSH);
    return accepted - unsent;
}

}  // namespace tavrin::platform
