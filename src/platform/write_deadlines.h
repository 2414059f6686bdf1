#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>

namespace tavrin::platform {

// The bytes a port has taken and by when they have to have left it: 10 ms a byte plus 1560 ms
// for each write, the time-out a recorder holding CTS low runs into.
class WriteDeadlines {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::milliseconds kPerByte{10};
    static constexpr std::chrono::milliseconds kPerWrite{1560};

    void taken(std::size_t count, Clock::time_point now);
    // Whether some bytes are past their deadline, given how many of all those taken are still
    // queued. Bytes that have left are forgotten.
    bool overdue(std::size_t stillQueued, Clock::time_point now);
    bool empty() const { return writes_.empty(); }
    void clear();

private:
    struct Write {
        Clock::time_point deadline;
        std::uint64_t end;  // the count of all bytes taken up to and with this write
    };
    std::deque<Write> writes_;
    std::uint64_t taken_ = 0;
};

}  // namespace tavrin::platform
