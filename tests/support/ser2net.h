#pragma once

// A real ser2net in the foreground, started by the test: one connection on a free loopback
// port, its serial side a device path (the recorder simulator's pseudo-terminal, or the link
// to it), configured by a file written for it. Nothing runs on another thread.

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <string>

namespace tavrin::test {

// A loopback TCP port nothing listens on right now.
std::uint16_t freeLoopbackPort();

class Ser2net {
public:
    enum class Accepter {
        Raw,      // "tcp,127.0.0.1,PORT": reached as tcp://
        Rfc2217,  // "telnet(rfc2217),tcp,127.0.0.1,PORT": reached as rfc2217://
    };
    struct Config {
        Accepter accepter = Accepter::Raw;
        std::string device;                       // the serial side
        std::string lineSettings = "9600n81,rtscts";  // ser2net's own settings for the device
    };

    // Writes the configuration and starts ser2net; see ok() and error().
    explicit Ser2net(Config config);
    ~Ser2net();
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    bool ok() const { return pid_ > 0 && error_.empty(); }
    const std::string& error() const { return error_; }
    std::uint16_t port() const { return port_; }
    // The port's name for the program: "tcp://127.0.0.1:PORT" or "rfc2217://127.0.0.1:PORT".
    std::string url() const;

    // Ends ser2net with the signal and waits until it has gone; its clients' connections close.
    void stop(int signal = SIGTERM);
    // Starts it again on the same port; returns once it listens, or false with error().
    bool start();
    // What ser2net wrote to its standard output and error, for a failure message.
    std::string output() const;

private:
    Config config_;
    std::uint16_t port_;
    std::string configPath_;
    std::string outputPath_;
    pid_t pid_ = -1;
    std::string error_;
};

}  // namespace tavrin::test
