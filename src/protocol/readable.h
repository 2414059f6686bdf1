#pragma once

#include <string>
#include <string_view>

namespace tavrin::protocol {

// Line bytes made readable: printable ASCII as it is, CR as "<CR>", LF as "<LF>", ACK and
// NAK as "<ACK>" and "<NAK>", any other byte as "<0xNN>".
std::string readable(std::string_view bytes);

}  // namespace tavrin::protocol
