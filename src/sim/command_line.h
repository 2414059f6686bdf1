#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sim/recorder_sim.h"

namespace tavrin::sim {

// The options of tavrin-recorder-sim.
struct CommandLine {
    SimOptions sim;
    bool trace = false;
    bool help = false;
    bool version = false;
    std::optional<double> stopReadingAfter;  // seconds after the start
    std::optional<double> hangUpAfter;       // seconds after the start
    std::optional<double> comeBackAfter;     // seconds after a hang-up
};

struct ParsedCommandLine {
    CommandLine options;
    std::string error;  // empty when the arguments were good
};

// The arguments after the program name.
ParsedCommandLine parseCommandLine(std::span<const std::string_view> args);

std::string usage();

}  // namespace tavrin::sim
