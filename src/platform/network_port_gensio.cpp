#include "platform/network_port.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <gensio/gensio.h>
#include <gensio/sergensio.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/gensio_loop.h"
#include "platform/network_name.h"
#include "platform/write_deadlines.h"

namespace tavrin::platform {

namespace {

using Clock = std::chrono::steady_clock;

// About what a serial driver queues: a write beyond it finds no room, as on a serial port.
constexpr std::size_t kMostQueuedOutput = 4096;
// Input the program has not read yet; beyond it the connection stops reading until it has.
constexpr std::size_t kMostHeldInput = 4096;
// A server that turns a connection away says so in one short line and closes.
constexpr std::size_t kLongestRefusal = 128;
constexpr std::string_view kPortInUse = "Port already in use";
constexpr std::string_view kDeviceOpenFailure = "Device open failure";
constexpr std::string_view kNotANetworkName = "not a name of the form tcp://HOST:PORT or rfc2217://HOST:PORT";

OpenResult failure(OpenError error, std::string_view reason, int code = 0) {
    return {error, code, std::string(reason)};
}

// What a server that closes a new connection at once meant by it.
OpenResult refusal(std::string_view said) {
    if (said.size() <= kLongestRefusal && said.ends_with("\r\n")) {
        const std::string_view line = said.substr(0, said.size() - 2);
        if (line.starts_with(kDeviceOpenFailure)) return failure(OpenError::NoSuchPort, line);
        if (!line.empty()) return failure(OpenError::Busy, line);
    }
    // The telnet open can lose the race against the server's line and its close.
    return failure(OpenError::Busy, "the server closed the connection at once");
}

// The socket under a connection, found among the process's descriptors by its local port and
// its peer: the library offers no handle on it.
int socketOf(gensio* io) {
    char localPort[16] = "";
    gensiods length = sizeof localPort;
    if (gensio_control(io, GENSIO_CONTROL_DEPTH_FIRST, GENSIO_CONTROL_GET, GENSIO_CONTROL_LPORT, localPort,
                       &length) != 0)
        return -1;
    sockaddr_storage peer{};
    gensiods peerLength = sizeof peer;
    if (gensio_control(io, GENSIO_CONTROL_DEPTH_FIRST, GENSIO_CONTROL_GET, GENSIO_CONTROL_RADDR_BIN,
                       reinterpret_cast<char*>(&peer), &peerLength) != 0)
        return -1;
    const int wantedPort = std::atoi(localPort);
    const auto portOf = [](const sockaddr_storage& a) {
        return a.ss_family == AF_INET6 ? ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port)
                                       : ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port);
    };
    DIR* descriptors = opendir("/proc/self/fd");
    if (descriptors == nullptr) return -1;
    int found = -1;
    while (const dirent* entry = readdir(descriptors)) {
        if (entry->d_name[0] == '.') continue;
        const int fd = std::atoi(entry->d_name);
        sockaddr_storage mine{}, theirs{};
        socklen_t mineLength = sizeof mine, theirsLength = sizeof theirs;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&mine), &mineLength) != 0 ||
            getpeername(fd, reinterpret_cast<sockaddr*>(&theirs), &theirsLength) != 0)
            continue;
        const bool samePeer = theirsLength == peerLength && std::memcmp(&theirs, &peer, peerLength) == 0;
        if (portOf(mine) == wantedPort && samePeer) {
            found = fd;
            break;
        }
    }
    closedir(descriptors);
    return found;
}

// A peer that vanished without closing (a pulled cable) is given up in seconds, not hours.
void tuneSocket(gensio* io) {
    const int fd = socketOf(io);
    if (fd < 0) return;
    const int on = 1;
    const int idle = NetworkPort::kKeepAliveIdleSeconds;
    const int interval = NetworkPort::kKeepAliveIntervalSeconds;
    const int probes = NetworkPort::kKeepAliveProbes;
    const int userTimeout = static_cast<int>(NetworkPort::kUserTimeout.count());
    (void)setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
}

// The answers to the line settings are not waited on (a server whose device is a
// pseudo-terminal never answers DTR and RTS), so nothing is done with them.
void lineSettingAnswered(sergensio*, int, unsigned int, void*) {}

