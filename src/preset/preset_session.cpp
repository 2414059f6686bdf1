#include "preset/preset_session.h"

#include <algorithm>
#include <span>
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
constexpr std::string_view kWriteFailed = "write to TAVRIN: ";
constexpr std::string_view kChangeRefused = "refused: ";

// The recorder answers a single change within a few milliseconds; an answer that has not come
// after this many ticks (500 ms) was lost on the line and is no longer waited for, so that it
// cannot be taken for the answer to a later command.
constexpr int kChangeAnswerTicks = 25;

std::string namesOf(std::span<const PresetSetting> settings) {
    std::string names;
    for (PresetSetting s : settings) {
        if (!names.empty()) names += ", ";
        names += protocol::info(s).name;
    }
    return names;
}

// Write steps 1 to 25 are settings 1 to 25; the last one marks the sequence done.
constexpr int kFirstWriteStep = index(PresetSetting::InputSelect);
constexpr int kLastWriteStep = index(PresetSetting::ID3);

}  // namespace

PresetSession::PresetSession(link::Link& link, PresetStore& store) : link_(link), store_(store) {}

void PresetSession::ResetPresetRecord() {
    transfer_ = {};
    idleTicks_ = 0;
    forgetAnswers();
    store_.reset();
}

// The acknowledgements from here on belong to the transfer. Should the recorder still owe the
// answer to a change (it is read together with another answer, and only the first byte of a read
// counts), that answer is not waited for any longer.
void PresetSession::startTransfer() { changesUnanswered_.clear(); }

