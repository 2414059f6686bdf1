#pragma once

#include <string>

#include "preset/editor_view.h"
#include "preset/preset_session.h"

namespace tavrin::preset {

// The preset editor's behaviour, apart from the toolkit: how it shows the record, how it
// locks during a transfer, the rules that tie input, format, channel, sample rate, bit rate
// and file type together, and the handler of every control. The window connects each of its
// controls to the handler of the same name here and does nothing else with the event.
class PresetEditor final {
public:
    explicit PresetEditor(PresetSession& session);
    PresetEditor(const PresetEditor&) = delete;
    PresetEditor& operator=(const PresetEditor&) = delete;

    // The window; until one is set (or after nullptr) the editor works on a view that shows
    // nothing and answers every dialog with Cancel.
    void setView(EditorView* view);
    PresetSession& session() { return session_; }

    // Window
    void FormShow();
    void RefreshControls();
    void LockControls();
    void UnlockControls();
    // Shows the window modally and returns when it has closed; the receive ticks run nested
    // inside meanwhile. endModal ends it once the running handler has returned.
    void showModal();
    void endModal();
    bool locked() const;
    // A transfer that did not land, in a box over the editor.
    void showTransferFailure(std::string_view message);

    // The dependent lists
    void FillSampleRateList();
    void FillBitRateList();
    void FillFileFormatList();
    void EnableSampleRateList();
    void DisableSampleRateList();
    void EnableBitRateList();
    void DisableBitRateList();

    // Input, channel, format, sample rate, bit rate and file type. A list position of -1
    // (nothing selected, for example after typed text) is ignored.
    void DigitalRadioClick();
    void BalanceRadioClick();
    void UnbalanceRadioClick();
    void StereoRadioClick();
    void MonoRadioClick();
    void PCMRadioClick();
    void MP2RadioClick();
    void MP3RadioClick();
    void SampleRateComboChange(int position);
    void BitRateComboChange(int position);
    void FmtComboChange(int position);

    // Every other radio button and list: each stores its value or position and sends it,
    // unless the record already holds it.
    void PlayModeNormalRadioClick();
    void TrackRepeatRadioClick();
    void AllRepeatRadioClick();
    void SinglePlayRadioClick();
    void PreRecOnRadioClick();
    void PreRecOffRadioClick();
    void AutoMarkOnRadioClick();
    void AutoMarkOffRadioClick();
    void MTrackOnRadioClick();
    void MTrackOffRadioClick();
    void AutoTrackOnRadioClick();
    void AutoTrackOffRadioClick();
    void AutoTrackTimeComboChange(int position);
    void SeamlsPlayOnRadioClick();
    void SeamlsPlayOffRadioClick();
    void SilentSkipOnRadioClick();
    void SilentSkipOffRadioClick();
    void SSkipTimeComboChange(int position);
    void SSkipLevelComboChange(int position);
    void AutoCueOnRadioClick();
    void AutoCueOffRadioClick();
    void AutoCueTimeComboChange(int position);
    void AutoCueLevelComboChange(int position);
    void RemoteModeComboChange(int position);
    void EDLOnRadioClick();
    void EDLOffRadioClick();
    void DMYRadioClick();
    void MDYRadioClick();

    // Any radio button or list by the setting it shows and the value or position picked, as
    // an operator (or a test driving the editor) may pick any control.
    void radioClicked(protocol::PresetSetting group, int value);
    void listChanged(protocol::PresetSetting list, int position);

    // Transfers
    void PresetNoComboChange(int position);
    void DefaultKeyClick();
    void LoadfromTAVRINClick();
    void WritetoTAVRINClick();
    void CloseKeyClick();
    void EndPresetMenuClick();

    // BWF IDs
    void ID1SetKeyClick();
    void ID2SetKeyClick();
    void ID3SetKeyClick();
    void IDSetKeyClick(protocol::PresetSetting id);  // ID1, ID2 or ID3

    // Preset text file
    void Open1Click();
    void SaveasText1Click();
    const std::string& presetFilePath() const { return presetFilePath_; }

private:
    PresetStore& store() { return session_.store(); }
    int value(protocol::PresetSetting s) const { return session_.store().get(s); }
    // Stores a value that follows from the operator's change; it is not sent.
    void carry(protocol::PresetSetting s, int newValue);
    void changeAlgorithm(int newAlgorithm, int bitRate);

    void selectInput(int inputSelect);
    void selectChannel(int stereoMono);
    void pickRadio(protocol::PresetSetting group, int value);
    void pickListEntry(protocol::PresetSetting list, int position);

    void showRadio(protocol::PresetSetting group);
    void showListValue(protocol::PresetSetting list);
    void disableList(protocol::PresetSetting list);
    void enableList(protocol::PresetSetting list);

    PresetSession& session_;
    EditorView* view_;
    std::string presetFilePath_;
};

}  // namespace tavrin::preset
