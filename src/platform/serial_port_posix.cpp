#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace tavrin::platform {

namespace {

OpenResult openFailure(int error) {
    OpenResult result{OpenError::Other, error, systemErrorText(error)};
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
    // A serial device node without a port behind it (a ttyS with no UART) fails with EIO.
    case EIO: result.error = OpenError::NoSuchPort; break;
    case EBUSY:
    case EWOULDBLOCK: result.error = OpenError::Busy; break;
    case EACCES:
    case EPERM: result.error = OpenError::PermissionDenied; break;
    default: break;
    }
    return result;
}

// Only a terminal can be a serial port: a regular file or /dev/null named in TAVRIN_COM<n> by
// mistake would be written into, and /dev/ptmx makes a pseudo-terminal of its own, whose
// master side answers as a terminal too.
bool isSerialTerminal(int fd) {
    int ptyNumber = 0;
    return isatty(fd) == 1 && ioctl(fd, TIOCGPTN, &ptyNumber) != 0;
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

// Bytes in the driver's output queue; a driver that cannot tell counts as empty.
std::size_t queuedBytes(int fd) {
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) return 0;
    return static_cast<std::size_t>(queued);
}

bool hungUp(int fd) {
    pollfd p{fd, 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

std::string comPortName(int portNumber) {
    const std::string variable = "TAVRIN_COM" + std::to_string(portNumber);
    if (const char* name = std::getenv(variable.c_str()); name != nullptr && *name != '\0') return name;
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

std::string systemErrorText(int systemCode) { return std::strerror(systemCode); }

SerialPort::SerialPort() = default;

SerialPort::~SerialPort() { close(); }

bool SerialPort::isOpen() const { return fd_ >= 0; }

int SerialPort::waitHandle() const { return fd_; }

PortState SerialPort::state() const {
    if (fd_ < 0) return PortState::Closed;
    return lost_ ? PortState::Lost : PortState::Open;
}

OpenResult SerialPort::open(const std::string& name) {
    close();
    const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return openResult_ = openFailure(errno);
    if (!isSerialTerminal(fd)) {
        ::close(fd);
        return openResult_ = openFailure(ENOTTY);
    }
    // TIOCEXCL keeps other users out, but root passes it; the lock also catches a second
    // open by root and by this process.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return openResult_ = openFailure(EWOULDBLOCK);
    }
    (void)ioctl(fd, TIOCEXCL);
    configure(fd);
    fd_ = fd;
    return openResult_ = {};
}

void SerialPort::close() {
    if (fd_ < 0) return;
    // Unsent output is dropped so that close never waits for a line held by CTS. The
    // exclusive flag stays on the device while someone else (a simulator) keeps it open,
    // so it is taken off before the last handle of ours goes.
    dropOutput();
    (void)ioctl(fd_, TIOCNXCL);
    (void)flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    lost_ = false;
    timedOut_ = false;
}

void SerialPort::service() {
    if (fd_ < 0 || lost_) return;
    if (hungUp(fd_)) {
        lost_ = true;
        dropOutput();
        return;
    }
    if (deadlines_.overdue(queuedBytes(fd_), WriteDeadlines::Clock::now())) {
        timedOut_ = true;
        dropOutput();
    }
}

void SerialPort::purge() {
    if (fd_ < 0) return;
    (void)tcflush(fd_, TCIOFLUSH);
    deadlines_.clear();
}

std::size_t SerialPort::bytesWaiting() {
    if (fd_ < 0 || lost_) return 0;
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
        if (n < 0 && errno != EAGAIN) lost_ = true;  // EIO: the device went away
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

// Takes what the driver's queue takes without waiting. A write the queue has no room for, or
// one the device refuses, is thrown away whole, so that no part of a frame goes out later.
std::size_t SerialPort::write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0 || lost_) return 0;
    std::size_t taken = 0;
    while (taken < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + taken, bytes.size() - taken);
        if (n > 0) {
            taken += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n < 0 && errno != EAGAIN) lost_ = true;  // EIO: the device hung up
            dropOutput();
            return 0;
        }
    }
    deadlines_.taken(taken, WriteDeadlines::Clock::now());
    return taken;
}

bool SerialPort::writeTimedOut() { return std::exchange(timedOut_, false); }

void SerialPort::dropOutput() {
    if (fd_ >= 0) (void)tcflush(fd_, TCOFLUSH);
    deadlines_.clear();
}

}  // namespace tavrin::platform
