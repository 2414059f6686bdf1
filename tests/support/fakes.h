#pragma once

// Fakes of the windows, the port and the clock, for headless tests of the core.

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "link/port.h"
#include "link/views.h"

namespace tavrin::test {

// A port whose far end is the test: bytes written are kept, bytes to read are queued.
class FakePort final : public link::Port {
public:
    link::OpenResult open(int portNumber) override;
    void close() override;
    void purge() override;
    std::size_t bytesWaiting() override;
    std::size_t readAvailable(std::span<std::uint8_t> dest) override;
    std::size_t write(std::span<const std::uint8_t> bytes) override;

    // Queues bytes for the next read; each call is one chunk the tick may see at once.
    void receive(std::string_view bytes);
    // Everything written since the last call, as one string.
    std::string takeWritten();
    // Every write since the last call, one entry per write.
    std::vector<std::string> takeWrites();

    link::OpenResult openResult;           // what open() returns
    std::size_t writeLimit = SIZE_MAX;     // a write returns at most this many bytes
    bool isOpen = false;
    int openedPort = -1;
    int purges = 0;
    int closes = 0;

private:
    std::string incoming_;
    std::vector<std::string> writes_;
};

class FakeLog final : public link::MessageLog {
public:
    void insertLine(std::string_view text) override { lines.insert(lines.begin(), std::string(text)); }
    void clear() override { lines.clear(); }
    const std::string& top() const;
    std::vector<std::string> lines;  // newest first
};

class FakeDisplays final : public link::MainDisplays {
public:
    void setTrackText(std::string_view t) override { track = t; }
    void setTimeText(std::string_view t) override { time = t; }
    void setDispModeText(std::string_view t) override { dispMode = t; }
    void DisableKeyControls() override { keysEnabled = false; ++disableCalls; }
    void EnableKeyControls() override { keysEnabled = true; ++enableCalls; }

    std::string track, time, dispMode;
    bool keysEnabled = true;
    int disableCalls = 0;
    int enableCalls = 0;
};

class FixedClock final : public link::Clock {
public:
    link::TimeOfDay now() const override { return time; }
    link::TimeOfDay time{9, 5, 30};
};

}  // namespace tavrin::test
