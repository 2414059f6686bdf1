#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "link/link.h"
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

// Journals what the tick hands on to the preset transfer.
class FakeHooks final : public TransferHooks {
public:
    bool editorOpen() const override { return open; }
    void acknowledgement(bool ack) override { events.push_back(ack ? "ack" : "nak"); }
    void presetReply(const ReplyKind& reply) override {
        events.push_back("preset " + std::string(protocol::info(reply.setting).query));
        if (onPresetReply) onPresetReply(reply);
    }
    void id3OutsideTransfer(std::string_view six) override { events.push_back("id3 " + std::string(six)); }
    void failedWrite() override { events.push_back("failed write"); }
    void tickEnded() override { ++ticksEnded; }

    bool open = false;
    std::vector<std::string> events;
    int ticksEnded = 0;
    std::function<void(const ReplyKind&)> onPresetReply;
};

class ReceiveLoopTest : public ::testing::Test {
protected:
    ReceiveLoopTest() {
        port.isOpen = true;
        link.attach(log, displays);
        link.setTransferHooks(&hooks);
    }

    // One tick that reads bytes (at most 32 of them; the rest stays queued).
    void tick(std::string_view bytes = {}) {
        port.receive(bytes);
        link.RxTimerTimer();
    }
    void ticks(int count) {
        for (int i = 0; i < count; ++i) link.RxTimerTimer();
    }
    // A stopped recorder in a time mode, link up, no poll due for a long time.
    void stoppedInTimeMode() {
        LinkState& s = link.stateForTesting();
        s.linkUp = true;
        s.recorder.state = RecorderState::Stop;
        s.recorder.displayMode = DisplayMode::RecRemainTime;
        s.polls.displayModeCountdown = 1000;
        s.polls.timeCountdown = 1000;
    }

    FakePort port;
    FakeLog log;
    FakeDisplays displays;
    FixedClock clock;
    FakeHooks hooks;
    Link link{port, clock};
};

using Lines = std::vector<std::string>;

