// Soak: the program's core on its real serial port against the recorder simulator over a
// pseudo-terminal, for several simulated minutes, with the simulator's faults switched on in
// turn and then at random: noise, split replies, NAKs, unanswered queries, a recorder that
// stops reading (writes time out), a pulled cable. A seeded operator presses keys, opens the
// preset editor, changes settings, selects presets, resets, reads and writes them, saves and
// loads preset files. After every tick the invariants of tests/support/core_invariants.h must
// hold, and no transfer may stay pending past the recovery time-out while the recorder is
// silent. At the end, with the faults off again, a clean read must return exactly the
// simulator's preset and a clean write must leave the simulator holding the record.
//
// Everything runs in the test's own loop on a simulated clock (20 ms a tick, the simulator
// paced at 9600 bit/s on that clock); the modal editor runs nested ticks as the real one
// does. TAVRIN_SOAK_SEED=<n> runs one more seed; a failure names its seed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/core.h"
#include "platform/serial_port.h"
#include "protocol/keys.h"
#include "sim/recorder_sim.h"
#include "support/core_invariants.h"
#include "support/fake_editor_view.h"
#include "support/fakes.h"
#include "support/pty.h"

namespace tavrin::test {
namespace {

using namespace std::chrono_literals;
using protocol::Key;
using protocol::PresetSetting;
using S = PresetSetting;

constexpr int kCom = 2;
constexpr auto kTick = 20ms;
constexpr int kTicksPerSecond = 50;
constexpr int kPhaseTicks = 15 * kTicksPerSecond;
constexpr int kSoakTicks = 5 * 60 * kTicksPerSecond;
// A nested editor that never goes away would hang the test; this many ticks end it as failed.
constexpr int kTickBudget = kSoakTicks + 60 * kTicksPerSecond;

enum class Fault { Noise, Split, Naks, Unanswered, Rcpw, Stall, HangUp };

const char* name(Fault f) {
    switch (f) {
    case Fault::Noise: return "noise";
    case Fault::Split: return "split replies";
    case Fault::Naks: return "NAKs";
    case Fault::Unanswered: return "unanswered queries";
    case Fault::Rcpw: return "RCPW for the remote mode";
    case Fault::Stall: return "stops reading";
    case Fault::HangUp: return "hang-up";
    }
    return "";
}

struct Phase {
    std::vector<Fault> faults;
    int ticks;
};

// Every fault alone, then mixes at random; the line faults that cost real time (a stalled
// line makes each write wait for its time-out) come in short phases.
std::vector<Phase> schedule(std::mt19937& random) {
    std::vector<Phase> phases = {{{}, kPhaseTicks}};
    for (Fault f : {Fault::Noise, Fault::Split, Fault::Naks, Fault::Unanswered, Fault::Rcpw})
        phases.push_back({{f}, kPhaseTicks});
    // Twice each, so that the editor is more likely up during one of them.
    for (Fault f : {Fault::Stall, Fault::HangUp, Fault::Stall, Fault::HangUp}) {
        phases.push_back({{f}, 3 * kTicksPerSecond});
        phases.push_back({{}, kPhaseTicks / 3});
    }
    int total = 0;
    for (const Phase& p : phases) total += p.ticks;
    std::bernoulli_distribution often(0.4), rarely(0.2);
    while (total < kSoakTicks) {
        Phase p{{}, kPhaseTicks};
        for (Fault f : {Fault::Noise, Fault::Split, Fault::Naks, Fault::Unanswered, Fault::Rcpw})
            if (often(random)) p.faults.push_back(f);
        if (rarely(random)) {
            p.faults.push_back(random() % 2 ? Fault::Stall : Fault::HangUp);
            p.ticks = 3 * kTicksPerSecond;
        }
        total += p.ticks;
        phases.push_back(p);
    }
    return phases;
}

std::string uniquePath(std::string_view what) {
    static int count = 0;
    return (std::filesystem::temp_directory_path() /
            ("tavrin-soak-" + std::to_string(getpid()) + "-" + std::to_string(++count) + std::string(what)))
        .string();
}

sim::SimOptions simOptions(const std::string& linkPath, std::uint32_t seed) {
    sim::SimOptions o;
    o.linkPath = linkPath;
    o.seed = seed;
    if (std::getenv("TAVRIN_SOAK_TRACE") != nullptr) o.trace = &std::cerr;
    return o;
}

constexpr auto& kRadioGroups = protocol::kSettingsShownAs<protocol::Control::Radios>;
constexpr auto& kLists = protocol::kSettingsShownAs<protocol::Control::List>;  // Preset No. goes alone
constexpr std::string_view kQueries[] = {"?D3", "?PS", "?BR", "?ST", "?TMOD", "?TI", "?Ak"};

class Soak {
public:
    explicit Soak(std::uint32_t seed)
        : seed_(seed), random_(seed), sim_(simOptions(linkPath_, seed), now_), com_(kCom, linkPath_) {
        core_.attachMainWindow(log_, displays_);
        core_.attachEditorView(view_);
        view_.onShowModal = [this] { modal(); };
        view_.savePath = presetFile_;
        view_.openPath = presetFile_;
    }
    ~Soak() { std::filesystem::remove(presetFile_); }

