#include "preset/list_rules.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>

namespace tavrin::preset {

namespace {

using protocol::Code;
using protocol::info;
using protocol::kNoValue;
using protocol::PresetSetting;

constexpr std::string_view labelOf(PresetSetting s, int value) {
    for (const Code& c : info(s).codes)
        if (c.value == value) return c.label;
    return {};
}

template <std::size_t N>
constexpr std::array<std::string_view, N> labelsOf(PresetSetting s, const std::array<int, N>& values) {
    std::array<std::string_view, N> labels{};
    for (std::size_t i = 0; i < N; ++i) labels[i] = labelOf(s, values[i]);
    return labels;
}

template <std::size_t N>
constexpr std::array<int, N> firstCodes() {
    std::array<int, N> values{};
    for (std::size_t i = 0; i < N; ++i) values[i] = static_cast<int>(i);
    return values;
}

// The number of values a setting's table defines ("RCPW" maps to none).
constexpr std::size_t valueCount(PresetSetting s) {
    return static_cast<std::size_t>(std::count_if(info(s).codes.begin(), info(s).codes.end(),
                                                  [](const Code& c) { return c.value != kNoValue; }));
}

// A list's codes and the texts of those codes, built once from the code tables.
template <std::size_t N>
struct ListData {
    PresetSetting setting;
    std::array<int, N> codes;
    std::array<std::string_view, N> entries;

