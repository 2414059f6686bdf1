#pragma once

// The rules that tie input, recording format, record channel, sample rate, bit rate and file
// type together: which entries the editor's three dependent lists offer, which code each
// entry stands for, and how a value is carried over when a setting it depends on changes.
// Pure functions over record values; the editor applies them, the window only shows them.

#include <span>
#include <string_view>

#include "protocol/setting_codes.h"

namespace tavrin::preset {

// The record's codes of the settings these rules look at.
namespace input {
inline constexpr int kDigital = 0;
inline constexpr int kBalanced = 1;
inline constexpr int kUnbalanced = 2;
}  // namespace input

namespace algorithm {
inline constexpr int kMP2 = 0;
inline constexpr int kMP3 = 1;
inline constexpr int kPCM = 2;
}  // namespace algorithm

namespace channel {
inline constexpr int kStereo = 0;  // any other value is mono
inline constexpr int kMono = 1;
}  // namespace channel

namespace file_format {
inline constexpr int kBwf = 0;
inline constexpr int kWav = 1;
inline constexpr int kMpg = 2;
inline constexpr int kMp3 = 3;
}  // namespace file_format

// A list as the editor offers it: entry k shows entries[k] and stands for codes[k].
struct OfferedList {
    std::span<const int> codes;
    std::span<const std::string_view> entries;

    bool empty() const { return codes.empty(); }
    int positionOf(int code) const;    // -1: the code is not offered
    int codeAt(int position) const;    // -1: no such entry
};

// The four bit-rate lists of six entries; PCM offers none.
enum class BitRateList { None, MP2Stereo, MP2Mono, MP3High, MP3Low };

// Sample rates 32, 44.1 and 48 kHz (codes 3 to 5) form the high class, 16 to 24 kHz the low.
constexpr bool isHighClass(int sampleRate) { return sampleRate >= 3; }
constexpr bool isStereo(int stereoMono) { return stereoMono == channel::kStereo; }

BitRateList offeredBitRateList(int algorithm, int stereoMono, int sampleRate);
OfferedList bitRateList(BitRateList list);

// MP2 offers the high class only; MP3 and PCM all six rates; digital input none.
OfferedList sampleRateList(int inputSelect, int algorithm);

// ".bwf", then the format's own type.
OfferedList fileFormatList(int algorithm);
int ownFileFormat(int algorithm);
// Any code but ".bwf" selects the second entry, even another format's type.
constexpr int fileFormatPosition(int fileFormat) { return fileFormat > file_format::kBwf ? 1 : 0; }

// The entries a list holds when the window is built: the fixed lists' texts; the six sample
// rates; nothing for the bit-rate and file-format lists.
std::span<const std::string_view> initialListEntries(protocol::PresetSetting list);

// Carrying values along. Each returns the value to store, or the value given when it stays.

// MP2 has no low-class rate: such a rate becomes 44.1 kHz.
int sampleRateForMP2(int sampleRate);
// To MP2 from the MP3 list offered now (by channel and sample-rate class), same position.
int bitRateForMP2(int bitRate, int stereoMono, int sampleRate);
// To MP3 from the MP2 list, same position: the MP3 high list for stereo, the low list for mono.
int bitRateForMP3(int bitRate, int stereoMono);
// A channel change moves MP2 and high-class MP3 by 3 codes (stereo list <-> mono list).
int bitRateForChannel(int bitRate, int algorithm, int sampleRate, int newStereoMono);
// A sample-rate class change moves stereo MP3 by 3 codes (MP3 high list <-> MP3 low list).
int bitRateForSampleRate(int bitRate, int algorithm, int stereoMono, int oldRate, int newRate);
// A format change swaps another format's own type for the new format's; ".bwf" stays.
int fileFormatForAlgorithm(int fileFormat, int newAlgorithm);

}  // namespace tavrin::preset
