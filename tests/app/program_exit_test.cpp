// The program leaves its port free for the next one, however it ends: by File > Exit, or by
// SIGTERM or Ctrl+C from outside. The far end keeps the pseudo-terminal open meanwhile, as a
// serial server or a simulator does, so an exclusive claim left behind would refuse the next
// open with "com port busy".

#include <QAction>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "app/core.h"
#include "platform/serial_port.h"
#include "support/child_process.h"
#include "support/fakes.h"
#include "support/pty.h"
#include "ui/rs232c_window.h"

namespace tavrin::test {
namespace {

using namespace std::chrono_literals;

const std::string kProgram = std::string(TAVRIN_BINARY_DIR) + "/src/tavrin-controller";

// Free for anyone: no exclusive claim on the terminal (which root, running the tests, would
// pass anyway), and a new open takes it.
bool portIsFree(const PseudoTerminal& pty) {
    const int fd = ::open(pty.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    int exclusive = 1;
    const bool claimed = fd < 0 || ioctl(fd, TIOCGEXCL, &exclusive) != 0 || exclusive != 0;
    if (fd >= 0) ::close(fd);
    platform::SerialPort next;
    return !claimed && next.open(pty.devicePath()).ok();
}

TEST(ProgramExit, ExitLeavesThePortFree) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    const ScopedComPort com2(2, pty.devicePath());
    GTEST_FLAG_SET(death_test_style, "fast");  // the child works on this very terminal
    EXPECT_EXIT(
        {
            platform::SerialPort port;
            FixedClock clock;
            app::Core core(port, clock);
            TRS232C window(core);
            window.findChild<QAction*>("Exit2")->trigger();
            std::exit(3);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_TRUE(portIsFree(pty));
}

class ProgramSignalled : public testing::TestWithParam<int> {};

TEST_P(ProgramSignalled, EndsCleanlyAndLeavesThePortFree) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    const ScopedComPort com2(2, pty.devicePath());
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ChildProcess program(kProgram, {});
    ASSERT_TRUE(program.started());
    ASSERT_EQ(pty.read(6, 5s), "@0?ST\r") << "the program opened COM2";
    EXPECT_EQ(program.stop(GetParam(), 5s), 0);
    EXPECT_TRUE(portIsFree(pty));
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramSignalled, testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) { return info.param == SIGTERM ? "Term" : "Interrupt"; });

}  // namespace
}  // namespace tavrin::test
