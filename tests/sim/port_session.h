#pragma once

// The program's real serial port on the simulator's terminal, both driven from the test's
// own loop: no threads, every wait has a deadline.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/serial_port.h"
#include "sim/recorder_sim.h"
#include "support/pty.h"

namespace tavrin::test {

class PortSession {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kCom = 2;

    explicit PortSession(sim::SimOptions options = {}) : sim(std::move(options)), com(kCom, sim.devicePath()) {}

    bool open() { return sim.ok() && port.open(kCom).ok(); }

    std::size_t send(std::string_view frame) {
        return port.write({reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()});
    }

    // Steps the simulator and reads the port, a read of up to 32 bytes at a time as the
    // receive tick does, until `done` says so or the time-out passes. Returns every read.
    std::vector<std::string> readsUntil(const std::function<bool(const std::string&)>& done,
                                        std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        std::vector<std::string> reads;
        std::string all;
        while (!done(all) && Clock::now() < deadline) {
            sim.step(Clock::now());
            std::uint8_t chunk[32];
            const std::size_t n = port.readAvailable(chunk);
            if (n > 0) {
                reads.emplace_back(chunk, chunk + n);
                all += reads.back();
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds{300});
            }
        }
        return reads;
    }

    // Everything read until `ending` has come (or the time-out passed).
    std::string receiveUntil(std::string_view ending,
                             std::chrono::milliseconds timeout = std::chrono::seconds{2}) {
        return join(readsUntil([ending](const std::string& s) { return s.ends_with(ending); }, timeout));
    }

    // Everything read in the given time.
    std::string receiveFor(std::chrono::milliseconds duration) {
        return join(readsUntil([](const std::string&) { return false; }, duration));
    }

    static std::string join(const std::vector<std::string>& reads) {
        std::string all;
        for (const std::string& r : reads) all += r;
        return all;
    }

    sim::RecorderSim sim;
    ScopedComPort com;
    platform::SerialPort port;
};

}  // namespace tavrin::test
