#include "protocol/setting_frames.h"

#include "protocol/frames.h"

namespace tavrin::protocol {

std::string settingFrame(PresetSetting s, int value) {
    const Code* code = codeForValue(s, value);
    return code ? commandFrame(code->command) : std::string{};
}

std::string idFrame(PresetSetting id, std::string_view sixCharacters) {
    std::string body(info(id).query);
    body += sixCharacters;
    return commandFrame(body);
}

const std::string& presetQueryBlock() {
    static const std::string block = [] {
        std::string b;
        for (const SettingInfo& setting : kSettings) {
            std::string body = "?";
            body += setting.query;
            b += commandFrame(body);
        }
        return b;
    }();
    return block;
}

}  // namespace tavrin::protocol
