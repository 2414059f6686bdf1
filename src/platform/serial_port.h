#pragma once

#include <memory>
#include <string>

#include "platform/port.h"
#include "platform/write_deadlines.h"

namespace tavrin::platform {

// The operating system's serial port: termios on POSIX, the Win32 communications API on
// Windows. The platform file implements it; CMake picks the file.
//
// A write hands its bytes to the driver and returns; whether they leave in time is seen later
// from the driver's output queue, so a recorder that holds CTS low never holds up the caller.
// A device that hung up (a pulled USB adapter, a pseudo-terminal whose far end closed) is Lost.
class SerialPort final : public Port {
public:
    SerialPort();
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    using Port::open;
    OpenResult open(const std::string& name) override;
    void close() override;
    PortState state() const override;
    OpenResult openResult() const override { return openResult_; }
    void service() override;
    void purge() override;
    std::size_t bytesWaiting() override;
    std::size_t readAvailable(std::span<std::uint8_t> dest) override;
    std::size_t write(std::span<const std::uint8_t> bytes) override;
    bool writeTimedOut() override;

    int waitHandle() const override;

    bool isOpen() const;

private:
    void dropOutput();

    OpenResult openResult_;
    WriteDeadlines deadlines_;
    bool lost_ = false;
    bool timedOut_ = false;
#ifdef _WIN32
    struct OverlappedIo;  // the overlapped writes not yet complete, and the event reads wait on
    void* handle_ = reinterpret_cast<void*>(static_cast<long long>(-1));  // INVALID_HANDLE_VALUE
    std::unique_ptr<OverlappedIo> io_;
#else
    int fd_ = -1;
#endif
};

}  // namespace tavrin::platform
