#include "preset/preset_editor.h"

#include "preset/list_rules.h"

namespace tavrin::preset {

namespace {

using protocol::Code;
using protocol::Control;
using protocol::info;
using protocol::isId;
using protocol::Kind;
using protocol::kIdLength;
using protocol::PresetSetting;
using S = PresetSetting;

// Stands in for the window until one is set: shows nothing, every dialog is cancelled.
class NoView final : public EditorView {
public:
    void checkRadio(PresetSetting, int) override {}
    void setRadiosEnabled(bool) override {}
    void setListEntries(PresetSetting, std::span<const std::string_view>) override {}
    void selectListEntry(PresetSetting, int) override {}
    void setListEnabled(PresetSetting, bool) override {}
    bool isListEnabled(PresetSetting) const override { return false; }
    void setMenusEnabled(bool) override {}
    void setIdFieldsEnabled(bool) override {}
    void setIdText(PresetSetting, std::string_view) override {}
    std::string idText(PresetSetting) const override { return {}; }
    void setButtonsEnabled(bool) override {}
    bool isCloseKeyEnabled() const override { return true; }
    void repaintNow() override {}
    void showModal() override {}
    void endModal() override {}
    void showInvalidIdBox() override {}
    void showNotPresetFileBox() override {}
    void showFileError(std::string_view) override {}
    void showFileWarning(std::string_view) override {}
    void showTransferError(std::string_view) override {}
    std::optional<std::string> askOpenPath() override { return std::nullopt; }
    std::optional<std::string> askSavePath() override { return std::nullopt; }
};

EditorView& noView() {
    static NoView view;
    return view;
}

constexpr auto& kLists = protocol::kSettingsShownAs<Control::List>;
constexpr auto& kIds = protocol::kSettingsShownAs<Control::IdField>;

// The sample-rate and bit-rate lists are emptied when they are disabled; the others keep
// their entries.
constexpr bool isDependentList(PresetSetting list) { return list == S::SampleRate || list == S::BitRate; }

// Whether value is one of the setting's values that has a command: a list position or a
// radio button's value.
bool isValue(PresetSetting s, int value) {
    for (const Code& c : info(s).codes)
        if (c.value == value && !c.command.empty()) return true;
    return false;
}

// The radio button a stored value checks, as EditorView::checkRadio takes it; -1 for none.
int shownRadio(PresetSetting group, int value) {
    switch (group) {
    case S::StereoMono: return value != channel::kStereo ? channel::kMono : channel::kStereo;
    case S::DateForm: return value == 1 ? 1 : 0;  // DMY for 1, MDY for anything else
    default: break;
    }
    if (info(group).kind == Kind::OnOff) return value != 0 ? 1 : 0;
    return isValue(group, value) ? value : -1;
}

}  // namespace

PresetEditor::PresetEditor(PresetSession& session) : session_(session), view_(&noView()) {}

void PresetEditor::setView(EditorView* view) { view_ = view ? view : &noView(); }

void PresetEditor::carry(PresetSetting s, int newValue) {
    if (newValue != value(s)) store().set(s, newValue);
}

// ---- Window ----------------------------------------------------------------------------------

void PresetEditor::FormShow() {
    session_.editorShown();
    RefreshControls();
}

void PresetEditor::RefreshControls() {
    if (locked()) UnlockControls();
    showListValue(S::PresetNo);
    showRadio(S::InputSelect);
    showRadio(S::StereoMono);
    showRadio(S::Algorithm);
    // The sample rate and the bit rate are shown whatever their flags say.
    FillSampleRateList();
    FillBitRateList();
    if (store().isKnown(S::FileFormat))
        FillFileFormatList();
    else
        view_->selectListEntry(S::FileFormat, -1);  // the entries of the last fill stay
    showRadio(S::PlayMode);
    showRadio(S::PreRec);
    showRadio(S::AutoMark);
    showRadio(S::MTrack);
    showRadio(S::SeamlsPlay);
    showRadio(S::DateForm);
    showRadio(S::EDLPlay);
    showRadio(S::SilentSkip);
    showListValue(S::SSkipTime);
    showListValue(S::SSkipLevel);
    showRadio(S::AutoTrack);
    showListValue(S::AutoTrackTime);
    showRadio(S::AutoCue);
    showListValue(S::AutoCueTime);
    showListValue(S::AutoCueLevel);
    showListValue(S::RemoteMode);
    for (PresetSetting id : kIds)
        view_->setIdText(id, store().isKnown(id) ? store().id(id) : std::string_view());
}

void PresetEditor::showRadio(PresetSetting group) {
    view_->checkRadio(group, store().isKnown(group) ? shownRadio(group, value(group)) : -1);
}

void PresetEditor::showListValue(PresetSetting list) {
    const bool shown = store().isKnown(list) && isValue(list, value(list));
    view_->selectListEntry(list, shown ? value(list) : -1);
}

void PresetEditor::LockControls() {
    view_->setRadiosEnabled(false);
    DisableSampleRateList();
    DisableBitRateList();
    for (PresetSetting list : kLists) {
        if (isDependentList(list)) continue;
        view_->selectListEntry(list, -1);
        view_->setListEnabled(list, false);
    }
    view_->setMenusEnabled(false);
    view_->setIdFieldsEnabled(false);
    for (PresetSetting id : kIds) view_->setIdText(id, {});
    view_->setButtonsEnabled(false);
    // Greyed before the transfer's commands go out.
    view_->repaintNow();
}

void PresetEditor::UnlockControls() {
    view_->setRadiosEnabled(true);
    EnableSampleRateList();
    EnableBitRateList();
    for (PresetSetting list : kLists)
        if (!isDependentList(list)) view_->setListEnabled(list, true);
    view_->setMenusEnabled(true);
    view_->setIdFieldsEnabled(true);
    view_->setButtonsEnabled(true);
}

void PresetEditor::showModal() { view_->showModal(); }

void PresetEditor::showTransferFailure(std::string_view message) { view_->showTransferError(message); }

void PresetEditor::endModal() { view_->endModal(); }

bool PresetEditor::locked() const { return !view_->isCloseKeyEnabled(); }

// ---- The dependent lists ---------------------------------------------------------------------

void PresetEditor::FillSampleRateList() {
    DisableSampleRateList();
    const OfferedList list = sampleRateList(value(S::InputSelect), value(S::Algorithm));
    if (list.empty()) return;  // digital input: the rate keeps its value, hidden
    EnableSampleRateList();
    // MP2 has no low-class rate. The rate is carried along, not chosen: its flag stays.
    if (value(S::Algorithm) == algorithm::kMP2) {
        const int rate = sampleRateForMP2(value(S::SampleRate));
        if (rate != value(S::SampleRate)) store().StoreSampleRateUnmarked(rate);
    }
    view_->setListEntries(S::SampleRate, list.entries);
    view_->selectListEntry(S::SampleRate, list.positionOf(value(S::SampleRate)));
}

void PresetEditor::FillBitRateList() {
    DisableBitRateList();
    const OfferedList list =
        bitRateList(offeredBitRateList(value(S::Algorithm), value(S::StereoMono), value(S::SampleRate)));
    if (list.empty()) return;  // PCM: the bit rate keeps its value, hidden
    EnableBitRateList();
    view_->setListEntries(S::BitRate, list.entries);
    view_->selectListEntry(S::BitRate, list.positionOf(value(S::BitRate)));
}

void PresetEditor::FillFileFormatList() {
    view_->setListEntries(S::FileFormat, fileFormatList(value(S::Algorithm)).entries);
    view_->selectListEntry(S::FileFormat, fileFormatPosition(value(S::FileFormat)));
}

void PresetEditor::EnableSampleRateList() { enableList(S::SampleRate); }
void PresetEditor::DisableSampleRateList() { disableList(S::SampleRate); }
void PresetEditor::EnableBitRateList() { enableList(S::BitRate); }
void PresetEditor::DisableBitRateList() { disableList(S::BitRate); }

void PresetEditor::disableList(PresetSetting list) {
    if (!view_->isListEnabled(list)) return;
    view_->setListEntries(list, {});
    view_->selectListEntry(list, -1);
    view_->setListEnabled(list, false);
}

void PresetEditor::enableList(PresetSetting list) {
    if (view_->isListEnabled(list)) return;
    view_->setListEnabled(list, true);
}

// ---- Input, channel, format, sample rate, bit rate and file type -----------------------------

void PresetEditor::DigitalRadioClick() { selectInput(input::kDigital); }
void PresetEditor::BalanceRadioClick() { selectInput(input::kBalanced); }
void PresetEditor::UnbalanceRadioClick() { selectInput(input::kUnbalanced); }

void PresetEditor::selectInput(int inputSelect) {
    if (value(S::InputSelect) == inputSelect) return;
    store().set(S::InputSelect, inputSelect);
    session_.SendChange(S::InputSelect);
    FillBitRateList();
    FillSampleRateList();
}

void PresetEditor::StereoRadioClick() { selectChannel(channel::kStereo); }
void PresetEditor::MonoRadioClick() { selectChannel(channel::kMono); }

void PresetEditor::selectChannel(int stereoMono) {
    if (value(S::StereoMono) == stereoMono) return;
    store().set(S::StereoMono, stereoMono);
    session_.SendChange(S::StereoMono);
    carry(S::BitRate,
          bitRateForChannel(value(S::BitRate), value(S::Algorithm), value(S::SampleRate), stereoMono));
    FillBitRateList();
    FillSampleRateList();
}

void PresetEditor::PCMRadioClick() {
    if (value(S::Algorithm) == algorithm::kPCM) return;
    changeAlgorithm(algorithm::kPCM, value(S::BitRate));  // the bit rate waits, unlisted, for MP2 or MP3
}

void PresetEditor::MP2RadioClick() {
    if (value(S::Algorithm) == algorithm::kMP2) return;
    const int bitRate = bitRateForMP2(value(S::BitRate), value(S::StereoMono), value(S::SampleRate));
    changeAlgorithm(algorithm::kMP2, bitRate);
}

void PresetEditor::MP3RadioClick() {
    if (value(S::Algorithm) == algorithm::kMP3) return;
    changeAlgorithm(algorithm::kMP3, bitRateForMP3(value(S::BitRate), value(S::StereoMono)));
}

// The bit rate is carried to the new format's list before the format is stored and sent; the
// file type follows once the lists show the new format.
void PresetEditor::changeAlgorithm(int newAlgorithm, int bitRate) {
    carry(S::BitRate, bitRate);
    store().set(S::Algorithm, newAlgorithm);
    session_.SendChange(S::Algorithm);
    FillBitRateList();
    FillSampleRateList();
    carry(S::FileFormat, fileFormatForAlgorithm(value(S::FileFormat), newAlgorithm));
    FillFileFormatList();
}

void PresetEditor::SampleRateComboChange(int position) {
    const int rate = sampleRateList(value(S::InputSelect), value(S::Algorithm)).codeAt(position);
    if (rate < 0) return;
    carry(S::BitRate, bitRateForSampleRate(value(S::BitRate), value(S::Algorithm), value(S::StereoMono),
                                           value(S::SampleRate), rate));
    if (rate == value(S::SampleRate)) return;
    store().set(S::SampleRate, rate);
    session_.SendChange(S::SampleRate);
    FillBitRateList();
}

void PresetEditor::BitRateComboChange(int position) {
    const OfferedList list =
        bitRateList(offeredBitRateList(value(S::Algorithm), value(S::StereoMono), value(S::SampleRate)));
    const int bitRate = list.codeAt(position);  // PCM offers no list: nothing to pick
    if (bitRate < 0 || bitRate == value(S::BitRate)) return;
    store().set(S::BitRate, bitRate);
    session_.SendChange(S::BitRate);
}

void PresetEditor::FmtComboChange(int position) {
    const int format = fileFormatList(value(S::Algorithm)).codeAt(position);
    if (format < 0 || format == value(S::FileFormat)) return;
    store().set(S::FileFormat, format);
    session_.SendChange(S::FileFormat);
}

// ---- Every other control ---------------------------------------------------------------------

namespace {
constexpr int kOn = 1;  // what an "On" button stands for; "Off" stands for 0
constexpr int kOff = 0;
constexpr int kDMY = 1;  // Date Form
constexpr int kMDY = 0;
}  // namespace

void PresetEditor::PlayModeNormalRadioClick() { pickRadio(S::PlayMode, 0); }
void PresetEditor::TrackRepeatRadioClick() { pickRadio(S::PlayMode, 1); }
void PresetEditor::AllRepeatRadioClick() { pickRadio(S::PlayMode, 2); }
void PresetEditor::SinglePlayRadioClick() { pickRadio(S::PlayMode, 3); }
void PresetEditor::PreRecOnRadioClick() { pickRadio(S::PreRec, kOn); }
void PresetEditor::PreRecOffRadioClick() { pickRadio(S::PreRec, kOff); }
void PresetEditor::AutoMarkOnRadioClick() { pickRadio(S::AutoMark, kOn); }
void PresetEditor::AutoMarkOffRadioClick() { pickRadio(S::AutoMark, kOff); }
void PresetEditor::MTrackOnRadioClick() { pickRadio(S::MTrack, kOn); }
void PresetEditor::MTrackOffRadioClick() { pickRadio(S::MTrack, kOff); }
void PresetEditor::AutoTrackOnRadioClick() { pickRadio(S::AutoTrack, kOn); }
void PresetEditor::AutoTrackOffRadioClick() { pickRadio(S::AutoTrack, kOff); }
void PresetEditor::AutoTrackTimeComboChange(int position) { pickListEntry(S::AutoTrackTime, position); }
void PresetEditor::SeamlsPlayOnRadioClick() { pickRadio(S::SeamlsPlay, kOn); }
void PresetEditor::SeamlsPlayOffRadioClick() { pickRadio(S::SeamlsPlay, kOff); }
void PresetEditor::SilentSkipOnRadioClick() { pickRadio(S::SilentSkip, kOn); }
void PresetEditor::SilentSkipOffRadioClick() { pickRadio(S::SilentSkip, kOff); }
void PresetEditor::SSkipTimeComboChange(int position) { pickListEntry(S::SSkipTime, position); }
void PresetEditor::SSkipLevelComboChange(int position) { pickListEntry(S::SSkipLevel, position); }
void PresetEditor::AutoCueOnRadioClick() { pickRadio(S::AutoCue, kOn); }
void PresetEditor::AutoCueOffRadioClick() { pickRadio(S::AutoCue, kOff); }
void PresetEditor::AutoCueTimeComboChange(int position) { pickListEntry(S::AutoCueTime, position); }
void PresetEditor::AutoCueLevelComboChange(int position) { pickListEntry(S::AutoCueLevel, position); }
void PresetEditor::RemoteModeComboChange(int position) { pickListEntry(S::RemoteMode, position); }
void PresetEditor::EDLOnRadioClick() { pickRadio(S::EDLPlay, kOn); }
void PresetEditor::EDLOffRadioClick() { pickRadio(S::EDLPlay, kOff); }
void PresetEditor::DMYRadioClick() { pickRadio(S::DateForm, kDMY); }
void PresetEditor::MDYRadioClick() { pickRadio(S::DateForm, kMDY); }


void PresetEditor::radioClicked(PresetSetting group, int v) {
    switch (group) {
    case S::InputSelect:
        if (isValue(group, v)) selectInput(v);
        return;
    case S::StereoMono:
        if (isValue(group, v)) selectChannel(v);
        return;
    case S::Algorithm:
        if (v == algorithm::kMP2) MP2RadioClick();
        if (v == algorithm::kMP3) MP3RadioClick();
        if (v == algorithm::kPCM) PCMRadioClick();
        return;
    default: pickRadio(group, v);
    }
}

void PresetEditor::pickRadio(PresetSetting group, int v) {
    if (info(group).control != Control::Radios || !isValue(group, v)) return;
    // An "On" button does nothing while the setting holds any value but 0.
    const int current = info(group).kind == Kind::OnOff ? (value(group) != 0 ? 1 : 0) : value(group);
    if (current == v) return;
    store().set(group, v);
    session_.SendChange(group);
}

void PresetEditor::listChanged(PresetSetting list, int position) {
    switch (list) {
    case S::PresetNo: PresetNoComboChange(position); return;
    case S::SampleRate: SampleRateComboChange(position); return;
    case S::BitRate: BitRateComboChange(position); return;
    case S::FileFormat: FmtComboChange(position); return;
    case S::AutoTrackTime:
    case S::SSkipTime:
    case S::SSkipLevel:
    case S::AutoCueTime:
    case S::AutoCueLevel:
    case S::RemoteMode: pickListEntry(list, position); return;
    default: return;
    }
}

// A position of -1 (nothing selected) or past the list never reaches the record.
void PresetEditor::pickListEntry(PresetSetting list, int position) {
    if (!isValue(list, position) || value(list) == position) return;
    store().set(list, position);
    session_.SendChange(list);
}

// ---- Transfers -------------------------------------------------------------------------------

void PresetEditor::PresetNoComboChange(int position) {
    if (!isValue(S::PresetNo, position) || value(S::PresetNo) == position) return;
    session_.SelectPreset(position);
    LockControls();
}

void PresetEditor::DefaultKeyClick() {
    session_.SendDefault();
    LockControls();
}

void PresetEditor::LoadfromTAVRINClick() {
    LockControls();
    session_.StartPresetRead();
}

void PresetEditor::WritetoTAVRINClick() {
    LockControls();
    session_.StartWriteSequence();
}

void PresetEditor::CloseKeyClick() { session_.ClosePresetMenu(); }

void PresetEditor::EndPresetMenuClick() { session_.ClosePresetMenu(); }

// ---- BWF IDs ---------------------------------------------------------------------------------

void PresetEditor::ID1SetKeyClick() { IDSetKeyClick(S::ID1); }
void PresetEditor::ID2SetKeyClick() { IDSetKeyClick(S::ID2); }
void PresetEditor::ID3SetKeyClick() { IDSetKeyClick(S::ID3); }

void PresetEditor::IDSetKeyClick(PresetSetting id) {
    if (!isId(id)) return;
    const std::string text = view_->idText(id);
    // Equal to what is stored: nothing to do, even for text that would fail the check. A text
    // shorter than six characters differs at its end.
    if (text.size() >= kIdLength && std::string_view(text).substr(0, kIdLength) == store().id(id)) return;
    if (!store().setId(id, text)) {
        view_->showInvalidIdBox();  // nothing stored or sent; the field keeps the text as typed
        return;
    }
    session_.SendChange(id);
}

}  // namespace tavrin::preset
