#include "link/log_lines.h"

#include <algorithm>

#include "protocol/frames.h"

namespace tavrin::link {

namespace {
constexpr std::size_t kLogLineLength = 39;
constexpr std::size_t kTimeColumn = 26;
}  // namespace

std::string commandLogText(std::string_view body, std::string_view name) {
    std::string text = "->@0";
    text += body;
    text += " (";
    text += name;
    text += ')';
    return text;
}

std::string commandLogLine(std::string_view text, const platform::TimeOfDay& time) {
    std::string line(kLogLineLength, ' ');
    std::copy_n(text.begin(), std::min(text.size(), kTimeColumn), line.begin());
    auto put2 = [&line](std::size_t column, int value) {
        line[column] = static_cast<char>('0' + value / 10 % 10);
        line[column + 1] = static_cast<char>('0' + value % 10);
    };
    put2(kTimeColumn, time.hours);
    line[kTimeColumn + 2] = ':';
    put2(kTimeColumn + 3, time.minutes);
    line[kTimeColumn + 5] = ':';
    put2(kTimeColumn + 6, time.seconds);
    return line;
}

std::string replyEcho(std::string_view text) {
    std::string echo = "<-";
    echo += text;
    std::replace(echo.begin() + 2, echo.end(), protocol::kCR, 'c');
    return echo;
}

}  // namespace tavrin::link