    void run() {
        ASSERT_TRUE(sim_.ok()) << sim_.error();
        session_.ResetPresetRecord();
        link_.changePort(kCom);
        phases_ = schedule(random_);
        while (!scheduleDone_ && !failed_) step();
        if (!failed_) finish();
        std::cout << summary() << std::endl;
    }

private:
    // ---- Faults ---------------------------------------------------------------------------

    // The phases follow the simulated clock, also while the editor runs its nested ticks.
    void nextPhase() {
        if (phaseIndex_ > 0) end();
        if (phaseIndex_ == phases_.size()) {
            scheduleDone_ = true;
            finishing_ = true;  // the operator closes the editor and leaves the main window alone
            return;
        }
        const Phase& phase = phases_[phaseIndex_++];
        begin(phase);
        phaseEnd_ = ticks_ + phase.ticks;
    }

    void begin(const Phase& phase) {
        std::string names;
        for (Fault f : phase.faults) names += std::string(names.empty() ? "" : ", ") + name(f);
        phaseName_ = names.empty() ? "no faults" : names;
        sim::ProtocolFaults protocol;
        for (Fault f : phase.faults) {
            switch (f) {
            case Fault::Noise: sim_.setNoise(0.2); break;
            case Fault::Split: sim_.setSplitReplies(true); break;
            case Fault::Naks: protocol.nakEvery = 3 + static_cast<int>(random_() % 5); break;
            case Fault::Unanswered:
                protocol.ignoredQueries.insert(std::string(kQueries[below(std::ssize(kQueries))]));
                break;
            case Fault::Rcpw: protocol.answerRcpw = true; break;
            case Fault::Stall: sim_.setStopReading(true); break;
            case Fault::HangUp: sim_.hangUp(); break;
            }
        }
        sim_.recorder().faults() = protocol;
    }

    void end() {
        sim_.setNoise(0);
        sim_.setSplitReplies(false);
        sim_.recorder().faults() = {};
        sim_.setStopReading(false);
        if (sim_.hungUp()) {
            EXPECT_TRUE(sim_.comeBack()) << sim_.error();
        }
    }

    bool lineDown() const { return sim_.hungUp() || sim_.stopReading(); }

    // ---- The loop -------------------------------------------------------------------------

    // One 20 ms tick: the simulator answers what has come and sends what is due, the kernel
    // passes it on, the receive tick takes it (perhaps showing the editor, whose ticks then
    // run nested in here), the invariants are checked, the operator may act.
    void step() {
        if (++ticks_ > kTickBudget) fail("the run did not end; an editor that never goes away?");
        if (failed_) return;
        if (!scheduleDone_ && ticks_ >= phaseEnd_) nextPhase();
        now_ += kTick;
        sim_.step(now_);
        std::this_thread::sleep_for(100us);
        link_.RxTimerTimer();
        (void)view_.takeJournal();  // only what the view shows now matters here
        afterTick();
        if (failed_) return;
        act();
        checkInvariants();
    }

    bool transferPending() const { return session_.transferPending(); }