void PresetSession::forgetAnswers() {
    refused_.clear();
    changesUnanswered_.clear();
    requeried_.clear();
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
    startTransfer();
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

void PresetSession::SendChange(PresetSetting s) {
    if (index(s) < kFirstWriteStep || index(s) > kLastWriteStep) return;
    changesUnanswered_.push_back({s, 0});
    SendSetting(s);
}

void PresetSession::SendNextWriteStep() {
    PresetTransfer& t = transfer_;
    progress();
    if (t.WriteStep >= kFirstWriteStep && t.WriteStep < kLastWriteStep) {
        lastWritten_ = settingAt(t.WriteStep);
        SendSetting(lastWritten_);
        ++t.WriteStep;
        return;
    }
    if (t.WriteStep == kLastWriteStep) {
        // Done before the last frame goes out: a failed write then leaves nothing to refresh.
        // The editor stays locked until the recorder has answered this last command too.
        t.WriteDone = true;
        t.WriteStep = 0;
        t.WriteRunning = false;
        lastWritten_ = PresetSetting::ID3;
        SendSetting(PresetSetting::ID3);
        return;
    }
    t.WriteStep = 0;
    t.WriteRunning = false;
}

void PresetSession::StartWriteSequence() {
    PresetTransfer& t = transfer_;
    startTransfer();
    refused_.clear();
    t.WriteStep = kFirstWriteStep;
    // Running before the first frame goes out, so that a failed write ends the sequence.
    t.WriteDone = false;
    t.WriteRunning = true;
    SendNextWriteStep();
}

void PresetSession::SendPresetSelect() {
    const std::string frame = settingFrame(store_, PresetSetting::PresetNo);
    if (frame.empty()) return;
    startTransfer();
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
    startTransfer();
    transfer_.DefaultPending = true;
    progress();
    sendFrame(protocol::commandFrame(protocol::kDefaultCommand));
}

void PresetSession::editorShown() { transfer_.EditorOpen = true; }

void PresetSession::ClosePresetMenu() {
    forgetAnswers();
    link_.leavePresetTransfer();
    if (editor_) editor_->endModal();
    transfer_.EditorOpen = false;
    link_.displays().EnableKeyControls();
    link_.requestStatus();
    link_.requestDisplayMode();
    link_.requestTime();
}

// The recorder answers its commands in the order they came. Single changes are sent only while
// no transfer runs, so an answer still owed to one of them comes before any transfer's.
void PresetSession::acknowledgement(bool ack) {
    PresetTransfer& t = transfer_;
    if (!t.EditorOpen) return;
    if (!changesUnanswered_.empty()) {
        const PresetSetting s = changesUnanswered_.front().setting;
        changesUnanswered_.pop_front();
        if (!ack) refuseChange(s);
        return;
    }
    progress();
    if (t.WriteDone) {
        // The answer to the write's last command.
        if (!ack) refused_.push_back(lastWritten_);
        t.WriteDone = false;
        finishWrite();
    } else if (ack && t.DefaultPending) {
        t.DefaultPending = false;
        StartPresetRead();
    } else if (ack && t.SelectPending) {
        t.SelectPending = false;
        StartPresetRead();
    } else if (t.WriteRunning) {
        if (!ack) refused_.push_back(lastWritten_);
        SendNextWriteStep();
    }
}

void PresetSession::finishWrite() {
    if (refused_.empty()) {
        if (editor_) editor_->RefreshControls();
        return;
    }
    reportWriteFailure(std::string(kWriteFailed) + "refused " + namesOf(refused_));
}

// The editor is to show what the recorder holds after all: it is read again, and the operator
// is told which settings did not land.
void PresetSession::reportWriteFailure(const std::string& line) {
    refused_.clear();
    link_.logMessage(line);
    StartPresetRead();
    if (editor_) editor_->showTransferFailure(line);
}

// The recorder kept its value: it is asked for it, and the editor shows it once it comes.
void PresetSession::refuseChange(PresetSetting s) {
    link_.logMessage(std::string(kChangeRefused) + std::string(protocol::info(s).name));
    requeried_.push_back(s);
    std::string query = "?";
    query += protocol::info(s).query;
    sendFrame(protocol::commandFrame(query));
}

void PresetSession::presetReply(const protocol::ReplyKind& reply) {
    if (reply.group != protocol::ReplyKind::Group::Setting) return;
    progress();
    const PresetSetting s = reply.setting;
    if (isId(s)) {
        store_.setId(s, reply.idText());  // an invalid ID is dropped without a message
        if (s == PresetSetting::ID3) completeRead();
        showRequeried(s);
        return;
    }
    if (reply.value != protocol::kNoValue) store_.set(s, reply.value);
    showRequeried(s);
}

void PresetSession::showRequeried(PresetSetting s) {
    const auto it = std::find(requeried_.begin(), requeried_.end(), s);
    if (it == requeried_.end()) return;
    requeried_.erase(it);
    if (!transfer_.ReadPending && transfer_.EditorOpen && editor_) editor_->RefreshControls();
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
    forgetAnswers();
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
    std::erase_if(changesUnanswered_, [](Unanswered& c) { return ++c.ticks > kChangeAnswerTicks; });
    if (!transferPending()) {
        idleTicks_ = 0;
        return;
    }
    if (++idleTicks_ >= kRecoveryTicks) recover();
}

bool PresetSession::transferPending() const {
    const PresetTransfer& t = transfer_;
    return t.ReadPending || t.SelectPending || t.DefaultPending || t.WriteRunning || t.WriteDone;
}

// Ends a transfer the recorder stopped answering; the record keeps what has arrived. A write
// that stopped is followed by a read of what the recorder holds now.
void PresetSession::recover() {
    PresetTransfer& t = transfer_;
    if (t.WriteRunning || t.WriteDone) {
        std::string line(kWriteFailed);
        if (!refused_.empty()) line += "refused " + namesOf(refused_) + "; ";
        line += "no answer after " + std::string(protocol::info(lastWritten_).name);
        t.WriteRunning = false;
        t.WriteDone = false;
        t.WriteStep = 0;
        idleTicks_ = 0;
        reportWriteFailure(line);
        return;
    }
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
