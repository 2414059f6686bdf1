#pragma once

#include <QDialog>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/core.h"
#include "preset/editor_view.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QWidget;

// The preset editor window. It shows what the editor's logic tells it through EditorView and
// connects every control to the editor's handler of the same name; it stores and sends nothing
// itself. Programmatic checks and selections never reach a handler: radio buttons are wired by
// `clicked` and lists by `activated`, which only the operator's actions emit.
class TPresetMenu final : public QDialog, public tavrin::preset::EditorView {
    Q_OBJECT

public:
    explicit TPresetMenu(tavrin::app::Core& core, QWidget* parent = nullptr);
    ~TPresetMenu() override;

    // The control that shows a setting: its list, the frame of its radio buttons, or its ID
    // field.
    QWidget* settingControl(tavrin::protocol::PresetSetting s) const;

    // EditorView
    void checkRadio(tavrin::protocol::PresetSetting group, int value) override;
    void setRadiosEnabled(bool enabled) override;
    void setListEntries(tavrin::protocol::PresetSetting list,
                        std::span<const std::string_view> entries) override;
    void selectListEntry(tavrin::protocol::PresetSetting list, int position) override;
    void setListEnabled(tavrin::protocol::PresetSetting list, bool enabled) override;
    bool isListEnabled(tavrin::protocol::PresetSetting list) const override;
    void setMenusEnabled(bool enabled) override;
    void setIdFieldsEnabled(bool enabled) override;
    void setIdText(tavrin::protocol::PresetSetting id, std::string_view text) override;
    std::string idText(tavrin::protocol::PresetSetting id) const override;
    void setButtonsEnabled(bool enabled) override;
    bool isCloseKeyEnabled() const override;
    void repaintNow() override;
    void showModal() override;
    void endModal() override;
    void showInvalidIdBox() override;
    void showNotPresetFileBox() override;
    void showFileError(std::string_view message) override;
    void showFileWarning(std::string_view message) override;
    void showTransferError(std::string_view message) override;
    std::optional<std::string> askOpenPath() override;
    std::optional<std::string> askSavePath() override;

public slots:
    // Escape: the editor is closed only by "Close", "End Preset Menu" or a failed write.
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    using Handler = void (tavrin::preset::PresetEditor::*)();
    using ListHandler = void (tavrin::preset::PresetEditor::*)(int);

    // preset_menu_layout.cpp: the window's controls, where they stand, what they show and
    // which handler each one goes to.
    void buildMenus();
    void buildFrames();
    void buildRadios();
    void buildLists();
    void buildLabels();
    void buildIdEntry();
    void buildButtons();
    void setFocusOrder();
    void placeWindow();

    void connectTo(QObject* control, Handler handler);
    // White while enabled; the system's menu background while disabled.
    static void setFieldColour(QWidget* field, bool enabled);

    QWidget* frame(const char* name) const;
    QComboBox* list(tavrin::protocol::PresetSetting s) const;
    QLineEdit* idEdit(tavrin::protocol::PresetSetting id) const;

    tavrin::app::Core& core_;
    tavrin::preset::PresetEditor& editor_;
    QMenuBar* menuBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QWidget* client_ = nullptr;  // the client area under the menu bar; positions are relative to it
    std::array<QButtonGroup*, tavrin::protocol::kSettingCount> radioGroups_{};
    std::array<QComboBox*, tavrin::protocol::kSettingCount> lists_{};
    std::array<QLineEdit*, 3> idEdits_{};
    std::array<QPushButton*, 3> idSetKeys_{};
    QPushButton* defaultKey_ = nullptr;
    QPushButton* closeKey_ = nullptr;
    bool framePlaced_ = false;
};
