#pragma once

#include <optional>
#include <string>
#include <vector>

#include "preset/preset_record.h"

namespace tavrin::cli {

// A preset file as preset write and preset diff use it: the values the editor's loading
// rules find in it, and the settings it holds a frame for, in write order. The sampling rate
// counts when its frame is there, a BWF ID only when it is valid.
struct PresetFile {
    preset::PresetStore values;
    std::vector<protocol::PresetSetting> settings;
};

struct LoadedPresetFile {
    std::optional<PresetFile> file;
    std::string error;  // a missing, unreadable, oversized or binary file, or one with no setting in it
};

LoadedPresetFile loadPresetFile(const std::string& path);

// The value the store holds, as the editor shows it ("44.1", "On", "Unbalanced", the six
// characters of an ID), whether or not it is marked known.
std::string valueText(const preset::PresetStore& store, protocol::PresetSetting s);

struct Difference {
    protocol::PresetSetting setting;
    std::string recorder;
    std::string file;
};

// Each of the file's settings whose value the recorder does not hold, in setting order.
std::vector<Difference> differences(const preset::PresetStore& recorder, const PresetFile& file);

// "Sample Rate 44.1 / 48": the editor's caption, the recorder's value, the file's value.
std::string differenceLine(const Difference& d);

}  // namespace tavrin::cli
