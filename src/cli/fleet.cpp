#include "cli/fleet.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "cli/preset_files.h"
#include "cli/session.h"
#include "platform/termination.h"
#include "platform/port_waiter.h"
#include "protocol/frames.h"

namespace tavrin::cli {

namespace {

using namespace std::chrono_literals;

// The longest single wait: a signal that comes just before a wait is seen after it.
constexpr auto kLongestWait = 200ms;

int listKeys(Output& output) {
    for (const protocol::KeyCommand& key : protocol::kKeyCommands) {
        const std::string frame = "@0" + std::string(key.body);
        if (output.json()) {
            output.object(
                JsonObject().add("key", key.commandLineName).add("frame", frame).add("name", key.name));
            continue;
        }
        std::string line(key.commandLineName);
        line.resize(std::max<std::size_t>(line.size() + 1, 15), ' ');
        line += frame;
        line.resize(std::max<std::size_t>(line.size() + 1, 25), ' ');
        output.bytes(line + std::string(key.name) + "\n");
    }
    return exit_status::kOk;
}

std::chrono::milliseconds waitUntil(Clock::time_point wake, Clock::time_point now) {
    if (wake <= now) return 0ms;
    if (wake - now >= kLongestWait) return kLongestWait;
    return std::chrono::ceil<std::chrono::milliseconds>(wake - now);
}

}  // namespace

int run(const Invocation& invocation, Output& output) {
    if (invocation.command == Command::Keys) return listKeys(output);

    std::optional<PresetFile> file;
    if (invocation.command == Command::PresetWrite || invocation.command == Command::PresetDiff) {
        LoadedPresetFile loaded = loadPresetFile(invocation.file);
        if (!loaded.file) {
            output.error({}, loaded.error);
            if (output.json())
                output.object(JsonObject().add("error", loaded.error).add("status", exit_status::kFile));
            return exit_status::kFile;
        }
        file = std::move(loaded.file);
    }

    const platform::TerminationRequest termination;
    std::vector<std::unique_ptr<Session>> sessions;
    for (const PortAddress& port : invocation.ports)
        sessions.push_back(std::make_unique<Session>(port, invocation, file ? &*file : nullptr, output));
    for (auto& s : sessions) s->start(Clock::now());

    const auto allDone = [&] {
        return std::all_of(sessions.begin(), sessions.end(), [](auto& s) { return s->done(); });
    };
    std::vector<platform::Port*> ports;
    while (!allDone()) {
        if (const int signal = termination.signal(); signal != 0) {
            for (auto& s : sessions) s->interrupt(signal);
            break;
        }
        Clock::time_point wake = Clock::time_point::max();
        ports.clear();
        for (auto& s : sessions) {
            wake = std::min(wake, s->wakeAt());
            if (platform::Port* p = s->port()) ports.push_back(p);
        }
        platform::waitForPorts(ports, waitUntil(wake, Clock::now()));
        const Clock::time_point now = Clock::now();
        for (auto& s : sessions) s->step(now);
    }

    int status = exit_status::kOk;
    for (auto& s : sessions) status = std::max(status, s->status());
    return status;
}

}  // namespace tavrin::cli
