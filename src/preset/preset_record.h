#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "protocol/setting_codes.h"

namespace tavrin::preset {

// The settings of the preset currently selected on the recorder, in the recorder's
// order and widths. A zero-filled record holds valid indices and terminated IDs.
struct PresetRecord {
    std::int32_t PresetNo = 0;
    std::int32_t InputSelect = 0;
    std::int32_t PlayMode = 0;
    std::int32_t PreRec = 0;
    std::int32_t AutoMark = 0;
    std::int32_t MTrack = 0;
    std::int32_t SeamlsPlay = 0;
    std::int32_t RemoteMode = 0;
    std::int32_t DateForm = 0;
    std::int32_t EDLPlay = 0;
    std::array<char, protocol::kIdLength + 1> ID1{};  // six characters and a zero byte
    std::array<char, protocol::kIdLength + 1> ID2{};
    std::array<char, protocol::kIdLength + 1> ID3{};
    std::uint8_t StereoMono = 0;
    std::uint8_t Algorithm = 0;
    std::uint8_t SampleRate = 0;
    std::uint8_t BitRate = 0;
    std::uint8_t FileFormat = 0;
    std::uint8_t AutoTrack = 0;
    std::uint8_t AutoTrackTime = 0;
    std::uint8_t SilentSkip = 0;
    std::uint8_t SSkipTime = 0;
    std::uint8_t SSkipLevel = 0;
    std::uint8_t AutoCue = 0;
    std::uint8_t AutoCueTime = 0;
    std::uint8_t AutoCueLevel = 0;
};

// A BWF ID: the first six characters are each "0" to "9" or "A" to "Z". Characters after
// the sixth are never looked at; a shorter text is invalid.
bool IsValidId(std::string_view text);

// The one preset the program holds: the record and one SettingKnown flag per setting.
class PresetStore {
public:
    const PresetRecord& record() const { return record_; }

    int get(protocol::PresetSetting s) const;
    // Stores the value unchanged (no range check: callers pass an index from the tables)
    // and marks the setting known. Not for the IDs.
    void set(protocol::PresetSetting s, int value);

    std::string_view id(protocol::PresetSetting s) const;  // the six characters of ID1, ID2 or ID3
    // Stores the first six characters and marks the ID known if IsValidId accepts the text;
    // otherwise changes nothing. Returns whether it stored.
    bool setId(protocol::PresetSetting s, std::string_view text);

    // Sample rates carried along by the file loader and the editor's list keep their flag.
    void StoreSampleRateUnmarked(int value);

    bool isKnown(protocol::PresetSetting s) const { return known_[static_cast<std::size_t>(s)]; }
    bool anyKnownBesidesPresetNo() const;
    // Flags 1 to 25 (opening a preset file); the flag of Preset No. stays.
    void clearKnownSettings();

    // Reset values; StereoMono, AutoTrackTime and SSkipTime keep theirs. No setting is known.
    void reset();

private:
    PresetRecord record_;
    std::array<bool, protocol::kSettingCount> known_{};
};

}  // namespace tavrin::preset