// The recorder's line: 9600 8N1, RTS/CTS flow control, DTR and RTS on. All requests go out
// together.
void setLine(gensio* io) {
    sergensio* line = gensio_to_sergensio(io);
    if (line == nullptr) return;
    if (sergensio_baud(line, 9600, lineSettingAnswered, nullptr) != 0) return;  // no COM port option
    (void)sergensio_datasize(line, 8, lineSettingAnswered, nullptr);
    (void)sergensio_parity(line, SERGENSIO_PARITY_NONE, lineSettingAnswered, nullptr);
    (void)sergensio_stopbits(line, 1, lineSettingAnswered, nullptr);
    (void)sergensio_flowcontrol(line, SERGENSIO_FLOWCONTROL_RTS_CTS, lineSettingAnswered, nullptr);
    (void)sergensio_dtr(line, SERGENSIO_DTR_ON, lineSettingAnswered, nullptr);
    (void)sergensio_rts(line, SERGENSIO_RTS_ON, lineSettingAnswered, nullptr);
}

struct SocketAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
};

// Looked up here, not by the library: it asks for addresses of configured families only, and
// a machine whose only IPv4 address is loopback then finds not even 127.0.0.1.
std::vector<SocketAddress> lookUp(const std::string& host, int& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    error = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    std::vector<SocketAddress> addresses;
    if (error != 0) return addresses;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) || a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        SocketAddress entry;
        std::memcpy(&entry.address, a->ai_addr, a->ai_addrlen);
        entry.length = a->ai_addrlen;
        addresses.push_back(entry);
    }
    freeaddrinfo(found);
    return addresses;
}

// The addresses as the library's address list, tried in order; nothing when one cannot be made.
gensio_addr* libraryAddresses(gensio_os_funcs* os, const std::vector<SocketAddress>& addresses,
                              std::uint16_t port) {
    gensio_addr* all = nullptr;
    for (const SocketAddress& a : addresses) {
        gensio_addr* one = nullptr;
        int error = 0;
        if (a.address.ss_family == AF_INET) {
            const auto& v4 = reinterpret_cast<const sockaddr_in&>(a.address);
            error = gensio_addr_create(os, GENSIO_NETTYPE_IPV4, &v4.sin_addr, sizeof v4.sin_addr, port, &one);
        } else {
            // The whole sockaddr_in6, so that a link-local address keeps its zone.
            error = gensio_addr_create(os, GENSIO_NETTYPE_IPV6, &a.address, sizeof(sockaddr_in6), port, &one);
        }
        if (error != 0) break;
        if (all == nullptr) {
            all = one;
            continue;
        }
        gensio_addr* both = gensio_addr_cat(all, one);
        gensio_addr_free(all);
        gensio_addr_free(one);
        all = both;
        if (all == nullptr) break;
    }
    return all;
}

}  // namespace

struct NetworkPort::Resolved {
    std::string host;
    std::vector<SocketAddress> addresses;
};

// One connection, from the open to the close. The library calls back into it from the loop;
// once it is gone, the library's object has no owner and its late callbacks do nothing.
class NetworkPort::Connection {
public:
    enum class Phase : std::uint8_t { Connecting, AwaitingRefusal, Open, Lost, Failed };

