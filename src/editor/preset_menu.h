#pragma once

#include <QDialog>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "preset/editor_view.h"
#include "preset/preset_editor.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QWidget;

// The preset editor window. It shows what PresetEditor tells it through EditorView and hands every
// operator action to the editor's handler of the same name; it stores and sends nothing itself.
// Programmatic checks and selections never reach a handler: radio buttons are wired by `clicked`
// and lists by `activated`, which only the operator's actions emit.
class TPresetMenu final : public QDialog, public tavrin::preset::EditorView {
    Q_OBJECT

public:
    explicit TPresetMenu(tavrin::preset::PresetEditor& editor, QWidget* parent = nullptr);
    ~TPresetMenu() override;

    // EditorView
    void checkRadio(tavrin::preset::PresetSetting group, int value) override;
    void setRadiosEnabled(bool enabled) override;
    void setListEntries(tavrin::preset::PresetSetting list,
                        std::span<const std::string_view> entries) override;
    void selectListEntry(tavrin::preset::PresetSetting list, int position) override;
    void setListEnabled(tavrin::preset::PresetSetting list, bool enabled) override;
    bool isListEnabled(tavrin::preset::PresetSetting list) const override;
    void setMenusEnabled(bool enabled) override;
    void setIdFieldsEnabled(bool enabled) override;
    void setIdText(tavrin::preset::PresetSetting id, std::string_view text) override;
    std::string idText(tavrin::preset::PresetSetting id) const override;
    void setButtonsEnabled(bool enabled) override;
    bool isCloseKeyEnabled() const override;
    void repaintNow() override;
    void showModal() override;
    void endModal() override;
    void showInvalidIdBox() override;
    void showNotPresetFileBox() override;
    void showFileError(std::string_view message) override;
    std::optional<std::string> askOpenPath() override;
    std::optional<std::string> askSavePath() override;

public slots:
    // Escape: the editor is closed only by "Close", "End Preset Menu" or a failed write.
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void FormShow();

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

    void PresetNoComboChange(int position);
    void DefaultKeyClick();
    void CloseKeyClick();
    void ID1SetKeyClick();
    void ID2SetKeyClick();
    void ID3SetKeyClick();

    void Open1Click();
    void SaveasText1Click();
    void EndPresetMenuClick();
    void LoadfromTAVRINClick();
    void WritetoTAVRINClick();

private:
    using Handler = void (TPresetMenu::*)();
    using ListHandler = void (TPresetMenu::*)(int);

    void buildMenus();
    void buildFrames();
    void buildRadios();
    void buildLists();
    void buildLabels();
    void buildIdEntry();
    void buildButtons();
    void setFocusOrder();
    void placeWindow();

    QWidget* frame(const char* name) const;
    QComboBox* list(tavrin::preset::PresetSetting s) const;
    QLineEdit* idEdit(tavrin::preset::PresetSetting id) const;

    tavrin::preset::PresetEditor& editor_;
    QMenuBar* menuBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QWidget* client_ = nullptr;  // the client area under the menu bar; positions are relative to it
    std::array<QButtonGroup*, tavrin::preset::kSettingCount> radioGroups_{};
    std::array<QComboBox*, tavrin::preset::kSettingCount> lists_{};
    std::array<QLineEdit*, 3> idEdits_{};
    std::array<QPushButton*, 3> idSetKeys_{};
    QPushButton* defaultKey_ = nullptr;
    QPushButton* closeKey_ = nullptr;
    bool framePlaced_ = false;
};