    void afterTick() {
        const bool heard = port_.reads != readsSeen_;
        readsSeen_ = port_.reads;
        const auto logged = std::min<std::size_t>(log_.lines.size(), log_.inserted - loggedSeen_);
        for (std::size_t i = 0; i < logged; ++i)
            if (startsAReRead(log_.lines[i])) quietPendingTicks_ = 0;
        loggedSeen_ = log_.inserted;
        quietPendingTicks_ = transferPending() && !heard ? quietPendingTicks_ + 1 : 0;
        if (quietPendingTicks_ > preset::PresetSession::kRecoveryTicks)
            fail("a transfer stayed pending past the recovery time-out");
        checkInvariants();
    }

    void checkInvariants() {
        if (failed_) return;
        const preset::PresetTransfer& t = session_.transfer();
        std::string broken = recordViolation(store_);
        if (broken.empty()) broken = linkStateViolation(link_.state());
        if (broken.empty() && !log_.unknown.empty())
            broken = "log line of no known form: " + log_.unknown.front();
        if (broken.empty() && !isTrackText(displays_.track)) broken = "track text " + displays_.track;
        if (broken.empty() && !isTimeText(displays_.time)) broken = "time text " + displays_.time;
        if (broken.empty() && (t.WriteStep < 0 || t.WriteStep > index(S::ID3)))
            broken = "write step out of range";
        if (broken.empty() && !t.EditorOpen && !t.ReadPending && !displays_.keysEnabled)
            broken = "the main window's keys stay off with no editor and no read";
        if (broken.empty() && t.EditorOpen && editor_.locked() && !transferPending())
            broken = "the editor stays locked with nothing pending";
        if (!broken.empty()) fail(broken);
    }

    void fail(const std::string& what) {
        if (failed_) return;
        failed_ = true;
        ADD_FAILURE() << what << "\n" << describe();
    }

    // What the run went through, so that a run that tested little shows up.
    std::string summary() const {
        auto count = [this](std::string_view start) {
            return std::count_if(log_.lines.begin(), log_.lines.end(),
                                 [start](const std::string& l) { return l.starts_with(start); });
        };
        std::ostringstream out;
        out << "seed " << seed_ << ": " << ticks_ / kTicksPerSecond << " simulated seconds, editor shown "
            << view_.showModalCalls << " times, " << count("->") << " commands logged, " << count("<-")
            << " replies echoed, " << count("<-invalid(NAK") << " NAKs echoed, " << count("connection error")
            << " connection errors, " << count("no answer from recorder") << " recoveries, "
            << count("com port number error") << " opens of a missing port, " << view_.invalidIdBoxes
            << " invalid IDs refused";
        return out.str();
    }

    // Where the run stands, for a failure message.
    std::string describe() const {
        const preset::PresetTransfer& t = session_.transfer();
        const link::LinkState& state = link_.state();
        std::ostringstream out;
        out << "  at simulated second " << ticks_ / kTicksPerSecond << " in the phase \"" << phaseName_
            << "\"\n"
            << "  recorder state " << testing::PrintToString(state.recorder.state) << (state.linkUp ? ", link up" : ", link down")
            << (sim_.recorder().poweredOn() ? "" : ", simulator in standby") << "\n"
            << "  transfer: read " << t.ReadPending << " editor " << t.EditorOpen << " select "
            << t.SelectPending << " default " << t.DefaultPending << " write " << t.WriteRunning << " step "
            << t.WriteStep << (editor_.locked() ? ", editor locked" : "") << "\n  newest log lines:";
        for (std::size_t i = 0; i < std::min<std::size_t>(log_.lines.size(), 12); ++i)
            out << "\n    " << log_.lines[i];
        return out.str();
    }

    // The editor shown modally from inside a tick: its ticks run in here until it goes away.
    void modal() {
        if (finalRead_) checkCleanRead();
        editor_.FormShow();
        while (view_.shown && !failed_) step();
    }

    // ---- The operator ---------------------------------------------------------------------

    bool chance(double p) { return std::bernoulli_distribution(p)(random_); }
    int below(int n) { return n <= 0 ? 0 : static_cast<int>(random_() % static_cast<unsigned>(n)); }

    void act() {
        if (ticks_ < nextAction_) return;
        nextAction_ = ticks_ + 3 + below(40);
        if (view_.shown)
            actInEditor();
        else if (displays_.keysEnabled)
            actInMainWindow();
    }

