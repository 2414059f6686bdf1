// The main window against the recorder simulator: the start-up chain, the time and track shown
// while the recorder plays, the transport keys and the Display key followed, the log exactly as
// the operator reads it, and the preset gate.

#include <algorithm>

#include "support/gui/live_program.h"
#include "support/gui/operator.h"
#include "support/preset_oracle.h"

namespace tavrin::test {
namespace {

using protocol::Key;
using protocol::RecorderState;

constexpr int kLongWaitMs = 5000;

bool waitFor(const std::function<bool()>& condition, int ms = kLongWaitMs) {
    return QTest::qWaitFor(condition, ms);
}

QString echoed(const char* body) { return QStringLiteral("<-@0%1c").arg(QString::fromLatin1(body)); }

const QString kAckEcho = QStringLiteral("<-ACK");
const QString kGateRefused = QStringLiteral("invalid(recieved status wasn't STOP)");

class LiveLink : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(program.sim.ok()) << program.sim.error(); }

    // Start-up has got as far as the time in the recorder's first display mode.
    void waitForStartUp() {
        ASSERT_TRUE(waitFor([&] { return program.timeShown() == "000:00:00"; }))
            << "time shown: " << program.timeShown().toStdString();
    }

    // The time display comes to show `time`.
    void expectTimeShown(const char* time) {
        EXPECT_TRUE(waitFor([&] { return program.timeShown() == time; }))
            << "time shown: " << program.timeShown().toStdString();
    }
    // The time display comes to show `time` or later; a busy machine may skip a second.
    void expectTimeReaches(const QString& time) {
        EXPECT_TRUE(waitFor([&] { return timeAtLeast(time); }))
            << "time shown: " << program.timeShown().toStdString();
    }
    bool timeAtLeast(const QString& time) const {
        const QString shown = program.timeShown();
        return shown.size() == time.size() && shown.indexOf(':') == 3 && shown >= time;
    }

    // Presses a key and waits until the log's newest lines are exactly `top`, newest first.
    void pressAndExpectLog(Key key, const char* keyName, QStringList top) {
        program.pressWhenQuiet(keyName);
        top.append(keyLine(key));
        EXPECT_TRUE(waitFor([&] { return program.log().mid(0, top.size()) == top; }))
            << "log: " << program.log().join(" | ").toStdString();
    }

    LiveProgram program;
};

TEST_F(LiveLink, StartUpChainBringsStatusDisplayModeAndTime) {
    waitForStartUp();
    EXPECT_EQ(program.displayModeShown(), "TRACK TIME");
    EXPECT_EQ(program.trackShown(), "");
    // Only the status request and the recorder's Stop report are logged; the polls are silent.
    EXPECT_EQ(program.log(), (QStringList{echoed("STST"), statusRequestLine()}));
    const std::vector<std::string> frames = program.sentFrames();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(frames.begin(), frames.begin() + 3),
              (std::vector<std::string>{"@0?ST", "@0?TMOD", "@0?TI"}));
    EXPECT_EQ(program.linkState().recorder.state, RecorderState::Stop);
}

