#include "support/fake_editor_view.h"

#include <utility>

#include "preset/list_rules.h"

namespace tavrin::test {

using protocol::PresetSetting;

namespace {

constexpr auto& kLists = protocol::kSettingsShownAs<protocol::Control::List>;

std::string nameOf(PresetSetting s) { return std::string(protocol::info(s).name); }
const char* onOff(bool enabled) { return enabled ? "on" : "off"; }

}  // namespace

FakeEditorView::FakeEditorView() {
    for (PresetSetting s : kLists) {
        const auto initial = preset::initialListEntries(s);
        lists_[s].entries.assign(initial.begin(), initial.end());
    }
}

void FakeEditorView::checkRadio(PresetSetting group, int value) {
    if (group == PresetSetting::InputSelect) ++refreshes;
    checked_[group] = value;
    note("checkRadio " + nameOf(group) + " " + std::to_string(value));
}

void FakeEditorView::setRadiosEnabled(bool enabled) {
    radiosEnabled = enabled;
    note(std::string("setRadiosEnabled ") + onOff(enabled));
}

void FakeEditorView::setListEntries(PresetSetting s, std::span<const std::string_view> entries) {
    List& l = lists_[s];
    l.entries.assign(entries.begin(), entries.end());
    l.selected = -1;
    std::string line = "setListEntries " + nameOf(s);
    for (std::string_view e : entries) line += " " + std::string(e);
    note(std::move(line));
}

void FakeEditorView::selectListEntry(PresetSetting s, int position) {
    List& l = lists_[s];
    // As a toolkit list does: a position without an entry selects nothing.
    l.selected = position >= 0 && static_cast<std::size_t>(position) < l.entries.size() ? position : -1;
    note("selectListEntry " + nameOf(s) + " " + std::to_string(position));
}

void FakeEditorView::setListEnabled(PresetSetting s, bool enabled) {
    lists_[s].enabled = enabled;
    note("setListEnabled " + nameOf(s) + " " + onOff(enabled));
}

bool FakeEditorView::isListEnabled(PresetSetting s) const { return list(s).enabled; }

void FakeEditorView::setMenusEnabled(bool enabled) {
    menusEnabled = enabled;
    note(std::string("setMenusEnabled ") + onOff(enabled));
}

void FakeEditorView::setIdFieldsEnabled(bool enabled) {
    idFieldsEnabled = enabled;
    note(std::string("setIdFieldsEnabled ") + onOff(enabled));
}

void FakeEditorView::setIdText(PresetSetting id, std::string_view text) {
    idTexts_[id] = std::string(text);
    note("setIdText " + nameOf(id) + " \"" + std::string(text) + "\"");
}

std::string FakeEditorView::idText(PresetSetting id) const {
    const auto it = idTexts_.find(id);
    return it == idTexts_.end() ? std::string() : it->second;
}

void FakeEditorView::setButtonsEnabled(bool enabled) {
    buttonsEnabled = enabled;
    note(std::string("setButtonsEnabled ") + onOff(enabled));
}

void FakeEditorView::repaintNow() {
    ++repaints;
    note("repaintNow");
}

void FakeEditorView::showModal() {
    ++showModalCalls;
    if (shown) ++nestedShows;
    shown = true;
    note("showModal");
    if (onShowModal) onShowModal();
    shown = false;  // a modal window is closed once its showing returns
}

void FakeEditorView::endModal() {
    ++endModalCalls;
    shown = false;
    note("endModal");
}

void FakeEditorView::showInvalidIdBox() {
    ++invalidIdBoxes;
    note("showInvalidIdBox");
}

void FakeEditorView::showNotPresetFileBox() {
    ++notPresetFileBoxes;
    note("showNotPresetFileBox");
}

void FakeEditorView::showFileError(std::string_view message) {
    fileErrors.emplace_back(message);
    note("showFileError " + std::string(message));
}

void FakeEditorView::showFileWarning(std::string_view message) {
    fileWarnings.emplace_back(message);
    note("showFileWarning " + std::string(message));
}

void FakeEditorView::showTransferError(std::string_view message) {
    transferErrors.emplace_back(message);
    note("showTransferError " + std::string(message));
}

std::optional<std::string> FakeEditorView::askOpenPath() {
    ++openDialogs;
    note("askOpenPath");
    return openPath;
}

std::optional<std::string> FakeEditorView::askSavePath() {
    ++saveDialogs;
    note("askSavePath");
    return savePath;
}

int FakeEditorView::checked(PresetSetting group) const {
    const auto it = checked_.find(group);
    return it == checked_.end() ? -1 : it->second;
}

std::vector<std::string> FakeEditorView::entries(PresetSetting s) const { return list(s).entries; }

int FakeEditorView::selected(PresetSetting s) const { return list(s).selected; }

std::string FakeEditorView::selectedText(PresetSetting s) const {
    const List& l = list(s);
    return l.selected < 0 ? std::string() : l.entries[static_cast<std::size_t>(l.selected)];
}

std::vector<std::string> FakeEditorView::takeJournal() { return std::exchange(journal_, {}); }

const FakeEditorView::List& FakeEditorView::list(PresetSetting s) const {
    static const List none;
    const auto it = lists_.find(s);
    return it == lists_.end() ? none : it->second;
}

}  // namespace tavrin::test
