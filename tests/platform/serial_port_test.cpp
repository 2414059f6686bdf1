#include "platform/serial_port.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/pty.h"

namespace tavrin::test {
namespace {

using platform::OpenError;
using platform::SerialPort;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kCom = 2;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Waits until the port reports `count` bytes waiting (the pair delivers in the background).
bool waitForBytes(SerialPort& port, std::size_t count, std::chrono::milliseconds timeout = 1000ms) {
    const auto deadline = Clock::now() + timeout;
    while (port.bytesWaiting() < count) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::string readAll(SerialPort& port, std::size_t max = 64) {
    std::vector<std::uint8_t> buffer(max);
    const std::size_t n = port.readAvailable(buffer);
    return {buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n)};
}

class SerialPortOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok()) << "no pseudo-terminal available";
        ASSERT_TRUE(port.open(kCom).ok());
    }

    PseudoTerminal pty;
    ScopedComPort com{kCom, pty.devicePath()};
    SerialPort port;
};

TEST_F(SerialPortOnPty, WritesExactlyTheFrameBytes) {
    EXPECT_EQ(port.write(bytesOf("@02353\r")), 7u);
    EXPECT_EQ(pty.read(100, 300ms), "@02353\r");
}

TEST_F(SerialPortOnPty, BlockOfFramesGoesOutAsOneWrite) {
    std::string block;
    for (int i = 0; i < 26; ++i) block += "@0?PS\r";
    EXPECT_EQ(port.write(bytesOf(block)), 156u);
    EXPECT_EQ(pty.read(1000, 500ms), block);
}

TEST_F(SerialPortOnPty, ReportsBytesWaitingAndReadsThem) {
    ASSERT_TRUE(pty.write("\x06@0STST\r"));
    ASSERT_TRUE(waitForBytes(port, 8));
    EXPECT_EQ(port.bytesWaiting(), 8u);
    EXPECT_EQ(readAll(port), "\x06@0STST\r");
    EXPECT_EQ(port.bytesWaiting(), 0u);
}

TEST_F(SerialPortOnPty, ReadTakesNoMoreThanTheDestinationHolds) {
    ASSERT_TRUE(pty.write("0123456789"));
    ASSERT_TRUE(waitForBytes(port, 10));
    EXPECT_EQ(readAll(port, 4), "0123");
    EXPECT_EQ(port.bytesWaiting(), 6u);
    EXPECT_EQ(readAll(port, 32), "456789");
}

TEST_F(SerialPortOnPty, ReadWithNothingWaitingReturnsAtOnce) {
    const auto start = Clock::now();
    EXPECT_EQ(readAll(port, 32), "");
    EXPECT_LT(Clock::now() - start, 50ms);
}

TEST_F(SerialPortOnPty, PurgeDiscardsWhatArrived) {
    ASSERT_TRUE(pty.write("@0STPL\r"));
    ASSERT_TRUE(waitForBytes(port, 7));
    port.purge();
    EXPECT_EQ(port.bytesWaiting(), 0u);
    EXPECT_EQ(readAll(port), "");

    ASSERT_TRUE(pty.write("@0STST\r"));
    ASSERT_TRUE(waitForBytes(port, 7));
    EXPECT_EQ(readAll(port), "@0STST\r");
}

TEST_F(SerialPortOnPty, StaleInputFromBeforeTheOpenIsDropped) {
    port.close();
    ASSERT_TRUE(pty.write("@0STPL\r"));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(port.open(kCom).ok());
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(port.bytesWaiting(), 0u);
}

TEST_F(SerialPortOnPty, SecondOpenOfTheSameDeviceIsBusy) {
    SerialPort second;
    const platform::OpenResult result = second.open(kCom);
    EXPECT_EQ(result.error, OpenError::Busy);
    EXPECT_FALSE(second.isOpen());
    EXPECT_EQ(second.write(bytesOf("@02353\r")), 0u);
}

TEST_F(SerialPortOnPty, DeviceIsFreeAgainAfterClose) {
    port.close();
    SerialPort second;
    EXPECT_TRUE(second.open(kCom).ok());
    EXPECT_EQ(second.write(bytesOf("@0?ST\r")), 6u);
    EXPECT_EQ(pty.read(6, 300ms), "@0?ST\r");
}

TEST_F(SerialPortOnPty, ReopeningTheSamePortWorks) {
    ASSERT_TRUE(port.open(kCom).ok());
    EXPECT_EQ(port.write(bytesOf("@0?ST\r")), 6u);
    EXPECT_EQ(pty.read(6, 300ms), "@0?ST\r");
}

