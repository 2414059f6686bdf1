#pragma once

// tavrinctl run as a child process on simulators that the test steps in its own loop, or on a
// pseudo-terminal the test plays the recorder on. No threads; every run has a deadline.

#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/recorder_sim.h"
#include "support/child_process.h"

namespace tavrin::test {

struct CtlRun {
    int status = -1;  // -1: it did not end in time and was killed
    std::string out;
    std::string err;
};

class CtlRig {
public:
    using Clock = std::chrono::steady_clock;

    static std::string program() { return std::string(TAVRIN_BINARY_DIR) + "/src/tavrinctl"; }

    // A simulator whose trace the rig keeps; paced at 9600 bit/s unless the options say not.
    sim::RecorderSim& addSim(sim::SimOptions options = {}) {
        traces_.push_back(std::make_unique<std::ostringstream>());
        options.trace = traces_.back().get();
        sims_.push_back(std::make_unique<sim::RecorderSim>(std::move(options)));
        return *sims_.back();
    }
    sim::RecorderSim& sim(std::size_t i = 0) { return *sims_[i]; }

    // Runs tavrinctl with the arguments, stepping every simulator and calling `each` (with the
    // program) until it exits.
    CtlRun run(const std::vector<std::string>& args, const std::function<void(ChildProcess&)>& each = {},
               std::chrono::milliseconds timeout = std::chrono::seconds{15}) {
        ChildProcess ctl(program(), args);
        const auto deadline = Clock::now() + timeout;
        while (ctl.started() && !ctl.exited() && Clock::now() < deadline) {
            for (auto& s : sims_) s->step(Clock::now());
            if (each) each(ctl);
            std::this_thread::sleep_for(std::chrono::microseconds{200});
        }
        ctl.collect();
        return {ctl.exitStatus(), ctl.out(), ctl.err()};
    }

    // What the program sent to simulator i, one entry per read of the simulator, made readable
    // ("@0?ST<CR>"); and every entry of its trace in order, sent ("> ...") and answered ("< ...").
    std::vector<std::string> sent(std::size_t i = 0) const { return entries(i, true); }
    std::vector<std::string> conversation(std::size_t i = 0) const { return entries(i, false); }

private:
    std::vector<std::string> entries(std::size_t i, bool sentOnly) const {
        std::vector<std::string> found;
        std::istringstream lines(traces_[i]->str());
        for (std::string line; std::getline(lines, line);) {
            const bool fromProgram = line.find(" prog> ") != std::string::npos;
            const std::size_t at = line.find(fromProgram ? " prog> " : "  sim> ");
            if (at == std::string::npos || (sentOnly && !fromProgram)) continue;
            const std::string bytes = line.substr(at + 7);
            found.push_back(sentOnly ? bytes : (fromProgram ? "> " : "< ") + bytes);
        }
        return found;
    }

    std::vector<std::unique_ptr<std::ostringstream>> traces_;
    std::vector<std::unique_ptr<sim::RecorderSim>> sims_;
};

}  // namespace tavrin::test
