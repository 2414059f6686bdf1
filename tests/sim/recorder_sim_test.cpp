#include "sim/recorder_sim.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/port_session.h"
#include "sim/trace.h"

namespace tavrin::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kQueryBlockReplies =
    "@0PS01\r@0INBA\r@0DFMD\r@0CHST\r@0AFM2\r@0BR192\r@0FS48\r@0FTMG\r@0PR01\r@0AM01\r@0MT00\r"
    "@0AK01\r@0AT0010\r@0CP01\r@0SS01\r@0SC02\r@0SL30\r@0AC01\r@0CT10\r@0CL30\r@0PMOF\r@0EP01\r"
    "@0RCSS\r@0D1000000\r@0D2000000\r@0D3000000\r";

std::string queryBlock() {
    std::string block;
    for (const char* q : {"PS", "IN", "DF", "CH", "AF", "BR", "FS", "FT", "PR", "AM", "MT", "Ak", "AT",
                          "CP", "SS", "SC", "SL", "AC", "CT", "CL", "PM", "EP", "RC", "D1", "D2", "D3"})
        block += std::string("@0?") + q + "\r";
    return block;
}

sim::SimOptions fast() {
    sim::SimOptions o;
    o.pacing = false;
    return o;
}

// The trace's lines of bytes the simulator sent, without their time stamps.
std::vector<std::string> sentLines(const std::string& trace) {
    std::vector<std::string> lines;
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);)
        if (const auto at = line.find(" sim> "); at != std::string::npos) lines.push_back(line.substr(at + 6));
    return lines;
}

std::string tempPath(const char* name) {
    return "/tmp/tavrin-sim-test-" + std::to_string(getpid()) + "-" + name;
}

// ---- pacing ----------------------------------------------------------------------------

TEST(RecorderSimPacing, RepliesLeaveAtAboutTheLineRate) {
    PortSession s;
    ASSERT_TRUE(s.open());
    ASSERT_EQ(s.send(queryBlock()), 156u);
    const auto start = Clock::now();
    const std::string got = s.receiveUntil("@0D3000000\r", 3s);
    const auto took = Clock::now() - start;
    ASSERT_EQ(got, kQueryBlockReplies);
    // 197 bytes at 9600 bit/s take 205 ms; the bounds are loose on purpose.
    EXPECT_GT(took, 180ms);
    EXPECT_LT(took, 1500ms);
}

TEST(RecorderSimPacing, FastSendsAtOnce) {
    PortSession s(fast());
    ASSERT_TRUE(s.open());
    ASSERT_EQ(s.send(queryBlock()), 156u);
    const auto start = Clock::now();
    EXPECT_EQ(s.receiveUntil("@0D3000000\r", 3s), kQueryBlockReplies);
    EXPECT_LT(Clock::now() - start, 120ms);
}

TEST(RecorderSimPacing, AReadOfTheTickSeesALinePartlyWhilePaced) {
    PortSession s;
    ASSERT_TRUE(s.open());
    s.send("@0?D1\r");
    std::this_thread::sleep_for(1ms);
    // A line of 11 bytes takes over 11 ms: polled every 0.3 ms, it comes in several reads.
    const std::vector<std::string> reads =
        s.readsUntil([](const std::string& all) { return all.ends_with("\r"); }, 1s);
    EXPECT_EQ(PortSession::join(reads), "@0D1000000\r");
    EXPECT_GT(reads.size(), 2u);
}

// ---- acknowledgements as writes of their own -------------------------------------------

TEST(RecorderSimWrites, AckGoesOutAsAWriteOfItsOwnBeforeTheStatusLine) {
    std::ostringstream trace;
    sim::SimOptions o = fast();
    o.trace = &trace;
    PortSession s(o);
    ASSERT_TRUE(s.open());
    s.send("@02353\r");
    EXPECT_EQ(s.receiveUntil("@0STPL\r"), "\x06@0STPL\r");
    EXPECT_EQ(sentLines(trace.str()), (std::vector<std::string>{"<ACK>", "@0STPL<CR>"}));
    EXPECT_EQ(s.sim.recorder().deck().transport(), sim::Transport::Play);
}

// ---- line faults -----------------------------------------------------------------------

