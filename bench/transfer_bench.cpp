// tavrin-bench: how long a whole preset read and a whole preset write take at line rate.
//
// The core runs as in the program: the real serial port, a 20 ms receive tick on the wall
// clock, the preset transfers, a headless editor that is shown modally when the read ends
// (the write then runs in ticks nested inside it, as in the program). The recorder simulator
// is in the same process on its own pseudo-terminal, paced at 9600 bit/s, and is stepped
// between the ticks. Each transfer is timed from its first command to its end (the read: the
// editor shown; the write: the editor unlocked after the last command, and the last
// acknowledgement read) and set beside the time its bytes need on the line.
//
// Prints one line per figure, "name<TAB>value", for scripts/bench.sh.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/core.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "sim/recorder_sim.h"
#include "support/fake_editor_view.h"
#include "support/fakes.h"

namespace {

namespace sim = tavrin::sim;
namespace test = tavrin::test;
using tavrin::protocol::RecorderState;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
using namespace std::chrono_literals;

constexpr int kCom = 2;
constexpr auto kTick = 20ms;
constexpr int kRuns = 5;
constexpr double kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr double kBitRate = 9600;

double lineMs(std::size_t bytes) { return static_cast<double>(bytes) * kBitsPerByte / kBitRate * 1000; }

struct Figures {
    std::vector<double> readMs, writeMs;
    std::size_t readOut = 0, readIn = 0, writeOut = 0, writeIn = 0;
};

class Bench {
public:
    Bench() : sim_(sim::SimOptions{}) {
        core_.attachMainWindow(log_, displays_);
        core_.attachEditorView(view_);
        view_.onShowModal = [this] { timeTheWrite(); };
    }

    bool start() {
        if (!sim_.ok()) {
            std::fprintf(stderr, "tavrin-bench: %s\n", sim_.error().c_str());
            return false;
        }
        setenv(("TAVRIN_COM" + std::to_string(kCom)).c_str(), sim_.devicePath().c_str(), 1);
        core_.start();
        if (!runUntil([this] { return link().state().recorder.state == RecorderState::Stop; }, 3s))
            return false;
        idle(500ms);  // the polls' answers settle
        return true;
    }

    bool measure(Figures& f) {
        const std::size_t out0 = port_.bytesOut, in0 = port_.bytesIn;
        readStart_ = Clock::now();
        shown_ = false;
        core_.PresetKeyClick();
        // The read ends by showing the editor; the write runs inside it, and closing it
        // returns here.
        if (!runUntil([this] { return shown_; }, 5s)) return false;
        f.readMs.push_back(readMs_);
        f.writeMs.push_back(writeMs_);
        f.readOut = readOut_ - out0;
        f.readIn = readIn_ - in0;
        f.writeOut = writeOut_;
        f.writeIn = writeIn_;
        // Closing sends the status request; let its answer come before the next read.
        idle(500ms);
        return writeOk_ && link().state().recorder.state == RecorderState::Stop;
    }

private:
    tavrin::link::Link& link() { return core_.link(); }
    tavrin::preset::PresetEditor& editor() { return core_.editor(); }

    // The read has ended and the editor is shown: the write is timed from in here.
    void timeTheWrite() {
        readMs_ = Ms(Clock::now() - readStart_).count();
        readOut_ = port_.bytesOut;
        readIn_ = port_.bytesIn;
        shown_ = true;
        editor().FormShow();

        const std::size_t out0 = port_.bytesOut, in0 = port_.bytesIn;
        const auto start = Clock::now();
        editor().WritetoTAVRINClick();
        writeOk_ = runUntil([this] { return !editor().locked(); }, 5s);
        const auto unlockedAt = Clock::now();
        writeMs_ = Ms(unlockedAt - start).count();
        // The editor unlocks on the last acknowledgement, in the tick that reads it.
        writeOk_ = writeOk_ && port_.lastAckAt > start;
        writeOut_ = port_.bytesOut - out0;
        writeIn_ = port_.bytesIn - in0;
        editor().CloseKeyClick();
    }

    void idle(Clock::duration d) { (void)runUntil([] { return false; }, d); }

    // Steps the simulator continuously and ticks every 20 ms of the wall clock.
    bool runUntil(const std::function<bool()>& done, Clock::duration limit) {
        const auto deadline = Clock::now() + limit;
        while (!done()) {
            const auto now = Clock::now();
            if (now > deadline) return false;
            sim_.step(now);
            if (now >= nextTick_) {
                nextTick_ = std::max(nextTick_ + kTick, now);
                core_.tick();
            }
            std::this_thread::sleep_for(200us);
        }
        return true;
    }

    sim::RecorderSim sim_;
    tavrin::platform::SerialPort serialPort_;
    test::CountingPort port_{serialPort_};
    test::FakeLog log_;
    test::FakeDisplays displays_;
    test::FakeEditorView view_;
    tavrin::platform::SystemClock clock_;
    tavrin::app::Core core_{port_, clock_};
    Clock::time_point nextTick_ = Clock::now();
    Clock::time_point readStart_;
    bool shown_ = false, writeOk_ = false;
    double readMs_ = 0, writeMs_ = 0;
    std::size_t readOut_ = 0, readIn_ = 0, writeOut_ = 0, writeIn_ = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void print(const char* name, double value) { std::printf("%s\t%.0f\n", name, value); }

}  // namespace

int main() {
    Bench bench;
    if (!bench.start()) {
        std::fprintf(stderr, "tavrin-bench: the simulator did not report its status\n");
        return 1;
    }
    Figures f;
    for (int i = 0; i < kRuns; ++i) {
        if (!bench.measure(f)) {
            std::fprintf(stderr, "tavrin-bench: run %d of the read and write did not complete\n", i + 1);
            return 1;
        }
    }
    print("runs", kRuns);
    print("read_ms_median", median(f.readMs));
    print("read_ms_max", *std::max_element(f.readMs.begin(), f.readMs.end()));
    print("read_bytes_out", static_cast<double>(f.readOut));
    print("read_bytes_in", static_cast<double>(f.readIn));
    print("read_line_ms_out", lineMs(f.readOut));
    print("read_line_ms_in", lineMs(f.readIn));
    print("write_ms_median", median(f.writeMs));
    print("write_bytes_out", static_cast<double>(f.writeOut));
    print("write_bytes_in", static_cast<double>(f.writeIn));
    print("write_line_ms", lineMs(f.writeOut + f.writeIn));
    return 0;
}