    OfferedList offered() const { return {codes, entries}; }
};

template <std::size_t N>
constexpr ListData<N> makeList(PresetSetting s, const std::array<int, N>& codes) {
    return {s, codes, labelsOf(s, codes)};
}

template <PresetSetting S>
constexpr auto fixedList() {
    return makeList(S, firstCodes<valueCount(S)>());
}

// The entries of every list the window is built with, one row per setting: all the values of
// its table. The bit-rate and file-format lists are left empty, for the editor to fill.
constexpr std::size_t kLongestList = 19;  // Auto Cue Time

struct InitialEntries {
    std::array<std::string_view, kLongestList> entries{};
    std::size_t count = 0;
};

constexpr auto kInitialEntries = [] {
    std::array<InitialEntries, protocol::kSettingCount> lists{};
    for (PresetSetting list : protocol::kSettingsShownAs<protocol::Control::List>) {
        if (list == PresetSetting::BitRate || list == PresetSetting::FileFormat) continue;
        InitialEntries& row = lists[static_cast<std::size_t>(list)];
        for (int value = 0; value < static_cast<int>(valueCount(list)); ++value)
            row.entries[row.count++] = labelOf(list, value);
    }
    return lists;
}();

constexpr auto kMP2StereoList = makeList(PresetSetting::BitRate, std::array{3, 5, 6, 8, 9, 11});
constexpr auto kMP2MonoList = makeList(PresetSetting::BitRate, std::array{0, 2, 3, 5, 6, 8});
constexpr auto kMP3HighList = makeList(PresetSetting::BitRate, std::array{3, 4, 6, 7, 9, 10});
constexpr auto kMP3LowList = makeList(PresetSetting::BitRate, std::array{0, 1, 3, 4, 6, 7});

constexpr auto kAllSampleRates = fixedList<PresetSetting::SampleRate>();
constexpr auto kHighSampleRates = makeList(PresetSetting::SampleRate, std::array{3, 4, 5});

// ".bwf", then the format's own type.
constexpr auto formatList(int ownType) {
    return makeList(PresetSetting::FileFormat, std::array{file_format::kBwf, ownType});
}
constexpr auto kMP2Formats = formatList(file_format::kMpg);
constexpr auto kMP3Formats = formatList(file_format::kMp3);
constexpr auto kPCMFormats = formatList(file_format::kWav);


constexpr int kBitRateCount = static_cast<int>(valueCount(PresetSetting::BitRate));
constexpr int kChannelShift = 3;  // a mono list's codes are its stereo list's minus 3

// The entry at the same position of another list; a code the first list lacks stays.
int samePosition(int code, const OfferedList& from, const OfferedList& to) {
    const int position = from.positionOf(code);
    return position < 0 ? code : to.codeAt(position);
}

// Moves a bit rate between a stereo list and its mono list. A code with no counterpart in
// the table (below 3 going to mono, above 8 going to stereo) keeps its value rather than
// leaving the record with an index that has no code at all.
int shiftBitRate(int bitRate, bool toStereo) {
    const int shifted = toStereo ? bitRate + kChannelShift : bitRate - kChannelShift;
    return shifted >= 0 && shifted < kBitRateCount ? shifted : bitRate;
}

}  // namespace

int OfferedList::positionOf(int code) const {
    const auto it = std::find(codes.begin(), codes.end(), code);
    return it == codes.end() ? -1 : static_cast<int>(std::distance(codes.begin(), it));
}

int OfferedList::codeAt(int position) const {
    if (position < 0 || static_cast<std::size_t>(position) >= codes.size()) return -1;
    return codes[static_cast<std::size_t>(position)];
}

BitRateList offeredBitRateList(int algorithm, int stereoMono, int sampleRate) {
    const bool stereo = isStereo(stereoMono);
    switch (algorithm) {
    case algorithm::kMP2: return stereo ? BitRateList::MP2Stereo : BitRateList::MP2Mono;
    case algorithm::kMP3:
        return stereo && isHighClass(sampleRate) ? BitRateList::MP3High : BitRateList::MP3Low;
    default: return BitRateList::None;
    }
}

OfferedList bitRateList(BitRateList list) {
    switch (list) {
    case BitRateList::MP2Stereo: return kMP2StereoList.offered();
    case BitRateList::MP2Mono: return kMP2MonoList.offered();
    case BitRateList::MP3High: return kMP3HighList.offered();
    case BitRateList::MP3Low: return kMP3LowList.offered();
    case BitRateList::None: break;
    }
    return {};
}

OfferedList sampleRateList(int inputSelect, int algorithm) {
    if (inputSelect == input::kDigital) return {};
    return algorithm == algorithm::kMP2 ? kHighSampleRates.offered() : kAllSampleRates.offered();
}

OfferedList fileFormatList(int algorithm) {
    switch (algorithm) {
    case algorithm::kMP2: return kMP2Formats.offered();
    case algorithm::kMP3: return kMP3Formats.offered();
    case algorithm::kPCM: return kPCMFormats.offered();
    default: return {};
    }
}

int ownFileFormat(int algorithm) { return fileFormatList(algorithm).codeAt(1); }

std::span<const std::string_view> initialListEntries(PresetSetting list) {
    const InitialEntries& row = kInitialEntries[static_cast<std::size_t>(list)];
    return {row.entries.data(), row.count};
}

int sampleRateForMP2(int sampleRate) { return isHighClass(sampleRate) ? sampleRate : 4; }

int bitRateForMP2(int bitRate, int stereoMono, int sampleRate) {
    const OfferedList mp3 = bitRateList(offeredBitRateList(algorithm::kMP3, stereoMono, sampleRate));
    const OfferedList mp2 = bitRateList(offeredBitRateList(algorithm::kMP2, stereoMono, sampleRate));
    return samePosition(bitRate, mp3, mp2);
}

int bitRateForMP3(int bitRate, int stereoMono) {
    if (isStereo(stereoMono)) return samePosition(bitRate, kMP2StereoList.offered(), kMP3HighList.offered());
    return samePosition(bitRate, kMP2MonoList.offered(), kMP3LowList.offered());
}

int bitRateForChannel(int bitRate, int algorithm, int sampleRate, int newStereoMono) {
    const bool listsDiffer =
        algorithm == algorithm::kMP2 || (algorithm == algorithm::kMP3 && isHighClass(sampleRate));
    return listsDiffer ? shiftBitRate(bitRate, isStereo(newStereoMono)) : bitRate;
}

int bitRateForSampleRate(int bitRate, int algorithm, int stereoMono, int oldRate, int newRate) {
    if (algorithm != algorithm::kMP3 || !isStereo(stereoMono)) return bitRate;
    if (isHighClass(oldRate) == isHighClass(newRate)) return bitRate;
    return shiftBitRate(bitRate, isHighClass(newRate));
}

int fileFormatForAlgorithm(int fileFormat, int newAlgorithm) {
    const auto isOwnType = [fileFormat](int algo) { return ownFileFormat(algo) == fileFormat; };
    const bool someFormatsOwnType =
        isOwnType(algorithm::kMP2) || isOwnType(algorithm::kMP3) || isOwnType(algorithm::kPCM);
    const int own = ownFileFormat(newAlgorithm);
    return someFormatsOwnType && own >= 0 ? own : fileFormat;
}

}  // namespace tavrin::preset
