// The recorder's cable pulled: the simulator hangs its pseudo-terminal up, as a USB adapter
// that disappears does. The link must log the loss once, neither spin nor flood the log while
// it reopens the port, fail a key's write at once into "connection error", and come back by
// itself when the device is back under its path; choosing the port again must work as well.
// Everything runs in the test's own loop on the simulator's clock, without threads.

#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/frames.h"
#include "link/link.h"
#include "link/log_lines.h"
#include "platform/serial_port.h"
#include "preset/preset_session.h"
#include "sim/recorder_sim.h"
#include "support/core_invariants.h"
#include "support/core_rig.h"
#include "support/fake_editor_view.h"
#include "support/fakes.h"
#include "support/pty.h"

namespace tavrin::test {
namespace {

using namespace std::chrono_literals;
using protocol::Key;

constexpr int kCom = 2;
constexpr auto kTick = 20ms;

std::string uniqueLinkPath() {
    static int count = 0;
    return "/tmp/tavrin-unplug-" + std::to_string(getpid()) + "-" + std::to_string(++count);
}

std::chrono::nanoseconds processCpuTime() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::chrono::seconds{t.tv_sec} + std::chrono::nanoseconds{t.tv_nsec};
}

sim::SimOptions simOptions(const std::string& linkPath) {
    sim::SimOptions o;
    o.pacing = false;
    o.linkPath = linkPath;
    return o;
}

// The program's core on its real serial port, COM2 named by a link to the simulator's
// terminal, and the simulator, both stepped on the simulator's clock.
class Unplugging : public ::testing::Test, public CoreRig<platform::SerialPort> {
protected:
    Unplugging() : sim(simOptions(linkPath), now), com(kCom, linkPath) {
        core.attachEditorView(view);
        // Showing the editor runs its FormShow, then whatever stands for the time it is up.
        view.onShowModal = [this] {
            editor.FormShow();
            if (whileShown) whileShown();
        };
        session.ResetPresetRecord();
    }

    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << sim.error();
        link.changePort(kCom);
        ASSERT_TRUE(port.isOpen());
        ASSERT_TRUE(tickUntil([this] { return link.state().recorder.state == protocol::RecorderState::Stop; }));
        ASSERT_TRUE(link.state().linkUp);
    }

    // One 20 ms tick: the simulator answers what has come, the kernel passes it on, the tick
    // takes it.
    void tick() {
        now += kTick;
        sim.step(now);
        std::this_thread::sleep_for(200us);
        link.RxTimerTimer();
        EXPECT_EQ(recordViolation(store), "");
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) tick();
    }
    bool tickUntil(const std::function<bool()>& done, int limit = 200) {
        for (int i = 0; i < limit && !done(); ++i) tick();
        return done();
    }
    // Lines logged since `mark` lines had been logged, oldest first.
    std::vector<std::string> linesSince(long mark) const {
        const auto count = static_cast<std::size_t>(log.inserted - mark);
        return {log.lines.rend() - static_cast<std::ptrdiff_t>(count), log.lines.rend()};
    }

    void comeBackAndChooseThePort() {
        ASSERT_TRUE(sim.comeBack()) << sim.error();
        link.changePort(kCom);
        ASSERT_TRUE(tickUntil([this] { return link.state().linkUp && log.lines.front() == "<-@0STSTc"; }));
    }

    void TearDown() override { EXPECT_EQ(log.unknown, std::vector<std::string>{}); }

    std::string linkPath = uniqueLinkPath();
    sim::TimePoint now = sim::SimClock::now();
    sim::RecorderSim sim;
    ScopedComPort com;
    FakeEditorView view;
    std::function<void()> whileShown;
};

TEST_F(Unplugging, HungUpLineIsLostOnceAndReopenedQuietlyUntilTheDeviceIsBackUnderItsPath) {
    const long mark = log.inserted;
    sim.hangUp();
    tick();
    EXPECT_EQ(linesSince(mark), std::vector<std::string>{"connection lost"});
    EXPECT_FALSE(link.state().linkUp);
    EXPECT_FALSE(port.isOpen());

    ticks(500);  // ten seconds away: ten reopenings of a path that is not there, all quiet
    EXPECT_EQ(linesSince(mark), std::vector<std::string>{"connection lost"});

    ASSERT_TRUE(sim.comeBack()) << sim.error();
    ASSERT_TRUE(tickUntil([this] { return log.lines.front() == "<-@0STSTc"; },
                          2 * link::PortFollowing::kReopenInterval));
    const std::string statusRequest = link::commandLogLine("->@0?ST (Status Request)", clock.now());
    const std::vector<std::string> lossAndReturn{"connection lost", "connection restored", statusRequest,
                                                 "<-@0STSTc"};
    EXPECT_EQ(linesSince(mark), lossAndReturn);
    EXPECT_TRUE(link.state().linkUp);
}

