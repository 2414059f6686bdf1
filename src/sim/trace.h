#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "protocol/readable.h"

namespace tavrin::sim {

using protocol::readable;

enum class Direction { FromProgram, ToProgram };

// One trace line: seconds since the start with milliseconds, who sent, the bytes.
//   "   12.345 prog> @0?ST<CR>"   "   12.346  sim> @0STST<CR>"
std::string traceLine(std::chrono::milliseconds sinceStart, Direction direction, std::string_view bytes);

}  // namespace tavrin::sim