    void actInMainWindow() {
        if (finishing_) return;
        const link::LinkState& state = link_.state();
        // While the line is stalled every write waits for its time-out: the operator waits too.
        if (lineDown() && !chance(0.05)) return;
        if (!state.linkUp) {
            link_.changePort(kCom);  // choosing the port again
            return;
        }
        if (state.recorder.state == protocol::RecorderState::Stop && chance(0.5)) {
            session_.PresetGate();
            return;
        }
        if (state.recorder.state == protocol::RecorderState::Standby && chance(0.5)) {
            link_.sendKey(Key::PowerOn);
            return;
        }
        const int what = below(10);
        if (what < 6) {
            Key key = protocol::kKeyCommands[static_cast<std::size_t>(below(std::ssize(protocol::kKeyCommands)))].key;
            if (key == Key::Standby && !chance(0.2)) key = Key::Stop;
            link_.sendKey(key);
        } else if (what < 8) {
            link_.sendKey(Key::Stop);
        } else if (what < 9) {
            session_.PresetGate();  // refused unless stopped
        } else {
            link_.requestTimeLogged();
        }
    }

    void actInEditor() {
        if (editor_.locked()) return;
        if (finishing_) {
            editor_.CloseKeyClick();
            return;
        }
        const int what = below(100);
        if (what < 35) {
            editor_.radioClicked(kRadioGroups[below(std::ssize(kRadioGroups))], below(4));
        } else if (what < 60) {
            const S list = kLists[below(std::ssize(kLists))];
            if (list != S::PresetNo && view_.isListEnabled(list))
                editor_.listChanged(list, below(static_cast<int>(view_.entries(list).size()) + 1) - 1);
        } else if (what < 66) {
            const S id = protocol::settingAt(index(S::ID1) + below(3));
            view_.typeId(id, chance(0.8) ? randomId() : "ab 1");
            editor_.IDSetKeyClick(id);
        } else if (what < 71) {
            editor_.PresetNoComboChange(below(3));
        } else if (what < 75) {
            editor_.DefaultKeyClick();
        } else if (what < 80) {
            editor_.LoadfromTAVRINClick();
        } else if (what < 86) {
            editor_.WritetoTAVRINClick();
        } else if (what < 89) {
            editor_.SaveasText1Click();
        } else if (what < 92) {
            editor_.Open1Click();
        } else {
            chance(0.5) ? editor_.CloseKeyClick() : editor_.EndPresetMenuClick();
        }
    }

    std::string randomId() {
        static constexpr std::string_view kCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        std::string id;
        for (int i = 0; i < protocol::kIdLength; ++i)
            id += kCharacters[static_cast<std::size_t>(below(static_cast<int>(kCharacters.size())))];
        return id;
    }

    // ---- The clean end --------------------------------------------------------------------

    bool waitFor(const std::function<bool()>& done, int seconds) {
        for (int i = 0; i < seconds * kTicksPerSecond && !done() && !failed_; ++i) step();
        return done();
    }

    // Faults off: the operator closes the editor, takes the recorder out of standby, stops it,
    // opens the editor with a clean read, checks it, writes the record back, checks that.
    void finish() {
        phaseName_ = "clean end";
        finishing_ = true;
        ASSERT_TRUE(waitFor([this] { return !view_.shown && displays_.keysEnabled; }, 10));
        link_.changePort(kCom);
        ASSERT_TRUE(waitFor([this] { return link_.state().linkUp; }, 5)) << describe();
        link_.sendKey(Key::PowerOn);
        link_.sendKey(Key::Stop);
        ASSERT_TRUE(waitFor([this] { return link_.state().recorder.state == protocol::RecorderState::Stop; }, 10))
            << describe();
        // Answers still on their way (a second stop report) would cut the read short.
        waitFor([] { return false; }, 1);
        ASSERT_EQ(link_.state().recorder.state, protocol::RecorderState::Stop) << describe();

        finalRead_ = true;
        finishing_ = false;
        nextAction_ = kTickBudget;  // the operator waits; the clean end drives the editor itself
        view_.onShowModal = [this] {
            checkCleanRead();
            editor_.FormShow();
            cleanWrite();
        };
        session_.PresetGate();
        ASSERT_TRUE(waitFor([this] { return cleanReadChecked_; }, 10)) << "the clean read did not complete\n"
                                                                        << describe();
        EXPECT_TRUE(cleanWriteChecked_);
    }

