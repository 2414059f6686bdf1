#include "preset/preset_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "link/link.h"
#include "support/fake_editor_view.h"
#include "support/core_rig.h"
#include "support/fakes.h"

namespace tavrin::test {
namespace {

using protocol::ReplyKind;
using protocol::PresetSetting;
using preset::PresetTransfer;

constexpr std::string_view kSixSpaces = "      ";

// The 26 queries of a read, "@0?" + code + CR each, as the recorder must receive them.
const std::string kQueryBlock =
    "@0?PS\r@0?IN\r@0?DF\r@0?CH\r@0?AF\r@0?BR\r@0?FS\r@0?FT\r@0?PR\r@0?AM\r@0?MT\r@0?Ak\r@0?AT\r"
    "@0?CP\r@0?SS\r@0?SC\r@0?SL\r@0?AC\r@0?CT\r@0?CL\r@0?PM\r@0?EP\r@0?RC\r@0?D1\r@0?D2\r@0?D3\r";

// "Write to TAVRIN" from a reset record whose Stereo / Mono, Auto Track Time and Silent Skip
// Time were 1, 10 and 4 before the reset (the reset keeps those three).
const std::vector<std::string> kResetRecordFrames = {
    "@0INUB\r", "@0DFMD\r", "@0CHMO\r", "@0AFM3\r", "@0BR128\r", "@0FS48\r", "@0FTMG\r",
    "@0PR00\r", "@0AM01\r", "@0MT01\r", "@0AK01\r", "@0AT2400\r", "@0CP01\r", "@0SS01\r",
    "@0SC05\r", "@0SL20\r", "@0AC01\r", "@0CT05\r", "@0CL20\r", "@0PMOF\r", "@0EP01\r",
    "@0RCSS\r", "@0D1      \r", "@0D2      \r", "@0D3      \r",
};

const std::string kStatusRequestLine = "->@0?ST (Status Request)  09:05:30     ";

ReplyKind settingReply(PresetSetting s, int value) {
    ReplyKind r;
    r.group = ReplyKind::Group::Setting;
    r.setting = s;
    r.value = value;
    return r;
}

ReplyKind idReply(PresetSetting s, std::string_view six) {
    ReplyKind r = settingReply(s, 0);
    std::copy_n(six.begin(), r.id.size(), r.id.begin());
    return r;
}

// Names each row of a parameterised test after its name field.
const auto rowName = [](const auto& info) { return std::string(info.param.name); };

bool allIdle(const PresetTransfer& t) {
    return !t.ReadPending && !t.SelectPending && !t.DefaultPending && !t.WriteRunning && !t.WriteDone &&
           t.WriteStep == 0;
}

class PresetSessionTest : public ::testing::Test, public CoreRig<> {
public:
    PresetSessionTest() {
        port.isOpen = true;
        core.attachEditorView(view);
        // Showing the editor runs its FormShow, then whatever stands for the time it is up.
        view.onShowModal = [this] {
            editor.FormShow();
            if (whileShown) whileShown();
        };
        session.ResetPresetRecord();
        link.stateForTesting().linkUp = true;
        link.stateForTesting().recorder.state = protocol::RecorderState::Stop;
        // Keeps the automatic polls out of the frames the tests compare.
        link.stateForTesting().polls.displayModeCountdown = 1'000'000;
        link.stateForTesting().polls.timeCountdown = 1'000'000;
    }

    PresetTransfer& transfer() { return session.transfer(); }
    protocol::RecorderState recorderState() { return link.state().recorder.state; }

    void startFirstRead() {
        session.PresetGate();
        port.takeWrites();
    }
    // Completes a first read with an ID3 that is not stored; the editor stays up from then on.
    void openEditor() {
        startFirstRead();
        session.presetReply(idReply(PresetSetting::ID3, kSixSpaces));
        log.lines.clear();
    }
    // "Read from TAVRIN" in the open editor.
    void startReRead() {
        editor.LockControls();
        session.StartPresetRead();
        port.takeWrites();
    }
    // The record the frames of kResetRecordFrames come from.
    void resetRecordForWrite() {
        store.set(PresetSetting::StereoMono, 1);
        store.set(PresetSetting::AutoTrackTime, 10);
        store.set(PresetSetting::SSkipTime, 4);
        session.ResetPresetRecord();
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) session.tickEnded();
    }
    void tickWith(std::string_view bytes) {
        port.receive(bytes);
        link.RxTimerTimer();
    }

