#include "platform/network_name.h"

#include <algorithm>
#include <charconv>

namespace tavrin::platform {

namespace {

constexpr std::string_view kTcpScheme = "tcp://";
constexpr std::string_view kRfc2217Scheme = "rfc2217://";
constexpr std::size_t kLongestHostName = 253;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isAsciiAlnum(char c) { return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Letters, digits, dots, hyphens and underscores: host names and IPv4 addresses. Nothing that
// the network library would read as part of its own stack description (commas, parentheses).
bool isHostName(std::string_view host) {
    return !host.empty() && host.size() <= kLongestHostName && host.front() != '.' && host.front() != '-' &&
           std::all_of(host.begin(), host.end(),
                       [](char c) { return isAsciiAlnum(c) || c == '.' || c == '-' || c == '_'; });
}

// Hex digits and colons, perhaps an IPv4 tail ("::ffff:10.0.0.1") and a zone ("%eth0").
bool isIpv6Address(std::string_view host) {
    const std::size_t zone = host.find('%');
    const std::string_view address = host.substr(0, zone);
    if (address.find(':') == std::string_view::npos) return false;
    const bool addressOk = std::all_of(address.begin(), address.end(), [](char c) {
        return isHexDigit(c) || c == ':' || c == '.';
    });
    if (!addressOk) return false;
    if (zone == std::string_view::npos) return true;
    const std::string_view name = host.substr(zone + 1);
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return isAsciiAlnum(c) || c == '.' || c == '-' || c == '_';
    });
}

std::optional<std::uint16_t> portNumber(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool whole = !text.empty() && error == std::errc{} && end == text.data() + text.size();
    if (!whole || value < 1 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

bool isNetworkName(std::string_view name) {
    return name.starts_with(kTcpScheme) || name.starts_with(kRfc2217Scheme);
}

std::optional<NetworkAddress> parseNetworkName(std::string_view name) {
    NetworkAddress address;
    if (name.starts_with(kTcpScheme)) {
        name.remove_prefix(kTcpScheme.size());
    } else if (name.starts_with(kRfc2217Scheme)) {
        name.remove_prefix(kRfc2217Scheme.size());
        address.protocol = NetworkAddress::Protocol::Rfc2217;
    } else {
        return std::nullopt;
    }
    std::string_view host;
    std::string_view port;
    if (name.starts_with('[')) {
        const std::size_t close = name.find(']');
        if (close == std::string_view::npos || name.substr(close + 1, 1) != ":") return std::nullopt;
        host = name.substr(1, close - 1);
        port = name.substr(close + 2);
        if (!isIpv6Address(host)) return std::nullopt;
    } else {
        const std::size_t colon = name.rfind(':');
        if (colon == std::string_view::npos) return std::nullopt;
        host = name.substr(0, colon);
        port = name.substr(colon + 1);
        if (!isHostName(host)) return std::nullopt;
    }
    const auto number = portNumber(port);
    if (!number) return std::nullopt;
    address.host = host;
    address.port = *number;
    return address;
}

}  // namespace tavrin::platform
