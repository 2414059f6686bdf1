#include "preset/preset_session.h"

#include <string>

#include "preset/preset_editor.h"
#include "preset/preset_frames.h"
#include "protocol/frames.h"
#include "protocol/setting_frames.h"

namespace tavrin::preset {

namespace {

using protocol::index;
using protocol::isId;
using protocol::PresetSetting;
using protocol::RecorderState;
using protocol::settingAt;

constexpr std::string_view kGateRefused = "invalid(recieved status wasn't STOP)";
constexpr std::string_view kReadNotice = "Read preset. Please wait...";
constexpr std::string_view kNoAnswer = "no answer from recorder: ";

// Write steps 1 to 25 are settings 1 to 25; the last one marks the sequence done.
constexpr int kFirstWriteStep = index(PresetSetting::InputSelect);
constexpr int kLastWriteStep = index(PresetSetting::ID3);

}  // namespace

PresetSession::PresetSession(link::Link& link, PresetStore& store) : link_(link), store_(store) {}

void PresetSession::ResetPresetRecord() {
    transfer_ = {};
    idleTicks_ = 0;
    store_.reset();
}

void PresetSession::PresetGate() {
    const link::LinkState& state = link_.state();
    if (state.recorder.state != RecorderState::Stop || !state.linkUp) {
        link_.logMessage(kGateRefused);
        return;
    }
    link_.enterPresetTransfer();
    StartPresetRead();
}

void PresetSession::StartPresetRead() {
    if (!transfer_.EditorOpen) link_.logMessage(kReadNotice);
    link_.displays().DisableKeyControls();
    // Pending before the block goes out, so that a failed write of the block itself finds the
    // read and gives the controls back instead of leaving them off.
    transfer_.ReadPending = true;
    progress();
    sendFrame(protocol::presetQueryBlock());
}

void PresetSession::SendSetting(PresetSetting s) {
    // Preset No. goes out only through SendPresetSelect, which marks the select pending.
    if (index(s) < kFirstWriteStep || index(s) > kLastWriteStep) return;
    sendFrame(settingFrame(store_, s));
}

void PresetSession::SendNextWriteStep() {
    PresetTransfer& t = transfer_;
    progress();
    if (t.WriteStep >= kFirstWriteStep && t.WriteStep < kLastWriteStep) {
        SendSetting(settingAt(t.WriteStep));
        ++t.WriteStep;
        return;
    }
    if (t.WriteStep == kLastWriteStep) {
        // Done before the last frame goes out: a failed write then leaves nothing to refresh.
        t.WriteDone = true;
        t.WriteStep = 0;
        t.WriteRunning = false;
        SendSetting(PresetSetting::ID3);
        return;
    }
    t.WriteStep = 0;
    t.WriteRunning = false;
}

void PresetSession::StartWriteSequence() {
    PresetTransfer& t = transfer_;
    t.WriteStep = kFirstWriteStep;
    // Running before the first frame goes out, so that a failed write ends the sequence.
    t.WriteDone = false;
    t.WriteRunning = true;
    SendNextWriteStep();
}

void PresetSession::SendPresetSelect() {
    const std::string frame = settingFrame(store_, PresetSetting::PresetNo);
    if (frame.empty()) return;
    transfer_.SelectPending = true;
    progress();
    sendFrame(frame);
}

void PresetSession::SelectPreset(int presetNo) {
    presetNoBeforeSelect_ = store_.get(PresetSetting::PresetNo);
    store_.set(PresetSetting::PresetNo, presetNo);
    SendPresetSelect();
}

void PresetSession::SendDefault() {
    transfer_.DefaultPending = true;
    progress();
    sendFrame(protocol::commandFrame(protocol::kDefaultCommand));
}

void PresetSession::editorShown() { transfer_.EditorOpen = true; }

void PresetSession::ClosePresetMenu() {
    link_.leavePresetTransfer();
    if (editor_) editor_->endModal();
    transfer_.EditorOpen = false;
    link_.displays().EnableKeyControls();
    link_.requestStatus();
    link_.requestDisplayMode();
    link_.requestTime();
}

void PresetSession::acknowledgement(bool ack) {
    PresetTransfer& t = transfer_;
    if (!t.EditorOpen) return;
    progress();
    if (ack && t.DefaultPending) {
        t.DefaultPending = false;
        StartPresetRead();
    } else if (ack && t.SelectPending) {
        t.SelectPending = false;
        StartPresetRead();
    } else if (t.WriteRunning) {
        SendNextWriteStep();
    }
    // The last step was written in this very handling: unlock without waiting for its answer.
    if (t.WriteDone) {
        t.WriteDone = false;
        if (editor_) editor_->RefreshControls();
    }
}

void PresetSession::presetReply(const protocol::ReplyKind& reply) {
    if (reply.group != protocol::ReplyKind::Group::Setting) return;
    progress();
    const PresetSetting s = reply.setting;
    if (isId(s)) {
        store_.setId(s, reply.idText());  // an invalid ID is dropped without a message
        if (s == PresetSetting::ID3) completeRead();
        return;
    }
    if (reply.value != protocol::kNoValue) store_.set(s, reply.value);
}

void PresetSession::completeRead() {
    if (!transfer_.ReadPending) return;
    transfer_.ReadPending = false;
    if (!editor_) return;
    if (transfer_.EditorOpen)
        editor_->RefreshControls();
    else
        editor_->showModal();  // returns when the editor has closed; ticks run nested meanwhile
}

void PresetSession::id3OutsideTransfer(std::string_view sixCharacters) {
    store_.setId(PresetSetting::ID3, sixCharacters);
    if (!transfer_.ReadPending) return;
    transfer_.ReadPending = false;
    // The recorder left the transfer state during the read: the editor is not shown for it,
    // but neither the main window nor a locked editor may be left without its controls.
    if (transfer_.EditorOpen) {
        if (editor_) editor_->RefreshControls();
    } else {
        returnMainWindow();
    }
}

void PresetSession::failedWrite() {
    PresetTransfer& t = transfer_;
    t.SelectPending = false;
    t.WriteRunning = false;
    t.WriteDone = false;
    t.DefaultPending = false;
    const bool editorWasOpen = t.EditorOpen;
    if (editorWasOpen) {
        if (editor_) editor_->endModal();
        t.EditorOpen = false;
    }
    const bool readWasPending = t.ReadPending;
    t.ReadPending = false;
    // Whatever held the main window is gone now: it gets its keys back in every case, not
    // only when a read was pending.
    if (editorWasOpen || readWasPending) returnMainWindow();
}

void PresetSession::tickEnded() {
    if (!transferPending()) {
        idleTicks_ = 0;
        return;
    }
    if (++idleTicks_ >= kRecoveryTicks) recover();
}

bool PresetSession::transferPending() const {
    const PresetTransfer& t = transfer_;
    return t.ReadPending || t.SelectPending || t.DefaultPending || t.WriteRunning;
}

// Ends a transfer the recorder stopped answering; the record keeps what has arrived.
void PresetSession::recover() {
    PresetTransfer& t = transfer_;
    const std::string_view what = t.ReadPending      ? "preset read"
                                  : t.SelectPending  ? "preset select"
                                  : t.DefaultPending ? "default"
                                                     : "write to TAVRIN";
    const bool firstRead = t.ReadPending && !t.EditorOpen;
    // The recorder is still on the preset the record describes.
    if (t.SelectPending && !t.ReadPending) store_.set(PresetSetting::PresetNo, presetNoBeforeSelect_);
    t.ReadPending = false;
    t.SelectPending = false;
    t.DefaultPending = false;
    t.WriteRunning = false;
    t.WriteDone = false;
    t.WriteStep = 0;
    idleTicks_ = 0;
    link_.logMessage(std::string(kNoAnswer) + std::string(what));
    if (t.EditorOpen) {
        if (editor_) editor_->RefreshControls();
    } else if (firstRead) {
        returnMainWindow();
    }
}

void PresetSession::returnMainWindow() {
    link_.displays().EnableKeyControls();
    if (link_.state().recorder.state == RecorderState::PresetTransfer) link_.leavePresetTransfer();
}

void PresetSession::sendFrame(std::string_view frame) {
    if (!frame.empty()) link_.sendSilent(frame);
}

}  // namespace tavrin::preset
