#pragma once

#include <deque>
#include <string>
#include <vector>

#include "link/link.h"
#include "link/transfer_hooks.h"
#include "preset/preset_record.h"

namespace tavrin::preset {

// The state of the preset transfers; all zero after ResetPresetRecord.
struct PresetTransfer {
    bool ReadPending = false;     // the queries are out and the ID3 reply has not come
    bool EditorOpen = false;      // the preset editor is shown
    bool SelectPending = false;   // a preset select waits for its acknowledgement
    bool DefaultPending = false;  // the default command waits for its acknowledgement
    bool WriteRunning = false;    // the write sequence is under way
    bool WriteDone = false;       // the last write step was sent; its answer is awaited
    int WriteStep = 0;            // next step of the write sequence, 0 to 25
};

class PresetEditor;

// Reading a preset by its 26 queries, writing it by 25 commands driven by the recorder's
// acknowledgements, preset select and default, and the way out of a transfer that stops
// making progress.
class PresetSession final : public link::TransferHooks {
public:
    // A transfer that makes no progress for this many receive ticks (3 s) is ended.
    static constexpr int kRecoveryTicks = 150;

    PresetSession(link::Link& link, PresetStore& store);
    PresetSession(const PresetSession&) = delete;
    PresetSession& operator=(const PresetSession&) = delete;

    // The editor the transfers show, refresh and end.
    void setEditor(PresetEditor* editor) { editor_ = editor; }

    PresetTransfer& transfer() { return transfer_; }
    const PresetTransfer& transfer() const { return transfer_; }
    PresetStore& store() { return store_; }
    link::Link& link() { return link_; }

    // Clears the transfer state and gives the record its reset values.
    void ResetPresetRecord();

    // "Preset Menu": only on a stopped recorder with the link up.
    void PresetGate();
    void StartPresetRead();

    // The command of one setting, 1 to 25, from the record's current value.
    void SendSetting(protocol::PresetSetting s);
    // An operator's change of one setting: its command, whose answer is then waited for. A NAK
    // logs "refused: " and the setting's name and asks the recorder for the value it kept.
    void SendChange(protocol::PresetSetting s);
    void SendNextWriteStep();
    // Everything of "Write to TAVRIN" after the editor has locked itself.
    void StartWriteSequence();
    void SendPresetSelect();
    // The editor's preset selector: stores the new number and sends the select. Should the
    // recorder never acknowledge it, the record goes back to the number of the preset it
    // still describes.
    void SelectPreset(int presetNo);
    void SendDefault();

    // A read, select, default or write waits for the recorder.
    bool transferPending() const;

    // The editor became visible (FormShow) / is closed by its own controls.
    void editorShown();
    void ClosePresetMenu();

    // link::TransferHooks
    bool editorOpen() const override { return transfer_.EditorOpen; }
    void acknowledgement(bool ack) override;
    void presetReply(const protocol::ReplyKind& reply) override;
    // A read cut short this way shows nothing, but hands the keys back to the main window, or
    // unlocks the editor (RefreshControls) when the read ran in it.
    void id3OutsideTransfer(std::string_view sixCharacters) override;
    // Ends the editor and whatever was pending; whenever the editor was up or a read pending,
    // the main window gets its keys back and the recorder leaves the preset transfer for Stop.
    void failedWrite() override;
    // Counts ticks without progress (a preset reply, an acknowledgement, a transfer started);
    // after kRecoveryTicks the pending transfer is ended with one log line, the record kept as
    // it is: "no answer from recorder: <what>", or for a write "write to TAVRIN: no answer
    // after <setting>", which is followed by a read of the preset.
    void tickEnded() override;

private:
    struct Unanswered {
        protocol::PresetSetting setting;
        int ticks;  // since the change was sent
    };

    void completeRead();
    void finishWrite();
    void reportWriteFailure(const std::string& line);
    void refuseChange(protocol::PresetSetting s);
    void showRequeried(protocol::PresetSetting s);
    void forgetAnswers();
    void startTransfer();
    void progress() { idleTicks_ = 0; }
    void recover();
    // Keys on and the recorder state back from the preset transfer, as closing the editor does.
    void returnMainWindow();
    void sendFrame(std::string_view frame);

    link::Link& link_;
    PresetStore& store_;
    PresetEditor* editor_ = nullptr;
    PresetTransfer transfer_;
    int idleTicks_ = 0;
    int presetNoBeforeSelect_ = 0;
    // What the recorder answered to a write: the settings it refused so far, and the last
    // command sent, whose answer is awaited.
    std::vector<protocol::PresetSetting> refused_;
    protocol::PresetSetting lastWritten_ = protocol::PresetSetting::InputSelect;
    std::deque<Unanswered> changesUnanswered_;             // single changes, oldest first
    std::vector<protocol::PresetSetting> requeried_;       // refused changes asked for again
};

}  // namespace tavrin::preset
