#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "protocol/frames.h"

namespace tavrin::protocol {

// Cuts the recorder's reply lines, "@" to CR, out of the byte stream one read at a time.
// A line may arrive over several reads; bytes outside lines (noise, a line feed) are
// skipped. Pure: bytes in, lines out.
class LineAssembler {
public:
    static constexpr std::size_t kReadSize = 32;     // one receive tick reads at most this much
    static constexpr std::size_t kBufferSize = 512;  // a line that outgrows it is dropped

    // Places one read and hands every line it completes to onLine, from its "@" up to but
    // not including its CR, in order. A read that starts with ACK or NAK (which the caller
    // takes) or with "@" starts the buffer afresh; so does a read that would not fit behind
    // an unfinished line. A zero byte ends the scan: what stands before it stays unfinished.
    template <class OnLine>
    void take(std::span<const std::uint8_t> read, OnLine&& onLine) {
        std::array<std::uint8_t, kReadSize> chunk{};  // zero past the bytes read
        std::copy_n(read.begin(), std::min(read.size(), kReadSize), chunk.begin());
        const std::size_t start = place(chunk);
        scan(start + kReadSize, onLine);
    }

    // Bytes of an unfinished line at the start of the buffer.
    std::size_t pendingLength() const { return pending_; }

private:
    std::size_t place(const std::array<std::uint8_t, kReadSize>& chunk) {
        std::size_t start = pending_;
        std::span<const std::uint8_t> bytes = chunk;
        if (chunk[0] == kACK || chunk[0] == kNAK) {
            start = 0;
            bytes = bytes.subspan(1);
        } else if (chunk[0] == '@' || start + kReadSize > buffer_.size()) {
            start = 0;
        }
        std::fill_n(buffer_.begin() + static_cast<std::ptrdiff_t>(start), kReadSize, 0);
        std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(start));
        return start;
    }

    template <class OnLine>
    void scan(std::size_t length, OnLine& onLine) {
        pending_ = 0;
        for (std::size_t j = 0; j < length; ++j) {
            if (buffer_[j] != '@') continue;
            std::size_t k = j + 1;
            while (k < length && buffer_[k] != kCR && buffer_[k] != 0) ++k;
            if (k == length || buffer_[k] == 0) {
                std::memmove(buffer_.data(), buffer_.data() + j, k - j);
                pending_ = static_cast<std::uint16_t>(k - j);
                return;
            }
            onLine(std::span<const std::uint8_t>(buffer_).subspan(j, k - j));
            j = k;
        }
    }

    std::array<std::uint8_t, kBufferSize> buffer_{};
    std::uint16_t pending_ = 0;
};

}  // namespace tavrin::protocol
