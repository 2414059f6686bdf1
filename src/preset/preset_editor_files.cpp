// The editor's File menu: saving the preset to a text file and loading one back.

#include "preset/preset_editor.h"

#include <optional>
#include <string>

#include "preset/preset_file.h"

namespace tavrin::preset {

using protocol::PresetSetting;

void PresetEditor::SaveasText1Click() {
    if (!view_) return;
    const std::optional<std::string> path = view_->askSavePath();
    if (!path) return;
    presetFilePath_ = *path;

    // IDs typed but not yet "set" are saved too; text that is no valid ID is left out silently.
    for (PresetSetting id : {PresetSetting::ID1, PresetSetting::ID2, PresetSetting::ID3}) {
        const std::string text = view_->idText(id);
        if (std::string_view(text).substr(0, protocol::kIdLength) != store().id(id)) store().setId(id, text);
    }

    const FileResult result = writePresetFile(presetFilePath_, presetFileText(store()));
    if (!result.ok) view_->showFileError(result.error);
}

// Nothing changes unless the file loads: it is loaded into a copy of the record first.
void PresetEditor::Open1Click() {
    if (!view_) return;
    const std::optional<std::string> path = view_->askOpenPath();
    if (!path) return;
    presetFilePath_ = *path;

    std::string text;
    if (const FileResult result = readPresetFile(presetFilePath_, text); !result.ok) {
        view_->showFileError(result.error);
        return;
    }
    PresetStore loaded = store();
    const PresetTextLoad load = loadPresetText(loaded, text);
    if (!load.anyFound) {
        view_->showNotPresetFileBox();
        return;
    }
    store() = loaded;
    RefreshControls();
    if (load.missing.empty()) return;
    std::string names;
    for (PresetSetting s : load.missing) names += (names.empty() ? "" : ", ") + std::string(protocol::info(s).name);
    view_->showFileWarning("The file sets no value for: " + names);
}

}  // namespace tavrin::preset