TEST_F(ReceiveLoopTest, LineSplitOverTwoTicksIsHandledOnceInTheSecond) {
    tick("@0ST");
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(link.state().recorder.state, RecorderState::Standby);
    tick("PL\r");
    EXPECT_EQ(log.lines, Lines{"<-@0STPLc"});
    EXPECT_EQ(link.state().recorder.state, RecorderState::Play);
    tick();
    EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(ReceiveLoopTest, AckThenLineInOneReadGivesTwoEntriesAckFirst) {
    tick("\x06@0STPL\r");
    EXPECT_EQ(log.lines, (Lines{"<-@0STPLc", "<-ACK"}));
}

TEST_F(ReceiveLoopTest, NakIsEchoedAsInvalid) {
    tick("\x15");
    EXPECT_EQ(log.lines, Lines{"<-invalid(NAK returned)"});
}

TEST_F(ReceiveLoopTest, AckNotFirstInReadIsSkipped) {
    link.stateForTesting().recorder.standbyPending = true;
    hooks.open = true;
    tick("@0STPL\r\x06");
    EXPECT_EQ(log.lines, Lines{"<-@0STPLc"});
    EXPECT_TRUE(link.state().recorder.standbyPending);
    EXPECT_TRUE(hooks.events.empty());
}

TEST_F(ReceiveLoopTest, ReadStartingWithAtDropsPendingLine) {
    tick("@0ST");
    tick("@0STPP\r");
    EXPECT_EQ(log.lines, Lines{"<-@0STPPc"});
    EXPECT_EQ(link.state().recorder.state, RecorderState::PlayPause);
}

TEST_F(ReceiveLoopTest, ZeroByteInsideLineKeepsTheBytesBeforeItPending) {
    tick(std::string_view("@0ST\0PP\r", 8));
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(link.state().lines.pendingLength(), 4);
    tick("PL\r");
    EXPECT_EQ(log.lines, Lines{"<-@0STPLc"});
}

TEST_F(ReceiveLoopTest, NoiseBetweenLinesIsSkipped) {
    tick("\n@0STPL\r\nxyz@0STPP\r");
    EXPECT_EQ(log.lines, (Lines{"<-@0STPPc", "<-@0STPLc"}));
}

TEST_F(ReceiveLoopTest, EleventhLineOfATickTakesThePlaceOfTheTenth) {
    tick("@1\r@2\r@3\r@4\r@5\r@6\r@7\r@8\r@\r@X\r@Y\r");  // exactly 32 bytes
    EXPECT_EQ(log.lines, (Lines{"<-@Yc", "<-@c", "<-@8c", "<-@7c", "<-@6c", "<-@5c", "<-@4c", "<-@3c",
                                "<-@2c", "<-@1c"}));
}

TEST_F(ReceiveLoopTest, BytesBeyondThirtyTwoWaitForTheNextTick) {
    tick("@0STPL\r@0STPP\r@0STFF\r@0STRW\r@0STAB\r");  // 35 bytes
    EXPECT_EQ(log.lines.size(), 4u);
    EXPECT_EQ(link.state().lines.pendingLength(), 4);  // "@0ST" of the fifth line
    tick();
    EXPECT_EQ(log.top(), "<-@0STABc");
}

// A line nobody answers on may still carry noise: only the recorder's own answers count.
TEST_F(ReceiveLoopTest, NoiseLeavesALinkThatIsDownDownAndAnAnswerBringsItUpWithThePollsAnew) {
    for (std::string_view noise : {"x", "\n\xff\x01", "@0XYZ\r"}) {
        tick(noise);
        EXPECT_FALSE(link.state().linkUp) << noise;
    }
    tick("\x15");
    EXPECT_TRUE(link.state().linkUp);
    // Armed as after an open, and counted down once by the tick that brought the answer.
    EXPECT_EQ(link.state().polls.displayModeCountdown, link::PollSchedule::kDisplayModeInterval - 1);
    EXPECT_EQ(link.state().polls.timeCountdown, link::PollSchedule::kFirstTimeRequest - 1);
}

// --- state 11 ---

TEST_F(ReceiveLoopTest, NothingIsEchoedDuringPresetTransfer) {
    link.stateForTesting().recorder.state = RecorderState::PresetTransfer;
    tick("\x06@0STPL\r@0TMTN\r@0XYZ\r");
    tick("\x15");
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(link.state().recorder.state, RecorderState::PresetTransfer);
    EXPECT_EQ(link.state().recorder.displayMode, DisplayMode::None);
}

TEST_F(ReceiveLoopTest, SettingRepliesInPresetTransferGoToThePresetRead) {
    link.stateForTesting().recorder.state = RecorderState::PresetTransfer;
    tick("@0INUN\r@0STPL\r@0D3ABCDEF\r");
    EXPECT_EQ(hooks.events, (Lines{"preset IN", "preset D3"}));
}

TEST_F(ReceiveLoopTest, AcknowledgementWithEditorOpenIsHandedOnBeforeTheReplies) {
    link.stateForTesting().recorder.state = RecorderState::PresetTransfer;
    hooks.open = true;
    tick("\x06@0PS01\r");
    tick("\x15");
    EXPECT_EQ(hooks.events, (Lines{"ack", "preset PS", "nak"}));
}

TEST_F(ReceiveLoopTest, AcknowledgementWithEditorClosedIsNotHandedOn) {
    tick("\x06");
    tick("\x15");
    EXPECT_TRUE(hooks.events.empty());
}

TEST_F(ReceiveLoopTest, StopReportEndsPresetTransferWithoutEcho) {
    link.stateForTesting().recorder.state = RecorderState::PresetTransfer;
    displays.track = "012";
    tick("@0STST\r@0INBA\r");
    EXPECT_EQ(link.state().recorder.state, RecorderState::Other);  // the setting reply now counts as "other"
    EXPECT_EQ(log.lines, Lines{"<-@0INBAc"});
    EXPECT_EQ(displays.track, "");
    EXPECT_TRUE(hooks.events.empty());
}

TEST_F(ReceiveLoopTest, PresetRepliesAreDroppedWithoutHooks) {
    link.setTransferHooks(nullptr);
    link.stateForTesting().recorder.state = RecorderState::PresetTransfer;
    tick("\x06@0D3ABCDEF\r");
    link.stateForTesting().recorder.state = RecorderState::Stop;
    tick("@0D3ABCDEF\r");
    EXPECT_EQ(log.lines, Lines{"<-@0D3ABCDEFc"});
}

// The editor is shown modally from inside a preset reply, and ticks go on nested inside it.
TEST_F(ReceiveLoopTest, NestedTickInsidePresetReplyLeavesTheOuterListIntact) {
    link.stateForTesting().recorder.state = RecorderState::PresetTransfer;
    bool editorShown = false;
    hooks.onPresetReply = [&](const ReplyKind& reply) {
        if (reply.setting != protocol::PresetSetting::ID3 || editorShown) return;
        editorShown = true;
        tick("@0AFPM\r@0STST\r");  // the recorder stops while the editor is up
        tick("@0STPL\r");
    };
    tick("@0D3ABCDEF\r@0PS02\r");
    EXPECT_EQ(hooks.events, (Lines{"preset D3", "preset AF"}));
    // The rest of the outer list is judged by the state the nested ticks left.
    EXPECT_EQ(log.lines, (Lines{"<-@0PS02c", "<-@0STPLc"}));
    EXPECT_EQ(link.state().recorder.state, RecorderState::Other);
    EXPECT_EQ(hooks.ticksEnded, 3);
}

// --- effects outside state 11 ---

struct EffectRow {
    const char* name;
    const char* line;
    RecorderState state;  // recorder state afterwards
    int timeCountdown;    // after the tick's own time poll
    const char* track;    // TrackEdit afterwards (it held "007")
    const char* time;     // TimeEdit afterwards (it held "T")
    bool echoed;
};

class EffectTest : public ReceiveLoopTest, public ::testing::WithParamInterface<EffectRow> {};

TEST_P(EffectTest, AppliesTheEffect) {
    const EffectRow& row = GetParam();
    LinkState& s = link.stateForTesting();
    s.linkUp = true;
    s.recorder.state = RecorderState::Play;
    s.recorder.displayMode = DisplayMode::TotalTrack;  // not a time mode: no time request goes out
    s.polls.timeCountdown = 30;
    s.polls.displayModeCountdown = 30;
    displays.track = "007";
    displays.time = "T";
    tick(std::string(row.line) + "\r");
    EXPECT_EQ(s.recorder.state, row.state);
    EXPECT_EQ(s.polls.timeCountdown, row.timeCountdown);
    EXPECT_EQ(displays.track, row.track);
    EXPECT_EQ(displays.time, row.time);
    EXPECT_EQ(log.lines, row.echoed ? Lines{"<-" + std::string(row.line) + "c"} : Lines{});
    EXPECT_EQ(port.takeWritten(), "");
}

INSTANTIATE_TEST_SUITE_P(Replies, EffectTest, ::testing::Values(
    EffectRow{"StatusStop", "@0STST", RecorderState::Stop, 0, "", "T", true},
    EffectRow{"StatusRec", "@0STRE", RecorderState::Rec, 15, "007", "T", true},
    EffectRow{"StatusRecPause", "@0STRP", RecorderState::RecPause, 0, "007", "T", true},
    EffectRow{"StatusTS", "@0STTS", RecorderState::TS, 74, "007", "", true},
    EffectRow{"StatusPlay", "@0STPL", RecorderState::Play, 0, "007", "T", true},
    EffectRow{"StatusPlayPause", "@0STPP", RecorderState::PlayPause, 29, "007", "T", true},
    EffectRow{"StatusSearchPlus", "@0STS+", RecorderState::SPlus, 0, "007", "T", true},
    EffectRow{"StatusSearchMinus", "@0STS-", RecorderState::SMinus, 0, "007", "T", true},
    EffectRow{"StatusFastForward", "@0STFF", RecorderState::FastForward, 0, "007", "T", true},
    EffectRow{"StatusRewind", "@0STRW", RecorderState::Rewind, 0, "007", "T", true},
    EffectRow{"StatusAB", "@0STAB", RecorderState::Play, 29, "007", "T", true},
    EffectRow{"StatusTP", "@0STTP", RecorderState::Play, 29, "007", "T", true},
    EffectRow{"StatusEP", "@0STEP", RecorderState::Play, 29, "007", "T", true},
    EffectRow{"StatusED", "@0STED", RecorderState::PresetTransfer, 29, "007", "T", true},
    EffectRow{"StatusER", "@0STER", RecorderState::Other, 29, "007", "T", true},
    EffectRow{"StatusWR", "@0STWR", RecorderState::Other, 29, "007", "T", true},
    EffectRow{"StatusEW", "@0STEW", RecorderState::Other, 29, "007", "T", true},
    EffectRow{"StatusRU", "@0STRU", RecorderState::Other, 29, "007", "T", true},
    EffectRow{"PowerModeZero", "@0PW00", RecorderState::Play, 29, "007", "T", true},
    EffectRow{"PowerModeOne", "@0PW01", RecorderState::Standby, 29, "", "", true},
    EffectRow{"DoorSensor", "@0DS01", RecorderState::Other, 29, "007", "T", true},
    EffectRow{"Card", "@0CDNC", RecorderState::Other, 29, "007", "T", true},
    EffectRow{"Unknown", "@0XYZ", RecorderState::Other, 29, "007", "T", true},
    EffectRow{"Setting", "@0INBA", RecorderState::Other, 29, "007", "T", true},
    EffectRow{"RemoteModeWithoutValue", "@0RCPW", RecorderState::Other, 29, "007", "T", true},
    EffectRow{"IdOne", "@0D1ABCDEF", RecorderState::Other, 29, "007", "T", true},
    EffectRow{"IdThree", "@0D3ABCDEF", RecorderState::Play, 29, "007", "T", true},
    EffectRow{"TrackOutsideTimeMode", "@0TR012", RecorderState::Play, 29, "007", "", false},
    EffectRow{"TimeOutsideTimeMode", "@0TI0012345", RecorderState::Play, 29, "007", "T", false},
    EffectRow{"DisplayModeSame", "@0TMTN", RecorderState::Play, 29, "007", "T", false}),
    [](const ::testing::TestParamInfo<EffectRow>& info) { return std::string(info.param.name); });

TEST_F(ReceiveLoopTest, IdThreeOutsideTransferIsHandedOn) {
    link.stateForTesting().recorder.state = RecorderState::Stop;
    tick("@0D3AB12CD\r");
    EXPECT_EQ(hooks.events, Lines{"id3 AB12CD"});
}

struct DisplayModeRow {
    const char* code;
    DisplayMode mode;
    const char* label;
    bool hyphens;  // a mode without time shows ten hyphens in TimeEdit
};

class DisplayModeTest : public ReceiveLoopTest, public ::testing::WithParamInterface<DisplayModeRow> {};

TEST_P(DisplayModeTest, SetsModeLabelAndTime) {
    const DisplayModeRow& row = GetParam();
    displays.time = "T";
    tick("@0TM" + std::string(row.code) + "\r");
    EXPECT_EQ(link.state().recorder.displayMode, row.mode);
    EXPECT_EQ(displays.dispMode, row.label);
    EXPECT_EQ(displays.time, row.hyphens ? "----------" : "T");
    EXPECT_TRUE(log.lines.empty());
}

TEST_P(DisplayModeTest, ReplyEqualToCurrentModeChangesNothing) {
    const DisplayModeRow& row = GetParam();
    link.stateForTesting().recorder.displayMode = row.mode;
    displays.time = "T";
    displays.dispMode = "label";
    tick("@0TM" + std::string(row.code) + "\r");
    EXPECT_EQ(displays.dispMode, "label");
    EXPECT_EQ(displays.time, "T");
}

INSTANTIATE_TEST_SUITE_P(Modes, DisplayModeTest, ::testing::Values(
    DisplayModeRow{"RE", DisplayMode::RecRemainTime, "REC REMAIN TIME", false},
    DisplayModeRow{"TN", DisplayMode::TotalTrack, "Total track mode", true},
    DisplayModeRow{"TM", DisplayMode::TotalMark, "Total mark mode", true},
    DisplayModeRow{"AG", DisplayMode::Algorithm, "Algolithm mode", true},
    DisplayModeRow{"ND", DisplayMode::Date, "Date mode", true},
    DisplayModeRow{"TT", DisplayMode::TrackTime, "TRACK TIME", false},
    DisplayModeRow{"RD", DisplayMode::RecDate, "REC date mode", true},
    DisplayModeRow{"TR", DisplayMode::TrackRemainTime, "TRACK REMAIN TIME", false}),
    [](const ::testing::TestParamInfo<DisplayModeRow>& info) { return std::string(info.param.code); });

TEST_F(ReceiveLoopTest, TimeInTimeModeIsShownWithColons) {
    for (DisplayMode mode : {DisplayMode::RecRemainTime, DisplayMode::TrackTime, DisplayMode::TrackRemainTime}) {
        link.stateForTesting().recorder.displayMode = mode;
        displays.time.clear();
        tick("@0TI0012345\r");
        EXPECT_EQ(displays.time, "001:23:45") << "mode " << testing::PrintToString(mode);
    }
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(ReceiveLoopTest, TrackInTimeModeKeepsLeadingZerosAndClearsTime) {
    link.stateForTesting().recorder.displayMode = DisplayMode::TrackRemainTime;
    displays.time = "001:23:45";
    tick("@0TR012\r");
    EXPECT_EQ(displays.track, "012");
    EXPECT_EQ(displays.time, "");
}

TEST_F(ReceiveLoopTest, TrackReplyInModeTwoKeepsTrackAndClearsHyphens) {
    tick("@0TMTN\r");
    displays.track = "005";
    ASSERT_EQ(displays.time, "----------");
    tick("@0TR012\r");
    EXPECT_EQ(displays.track, "005");
    EXPECT_EQ(displays.time, "");
}

TEST_F(ReceiveLoopTest, RecThenStopKeepsTheTrackAndTheCountdown) {
    stoppedInTimeMode();
    tick("@0STRE\r");
    EXPECT_EQ(port.takeWritten(), "@0?TI\r");  // countdown 0: the time request goes out at once
    EXPECT_EQ(link.state().polls.timeCountdown, 15);
    displays.track = "012";
    tick("@0STST\r");
    EXPECT_EQ(displays.track, "012");
    EXPECT_FALSE(link.state().recorder.afterRecord);
    EXPECT_EQ(link.state().polls.timeCountdown, 14);
    tick("@0STST\r");
    EXPECT_EQ(displays.track, "");
    EXPECT_EQ(port.takeWritten(), "");
    tick();
    EXPECT_EQ(port.takeWritten(), "@0?TI\r");
}

// --- polls ---

TEST_F(ReceiveLoopTest, PollsGoOutOnTheirExactTicksAfterOpen) {
    link.changePort(2);
    ASSERT_EQ(port.takeWritten(), "@0?ST\r");
    LinkState& s = link.stateForTesting();
    s.recorder.state = RecorderState::Stop;
    s.recorder.displayMode = DisplayMode::RecRemainTime;
    std::vector<std::pair<int, std::string>> sent;
    for (int t = 1; t <= 60; ++t) {
        link.RxTimerTimer();
        for (const std::string& w : port.takeWrites()) sent.emplace_back(t, w);
    }
    const std::vector<std::pair<int, std::string>> expected = {
        {16, "@0?TMOD\r"}, {32, "@0?TMOD\r"}, {41, "@0?TI\r"}, {48, "@0?TMOD\r"}, {57, "@0?TI\r"}};
    EXPECT_EQ(sent, expected);
}

TEST_F(ReceiveLoopTest, TimePollEveryFiftyOneTicksInStateTS) {
    stoppedInTimeMode();
    tick("@0STTS\r");
    std::vector<int> timeTicks;
    for (int t = 1; t <= 200; ++t) {
        link.RxTimerTimer();
        for (const std::string& w : port.takeWrites())
            if (w == "@0?TI\r") timeTicks.push_back(t);
    }
    // The report's tick already counts 75 down to 74; afterwards the request repeats every 51.
    EXPECT_EQ(timeTicks, (std::vector<int>{75, 126, 177}));
}

TEST_F(ReceiveLoopTest, StatusChangeBringsTimeRequestToTheNextTick) {
    stoppedInTimeMode();
    tick("@0STPL\r");
    EXPECT_EQ(port.takeWritten(), "");
    tick();
    EXPECT_EQ(port.takeWritten(), "@0?TI\r");
}

TEST_F(ReceiveLoopTest, NoTimePollOutsideTimeModesOrInPlayPause) {
    stoppedInTimeMode();
    link.stateForTesting().polls.timeCountdown = 0;
    link.stateForTesting().recorder.displayMode = DisplayMode::TotalTrack;
    ticks(1);
    link.stateForTesting().recorder.displayMode = DisplayMode::RecRemainTime;
    link.stateForTesting().recorder.state = RecorderState::PlayPause;
    link.stateForTesting().polls.timeCountdown = 0;
    ticks(1);
    link.stateForTesting().recorder.state = RecorderState::Other;
    link.stateForTesting().polls.timeCountdown = 0;
    ticks(1);
    EXPECT_EQ(port.takeWritten(), "");
    EXPECT_EQ(link.state().polls.timeCountdown, 15);
}

TEST_F(ReceiveLoopTest, TimeCountdownStaysAtZeroWhileLinkIsDown) {
    stoppedInTimeMode();
    link.stateForTesting().linkUp = false;
    link.stateForTesting().polls.timeCountdown = 0;
    link.stateForTesting().polls.displayModeCountdown = 0;
    ticks(3);
    EXPECT_EQ(link.state().polls.timeCountdown, 0);
    EXPECT_EQ(link.state().polls.displayModeCountdown, 13);
    EXPECT_EQ(port.takeWritten(), "@0?ST\r");  // only the status request of a link that is down
}

TEST_F(ReceiveLoopTest, NoPollsWhileEditorIsOpen) {
    stoppedInTimeMode();
    hooks.open = true;
    link.stateForTesting().polls.timeCountdown = 0;
    link.stateForTesting().polls.displayModeCountdown = 0;
    ticks(40);
    EXPECT_EQ(port.takeWritten(), "");
}

TEST_F(ReceiveLoopTest, StandbyStopsPollsUntilAckThenOnlyStatusRestartsThem) {
    stoppedInTimeMode();
    link.stateForTesting().polls.timeCountdown = 0;
    link.stateForTesting().polls.displayModeCountdown = 0;
    link.sendKey(Key::Standby);
    ASSERT_EQ(port.takeWritten(), "@02312\r");
    ticks(40);
    EXPECT_EQ(port.takeWritten(), "");
    displays.time = "001:23:45";
    tick("\x06");
    EXPECT_EQ(link.state().recorder.state, RecorderState::Standby);
    EXPECT_FALSE(link.state().recorder.standbyPending);
    EXPECT_EQ(displays.time, "");
    EXPECT_EQ(log.top(), "<-ACK");
    ticks(40);
    EXPECT_EQ(port.takeWritten(), "");
    tick("@0STST\r");
    ticks(16);
    EXPECT_NE(port.takeWritten().find("@0?TMOD\r"), std::string::npos);
}

TEST_F(ReceiveLoopTest, FailedPollWriteLogsConnectionError) {
    stoppedInTimeMode();
    link.stateForTesting().polls.displayModeCountdown = 0;
    port.writeLimit = 0;
    ticks(1);
    EXPECT_EQ(log.lines, Lines{"connection error"});
    EXPECT_FALSE(link.state().linkUp);
}

TEST_F(ReceiveLoopTest, TickEndedOnceEveryTick) {
    ticks(3);
    tick("@0STST\r");
    EXPECT_EQ(hooks.ticksEnded, 4);
}

// --- lines that are too long, and garbage ---

TEST_F(ReceiveLoopTest, LongLineIsEchoedCutToTwentyCharacters) {
    const std::string line = "@0STPL" + std::string(100, 'x') + "\r";
    for (std::size_t i = 0; i < line.size(); i += 32) tick(line.substr(i, 32));
    EXPECT_EQ(link.state().recorder.state, RecorderState::Play);
    EXPECT_EQ(log.lines, Lines{"<-@0STPLxxxxxxxxxxxxxxc"});
}

TEST_F(ReceiveLoopTest, LongestLineThatFitsTheBufferIsReceived) {
    const std::string line = "@0STPL" + std::string(505, 'x') + "\r";  // 512 bytes, CR included
    for (std::size_t i = 0; i < line.size(); i += 32) tick(line.substr(i, 32));
    EXPECT_EQ(link.state().recorder.state, RecorderState::Play);
}

TEST_F(ReceiveLoopTest, LineLongerThanTheBufferIsDroppedAndNextLineUnderstood) {
    const std::string line = "@0STPL" + std::string(506, 'x');  // 512 bytes without the CR
    for (std::size_t i = 0; i < line.size(); i += 32) tick(line.substr(i, 32));
    tick("\r@0STPP\r");
    EXPECT_EQ(log.lines, Lines{"<-@0STPPc"});
    EXPECT_EQ(link.state().recorder.state, RecorderState::PlayPause);
}

TEST_F(ReceiveLoopTest, LineThatNeverEndsNeverOverflowsTheBuffer) {
    tick("@0" + std::string(30, 'y'));
    for (int i = 0; i < 200; ++i) {
        tick(std::string(32, 'z'));
        ASSERT_LE(link.state().lines.pendingLength(), protocol::LineAssembler::kBufferSize);
    }
    tick("z\r@0STPL\r");
    EXPECT_EQ(link.state().recorder.state, RecorderState::Play);
    EXPECT_EQ(log.top(), "<-@0STPLc");
}

// An ACK read while a long line was pending used to scan the old pending length past the
// bytes it had just placed, and met a line from an earlier read a second time.
TEST_F(ReceiveLoopTest, AckReadDoesNotReplayStaleLine) {
    tick("@0" + std::string(30, 'A'));                                // pending 32
    tick("AAAA\r@0STPL\r@0" + std::string(18, 'B'));                  // "@0STPL" lands at 37
    ASSERT_EQ(link.state().recorder.state, RecorderState::Play);
    ASSERT_EQ(link.state().lines.pendingLength(), 20);
    link.stateForTesting().recorder.state = RecorderState::Stop;
    log.clear();
    tick("\x06");
    EXPECT_EQ(log.lines, Lines{"<-ACK"});
    EXPECT_EQ(link.state().recorder.state, RecorderState::Stop);
    EXPECT_EQ(link.state().lines.pendingLength(), 0);
}

TEST_F(ReceiveLoopTest, NakReadDoesNotReplayStaleLine) {
    tick("@0" + std::string(30, 'A'));
    tick("AAAA\r@0STPL\r@0" + std::string(18, 'B'));
    link.stateForTesting().recorder.state = RecorderState::Stop;
    log.clear();
    tick("\x15");
    EXPECT_EQ(log.lines, Lines{"<-invalid(NAK returned)"});
    EXPECT_EQ(link.state().recorder.state, RecorderState::Stop);
}

TEST_F(ReceiveLoopTest, RandomBytesThenGoodLineIsUnderstood) {
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> byte(0, 255);
        std::string garbage(4000, '\0');
        for (char& c : garbage) c = static_cast<char>(byte(random));
        port.receive(garbage);
        ticks(4000 / 32 + 1);
        link.stateForTesting().recorder.state = RecorderState::Stop;
        tick("\r@0STPL\r");
        EXPECT_EQ(link.state().recorder.state, RecorderState::Play) << "seed " << seed;
        EXPECT_EQ(log.top(), "<-@0STPLc") << "seed " << seed;
        ASSERT_LE(link.state().lines.pendingLength(), protocol::LineAssembler::kBufferSize);
    }
}

TEST_F(ReceiveLoopTest, RandomLineLikeBytesNeverOverrunTheBuffer) {
    std::mt19937 random(42);
    const std::string alphabet("@@@@0STPL\r\r\x06\x15\0", 15);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<std::size_t> length(0, 40);
    for (int t = 0; t < 3000; ++t) {
        std::string chunk(length(random), '\0');
        for (char& c : chunk) c = alphabet[pick(random)];
        tick(chunk);
        ASSERT_LE(link.state().lines.pendingLength(), protocol::LineAssembler::kBufferSize);
    }
    while (port.bytesWaiting() > 0) link.RxTimerTimer();  // drain what is still queued
    link.stateForTesting().recorder.state = RecorderState::Stop;
    tick("@0STPP\r");
    EXPECT_EQ(link.state().recorder.state, RecorderState::PlayPause);
}

TEST_F(ReceiveLoopTest, NulBytesThenGoodLineIsUnderstood) {
    tick(std::string(32, '\0'));
    tick(std::string_view("@\0\0\0", 4));
    tick(std::string(32, '\0'));
    tick("\r@0STPL\r");
    EXPECT_EQ(log.top(), "<-@0STPLc");
    EXPECT_EQ(link.state().recorder.state, RecorderState::Play);
}

}  // namespace
}  // namespace tavrin::link