TEST_F(Unplugging, HungUpLineDoesNotSpinTheProcessorAtTheTickRate) {
    sim.hangUp();
    ticks(link::PollSchedule::kDisplayModeInterval + 1);
    const auto wallStart = std::chrono::steady_clock::now();
    const auto cpuStart = processCpuTime();
    for (int i = 0; i < 50; ++i) {
        link.RxTimerTimer();
        std::this_thread::sleep_for(kTick);
    }
    const auto cpu = processCpuTime() - cpuStart;
    const auto wall = std::chrono::steady_clock::now() - wallStart;
    EXPECT_LT(cpu * 20, wall) << "a second of ticks on a dead line took " << cpu.count() / 1e6
                              << " ms of CPU";
}

TEST_F(Unplugging, KeyPressOnAHungUpLineFailsAtOnceIntoConnectionError) {
    sim.hangUp();
    const long mark = log.inserted;
    const auto start = std::chrono::steady_clock::now();
    link.sendKey(Key::Play);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms) << "the write waited for the write time-out";
    const std::vector<std::string> lines = linesSince(mark);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "connection error");
    EXPECT_TRUE(lines[1].starts_with("->@02353 (Play)")) << lines[1];
    EXPECT_FALSE(link.state().linkUp);
}

TEST_F(Unplugging, ReadsOfAHungUpPortReturnNothingAndNeverSetTheLinkUp) {
    sim.hangUp();
    link.sendKey(Key::Stop);  // fails: the link is down now
    std::array<std::uint8_t, protocol::LineAssembler::kReadSize> chunk{};
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(port.readAvailable(chunk), 0u);
    ticks(100);
    EXPECT_FALSE(link.state().linkUp);
}

TEST_F(Unplugging, ChoosingThePortAgainAfterTheDeviceCameBackTalksToItAgain) {
    sim.hangUp();
    ticks(link::PollSchedule::kDisplayModeInterval + 1);
    ASSERT_FALSE(link.state().linkUp);

    const long mark = log.inserted;
    comeBackAndChooseThePort();
    const std::vector<std::string> lines = linesSince(mark);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with("->@0?ST (Status Request)")) << lines[0];
    EXPECT_EQ(lines[1], "<-@0STSTc");

    link.sendKey(Key::Play);
    EXPECT_TRUE(tickUntil([this] { return link.state().recorder.state == protocol::RecorderState::Play; }));
    EXPECT_EQ(log.lines[1], "<-ACK");
}

TEST_F(Unplugging, ChoosingThePortWhileTheDeviceIsGoneReportsNoSuchPort) {
    sim.hangUp();
    const long mark = log.inserted;
    link.changePort(kCom);
    EXPECT_EQ(linesSince(mark), (std::vector<std::string>{"com port number error",
                                                          "(COM2 is " + linkPath + ": No such file or directory)"}));
    EXPECT_FALSE(port.isOpen());

    comeBackAndChooseThePort();
}

TEST_F(Unplugging, HangUpDuringTheFirstPresetReadGivesTheKeysBack) {
    sim.recorder().faults().ignoredQueries = {"?D3"};  // the read stays pending
    session.PresetGate();
    ASSERT_TRUE(session.transfer().ReadPending);
    ASSERT_FALSE(displays.keysEnabled);

    sim.hangUp();
    ASSERT_TRUE(tickUntil([this] { return !session.transfer().ReadPending; },
                          preset::PresetSession::kRecoveryTicks + 1));
    EXPECT_TRUE(displays.keysEnabled);
    EXPECT_EQ(link.state().recorder.state, protocol::RecorderState::Stop);
    EXPECT_EQ(view.showModalCalls, 0);

    sim.recorder().faults().ignoredQueries.clear();
    comeBackAndChooseThePort();
    whileShown = [this] { EXPECT_TRUE(session.transfer().EditorOpen); };
    session.PresetGate();
    EXPECT_TRUE(tickUntil([this] { return view.showModalCalls == 1; }));
}

TEST_F(Unplugging, HangUpWhileTheEditorIsOpenEndsItAtTheNextTickAndItOpensAgainOnceBack) {
    bool ended = false;
    whileShown = [&] {
        sim.hangUp();
        tick();  // finds the line gone
        ended = view.endModalCalls == 1 && !session.transfer().EditorOpen;
    };
    session.PresetGate();
    ASSERT_TRUE(tickUntil([this] { return view.showModalCalls == 1; }));
    EXPECT_TRUE(ended);
    EXPECT_EQ(log.lines.front(), "connection lost");
    EXPECT_TRUE(displays.keysEnabled);
    EXPECT_EQ(link.state().recorder.state, protocol::RecorderState::Stop);

    ASSERT_TRUE(sim.comeBack()) << sim.error();
    ASSERT_TRUE(tickUntil([this] { return link.state().linkUp && log.lines.front() == "<-@0STSTc"; }));
    whileShown = nullptr;
    session.PresetGate();
    EXPECT_TRUE(tickUntil([this] { return view.showModalCalls == 2; }));
}

}  // namespace
}  // namespace tavrin::test
