#include "preset/list_rules.h"

#include <algorithm>
#include <array>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace tavrin::preset {
namespace {

using namespace protocol;

using Texts = std::vector<std::string>;
using Codes = std::vector<int>;

Texts textsOf(const OfferedList& list) { return {list.entries.begin(), list.entries.end()}; }
Codes codesOf(const OfferedList& list) { return {list.codes.begin(), list.codes.end()}; }

constexpr int kMP2 = 0, kMP3 = 1, kPCM = 2;
constexpr int kStereo = 0, kMono = 1;
constexpr int kDigital = 0, kBalanced = 1, kUnbalanced = 2;

// ---- Bit-rate lists: every input, format, channel and sample rate --------------------------

struct ExpectedBitRates {
    Texts texts;
    Codes codes;
};

const ExpectedBitRates kNoBitRates{{}, {}};
const ExpectedBitRates kMP2Stereo{{"64", "96", "128", "192", "256", "384"}, {3, 5, 6, 8, 9, 11}};
const ExpectedBitRates kMP2Mono{{"32", "48", "64", "96", "128", "192"}, {0, 2, 3, 5, 6, 8}};
const ExpectedBitRates kMP3High{{"64", "80", "128", "160", "256", "320"}, {3, 4, 6, 7, 9, 10}};
const ExpectedBitRates kMP3Low{{"32", "40", "64", "80", "128", "160"}, {0, 1, 3, 4, 6, 7}};

// The list offered by format, channel and sample rate 16, 22.5, 24, 32, 44.1, 48 kHz.
const ExpectedBitRates& expectedBitRates(int algorithm, int stereoMono, int sampleRate) {
    static const std::map<std::tuple<int, int>, std::array<const ExpectedBitRates*, 6>> table = {
        {{kMP2, kStereo}, {&kMP2Stereo, &kMP2Stereo, &kMP2Stereo, &kMP2Stereo, &kMP2Stereo, &kMP2Stereo}},
        {{kMP2, kMono}, {&kMP2Mono, &kMP2Mono, &kMP2Mono, &kMP2Mono, &kMP2Mono, &kMP2Mono}},
        {{kMP3, kStereo}, {&kMP3Low, &kMP3Low, &kMP3Low, &kMP3High, &kMP3High, &kMP3High}},
        {{kMP3, kMono}, {&kMP3Low, &kMP3Low, &kMP3Low, &kMP3Low, &kMP3Low, &kMP3Low}},
        {{kPCM, kStereo}, {&kNoBitRates, &kNoBitRates, &kNoBitRates, &kNoBitRates, &kNoBitRates, &kNoBitRates}},
        {{kPCM, kMono}, {&kNoBitRates, &kNoBitRates, &kNoBitRates, &kNoBitRates, &kNoBitRates, &kNoBitRates}},
    };
    return *table.at({algorithm, stereoMono})[static_cast<std::size_t>(sampleRate)];
}

class BitRateListOffered : public ::testing::TestWithParam<std::tuple<int, int, int, int>> {};

TEST_P(BitRateListOffered, ShowsTheListAndSelectsEveryCodeItHolds) {
    const auto [inputSelect, algorithm, stereoMono, sampleRate] = GetParam();
    (void)inputSelect;  // the bit-rate list does not depend on the input
    const ExpectedBitRates& expected = expectedBitRates(algorithm, stereoMono, sampleRate);
    const OfferedList list = bitRateList(offeredBitRateList(algorithm, stereoMono, sampleRate));

    EXPECT_EQ(textsOf(list), expected.texts);
    EXPECT_EQ(codesOf(list), expected.codes);
    for (int code = 0; code < 12; ++code) {
        const auto it = std::find(expected.codes.begin(), expected.codes.end(), code);
        const int position = it == expected.codes.end() ? -1 : static_cast<int>(it - expected.codes.begin());
        EXPECT_EQ(list.positionOf(code), position) << "bit-rate code " << code;
        if (position >= 0) {
            EXPECT_EQ(list.codeAt(position), code);
        }
    }
    EXPECT_EQ(list.codeAt(-1), -1);
    EXPECT_EQ(list.codeAt(6), -1);
}

std::string combinationName(const ::testing::TestParamInfo<BitRateListOffered::ParamType>& info) {
    static const char* const inputs[] = {"Digital", "Balanced", "Unbalanced"};
    static const char* const formats[] = {"MP2", "MP3", "PCM"};
    static const char* const rates[] = {"16k", "22k5", "24k", "32k", "44k1", "48k"};
    const auto [in, alg, ch, sr] = info.param;
    return std::string(inputs[in]) + formats[alg] + (ch == kStereo ? "Stereo" : "Mono") + rates[sr];
}

INSTANTIATE_TEST_SUITE_P(EveryCombination, BitRateListOffered,
                         ::testing::Combine(::testing::Values(kDigital, kBalanced, kUnbalanced),
                                            ::testing::Values(kMP2, kMP3, kPCM),
                                            ::testing::Values(kStereo, kMono),
                                            ::testing::Range(0, 6)),
                         combinationName);

// ---- Sample-rate lists ----------------------------------------------------------------------

struct SampleRateRow {
    const char* name;
    int inputSelect;
    int algorithm;
    Texts texts;
    Codes codes;
};

void PrintTo(const SampleRateRow& row, std::ostream* os) { *os << row.name; }

class SampleRateListOffered : public ::testing::TestWithParam<SampleRateRow> {};

TEST_P(SampleRateListOffered, EntryStandsForItsCode) {
    const SampleRateRow& row = GetParam();
    const OfferedList list = sampleRateList(row.inputSelect, row.algorithm);
    EXPECT_EQ(textsOf(list), row.texts);
    EXPECT_EQ(codesOf(list), row.codes);
    for (int code = 0; code < 6; ++code) {
        const auto it = std::find(row.codes.begin(), row.codes.end(), code);
        EXPECT_EQ(list.positionOf(code), it == row.codes.end() ? -1 : static_cast<int>(it - row.codes.begin()));
    }
    EXPECT_EQ(list.codeAt(static_cast<int>(row.codes.size())), -1);
}

const Texts kSixRates{"16", "22.5", "24", "32", "44.1", "48"};
const Texts kHighRates{"32", "44.1", "48"};

INSTANTIATE_TEST_SUITE_P(
    ByInputAndFormat, SampleRateListOffered,
    ::testing::Values(SampleRateRow{"DigitalMP2", kDigital, kMP2, {}, {}},
                      SampleRateRow{"DigitalMP3", kDigital, kMP3, {}, {}},
                      SampleRateRow{"DigitalPCM", kDigital, kPCM, {}, {}},
                      SampleRateRow{"BalancedMP2", kBalanced, kMP2, kHighRates, {3, 4, 5}},
                      SampleRateRow{"BalancedMP3", kBalanced, kMP3, kSixRates, {0, 1, 2, 3, 4, 5}},
                      SampleRateRow{"BalancedPCM", kBalanced, kPCM, kSixRates, {0, 1, 2, 3, 4, 5}},
                      SampleRateRow{"UnbalancedMP2", kUnbalanced, kMP2, kHighRates, {3, 4, 5}},
                      SampleRateRow{"UnbalancedMP3", kUnbalanced, kMP3, kSixRates, {0, 1, 2, 3, 4, 5}},
                      SampleRateRow{"UnbalancedPCM", kUnbalanced, kPCM, kSixRates, {0, 1, 2, 3, 4, 5}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SampleRateForMP2, LowClassRateBecomes44k1) {
    EXPECT_EQ(sampleRateForMP2(0), 4);
    EXPECT_EQ(sampleRateForMP2(1), 4);
    EXPECT_EQ(sampleRateForMP2(2), 4);
    EXPECT_EQ(sampleRateForMP2(3), 3);
    EXPECT_EQ(sampleRateForMP2(4), 4);
    EXPECT_EQ(sampleRateForMP2(5), 5);
}

// ---- File-format lists ----------------------------------------------------------------------

struct FileFormatRow {
    const char* name;
    int algorithm;
    Texts texts;
    Codes codes;
};

void PrintTo(const FileFormatRow& row, std::ostream* os) { *os << row.name; }

class FileFormatListOffered : public ::testing::TestWithParam<FileFormatRow> {};

TEST_P(FileFormatListOffered, BwfThenTheFormatsOwnType) {
    const FileFormatRow& row = GetParam();
    const OfferedList list = fileFormatList(row.algorithm);
    EXPECT_EQ(textsOf(list), row.texts);
    EXPECT_EQ(codesOf(list), row.codes);
    EXPECT_EQ(ownFileFormat(row.algorithm), row.codes[1]);
}

INSTANTIATE_TEST_SUITE_P(ByFormat, FileFormatListOffered,
                         ::testing::Values(FileFormatRow{"MP2", kMP2, {".bwf", ".mpg"}, {0, 2}},
                                           FileFormatRow{"MP3", kMP3, {".bwf", ".mp3"}, {0, 3}},
                                           FileFormatRow{"PCM", kPCM, {".bwf", ".wav"}, {0, 1}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileFormatPosition, AnyTypeButBwfSelectsTheSecondEntry) {
    EXPECT_EQ(fileFormatPosition(0), 0);
    EXPECT_EQ(fileFormatPosition(1), 1);
    EXPECT_EQ(fileFormatPosition(2), 1);
    EXPECT_EQ(fileFormatPosition(3), 1);  // ".mp3" shown as ".wav" while the format is PCM
}

struct FormatChangeRow {
    const char* name;
    int fileFormat;
    int newAlgorithm;
    int expected;
};

void PrintTo(const FormatChangeRow& row, std::ostream* os) { *os << row.name; }

class FileFormatOnFormatChange : public ::testing::TestWithParam<FormatChangeRow> {};

TEST_P(FileFormatOnFormatChange, SwapsAnotherFormatsTypeAndKeepsBwf) {
    const FormatChangeRow& row = GetParam();
    EXPECT_EQ(fileFormatForAlgorithm(row.fileFormat, row.newAlgorithm), row.expected);
}

INSTANTIATE_TEST_SUITE_P(EveryTypeAndFormat, FileFormatOnFormatChange,
                         ::testing::Values(FormatChangeRow{"BwfToMP2", 0, kMP2, 0},
                                           FormatChangeRow{"BwfToMP3", 0, kMP3, 0},
                                           FormatChangeRow{"BwfToPCM", 0, kPCM, 0},
                                           FormatChangeRow{"WavToMP2", 1, kMP2, 2},
                                           FormatChangeRow{"WavToMP3", 1, kMP3, 3},
                                           FormatChangeRow{"WavToPCM", 1, kPCM, 1},
                                           FormatChangeRow{"MpgToMP2", 2, kMP2, 2},
                                           FormatChangeRow{"MpgToMP3", 2, kMP3, 3},
                                           FormatChangeRow{"MpgToPCM", 2, kPCM, 1},
                                           FormatChangeRow{"Mp3ToMP2", 3, kMP2, 2},
                                           FormatChangeRow{"Mp3ToMP3", 3, kMP3, 3},
                                           FormatChangeRow{"Mp3ToPCM", 3, kPCM, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Bit-rate conversions, every code -------------------------------------------------------

using Conversion = std::map<int, int>;  // codes not listed stay as they are

int converted(const Conversion& table, int code) {
    const auto it = table.find(code);
    return it == table.end() ? code : it->second;
}

const Conversion kMP3ToMP2Mono{{1, 2}, {4, 5}, {7, 8}};
const Conversion kMP3ToMP2StereoHigh{{4, 5}, {7, 8}, {10, 11}};
const Conversion kMP3ToMP2StereoLow{{0, 3}, {1, 5}, {3, 6}, {4, 8}, {6, 9}, {7, 11}};
const Conversion kMP2ToMP3Stereo{{5, 4}, {8, 7}, {11, 10}};
const Conversion kMP2ToMP3Mono{{2, 1}, {5, 4}, {8, 7}};

TEST(BitRateForMP2, ConvertsFromTheMP3ListOfferedNow) {
    for (int code = 0; code < 12; ++code) {
        SCOPED_TRACE(code);
        for (int rate = 0; rate < 6; ++rate) {
            EXPECT_EQ(bitRateForMP2(code, kMono, rate), converted(kMP3ToMP2Mono, code)) << "mono " << rate;
            const Conversion& stereo = rate >= 3 ? kMP3ToMP2StereoHigh : kMP3ToMP2StereoLow;
            EXPECT_EQ(bitRateForMP2(code, kStereo, rate), converted(stereo, code)) << "stereo, rate " << rate;
        }
    }
}

TEST(BitRateForMP3, ConvertsToTheMP3ListOfTheSameChannel) {
    for (int code = 0; code < 12; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(bitRateForMP3(code, kStereo), converted(kMP2ToMP3Stereo, code));
        EXPECT_EQ(bitRateForMP3(code, kMono), converted(kMP2ToMP3Mono, code));
    }
}

TEST(BitRateForChannel, MovesMP2AndHighClassMP3ByThreeCodes) {
    for (int code = 3; code < 9; ++code) {
        SCOPED_TRACE(code);
        for (int rate = 0; rate < 6; ++rate) {
            EXPECT_EQ(bitRateForChannel(code, kMP2, rate, kMono), code - 3);
            EXPECT_EQ(bitRateForChannel(code, kMP2, rate, kStereo), code + 3);
        }
        for (int rate = 3; rate < 6; ++rate) {
            EXPECT_EQ(bitRateForChannel(code, kMP3, rate, kMono), code - 3);
            EXPECT_EQ(bitRateForChannel(code, kMP3, rate, kStereo), code + 3);
        }
    }
}

TEST(BitRateForChannel, LowClassMP3AndPCMKeepTheBitRate) {
    for (int code = 0; code < 12; ++code) {
        SCOPED_TRACE(code);
        for (int rate = 0; rate < 3; ++rate) {
            EXPECT_EQ(bitRateForChannel(code, kMP3, rate, kMono), code);
            EXPECT_EQ(bitRateForChannel(code, kMP3, rate, kStereo), code);
        }
        for (int rate = 0; rate < 6; ++rate) {
            EXPECT_EQ(bitRateForChannel(code, kPCM, rate, kMono), code);
            EXPECT_EQ(bitRateForChannel(code, kPCM, rate, kStereo), code);
        }
    }
}

// 32, 40 and 48 kbit/s going to mono, or 320 and 384 going to stereo, have no code three
// away; the shift used to store 253 or 13, values no command or file line exists for.
TEST(BitRateForChannel, ShiftOutsideTheTableKeepsTheBitRate) {
    EXPECT_EQ(bitRateForChannel(0, kMP2, 5, kMono), 0);
    EXPECT_EQ(bitRateForChannel(2, kMP2, 5, kMono), 2);
    EXPECT_EQ(bitRateForChannel(1, kMP3, 4, kMono), 1);
    EXPECT_EQ(bitRateForChannel(9, kMP2, 5, kStereo), 9);
    EXPECT_EQ(bitRateForChannel(11, kMP2, 5, kStereo), 11);
    EXPECT_EQ(bitRateForChannel(10, kMP3, 3, kStereo), 10);
}

TEST(BitRateForSampleRate, StereoMP3FollowsTheClassChange) {
    for (int code = 3; code < 9; ++code) {
        SCOPED_TRACE(code);
        for (int from = 0; from < 6; ++from) {
            for (int to = 0; to < 6; ++to) {
                const bool fromHigh = from >= 3, toHigh = to >= 3;
                const int expected = fromHigh == toHigh ? code : (toHigh ? code + 3 : code - 3);
                EXPECT_EQ(bitRateForSampleRate(code, kMP3, kStereo, from, to), expected) << from << "->" << to;
                EXPECT_EQ(bitRateForSampleRate(code, kMP3, kMono, from, to), code);
                EXPECT_EQ(bitRateForSampleRate(code, kMP2, kStereo, from, to), code);
                EXPECT_EQ(bitRateForSampleRate(code, kPCM, kStereo, from, to), code);
            }
        }
    }
}

TEST(BitRateForSampleRate, ShiftOutsideTheTableKeepsTheBitRate) {
    EXPECT_EQ(bitRateForSampleRate(0, kMP3, kStereo, 5, 0), 0);
    EXPECT_EQ(bitRateForSampleRate(11, kMP3, kStereo, 0, 5), 11);
}

// ---- Round trips ----------------------------------------------------------------------------

TEST(RoundTrip, StereoMP2At384ToMP3AndBack) {
    const int mp3 = bitRateForMP3(11, kStereo);
    EXPECT_EQ(mp3, 10);  // 320 kbit/s
    EXPECT_EQ(bitRateList(offeredBitRateList(kMP3, kStereo, 5)).positionOf(mp3), 5);
    EXPECT_EQ(bitRateForMP2(mp3, kStereo, 5), 11);
}

TEST(RoundTrip, MonoMP2At48ToMP3AndBack) {
    const int mp3 = bitRateForMP3(2, kMono);
    EXPECT_EQ(mp3, 1);  // 40 kbit/s
    EXPECT_EQ(bitRateForMP2(mp3, kMono, 4), 2);
}

TEST(RoundTrip, StereoMP2At384ToMonoAndBack) {
    const int mono = bitRateForChannel(11, kMP2, 5, kMono);
    EXPECT_EQ(mono, 8);  // 192 kbit/s
    EXPECT_EQ(bitRateForChannel(mono, kMP2, 5, kStereo), 11);
}

TEST(RoundTrip, StereoMP3At44k1And320To22k5AndBackTo48k) {
    const int low = bitRateForSampleRate(10, kMP3, kStereo, 4, 1);
    EXPECT_EQ(low, 7);  // 160 kbit/s
    const OfferedList lowList = bitRateList(offeredBitRateList(kMP3, kStereo, 1));
    EXPECT_EQ(lowList.entries[static_cast<std::size_t>(lowList.positionOf(low))], "160");
    EXPECT_EQ(bitRateForSampleRate(low, kMP3, kStereo, 1, 5), 10);
}

TEST(RoundTrip, MonoMP3KeepsItsBitRateAcrossClasses) {
    EXPECT_EQ(bitRateForSampleRate(0, kMP3, kMono, 4, 1), 0);
    EXPECT_EQ(bitRateForChannel(7, kMP3, 0, kMono), 7);  // stereo MP3 at 16 kHz, 160, to mono
}

// ---- Values the offered list lacks ----------------------------------------------------------

TEST(NotOffered, CodeOutsideTheListSelectsNothingAndStays) {
    // PCM kept 256 kbit/s; MP3 stereo at 16 kHz offers the low list, which lacks it.
    const int bitRate = bitRateForMP3(9, kStereo);
    EXPECT_EQ(bitRate, 9);
    EXPECT_EQ(bitRateList(offeredBitRateList(kMP3, kStereo, 0)).positionOf(bitRate), -1);
    EXPECT_EQ(bitRateList(BitRateList::None).positionOf(6), -1);
    EXPECT_EQ(sampleRateList(kBalanced, kMP2).positionOf(1), -1);
    EXPECT_EQ(sampleRateList(kDigital, kMP3).positionOf(5), -1);
}

// ---- Entries of the window's lists before the first fill ------------------------------------

TEST(InitialListEntries, RemoteModeHasNoEntryForTheUnmappedReply) {
    const auto entries = initialListEntries(PresetSetting::RemoteMode);
    EXPECT_EQ(Texts(entries.begin(), entries.end()),
              (Texts{"Start Stop", "Start Stop Track", "EDL Mark", "Manual Track"}));
}

TEST(InitialListEntries, SampleRateHoldsAllRatesAndTheDependentListsNothing) {
    const auto rates = initialListEntries(PresetSetting::SampleRate);
    EXPECT_EQ(Texts(rates.begin(), rates.end()), kSixRates);
    EXPECT_TRUE(initialListEntries(PresetSetting::BitRate).empty());
    EXPECT_TRUE(initialListEntries(PresetSetting::FileFormat).empty());
    EXPECT_TRUE(initialListEntries(PresetSetting::StereoMono).empty());
}

TEST(InitialListEntries, AutoCueTimeRunsFrom5To95) {
    const auto entries = initialListEntries(PresetSetting::AutoCueTime);
    ASSERT_EQ(entries.size(), 19u);
    EXPECT_EQ(entries.front(), "5");
    EXPECT_EQ(entries.back(), "95");
}

}  // namespace
}  // namespace tavrin::preset
