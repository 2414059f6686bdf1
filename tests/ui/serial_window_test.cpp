// The real main window on the real serial port: a pseudo-terminal named by TAVRIN_COM2 plays
// the recorder, or TAVRIN_COM2 names a device that does not exist.

#include <chrono>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/serial_port.h"
#include "ui/rs232c_window.h"
#include "support/fakes.h"
#include "support/gui/main_window_probe.h"
#include "support/pty.h"

namespace tavrin::test {
namespace {

using namespace std::chrono_literals;

constexpr char kMissingDevice[] = "/nonexistent/tavrin-com2";

void press(TRS232C& window, const char* name) {
    auto* key = window.findChild<QPushButton*>(name);
    ASSERT_NE(key, nullptr) << name;
    QTest::mouseClick(key, Qt::LeftButton);
}

class MainWindowOnTerminalTest : public testing::Test {
protected:
    PseudoTerminal pty;
    ScopedComPort com2{2, pty.devicePath()};
    platform::SerialPort port;
    FixedClock clock;
};

TEST_F(MainWindowOnTerminalTest, StartUpSendsExactlyTheStatusRequest) {
    ASSERT_TRUE(pty.ok());
    app::Core core(port, clock);
    TRS232C window(core);
    stopTicks(window);
    EXPECT_EQ(pty.read(6, 2s), "@0?ST\r");
    EXPECT_EQ(pty.drain(), "");
    EXPECT_EQ(logLines(window), QStringList{commandLine("->@0?ST (Status Request)")});
}

TEST_F(MainWindowOnTerminalTest, PlaySendsItsFrame) {
    ASSERT_TRUE(pty.ok());
    app::Core core(port, clock);
    TRS232C window(core);
    stopTicks(window);
    pty.read(6, 2s);
    press(window, "PlayKey");
    EXPECT_EQ(pty.read(7, 2s), "@02353\r");
    EXPECT_EQ(pty.drain(), "");
    EXPECT_EQ(topLogLine(window), commandLine("->@02353 (Play)"));
}

TEST_F(MainWindowOnTerminalTest, ReplyFromTheTerminalIsEchoed) {
    ASSERT_TRUE(pty.ok());
    app::Core core(port, clock);
    TRS232C window(core);  // the real 20 ms timer runs
    pty.read(6, 2s);
    ASSERT_TRUE(pty.write("@0STST\r"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return topLogLine(window) == "<-@0STSTc"; }, 3000))
        << topLogLine(window).toStdString();
}

TEST_F(MainWindowOnTerminalTest, TypingIntoTheSelectorLeavesTheTerminalClosed) {
    ASSERT_TRUE(pty.ok());
    app::Core core(port, clock);
    TRS232C window(core);
    stopTicks(window);
    pty.read(6, 2s);
    QTest::keyClicks(window.findChild<QComboBox*>("PortCombo")->lineEdit(), "x");
    EXPECT_EQ(topLogLine(window), "com port number error");
    press(window, "PlayKey");
    EXPECT_EQ(pty.drain(), "");
    const QStringList lines = logLines(window);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], commandLine("->@02353 (Play)"));
    EXPECT_EQ(lines[1], "connection error");
}

TEST(MainWindowWithoutDeviceTest, MissingComTwoLogsNumberErrorThenPlayLogsAboveConnectionError) {
    ScopedComPort com2(2, kMissingDevice);
    platform::SerialPort port;
    FixedClock clock;
    app::Core core(port, clock);
    TRS232C window(core);
    stopTicks(window);
    EXPECT_EQ(logLines(window), QStringList{"com port number error"});

    press(window, "PlayKey");
    EXPECT_EQ(logLines(window),
              (QStringList{commandLine("->@02353 (Play)"), "connection error", "com port number error"}));
}

}  // namespace
}  // namespace tavrin::test
