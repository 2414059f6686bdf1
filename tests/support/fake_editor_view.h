#pragma once

// The preset editor window without a toolkit, for headless tests of the editor's logic.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "preset/editor_view.h"
#include "protocol/setting_codes.h"

namespace tavrin::test {

// Keeps what the window would show and writes every call into a journal.
class FakeEditorView final : public preset::EditorView {
public:
    using PresetSetting = protocol::PresetSetting;

    // As the window is built: every control enabled, no radio checked, no entry selected; the
    // lists hold their initial entries (the six sample rates, no bit rates or file types).
    FakeEditorView();

    // preset::EditorView
    void checkRadio(PresetSetting group, int value) override;
    void setRadiosEnabled(bool enabled) override;
    void setListEntries(PresetSetting list, std::span<const std::string_view> entries) override;
    void selectListEntry(PresetSetting list, int position) override;
    void setListEnabled(PresetSetting list, bool enabled) override;
    bool isListEnabled(PresetSetting list) const override;
    void setMenusEnabled(bool enabled) override;
    void setIdFieldsEnabled(bool enabled) override;
    void setIdText(PresetSetting id, std::string_view text) override;
    std::string idText(PresetSetting id) const override;
    void setButtonsEnabled(bool enabled) override;
    bool isCloseKeyEnabled() const override { return buttonsEnabled; }
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

    // What the window shows.
    int checked(PresetSetting group) const;  // the value of the checked button, -1 when none
    std::vector<std::string> entries(PresetSetting list) const;
    int selected(PresetSetting list) const;  // -1 when no entry is selected
    std::string selectedText(PresetSetting list) const;  // empty when no entry is selected

    // The operator typing into an ID field (no journal line: the window does not report it).
    void typeId(PresetSetting id, std::string_view text) { idTexts_[id] = std::string(text); }

    // Every call since the last take, in order, e.g. "checkRadio Input Select 2".
    std::vector<std::string> takeJournal();

    bool radiosEnabled = true;
    bool menusEnabled = true;
    bool idFieldsEnabled = true;
    bool buttonsEnabled = true;  // Default, Close and the three "set" buttons
    int repaints = 0;
    int showModalCalls = 0;
    int nestedShows = 0;  // showModal called while the editor was already up
    int endModalCalls = 0;
    // RefreshControls is the only caller of checkRadio, and checks the Input Select group first.
    int refreshes = 0;
    bool shown = false;  // from showModal until endModal or until showModal returns
    int invalidIdBoxes = 0;
    int notPresetFileBoxes = 0;
    std::vector<std::string> fileErrors;
    std::vector<std::string> fileWarnings;
    std::vector<std::string> transferErrors;

    // What the file dialogs answer; nullopt stands for Cancel.
    std::optional<std::string> openPath;
    std::optional<std::string> savePath;
    int openDialogs = 0;
    int saveDialogs = 0;

    // Runs inside showModal(), as the receive ticks do while the real window is up. A test
    // usually calls the editor's FormShow from here, as the window's show event does.
    std::function<void()> onShowModal;

private:
    struct List {
        std::vector<std::string> entries;
        int selected = -1;
        bool enabled = true;
    };

    void note(std::string line) { journal_.push_back(std::move(line)); }
    const List& list(PresetSetting s) const;

    std::map<PresetSetting, int> checked_;
    std::map<PresetSetting, List> lists_;
    std::map<PresetSetting, std::string> idTexts_;
    std::vector<std::string> journal_;
};

}  // namespace tavrin::test
