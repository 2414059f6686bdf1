#pragma once

#include <string>

#include "preset/editor_view.h"
#include "preset/preset_session.h"

namespace tavrin::preset {

// The preset editor's behaviour, apart from the toolkit: how it shows the record, how it
// locks during a transfer, the rules that tie input, format, channel, sample rate, bit rate
// and file type together, and the handler of every control. The window forwards each
// control's event to the handler of the same name.
class PresetEditor final : public EditorHost {
public:
    // Registers itself as the session's editor.
    explicit PresetEditor(PresetSession& session);
    ~PresetEditor() override;
    PresetEditor(const PresetEditor&) = delete;
    PresetEditor& operator=(const PresetEditor&) = delete;

    // The window; until one is set (or after nullptr) the editor works on a view that shows
    // nothing and answers every dialog with Cancel.
    void setView(EditorView* view);
    PresetSession& session() { return session_; }

    // Window
    void FormShow();
    void RefreshControls() override;
    void LockControls();
    void UnlockControls();
    void showModal() override;
    void endModal() override;
    bool locked() const;

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

    // Every other radio button: play mode, the on/off pairs and the date form. value is
    // what the button stands for, as in EditorView::checkRadio.
    void radioClicked(PresetSetting group, int value);
    // Every list, by the setting it shows; the three above are dispatched to their handlers.
    void listChanged(PresetSetting list, int position);

    // Transfers
    void PresetNoComboChange(int position);
    void DefaultKeyClick();
    void LoadfromTAVRINClick();
    void WritetoTAVRINClick();
    void CloseKeyClick();
    void EndPresetMenuClick();

    // BWF IDs: id is ID1, ID2 or ID3
    void IDSetKeyClick(PresetSetting id);

    // Preset text file
    void Open1Click();
    void SaveasText1Click();
    const std::string& presetFilePath() const { return presetFilePath_; }

private:
    PresetStore& store() { return session_.store(); }
    int value(PresetSetting s) const { return session_.store().get(s); }
    // Stores a value that follows from the operator's change; it is not sent.
    void carry(PresetSetting s, int newValue);
    void changeAlgorithm(int newAlgorithm, int bitRate);

    void selectInput(int inputSelect);
    void selectChannel(int stereoMono);
    void pickRadio(PresetSetting group, int value);
    void pickListEntry(PresetSetting list, int position);

    void showRadio(PresetSetting group);
    void showListValue(PresetSetting list);
    void disableList(PresetSetting list);
    void enableList(PresetSetting list);

    PresetSession& session_;
    EditorView* view_;
    std::string presetFilePath_;
};

}  // namespace tavrin::preset
