#include "sim/recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrin::test {
namespace {

using namespace std::chrono_literals;
using sim::Recorder;
using Writes = std::vector<std::string>;

const std::string ACK = "\x06";
const std::string NAK = "\x15";

class RecorderModel : public ::testing::Test {
protected:
    // What the recorder writes for one frame "@0" + body + CR arriving `at` after the start.
    Writes send(std::string_view body, sim::Milliseconds at = 0ms) {
        return raw("@0" + std::string(body) + "\r", at);
    }
    Writes raw(std::string_view bytes, sim::Milliseconds at = 0ms) { return recorder.receive(bytes, t0 + at); }
    std::string ask(std::string_view query, sim::Milliseconds at = 0ms) {
        const Writes w = send(query, at);
        return w.size() == 1 ? w.front() : "<" + std::to_string(w.size()) + " writes>";
    }

    const sim::TimePoint t0 = sim::TimePoint{} + 1000s;
    Recorder recorder{t0};
};

// ---- queries -------------------------------------------------------------------------

struct QueryCase {
    const char* name;
    const char* query;
    const char* reply;
};

class RecorderQuery : public RecorderModel, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(RecorderQuery, IsAnsweredWithItsReplyLineAlone) {
    EXPECT_EQ(send(GetParam().query), Writes{GetParam().reply});
}

INSTANTIATE_TEST_SUITE_P(
    AtStart, RecorderQuery,
    ::testing::Values(QueryCase{"StatusStopped", "?ST", "@0STST\r"},
                      QueryCase{"DisplayModeTrackTime", "?TMOD", "@0TMTT\r"},
                      QueryCase{"TimeAtZero", "?TI", "@0TI0000000\r"},
                      QueryCase{"PresetOneSelected", "?PS", "@0PS01\r"},
                      QueryCase{"InputBalanced", "?IN", "@0INBA\r"},
                      QueryCase{"BitRate", "?BR", "@0BR192\r"},
                      QueryCase{"AutoTrackWithLowerCaseK", "?Ak", "@0AK01\r"},
                      QueryCase{"AutoTrackTimeSixCharacters", "?AT", "@0AT0010\r"},
                      QueryCase{"RemoteMode", "?RC", "@0RCSS\r"},
                      QueryCase{"Id3", "?D3", "@0D3000000\r"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- frames it does not understand ---------------------------------------------------

struct RefusedCase {
    const char* name;
    const char* bytes;
};

class RecorderRefuses : public RecorderModel, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RecorderRefuses, WithNakAndNoChange) {
    EXPECT_EQ(raw(GetParam().bytes), Writes{NAK});
    EXPECT_EQ(ask("?ST"), "@0STST\r");
    EXPECT_EQ(ask("?BR"), "@0BR192\r");
}

INSTANTIATE_TEST_SUITE_P(
    Frames, RecorderRefuses,
    ::testing::Values(RefusedCase{"UnknownCommand", "@0XYZ\r"},
                      RefusedCase{"EmptyBody", "@0\r"},
                      RefusedCase{"OtherUnit", "@1?ST\r"},
                      RefusedCase{"AutoTrackQueryInCapitals", "@0?AK\r"},
                      RefusedCase{"UnknownQuery", "@0?ZZ\r"},
                      RefusedCase{"BareQuestionMark", "@0?\r"},
                      RefusedCase{"KeyWithTrailingJunk", "@02353X\r"},
                      RefusedCase{"UnknownKey", "@02399\r"},
                      RefusedCase{"UnbalancedReplyCodeAsCommand", "@0INUN\r"},
                      RefusedCase{"BitRateOutsideTheTable", "@0BR100\r"},
                      RefusedCase{"PresetFour", "@0PS04\r"},
                      RefusedCase{"IdTooShort", "@0D1ABC\r"},
                      RefusedCase{"IdTooLong", "@0D1ABCDEFG\r"},
                      RefusedCase{"IdLowerCase", "@0D1abcdef\r"},
                      RefusedCase{"IdOfSixSpaces", "@0D1      \r"},
                      RefusedCase{"IdFour", "@0D4ABCDEF\r"},
                      RefusedCase{"LineWithoutEnd", "@0AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- keys ------------------------------------------------------------------------------

struct KeyCase {
    const char* name;
    std::vector<const char*> before;  // key bodies pressed first
    const char* key;
    Writes writes;
};

class RecorderKey : public RecorderModel, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(RecorderKey, IsAcknowledgedAloneThenReportsItsChange) {
    for (const char* k : GetParam().before) send(k);
    EXPECT_EQ(send(GetParam().key), GetParam().writes);
}

INSTANTIATE_TEST_SUITE_P(
    Transport, RecorderKey,
    ::testing::Values(
        KeyCase{"PlayFromStop", {}, "2353", {ACK, "@0STPL\r"}},
        KeyCase{"PauseWhilePlaying", {"2353"}, "2348", {ACK, "@0STPP\r"}},
        KeyCase{"PauseAgainResumes", {"2353", "2348"}, "2348", {ACK, "@0STPL\r"}},
        KeyCase{"StopWhilePlaying", {"2353"}, "2354", {ACK, "@0STST\r"}},
        KeyCase{"StopWhenStoppedReportsNothing", {}, "2354", {ACK}},
        KeyCase{"RecOpensANewTrackInRecPause", {}, "2355", {ACK, "@0STRP\r", "@0TR005\r"}},
        KeyCase{"PlayInRecPauseRecords", {"2355"}, "2353", {ACK, "@0STRE\r"}},
        KeyCase{"RecInRecPauseRecords", {"2355"}, "2355", {ACK, "@0STRE\r"}},
        KeyCase{"PauseWhileRecording", {"2355", "2353"}, "2348", {ACK, "@0STRP\r"}},
        KeyCase{"StopWhileRecording", {"2355", "2353"}, "2354", {ACK, "@0STST\r"}},
        KeyCase{"PlayWhileRecordingChangesNothing", {"2355", "2353"}, "2353", {ACK}},
        KeyCase{"RecWhilePlayingChangesNothing", {"2353"}, "2355", {ACK}},
        KeyCase{"ManualTrackWhileRecording", {"2355", "2353"}, "23MT", {ACK, "@0TR006\r"}},
        KeyCase{"ManualTrackWhenStoppedChangesNothing", {}, "23MT", {ACK}},
        KeyCase{"FastForward", {}, "2352", {ACK, "@0STFF\r"}},
        KeyCase{"Rewind", {"2353"}, "2350", {ACK, "@0STRW\r"}},
        KeyCase{"PlayAfterFastForward", {"2352"}, "2353", {ACK, "@0STPL\r"}},
        KeyCase{"FastForwardWhileRecordingChangesNothing", {"2355"}, "2352", {ACK}},
        KeyCase{"TrackJumpForward", {}, "2332", {ACK, "@0TR002\r"}},
        KeyCase{"TrackJumpForwardOnTheLastTrack", {"2332", "2332", "2332"}, "2332", {ACK}},
        KeyCase{"TrackJumpBackOnTheFirstTrack", {}, "2333", {ACK, "@0TR001\r"}},
        KeyCase{"TrackJumpBack", {"2332", "2332"}, "2333", {ACK, "@0TR002\r"}},
        KeyCase{"TrackJumpWhileRecordingChangesNothing", {"2355", "2353"}, "2332", {ACK}},
        KeyCase{"RecUndoWhileRecordingChangesNothing", {"2355", "2353"}, "23RU", {ACK}},
        KeyCase{"Display", {}, "2311", {ACK}},
        KeyCase{"Mark", {}, "23121", {ACK}},
        KeyCase{"RecVolumeUp", {}, "23V+", {ACK}},
        KeyCase{"DigitSeven", {}, "2307", {ACK}},
        KeyCase{"PowerOnWhenOn", {}, "23PW", {ACK, "@0PW00\r", "@0STST\r"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecorderModel, RecUndoAfterARecordingDropsItsTrack) {
    send("2355");
    send("2353");
    send("2354", 30s);
    EXPECT_EQ(send("23RU", 31s), (Writes{ACK, "@0TR004\r"}));
    EXPECT_EQ(recorder.deck().trackCount(), 4);
    EXPECT_EQ(send("23RU", 32s), Writes{ACK});
}

TEST_F(RecorderModel, ARecordingThatNeverStartedLeavesNoTrack) {
    send("2355");
    send("2354");
    EXPECT_EQ(recorder.deck().trackCount(), 4);
    EXPECT_EQ(recorder.deck().track(), 4);
}

// ---- time and track --------------------------------------------------------------------

TEST_F(RecorderModel, TimeRunsWhilePlaying) {
    send("2353");
    EXPECT_EQ(ask("?TI", 61'500ms), "@0TI0000101\r");
}

TEST_F(RecorderModel, TimeStandsStillInPause) {
    send("2353");
    send("2348", 10s);
    EXPECT_EQ(ask("?TI", 70s), "@0TI0000010\r");
}

TEST_F(RecorderModel, TimeStandsStillWhenStopped) { EXPECT_EQ(ask("?TI", 90s), "@0TI0000000\r"); }

TEST_F(RecorderModel, TimeRunsWhileRecordingWithHoursInThreeDigits) {
    send("2355");
    send("2353");
    EXPECT_EQ(ask("?TI", 3725s), "@0TI0010205\r");
}

TEST_F(RecorderModel, FastForwardRunsEightTimesAsFast) {
    send("2352");
    EXPECT_EQ(ask("?TI", 10s), "@0TI0000120\r");
}

TEST_F(RecorderModel, StopGoesBackToTheStartOfTheTrack) {
    send("2353");
    send("2354", 20s);
    EXPECT_EQ(ask("?TI", 21s), "@0TI0000000\r");
}

TEST_F(RecorderModel, TrackJumpBackLaterInATrackGoesToItsStart) {
    send("2332");
    send("2353");
    EXPECT_EQ(send("2333", 5s), (Writes{ACK, "@0TR002\r"}));
    EXPECT_EQ(ask("?TI", 5s), "@0TI0000000\r");
}

TEST_F(RecorderModel, TheEndOfATrackReportsTheNextAndTheLastEndsInStop) {
    recorder.deck().setTrackLengths({5000, 5000});
    send("2353");
    EXPECT_EQ(recorder.advance(t0 + 6s), Writes{"@0TR002\r"});
    EXPECT_EQ(recorder.advance(t0 + 11s), Writes{"@0STST\r"});
    EXPECT_EQ(ask("?ST", 12s), "@0STST\r");
}

TEST_F(RecorderModel, RewindCrossesBackIntoThePreviousTrack) {
    recorder.deck().setTrackLengths({60'000, 60'000});
    recorder.deck().seek(2, 8s);
    send("2350");
    EXPECT_EQ(recorder.advance(t0 + 2s), Writes{"@0TR001\r"});
    EXPECT_EQ(ask("?TI", 2s), "@0TI0000052\r");
}

TEST_F(RecorderModel, DisplayKeyStepsThroughTheEightModes) {
    const std::vector<std::string> expected = {"RD", "TR", "RE", "TN", "TM", "AG", "ND", "TT"};
    for (const std::string& mode : expected) {
        send("2311");
        EXPECT_EQ(ask("?TMOD"), "@0TM" + mode + "\r");
    }
}

TEST_F(RecorderModel, TimeLineFollowsTheDisplayMode) {
    recorder.deck().setTrackLengths({200'000});
    send("2353");
    EXPECT_EQ(ask("?TI", 50s), "@0TI0000050\r");  // TT: track time
    send("2311", 50s);
    send("2311", 50s);
    EXPECT_EQ(ask("?TI", 50s), "@0TI0000230\r");  // TR: track remain, 150 s
    send("2311", 50s);
    EXPECT_EQ(ask("?TI", 50s), "@0TI0095640\r");  // RE: 10 h card less 200 s
}

// ---- standby ---------------------------------------------------------------------------

TEST_F(RecorderModel, StandbyIsAcknowledgedThenTheRecorderIsQuiet) {
    EXPECT_EQ(send("2312"), Writes{ACK});
    EXPECT_FALSE(recorder.poweredOn());
    EXPECT_EQ(send("?ST"), Writes{});
    EXPECT_EQ(send("2353"), Writes{});
    EXPECT_EQ(send("XYZ"), Writes{});
    EXPECT_EQ(send("BR384"), Writes{});
    EXPECT_EQ(send("2312"), Writes{});
}

TEST_F(RecorderModel, PowerOnComesBackWithPowerModeAndStatus) {
    send("2353");
    send("2312", 10s);
    EXPECT_EQ(send("23PW", 20s), (Writes{ACK, "@0PW00\r", "@0STST\r"}));
    EXPECT_TRUE(recorder.poweredOn());
    EXPECT_EQ(ask("?TI", 25s), "@0TI0000000\r");
    EXPECT_EQ(ask("?BR", 25s), "@0BR192\r");
}

TEST_F(RecorderModel, NothingIsReportedByItselfInStandby) {
    recorder.deck().setTrackLengths({5000});
    send("2353");
    send("2312", 1s);
    EXPECT_EQ(recorder.advance(t0 + 10s), Writes{});
}

// ---- frames on the line ----------------------------------------------------------------

TEST_F(RecorderModel, NoiseBetweenFramesIsSkipped) {
    EXPECT_EQ(raw(std::string("\0\xff\n", 3) + "xx@0?ST\r"), Writes{"@0STST\r"});
}

TEST_F(RecorderModel, FramesInOneReadAreAnsweredInOrder) {
    EXPECT_EQ(raw("@02353\r@0?ST\r@0?PS\r"), (Writes{ACK, "@0STPL\r", "@0STPL\r", "@0PS01\r"}));
}

TEST_F(RecorderModel, AFrameSplitAcrossReadsIsAnsweredOnce) {
    EXPECT_EQ(raw("@0?S"), Writes{});
    EXPECT_EQ(raw("T\r"), Writes{"@0STST\r"});
}

TEST_F(RecorderModel, AnAtSignStartsTheFrameOver) { EXPECT_EQ(raw("@0?B@0?ST\r"), Writes{"@0STST\r"}); }

TEST_F(RecorderModel, AFrameAfterAnOverlongLineIsUnderstood) {
    raw("@" + std::string(100, 'A'));
    EXPECT_EQ(raw("@0?ST\r"), Writes{"@0STST\r"});
}

// ---- protocol faults -------------------------------------------------------------------

TEST_F(RecorderModel, NakEveryThirdCommand) {
    recorder.faults().nakEvery = 3;
    const Writes expected = {"@0STST\r", "@0STST\r", NAK, "@0STST\r", "@0STST\r", NAK};
    Writes got;
    for (int i = 0; i < 6; ++i) got.push_back(ask("?ST"));
    EXPECT_EQ(got, expected);
}

TEST_F(RecorderModel, ACommandAnsweredWithNakTakesNoEffect) {
    recorder.faults().nakEvery = 1;
    EXPECT_EQ(send("2353"), Writes{NAK});
    EXPECT_EQ(send("BR384"), Writes{NAK});
    recorder.faults().nakEvery = 0;
    EXPECT_EQ(ask("?ST"), "@0STST\r");
    EXPECT_EQ(ask("?BR"), "@0BR192\r");
}

TEST_F(RecorderModel, IgnoredQueryGetsNoAnswerAtAll) {
    recorder.faults().ignoredQueries = {"?D3"};
    EXPECT_EQ(send("?D3"), Writes{});
    EXPECT_EQ(ask("?D2"), "@0D2000000\r");
    EXPECT_EQ(send("D3ABCDEF"), Writes{ACK});
}

TEST_F(RecorderModel, RemoteModeAnsweredWithRcpwWhenAsked) {
    recorder.faults().answerRcpw = true;
    EXPECT_EQ(ask("?RC"), "@0RCPW\r");
    recorder.faults().answerRcpw = false;
    EXPECT_EQ(ask("?RC"), "@0RCSS\r");
}

}  // namespace
}  // namespace tavrin::test
