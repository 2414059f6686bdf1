#include "preset/preset_frames.h"

#include "protocol/setting_frames.h"

namespace tavrin::preset {

std::string settingFrame(const PresetStore& store, protocol::PresetSetting s) {
    if (protocol::isId(s)) return protocol::idFrame(s, store.id(s));
    return protocol::settingFrame(s, store.get(s));
}

}  // namespace tavrin::preset
