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

// The whole command frame, with its CR or with the LF a text tool may have put in its place.
bool frameOccurs(std::string_view text, std::string frame) {
    if (contains(text, frame)) return true;
    frame.back() = '\n';
    return contains(text, frame);
}

// The value of the first code in the setting's search order whose whole command frame occurs.
const Code* firstFrameFound(std::string_view text, const SettingInfo& setting) {
    for (const Code& code : setting.codes)
        if (!code.command.empty() && frameOccurs(text, commandFrame(code.command))) return &code;
    return nullptr;
}

bool loadSetting(PresetStore& store, std::string_view text, const SettingInfo& setting) {
    const Code* code = firstFrameFound(text, setting);
    if (!code) return false;
    if (setting.setting == PresetSetting::SampleRate)
        store.StoreSampleRateUnmarked(code->value);
    else
        store.set(setting.setting, code->value);
    return true;
}

// "@0D1" without its CR: the six characters that follow its first occurrence are the ID. One
// that is no valid ID (the six spaces of an ID never set) is there, and dropped silently.
bool loadId(PresetStore& store, std::string_view text, const SettingInfo& setting) {
    std::string prefix = commandFrame(setting.query);
    prefix.pop_back();
    const std::size_t at = text.find(prefix);
    if (at == std::string_view::npos) return false;
    store.setId(setting.setting, text.substr(at + prefix.size(), kIdLength));
    return true;
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

PresetTextLoad loadPresetText(PresetStore& store, std::string_view text) {
    text = text.substr(0, text.find('\0'));
    store.clearKnownSettings();
    PresetTextLoad result;
    for (int i = kFirstSaved; i <= kLastSaved; ++i) {
        const SettingInfo& setting = kSettings[static_cast<std::size_t>(i)];
        const bool found = setting.kind == Kind::Id ? loadId(store, text, setting) : loadSetting(store, text, setting);
        if (!found) result.missing.push_back(setting.setting);
    }
    result.anyFound = store.anyKnownBesidesPresetNo();
    return result;
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