TEST_F(LiveLink, TimeRunsWhileTheRecorderPlaysAndTheNextTrackNumberShows) {
    waitForStartUp();
    program.deck().seek(1, 212'400ms);  // track 1 is 3:35 long
    pressAndExpectLog(Key::Play, "PlayKey", {echoed("STPL"), kAckEcho});
    expectTimeReaches("000:03:32");
    const QString first = program.timeShown();
    EXPECT_TRUE(waitFor([&] { return program.timeShown() > first; }))
        << "the time stood at " << first.toStdString();
    EXPECT_TRUE(waitFor([&] { return program.trackShown() == "002"; })) << program.trackShown().toStdString();
    expectTimeReaches("000:00:01");
    // Track and time replies update the displays but are not echoed.
    EXPECT_EQ(program.log().mid(0, 2), (QStringList{echoed("STPL"), kAckEcho}));
}

TEST_F(LiveLink, MainWindowFollowsPlayPauseStopAndTheDisplayKey) {
    struct Press {
        Key key;
        const char* keyName;
        const char* status;  // the recorder's report
        RecorderState recorderState;
    };
    const Press presses[] = {
        {Key::Play, "PlayKey", "STPL", RecorderState::Play},
        {Key::Pause, "PauseKey", "STPP", RecorderState::PlayPause},
        {Key::Pause, "PauseKey", "STPL", RecorderState::Play},
        {Key::Stop, "StopKey", "STST", RecorderState::Stop},
    };
    waitForStartUp();
    program.deck().seek(1, 65'000ms);
    for (const Press& p : presses) {
        SCOPED_TRACE(p.status);
        pressAndExpectLog(p.key, p.keyName, {echoed(p.status), kAckEcho});
        EXPECT_EQ(program.linkState().recorder.state, p.recorderState);
        if (p.recorderState == RecorderState::Play) {
            EXPECT_TRUE(waitFor([&] { return program.timeShown().startsWith("000:01:"); }))
                << program.timeShown().toStdString();
        }
    }
    // Stop puts the head back to the start of the track.
    expectTimeShown("000:00:00");

    // The Display key: the recorder reports its new mode only when the poll asks for it.
    pressAndExpectLog(Key::Display, "DispKey", {kAckEcho});
    EXPECT_TRUE(waitFor([&] { return program.displayModeShown() == "REC date mode"; }))
        << program.displayModeShown().toStdString();
    EXPECT_EQ(program.timeShown(), "----------");
    pressAndExpectLog(Key::Display, "DispKey", {kAckEcho});
    EXPECT_TRUE(waitFor([&] { return program.displayModeShown() == "TRACK REMAIN TIME"; }))
        << program.displayModeShown().toStdString();
    expectTimeShown("000:03:35");
}

// After "RE" the recorder's next Stop report leaves the new track's number on screen.
TEST_F(LiveLink, RecordingShowsTheNewTrackAndKeepsItAfterStop) {
    waitForStartUp();
    pressAndExpectLog(Key::Rec, "RecKey1", {echoed("STRP"), kAckEcho});
    EXPECT_TRUE(waitFor([&] { return program.trackShown() == "005"; })) << program.trackShown().toStdString();
    EXPECT_EQ(program.linkState().recorder.state, RecorderState::RecPause);
    pressAndExpectLog(Key::Play, "PlayKey", {echoed("STRE"), kAckEcho});
    EXPECT_EQ(program.linkState().recorder.state, RecorderState::Rec);
    expectTimeReaches("000:00:01");
    pressAndExpectLog(Key::Stop, "StopKey", {echoed("STST"), kAckEcho});
    EXPECT_EQ(program.linkState().recorder.state, RecorderState::Stop);
    EXPECT_EQ(program.trackShown(), "005");
}

// Standby: the ACK puts the recorder state to standby and the polls stop; Power On brings the
// recorder's reports and with them the polls back.
TEST_F(LiveLink, StandbyStopsThePollsAndPowerOnBringsThemBack) {
    waitForStartUp();
    pressAndExpectLog(Key::Standby, "StandbyKey", {kAckEcho});
    EXPECT_EQ(program.linkState().recorder.state, RecorderState::Standby);
    EXPECT_EQ(program.timeShown(), "");
    const std::size_t framesInStandby = program.sentFrames().size();
    EXPECT_FALSE(waitFor([&] { return program.sentFrames().size() > framesInStandby; }, 700))
        << "a poll went out in standby: " << program.sentFrames().back();

    pressAndExpectLog(Key::PowerOn, "PowerOnKey", {echoed("STST"), echoed("PW00"), kAckEcho});
    EXPECT_EQ(program.linkState().recorder.state, RecorderState::Stop);
    expectTimeShown("000:00:00");
}

// A recorder that stops reading while its line carries noise. The window goes on at its own
// pace, keys and polls alike: the fault held it up to 1.6 s on every poll and key. Its own polls
// log one "connection error" for the outage, and only a key pressed meanwhile another; it shows
// no stale time, and asks for the status every 2 s without a line until the recorder reads
// again; the start-up chain then runs anew.
TEST_F(LiveLink, DeafLineWithNoiseNeverHoldsTheWindow) {
    waitForStartUp();
    const QString connectionError = QStringLiteral("connection error");
    program.sim.setStopReading(true);
    QTimer noise;
    QObject::connect(&noise, &QTimer::timeout, [&] { program.sim.sendNoise(sim::SimClock::now()); });
    noise.start(40);
    QTimer keys;
    QObject::connect(&keys, &QTimer::timeout, [&] { program.press("PlayKey"); });
    keys.start(700);

    // How long the event loop went between the beats of a 5 ms timer, beyond the beat.
    QElapsedTimer sinceBeat;
    std::vector<qint64> blocks;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        blocks.push_back(std::max<qint64>(0, sinceBeat.restart() - 5));
    });
    sinceBeat.start();
    beat.start(5);
    QTest::qWait(6000);
    beat.stop();
    keys.stop();

    std::sort(blocks.rbegin(), blocks.rend());
    ASSERT_GE(blocks.size(), 2u);
    // One long beat may be the machine's scheduler; the fault held every poll and key.
    EXPECT_LT(blocks[1], 50) << "the two longest blocks: " << blocks[0] << " and " << blocks[1] << " ms";
    QStringList log = program.log();
    std::reverse(log.begin(), log.end());
    int errors = 0;
    bool keySinceError = true;
    for (const QString& line : log) {
        if (line == keyLine(Key::Play)) keySinceError = true;
        if (line != connectionError) continue;
        ++errors;
        EXPECT_TRUE(keySinceError) << "a second error without a key: " << log.join(" | ").toStdString();
        keySinceError = false;
    }
    EXPECT_GE(errors, 1);
    EXPECT_FALSE(program.linkState().linkUp);
    EXPECT_EQ(program.timeShown(), "");
    EXPECT_EQ(program.trackShown(), "");

    const qsizetype linesWhileDeaf = program.log().size();
    noise.stop();
    program.sim.setStopReading(false);
    EXPECT_TRUE(waitFor([&] { return program.linkState().linkUp && program.timeShown() == "000:00:00"; }))
        << program.log().join(" | ").toStdString();
    const QStringList since = program.log().mid(0, program.log().size() - linesWhileDeaf);
    EXPECT_FALSE(since.contains(connectionError)) << since.join(" | ").toStdString();
}

