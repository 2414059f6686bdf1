#pragma once

#include <string>
#include <string_view>

#include "protocol/setting_codes.h"

namespace tavrin::protocol {

// The command that sets s to value: "@0" + code + CR. Empty when the value is outside the
// setting's table: nothing is then sent or saved. For PresetNo it is the preset select
// command "@0PS01" to "@0PS03". Not for the IDs.
std::string settingFrame(PresetSetting s, int value);

// "@0D1" + the six characters + CR (sent as given, six spaces included).
std::string idFrame(PresetSetting id, std::string_view sixCharacters);

// The 26 queries of a preset read, "@0?" + query + CR each, as one 156-byte block.
const std::string& presetQueryBlock();

}  // namespace tavrin::protocol