    FakeEditorView view;
    std::function<void()> whileShown;
};

// --- Reading ---

TEST_F(PresetSessionTest, GateSendsAllQueriesAsOneBlock) {
    session.PresetGate();
    const std::vector<std::string> writes = port.takeWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].size(), 156u);
    EXPECT_EQ(writes[0], kQueryBlock);
}

TEST_F(PresetSessionTest, GateOnStoppedRecorderStartsFirstRead) {
    session.PresetGate();
    EXPECT_EQ(log.lines, std::vector<std::string>{"Read preset. Please wait..."});
    EXPECT_EQ(displays.disableCalls, 1);
    EXPECT_FALSE(displays.keysEnabled);
    EXPECT_EQ(recorderState(), protocol::RecorderState::PresetTransfer);
    EXPECT_TRUE(transfer().ReadPending);
}

struct GateRefusal {
    const char* name;
    protocol::RecorderState recorderState;
    bool linkUp;
};

class GateRefusalTest : public PresetSessionTest, public ::testing::WithParamInterface<GateRefusal> {};

TEST_P(GateRefusalTest, LogsOneLineAndChangesNothing) {
    link.stateForTesting().recorder.state = GetParam().recorderState;
    link.stateForTesting().linkUp = GetParam().linkUp;
    session.PresetGate();
    EXPECT_EQ(log.lines, std::vector<std::string>{"invalid(recieved status wasn't STOP)"});
    EXPECT_TRUE(port.takeWrites().empty());
    EXPECT_EQ(displays.disableCalls, 0);
    EXPECT_EQ(recorderState(), GetParam().recorderState);
    EXPECT_TRUE(allIdle(transfer()));
}

INSTANTIATE_TEST_SUITE_P(
    Refused, GateRefusalTest,
    ::testing::Values(GateRefusal{"NothingReportedYet", protocol::RecorderState::Standby, true},
                      GateRefusal{"Playing", protocol::RecorderState::Play, true},
                      GateRefusal{"OtherStatus", protocol::RecorderState::Other, true},
                      GateRefusal{"AlreadyInTransfer", protocol::RecorderState::PresetTransfer, true},
                      GateRefusal{"StoppedButLinkDown", protocol::RecorderState::Stop, false}),
    rowName);

struct StoredReply {
    const char* name;
    PresetSetting setting;
    int value;
};

class StoredReplyTest : public PresetSessionTest, public ::testing::WithParamInterface<StoredReply> {};

TEST_P(StoredReplyTest, StoresValueAndMarksItKnown) {
    startFirstRead();
    session.presetReply(settingReply(GetParam().setting, GetParam().value));
    EXPECT_EQ(store.get(GetParam().setting), GetParam().value);
    EXPECT_TRUE(store.isKnown(GetParam().setting));
    EXPECT_TRUE(transfer().ReadPending);
    EXPECT_EQ(view.showModalCalls, 0);
}

INSTANTIATE_TEST_SUITE_P(Replies, StoredReplyTest,
                         ::testing::Values(StoredReply{"PresetNo", PresetSetting::PresetNo, 2},
                                           StoredReply{"UnbalancedInput", PresetSetting::InputSelect, 2},
                                           StoredReply{"MonoChannel", PresetSetting::StereoMono, 1},
                                           StoredReply{"AllRepeat", PresetSetting::PlayMode, 2},
                                           StoredReply{"ManualTrackRemote", PresetSetting::RemoteMode, 3}),
                         rowName);

TEST_F(PresetSessionTest, IdRepliesStoreOnlyValidIds) {
    startFirstRead();
    session.presetReply(idReply(PresetSetting::ID1, "AB12CD"));
    session.presetReply(idReply(PresetSetting::ID2, "ab12cd"));
    EXPECT_EQ(store.id(PresetSetting::ID1), "AB12CD");
    EXPECT_TRUE(store.isKnown(PresetSetting::ID1));
    EXPECT_EQ(store.id(PresetSetting::ID2), kSixSpaces);
    EXPECT_FALSE(store.isKnown(PresetSetting::ID2));
    EXPECT_TRUE(transfer().ReadPending);
}

