#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavrin::platform {

// Why an open failed; the link turns it into its log line.
enum class OpenError {
    None,
    NoSuchPort,        // the device does not exist ("com port number error")
    Busy,              // another program holds it ("com port busy")
    PermissionDenied,  // logged as "com port%d error" with the system code, plus a hint
    Other,             // "com port%d error" with the system code
};

struct OpenResult {
    OpenError error = OpenError::None;
    int systemCode = 0;  // errno on POSIX, GetLastError() on Windows
    bool ok() const { return error == OpenError::None; }
};

// The one serial port the program talks through. Every call is synchronous, made on the
// user-interface thread, and never throws. After a failed open every call fails quietly:
// reads and writes return 0.
class Port {
public:
    virtual ~Port() = default;

    // Opens COM<portNumber> for exclusive use and sets 9600 8N1 with CTS output flow
    // control, DTR and RTS on, and the read and write time-outs.
    virtual OpenResult open(int portNumber) = 0;
    virtual void close() = 0;
    // Throws away what is queued in both directions.
    virtual void purge() = 0;
    virtual std::size_t bytesWaiting() = 0;
    // Reads what has arrived, at most dest.size() bytes; never waits.
    virtual std::size_t readAvailable(std::span<std::uint8_t> dest) = 0;
    // One write of all the bytes, given up after 10 ms per byte plus 1560 ms. Returns the
    // count actually written; what was not written is discarded and never goes out later.
    virtual std::size_t write(std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace tavrin::platform
