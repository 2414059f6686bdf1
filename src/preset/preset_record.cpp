#include "preset/preset_record.h"

#include <algorithm>

namespace tavrin::preset {

using protocol::isId;
using protocol::kIdLength;
using protocol::PresetSetting;

namespace {

constexpr std::string_view kSixSpaces = "      ";

bool isIdCharacter(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool IsValidId(std::string_view text) {
    return text.size() >= kIdLength && std::all_of(text.begin(), text.begin() + kIdLength, isIdCharacter);
}

int PresetStore::get(PresetSetting s) const {
    const PresetRecord& r = record_;
    switch (s) {
    case PresetSetting::PresetNo: return r.PresetNo;
    case PresetSetting::InputSelect: return r.InputSelect;
    case PresetSetting::DateForm: return r.DateForm;
    case PresetSetting::StereoMono: return r.StereoMono;
    case PresetSetting::Algorithm: return r.Algorithm;
    case PresetSetting::BitRate: return r.BitRate;
    case PresetSetting::SampleRate: return r.SampleRate;
    case PresetSetting::FileFormat: return r.FileFormat;
    case PresetSetting::PreRec: return r.PreRec;
    case PresetSetting::AutoMark: return r.AutoMark;
    case PresetSetting::MTrack: return r.MTrack;
    case PresetSetting::AutoTrack: return r.AutoTrack;
    case PresetSetting::AutoTrackTime: return r.AutoTrackTime;
    case PresetSetting::SeamlsPlay: return r.SeamlsPlay;
    case PresetSetting::SilentSkip: return r.SilentSkip;
    case PresetSetting::SSkipTime: return r.SSkipTime;
    case PresetSetting::SSkipLevel: return r.SSkipLevel;
    case PresetSetting::AutoCue: return r.AutoCue;
    case PresetSetting::AutoCueTime: return r.AutoCueTime;
    case PresetSetting::AutoCueLevel: return r.AutoCueLevel;
    case PresetSetting::PlayMode: return r.PlayMode;
    case PresetSetting::EDLPlay: return r.EDLPlay;
    case PresetSetting::RemoteMode: return r.RemoteMode;
    case PresetSetting::ID1:
    case PresetSetting::ID2:
    case PresetSetting::ID3: break;
    }
    return 0;
}

void PresetStore::set(PresetSetting s, int value) {
    PresetRecord& r = record_;
    const auto byte = static_cast<std::uint8_t>(value);
    switch (s) {
    case PresetSetting::PresetNo: r.PresetNo = value; break;
    case PresetSetting::InputSelect: r.InputSelect = value; break;
    case PresetSetting::DateForm: r.DateForm = value; break;
    case PresetSetting::StereoMono: r.StereoMono = byte; break;
    case PresetSetting::Algorithm: r.Algorithm = byte; break;
    case PresetSetting::BitRate: r.BitRate = byte; break;
    case PresetSetting::SampleRate: r.SampleRate = byte; break;
    case PresetSetting::FileFormat: r.FileFormat = byte; break;
    case PresetSetting::PreRec: r.PreRec = value; break;
    case PresetSetting::AutoMark: r.AutoMark = value; break;
    case PresetSetting::MTrack: r.MTrack = value; break;
    case PresetSetting::AutoTrack: r.AutoTrack = byte; break;
    case PresetSetting::AutoTrackTime: r.AutoTrackTime = byte; break;
    case PresetSetting::SeamlsPlay: r.SeamlsPlay = value; break;
    case PresetSetting::SilentSkip: r.SilentSkip = byte; break;
    case PresetSetting::SSkipTime: r.SSkipTime = byte; break;
    case PresetSetting::SSkipLevel: r.SSkipLevel = byte; break;
    case PresetSetting::AutoCue: r.AutoCue = byte; break;
    case PresetSetting::AutoCueTime: r.AutoCueTime = byte; break;
    case PresetSetting::AutoCueLevel: r.AutoCueLevel = byte; break;
    case PresetSetting::PlayMode: r.PlayMode = value; break;
    case PresetSetting::EDLPlay: r.EDLPlay = value; break;
    case PresetSetting::RemoteMode: r.RemoteMode = value; break;
    case PresetSetting::ID1:
    case PresetSetting::ID2:
    case PresetSetting::ID3: return;
    }
    known_[static_cast<std::size_t>(s)] = true;
}

namespace {

template <typename Record>
auto& idField(Record& r, PresetSetting s) {
    switch (s) {
    case PresetSetting::ID2: return r.ID2;
    case PresetSetting::ID3: return r.ID3;
    default: return r.ID1;
    }
}

}  // namespace

std::string_view PresetStore::id(PresetSetting s) const { return {idField(record_, s).data(), kIdLength}; }

bool PresetStore::setId(PresetSetting s, std::string_view text) {
    if (!isId(s) || !IsValidId(text)) return false;
    std::copy_n(text.begin(), kIdLength, idField(record_, s).begin());
    known_[static_cast<std::size_t>(s)] = true;
    return true;
}

void PresetStore::StoreSampleRateUnmarked(int value) { record_.SampleRate = static_cast<std::uint8_t>(value); }

bool PresetStore::anyKnownBesidesPresetNo() const {
    return std::any_of(known_.begin() + 1, known_.end(), [](bool k) { return k; });
}

void PresetStore::clearKnownSettings() { std::fill(known_.begin() + 1, known_.end(), false); }

void PresetStore::reset() {
    PresetRecord& r = record_;
    r.InputSelect = 2;
    r.PresetNo = 0;
    r.PlayMode = 0;
    r.PreRec = 1;
    r.AutoMark = r.MTrack = r.SeamlsPlay = r.RemoteMode = r.DateForm = r.EDLPlay = 0;
    for (auto* field : {&r.ID1, &r.ID2, &r.ID3}) std::copy_n(kSixSpaces.begin(), kIdLength, field->begin());
    r.Algorithm = 1;
    r.SampleRate = 5;
    r.BitRate = 6;
    r.FileFormat = 2;
    r.SilentSkip = 0;
    r.SSkipLevel = 0;
    r.AutoTrack = 0;
    r.AutoCue = 0;
    r.AutoCueTime = 0;
    r.AutoCueLevel = 0;
    known_.fill(false);
}

}  // namespace tavrin::preset
