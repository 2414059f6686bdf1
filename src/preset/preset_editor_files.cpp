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

void PresetEditor::Open1Click() {
    if (!view_) return;
    const std::optional<std::string> path = view_->askOpenPath();
    if (!path) return;
    presetFilePath_ = *path;

    store().clearKnownSettings();
    std::string text;
    if (const FileResult result = readPresetFile(presetFilePath_, text); !result.ok) {
        view_->showFileError(result.error);
        return;
    }
    if (loadPresetText(store(), text))
        RefreshControls();
    else
        view_->showNotPresetFileBox();
}

}  // namespace tavrin::preset
