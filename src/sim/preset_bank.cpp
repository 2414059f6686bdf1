#include "sim/preset_bank.h"

#include <algorithm>

namespace tavrin::sim {

namespace {

using protocol::PresetSetting;

constexpr std::string_view kFactoryId = "000000";

// Factory values by setting, in setting order; Preset No. stays 0.
//   IN  DF  CH  AF  BR  FS  FT  PR  AM  MT  AK  AT  CP  SS  SC  SL  AC  CT  CL  PM  EP  RC
constexpr std::array<std::array<int, protocol::kSettingCount - 4>, kPresetCount> kFactory = {{
    // Balanced, MP2 stereo, 192 kbit/s at 48 kHz, .mpg
    {1, 0, 0, 0, 8, 5, 2, 0, 0, 1, 0, 2, 0, 0, 1, 2, 0, 1, 2, 0, 0, 0},
    // Unbalanced, MP3 stereo, 128 kbit/s at 44.1 kHz, .mp3, auto track and cue on
    {2, 1, 0, 1, 6, 4, 3, 1, 1, 1, 1, 4, 1, 1, 2, 4, 1, 3, 4, 2, 0, 1},
    // Digital, PCM at 48 kHz, .wav, single play with EDL
    {0, 0, 0, 2, 6, 5, 1, 1, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 3, 1, 3},
}};

bool isIdCharacter(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

int idSlot(PresetSetting s) { return protocol::index(s) - protocol::index(PresetSetting::ID1); }

}  // namespace

const std::string& Preset::id(PresetSetting s) const { return ids[static_cast<std::size_t>(idSlot(s))]; }

Preset PresetBank::factory(int number) {
    Preset p;
    const auto& row = kFactory[static_cast<std::size_t>(number)];
    std::copy(row.begin(), row.end(), p.values.begin() + 1);
    p.ids.fill(std::string(kFactoryId));
    return p;
}

PresetBank::PresetBank() {
    for (int n = 0; n < kPresetCount; ++n) presets_[static_cast<std::size_t>(n)] = factory(n);
}

void PresetBank::select(int number) { selected_ = std::clamp(number, 0, kPresetCount - 1); }

void PresetBank::restoreFactory() { selectedPreset() = factory(selected_); }

Preset& PresetBank::selectedPreset() { return presets_[static_cast<std::size_t>(selected_)]; }

bool PresetBank::apply(std::string_view body) {
    for (const protocol::SettingInfo& setting : protocol::kSettings) {
        if (protocol::isId(setting.setting)) continue;
        for (const protocol::Code& code : setting.codes) {
            if (code.command.empty() || code.command != body) continue;
            if (setting.setting == PresetSetting::PresetNo)
                select(code.value);
            else
                selectedPreset().values[static_cast<std::size_t>(index(setting.setting))] = code.value;
            return true;
        }
    }
    return applyId(body);
}

// "D1", "D2" or "D3" and exactly six digits or capital letters.
bool PresetBank::applyId(std::string_view body) {
    for (PresetSetting s : {PresetSetting::ID1, PresetSetting::ID2, PresetSetting::ID3}) {
        const std::string_view prefix = protocol::info(s).query;
        if (body.size() != prefix.size() + protocol::kIdLength || !body.starts_with(prefix)) continue;
        const std::string_view id = body.substr(prefix.size());
        if (!std::all_of(id.begin(), id.end(), isIdCharacter)) return false;
        selectedPreset().ids[static_cast<std::size_t>(idSlot(s))] = id;
        return true;
    }
    return false;
}

std::optional<std::string> PresetBank::answer(std::string_view query) const {
    for (const protocol::SettingInfo& setting : protocol::kSettings) {
        if (setting.query != query) continue;
        const PresetSetting s = setting.setting;
        if (protocol::isId(s)) return std::string(setting.query) + current().id(s);
        const int value = s == PresetSetting::PresetNo ? selected_ : current().value(s);
        const protocol::Code* code = protocol::codeForValue(s, value);
        if (code == nullptr) return std::nullopt;
        return std::string(code->reply);
    }
    return std::nullopt;
}

}  // namespace tavrin::sim
