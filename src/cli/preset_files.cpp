#include "cli/preset_files.h"

#include <algorithm>

#include "platform/files.h"
#include "preset/preset_file.h"

namespace tavrin::cli {

namespace {

using protocol::PresetSetting;

constexpr int kFirstWritten = protocol::index(PresetSetting::InputSelect);
constexpr int kLastWritten = protocol::index(PresetSetting::ID3);

bool sameValue(const preset::PresetStore& a, const preset::PresetStore& b, PresetSetting s) {
    if (protocol::isId(s)) return a.id(s) == b.id(s);
    if (protocol::info(s).kind == protocol::Kind::OnOff) return (a.get(s) != 0) == (b.get(s) != 0);
    return a.get(s) == b.get(s);
}

}  // namespace

LoadedPresetFile loadPresetFile(const std::string& path) {
    LoadedPresetFile loaded;
    std::string text;
    const platform::ReadResult read = platform::readWholeFile(path, preset::kMaxPresetFileSize, text);
    if (!read.ok) {
        loaded.error = read.tooLarge ? path + ": larger than " + std::to_string(preset::kMaxPresetFileSize) +
                                           " bytes, not a preset file"
                                     : "cannot read " + path + ": " + read.reason;
        return loaded;
    }
    // A preset file is text; the editor would read such a file only up to its first zero byte.
    if (text.find('\0') != std::string::npos) {
        loaded.error = path + ": a binary file, not a preset file";
        return loaded;
    }
    PresetFile file;
    file.values.reset();
    const preset::PresetTextLoad load = preset::loadPresetText(file.values, text);
    if (!load.anyFound) {
        loaded.error = path + ": Not TAVRIN preset file! (no setting command in it)";
        return loaded;
    }
    for (int i = kFirstWritten; i <= kLastWritten; ++i) {
        const PresetSetting s = protocol::settingAt(i);
        const bool found = protocol::isId(s)
                               ? file.values.isKnown(s)
                               : std::find(load.missing.begin(), load.missing.end(), s) == load.missing.end();
        if (found) file.settings.push_back(s);
    }
    loaded.file = std::move(file);
    return loaded;
}

std::string valueText(const preset::PresetStore& store, PresetSetting s) {
    if (protocol::isId(s)) return std::string(store.id(s));
    const protocol::Code* code = protocol::codeForValue(s, store.get(s));
    return code ? std::string(code->label) : "(none)";
}

std::vector<Difference> differences(const preset::PresetStore& recorder, const PresetFile& file) {
    std::vector<Difference> found;
    for (const PresetSetting s : file.settings) {
        const bool known = protocol::isId(s) || recorder.isKnown(s);
        if (known && sameValue(recorder, file.values, s)) continue;
        found.push_back({s, known ? valueText(recorder, s) : "(none)", valueText(file.values, s)});
    }
    return found;
}

std::string differenceLine(const Difference& d) {
    return std::string(protocol::info(d.setting).caption) + " " + d.recorder + " / " + d.file;
}

}  // namespace tavrin::cli
