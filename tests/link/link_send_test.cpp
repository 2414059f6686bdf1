#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/frames.h"
#include "link/link.h"
#include "link/log_lines.h"
#include "support/fakes.h"

namespace tavrin::link {
namespace {

using platform::OpenError;
using platform::OpenResult;
using protocol::DisplayMode;
using protocol::Key;
using protocol::RecorderState;
using protocol::ReplyKind;
using test::FakeDisplays;
using test::FakeLog;
using test::FakePort;
using test::FixedClock;
using Lines = std::vector<std::string>;

// The failed-write reset hands the transfer part on first; the log must not have its line yet.
class ResetHooks final : public TransferHooks {
public:
    explicit ResetHooks(const FakeLog& log) : log_(log) {}
    bool editorOpen() const override { return false; }
    void acknowledgement(bool) override {}
    void presetReply(const ReplyKind&) override {}
    void id3OutsideTransfer(std::string_view) override {}
    void failedWrite() override { logWhenReset.push_back(log_.top()); }
    void tickEnded() override {}

    Lines logWhenReset;  // the top log line at each reset

private:
    const FakeLog& log_;
};

class LinkSendTest : public ::testing::Test {
protected:
    LinkSendTest() {
        link.attach(log, displays);
        link.setTransferHooks(&hooks);
    }

    void openPort() {
        link.changePort(2);
        port.takeWrites();
        log.clear();
    }

