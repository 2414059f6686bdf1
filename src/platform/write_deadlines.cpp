#include "platform/write_deadlines.h"

#include <algorithm>

namespace tavrin::platform {

void WriteDeadlines::taken(std::size_t count, Clock::time_point now) {
    if (count == 0) return;
    taken_ += count;
    writes_.push_back({now + kPerByte * static_cast<long long>(count) + kPerWrite, taken_});
}

bool WriteDeadlines::overdue(std::size_t stillQueued, Clock::time_point now) {
    const std::uint64_t left = taken_ - std::min<std::uint64_t>(stillQueued, taken_);
    while (!writes_.empty() && writes_.front().end <= left) writes_.pop_front();
    return !writes_.empty() && now >= writes_.front().deadline;
}

void WriteDeadlines::clear() {
    writes_.clear();
    taken_ = 0;
}

}  // namespace tavrin::platform