TEST_F(PresetSessionTest, Id3ReplyCompletesFirstReadByShowingEditor) {
    startFirstRead();
    session.presetReply(settingReply(PresetSetting::InputSelect, 2));
    session.presetReply(settingReply(PresetSetting::StereoMono, 1));
    session.presetReply(idReply(PresetSetting::ID3, "XY0042"));
    EXPECT_EQ(view.showModalCalls, 1);
    EXPECT_TRUE(transfer().EditorOpen);
    EXPECT_FALSE(transfer().ReadPending);
    EXPECT_EQ(store.id(PresetSetting::ID3), "XY0042");
    // Everything that did not answer keeps its value and stays unknown.
    EXPECT_FALSE(store.isKnown(PresetSetting::DateForm));
    EXPECT_FALSE(store.isKnown(PresetSetting::BitRate));
    EXPECT_EQ(store.get(PresetSetting::BitRate), 6);
    EXPECT_TRUE(port.takeWrites().empty());
}

TEST_F(PresetSessionTest, Id3ReplyWithInvalidIdStillCompletesRead) {
    startFirstRead();
    session.presetReply(idReply(PresetSetting::ID3, "AB 123"));
    EXPECT_EQ(view.showModalCalls, 1);
    EXPECT_FALSE(transfer().ReadPending);
    EXPECT_EQ(store.id(PresetSetting::ID3), kSixSpaces);
    EXPECT_FALSE(store.isKnown(PresetSetting::ID3));
}

TEST_F(PresetSessionTest, SecondId3ReplyNeitherShowsNorRefreshes) {
    openEditor();
    const int refreshes = view.refreshes;
    session.presetReply(idReply(PresetSetting::ID3, "ZZ9999"));
    EXPECT_EQ(view.showModalCalls, 1);
    EXPECT_EQ(view.refreshes, refreshes);
    EXPECT_EQ(store.id(PresetSetting::ID3), "ZZ9999");
}

TEST_F(PresetSessionTest, RemoteModePowerReplyChangesNothing) {
    startFirstRead();
    session.presetReply(settingReply(PresetSetting::RemoteMode, protocol::kNoValue));
    EXPECT_FALSE(store.isKnown(PresetSetting::RemoteMode));
    EXPECT_EQ(store.get(PresetSetting::RemoteMode), 0);

    session.presetReply(settingReply(PresetSetting::RemoteMode, 3));
    session.presetReply(settingReply(PresetSetting::RemoteMode, protocol::kNoValue));
    EXPECT_EQ(store.get(PresetSetting::RemoteMode), 3);
    EXPECT_TRUE(store.isKnown(PresetSetting::RemoteMode));
}

TEST_F(PresetSessionTest, ReReadInOpenEditorLogsNothingAndRefreshesOnId3) {
    openEditor();
    const int refreshes = view.refreshes;
    editor.LockControls();
    session.StartPresetRead();
    EXPECT_EQ(port.takeWrites(), std::vector<std::string>{kQueryBlock});
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(displays.disableCalls, 2);  // once more, although the keys are already off
    EXPECT_TRUE(editor.locked());

    session.presetReply(settingReply(PresetSetting::PresetNo, 1));
    EXPECT_TRUE(editor.locked());
    session.presetReply(idReply(PresetSetting::ID3, "NEW003"));
    EXPECT_FALSE(editor.locked());
    EXPECT_EQ(view.refreshes, refreshes + 1);
    EXPECT_EQ(view.showModalCalls, 1);
    EXPECT_FALSE(transfer().ReadPending);
}

TEST_F(PresetSessionTest, ReadThroughReceiveTicksShowsEditorWithRepliesStored) {
    session.PresetGate();
    port.takeWrites();
    int shownWithLog = -1;
    whileShown = [&] { shownWithLog = static_cast<int>(log.lines.size()); };
    // 39 bytes: the ID3 line is split over the two reads.
    port.receive("@0PS02\r@0INUN\r@0CHMO\r@0RCPW\r@0D3ABC123\r");
    link.RxTimerTimer();
    EXPECT_EQ(view.showModalCalls, 0);
    link.RxTimerTimer();
    EXPECT_EQ(view.showModalCalls, 1);
    EXPECT_EQ(shownWithLog, 1);  // nothing echoed since "Read preset. Please wait..."
    EXPECT_EQ(store.get(PresetSetting::PresetNo), 1);
    EXPECT_EQ(store.get(PresetSetting::InputSelect), 2);
    EXPECT_EQ(store.get(PresetSetting::StereoMono), 1);
    EXPECT_FALSE(store.isKnown(PresetSetting::RemoteMode));
    EXPECT_EQ(store.id(PresetSetting::ID3), "ABC123");
    EXPECT_EQ(recorderState(), protocol::RecorderState::PresetTransfer);
}

