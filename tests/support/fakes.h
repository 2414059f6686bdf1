#pragma once

// Stand-ins for the windows, the port and the clock, shared by the tests, the fuzz targets
// and the benchmark. Free of GoogleTest.

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "link/views.h"
#include "platform/clock.h"
#include "platform/port.h"
#include "support/printers.h"

namespace tavrin::test {

// A port whose far end is the test: bytes written are kept, bytes to read are queued.
class FakePort final : public platform::Port {
public:
    using Port::open;
    platform::OpenResult open(const std::string& name) override;
    void close() override;
    platform::PortState state() const override;
    platform::OpenResult openResult() const override { return openReturns; }
    void service() override {}
    void purge() override;
    std::size_t bytesWaiting() override;
    std::size_t readAvailable(std::span<std::uint8_t> dest) override;
    std::size_t write(std::span<const std::uint8_t> bytes) override;
    bool writeTimedOut() override { return std::exchange(timeOutWrites, false); }

    // Queues bytes for the next read; each call is one chunk the tick may see at once, and
    // no read takes bytes of two chunks.
    void receive(std::string_view bytes);
    // Everything written since the last call, as one string.
    std::string takeWritten();
    // Every write since the last call, one entry per write.
    std::vector<std::string> takeWrites();

    platform::OpenResult openReturns;   // what open() returns
    std::size_t writeLimit = SIZE_MAX;  // a write returns at most this many bytes
    bool timeOutWrites = false;         // the next service finds the bytes taken stuck
    bool isOpen = false;
    bool opensOpening = false;  // a good open leaves the port Opening, as a network connection...
    bool opening = false;       // ...until the test clears this
    bool lost = false;
    int opens = 0;
    std::string openedName;
    int purges = 0;
    int closes = 0;
    long reads = 0;  // reads that took at least one byte

private:
    std::deque<std::string> incoming_;
    std::vector<std::string> writes_;
};

// A real port with counters: what went through it, and when the last acknowledgement came.
class CountingPort final : public platform::Port {
public:
    explicit CountingPort(platform::Port& port) : port_(port) {}

    using Port::open;
    platform::OpenResult open(const std::string& name) override { return port_.open(name); }
    void close() override { port_.close(); }
    platform::PortState state() const override { return port_.state(); }
    platform::OpenResult openResult() const override { return port_.openResult(); }
    void service() override { port_.service(); }
    bool writeTimedOut() override { return port_.writeTimedOut(); }
    void purge() override { port_.purge(); }
    std::size_t bytesWaiting() override { return port_.bytesWaiting(); }
    std::size_t readAvailable(std::span<std::uint8_t> dest) override;
    std::size_t write(std::span<const std::uint8_t> bytes) override;

    long reads = 0;  // reads that took at least one byte
    std::size_t bytesIn = 0;
    std::size_t bytesOut = 0;
    std::chrono::steady_clock::time_point lastAckAt;  // of a read that began with ACK

private:
    platform::Port& port_;
};

// The main window's message log: its lines, newest first, and every line of no form the
// program writes.
class FakeLog final : public link::MessageLog {
public:
    void insertLine(std::string_view text) override;
    void clear() override { lines.clear(); }
    const std::string& top() const;

    std::vector<std::string> lines;
    std::vector<std::string> unknown;
    long inserted = 0;  // Display Clear does not reset it
};

// The main window's displays and key controls; every text they may not show is kept.
class FakeDisplays final : public link::MainDisplays {
public:
    void setTrackText(std::string_view t) override;
    void setTimeText(std::string_view t) override;
    void setDispModeText(std::string_view t) override { dispMode = t; }
    void DisableKeyControls() override { keysEnabled = false; ++disableCalls; }
    void EnableKeyControls() override { keysEnabled = true; ++enableCalls; }

    std::string track, time, dispMode;
    std::vector<std::string> badTexts;
    bool keysEnabled = true;
    int disableCalls = 0;
    int enableCalls = 0;
};

class FixedClock final : public platform::Clock {
public:
    platform::TimeOfDay now() const override { return time; }
    platform::TimeOfDay time{9, 5, 30};
};

}  // namespace tavrin::test
