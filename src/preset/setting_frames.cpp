#include "preset/setting_frames.h"

#include "link/command_frame.h"

namespace tavrin::preset {

std::string settingFrame(const PresetStore& store, PresetSetting s) {
    if (isId(s)) {
        std::string body(info(s).query);
        body += store.id(s);
        return link::commandFrame(body);
    }
    const Code* code = codeForValue(s, store.get(s));
    return code ? link::commandFrame(code->command) : std::string{};
}

const std::string& presetQueryBlock() {
    static const std::string block = [] {
        std::string b;
        for (const SettingInfo& setting : kSettings) {
            std::string body = "?";
            body += setting.query;
            b += link::commandFrame(body);
        }
        return b;
    }();
    return block;
}

}  // namespace tavrin::preset