TEST_F(PresetSessionTest, StopReportDuringReadEndsStoring) {
    session.PresetGate();
    tickWith("@0INBA\r");
    EXPECT_EQ(store.get(PresetSetting::InputSelect), 1);
    tickWith("@0STST\r");
    EXPECT_EQ(recorderState(), protocol::RecorderState::Stop);
    tickWith("@0DFDM\r");
    EXPECT_FALSE(store.isKnown(PresetSetting::DateForm));
    tickWith("@0D3ABC123\r");
    EXPECT_EQ(store.id(PresetSetting::ID3), "ABC123");
    EXPECT_FALSE(transfer().ReadPending);
    EXPECT_EQ(view.showModalCalls, 0);
    EXPECT_EQ(view.refreshes, 0);
}

TEST_F(PresetSessionTest, FirstReadCutShortByStopGivesKeysBack) {
    startFirstRead();
    link.stateForTesting().recorder.state = protocol::RecorderState::Stop;  // "STST" arrived
    session.id3OutsideTransfer("ABC123");
    EXPECT_EQ(view.showModalCalls, 0);
    EXPECT_TRUE(displays.keysEnabled);
    EXPECT_EQ(recorderState(), protocol::RecorderState::Stop);
}

TEST_F(PresetSessionTest, ReReadCutShortByStopDoesNotLeaveEditorLocked) {
    openEditor();
    startReRead();
    link.stateForTesting().recorder.state = protocol::RecorderState::Stop;
    session.id3OutsideTransfer("ABC123");
    EXPECT_FALSE(transfer().ReadPending);
    EXPECT_FALSE(editor.locked());
    EXPECT_EQ(view.showModalCalls, 1);
    EXPECT_FALSE(displays.keysEnabled);  // the editor is still up
}

TEST_F(PresetSessionTest, Id3OutsideTransferWithoutReadOnlyStores) {
    session.id3OutsideTransfer("QQ1234");
    EXPECT_EQ(store.id(PresetSetting::ID3), "QQ1234");
    EXPECT_EQ(displays.enableCalls, 0);
    EXPECT_EQ(view.refreshes, 0);
}

// --- Writing ---

enum class Answer { Ack, Nak, Alternating };

struct WriteAnswers {
    const char* name;
    Answer answer;
};

class WriteSequenceTest : public PresetSessionTest, public ::testing::WithParamInterface<WriteAnswers> {
public:
    bool ackAt(int i) const {
        switch (GetParam().answer) {
        case Answer::Ack: return true;
        case Answer::Nak: return false;
        case Answer::Alternating: return i % 2 == 0;
        }
        return true;
    }
};

TEST_P(WriteSequenceTest, SendsEveryStepFrameByFrameAndReportsWhatWasRefused) {
    resetRecordForWrite();
    openEditor();
    const int refreshes = view.refreshes;

    editor.LockControls();
    session.StartWriteSequence();
    EXPECT_TRUE(transfer().WriteRunning);
    std::vector<std::string> frames = port.takeWrites();
    std::vector<std::string> refused;  // answer i is the answer to step i + 1
    for (int i = 0; i < 24; ++i) {
        EXPECT_TRUE(editor.locked()) << "before answer " << i + 1;
        session.acknowledgement(ackAt(i));
        if (!ackAt(i)) refused.emplace_back(protocol::info(protocol::settingAt(i + 1)).name);
        const std::vector<std::string> writes = port.takeWrites();
        ASSERT_EQ(writes.size(), 1u) << "answer " << i + 1;
        frames.push_back(writes[0]);
    }
    EXPECT_EQ(frames, kResetRecordFrames);
    // The 25th command is out; the editor waits for its answer too.
    EXPECT_TRUE(editor.locked());
    EXPECT_TRUE(transfer().WriteDone);

    session.acknowledgement(ackAt(24));
    if (!ackAt(24)) refused.emplace_back("BWF ID3");
    if (refused.empty()) {
        EXPECT_TRUE(port.takeWrites().empty());
        EXPECT_FALSE(editor.locked());
        EXPECT_EQ(view.refreshes, refreshes + 1);
        EXPECT_TRUE(allIdle(transfer()));
        EXPECT_TRUE(log.lines.empty());
        EXPECT_TRUE(view.transferErrors.empty());
        return;
    }
    std::string names;
    for (const std::string& name : refused) names += (names.empty() ? "" : ", ") + name;
    const std::string line = "write to TAVRIN: refused " + names;
    EXPECT_EQ(log.lines, std::vector<std::string>{line});
    EXPECT_EQ(view.transferErrors, std::vector<std::string>{line});
    // What the recorder kept is read back into the editor.
    EXPECT_EQ(port.takeWrites(), std::vector<std::string>{kQueryBlock});
    EXPECT_TRUE(transfer().ReadPending);
    EXPECT_TRUE(editor.locked());
}

