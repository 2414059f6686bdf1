#include <gtest/gtest.h>

#include <string>

#include "protocol/reply.h"

namespace tavrin::protocol {
namespace {

using Group = ReplyKind::Group;
using S = protocol::PresetSetting;

// What a line must classify to. The values are written out here, not taken from the code
// tables, so that a wrong table row shows up.
struct Expected {
    Group group = Group::Unknown;
    std::string_view code;  // PowerMode, DoorSensor, Card, Status, DisplayMode
    S setting = S::PresetNo;
    int value = 0;
    std::string_view id;  // six characters for ID1 to ID3
};

Expected unknown() { return {}; }
Expected plain(Group g) {
    Expected e;
    e.group = g;
    return e;
}
Expected coded(Group g, std::string_view code) {
    Expected e = plain(g);
    e.code = code;
    return e;
}
Expected setting(S s, int value) {
    Expected e = plain(Group::Setting);
    e.setting = s;
    e.value = value;
    return e;
}
Expected id(S s, std::string_view six) {
    Expected e = setting(s, 0);
    e.id = six;
    return e;
}

struct Row {
    std::string name;
    std::string line;  // from the "@" up to, not including, the CR
    Expected expected;
};

std::string testName(std::string_view line) {
    std::string name;
    for (char c : line.substr(line.size() > 2 ? 2 : 0)) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
        else if (c == '+')
            name += "Plus";
        else if (c == '-')
            name += "Minus";
        else
            name += '_';
    }
    return name;
}

Row row(std::string line, Expected e) { return {testName(line), std::move(line), e}; }
Row named(std::string name, std::string line, Expected e) { return {std::move(name), std::move(line), e}; }

void expectClassifiedAs(const ReplyKind& kind, const Expected& e) {
    ASSERT_EQ(kind.group, e.group);
    switch (e.group) {
    case Group::PowerMode:
    case Group::DoorSensor:
        EXPECT_EQ(kind.code[0], e.code[0]);
        break;
    case Group::Card:
    case Group::Status:
    case Group::DisplayMode:
        EXPECT_EQ(kind.codeText(), e.code);
        break;
    case Group::Setting:
        EXPECT_EQ(kind.setting, e.setting);
        if (e.id.empty())
            EXPECT_EQ(kind.value, e.value);
        else
            EXPECT_EQ(kind.idText(), e.id);
        break;
    default:
        break;
    }
}

class ClassifyTest : public ::testing::TestWithParam<Row> {};

TEST_P(ClassifyTest, ClassifiesTheLine) {
    const Row& r = GetParam();
    expectClassifiedAs(classify(r.line), r.expected);
}

std::string rowName(const ::testing::TestParamInfo<Row>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(LinkReplies, ClassifyTest, ::testing::Values(
    row("@0PW00", coded(Group::PowerMode, "0")),
    row("@0PW01", coded(Group::PowerMode, "1")),
    row("@0DS00", coded(Group::DoorSensor, "0")),
    row("@0DS01", coded(Group::DoorSensor, "1")),
    row("@0TR000", plain(Group::TrackNumber)),
    row("@0TR123", plain(Group::TrackNumber)),
    row("@0TI0012345", plain(Group::Time)),
    row("@0TI9999999", plain(Group::Time)),
    row("@0CDNC", coded(Group::Card, "NC")),
    row("@0CDRE", coded(Group::Card, "RE")),
    row("@0CDCI", coded(Group::Card, "CI")),
    row("@0CDCE", coded(Group::Card, "CE")),
    row("@0CD99", coded(Group::Card, "99")),
    row("@0CDFL", coded(Group::Card, "FL")),
    row("@0CDBC", coded(Group::Card, "BC")),
    row("@0STER", coded(Group::Status, "ER")),
    row("@0STWR", coded(Group::Status, "WR")),
    row("@0STEW", coded(Group::Status, "EW")),
    row("@0STRU", coded(Group::Status, "RU")),
    row("@0STRE", coded(Group::Status, "RE")),
    row("@0STRP", coded(Group::Status, "RP")),
    row("@0STST", coded(Group::Status, "ST")),
    row("@0STTS", coded(Group::Status, "TS")),
    row("@0STPL", coded(Group::Status, "PL")),
    row("@0STPP", coded(Group::Status, "PP")),
    row("@0STS+", coded(Group::Status, "S+")),
    row("@0STS-", coded(Group::Status, "S-")),
    row("@0STFF", coded(Group::Status, "FF")),
    row("@0STRW", coded(Group::Status, "RW")),
    row("@0STAB", coded(Group::Status, "AB")),
    row("@0STTP", coded(Group::Status, "TP")),
    row("@0STEP", coded(Group::Status, "EP")),
    row("@0STED", coded(Group::Status, "ED")),
    row("@0TMRE", coded(Group::DisplayMode, "RE")),
    row("@0TMTN", coded(Group::DisplayMode, "TN")),
    row("@0TMTM", coded(Group::DisplayMode, "TM")),
    row("@0TMAG", coded(Group::DisplayMode, "AG")),
    row("@0TMND", coded(Group::DisplayMode, "ND")),
    row("@0TMTT", coded(Group::DisplayMode, "TT")),
    row("@0TMRD", coded(Group::DisplayMode, "RD")),
    row("@0TMTR", coded(Group::DisplayMode, "TR"))), rowName);

INSTANTIATE_TEST_SUITE_P(SettingReplies, ClassifyTest, ::testing::Values(
    row("@0PS01", setting(S::PresetNo, 0)),
    row("@0PS02", setting(S::PresetNo, 1)),
    row("@0PS03", setting(S::PresetNo, 2)),
    row("@0INUN", setting(S::InputSelect, 2)),
    row("@0INBA", setting(S::InputSelect, 1)),
    row("@0INDI", setting(S::InputSelect, 0)),
    row("@0DFDM", setting(S::DateForm, 1)),
    row("@0DFMD", setting(S::DateForm, 0)),
    row("@0CHST", setting(S::StereoMono, 0)),
    row("@0CHMO", setting(S::StereoMono, 1)),
    row("@0AFPM", setting(S::Algorithm, 2)),
    row("@0AFM2", setting(S::Algorithm, 0)),
    row("@0AFM3", setting(S::Algorithm, 1)),
    row("@0BR032", setting(S::BitRate, 0)),
    row("@0BR040", setting(S::BitRate, 1)),
    row("@0BR048", setting(S::BitRate, 2)),
    row("@0BR064", setting(S::BitRate, 3)),
    row("@0BR080", setting(S::BitRate, 4)),
    row("@0BR096", setting(S::BitRate, 5)),
    row("@0BR128", setting(S::BitRate, 6)),
    row("@0BR160", setting(S::BitRate, 7)),
    row("@0BR192", setting(S::BitRate, 8)),
    row("@0BR256", setting(S::BitRate, 9)),
    row("@0BR320", setting(S::BitRate, 10)),
    row("@0BR384", setting(S::BitRate, 11)),
    row("@0FS16", setting(S::SampleRate, 0)),
    row("@0FS22", setting(S::SampleRate, 1)),
    row("@0FS24", setting(S::SampleRate, 2)),
    row("@0FS32", setting(S::SampleRate, 3)),
    row("@0FS44", setting(S::SampleRate, 4)),
    row("@0FS48", setting(S::SampleRate, 5)),
    row("@0FTBW", setting(S::FileFormat, 0)),
    row("@0FTWA", setting(S::FileFormat, 1)),
    row("@0FTMG", setting(S::FileFormat, 2)),
    row("@0FTM3", setting(S::FileFormat, 3)),
    row("@0PR00", setting(S::PreRec, 1)),
    row("@0PR01", setting(S::PreRec, 0)),
    row("@0AM00", setting(S::AutoMark, 1)),
    row("@0AM01", setting(S::AutoMark, 0)),
    row("@0MT00", setting(S::MTrack, 1)),
    row("@0MT01", setting(S::MTrack, 0)),
    row("@0AK00", setting(S::AutoTrack, 1)),
    row("@0AK01", setting(S::AutoTrack, 0)),
    row("@0AT0001", setting(S::AutoTrackTime, 0)),
    row("@0AT0005", setting(S::AutoTrackTime, 1)),
    row("@0AT0010", setting(S::AutoTrackTime, 2)),
    row("@0AT0015", setting(S::AutoTrackTime, 3)),
    row("@0AT0030", setting(S::AutoTrackTime, 4)),
    row("@0AT0100", setting(S::AutoTrackTime, 5)),
    row("@0AT0200", setting(S::AutoTrackTime, 6)),
    row("@0AT0600", setting(S::AutoTrackTime, 7)),
    row("@0AT0800", setting(S::AutoTrackTime, 8)),
    row("@0AT1200", setting(S::AutoTrackTime, 9)),
    row("@0AT2400", setting(S::AutoTrackTime, 10)),
    row("@0CP00", setting(S::SeamlsPlay, 1)),
    row("@0CP01", setting(S::SeamlsPlay, 0)),
    row("@0SS00", setting(S::SilentSkip, 1)),
    row("@0SS01", setting(S::SilentSkip, 0)),
    row("@0SC01", setting(S::SSkipTime, 0)),
    row("@0SC02", setting(S::SSkipTime, 1)),
    row("@0SC03", setting(S::SSkipTime, 2)),
    row("@0SC04", setting(S::SSkipTime, 3)),
    row("@0SC05", setting(S::SSkipTime, 4)),
    row("@0SL20", setting(S::SSkipLevel, 0)),
    row("@0SL25", setting(S::SSkipLevel, 1)),
    row("@0SL30", setting(S::SSkipLevel, 2)),
    row("@0SL35", setting(S::SSkipLevel, 3)),
    row("@0SL40", setting(S::SSkipLevel, 4)),
    row("@0SL45", setting(S::SSkipLevel, 5)),
    row("@0SL50", setting(S::SSkipLevel, 6)),
    row("@0SL55", setting(S::SSkipLevel, 7)),
    row("@0SL60", setting(S::SSkipLevel, 8)),
    row("@0AC00", setting(S::AutoCue, 1)),
    row("@0AC01", setting(S::AutoCue, 0)),
    row("@0CT05", setting(S::AutoCueTime, 0)),
    row("@0CT10", setting(S::AutoCueTime, 1)),
    row("@0CT15", setting(S::AutoCueTime, 2)),
    row("@0CT20", setting(S::AutoCueTime, 3)),
    row("@0CT25", setting(S::AutoCueTime, 4)),
    row("@0CT30", setting(S::AutoCueTime, 5)),
    row("@0CT35", setting(S::AutoCueTime, 6)),
    row("@0CT40", setting(S::AutoCueTime, 7)),
    row("@0CT45", setting(S::AutoCueTime, 8)),
    row("@0CT50", setting(S::AutoCueTime, 9)),
    row("@0CT55", setting(S::AutoCueTime, 10)),
    row("@0CT60", setting(S::AutoCueTime, 11)),
    row("@0CT65", setting(S::AutoCueTime, 12)),
    row("@0CT70", setting(S::AutoCueTime, 13)),
    row("@0CT75", setting(S::AutoCueTime, 14)),
    row("@0CT80", setting(S::AutoCueTime, 15)),
    row("@0CT85", setting(S::AutoCueTime, 16)),
    row("@0CT90", setting(S::AutoCueTime, 17)),
    row("@0CT95", setting(S::AutoCueTime, 18)),
    row("@0CL20", setting(S::AutoCueLevel, 0)),
    row("@0CL25", setting(S::AutoCueLevel, 1)),
    row("@0CL30", setting(S::AutoCueLevel, 2)),
    row("@0CL35", setting(S::AutoCueLevel, 3)),
    row("@0CL40", setting(S::AutoCueLevel, 4)),
    row("@0CL45", setting(S::AutoCueLevel, 5)),
    row("@0CL50", setting(S::AutoCueLevel, 6)),
    row("@0CL55", setting(S::AutoCueLevel, 7)),
    row("@0CL60", setting(S::AutoCueLevel, 8)),
    row("@0PMOF", setting(S::PlayMode, 0)),
    row("@0PMAL", setting(S::PlayMode, 2)),
    row("@0PMAR", setting(S::PlayMode, 1)),
    row("@0PMSP", setting(S::PlayMode, 3)),
    row("@0EP00", setting(S::EDLPlay, 1)),
    row("@0EP01", setting(S::EDLPlay, 0)),
    row("@0RCSR", setting(S::RemoteMode, 1)),
    row("@0RCSS", setting(S::RemoteMode, 0)),
    row("@0RCMA", setting(S::RemoteMode, 2)),
    row("@0RCPW", setting(S::RemoteMode, -1)),
    row("@0RCMT", setting(S::RemoteMode, 3)),
    row("@0D1ABC123", id(S::ID1, "ABC123")),
    row("@0D2ZZ9900", id(S::ID2, "ZZ9900")),
    row("@0D3AB12CD", id(S::ID3, "AB12CD"))), rowName);

INSTANTIATE_TEST_SUITE_P(EdgeCases, ClassifyTest, ::testing::Values(
    named("SecondCharacterNotZeroIsUnknown", "@1STPL", unknown()),
    named("PowerLeadWithoutAlternativeIsUnknown", "@0PW02", unknown()),
    named("TrackWithTwoDigitsIsUnknown", "@0TR12", unknown()),
    named("TrackWithLetterIsUnknown", "@0TR1A3", unknown()),
    named("TimeWithSixDigitsIsUnknown", "@0TI001234", unknown()),
    named("TimeWithSevenDigitsAndMore", "@0TI00123456", plain(Group::Time)),
    named("DisplayModeTrIsNotTrackNumber", "@0TMTR", coded(Group::DisplayMode, "TR")),
    named("AfpmRunsBeforeAfm", "@0AFPM", setting(S::Algorithm, 2)),
    named("AfmFallsThroughFromAfpm", "@0AFM2", setting(S::Algorithm, 0)),
    named("AfmWithoutAlternativeIsUnknown", "@0AFM4", unknown()),
    named("TrailingCharactersAreIgnored", "@0STPLX", coded(Group::Status, "PL")),
    named("BitRateTrailingZeroIgnored", "@0BR0320", setting(S::BitRate, 0)),
    named("UnlistedStatusIsUnknown", "@0STXX", unknown()),
    named("UnlistedCardIsUnknown", "@0CDXX", unknown()),
    named("UnlistedDisplayModeIsUnknown", "@0TMXX", unknown()),
    named("PresetFourIsUnknown", "@0PS04", unknown()),
    named("UnbalancedCommandCodeIsNoReply", "@0INUB", unknown()),
    named("AutoTrackQuerySpellingIsNoReply", "@0Ak00", unknown()),
    named("IdFourIsUnknown", "@0D4ABCDEF", unknown()),
    named("IdWithAnyCharacters", "@0D3a b-c!", id(S::ID3, "a b-c!")),
    named("ShortIdReadsZeros", "@0D1AB", id(S::ID1, std::string_view("AB\0\0\0\0", 6))),
    named("EmptyLineIsUnknown", "", unknown()),
    named("LoneAtSignIsUnknown", "@", unknown()),
    named("CodeOnlyIsUnknown", "@0", unknown()),
    named("LowerCaseIsUnknown", "@0stpl", unknown()),
    named("ZeroByteEndsComparison", std::string("@0ST\0PL", 7), unknown()),
    named("OverLongLineKeepsItsCode", "@0STPL" + std::string(600, 'X'), coded(Group::Status, "PL")),
    named("OverLongIdLine", "@0D2QWERTY" + std::string(100, '9'), id(S::ID2, "QWERTY")),
    named("OverLongGarbageIsUnknown", std::string(700, '@'), unknown())), rowName);

// Only the first 20 bytes are copied; the classifier must not look at the rest.
TEST(Classify, LooksOnlyAtTheFirstTwentyBytes) {
    std::string line = "@0TI0012345";
    line.resize(20, '7');
    EXPECT_EQ(classify(line).group, Group::Time);
    const std::string_view cut(line.data(), 10);  // "@0TI001234": the seventh digit is cut off
    EXPECT_EQ(classify(cut).group, Group::Unknown);
}

TEST(Classify, BytesOverloadAgreesWithText) {
    const std::uint8_t bytes[] = {'@', '0', 'S', 'T', 'S', 'T'};
    EXPECT_TRUE(classify(std::span<const std::uint8_t>(bytes)).isStatus("ST"));
}

}  // namespace
}  // namespace tavrin::protocol
