#include <gtest/gtest.h>

#include <string>

#include "preset/preset_record.h"

namespace tavrin::preset {
namespace {

using namespace protocol;

using S = PresetSetting;

struct IdRow {
    const char* name;
    std::string_view text;
    bool valid;
};

class IsValidIdTest : public ::testing::TestWithParam<IdRow> {};

TEST_P(IsValidIdTest, ChecksTheFirstSixCharacters) {
    EXPECT_EQ(IsValidId(GetParam().text), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Ids, IsValidIdTest, ::testing::Values(
    IdRow{"CapitalsAndDigits", "AB12CD", true},
    IdRow{"AllDigits", "000000", true},
    IdRow{"EdgesOfTheRanges", "09AZ9Z", true},
    IdRow{"EightValidCharacters", "ABCDEF12", true},
    IdRow{"SeventhCharacterNeverLookedAt", "ABCDEFa-", true},
    IdRow{"LowerCaseLetter", "ABcDEF", false},
    IdRow{"Space", "AB DEF", false},
    IdRow{"Hyphen", "AB-DEF", false},
    IdRow{"CharacterAfterNine", "AB:DEF", false},
    IdRow{"CharacterBeforeA", "AB@DEF", false},
    IdRow{"CharacterAfterZ", "AB[DEF", false},
    IdRow{"ThreeCharacters", "ABC", false},
    IdRow{"FiveCharacters", "ABCDE", false},
    IdRow{"Empty", "", false},
    IdRow{"SixSpaces", "      ", false},
    IdRow{"ZeroByte", std::string_view("ABC\0EF", 6), false},
    IdRow{"HighByte", "ABC\xC4" "EF", false}),
    [](const ::testing::TestParamInfo<IdRow>& info) { return std::string(info.param.name); });

// Every setting holds a value away from its reset value and is known.
PresetStore filledStore() {
    PresetStore store;
    for (int i = 0; i < kSettingCount; ++i)
        if (!isId(settingAt(i))) store.set(settingAt(i), 3);
    store.setId(S::ID1, "AAAAAA");
    store.setId(S::ID2, "BBBBBB");
    store.setId(S::ID3, "CCCCCC");
    return store;
}

TEST(PresetStoreReset, GivesTheResetValues) {
    PresetStore store = filledStore();
    store.reset();
    const PresetRecord& r = store.record();
    EXPECT_EQ(r.InputSelect, 2);
    EXPECT_EQ(r.PresetNo, 0);
    EXPECT_EQ(r.PlayMode, 0);
    EXPECT_EQ(r.PreRec, 1);
    EXPECT_EQ(r.AutoMark, 0);
    EXPECT_EQ(r.MTrack, 0);
    EXPECT_EQ(r.SeamlsPlay, 0);
    EXPECT_EQ(r.RemoteMode, 0);
    EXPECT_EQ(r.DateForm, 0);
    EXPECT_EQ(r.EDLPlay, 0);
    EXPECT_EQ(r.Algorithm, 1);
    EXPECT_EQ(r.SampleRate, 5);
    EXPECT_EQ(r.BitRate, 6);
    EXPECT_EQ(r.FileFormat, 2);
    EXPECT_EQ(r.SilentSkip, 0);
    EXPECT_EQ(r.SSkipLevel, 0);
    EXPECT_EQ(r.AutoTrack, 0);
    EXPECT_EQ(r.AutoCue, 0);
    EXPECT_EQ(r.AutoCueTime, 0);
    EXPECT_EQ(r.AutoCueLevel, 0);
    for (S id : {S::ID1, S::ID2, S::ID3}) EXPECT_EQ(store.id(id), "      ");
}

TEST(PresetStoreReset, LeavesChannelAutoTrackTimeAndSkipTimeAlone) {
    PresetStore store = filledStore();
    store.reset();
    EXPECT_EQ(store.record().StereoMono, 3);
    EXPECT_EQ(store.record().AutoTrackTime, 3);
    EXPECT_EQ(store.record().SSkipTime, 3);
}

TEST(PresetStoreReset, KeepsTheIdTerminators) {
    PresetStore store = filledStore();
    store.reset();
    EXPECT_EQ(store.record().ID1[kIdLength], '\0');
    EXPECT_EQ(store.record().ID2[kIdLength], '\0');
    EXPECT_EQ(store.record().ID3[kIdLength], '\0');
}

TEST(PresetStoreReset, NoSettingIsKnownAfterwards) {
    PresetStore store = filledStore();
    store.reset();
    for (int i = 0; i < kSettingCount; ++i) EXPECT_FALSE(store.isKnown(settingAt(i))) << i;
    EXPECT_FALSE(store.anyKnownBesidesPresetNo());
}

TEST(PresetStore, SetterStoresAndMarksKnown) {
    PresetStore store;
    store.set(S::InputSelect, 2);
    EXPECT_EQ(store.get(S::InputSelect), 2);
    EXPECT_TRUE(store.isKnown(S::InputSelect));
    EXPECT_FALSE(store.isKnown(S::DateForm));
}

TEST(PresetStore, SampleRateStoredUnmarkedKeepsTheFlag) {
    PresetStore store;
    store.StoreSampleRateUnmarked(2);
    EXPECT_EQ(store.record().SampleRate, 2);
    EXPECT_FALSE(store.isKnown(S::SampleRate));
    store.set(S::SampleRate, 4);
    store.StoreSampleRateUnmarked(1);
    EXPECT_EQ(store.record().SampleRate, 1);
    EXPECT_TRUE(store.isKnown(S::SampleRate));
}

TEST(PresetStore, IdSetterStoresTheFirstSixOfEight) {
    PresetStore store;
    EXPECT_TRUE(store.setId(S::ID2, "ABCDEF12"));
    EXPECT_EQ(store.id(S::ID2), "ABCDEF");
    EXPECT_EQ(store.record().ID2[kIdLength], '\0');
    EXPECT_TRUE(store.isKnown(S::ID2));
}

TEST(PresetStore, InvalidIdChangesNothing) {
    PresetStore store;
    store.reset();
    ASSERT_TRUE(store.setId(S::ID3, "OLD123"));
    EXPECT_FALSE(store.setId(S::ID3, "ab12cd"));
    EXPECT_FALSE(store.setId(S::ID1, "AB 2CD"));
    EXPECT_EQ(store.id(S::ID3), "OLD123");
    EXPECT_EQ(store.id(S::ID1), "      ");
    EXPECT_FALSE(store.isKnown(S::ID1));
}

TEST(PresetStore, OpeningAFileClearsEveryFlagButPresetNo) {
    PresetStore store = filledStore();
    store.clearKnownSettings();
    EXPECT_TRUE(store.isKnown(S::PresetNo));
    for (int i = 1; i < kSettingCount; ++i) EXPECT_FALSE(store.isKnown(settingAt(i))) << i;
}

}  // namespace
}  // namespace tavrin::preset
