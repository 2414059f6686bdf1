#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"

namespace tavrin::link {

// "->" + the frame without its CR + " (" + name + ")": a logged command's text.
std::string commandLogText(std::string_view body, std::string_view name);

// The 39-character log line: the text, blanks up to column 26, HH:MM:SS, five blanks.
std::string commandLogLine(std::string_view text, const platform::TimeOfDay& time);

// The reply echo: "<-" + the text with every CR shown as "c".
std::string replyEcho(std::string_view text);

}  // namespace tavrin::link
