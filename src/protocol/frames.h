#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavrin::protocol {

inline constexpr char kCR = 0x0D;
inline constexpr unsigned char kACK = 0x06;
inline constexpr unsigned char kNAK = 0x15;

// "@0" + body + CR: everything the program says to the recorder.
std::string commandFrame(std::string_view body);

inline std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace tavrin::protocol
