// The program's real serial port talking to the recorder simulator over a pseudo-terminal,
// at the real line rate.

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <thread>

#include "protocol/frames.h"
#include "protocol/keys.h"
#include "preset/preset_record.h"
#include "preset/preset_frames.h"
#include "protocol/setting_frames.h"
#include "sim/port_session.h"

namespace tavrin::protocol {
void PrintTo(const KeyCommand& key, std::ostream* out) { *out << "@0" << key.body << " (" << key.name << ")"; }
}  // namespace tavrin::protocol

namespace tavrin::test {
namespace {

using namespace std::chrono_literals;

bool lineEnded(const std::string& all) { return all.ends_with("\r"); }

TEST(PortWithSimulator, StatusRequestGetsTheStopStatus) {
    PortSession s;
    ASSERT_TRUE(s.open());
    EXPECT_EQ(s.send("@0?ST\r"), 6u);
    EXPECT_EQ(s.receiveUntil("\r"), "@0STST\r");
}

TEST(PortWithSimulator, StartUpChainOfStatusDisplayModeAndTime) {
    PortSession s;
    ASSERT_TRUE(s.open());
    s.send("@0?ST\r");
    EXPECT_EQ(s.receiveUntil("\r"), "@0STST\r");
    s.send("@0?TMOD\r");
    EXPECT_EQ(s.receiveUntil("\r"), "@0TMTT\r");
    s.send("@0?TI\r");
    EXPECT_EQ(s.receiveUntil("\r"), "@0TI0000000\r");
}

class KeyPress : public ::testing::TestWithParam<protocol::KeyCommand> {};

TEST_P(KeyPress, GetsItsAckAsTheFirstByteOfARead) {
    PortSession s;
    ASSERT_TRUE(s.open());
    const std::string frame = protocol::commandFrame(GetParam().body);
    ASSERT_EQ(s.send(frame), frame.size());
    const auto reads = s.readsUntil([](const std::string& all) { return !all.empty(); }, 1s);
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads.front().front(), '\x06');
}

INSTANTIATE_TEST_SUITE_P(EveryKey, KeyPress, ::testing::ValuesIn(protocol::kKeyCommands), [](const auto& info) {
    std::string name;
    for (char c : info.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name + "_" + std::to_string(info.index);
});

TEST(PortWithSimulator, PlayIsAcknowledgedThenReported) {
    PortSession s;
    ASSERT_TRUE(s.open());
    s.send("@02353\r");
    EXPECT_EQ(s.receiveUntil("@0STPL\r"), "\x06@0STPL\r");
}

TEST(PortWithSimulator, TimeRunsWhilePlaying) {
    PortSession s;
    ASSERT_TRUE(s.open());
    s.send("@02353\r");
    s.receiveUntil("@0STPL\r");
    s.receiveFor(1100ms);
    s.send("@0?TI\r");
    EXPECT_EQ(s.receiveUntil("\r"), "@0TI0000001\r");
}

TEST(PortWithSimulator, PresetReadBlockIsAnsweredInQueryOrder) {
    PortSession s;
    ASSERT_TRUE(s.open());
    ASSERT_EQ(s.send(protocol::presetQueryBlock()), 156u);
    const std::string got = s.receiveUntil("@0D3000000\r", 3s);
    EXPECT_TRUE(got.starts_with("@0PS01\r@0INBA\r@0DFMD\r")) << got;
    EXPECT_NE(got.find("@0MT00\r@0AK01\r@0AT0010\r"), std::string::npos) << got;
    EXPECT_TRUE(got.ends_with("@0RCSS\r@0D1000000\r@0D2000000\r@0D3000000\r")) << got;
}

// The write sequence as the program runs it: each command after the previous one's
// acknowledgement, from a record holding the reset values. The reset IDs of six spaces are
// not valid IDs and are refused.
TEST(PortWithSimulator, WriteSequenceOfResetValuesIsAcknowledgedAndStored) {
    PortSession s;
    ASSERT_TRUE(s.open());
    preset::PresetStore store;
    store.reset();
    std::string acknowledgements;
    for (int step = 1; step < protocol::kSettingCount; ++step) {
        const std::string frame = preset::settingFrame(store, protocol::settingAt(step));
        ASSERT_EQ(s.send(frame), frame.size()) << frame;
        const auto reads = s.readsUntil([](const std::string& all) { return !all.empty(); }, 1s);
        ASSERT_EQ(PortSession::join(reads).size(), 1u) << frame;
        acknowledgements += reads.front();
    }
    EXPECT_EQ(acknowledgements, std::string(22, '\x06') + std::string(3, '\x15'));

    s.send("@0?IN\r@0?AF\r@0?BR\r@0?FT\r@0?PR\r");
    EXPECT_EQ(s.receiveUntil("@0PR00\r"), "@0INUN\r@0AFM3\r@0BR128\r@0FTMG\r@0PR00\r");
}

TEST(PortWithSimulator, SplitRepliesArriveWholeOverSeveralReads) {
    sim::SimOptions o;
    o.splitReplies = true;
    PortSession s(o);
    ASSERT_TRUE(s.open());
    s.send("@0?ST\r");
    const auto reads = s.readsUntil(lineEnded, 1s);
    EXPECT_EQ(PortSession::join(reads), "@0STST\r");
    EXPECT_GE(reads.size(), 2u);
}

}  // namespace
}  // namespace tavrin::test
