#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/setting_codes.h"

namespace tavrin::sim {

inline constexpr int kPresetCount = 3;

// One of the recorder's presets: a value index per setting (Preset No. unused) and the
// three BWF IDs.
struct Preset {
    std::array<int, protocol::kSettingCount> values{};
    std::array<std::string, 3> ids;

    int value(protocol::PresetSetting s) const { return values[static_cast<std::size_t>(s)]; }
    const std::string& id(protocol::PresetSetting s) const;
};

// The recorder's three presets, one of them selected. Settings travel as the codes of
// setting_codes.h: commands are matched against the command column ("INUB"), queries are
// answered from the reply column ("INUN").
class PresetBank {
public:
    PresetBank();

    int selected() const { return selected_; }  // 0 to 2
    const Preset& preset(int number) const { return presets_[static_cast<std::size_t>(number)]; }
    const Preset& current() const { return preset(selected_); }

    // A setting command body ("BR128", "INUB", "PS02", "D1AB12CD"). False when the body is
    // no setting command or carries a value the recorder does not take.
    bool apply(std::string_view body);
    // The reply body to a query without its "?" ("BR" gives "BR128"); nullopt when the
    // query is not one of the preset queries.
    std::optional<std::string> answer(std::string_view query) const;

    void select(int number);
    void restoreFactory();  // the selected preset only

    static Preset factory(int number);

private:
    bool applyId(std::string_view body);
    Preset& selectedPreset();

    std::array<Preset, kPresetCount> presets_;
    int selected_ = 0;
};

}  // namespace tavrin::sim