INSTANTIATE_TEST_SUITE_P(Answers, WriteSequenceTest,
                         ::testing::Values(WriteAnswers{"AllAck", Answer::Ack},
                                           WriteAnswers{"AllNak", Answer::Nak},
                                           WriteAnswers{"AckAndNak", Answer::Alternating}),
                         rowName);

TEST_F(PresetSessionTest, WriteSequenceDrivenByTicksWhileEditorIsShown) {
    resetRecordForWrite();
    session.PresetGate();
    port.takeWrites();
    std::vector<std::string> frames;
    std::vector<bool> lockedAfterAnswer;
    int logLinesWhileShown = -1;
    whileShown = [&] {
        editor.LockControls();
        session.StartWriteSequence();
        frames = port.takeWrites();
        for (int i = 0; i < 25; ++i) {
            tickWith("\x06");
            for (std::string& w : port.takeWrites()) frames.push_back(std::move(w));
            lockedAfterAnswer.push_back(editor.locked());
        }
        logLinesWhileShown = static_cast<int>(log.lines.size());
        session.ClosePresetMenu();
    };
    tickWith("@0D3      \r");

    EXPECT_EQ(view.showModalCalls, 1);
    EXPECT_EQ(view.nestedShows, 0);
    EXPECT_EQ(view.endModalCalls, 1);
    EXPECT_EQ(frames, kResetRecordFrames);
    const std::vector<bool> expectedLocks = [] {
        std::vector<bool> v(25, false);
        std::fill(v.begin(), v.begin() + 24, true);  // unlocked by the last answer
        return v;
    }();
    EXPECT_EQ(lockedAfterAnswer, expectedLocks);
    EXPECT_EQ(logLinesWhileShown, 1);  // "Read preset. Please wait..." and no echo

    // Close: the main window is back and follows the recorder again.
    EXPECT_EQ(port.takeWrites(), (std::vector<std::string>{"@0?ST\r", "@0?TMOD\r", "@0?TI\r"}));
    EXPECT_EQ(log.top(), kStatusRequestLine);
    EXPECT_TRUE(displays.keysEnabled);
    EXPECT_EQ(recorderState(), protocol::RecorderState::Stop);
    EXPECT_FALSE(transfer().EditorOpen);
}

TEST_F(PresetSessionTest, SingleSettingAnswerFindsNothingPending) {
    openEditor();
    const int refreshes = view.refreshes;
    store.set(PresetSetting::PreRec, 0);
    session.SendSetting(PresetSetting::PreRec);
    EXPECT_EQ(port.takeWrites(), std::vector<std::string>{"@0PR01\r"});
    session.acknowledgement(true);
    session.acknowledgement(false);
    EXPECT_TRUE(port.takeWrites().empty());
    EXPECT_EQ(view.refreshes, refreshes);
}

TEST_F(PresetSessionTest, SettingOutsideItsTableSendsNothing) {
    store.set(PresetSetting::BitRate, 12);
    session.SendSetting(PresetSetting::BitRate);
    session.SendSetting(PresetSetting::PresetNo);  // selects go through SendPresetSelect only
    EXPECT_TRUE(port.takeWrites().empty());
    EXPECT_TRUE(log.lines.empty());
}

// --- Preset select and default ---

struct PendingCommand {
    const char* name;
    bool select;
    const char* frame;
};

class PendingCommandTest : public PresetSessionTest, public ::testing::WithParamInterface<PendingCommand> {
public:
    void start() {
        openEditor();
        editor.LockControls();
        if (GetParam().select) {
            store.set(PresetSetting::PresetNo, 1);
            session.SendPresetSelect();
        } else {
            session.SendDefault();
        }
    }
    bool pending() { return GetParam().select ? transfer().SelectPending : transfer().DefaultPending; }
};