TEST(RecorderSimFaults, SplitRepliesCutsEachLineIntoTwoWritesWithAPause) {
    std::ostringstream trace;
    sim::SimOptions o = fast();
    o.trace = &trace;
    o.splitReplies = true;
    o.seed = 7;
    PortSession s(o);
    ASSERT_TRUE(s.open());
    s.send("@0?ST\r@0?TMOD\r");
    const std::vector<std::string> reads =
        s.readsUntil([](const std::string& all) { return all == "@0STST\r@0TMTT\r"; }, 2s);
    ASSERT_EQ(PortSession::join(reads), "@0STST\r@0TMTT\r");
    // The rest of one line and the start of the next may share a read; the pause may not.
    EXPECT_GE(reads.size(), 3u);
    EXPECT_LT(reads.front().size(), 7u);
    const std::vector<std::string> sent = sentLines(trace.str());
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0] + sent[1], "@0STST<CR>");
    EXPECT_EQ(sent[2] + sent[3], "@0TMTT<CR>");
}

TEST(RecorderSimFaults, SplitRepliesLeavesTheAckWhole) {
    sim::SimOptions o = fast();
    o.splitReplies = true;
    PortSession s(o);
    ASSERT_TRUE(s.open());
    s.send("@02311\r");
    EXPECT_EQ(s.receiveFor(100ms), "\x06");
}

TEST(RecorderSimFaults, NoisePutsGarbageBeforeWritesAndLeavesRepliesIntact) {
    sim::SimOptions o = fast();
    o.noise = 1.0;
    PortSession s(o);
    ASSERT_TRUE(s.open());
    s.send("@0?ST\r");
    const std::string got = s.receiveUntil("@0STST\r");
    ASSERT_TRUE(got.ends_with("@0STST\r")) << sim::readable(got);
    const std::string garbage = got.substr(0, got.size() - 7);
    EXPECT_GE(garbage.size(), 1u);
    EXPECT_LE(garbage.size(), 3u);
    EXPECT_EQ(garbage.find_first_of("@\r\x06\x15"), std::string::npos) << sim::readable(garbage);
}

TEST(RecorderSimFaults, NoiseCanBeSwitchedOffAgain) {
    sim::SimOptions o = fast();
    o.noise = 1.0;
    PortSession s(o);
    ASSERT_TRUE(s.open());
    s.sim.setNoise(0);
    s.send("@0?ST\r");
    EXPECT_EQ(s.receiveUntil("@0STST\r"), "@0STST\r");
}

TEST(RecorderSimFaults, StopReadingMakesTheProgramsWriteFail) {
    PortSession s(fast());
    ASSERT_TRUE(s.open());
    s.sim.setStopReading(true);
    s.receiveFor(50ms);  // a few steps top the line up

    EXPECT_LT(s.send("@02353\r"), 7u);
    s.receiveFor(50ms);
    EXPECT_EQ(s.sim.recorder().deck().transport(), sim::Transport::Stop);

    s.sim.setStopReading(false);
    EXPECT_EQ(s.send("@0?ST\r"), 6u);
    EXPECT_EQ(s.receiveUntil("@0STST\r"), "@0STST\r");
}

TEST(RecorderSimFaults, HangUpFailsTheProgramsWritesAndReadsAtOnce) {
    PortSession s(fast());
    ASSERT_TRUE(s.open());
    s.sim.hangUp();
    EXPECT_TRUE(s.sim.hungUp());
    const auto start = Clock::now();
    EXPECT_LT(s.send("@0?ST\r"), 6u);
    EXPECT_LT(Clock::now() - start, 500ms);
    EXPECT_EQ(s.port.bytesWaiting(), 0u);
    EXPECT_EQ(s.receiveFor(50ms), "");
}

TEST(RecorderSimFaults, ComesBackOnANewTerminalThroughTheSameLink) {
    const std::string link = tempPath("link");
    sim::SimOptions o = fast();
    o.linkPath = link;
    sim::RecorderSim sim(o);
    ASSERT_TRUE(sim.ok()) << sim.error();
    ScopedComPort com{2, link};
    platform::SerialPort port;
    ASSERT_TRUE(port.open(2).ok());

    sim.hangUp();
    struct stat info {};
    EXPECT_NE(lstat(link.c_str(), &info), 0) << "the link goes with the device";
    port.close();
    EXPECT_EQ(port.open(2).error, platform::OpenError::NoSuchPort);

    ASSERT_TRUE(sim.comeBack()) << sim.error();
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), sim.devicePath());
    ASSERT_TRUE(port.open(2).ok());
    const std::string frame = "@0?ST\r";
    port.write({reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()});
    std::string got;
    for (const auto deadline = Clock::now() + 1s; got != "@0STST\r" && Clock::now() < deadline;) {
        sim.poll();
        std::uint8_t chunk[32];
        got.append(chunk, chunk + port.readAvailable(chunk));
    }
    EXPECT_EQ(got, "@0STST\r");
}