// The About box is modal, but the receive ticks go on behind it.
TEST_F(LiveLink, TimeKeepsRunningBehindTheAboutBox) {
    waitForStartUp();
    pressAndExpectLog(Key::Play, "PlayKey", {echoed("STPL"), kAckEcho});
    Operator op;
    op.thenOpen("Help, About", [&] { program.mainWindow.findChild<QAction*>("About1")->trigger(); })
        .waitFor("the About box", [&] { return program.versionForm.isVisible(); })
        .waitFor("the time at 2 s", [&] { return timeAtLeast("000:00:02"); })
        .then("OK", [&] {
            QTest::mouseClick(program.versionForm.findChild<QPushButton*>("VersionOKbutton"), Qt::LeftButton);
        })
        .waitFor("the About box gone", [&] { return !program.versionForm.isVisible(); });
    EXPECT_TRUE(op.run());
}

TEST_F(LiveLink, PresetGateRefusesBeforeTheFirstStopReportAndOpensAfterIt) {
    // Before the event loop has run the recorder has not answered the status request yet.
    program.press("PresetKey");
    EXPECT_EQ(program.log().front(), kGateRefused);
    EXPECT_EQ(program.linkState().recorder.state, RecorderState::Standby);
    EXPECT_EQ(program.keysEnabled(), true);

    waitForStartUp();
    pressAndExpectLog(Key::Play, "PlayKey", {echoed("STPL"), kAckEcho});
    program.press("PresetKey");
    EXPECT_EQ(program.log().front(), kGateRefused);
    pressAndExpectLog(Key::Stop, "StopKey", {echoed("STST"), kAckEcho});
    const auto asked = [&] {
        const auto frames = program.sentFrames();
        return std::count(frames.begin(), frames.end(), "@0?PS");
    };
    EXPECT_EQ(asked(), 0) << "a refused gate sent the preset queries";

    bool keysOffWhileShown = false;
    QStringList logWhileShown;
    Operator op;
    op.then("Preset Menu", [&] { program.press("PresetKey"); })
        .waitFor("the editor shown", [&] { return program.editorSettled(); })
        .then("look at the main window", [&] {
            keysOffWhileShown = program.keysEnabled() == false;
            logWhileShown = program.log();
        })
        .then("Close", [&] { program.click("CloseKey"); })
        .waitFor("the editor gone", [&] { return !program.editorShown(); });
    ASSERT_TRUE(op.run());
    EXPECT_TRUE(keysOffWhileShown);
    EXPECT_EQ(logWhileShown.front(), "Read preset. Please wait...");
    EXPECT_EQ(asked(), 1);
    EXPECT_EQ(program.keysEnabled(), true);
}

}  // namespace
}  // namespace tavrin::test
