#pragma once

#include <memory>
#include <string>

#include "platform/port.h"

namespace tavrin::platform {

// The port a program talks to the recorder through, of the kind its name asks for, chosen
// again at every open: "tcp://HOST:PORT" and "rfc2217://HOST:PORT" open a NetworkPort (a
// serial device server on the network), every other name a SerialPort (a device path, COM<n>
// on Windows). The windows and the command line tool both use this one class; a program holds
// one AnyPort per recorder and opens it by name.
//
// Windows builds have no network ports: such a name fails with OpenError::Other and a reason
// that says so.
class AnyPort final : public Port {
public:
    AnyPort();
    ~AnyPort() override;
    AnyPort(const AnyPort&) = delete;
    AnyPort& operator=(const AnyPort&) = delete;

    using Port::open;
    OpenResult open(const std::string& name) override;
    void close() override { port_->close(); }
    PortState state() const override { return port_->state(); }
    OpenResult openResult() const override;
    void service() override { port_->service(); }
    void purge() override { port_->purge(); }
    std::size_t bytesWaiting() override { return port_->bytesWaiting(); }
    std::size_t readAvailable(std::span<std::uint8_t> dest) override { return port_->readAvailable(dest); }
    std::size_t write(std::span<const std::uint8_t> bytes) override { return port_->write(bytes); }
    bool writeTimedOut() override { return port_->writeTimedOut(); }
    int waitHandle() const override { return port_->waitHandle(); }

private:
    enum class Kind : std::uint8_t { Serial, Network };

    Kind kind_ = Kind::Serial;
    std::unique_ptr<Port> port_;
    OpenResult unsupported_;  // the open of a network name in a build without network ports
};

}  // namespace tavrin::platform
