#include "protocol/readable.h"

#include <cstdio>

#include "protocol/frames.h"

namespace tavrin::protocol {

std::string readable(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == kCR) {
            text += "<CR>";
        } else if (c == '\n') {
            text += "<LF>";
        } else if (byte == kACK) {
            text += "<ACK>";
        } else if (byte == kNAK) {
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

}  // namespace tavrin::protocol
