#pragma once

#include <string>

#include "platform/port.h"

namespace tavrin::platform {

// The operating system's serial port: termios on POSIX, the Win32 communications API on
// Windows. The platform file implements it; CMake picks the file.
//
// On POSIX the write waits until the bytes have left the driver's queue (as a Win32 write
// with CTS flow control does), so a recorder that holds CTS low shows up as a short write.
// A device that hung up (a pulled USB adapter, a pseudo-terminal whose far end closed)
// reads as empty and fails every write at once.
class SerialPort final : public Port {
public:
    SerialPort() = default;
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    OpenResult open(int portNumber) override;
    void close() override;
    void purge() override;
    std::size_t bytesWaiting() override;
    std::size_t readAvailable(std::span<std::uint8_t> dest) override;
    std::size_t write(std::span<const std::uint8_t> bytes) override;

    bool isOpen() const;

private:
#ifdef _WIN32
    void* handle_ = reinterpret_cast<void*>(static_cast<long long>(-1));  // INVALID_HANDLE_VALUE
#else
    int fd_ = -1;
#endif
};

// The device path of COM<portNumber>: "COM<n>" on Windows; on POSIX the path in the
// environment variable TAVRIN_COM<n> when it is set, else /dev/ttyS<n-1>.
std::string devicePath(int portNumber);

}  // namespace tavrin::platform
