// The whole program but its entry point: the real main window and serial port, talking over a
// pseudo-terminal to the recorder simulator, which a timer polls in the same thread.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/serial_port.h"
#include "ui/rs232c_window.h"
#include "sim/recorder_sim.h"
#include "support/fakes.h"
#include "support/gui/main_window_probe.h"
#include "support/pty.h"

namespace tavrin::test {
namespace {

constexpr int kPatience = 5000;  // ms

sim::SimOptions unpaced() {
    sim::SimOptions options;
    options.pacing = false;
    return options;
}

class MainWindowWithRecorderTest : public testing::Test {
protected:
    MainWindowWithRecorderTest() {
        QObject::connect(&pump_, &QTimer::timeout, [this] { recorder.poll(); });
        pump_.start(2);
    }

    protocol::RecorderState recorderState() { return core.link().state().recorder.state; }
    QString text(const char* field) { return window.findChild<QLineEdit*>(field)->text(); }

    sim::RecorderSim recorder{unpaced()};
    ScopedComPort com2{2, recorder.devicePath()};
    platform::SerialPort port;
    FixedClock clock;
    QTimer pump_;
    app::Core core{port, clock};
    TRS232C window{core};
};

TEST_F(MainWindowWithRecorderTest, StartUpChainFillsTheDisplaysAndPlayStartsTheRecorder) {
    ASSERT_TRUE(recorder.ok()) << recorder.error();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorderState() == protocol::RecorderState::Stop; }, kPatience));
    EXPECT_TRUE(logLines(window).contains("<-@0STSTc"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.findChild<QLabel*>("DispModeLabel")->text().isEmpty(); },
                                kPatience));

    QTest::mouseClick(window.findChild<QPushButton*>("PlayKey"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorderState() == protocol::RecorderState::Play; }, kPatience));
    EXPECT_EQ(recorder.recorder().deck().transport(), sim::Transport::Play);
    const QStringList lines = logLines(window);
    EXPECT_TRUE(lines.contains(commandLine("->@02353 (Play)")));
    EXPECT_TRUE(lines.contains("<-ACK"));
    EXPECT_TRUE(lines.contains("<-@0STPLc"));

    const QStringList timeModes{"REC REMAIN TIME", "TRACK TIME", "TRACK REMAIN TIME"};
    ASSERT_TRUE(timeModes.contains(window.findChild<QLabel*>("DispModeLabel")->text()));
    const QRegularExpression shownTime("^\\d{3}:\\d{2}:\\d{2}$");
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownTime.match(text("TimeEdit")).hasMatch(); }, kPatience))
        << text("TimeEdit").toStdString();
}

TEST_F(MainWindowWithRecorderTest, PresetMenuIsRefusedUntilTheRecorderReportsStop) {
    ASSERT_TRUE(recorder.ok()) << recorder.error();
    QTest::mouseClick(window.findChild<QPushButton*>("PresetKey"), Qt::LeftButton);
    EXPECT_EQ(topLogLine(window), "invalid(recieved status wasn't STOP)");
}

}  // namespace
}  // namespace tavrin::test