    Connection(GensioLoop& loop, bool rfc2217) : loop_(loop), rfc2217_(rfc2217) {}
    ~Connection() { release(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Starts connecting; the library's error when it cannot even begin.
    int start(const std::vector<SocketAddress>& addresses, std::uint16_t port) {
        gensio_os_funcs* os = loop_.os();
        gensio_addr* all = libraryAddresses(os, addresses, port);
        if (all == nullptr) return GE_NOMEM;
        static const char* const kTcpArguments[] = {"nodelay", nullptr};
        static const char* const kTelnetArguments[] = {"rfc2217", nullptr};
        gensio* tcp = nullptr;
        // Under telnet, the filter on top gets the events.
        gensio_event events = rfc2217_ ? nullptr : onEvent;
        int error = gensio_terminal_alloc("tcp", all, kTcpArguments, os, events, this, &tcp);
        gensio_addr_free(all);  // the connection keeps a copy of its own
        if (error != 0) return error;
        if (rfc2217_) {
            error = gensio_filter_alloc("telnet", tcp, kTelnetArguments, os, onEvent, this, &io_);
            if (error != 0) {
                gensio_free(tcp);
                return error;
            }
        } else {
            io_ = tcp;
        }
        started_ = Clock::now();
        error = gensio_open(io_, onOpenDone, nullptr);
        if (error != 0) release();
        return error;
    }

    Phase phase() const { return phase_; }
    const OpenResult& failureResult() const { return failure_; }

    void tick(Clock::time_point now) {
        switch (phase_) {
        case Phase::Connecting:
            if (now - started_ >= kConnectTimeLimit)
                fail(failure(OpenError::NoSuchPort, "no connection within 5 s"));
            break;
        case Phase::AwaitingRefusal:
            if (now >= refusalWaitEnds_) {
                phase_ = Phase::Open;
                early_.clear();  // said before anybody asked: not an answer to the program
            }
            break;
        case Phase::Open:
            if (deadlines_.overdue(out_.size(), now)) {
                timedOut_ = true;
                dropOutput();
            }
            break;
        case Phase::Lost:
        case Phase::Failed: break;
        }
    }

    std::size_t write(std::span<const std::uint8_t> bytes) {
        if (phase_ != Phase::Open || out_.size() + bytes.size() > kMostQueuedOutput) return 0;
        out_.insert(out_.end(), bytes.begin(), bytes.end());
        deadlines_.taken(bytes.size(), Clock::now());
        flush();
        return phase_ == Phase::Open ? bytes.size() : 0;
    }

    std::size_t held() const { return phase_ == Phase::Open ? in_.size() : 0; }

    std::size_t read(std::span<std::uint8_t> dest) {
        const std::size_t n = std::min(held(), dest.size());
        std::copy_n(in_.begin(), n, dest.begin());
        in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(n));
        if (readingPaused_ && in_.size() < kMostHeldInput / 2) pauseReading(false);
        return n;
    }

    void purge() {
        in_.clear();
        dropOutput();
        if (readingPaused_) pauseReading(false);
    }

    bool takeTimedOut() { return std::exchange(timedOut_, false); }

private:
    static int onEvent(gensio* io, void* user, int event, int error, unsigned char* buffer, gensiods* length,
                       const char* const*) {
        auto* self = static_cast<Connection*>(user);
        switch (event) {
        case GENSIO_EVENT_READ:
            // *length left as it is: everything taken.
            if (self) self->received(error, {buffer, error != 0 ? 0 : static_cast<std::size_t>(*length)});
            return 0;
        case GENSIO_EVENT_WRITE_READY:
            if (self)
                self->flush();
            else
                gensio_set_write_callback_enable(io, false);
            return 0;
        case GENSIO_EVENT_SER_MODEMSTATE:  // CTS, DSR and CD as the server reports them
        case GENSIO_EVENT_SER_LINESTATE: return 0;
        default: return GE_NOTSUP;
        }
    }

    static void onOpenDone(gensio* io, int error, void*) {
        if (auto* self = static_cast<Connection*>(gensio_get_user_data(io))) self->opened(error);
    }

    void opened(int error) {
        if (error != 0) {
            fail(error == GE_REMCLOSE ? refusal({})
                                      : failure(OpenError::NoSuchPort, gensio_err_to_str(error), error));
            return;
        }
        phase_ = Phase::AwaitingRefusal;
        refusalWaitEnds_ = Clock::now() + kRefusalWait;
        gensio_set_read_callback_enable(io_, true);
        tuneSocket(io_);
        if (rfc2217_) setLine(io_);
    }

    void received(int error, std::span<const std::uint8_t> bytes) {
        if (error != 0) {
            if (phase_ == Phase::Open)
                lose();
            else
                fail(refusal({reinterpret_cast<const char*>(early_.data()), early_.size()}));
            return;
        }
        if (phase_ != Phase::Open) {
            if (early_.size() <= kLongestRefusal) early_.insert(early_.end(), bytes.begin(), bytes.end());
            return;
        }
        in_.insert(in_.end(), bytes.begin(), bytes.end());
        if (in_.size() >= kMostHeldInput) pauseReading(true);
    }

    // Hands the library what it takes now; the rest waits for its "ready to write".
    void flush() {
        while (!out_.empty() && phase_ == Phase::Open) {
            gensiods taken = 0;
            if (gensio_write(io_, &taken, out_.data(), out_.size(), nullptr) != 0) {
                lose();
                return;
            }
            if (taken == 0) break;
            out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(taken));
        }
        if (io_) gensio_set_write_callback_enable(io_, !out_.empty());
    }

