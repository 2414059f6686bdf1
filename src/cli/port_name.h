#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/port.h"

namespace tavrin::cli {

// A port as the command line names it: a device path, COM<n> (the name comPortName gives it)
// or the address of a serial device server.
struct PortAddress {
    std::string given;  // as typed: what output lines are prefixed with
    std::string name;   // what the port is opened by
};

struct ParsedPort {
    std::optional<PortAddress> address;
    std::string error;  // why the text names no port
};

// "COM<n>" with n from 1 to 256; "tcp://HOST:PORT" and "rfc2217://HOST:PORT"; any other
// text without "://" is a device path.
ParsedPort parsePortName(std::string_view text);

// Every port the program uses is made and opened here. The port may still be Opening (a
// network connection) or have failed (its openResult() says why, also for a network name in a
// build without network ports).
std::unique_ptr<platform::Port> openPortNamed(const PortAddress& address);

// A file name for one port: "{port}" becomes the port as given, with every character other
// than a letter or a digit replaced by "_" ("/dev/ttyUSB0" gives "_dev_ttyUSB0").
std::string fileNameFor(std::string_view pattern, std::string_view port);
inline constexpr std::string_view kPortPlaceholder = "{port}";

}  // namespace tavrin::cli
