// The real main window on the real serial port: a pseudo-terminal named by TAVRIN_COM2 plays
// the recorder, or TAVRIN_COM2 names a device that does not exist.

#include <chrono>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
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

// The selector shows the port last chosen: typed text opens a port only when it names one and
// editing ends, its Enter reaches nothing else, and a wheel notch over it does nothing unless it
// has the focus. COM2 is missing at first; once it is there, typing its number opens it.
TEST_F(MainWindowOnTerminalTest, SelectorOpensWhatIsTypedOnlyWhenItNamesAPortAndIgnoresAStrayWheel) {
    ASSERT_TRUE(pty.ok());
    ScopedComPort missing(2, kMissingDevice);
    app::Core core(port, clock);
    TRS232C window(core);
    stopTicks(window);
    ASSERT_TRUE(showActive(window));
    auto* combo = window.findChild<QComboBox*>("PortCombo");
    EXPECT_EQ(logLines(window).value(1), "com port number error");

    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), "x");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(combo->currentText(), "2");
    EXPECT_EQ(logLines(window).size(), 2) << "nothing opened, no preset gate";

    const ScopedComPort present(2, pty.devicePath());
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), "2");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(pty.read(6, 2s), "@0?ST\r");
    EXPECT_EQ(combo->currentText(), "2");
    EXPECT_EQ(topLogLine(window), commandLine("->@0?ST (Status Request)"));

    window.findChild<QPushButton*>("PlayKey")->setFocus();
    QWheelEvent notch(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), {}, {0, -120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo, &notch);
    EXPECT_EQ(combo->currentText(), "2");
    EXPECT_EQ(pty.drain(), "") << "the port stays open: nothing is sent again";
    press(window, "PlayKey");
    EXPECT_EQ(pty.read(7, 2s), "@02353\r");
}

TEST(MainWindowWithoutDeviceTest, MissingComTwoLogsNumberErrorThenPlayLogsAboveConnectionError) {
    ScopedComPort com2(2, kMissingDevice);
    platform::SerialPort port;
    FixedClock clock;
    app::Core core(port, clock);
    TRS232C window(core);
    stopTicks(window);
    const QString hint = QStringLiteral("(COM2 is %1: No such file or directory)").arg(kMissingDevice);
    EXPECT_EQ(logLines(window), (QStringList{hint, "com port number error"}));

    press(window, "PlayKey");
    EXPECT_EQ(logLines(window),
              (QStringList{commandLine("->@02353 (Play)"), "connection error", hint, "com port number error"}));
}

}  // namespace
}  // namespace tavrin::test
