#pragma once

#include <string>
#include <string_view>

namespace tavrin::link {

inline constexpr char kCR = 0x0D;
inline constexpr unsigned char kACK = 0x06;
inline constexpr unsigned char kNAK = 0x15;

// "@0" + body + CR: everything the program says to the recorder.
std::string commandFrame(std::string_view body);

// "->" + the frame without its CR + " (" + name + ")": a logged command's text.
std::string commandLogText(std::string_view body, std::string_view name);

// The 39-character log line: the text, blanks up to column 26, HH:MM:SS, five blanks.
struct TimeOfDay;
std::string commandLogLine(std::string_view text, const TimeOfDay& time);

// The reply echo: "<-" + the text with every CR shown as "c".
std::string replyEcho(std::string_view text);

}  // namespace tavrin::link
