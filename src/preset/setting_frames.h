#pragma once

#include <string>

#include "preset/preset_record.h"

namespace tavrin::preset {

// The command that sets s to the value the store holds: "@0" + code + CR, or for an ID
// "@0D1" + the six stored characters + CR (sent as stored, six spaces included). Empty
// when the value is outside the setting's table: nothing is then sent or saved.
// For PresetNo it is the preset select command "@0PS01" to "@0PS03".
std::string settingFrame(const PresetStore& store, PresetSetting s);

// The 26 queries of a preset read, "@0?" + query + CR each, as one 156-byte block.
const std::string& presetQueryBlock();

}  // namespace tavrin::preset
