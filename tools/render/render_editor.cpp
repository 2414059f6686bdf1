// Draws docs/preset-editor.png: the preset editor window over a preset as a recorder might hold it.

#include <utility>

#include "ui/preset_menu.h"
#include "ui/rs232c_window.h"
#include "render.h"

namespace {

using tavrin::protocol::PresetSetting;

// Stereo MP3 at 44.1 kHz and 128 kbit/s from the unbalanced input, with a few features on.
void fillRecord(tavrin::preset::PresetStore& store) {
    using S = PresetSetting;
    const std::pair<PresetSetting, int> values[] = {
        {S::PresetNo, 0},     {S::InputSelect, 2},  {S::DateForm, 1},     {S::StereoMono, 0},
        {S::Algorithm, 1},    {S::BitRate, 6},      {S::SampleRate, 4},   {S::FileFormat, 3},
        {S::PreRec, 1},       {S::AutoMark, 0},     {S::MTrack, 1},       {S::AutoTrack, 1},
        {S::AutoTrackTime, 4}, {S::SeamlsPlay, 0},  {S::SilentSkip, 1},   {S::SSkipTime, 2},
        {S::SSkipLevel, 4},   {S::AutoCue, 0},      {S::AutoCueTime, 1},  {S::AutoCueLevel, 2},
        {S::PlayMode, 0},     {S::EDLPlay, 0},      {S::RemoteMode, 1},
    };
    for (const auto& [setting, value] : values) store.set(setting, value);
    store.setId(S::ID1, "STUDIO");
    store.setId(S::ID2, "TAKE01");
    store.setId(S::ID3, "A0B1C2");
}

QPixmap drawEditor(TRS232C& mainWindow) {
    fillRecord(mainWindow.core().store());
    TPresetMenu editor(mainWindow.core(), &mainWindow);
    editor.show();
    tavrin::render::runTicks(60);
    QPixmap picture = editor.grab();
    editor.hide();
    return picture;
}

const tavrin::render::SceneRegistration scene{"preset-editor.png", &drawEditor};

}  // namespace
