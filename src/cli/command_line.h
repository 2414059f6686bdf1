#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/port_name.h"
#include "protocol/keys.h"

namespace tavrin::cli {

enum class Command {
    Status,
    Key,
    Keys,
    PresetRead,
    PresetWrite,
    PresetDiff,
    PresetSelect,
    PresetDefault,
    Watch
};

// What one run of tavrinctl does, on every port.
struct Invocation {
    std::vector<PortAddress> ports;  // COM2 when none is given
    bool json = false;
    bool verbose = false;
    std::chrono::milliseconds timeout{2000};  // for each answer

    Command command = Command::Status;
    std::vector<protocol::Key> keys;                   // key
    std::optional<int> preset;                         // --preset N or select N: 1 to 3
    std::string file;                                  // preset write FILE, preset diff FILE
    std::string output;                                // preset read -o; "-" or empty: standard output
    std::string backup;                                // preset write --backup
    bool verify = false;                               // preset write --verify
    std::optional<std::chrono::milliseconds> seconds;  // watch --seconds

    bool help = false;
    bool version = false;

    bool fleet() const { return ports.size() > 1; }
};

struct ParsedInvocation {
    Invocation invocation;
    std::string error;  // one line naming what is wrong; empty when the arguments were good
};

// The arguments after the program name. Options may stand before or after the command;
// "--" ends them.
ParsedInvocation parseCommandLine(std::span<const std::string_view> args);

std::string usage();  // the synopsis printed under a usage error
std::string help();   // --help

}  // namespace tavrin::cli
