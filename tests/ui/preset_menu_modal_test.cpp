// The editor is shown modally from inside the receive tick that took the last reply of a read.
// While it is up, the main window's receive timer is stuck in that tick; the acknowledgements of a
// whole write sequence must still be taken, by ticks that run nested inside the modal editor.

#include <QEventLoop>
#include <QPlainTextEdit>

#include <algorithm>

#include <gtest/gtest.h>

#include "support/gui/editor_rig.h"
#include "ui/rs232c_window.h"

namespace tavrin::test {
namespace {

using protocol::PresetSetting;

// Plays the recorder on the fake port: every command gets an ACK, a query gets nothing (the
// read is answered by the test), and what came in is kept.
class AckingRecorder {
public:
    explicit AckingRecorder(FakePort& port) : port_(port) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (std::string& write : port_.takeWrites()) {
                if (write.rfind("@0?", 0) != 0) port_.receive("\x06");
                commands.push_back(std::move(write));
            }
        });
        timer_.start(5);
    }
    std::vector<std::string> commands;  // one entry per write

private:
    FakePort& port_;
    QTimer timer_;
};

TEST(PresetMenuModal, WriteSequenceRunsOnAcknowledgementsWhileShownFromAReceiveTick) {
    EditorRig rig;
    rig.link.stateForTesting().recorder.state = protocol::RecorderState::Stop;
    rig.session.PresetGate();
    ASSERT_EQ(rig.port.takeWritten().size(), 156u);
    rig.port.receive("@0D3ABC123\r");  // the read's last reply, taken by the next tick

    // The main window's receive timer; its tick shows the editor and stays inside it.
    QTimer rxTimer;
    int outerTicks = 0;
    QObject::connect(&rxTimer, &QTimer::timeout, [&] {
        ++outerTicks;
        rig.link.RxTimerTimer();
    });

    AckingRecorder recorder(rig.port);
    enum class Stage { WaitShown, Writing, Closed } stage = Stage::WaitShown;
    std::size_t writeStart = 0;
    int ticksWhenShown = -1;
    int ticksWhenWritten = -2;
    QEventLoop loop;
    QTimer operatorTimer;
    QObject::connect(&operatorTimer, &QTimer::timeout, [&] {
        switch (stage) {
        case Stage::WaitShown:
            if (!rig.window.isVisible() || !rig.window.isCloseKeyEnabled()) return;
            EXPECT_TRUE(rig.window.isModal());
            EXPECT_EQ(QApplication::activeModalWidget(), &rig.window);
            ticksWhenShown = outerTicks;
            writeStart = recorder.commands.size();
            rig.action("WritetoTAVRIN")->trigger();
            stage = Stage::Writing;
            return;
        case Stage::Writing:
            if (!rig.window.isCloseKeyEnabled()) return;  // locked until the 25th command is out
            ticksWhenWritten = outerTicks;
            QTest::mouseClick(rig.find<QPushButton>("CloseKey"), Qt::LeftButton);
            stage = Stage::Closed;
            return;
        case Stage::Closed:
            if (!rig.window.isVisible()) loop.quit();
            return;
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        ADD_FAILURE() << "the editor did not get through the write sequence";
        rig.window.done(QDialog::Rejected);
        loop.quit();
    });

    rxTimer.start(20);
    operatorTimer.start(10);
    watchdog.start(15000);
    loop.exec();
    rxTimer.stop();

    ASSERT_EQ(stage, Stage::Closed);
    EXPECT_FALSE(rig.window.isVisible());
    // The main window's tick was held inside the modal editor for the whole write sequence.
    EXPECT_EQ(ticksWhenWritten, ticksWhenShown);

    std::vector<std::string> written(recorder.commands.begin() + static_cast<std::ptrdiff_t>(writeStart),
                                     recorder.commands.end());
    for (std::string& rest : rig.port.takeWrites()) written.push_back(std::move(rest));
    std::vector<std::string> settings;  // the write sequence, without polls and requests
    for (const std::string& w : written)
        if (w.rfind("@0?", 0) != 0) settings.push_back(w);
    ASSERT_EQ(settings.size(), 25u);
    EXPECT_EQ(settings.front(), "@0INUB\r");
    EXPECT_EQ(settings[1], "@0DFMD\r");
    EXPECT_EQ(settings.back(), "@0D3ABC123\r");
    // Close asked for status after the last command.
    const auto last = std::find(written.begin(), written.end(), settings.back());
    EXPECT_NE(std::find(last, written.end(), "@0?ST\r"), written.end());
    EXPECT_TRUE(rig.displays.keysEnabled);
    EXPECT_EQ(rig.link.state().recorder.state, protocol::RecorderState::Stop);
}

// The real main window's receive timer shows the editor; a write that fails while the editor is up
// ends it from inside a handler, and the tick that showed it returns.
TEST(PresetMenuModal, FailedWriteClosesTheEditorShownByTheMainWindowAndGivesTheKeysBack) {
    FakePort port;
    FixedClock clock;
    app::Core core(port, clock);
    TRS232C mainWindow(core);
    TPresetMenu editor(mainWindow.core(), &mainWindow);
    mainWindow.show();
    port.receive("@0STST\r");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return mainWindow.core().link().state().recorder.state == protocol::RecorderState::Stop; }, 2000));
    port.takeWritten();  // the start-up status request
    QTest::mouseClick(mainWindow.findChild<QPushButton*>("PresetKey"), Qt::LeftButton);
    ASSERT_EQ(port.takeWritten().size(), 156u);

    bool wasShown = false;
    ModalWatcher operatorAction([&](QWidget* modal) {
        wasShown = modal == &editor;
        port.writeLimit = 0;  // the recorder's cable comes off
        QTest::mouseClick(editor.findChild<QRadioButton*>("MP2Radio"), Qt::LeftButton);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] { editor.done(QDialog::Rejected); });
    watchdog.start(10000);

    port.receive("@0D3ABC123\r");
    EXPECT_TRUE(QTest::qWaitFor([&] { return wasShown && !editor.isVisible(); }, 12000));
    EXPECT_TRUE(watchdog.isActive()) << "the failed write did not end the editor";
    EXPECT_FALSE(mainWindow.core().session().transfer().EditorOpen);
    EXPECT_TRUE(mainWindow.findChild<QPushButton*>("PlayKey")->isEnabled());
    const QString log = mainWindow.findChild<QPlainTextEdit*>("MessageDisp")->toPlainText();
    EXPECT_TRUE(log.contains("connection error")) << log.toStdString();
}

}  // namespace
}  // namespace tavrin::test