TEST_P(PendingCommandTest, AckStartsReadAndItsCompletionUnlocks) {
    start();
    EXPECT_EQ(port.takeWrites(), std::vector<std::string>{GetParam().frame});
    EXPECT_TRUE(pending());
    const int refreshes = view.refreshes;

    session.acknowledgement(true);
    EXPECT_FALSE(pending());
    EXPECT_EQ(port.takeWrites(), std::vector<std::string>{kQueryBlock});
    EXPECT_TRUE(transfer().ReadPending);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_TRUE(editor.locked());

    session.presetReply(idReply(PresetSetting::ID3, kSixSpaces));
    EXPECT_FALSE(editor.locked());
    EXPECT_EQ(view.refreshes, refreshes + 1);
}

TEST_P(PendingCommandTest, NakStartsNoReadAndNextAckDoes) {
    start();
    port.takeWrites();
    session.acknowledgement(false);
    EXPECT_TRUE(port.takeWrites().empty());
    EXPECT_TRUE(pending());
    EXPECT_FALSE(transfer().ReadPending);
    EXPECT_TRUE(editor.locked());

    session.acknowledgement(true);
    EXPECT_EQ(port.takeWrites(), std::vector<std::string>{kQueryBlock});
    EXPECT_FALSE(pending());
}

INSTANTIATE_TEST_SUITE_P(Commands, PendingCommandTest,
                         ::testing::Values(PendingCommand{"PresetSelect", true, "@0PS02\r"},
                                           PendingCommand{"Default", false, "@0DEFL\r"}),
                         rowName);

TEST_F(PresetSessionTest, DefaultTakesPrecedenceOverSelectOnAck) {
    openEditor();
    session.SendPresetSelect();
    session.SendDefault();
    port.takeWrites();
    session.acknowledgement(true);
    EXPECT_FALSE(transfer().DefaultPending);
    EXPECT_TRUE(transfer().SelectPending);
}

TEST_F(PresetSessionTest, PresetSelectOutsideThreePresetsSendsAndMarksNothing) {
    for (int value : {3, -1, 255}) {
        store.set(PresetSetting::PresetNo, value);
        session.SendPresetSelect();
        EXPECT_TRUE(port.takeWrites().empty()) << value;
        EXPECT_FALSE(transfer().SelectPending) << value;
    }
}

// --- Closing and the failed-write reset ---

TEST_F(PresetSessionTest, CloseGivesMainWindowBackAndAsksForStatus) {
    openEditor();
    session.ClosePresetMenu();
    EXPECT_EQ(view.endModalCalls, 1);
    EXPECT_FALSE(transfer().EditorOpen);
    EXPECT_EQ(recorderState(), protocol::RecorderState::Stop);
    EXPECT_TRUE(displays.keysEnabled);
    EXPECT_EQ(port.takeWrites(), (std::vector<std::string>{"@0?ST\r", "@0?TMOD\r", "@0?TI\r"}));
    EXPECT_EQ(log.lines, std::vector<std::string>{kStatusRequestLine});
}

TEST_F(PresetSessionTest, FailedWriteWithEditorOpenGivesMainWindowItsKeysBack) {
    openEditor();
    port.writeLimit = 0;
    session.SendSetting(PresetSetting::PreRec);
    EXPECT_EQ(view.endModalCalls, 1);
    EXPECT_FALSE(transfer().EditorOpen);
    EXPECT_EQ(displays.enableCalls, 1);
    EXPECT_TRUE(displays.keysEnabled);
    EXPECT_EQ(recorderState(), protocol::RecorderState::Stop);
    EXPECT_EQ(log.lines, std::vector<std::string>{"connection error"});
}

TEST_F(PresetSessionTest, FailedWriteDuringReReadEnablesKeysOnce) {
    openEditor();
    port.writeLimit = 0;
    startReRead();
    EXPECT_FALSE(transfer().ReadPending);
    EXPECT_EQ(view.endModalCalls, 1);
    EXPECT_EQ(displays.enableCalls, 1);
    EXPECT_EQ(recorderState(), protocol::RecorderState::Stop);
}

TEST_F(PresetSessionTest, FailedQueryWriteDoesNotLeaveKeysOff) {
    port.writeLimit = 155;
    session.PresetGate();
    EXPECT_FALSE(transfer().ReadPending);
    EXPECT_TRUE(displays.keysEnabled);
    EXPECT_EQ(recorderState(), protocol::RecorderState::Stop);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"connection error", "Read preset. Please wait..."}));
    EXPECT_EQ(view.endModalCalls, 0);
}

