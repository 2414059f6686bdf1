#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace tavrin::sim {

// Line bytes made readable: printable ASCII as it is, CR as "<CR>", LF as "<LF>", ACK and
// NAK as "<ACK>" and "<NAK>", any other byte as "<0xNN>".
std::string readable(std::string_view bytes);

enum class Direction { FromProgram, ToProgram };

// One trace line: seconds since the start with milliseconds, who sent, the bytes.
//   "   12.345 prog> @0?ST<CR>"   "   12.346  sim> @0STST<CR>"
std::string traceLine(std::chrono::milliseconds sinceStart, Direction direction, std::string_view bytes);

}  // namespace tavrin::sim
