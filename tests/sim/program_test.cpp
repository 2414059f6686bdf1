// The tavrin-recorder-sim program itself, started as a child process.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/serial_port.h"
#include "support/child_process.h"
#include "support/pty.h"

namespace tavrin::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kProgram = std::string(TAVRIN_BINARY_DIR) + "/src/tavrin-recorder-sim";

std::string readLink(const std::string& path) {
    char target[256] = {};
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

bool exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// One run of the program with its standard output and error on pipes.
struct SimProcess : ChildProcess {
    explicit SimProcess(const std::vector<std::string>& args) : ChildProcess(kProgram, args) {}
    // All of standard error; call after the process has ended.
    std::string errors() { return (collect(), err()); }
};

// Writes a frame on COM2 and reads until `ending` or the time-out.
std::string exchange(platform::SerialPort& port, std::string_view frame, std::string_view ending) {
    port.write({reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()});
    std::string got;
    for (const auto deadline = Clock::now() + 2s; !got.ends_with(ending) && Clock::now() < deadline;) {
        std::uint8_t chunk[32];
        const std::size_t n = port.readAvailable(chunk);
        got.append(chunk, chunk + n);
        if (n == 0) std::this_thread::sleep_for(1ms);
    }
    return got;
}

class SimProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (access(kProgram.c_str(), X_OK) != 0) GTEST_SKIP() << kProgram << " is not built";
    }
    // A simulator killed by a failing test leaves its link behind.
    void TearDown() override {
        struct stat info {};
        if (lstat(link.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) unlink(link.c_str());
    }
    const std::string link = "/tmp/tavrin-sim-program-" + std::to_string(getpid());
};

TEST_F(SimProgram, PrintsTheDevicePathFirstAnswersOnItAndEndsCleanlyOnSigterm) {
    SimProcess sim({"--fast", "--link", link});
    ASSERT_TRUE(sim.started());
    const std::string path = sim.readLine();
    EXPECT_TRUE(path.starts_with("/dev/pts/")) << path;
    EXPECT_EQ(readLink(link), path);

    ScopedComPort com{2, link};
    platform::SerialPort port;
    ASSERT_TRUE(port.open(2).ok());
    EXPECT_EQ(exchange(port, "@0?ST\r", "\r"), "@0STST\r");
    EXPECT_EQ(exchange(port, "@02353\r", "@0STPL\r"), "\x06@0STPL\r");
    port.close();

    EXPECT_EQ(sim.stop(SIGTERM), 0);
    EXPECT_FALSE(exists(link)) << "the link is removed on exit";
}

TEST_F(SimProgram, EndsCleanlyOnSigint) {
    SimProcess sim({"--link", link});
    ASSERT_TRUE(sim.started());
    ASSERT_FALSE(sim.readLine().empty());
    EXPECT_EQ(sim.stop(SIGINT), 0);
    EXPECT_FALSE(exists(link));
}

TEST_F(SimProgram, TheProgramReopeningItsPortKeepsTheSimulatorUp) {
    SimProcess sim({"--fast"});
    ASSERT_TRUE(sim.started());
    ScopedComPort com{2, sim.readLine()};
    platform::SerialPort port;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(port.open(2).ok());
        EXPECT_EQ(exchange(port, "@0?TMOD\r", "\r"), "@0TMTT\r");
        port.close();
    }
    EXPECT_EQ(sim.stop(), 0);
}

TEST_F(SimProgram, TraceGoesToStandardError) {
    SimProcess sim({"--fast", "--trace"});
    ASSERT_TRUE(sim.started());
    ScopedComPort com{2, sim.readLine()};
    platform::SerialPort port;
    ASSERT_TRUE(port.open(2).ok());
    exchange(port, "@02311\r", "\x06");
    EXPECT_EQ(sim.stop(), 0);
    const std::string trace = sim.errors();
    EXPECT_NE(trace.find(" prog> @02311<CR>"), std::string::npos) << trace;
    EXPECT_NE(trace.find("  sim> <ACK>"), std::string::npos) << trace;
}

TEST_F(SimProgram, NakEveryFromTheCommandLine) {
    SimProcess sim({"--fast", "--nak-every", "2"});
    ASSERT_TRUE(sim.started());
    ScopedComPort com{2, sim.readLine()};
    platform::SerialPort port;
    ASSERT_TRUE(port.open(2).ok());
    EXPECT_EQ(exchange(port, "@0?ST\r", "\r"), "@0STST\r");
    EXPECT_EQ(exchange(port, "@0?ST\r", "\x15"), "\x15");
}

TEST_F(SimProgram, IgnoreFromTheCommandLine) {
    SimProcess sim({"--fast", "--ignore", "@0?D3"});
    ASSERT_TRUE(sim.started());
    ScopedComPort com{2, sim.readLine()};
    platform::SerialPort port;
    ASSERT_TRUE(port.open(2).ok());
    EXPECT_EQ(exchange(port, "@0?D3\r@0?D2\r", "@0D2000000\r"), "@0D2000000\r");
}

TEST_F(SimProgram, StopReadingFromTheCommandLineTimesTheWriteOut) {
    SimProcess sim({"--fast", "--stop-reading-after", "0"});
    ASSERT_TRUE(sim.started());
    ScopedComPort com{2, sim.readLine()};
    platform::SerialPort port;
    ASSERT_TRUE(port.open(2).ok());
    // Opening the port empties the line; the simulator fills it again as it runs on.
    std::this_thread::sleep_for(200ms);
    const std::string frame = "@02353\r";
    EXPECT_LT(port.write({reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()}), 7u);
}

TEST_F(SimProgram, HangsUpAndComesBackFromTheCommandLine) {
    SimProcess sim({"--fast", "--link", link, "--hang-up-after", "0.3", "--come-back-after", "0.3"});
    ASSERT_TRUE(sim.started());
    ASSERT_FALSE(sim.readLine().empty());
    ScopedComPort com{2, link};
    platform::SerialPort port;
    ASSERT_TRUE(port.open(2).ok());

    const std::string back = sim.readLine(3s);
    ASSERT_TRUE(back.starts_with("/dev/pts/")) << "a second line names the new device";
    EXPECT_EQ(readLink(link), back);
    const std::string frame = "@0?ST\r";
    EXPECT_LT(port.write({reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()}), 6u)
        << "the old device stays hung up";
    port.close();
    ASSERT_TRUE(port.open(2).ok());
    EXPECT_EQ(exchange(port, frame, "\r"), "@0STST\r");
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_FALSE(exists(link));
}

TEST_F(SimProgram, ABadOptionEndsWithUsage) {
    SimProcess sim({"--bogus"});
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(sim.waitForExit(), 2);
    const std::string errors = sim.errors();
    EXPECT_NE(errors.find("--bogus: unknown option"), std::string::npos) << errors;
    EXPECT_NE(errors.find("Usage: tavrin-recorder-sim"), std::string::npos) << errors;
}

}  // namespace
}  // namespace tavrin::test