TEST_F(PresetSessionTest, FailedFirstWriteStepDoesNotLeaveSequenceRunning) {
    openEditor();
    editor.LockControls();
    port.writeLimit = 0;
    session.StartWriteSequence();
    EXPECT_FALSE(transfer().WriteRunning);
    EXPECT_FALSE(transfer().WriteDone);
    EXPECT_EQ(transfer().WriteStep, 2);  // the reset leaves the step as it was
    EXPECT_EQ(view.endModalCalls, 1);
}

TEST_F(PresetSessionTest, FailedKeyCommandOutsideTransferLeavesMainWindowAlone) {
    link.stateForTesting().recorder.state = protocol::RecorderState::Play;
    port.writeLimit = 0;
    link.sendKey(protocol::Key::Stop);
    EXPECT_EQ(displays.enableCalls, 0);
    EXPECT_EQ(view.endModalCalls, 0);
    EXPECT_EQ(recorderState(), protocol::RecorderState::Play);
}

TEST_F(PresetSessionTest, ResetClearsTransferState) {
    openEditor();
    session.SendDefault();
    session.StartWriteSequence();
    store.set(PresetSetting::InputSelect, 0);
    session.ResetPresetRecord();
    EXPECT_TRUE(allIdle(transfer()));
    EXPECT_FALSE(transfer().EditorOpen);
    EXPECT_EQ(store.get(PresetSetting::InputSelect), 2);
    EXPECT_FALSE(store.isKnown(PresetSetting::InputSelect));
}

// --- Recovery of transfers the recorder stops answering ---

struct Stall {
    const char* name;
    void (*start)(PresetSessionTest&);
    const char* line;
    bool editorOpen;
};

class RecoveryTest : public PresetSessionTest, public ::testing::WithParamInterface<Stall> {};

