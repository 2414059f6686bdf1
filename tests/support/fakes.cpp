#include "support/fakes.h"

#include <algorithm>
#include <utility>

#include "protocol/frames.h"
#include "support/core_invariants.h"

namespace tavrin::test {

platform::OpenResult FakePort::open(const std::string& name) {
    openedName = name;
    ++opens;
    isOpen = openReturns.ok();
    opening = isOpen && opensOpening;
    lost = false;
    return openReturns;
}

platform::PortState FakePort::state() const {
    if (!isOpen) return platform::PortState::Closed;
    if (opening) return platform::PortState::Opening;
    return lost ? platform::PortState::Lost : platform::PortState::Open;
}

void FakePort::close() {
    ++closes;
    isOpen = false;
}

void FakePort::purge() {
    ++purges;
    incoming_.clear();
}

std::size_t FakePort::bytesWaiting() { return isOpen && !incoming_.empty() ? incoming_.front().size() : 0; }

std::size_t FakePort::readAvailable(std::span<std::uint8_t> dest) {
    if (!isOpen || incoming_.empty()) return 0;
    std::string& chunk = incoming_.front();
    const std::size_t n = std::min(dest.size(), chunk.size());
    std::copy_n(chunk.begin(), n, dest.begin());
    chunk.erase(0, n);
    if (chunk.empty()) incoming_.pop_front();
    ++reads;
    return n;
}

std::size_t FakePort::write(std::span<const std::uint8_t> bytes) {
    if (state() != platform::PortState::Open) return 0;
    const std::size_t n = std::min(bytes.size(), writeLimit);
    writes_.emplace_back(reinterpret_cast<const char*>(bytes.data()), n);
    return n;
}

void FakePort::receive(std::string_view bytes) {
    if (!bytes.empty()) incoming_.emplace_back(bytes);
}

std::string FakePort::takeWritten() {
    std::string all;
    for (const std::string& w : writes_) all += w;
    writes_.clear();
    return all;
}

std::vector<std::string> FakePort::takeWrites() { return std::exchange(writes_, {}); }

std::size_t CountingPort::readAvailable(std::span<std::uint8_t> dest) {
    const std::size_t n = port_.readAvailable(dest);
    if (n == 0) return 0;
    ++reads;
    bytesIn += n;
    if (dest[0] == protocol::kACK) lastAckAt = std::chrono::steady_clock::now();
    return n;
}

std::size_t CountingPort::write(std::span<const std::uint8_t> bytes) {
    const std::size_t n = port_.write(bytes);
    bytesOut += n;
    return n;
}

void FakeLog::insertLine(std::string_view text) {
    lines.insert(lines.begin(), std::string(text));
    ++inserted;
    if (!isKnownLogLine(text)) unknown.emplace_back(text);
}

const std::string& FakeLog::top() const {
    static const std::string none;
    return lines.empty() ? none : lines.front();
}

void FakeDisplays::setTrackText(std::string_view t) {
    track = t;
    if (!isTrackText(t)) badTexts.push_back("track " + track);
}

void FakeDisplays::setTimeText(std::string_view t) {
    time = t;
    if (!isTimeText(t)) badTexts.push_back("time " + time);
}

}  // namespace tavrin::test
