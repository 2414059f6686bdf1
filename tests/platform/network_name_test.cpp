#include "platform/network_name.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tavrin::platform {
namespace {

using Protocol = NetworkAddress::Protocol;

struct NameRow {
    const char* what;
    const char* name;
    std::optional<NetworkAddress> address;  // nothing: malformed
};

class NetworkNameTest : public ::testing::TestWithParam<NameRow> {};

TEST_P(NetworkNameTest, ParsesWhatTheNetworkPortConnectsTo) {
    const NameRow& row = GetParam();
    const std::optional<NetworkAddress> parsed = parseNetworkName(row.name);
    ASSERT_EQ(parsed.has_value(), row.address.has_value());
    if (!parsed) return;
    EXPECT_EQ(parsed->protocol, row.address->protocol);
    EXPECT_EQ(parsed->host, row.address->host);
    EXPECT_EQ(parsed->port, row.address->port);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NetworkNameTest,
    ::testing::Values(
        NameRow{"Ipv4", "tcp://127.0.0.1:4001", NetworkAddress{Protocol::RawTcp, "127.0.0.1", 4001}},
        NameRow{"HostName", "rfc2217://rack-3.studio_b.example:2217",
                NetworkAddress{Protocol::Rfc2217, "rack-3.studio_b.example", 2217}},
        NameRow{"BracketedIpv6", "tcp://[::1]:65535", NetworkAddress{Protocol::RawTcp, "::1", 65535}},
        NameRow{"Ipv6WithZone", "rfc2217://[fe80::1%eth0]:1",
                NetworkAddress{Protocol::Rfc2217, "fe80::1%eth0", 1}},
        NameRow{"Ipv6WithoutBrackets", "tcp://::1:4001", std::nullopt},
        NameRow{"PortZero", "tcp://host:0", std::nullopt},
        NameRow{"PortTooLarge", "tcp://host:65536", std::nullopt},
        NameRow{"PortNotANumber", "tcp://host:http", std::nullopt},
        NameRow{"PortWithASign", "tcp://host:+4001", std::nullopt},
        NameRow{"NoPort", "tcp://host", std::nullopt},
        NameRow{"EmptyPort", "tcp://host:", std::nullopt},
        NameRow{"EmptyHost", "tcp://:4001", std::nullopt},
        NameRow{"ListSeparatorInHost", "tcp://a,b:4001", std::nullopt},
        NameRow{"ParenthesisInHost", "rfc2217://tcp(x):4001", std::nullopt},
        NameRow{"PathAfterPort", "tcp://host:4001/ttyS0", std::nullopt},
        NameRow{"UnclosedBracket", "tcp://[::1:4001", std::nullopt},
        NameRow{"OtherScheme", "telnet://host:23", std::nullopt},
        NameRow{"DevicePath", "/dev/ttyUSB0", std::nullopt}),
    [](const ::testing::TestParamInfo<NameRow>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace tavrin::platform