TEST_P(RecoveryTest, EndsTransferAfterTimeOutWithOneLine) {
    GetParam().start(*this);
    store.set(PresetSetting::AutoMark, 1);  // arrived before the recorder fell silent
    log.lines.clear();
    const int refreshes = view.refreshes;
    const int enables = displays.enableCalls;

    ticks(preset::PresetSession::kRecoveryTicks - 1);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(view.refreshes, refreshes);

    ticks(1);
    EXPECT_EQ(log.lines, std::vector<std::string>{GetParam().line});
    EXPECT_TRUE(allIdle(transfer()));
    EXPECT_EQ(store.get(PresetSetting::AutoMark), 1);
    EXPECT_EQ(view.showModalCalls, GetParam().editorOpen ? 1 : 0);
    if (GetParam().editorOpen) {
        EXPECT_EQ(view.refreshes, refreshes + 1);
        EXPECT_FALSE(editor.locked());
        EXPECT_TRUE(transfer().EditorOpen);
        EXPECT_EQ(displays.enableCalls, enables);
        EXPECT_EQ(recorderState(), protocol::RecorderState::PresetTransfer);
    } else {
        EXPECT_TRUE(displays.keysEnabled);
        EXPECT_EQ(recorderState(), protocol::RecorderState::Stop);
    }

    ticks(10 * preset::PresetSession::kRecoveryTicks);
    EXPECT_EQ(log.lines.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Stalls, RecoveryTest,
    ::testing::Values(
        Stall{"FirstRead", [](PresetSessionTest& t) { t.startFirstRead(); },
              "no answer from recorder: preset read", false},
        Stall{"ReRead",
              [](PresetSessionTest& t) {
                  t.openEditor();
                  t.startReRead();
              },
              "no answer from recorder: preset read", true},
        Stall{"PresetSelectAfterNak",
              [](PresetSessionTest& t) {
                  t.openEditor();
                  t.editor.LockControls();
                  t.session.SendPresetSelect();
                  t.session.acknowledgement(false);
              },
              "no answer from recorder: preset select", true},
        Stall{"Default",
              [](PresetSessionTest& t) {
                  t.openEditor();
                  t.editor.LockControls();
                  t.session.SendDefault();
              },
              "no answer from recorder: default", true}),
    rowName);

// A write that stops is reported with the last command that got no answer and the ones refused
// before it; the preset is then read back, and the editor unlocks when the read is done.
TEST_F(PresetSessionTest, StalledWriteNamesItsLastCommandAndReadsThePresetBack) {
    openEditor();
    editor.LockControls();
    session.StartWriteSequence();
    session.acknowledgement(true);
    session.acknowledgement(false);  // Date Form refused
    session.acknowledgement(true);   // Algorithm goes out, and nothing comes back
    port.takeWrites();
    log.lines.clear();

    ticks(preset::PresetSession::kRecoveryTicks);
    const std::string line = "write to TAVRIN: refused Date Form; no answer after Algorithm";
    EXPECT_EQ(log.lines, std::vector<std::string>{line});
    EXPECT_EQ(view.transferErrors, std::vector<std::string>{line});
    EXPECT_EQ(port.takeWrites(), std::vector<std::string>{kQueryBlock});
    EXPECT_TRUE(editor.locked());

    tickWith("@0D3ABCDEF\r");  // the read's last reply
    EXPECT_FALSE(editor.locked());
    EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(PresetSessionTest, UnansweredSelectLeavesTheRecordOnItsOwnPreset) {
    openEditor();
    store.set(PresetSetting::PresetNo, 0);
    editor.LockControls();
    session.SelectPreset(2);
    EXPECT_EQ(port.takeWritten(), "@0PS03\r");
    EXPECT_EQ(store.get(PresetSetting::PresetNo), 2);

    ticks(preset::PresetSession::kRecoveryTicks);
    EXPECT_EQ(log.top(), "no answer from recorder: preset select");
    EXPECT_EQ(store.get(PresetSetting::PresetNo), 0);
    EXPECT_TRUE(store.isKnown(PresetSetting::PresetNo));
}

TEST_F(PresetSessionTest, RepliesKeepReadAlive) {
    startFirstRead();
    ticks(preset::PresetSession::kRecoveryTicks - 1);
    session.presetReply(settingReply(PresetSetting::DateForm, 1));
    ticks(preset::PresetSession::kRecoveryTicks - 1);
    EXPECT_TRUE(transfer().ReadPending);
    EXPECT_EQ(log.lines.size(), 1u);  // "Read preset. Please wait..."
    ticks(1);
    EXPECT_FALSE(transfer().ReadPending);
    EXPECT_EQ(log.top(), "no answer from recorder: preset read");
}

TEST_F(PresetSessionTest, AnswersKeepWriteSequenceAlive) {
    openEditor();
    editor.LockControls();
    session.StartWriteSequence();
    for (int i = 0; i < 24; ++i) {
        ticks(preset::PresetSession::kRecoveryTicks - 1);
        session.acknowledgement(true);
    }
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(port.takeWrites().size(), 25u);
}

TEST_F(PresetSessionTest, NoTimeOutWithoutTransfer) {
    openEditor();
    ticks(10 * preset::PresetSession::kRecoveryTicks);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(view.refreshes, 1);
}

TEST_F(PresetSessionTest, WriteSequenceStalledByValueOutsideTableEndsByTimeOut) {
    store.set(PresetSetting::BitRate, 12);
    openEditor();
    editor.LockControls();
    session.StartWriteSequence();
    for (int i = 0; i < 4; ++i) session.acknowledgement(true);  // the fifth step sends nothing
    EXPECT_EQ(port.takeWrites().size(), 4u);
    ticks(preset::PresetSession::kRecoveryTicks);
    EXPECT_EQ(log.top(), "write to TAVRIN: no answer after Bit Rate");
    EXPECT_TRUE(transfer().ReadPending);  // what the recorder holds is read back
}

TEST_F(PresetSessionTest, FirstReadTimeOutCountsReceiveTicks) {
    session.PresetGate();
    for (int i = 0; i < preset::PresetSession::kRecoveryTicks; ++i) link.RxTimerTimer();
    EXPECT_EQ(log.top(), "no answer from recorder: preset read");
    EXPECT_TRUE(displays.keysEnabled);
    // A late answer to the abandoned read is stored but shows nothing.
    tickWith("@0D3LATE01\r");
    EXPECT_EQ(store.id(PresetSetting::ID3), "LATE01");
    EXPECT_EQ(view.showModalCalls, 0);
}

TEST_F(PresetSessionTest, FailedQueryWriteIsNotReportedAgainByTimeOut) {
    port.writeLimit = 0;
    session.PresetGate();
    ticks(2 * preset::PresetSession::kRecoveryTicks);
    EXPECT_EQ(log.top(), "connection error");
}

}  // namespace
}  // namespace tavrin::test
