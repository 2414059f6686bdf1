// One blocking call for a serial port and a network port at once: waitForPorts ends when bytes
// come on either, and not before the time-out when none come. The network port's far end is a
// plain loopback listener of the test's own; the serial port's a pseudo-terminal.

#include "platform/port_waiter.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <string>
#include <thread>

#include "platform/network_port.h"
#include "platform/serial_port.h"
#include "support/pty.h"

namespace tavrin::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A loopback listener that takes one connection.
class Listener {
public:
    Listener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        (void)::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        (void)::listen(fd_, 1);
        (void)::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() {
        if (peer_ >= 0) ::close(peer_);
        ::close(fd_);
    }
    std::string url() const { return "tcp://127.0.0.1:" + std::to_string(port_); }
    bool accept() { return (peer_ = ::accept(fd_, nullptr, nullptr)) >= 0; }
    bool send(std::string_view bytes) {
        return ::write(peer_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

private:
    int fd_;
    int peer_ = -1;
    std::uint16_t port_ = 0;
};

class WaitingOnBothKinds : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(serial.open(pty.devicePath()).ok());
        ASSERT_TRUE(network.open(listener.url()).ok());
        ASSERT_TRUE(listener.accept());
        const auto deadline = Clock::now() + 2s;
        while (network.state() == platform::PortState::Opening && Clock::now() < deadline) {
            wait(20ms);
            network.service();
        }
        ASSERT_EQ(network.state(), platform::PortState::Open);
    }

    // How long one wait took.
    Clock::duration wait(std::chrono::milliseconds timeout) {
        const auto start = Clock::now();
        platform::waitForPorts(ports, timeout);
        return Clock::now() - start;
    }

    PseudoTerminal pty;
    Listener listener;
    platform::SerialPort serial;
    platform::NetworkPort network;
    std::array<platform::Port*, 2> ports{&serial, &network};
};

TEST_F(WaitingOnBothKinds, EndsForBytesOnEitherPortAndOtherwiseAtTheTimeOut) {
    EXPECT_GE(wait(300ms), 250ms);

    ASSERT_TRUE(pty.write("@0STST\r"));
    EXPECT_LT(wait(5s), 2s);
    EXPECT_EQ(serial.bytesWaiting(), 7u);
    serial.purge();

    ASSERT_TRUE(listener.send("@0STPL\r"));
    EXPECT_LT(wait(5s), 2s);
    network.service();
    EXPECT_EQ(network.bytesWaiting(), 7u);
    EXPECT_LT(wait(5s), 100ms) << "bytes the network port holds end the wait at once";
}

}  // namespace
}  // namespace tavrin::test
