#include "preset/preset_file.h"

#include "preset/preset_frames.h"
#include "protocol/frames.h"

namespace tavrin::preset {

namespace {

using namespace protocol;

constexpr std::string_view kLineEnd = "\r\n";
// The first line carries a line feed of its own before its CR LF.
constexpr std::string_view kFirstLine = "TAVRIN Preset data file\n";

constexpr int kFirstSaved = index(PresetSetting::InputSelect);
constexpr int kLastSaved = index(PresetSetting::ID3);

bool contains(std::string_view text, std::string_view frame) { return text.find(frame) != std::string_view::npos; }

// The value of the first code in the setting's search order whose whole command frame occurs.
const Code* firstFrameFound(std::string_view text, const SettingInfo& setting) {
    for (const Code& code : setting.codes)
        if (!code.command.empty() && contains(text, commandFrame(code.command))) return &code;
    return nullptr;
}

void loadSetting(PresetStore& store, std::string_view text, const SettingInfo& setting) {
    const Code* code = firstFrameFound(text, setting);
    if (!code) return;
    if (setting.setting == PresetSetting::SampleRate)
        store.StoreSampleRateUnmarked(code->value);
    else
        store.set(setting.setting, code->value);
}

// "@0D1" without its CR: the six characters that follow its first occurrence are the ID.
void loadId(PresetStore& store, std::string_view text, const SettingInfo& setting) {
    std::string prefix = commandFrame(setting.query);
    prefix.pop_back();
    const std::size_t at = text.find(prefix);
    if (at == std::string_view::npos) return;
    store.setId(setting.setting, text.substr(at + prefix.size(), kIdLength));
}

}  // namespace

std::string presetFileText(const PresetStore& store) {
    std::string text(kFirstLine);
    text += kLineEnd;
    for (int i = kFirstSaved; i <= kLastSaved; ++i) {
        const SettingInfo& setting = kSettings[static_cast<std::size_t>(i)];
        text += setting.fileHeader;
        text += kLineEnd;
        text += settingFrame(store, setting.setting);
        text += kLineEnd;
    }
    return text;
}

bool loadPresetText(PresetStore& store, std::string_view text) {
    text = text.substr(0, text.find('\0'));
    store.clearKnownSettings();
    for (int i = kFirstSaved; i <= kLastSaved; ++i) {
        const SettingInfo& setting = kSettings[static_cast<std::size_t>(i)];
        if (setting.kind == Kind::Id)
            loadId(store, text, setting);
        else
            loadSetting(store, text, setting);
    }
    return store.anyKnownBesidesPresetNo();
}

FileResult writePresetFile(const std::string& path, std::string_view contents) {
    platform::ReplacingFileWriter writer(path);
    if (FileResult r = writer.create(); !r.ok) return r;
    if (FileResult r = writer.write(contents); !r.ok) return r;
    return writer.commit();
}

FileResult readPresetFile(const std::string& path, std::string& text) {
    text.clear();
    std::string contents;
    const platform::ReadResult read = platform::readWholeFile(path, kMaxPresetFileSize, contents);
    if (!read.ok) {
        const std::string reason = read.tooLarge ? "larger than " + std::to_string(kMaxPresetFileSize) +
                                                       " bytes, not a preset file"
                                                 : read.reason;
        return {false, "Could not open \"" + path + "\": " + reason};
    }
    contents.resize(std::min(contents.size(), contents.find('\0')));
    text = std::move(contents);
    return {};
}

}  // namespace tavrin::preset