// A recorder that stops reading never holds up the program: a write the line has no room for
// is a short write at once.
TEST_F(SerialPortOnPty, ShortWriteAtOnceWhenTheFarEndStopsReading) {
    ASSERT_GT(pty.fillUntilWritesBlock(), 0u);

    const auto start = Clock::now();
    const std::size_t written = port.write(bytesOf("@02353\r"));
    const auto took = Clock::now() - start;

    EXPECT_LT(written, 7u);
    EXPECT_LT(took, 50ms);

    // The unsent rest never goes out, not even once the far end reads again.
    const std::string drained = pty.drain();
    EXPECT_EQ(drained.find('@'), std::string::npos);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(pty.drain(), "");

    // The port itself is still good.
    EXPECT_EQ(port.write(bytesOf("@02354\r")), 7u);
    EXPECT_EQ(pty.read(7, 300ms), "@02354\r");
}

TEST_F(SerialPortOnPty, WriteOnAHungUpDeviceFailsAtOnce) {
    pty.hangUp();
    const auto start = Clock::now();
    EXPECT_LT(port.write(bytesOf("@02353\r")), 7u);
    EXPECT_LT(Clock::now() - start, 500ms);
}

TEST_F(SerialPortOnPty, ReadOnAHungUpDeviceIsQuietlyEmpty) {
    pty.hangUp();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(port.bytesWaiting(), 0u);
        EXPECT_EQ(readAll(port), "");
    }
}

TEST_F(SerialPortOnPty, FailedOpenLeavesThePortClosed) {
    ScopedComPort missing{kCom, "/nonexistent/tavrin-port"};
    EXPECT_EQ(port.open(kCom).error, OpenError::NoSuchPort);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.write(bytesOf("@02353\r")), 0u);
    EXPECT_EQ(port.bytesWaiting(), 0u);
}

TEST(SerialPort, MissingPathIsNoSuchPort) {
    ScopedComPort com{kCom, "/dev/tavrin-no-such-device"};
    SerialPort port;
    const platform::OpenResult result = port.open(kCom);
    EXPECT_EQ(result.error, OpenError::NoSuchPort);
    EXPECT_EQ(result.systemCode, ENOENT);
}

TEST(SerialPort, DeviceNodeWithoutADeviceBehindItIsNoSuchPort) {
    // A pseudo-terminal that was never unlocked refuses opens with EIO, as a ttyS without
    // a UART does.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ScopedComPort com{kCom, ptsname(master)};
    SerialPort port;
    const platform::OpenResult result = port.open(kCom);
    EXPECT_EQ(result.error, OpenError::NoSuchPort);
    EXPECT_EQ(result.systemCode, EIO);
    ::close(master);
}

TEST(SerialPort, PortZeroIsNoSuchPort) {
    SerialPort port;
    EXPECT_EQ(port.open(0).error, OpenError::NoSuchPort);
}

TEST(SerialPort, RegularFileIsRefusedAndLeftUntouched) {
    char name[] = "/tmp/tavrin-port-test-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    ::close(fd);
    {
        std::ofstream(name) << "keep";
        ScopedComPort com{kCom, name};
        SerialPort port;
        const platform::OpenResult result = port.open(kCom);
        EXPECT_EQ(result.error, OpenError::Other);
        EXPECT_EQ(result.systemCode, ENOTTY);
        EXPECT_EQ(port.write(bytesOf("@02353\r")), 0u);
    }
    std::stringstream content;
    content << std::ifstream(name).rdbuf();
    EXPECT_EQ(content.str(), "keep");
    std::remove(name);
}

TEST(SerialPort, CallsOnAPortNeverOpenedFailQuietly) {
    SerialPort port;
    std::vector<std::uint8_t> buffer(32);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.write(bytesOf("@02353\r")), 0u);
    EXPECT_EQ(port.bytesWaiting(), 0u);
    EXPECT_EQ(port.readAvailable(buffer), 0u);
    port.purge();
    port.close();
}

struct PathCase {
    const char* name;
    int port;
    const char* environment;  // nullptr: TAVRIN_COM<n> unset
    const char* expected;
};

class DevicePath : public ::testing::TestWithParam<PathCase> {};

TEST_P(DevicePath, FollowsTheEnvironmentOrTheSerialDefault) {
    const PathCase& c = GetParam();
    const std::string variable = "TAVRIN_COM" + std::to_string(c.port);
    std::optional<ScopedComPort> set;
    if (c.environment) set.emplace(c.port, c.environment);
    else unsetenv(variable.c_str());
    EXPECT_EQ(platform::comPortName(c.port), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, DevicePath,
    ::testing::Values(PathCase{"Com1Default", 1, nullptr, "/dev/ttyS0"},
                      PathCase{"Com2Default", 2, nullptr, "/dev/ttyS1"},
                      PathCase{"Com8Default", 8, nullptr, "/dev/ttyS7"},
                      PathCase{"Com2FromEnvironment", 2, "/dev/ttyUSB0", "/dev/ttyUSB0"},
                      PathCase{"Com5FromEnvironment", 5, "/tmp/tavrin-com5", "/tmp/tavrin-com5"},
                      PathCase{"EmptyVariableMeansDefault", 3, "", "/dev/ttyS2"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavrin::test
