#include "platform/any_port.h"

#include "platform/network_name.h"
#include "platform/serial_port.h"
#ifndef _WIN32
#include "platform/network_port.h"
#endif

namespace tavrin::platform {

namespace {

std::unique_ptr<Port> portOf(bool network) {
#ifndef _WIN32
    if (network) return std::make_unique<NetworkPort>();
#else
    (void)network;
#endif
    return std::make_unique<SerialPort>();
}

}  // namespace

AnyPort::AnyPort() : port_(portOf(false)) {}

AnyPort::~AnyPort() = default;

OpenResult AnyPort::open(const std::string& name) {
    const Kind wanted = isNetworkName(name) ? Kind::Network : Kind::Serial;
    unsupported_ = {};
    if (wanted != kind_) {
        port_->close();
        port_ = portOf(wanted == Kind::Network);
        kind_ = wanted;
    }
#ifdef _WIN32
    if (wanted == Kind::Network) {
        constexpr int kNotSupported = 50;  // ERROR_NOT_SUPPORTED
        port_->close();
        unsupported_ = {OpenError::Other, kNotSupported, "network ports are not supported in this build"};
        return unsupported_;
    }
#endif
    return port_->open(name);
}

OpenResult AnyPort::openResult() const { return unsupported_.ok() ? port_->openResult() : unsupported_; }

}  // namespace tavrin::platform