TEST(RecorderSimFaults, RecorderKeepsItsStateOverAHangUp) {
    PortSession s(fast());
    ASSERT_TRUE(s.open());
    s.send("@02353\r");
    s.receiveUntil("@0STPL\r");
    s.sim.hangUp();
    ASSERT_TRUE(s.sim.comeBack());
    EXPECT_EQ(s.sim.recorder().deck().transport(), sim::Transport::Play);
}

// ---- the terminal and its link ---------------------------------------------------------

TEST(RecorderSimTerminal, TheProgramClosingItsPortDoesNotHangUpTheSimulator) {
    PortSession s(fast());
    ASSERT_TRUE(s.open());
    for (int i = 0; i < 3; ++i) {
        s.port.close();
        s.sim.poll();
        ASSERT_TRUE(s.port.open(PortSession::kCom).ok());
        s.send("@0?ST\r");
        EXPECT_EQ(s.receiveUntil("@0STST\r"), "@0STST\r");
    }
    EXPECT_FALSE(s.sim.hungUp());
}

TEST(RecorderSimTerminal, LinkPointsAtTheDeviceAndGoesWithTheSimulator) {
    const std::string link = tempPath("link2");
    {
        sim::SimOptions o;
        o.linkPath = link;
        sim::RecorderSim sim(o);
        ASSERT_TRUE(sim.ok()) << sim.error();
        char target[256] = {};
        ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(std::string(target), sim.devicePath());
    }
    struct stat info {};
    EXPECT_NE(lstat(link.c_str(), &info), 0);
}

TEST(RecorderSimTerminal, AnOldLinkIsReplaced) {
    const std::string link = tempPath("link3");
    ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);
    sim::SimOptions o;
    o.linkPath = link;
    sim::RecorderSim sim(o);
    EXPECT_TRUE(sim.ok()) << sim.error();
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), sim.devicePath());
}

TEST(RecorderSimTerminal, AFileAtTheLinkPathIsLeftAlone) {
    const std::string path = tempPath("file");
    std::ofstream(path) << "keep";
    {
        sim::SimOptions o;
        o.linkPath = path;
        sim::RecorderSim sim(o);
        EXPECT_FALSE(sim.ok());
        EXPECT_NE(sim.error().find("not a symbolic link"), std::string::npos) << sim.error();
    }
    std::stringstream content;
    content << std::ifstream(path).rdbuf();
    EXPECT_EQ(content.str(), "keep");
    unlink(path.c_str());
}

// ---- trace -----------------------------------------------------------------------------

TEST(RecorderSimTrace, ShowsBothDirectionsWithTimeStamps) {
    std::ostringstream trace;
    sim::SimOptions o = fast();
    o.trace = &trace;
    PortSession s(o);
    ASSERT_TRUE(s.open());
    s.send("@0XX\r");
    s.receiveUntil("\x15");
    std::istringstream lines(trace.str());
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_TRUE(first.ends_with(" prog> @0XX<CR>")) << first;
    EXPECT_TRUE(second.ends_with("  sim> <NAK>")) << second;
    EXPECT_EQ(first.substr(0, 10).find_first_not_of(" 0123456789."), std::string::npos) << first;
}

struct ReadableCase {
    const char* name;
    std::string bytes;
    const char* text;
};

class Readable : public ::testing::TestWithParam<ReadableCase> {};

TEST_P(Readable, NamesWhatIsNotPrintable) { EXPECT_EQ(sim::readable(GetParam().bytes), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Bytes, Readable,
    ::testing::Values(ReadableCase{"Line", "@0STST\r", "@0STST<CR>"},
                      ReadableCase{"Ack", "\x06", "<ACK>"},
                      ReadableCase{"Nak", "\x15", "<NAK>"},
                      ReadableCase{"LineFeed", "\r\n", "<CR><LF>"},
                      ReadableCase{"ZeroByte", std::string(1, '\0'), "<0x00>"},
                      ReadableCase{"HighByte", "\xff", "<0xFF>"},
                      ReadableCase{"Delete", "\x7f", "<0x7F>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TraceLine, StampsSecondsAndMilliseconds) {
    EXPECT_EQ(sim::traceLine(12'345ms, sim::Direction::FromProgram, "@0?ST\r"), "   12.345 prog> @0?ST<CR>");
    EXPECT_EQ(sim::traceLine(7ms, sim::Direction::ToProgram, "\x06"), "    0.007  sim> <ACK>");
}

}  // namespace
}  // namespace tavrin::test
