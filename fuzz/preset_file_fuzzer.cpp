// The preset file loader on arbitrary text. It must leave a record of valid values, report
// exactly whether it found a setting, never mark the sample rate or touch the preset number,
// and the file written from whatever it loaded must load back to the same record.

#include "fuzz_support.h"
#include "preset/preset_file.h"
#include "support/core_invariants.h"

namespace {

namespace preset = tavrin::preset;
namespace protocol = tavrin::protocol;
using protocol::PresetSetting;
using tavrin::test::check;

bool sameSettings(const preset::PresetStore& a, const preset::PresetStore& b) {
    for (int i = protocol::index(PresetSetting::InputSelect); i < protocol::kSettingCount; ++i) {
        const PresetSetting s = protocol::settingAt(i);
        if (protocol::isId(s) ? a.id(s) != b.id(s) : a.get(s) != b.get(s)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    preset::PresetStore store;
    store.reset();
    store.set(PresetSetting::PresetNo, 1);
    const bool found = preset::loadPresetText(store, text).anyFound;

    check(tavrin::test::recordViolation(store));
    check(found == store.anyKnownBesidesPresetNo(), "the loader's answer and the known flags disagree");
    check(!store.isKnown(PresetSetting::SampleRate), "a loaded sample rate was marked known");
    check(store.get(PresetSetting::PresetNo) == 1 && store.isKnown(PresetSetting::PresetNo),
          "loading a file changed the preset number");

    preset::PresetStore reloaded;
    reloaded.reset();
    const std::string saved = preset::presetFileText(store);
    check(preset::loadPresetText(reloaded, saved).anyFound, "a saved file did not load");
    check(sameSettings(store, reloaded), "a saved file loaded back to other settings");
    check(preset::presetFileText(reloaded) == saved, "saving the reloaded record gave other bytes");
    return 0;
}
