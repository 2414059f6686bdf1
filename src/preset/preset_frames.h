#pragma once

#include <string>

#include "preset/preset_record.h"

namespace tavrin::preset {

// The command that sets s to the value the store holds (see protocol::settingFrame); an ID
// goes out as stored, six spaces included. Empty when nothing can be sent for the value.
std::string settingFrame(const PresetStore& store, protocol::PresetSetting s);

}  // namespace tavrin::preset
