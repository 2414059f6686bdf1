#include "support/fakes.h"

#include <algorithm>
#include <utility>

namespace tavrin::test {

link::OpenResult FakePort::open(int portNumber) {
    openedPort = portNumber;
    isOpen = openResult.ok();
    return openResult;
}

void FakePort::close() {
    ++closes;
    isOpen = false;
}

void FakePort::purge() {
    ++purges;
    incoming_.clear();
}

std::size_t FakePort::bytesWaiting() { return isOpen ? incoming_.size() : 0; }

std::size_t FakePort::readAvailable(std::span<std::uint8_t> dest) {
    if (!isOpen) return 0;
    const std::size_t n = std::min(dest.size(), incoming_.size());
    std::copy_n(incoming_.begin(), n, dest.begin());
    incoming_.erase(0, n);
    return n;
}

std::size_t FakePort::write(std::span<const std::uint8_t> bytes) {
    if (!isOpen) return 0;
    const std::size_t n = std::min(bytes.size(), writeLimit);
    writes_.emplace_back(reinterpret_cast<const char*>(bytes.data()), n);
    return n;
}

void FakePort::receive(std::string_view bytes) { incoming_ += bytes; }

std::string FakePort::takeWritten() {
    std::string all;
    for (const std::string& w : writes_) all += w;
    writes_.clear();
    return all;
}

std::vector<std::string> FakePort::takeWrites() { return std::exchange(writes_, {}); }

const std::string& FakeLog::top() const {
    static const std::string none;
    return lines.empty() ? none : lines.front();
}

}  // namespace tavrin::test