    void checkCleanRead() {
        finalRead_ = false;
        cleanReadChecked_ = true;
        const sim::PresetBank& bank = sim_.recorder().presets();
        EXPECT_EQ(store_.get(S::PresetNo), bank.selected());
        expectRecordHolds(bank.current(), "clean read");
        for (int i = 0; i < protocol::kSettingCount; ++i)
            EXPECT_TRUE(store_.isKnown(protocol::settingAt(i)))
                << protocol::kSettings[static_cast<std::size_t>(i)].name;
    }

    // Inside the editor: some changes, then "Write to TAVRIN"; its end refreshes the editor.
    void cleanWrite() {
        editor_.radioClicked(S::PlayMode, below(4));
        editor_.listChanged(S::SSkipLevel, below(9));
        view_.typeId(S::ID2, randomId());
        editor_.IDSetKeyClick(S::ID2);
        editor_.WritetoTAVRINClick();
        if (!waitFor([this] { return !editor_.locked(); }, 5)) return;
        for (int i = 0; i < kTicksPerSecond; ++i) step();  // the last command's acknowledgement
        expectRecordHolds(sim_.recorder().presets().current(), "clean write");
        cleanWriteChecked_ = true;
        editor_.CloseKeyClick();
    }

    void expectRecordHolds(const sim::Preset& preset, std::string_view what) {
        for (int i = index(S::InputSelect); i < protocol::kSettingCount; ++i) {
            const S s = protocol::settingAt(i);
            const std::string_view name = protocol::kSettings[static_cast<std::size_t>(i)].name;
            if (protocol::isId(s))
                EXPECT_EQ(store_.id(s), preset.id(s)) << what << ": " << name;
            else
                EXPECT_EQ(store_.get(s), preset.value(s)) << what << ": " << name;
        }
    }

    std::uint32_t seed_;
    std::mt19937 random_;
    std::string linkPath_ = uniquePath("-com2");
    std::string presetFile_ = uniquePath("-preset.txt");
    sim::TimePoint now_ = sim::SimClock::now();
    sim::RecorderSim sim_;
    ScopedComPort com_;
    platform::SerialPort serialPort_;
    CountingPort port_{serialPort_};  // the recovery time-out counts ticks without a byte read
    FakeLog log_;
    FakeDisplays displays_;
    FixedClock clock_;
    app::Core core_{port_, clock_};
    link::Link& link_ = core_.link();
    preset::PresetStore& store_ = core_.store();
    preset::PresetSession& session_ = core_.session();
    preset::PresetEditor& editor_ = core_.editor();
    FakeEditorView view_;

    std::vector<Phase> phases_;
    std::size_t phaseIndex_ = 0;
    int phaseEnd_ = 0;
    bool scheduleDone_ = false;
    std::string phaseName_;
    int ticks_ = 0;
    int nextAction_ = 0;
    int quietPendingTicks_ = 0;
    long readsSeen_ = 0;
    long loggedSeen_ = 0;
    bool failed_ = false;
    bool finishing_ = false;
    bool finalRead_ = false;
    bool cleanReadChecked_ = false;
    bool cleanWriteChecked_ = false;
};

std::vector<std::uint32_t> seeds() {
    std::vector<std::uint32_t> s = {1, 2, 3};
    if (const char* extra = std::getenv("TAVRIN_SOAK_SEED"))
        s.push_back(static_cast<std::uint32_t>(std::strtoul(extra, nullptr, 10)));
    return s;
}

class SoakAgainstFaultyRecorder : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(SoakAgainstFaultyRecorder, InvariantsHoldAndACleanReadAndWriteMatchTheRecorder) {
    const std::string seed = std::to_string(GetParam());
    SCOPED_TRACE("seed " + seed + " (rerun alone with TAVRIN_SOAK_SEED=" + seed + ")");
    Soak(GetParam()).run();
}

INSTANTIATE_TEST_SUITE_P(Seeds, SoakAgainstFaultyRecorder, ::testing::ValuesIn(seeds()),
                         [](const auto& info) { return "seed" + std::to_string(info.param); });

}  // namespace
}  // namespace tavrin::test
