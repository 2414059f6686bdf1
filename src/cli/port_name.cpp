#include "cli/port_name.h"

#include <charconv>

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

// HOST:PORT, the host a name or an address ("[::1]" for IPv6), the port 1 to 65535.
std::string checkHostAndPort(std::string_view rest) {
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string_view::npos) return "needs HOST:PORT";
    const std::string_view host = rest.substr(0, colon);
    const auto port = number(rest.substr(colon + 1));
    if (host.empty() || host == "[]") return "has no host before the port";
    if (host.find_first_of("/ ") != std::string_view::npos) return "has no valid host";
    if (!port || *port < 1 || *port > 65535) return "needs a TCP port from 1 to 65535";
    return {};
}

}  // namespace

ParsedPort parsePortName(std::string_view text) {
    ParsedPort parsed;
    const auto fail = [&](std::string why) {
        parsed.error = "port '" + std::string(text) + "' " + why;
        return parsed;
    };
    if (text.empty()) return fail("is empty");
    PortAddress address{PortAddress::Kind::Device, std::string(text), std::string(text)};
    if (const std::size_t scheme = text.find("://"); scheme != std::string_view::npos) {
        const std::string_view kind = text.substr(0, scheme);
        if (kind == "tcp")
            address.kind = PortAddress::Kind::Tcp;
        else if (kind == "rfc2217")
            address.kind = PortAddress::Kind::Rfc2217;
        else
            return fail("is of an unknown kind (ports are device paths, COM<n>, tcp:// or rfc2217://)");
        if (std::string why = checkHostAndPort(text.substr(scheme + 3)); !why.empty()) return fail(why);
    } else if (text.starts_with("COM") && isDigits(text.substr(3))) {
        const auto n = number(text.substr(3));
        if (!n || *n < 1 || *n > kHighestComPort) return fail("is outside COM1 to COM256");
        address.name = platform::comPortName(*n);
    }
    parsed.address = std::move(address);
    return parsed;
}

std::unique_ptr<platform::Port> openPortNamed(const PortAddress& address) {
    switch (address.kind) {
    case PortAddress::Kind::Device: {
        auto port = std::make_unique<platform::SerialPort>();
        (void)port->open(address.name);
        return port;
    }
    case PortAddress::Kind::Tcp:
    case PortAddress::Kind::Rfc2217: break;  // network ports come with the network build
    }
    return nullptr;
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
