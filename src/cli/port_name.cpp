#include "cli/port_name.h"

#include <charconv>

#include "platform/any_port.h"
#include "platform/network_name.h"
#include "platform/serial_port.h"

namespace tavrin::cli {

namespace {

constexpr int kHighestComPort = 256;

std::optional<int> number(std::string_view digits) {
    int n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return n;
}

bool isDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

ParsedPort parsePortName(std::string_view text) {
    ParsedPort parsed;
    const auto fail = [&](std::string why) {
        parsed.error = "port '" + std::string(text) + "' " + why;
        return parsed;
    };
    if (text.empty()) return fail("is empty");
    PortAddress address{std::string(text), std::string(text)};
    if (text.find("://") != std::string_view::npos) {
        if (!platform::isNetworkName(text))
            return fail("is of an unknown kind (ports are device paths, COM<n>, tcp:// or rfc2217://)");
        if (!platform::parseNetworkName(text))
            return fail("is not HOST:PORT with a host name, an IPv4 address or [an IPv6 address], "
                        "and a TCP port from 1 to 65535");
    } else if (text.starts_with("COM") && isDigits(text.substr(3))) {
        const auto n = number(text.substr(3));
        if (!n || *n < 1 || *n > kHighestComPort) return fail("is outside COM1 to COM256");
        address.name = platform::comPortName(*n);
    }
    parsed.address = std::move(address);
    return parsed;
}

std::unique_ptr<platform::Port> openPortNamed(const PortAddress& address) {
    auto port = std::make_unique<platform::AnyPort>();
    (void)port->open(address.name);
    return port;
}

std::string fileNameFor(std::string_view pattern, std::string_view port) {
    std::string safe(port);
    for (char& c : safe) {
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!alnum) c = '_';
    }
    std::string name;
    for (std::size_t at = 0;;) {
        const std::size_t found = pattern.find(kPortPlaceholder, at);
        name += pattern.substr(at, found - at);
        if (found == std::string_view::npos) return name;
        name += safe;
        at = found + kPortPlaceholder.size();
    }
}

}  // namespace tavrin::cli
