#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrin::platform {

// Where a serial device server (ser2net) offers a recorder's port on the network.
struct NetworkAddress {
    enum class Protocol : std::uint8_t {
        RawTcp,   // tcp://: the bytes as they are; the server's configuration sets the line
        Rfc2217,  // rfc2217://: telnet with the COM port option; the program sets the line
    };
    Protocol protocol = Protocol::RawTcp;
    std::string host;  // a name, an IPv4 address or an IPv6 address (without its brackets)
    std::uint16_t port = 0;
};

// Whether a port name asks for the network at all: it starts with "tcp://" or "rfc2217://".
bool isNetworkName(std::string_view name);

// "tcp://HOST:PORT" or "rfc2217://HOST:PORT", HOST a name, an IPv4 address or an IPv6 address
// in brackets ("[::1]"), PORT 1 to 65535. Nothing when the name is malformed.
std::optional<NetworkAddress> parseNetworkName(std::string_view name);

}  // namespace tavrin::platform
