#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/port.h"

namespace tavrin::platform {

class GensioLoop;

// A recorder's serial port offered on the network by a serial device server (ser2net), named
// "tcp://HOST:PORT" or "rfc2217://HOST:PORT" (see network_name.h). POSIX only.
//
// Everything happens on the calling thread: service() runs the network library's ready work
// without waiting, and waitForPorts waits on the connections in one blocking call.
//
// - open() returns at once; the port is Opening until the connection is up, and then for a
//   moment more, in which a server that turns the connection away ("Port already in use")
//   has its say. A connection not up within kConnectTimeLimit fails: NoSuchPort when the
//   name does not resolve or nothing listens, Busy when the server turns it away.
// - rfc2217: the port asks for 9600 bit/s, 8N1 and RTS/CTS flow control and raises DTR and
//   RTS, and waits on none of the answers. Telnet escaping is the library's.
// - A write is complete once the library took the bytes; what it could not take yet stays
//   queued here. Bytes still queued past their write deadline make writeTimedOut() true.
// - A connection closed or reset by the far end, or given up by TCP (keepalive probes or
//   output unacknowledged for kUserTimeout), makes the port Lost.
// - Bytes that arrive before the port is Open are thrown away, as a serial port flushes its
//   input on opening: a server hands on what the recorder said while nobody listened.
class NetworkPort final : public Port {
public:
    static constexpr std::chrono::seconds kConnectTimeLimit{5};
    // How long a new connection waits for the server's refusal before it counts as open.
    static constexpr std::chrono::milliseconds kRefusalWait{150};
    // A vanished peer is given up within about 10 s while output goes out (the user time-out)
    // and within 3 s + 3 probes 2 s apart while the line is idle.
    static constexpr std::chrono::milliseconds kUserTimeout{10000};
    static constexpr int kKeepAliveIdleSeconds = 3;
    static constexpr int kKeepAliveIntervalSeconds = 2;
    static constexpr int kKeepAliveProbes = 3;

    NetworkPort();
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    using Port::open;
    OpenResult open(const std::string& name) override;
    void close() override;
    PortState state() const override;
    OpenResult openResult() const override;
    void service() override;
    void purge() override;
    std::size_t bytesWaiting() override;
    std::size_t readAvailable(std::span<std::uint8_t> dest) override;
    std::size_t write(std::span<const std::uint8_t> bytes) override;
    bool writeTimedOut() override;
    // No descriptor of its own to offer (-1): waitForPorts waits on network ports through
    // the network library's loop.

    class Connection;  // one connection, from its open to its close

private:
    struct Resolved;   // the addresses a name resolved to last

    GensioLoop& loop_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<Resolved> resolved_;
    OpenResult openResult_;
};

}  // namespace tavrin::platform
