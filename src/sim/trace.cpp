#include "sim/trace.h"

#include <cstdio>

#include "protocol/frames.h"

namespace tavrin::sim {

std::string readable(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == protocol::kCR) {
            text += "<CR>";
        } else if (c == '\n') {
            text += "<LF>";
        } else if (byte == protocol::kACK) {
            text += "<ACK>";
        } else if (byte == protocol::kNAK) {
            text += "<NAK>";
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<0x%02X>", byte);
            text += hex;
        }
    }
    return text;
}

std::string traceLine(std::chrono::milliseconds sinceStart, Direction direction, std::string_view bytes) {
    const long long ms = sinceStart.count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%5lld.%03lld ", ms / 1000, ms % 1000);
    return stamp + std::string(direction == Direction::FromProgram ? "prog> " : " sim> ") + readable(bytes);
}

}  // namespace tavrin::sim