    FakePort port;
    FakeLog log;
    FakeDisplays displays;
    FixedClock clock;  // 09:05:30
    ResetHooks hooks{log};
    Link link{port, clock};
};

// The log line of a command: its text padded to column 26, the time, five blanks.
std::string logged(std::string text) {
    text.resize(26, ' ');
    return text + "09:05:30     ";
}

struct KeyRow {
    const char* name;
    Key key;
    const char* frame;  // without its CR
    const char* logText;
};

class KeyTest : public LinkSendTest, public ::testing::WithParamInterface<KeyRow> {};

TEST_P(KeyTest, SendsItsFrameAndLogsItsLine) {
    const KeyRow& row = GetParam();
    openPort();
    link.sendKey(row.key);
    EXPECT_EQ(port.takeWrites(), Lines{std::string(row.frame) + "\r"});
    EXPECT_EQ(log.lines, Lines{logged(row.logText)});
}

TEST_P(KeyTest, OnAClosedPortLogsItsLineAboveConnectionError) {
    const KeyRow& row = GetParam();
    link.sendKey(row.key);
    EXPECT_EQ(log.lines, (Lines{logged(row.logText), "connection error"}));
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyTest, ::testing::Values(
    KeyRow{"Play", Key::Play, "@02353", "->@02353 (Play)"},
    KeyRow{"Stop", Key::Stop, "@02354", "->@02354 (Stop)"},
    KeyRow{"Pause", Key::Pause, "@02348", "->@02348 (Pause)"},
    KeyRow{"Rec", Key::Rec, "@02355", "->@02355 (REC)"},
    KeyRow{"RecUndo", Key::RecUndo, "@023RU", "->@023RU (REC undo)"},
    KeyRow{"MReset", Key::MReset, "@023MR", "->@023MR (Margin Rest)"},
    KeyRow{"MTrack", Key::MTrack, "@023MT", "->@023MT (Manual Track)"},
    KeyRow{"RecVolUp", Key::RecVolUp, "@023V+", "->@023V+ (RecVolume +)"},
    KeyRow{"RecVolDown", Key::RecVolDown, "@023V-", "->@023V- (RecVolume -)"},
    KeyRow{"RecVolLeft", Key::RecVolLeft, "@023BL", "->@023BL (RecVolume L)"},
    KeyRow{"RecVolRight", Key::RecVolRight, "@023BR", "->@023BR (RecVolume R)"},
    KeyRow{"JumpBack", Key::JumpBack, "@02333", "->@02333 (Track Jump -)"},
    KeyRow{"JumpFF", Key::JumpFF, "@02332", "->@02332 (Track Jump +)"},
    KeyRow{"Rew", Key::Rew, "@02350", "->@02350 (RWD On)"},
    KeyRow{"FF", Key::FF, "@02352", "->@02352 (FF On)"},
    KeyRow{"ABRepeat", Key::ABRepeat, "@02359", "->@02359 (A-B Repeat)"},
    KeyRow{"Mark", Key::Mark, "@023121", "->@023121 (Mark)"},
    KeyRow{"MarkMinus", Key::MarkMinus, "@023M-", "->@023M- (Mark -)"},
    KeyRow{"MarkPlus", Key::MarkPlus, "@023M+", "->@023M+ (Mark +)"},
    KeyRow{"Display", Key::Display, "@02311", "->@02311 (Display)"},
    KeyRow{"One", Key::One, "@02301", "->@02301 (1)"},
    KeyRow{"Two", Key::Two, "@02302", "->@02302 (2)"},
    KeyRow{"Three", Key::Three, "@02303", "->@02303 (3)"},
    KeyRow{"Four", Key::Four, "@02304", "->@02304 (4)"},
    KeyRow{"Five", Key::Five, "@02305", "->@02305 (5)"},
    KeyRow{"Six", Key::Six, "@02306", "->@02306 (6)"},
    KeyRow{"Seven", Key::Seven, "@02307", "->@02307 (7)"},
    KeyRow{"Eight", Key::Eight, "@02308", "->@02308 (8)"},
    KeyRow{"Nine", Key::Nine, "@02309", "->@02309 (9)"},
    KeyRow{"Zero", Key::Zero, "@02300", "->@02300 (0)"},
    KeyRow{"PowerOn", Key::PowerOn, "@023PW", "->@023PW (Power On)"},
    KeyRow{"Standby", Key::Standby, "@02312", "->@02312 (Standby)"}),
    [](const ::testing::TestParamInfo<KeyRow>& info) { return std::string(info.param.name); });

TEST(LogLine, TextOfTwentySixCharactersIsFollowedDirectlyByTheTime) {
    const std::string text = "->@0ABCDEFGHIJ (Name 1234)";
    ASSERT_EQ(text.size(), 26u);
    const std::string line = commandLogLine(text, platform::TimeOfDay{23, 59, 7});
    EXPECT_EQ(line, "->@0ABCDEFGHIJ (Name 1234)23:59:07     ");
    EXPECT_EQ(line.size(), 39u);
}

TEST(LogLine, ShorterTextIsPaddedToColumnTwentySix) {
    const std::string line = commandLogLine("->@02353 (Play)", platform::TimeOfDay{0, 0, 0});
    EXPECT_EQ(line, "->@02353 (Play)           00:00:00     ");
    EXPECT_EQ(line.size(), 39u);
}

TEST(ReplyEcho, ShowsEveryCrAsC) {
    EXPECT_EQ(replyEcho("@0STPL\r"), "<-@0STPLc");
    EXPECT_EQ(replyEcho("\r@\r"), "<-c@c");
    EXPECT_EQ(replyEcho("ACK"), "<-ACK");
}

TEST_F(LinkSendTest, RequestsSendTheirFramesAndOnlyTheButtonsAreLogged) {
    openPort();
    link.requestStatus();
    link.requestTimeLogged();
    link.requestDisplayMode();
    link.requestTime();
    EXPECT_EQ(port.takeWrites(), (Lines{"@0?ST\r", "@0?TI\r", "@0?TMOD\r", "@0?TI\r"}));
    EXPECT_EQ(log.lines, (Lines{logged("->@0?TI (Time Request)"), logged("->@0?ST (Status Request)")}));
}

// A write the port takes is not yet a byte the recorder has: only an answer brings a link that is
// down up again, while an open starts it up.
TEST_F(LinkSendTest, OpenSetsTheLinkUpAndATakenWriteDoesNot) {
    openPort();
    EXPECT_TRUE(link.state().linkUp);
    link.stateForTesting().linkUp = false;
    link.requestTime();
    link.sendKey(Key::Play);
    EXPECT_FALSE(link.state().linkUp);
}

// The bytes a port took and could not get out in time are a failed write too, found by the next
// tick; while the link is down, the quiet polls that fail the same way add no line.
TEST_F(LinkSendTest, WriteStuckInThePortIsAFailedWriteOncePerOutage) {
    openPort();
    port.timeOutWrites = true;
    link.RxTimerTimer();
    EXPECT_EQ(log.lines, Lines{"connection error"});
    EXPECT_FALSE(link.state().linkUp);
    for (int i = 0; i < 3; ++i) {
        port.timeOutWrites = true;
        link.RxTimerTimer();
    }
    EXPECT_EQ(log.lines, Lines{"connection error"});
}

TEST_F(LinkSendTest, WriteOnAPortThatNeverOpenedRunsTheReset) {
    link.stateForTesting().linkUp = true;
    link.stateForTesting().recorder.afterRecord = true;
    link.stateForTesting().recorder.state = RecorderState::Play;
    link.stateForTesting().recorder.displayMode = DisplayMode::TrackTime;
    link.requestTime();
    EXPECT_EQ(log.lines, Lines{"connection error"});
    EXPECT_EQ(hooks.logWhenReset, Lines{""});  // the transfer part runs before the line
    EXPECT_FALSE(link.state().linkUp);
    EXPECT_FALSE(link.state().recorder.afterRecord);
    EXPECT_EQ(link.state().recorder.state, RecorderState::Play);
    EXPECT_EQ(link.state().recorder.displayMode, DisplayMode::TrackTime);
}

TEST_F(LinkSendTest, ShortWriteIsAFailedWrite) {
    openPort();
    port.writeLimit = 7;
    link.sendKey(Key::Mark);  // eight bytes
    EXPECT_EQ(log.lines, (Lines{logged("->@023121 (Mark)"), "connection error"}));
    EXPECT_FALSE(link.state().linkUp);
}

TEST_F(LinkSendTest, StandbyFlagIsStillSetAfterAFailedWrite) {
    link.stateForTesting().recorder.standbyPending = false;
    link.sendKey(Key::Standby);
    EXPECT_EQ(log.lines, (Lines{logged("->@02312 (Standby)"), "connection error"}));
    EXPECT_TRUE(link.state().recorder.standbyPending);
}

TEST_F(LinkSendTest, FailedWriteClearsAPendingStandby) {
    openPort();
    link.sendKey(Key::Standby);
    ASSERT_TRUE(link.state().recorder.standbyPending);
    port.writeLimit = 0;
    link.sendKey(Key::Play);
    EXPECT_FALSE(link.state().recorder.standbyPending);
}

TEST_F(LinkSendTest, BlockOfFramesFailsOnce) {
    link.sendSilent("@0?PS\r@0?IN\r@0?DF\r");
    EXPECT_EQ(log.lines, Lines{"connection error"});
}

TEST_F(LinkSendTest, TrackJumpsSetTheTimeCountdownToFifty) {
    openPort();
    for (Key key : {Key::JumpBack, Key::JumpFF}) {
        link.stateForTesting().polls.timeCountdown = 3;
        link.sendKey(key);
        EXPECT_EQ(link.state().polls.timeCountdown, 50);
    }
    link.stateForTesting().polls.timeCountdown = 3;
    link.sendKey(Key::Play);
    EXPECT_EQ(link.state().polls.timeCountdown, 3);
}

TEST_F(LinkSendTest, PortChangePurgesClosesReopensAndAsksForStatus) {
    link.changePort(5);
    EXPECT_EQ(port.openedName, platform::comPortName(5));
    EXPECT_EQ(link.state().portNumber, 5);
    EXPECT_EQ(port.takeWrites(), Lines{"@0?ST\r"});
    EXPECT_EQ(log.lines, Lines{logged("->@0?ST (Status Request)")});
    EXPECT_EQ(link.state().polls.displayModeCountdown, 15);
    EXPECT_EQ(link.state().polls.timeCountdown, 40);
    EXPECT_TRUE(link.state().linkUp);
    // The same number again still purges, closes and reopens.
    link.changePort(5);
    EXPECT_EQ(port.purges, 2);
    EXPECT_EQ(port.closes, 2);
    EXPECT_EQ(port.takeWrites(), Lines{"@0?ST\r"});
}

TEST_F(LinkSendTest, PortChangeDropsWhatWasQueued) {
    openPort();
    port.receive("@0STPL\r");
    link.changePort(3);
    EXPECT_EQ(port.bytesWaiting(), 0u);
}

struct OpenErrorRow {
    const char* name;
    OpenResult result;
    Lines log;  // newest first
};

class OpenErrorTest : public LinkSendTest, public ::testing::WithParamInterface<OpenErrorRow> {};

TEST_P(OpenErrorTest, LogsWhyAndSendsNothing) {
    const OpenErrorRow& row = GetParam();
    openPort();
    link.stateForTesting().polls.displayModeCountdown = 7;
    link.stateForTesting().polls.timeCountdown = 9;
    port.openReturns = row.result;
    link.changePort(1);
    EXPECT_EQ(log.lines, row.log);
    EXPECT_FALSE(port.isOpen);  // the previous port is closed by then
    EXPECT_EQ(port.takeWrites(), Lines{});
    EXPECT_EQ(link.state().polls.displayModeCountdown, 7);
    EXPECT_EQ(link.state().polls.timeCountdown, 9);
}

INSTANTIATE_TEST_SUITE_P(Errors, OpenErrorTest, ::testing::Values(
    OpenErrorRow{"NoSuchPort", {OpenError::NoSuchPort, 2, "No such file or directory"},
                 {"(COM1 is " + platform::comPortName(1) + ": No such file or directory)", "com port number error"}},
    OpenErrorRow{"Busy", {OpenError::Busy, 16, "Device or resource busy"}, {"com port busy"}},
    OpenErrorRow{"Other", {OpenError::Other, 5, "Input/output error"},
                 {"(COM1 is " + platform::comPortName(1) + ": Input/output error)", "com port5 error"}},
    OpenErrorRow{"PermissionDenied", {OpenError::PermissionDenied, 13, "Permission denied"},
                 {"(no permission: join group dialout)", "com port13 error"}}),
    [](const ::testing::TestParamInfo<OpenErrorRow>& info) { return std::string(info.param.name); });

TEST_F(LinkSendTest, KeyAfterFailedOpenLogsAboveConnectionError) {
    port.openReturns = {OpenError::NoSuchPort, 2, "No such file or directory"};
    link.changePort(9);
    link.sendKey(Key::Play);
    EXPECT_EQ(log.lines, (Lines{logged("->@02353 (Play)"), "connection error",
                                "(COM9 is " + platform::comPortName(9) + ": No such file or directory)",
                                "com port number error"}));
}

}  // namespace
}  // namespace tavrin::link
