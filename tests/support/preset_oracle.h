#pragma once

// A preset as values, wherever it is held: in the recorder, in the program's record, or as the
// test wants it; and what the editor must show for it.

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "preset/list_rules.h"
#include "preset/preset_record.h"
#include "protocol/setting_codes.h"
#include "sim/preset_bank.h"

namespace tavrin::test {

using protocol::PresetSetting;

struct PresetValues {
    std::array<int, protocol::kSettingCount> values{};  // Preset No. and settings 1 to 22; IDs unused
    std::array<std::string, 3> ids;

    static PresetValues inRecorder(const sim::PresetBank& bank, int number) {
        PresetValues p;
        p.values = bank.preset(number).values;
        p.values[0] = number;
        p.ids = bank.preset(number).ids;
        return p;
    }
    static PresetValues selectedInRecorder(const sim::PresetBank& bank) {
        return inRecorder(bank, bank.selected());
    }
    static PresetValues factory(int number) {
        sim::PresetBank fresh;
        return inRecorder(fresh, number);
    }
    static PresetValues inRecord(const preset::PresetStore& store) {
        PresetValues p;
        for (int i = 0; i < protocol::kSettingCount; ++i) {
            const PresetSetting s = protocol::settingAt(i);
            if (protocol::isId(s))
                p.id(s) = std::string(store.id(s));
            else
                p.values[static_cast<std::size_t>(i)] = store.get(s);
        }
        return p;
    }

    int value(PresetSetting s) const { return values[static_cast<std::size_t>(protocol::index(s))]; }
    PresetValues& set(PresetSetting s, int v) {
        values[static_cast<std::size_t>(protocol::index(s))] = v;
        return *this;
    }
    std::string& id(PresetSetting s) {
        return ids[static_cast<std::size_t>(protocol::index(s) - protocol::index(PresetSetting::ID1))];
    }
    const std::string& id(PresetSetting s) const { return const_cast<PresetValues*>(this)->id(s); }

    // "Input Select=Unbalanced", one entry per setting: readable when two presets differ.
    std::vector<std::string> described() const {
        std::vector<std::string> lines;
        for (const protocol::SettingInfo& setting : protocol::kSettings) {
            const PresetSetting s = setting.setting;
            lines.push_back(std::string(setting.name) + "=" +
                            (protocol::isId(s) ? id(s) : std::to_string(value(s))));
        }
        return lines;
    }
    bool operator==(const PresetValues&) const = default;
};

inline void PrintTo(const PresetValues& p, std::ostream* out) {
    for (const std::string& line : p.described()) *out << line << "; ";
}

inline std::string entryOf(const preset::OfferedList& list, int code) {
    const int position = list.positionOf(code);
    return position < 0 ? std::string() : std::string(list.entries[static_cast<std::size_t>(position)]);
}

// What the editor must show for a preset: the caption of each value, and for the three dependent
// lists the entry they offer for it (nothing with digital input or PCM).
inline std::vector<std::string> shownFor(const PresetValues& p) {
    using S = PresetSetting;
    std::vector<std::string> shown;
    for (const protocol::SettingInfo& setting : protocol::kSettings) {
        const S s = setting.setting;
        const int v = p.value(s);
        std::string text;
        if (protocol::isId(s)) {
            text = p.id(s);
        } else if (s == S::SampleRate) {
            text = entryOf(preset::sampleRateList(p.value(S::InputSelect), p.value(S::Algorithm)), v);
        } else if (s == S::BitRate) {
            const auto list = preset::offeredBitRateList(p.value(S::Algorithm), p.value(S::StereoMono),
                                                         p.value(S::SampleRate));
            text = entryOf(preset::bitRateList(list), v);
        } else if (s == S::FileFormat) {
            text = preset::fileFormatList(p.value(S::Algorithm)).entries[preset::fileFormatPosition(v)];
        } else if (const protocol::Code* code = protocol::codeForValue(s, v)) {
            text = code->label;
        }
        shown.push_back(std::string(setting.name) + "=" + text);
    }
    return shown;
}

// A whole preset, every value other than the simulator's preset 1 holds, in write order.
inline const std::vector<std::string> kWholePreset = {
    "@0INDI", "@0DFDM", "@0CHMO",   "@0AFM3", "@0BR256",    "@0FS44",     "@0FTM3",    "@0PR00", "@0AM00",
    "@0MT00", "@0AK00", "@0AT2400", "@0CP00", "@0SS00",     "@0SC05",     "@0SL60",    "@0AC00", "@0CT95",
    "@0CL60", "@0PMAL", "@0EP00",   "@0RCMA", "@0D1ABC123", "@0D2XYZ789", "@0D3Q1W2E3"};

// A preset file as the editor saves it, its lines in another order and without headers: the
// loader searches the frames anywhere.
inline std::string presetFile(const std::vector<std::string>& frames) {
    std::string text = "TAVRIN Preset data file\n\r\n";
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) text += *it + "\r\r\n";
    return text;
}

}  // namespace tavrin::test
