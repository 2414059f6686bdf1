#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tavrin::platform {

// Why an open failed; the link turns it into its log lines.
enum class OpenError {
    None,
    NoSuchPort,        // the device does not exist, or nothing answers at the address ("com port number error")
    Busy,              // another program holds it ("com port busy")
    PermissionDenied,  // logged as "com port%d error" with the system code, plus a hint
    Other,             // "com port%d error" with the system code
};

struct OpenResult {
    OpenError error = OpenError::None;
    int systemCode = 0;  // errno on POSIX, GetLastError() on Windows
    std::string reason;  // the system's words for it, for the hint under the error line
    bool ok() const { return error == OpenError::None; }
};

enum class PortState : std::uint8_t {
    Closed,   // not opened yet, closed, or the open failed
    Opening,  // a network connection is still being made; service() finishes it
    Open,
    Lost,     // hung up, a read error, the connection closed or reset: it has to be opened again
};

// A port the program talks to the recorder through: a serial device or a network connection to
// a serial device server. Every call is made on the one thread, returns at once and never
// throws. After a failed open every call fails quietly: reads and writes return 0.
class Port {
public:
    virtual ~Port() = default;

    // Opens the named port for exclusive use with the recorder's line settings (9600 8N1, CTS
    // output flow control, DTR and RTS on). A network port may still be connecting on return:
    // its state is then Opening, and a later service() settles it.
    virtual OpenResult open(const std::string& name) = 0;
    // COM<portNumber>, named as comPortName says.
    OpenResult open(int portNumber);
    virtual void close() = 0;
    virtual PortState state() const = 0;
    // How the last open ended, once it has: what open() returned, or for a connection that
    // failed while Opening, why.
    virtual OpenResult openResult() const = 0;

    // Does what the port has to do between calls: takes in what arrived, notices a hang-up, a
    // closed connection or output that does not leave. Never waits.
    virtual void service() = 0;
    // Throws away what is queued in both directions.
    virtual void purge() = 0;
    virtual std::size_t bytesWaiting() = 0;
    // Reads what has arrived, at most dest.size() bytes; never waits.
    virtual std::size_t readAvailable(std::span<std::uint8_t> dest) = 0;
    // Hands the bytes to the port and returns at once with the count it took: all of them, or
    // fewer when it is not open or has no room for them.
    virtual std::size_t write(std::span<const std::uint8_t> bytes) = 0;
    // Whether bytes it took did not leave within their deadline, 10 ms a byte plus 1560 ms (a
    // recorder that holds CTS low, a connection that takes nothing). Told once; what was still
    // queued is thrown away and never goes out later.
    virtual bool writeTimedOut() = 0;

    // For a caller that waits on many ports at once (waitForPorts): a descriptor that becomes
    // readable when bytes arrive, or -1 when the port has none to offer.
    virtual int waitHandle() const { return -1; }
};

// The name of COM<portNumber>: "COM<n>" on Windows; on POSIX what the environment variable
// TAVRIN_COM<n> holds when it is set, else /dev/ttyS<n-1>.
std::string comPortName(int portNumber);

// The system's words for an error code.
std::string systemErrorText(int systemCode);

}  // namespace tavrin::platform
