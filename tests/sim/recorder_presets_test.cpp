#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/setting_frames.h"
#include "sim/recorder.h"

namespace tavrin::test {
namespace {

using namespace std::chrono_literals;
using Writes = std::vector<std::string>;

const std::string ACK = "\x06";
const std::string NAK = "\x15";

class RecorderPresets : public ::testing::Test {
protected:
    Writes send(std::string_view body) { return recorder.receive("@0" + std::string(body) + "\r", t0); }
    std::string ask(std::string_view query) {
        const Writes w = send(query);
        return w.size() == 1 ? w.front() : "<" + std::to_string(w.size()) + " writes>";
    }

    const sim::TimePoint t0 = sim::TimePoint{} + 1000s;
    sim::Recorder recorder{t0};
};

TEST_F(RecorderPresets, TheQueryBlockOfAPresetReadIsAnsweredLineByLine) {
    const Writes expected = {
        "@0PS01\r", "@0INBA\r", "@0DFMD\r", "@0CHST\r", "@0AFM2\r", "@0BR192\r", "@0FS48\r",
        "@0FTMG\r", "@0PR01\r", "@0AM01\r", "@0MT00\r", "@0AK01\r", "@0AT0010\r", "@0CP01\r",
        "@0SS01\r", "@0SC02\r", "@0SL30\r", "@0AC01\r", "@0CT10\r", "@0CL30\r", "@0PMOF\r",
        "@0EP01\r", "@0RCSS\r", "@0D1000000\r", "@0D2000000\r", "@0D3000000\r"};
    EXPECT_EQ(recorder.receive(protocol::presetQueryBlock(), t0), expected);
}

TEST_F(RecorderPresets, FactoryPresetsDiffer) {
    EXPECT_EQ(send("PS02"), Writes{ACK});
    EXPECT_EQ(ask("?PS"), "@0PS02\r");
    EXPECT_EQ(ask("?IN"), "@0INUN\r");
    EXPECT_EQ(ask("?AF"), "@0AFM3\r");
    EXPECT_EQ(ask("?FS"), "@0FS44\r");
    EXPECT_EQ(ask("?PM"), "@0PMAL\r");
    EXPECT_EQ(send("PS03"), Writes{ACK});
    EXPECT_EQ(ask("?AF"), "@0AFPM\r");
    EXPECT_EQ(ask("?FT"), "@0FTWA\r");
    EXPECT_EQ(ask("?IN"), "@0INDI\r");
}

struct SettingCase {
    const char* name;
    const char* command;
    const char* query;
    const char* reply;
};

class RecorderSetting : public RecorderPresets, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(RecorderSetting, IsAcknowledgedStoredAndReportedBack) {
    EXPECT_EQ(send(GetParam().command), Writes{ACK});
    EXPECT_EQ(ask(GetParam().query), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RecorderSetting,
    ::testing::Values(SettingCase{"UnbalancedSetAsInubReportedAsInun", "INUB", "?IN", "@0INUN\r"},
                      SettingCase{"Digital", "INDI", "?IN", "@0INDI\r"},
                      SettingCase{"Mono", "CHMO", "?CH", "@0CHMO\r"},
                      SettingCase{"Pcm", "AFPM", "?AF", "@0AFPM\r"},
                      SettingCase{"BitRate384", "BR384", "?BR", "@0BR384\r"},
                      SettingCase{"SampleRate22", "FS22", "?FS", "@0FS22\r"},
                      SettingCase{"PreRecordOn", "PR00", "?PR", "@0PR00\r"},
                      SettingCase{"AutoTrackOnAnsweredAsAk", "AK00", "?Ak", "@0AK00\r"},
                      SettingCase{"AutoTrackTime24Hours", "AT2400", "?AT", "@0AT2400\r"},
                      SettingCase{"SilentSkipTime5", "SC05", "?SC", "@0SC05\r"},
                      SettingCase{"AutoCueTime95", "CT95", "?CT", "@0CT95\r"},
                      SettingCase{"TrackRepeat", "PMAR", "?PM", "@0PMAR\r"},
                      SettingCase{"RemoteManualTrack", "RCMT", "?RC", "@0RCMT\r"},
                      SettingCase{"EdlPlayOn", "EP00", "?EP", "@0EP00\r"},
                      SettingCase{"Id1", "D1ZX81AB", "?D1", "@0D1ZX81AB\r"},
                      SettingCase{"Id3Digits", "D3123456", "?D3", "@0D3123456\r"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecorderPresets, EveryCommandCodeIsTakenAndReportedBack) {
    for (const protocol::SettingInfo& setting : protocol::kSettings) {
        for (const protocol::Code& code : setting.codes) {
            if (code.command.empty()) continue;
            EXPECT_EQ(send(code.command), Writes{ACK}) << code.command;
            const std::string reply = "@0" + std::string(code.reply) + "\r";
            EXPECT_EQ(ask("?" + std::string(setting.query)), reply) << code.command;
        }
    }
}

TEST_F(RecorderPresets, SettingsAreKeptPerPreset) {
    send("PS02");
    send("BR384");
    send("D1PRESET");
    send("PS01");
    EXPECT_EQ(ask("?BR"), "@0BR192\r");
    EXPECT_EQ(ask("?D1"), "@0D1000000\r");
    send("PS02");
    EXPECT_EQ(ask("?BR"), "@0BR384\r");
    EXPECT_EQ(ask("?D1"), "@0D1PRESET\r");
    EXPECT_EQ(recorder.presets().selected(), 1);
    EXPECT_EQ(recorder.presets().preset(1).value(protocol::PresetSetting::BitRate), 11);
}

TEST_F(RecorderPresets, DefaultRestoresOnlyTheSelectedPreset) {
    send("BR032");
    send("PS02");
    send("BR384");
    send("D2ABCDEF");
    EXPECT_EQ(send("DEFL"), Writes{ACK});
    EXPECT_EQ(ask("?BR"), "@0BR128\r");
    EXPECT_EQ(ask("?D2"), "@0D2000000\r");
    EXPECT_EQ(ask("?PS"), "@0PS02\r");
    send("PS01");
    EXPECT_EQ(ask("?BR"), "@0BR032\r");
}

TEST_F(RecorderPresets, ARefusedIdLeavesTheStoredOne) {
    send("D1ABC123");
    EXPECT_EQ(send("D1abc123"), Writes{NAK});
    EXPECT_EQ(send("D1      "), Writes{NAK});
    EXPECT_EQ(ask("?D1"), "@0D1ABC123\r");
}

TEST_F(RecorderPresets, SettingsAreTakenWhilePlaying) {
    send("2353");
    EXPECT_EQ(send("FS32"), Writes{ACK});
    EXPECT_EQ(ask("?FS"), "@0FS32\r");
}

}  // namespace
}  // namespace tavrin::test
