#pragma once

// What the fuzz targets share: a broken invariant aborts with its reason (libFuzzer then
// keeps the input as a crash), and the input is read from the front, a byte at a time, so
// that a seed file reads like the steps it stands for.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

namespace tavrin::test {

[[noreturn]] inline void invariantBroken(std::string_view what) {
    std::fprintf(stderr, "invariant broken: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

inline void check(bool holds, std::string_view what) {
    if (!holds) invariantBroken(what);
}

// Empty when the check passed, else the reason: the form the shared invariants return.
inline void check(const std::string& violation) {
    if (!violation.empty()) invariantBroken(violation);
}

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool empty() const { return position_ >= data_.size(); }
    // 0 once the input is used up.
    std::uint8_t byte() { return empty() ? 0 : data_[position_++]; }
    // A value from 0 to count - 1.
    int pick(int count) { return count <= 0 ? 0 : byte() % count; }
    std::string bytes(std::size_t count) {
        const std::size_t n = std::min(count, data_.size() - std::min(position_, data_.size()));
        std::string out(reinterpret_cast<const char*>(data_.data()) + position_, n);
        position_ += n;
        return out;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};

}  // namespace tavrin::test