    void pauseReading(bool pause) {
        readingPaused_ = pause;
        if (io_) gensio_set_read_callback_enable(io_, !pause);
    }

    void dropOutput() {
        out_.clear();
        deadlines_.clear();
        if (io_) gensio_set_write_callback_enable(io_, false);
    }

    void lose() {
        phase_ = Phase::Lost;
        in_.clear();
        dropOutput();
        release();
    }

    void fail(OpenResult why) {
        phase_ = Phase::Failed;
        failure_ = std::move(why);
        release();
    }

    void release() {
        if (io_) loop_.dispose(std::exchange(io_, nullptr));
    }

    GensioLoop& loop_;
    const bool rfc2217_;
    gensio* io_ = nullptr;
    Phase phase_ = Phase::Connecting;
    OpenResult failure_;
    Clock::time_point started_;
    Clock::time_point refusalWaitEnds_;
    std::vector<std::uint8_t> early_;  // what came before the connection counted as open
    std::vector<std::uint8_t> in_;
    std::vector<std::uint8_t> out_;
    WriteDeadlines deadlines_;
    bool timedOut_ = false;
    bool readingPaused_ = false;
};

NetworkPort::NetworkPort() : loop_(GensioLoop::instance()) {}

NetworkPort::~NetworkPort() { close(); }

// A host name is looked up once: a lookup blocks while the name server does not answer, and
// the retries after a lost connection must not hold up the window every second.
OpenResult NetworkPort::open(const std::string& name) {
    close();
    const std::optional<NetworkAddress> address = parseNetworkName(name);
    if (!address) {
        openResult_ = failure(OpenError::NoSuchPort, kNotANetworkName);
        return openResult_;
    }
    if (!resolved_ || resolved_->host != address->host) {
        int error = 0;
        std::vector<SocketAddress> addresses = lookUp(address->host, error);
        if (addresses.empty()) {
            openResult_ = failure(OpenError::NoSuchPort, error != 0 ? gai_strerror(error) : "no addresses");
            return openResult_;
        }
        resolved_ = std::make_unique<Resolved>(Resolved{address->host, std::move(addresses)});
    }
    auto connection =
        std::make_unique<Connection>(loop_, address->protocol == NetworkAddress::Protocol::Rfc2217);
    if (const int error = connection->start(resolved_->addresses, address->port); error != 0)
        return openResult_ = failure(OpenError::Other, gensio_err_to_str(error), error);
    connection_ = std::move(connection);
    return openResult_ = {};
}

void NetworkPort::close() {
    if (connection_ && connection_->phase() == Connection::Phase::Failed)
        openResult_ = connection_->failureResult();
    connection_.reset();
}

PortState NetworkPort::state() const {
    if (!connection_) return PortState::Closed;
    switch (connection_->phase()) {
    case Connection::Phase::Connecting:
    case Connection::Phase::AwaitingRefusal: return PortState::Opening;
    case Connection::Phase::Open: return PortState::Open;
    case Connection::Phase::Lost: return PortState::Lost;
    case Connection::Phase::Failed: break;
    }
    return PortState::Closed;
}

OpenResult NetworkPort::openResult() const {
    if (connection_ && connection_->phase() == Connection::Phase::Failed) return connection_->failureResult();
    return openResult_;
}

void NetworkPort::service() {
    loop_.pump();
    if (connection_) connection_->tick(Clock::now());
}

void NetworkPort::purge() {
    if (connection_) connection_->purge();
}

std::size_t NetworkPort::bytesWaiting() { return connection_ ? connection_->held() : 0; }

std::size_t NetworkPort::readAvailable(std::span<std::uint8_t> dest) {
    return connection_ ? connection_->read(dest) : 0;
}

std::size_t NetworkPort::write(std::span<const std::uint8_t> bytes) {
    return connection_ ? connection_->write(bytes) : 0;
}

bool NetworkPort::writeTimedOut() { return connection_ && connection_->takeTimedOut(); }

}  // namespace tavrin::platform
