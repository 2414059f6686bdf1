// tavrinctl-bench: how long tavrinctl takes, process start included, against recorder
// simulators paced at 9600 bit/s, beside the time its bytes need on the line:
//  - a whole preset read (the status request, then the 26 queries as one block);
//  - a whole preset write (the status request, then 25 commands, each after the last ACK);
//  - the same write on 8 simulators at once;
//  - tavrinctl status; and the most memory one run had resident.
// The simulators run in this process, each on its own pseudo-terminal, stepped whenever a
// byte arrives or one of theirs is due. They pace what they send; what tavrinctl sends reaches
// them at once, so the write's line time is set against the bytes both ways, as for the window.
//
// Prints one line per figure, "name<TAB>value", for scripts/bench-cli.sh.

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "protocol/setting_frames.h"
#include "sim/recorder.h"
#include "sim/recorder_sim.h"
#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;
namespace sim = tavrin::sim;
using tavrin::test::ChildProcess;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
using namespace std::chrono_literals;

constexpr int kRuns = 7;
constexpr int kFleet = 8;
constexpr double kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr double kBitRate = 9600;

double lineMs(std::size_t bytes) { return static_cast<double>(bytes) * kBitsPerByte / kBitRate * 1000; }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Run {
    double ms = 0;
    int status = -1;
    long peakKiB = 0;
};

class Bench {
public:
    explicit Bench(std::string program) : program_(std::move(program)) {
        for (int i = 0; i < kFleet; ++i) sims_.push_back(std::make_unique<sim::RecorderSim>());
    }

    bool ok() const {
        return std::all_of(sims_.begin(), sims_.end(), [](auto& s) { return s->ok(); });
    }

    // tavrinctl with the arguments on the first `count` simulators, timed from before it is
    // started until it has exited.
    Run run(std::vector<std::string> args, int count = 1) {
        for (int i = count - 1; i >= 0; --i) args.insert(args.begin(), {"-p", sims_[static_cast<std::size_t>(i)]->devicePath()});
        const auto start = Clock::now();
        ChildProcess ctl(program_, args);
        const auto deadline = start + 10s;
        while (!ctl.exited() && Clock::now() < deadline) serve(count);
        Run r{Ms(Clock::now() - start).count(), ctl.exitStatus(), ctl.peakResidentKiB()};
        if (r.status != 0) std::fprintf(stderr, "tavrinctl-bench: status %d: %s", r.status, ctl.err().c_str());
        return r;
    }

    sim::RecorderSim& sim(int i) { return *sims_[static_cast<std::size_t>(i)]; }

private:
    // Waits for a byte to arrive at a simulator or for one of theirs to be due (at most 1 ms,
    // so that the child's exit is seen soon), then steps them.
    void serve(int count) {
        std::vector<pollfd> fds;
        auto wait = 1ms;
        const auto now = Clock::now();
        for (int i = 0; i < count; ++i) {
            const sim::RecorderSim& s = *sims_[static_cast<std::size_t>(i)];
            fds.push_back({s.inputFd(), POLLIN, 0});
            wait = std::min(wait, s.timeUntilDue(now));
        }
        ::poll(fds.data(), fds.size(), static_cast<int>(wait.count()));
        for (int i = 0; i < count; ++i) sims_[static_cast<std::size_t>(i)]->step(Clock::now());
    }

    std::string program_;
    std::vector<std::unique_ptr<sim::RecorderSim>> sims_;
};

std::size_t bytes(const std::vector<std::string>& writes) {
    std::size_t n = 0;
    for (const std::string& w : writes) n += w.size();
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : std::string(TAVRIN_BINARY_DIR) + "/src/tavrinctl";
    Bench bench(program);
    if (!bench.ok()) {
        std::fprintf(stderr, "tavrinctl-bench: cannot open the simulators' pseudo-terminals\n");
        return 1;
    }
    const fs::path file = fs::temp_directory_path() / ("tavrinctl-bench-" + std::to_string(::getpid()) + ".txt");

    // A preset unlike the one written to: preset 3 of the simulators, read once untimed.
    if (bench.run({"preset", "read", "--preset", "3", "-o", file.string()}).status != 0) return 1;
    for (int i = 0; i < kFleet; ++i) bench.sim(i).recorder().presets().select(0);
    const std::vector<std::string> write = {"preset", "write", file.string()};

    // The bytes each command moves, from a twin of the recorder.
    sim::Recorder twin(Clock::now());
    const std::size_t statusIn = bytes(twin.receive("@0?ST\r", Clock::now()));
    const std::size_t readOut = 6 + tavrin::protocol::presetQueryBlock().size();
    const std::size_t readIn = statusIn + bytes(twin.receive(tavrin::protocol::presetQueryBlock(), Clock::now()));
    std::size_t writeOut = 6, writeIn = statusIn;
    {
        sim::Recorder writer(Clock::now());
        std::string text;
        std::FILE* f = std::fopen(file.c_str(), "rb");
        for (int c; f && (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
        if (f) std::fclose(f);
        // The value lines are the commands: "@0" up to and with the first CR of each.
        for (std::size_t at = 0; (at = text.find("\n@0", at)) != std::string::npos; ++at) {
            const std::string frame = text.substr(at + 1, text.find('\r', at) - at);
            writeOut += frame.size();
            writeIn += bytes(writer.receive(frame, Clock::now()));
        }
    }

    std::vector<double> readMs, writeMs, fleetMs, statusMs;
    long peakKiB = 0;
    for (int r = 0; r < kRuns; ++r) {
        const Run read = bench.run({"preset", "read", "-o", (file.string() + ".read")});
        const Run one = bench.run(write);
        const Run fleet = bench.run(write, kFleet);
        const Run status = bench.run({"status"});
        if (read.status || one.status || fleet.status || status.status) return 1;
        readMs.push_back(read.ms);
        writeMs.push_back(one.ms);
        fleetMs.push_back(fleet.ms);
        statusMs.push_back(status.ms);
        peakKiB = std::max({peakKiB, read.peakKiB, one.peakKiB, fleet.peakKiB, status.peakKiB});
    }
    fs::remove(file);
    fs::remove(file.string() + ".read");

    const double read = median(readMs), one = median(writeMs), fleet = median(fleetMs);
    std::printf("runs\t%d\n", kRuns);
    std::printf("read_ms\t%.0f\n", read);
    std::printf("read_bytes\t%zu / %zu\n", readOut, readIn);
    std::printf("read_line_ms\t%.0f\n", lineMs(readIn));
    std::printf("read_ratio\t%.2f\n", read / lineMs(readIn));
    std::printf("write_ms\t%.0f\n", one);
    std::printf("write_bytes\t%zu / %zu\n", writeOut, writeIn);
    std::printf("write_line_ms\t%.0f\n", lineMs(writeOut + writeIn));
    std::printf("write_ratio\t%.2f\n", one / lineMs(writeOut + writeIn));
    std::printf("write_answers_ms\t%.0f\n", lineMs(writeIn));
    std::printf("fleet_ms\t%.0f\n", fleet);
    std::printf("fleet_ratio\t%.2f\n", fleet / one);
    std::printf("status_ms\t%.0f\n", median(statusMs));
    std::printf("peak_mib\t%.1f\n", static_cast<double>(peakKiB) / 1024);
    return 0;
}
