#include "platform/serial_port.h"

#include "platform/windows_api.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <utility>
#include <vector>

namespace tavrin::platform {

namespace {

HANDLE handleOf(void* handle) { return static_cast<HANDLE>(handle); }

struct ReadEvent {
    HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ReadEvent() = default;
    ReadEvent(const ReadEvent&) = delete;
    ReadEvent& operator=(const ReadEvent&) = delete;
    ~ReadEvent() {
        if (handle != nullptr) CloseHandle(handle);
    }
};

OpenResult openFailure(DWORD error) {
    const int code = static_cast<int>(error);
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return {OpenError::NoSuchPort, code, systemErrorText(code)};
    case ERROR_ACCESS_DENIED:  // another program has it
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return {OpenError::Busy, code, systemErrorText(code)};
    default: return {OpenError::Other, code, systemErrorText(code)};
    }
}

// 9600 8N1, output held back while CTS is low, DTR handshake, RTS on; every other field
// keeps what the driver reported.
void setLine(HANDLE port) {
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    GetCommState(port, &dcb);
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = TRUE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    SetCommState(port, &dcb);
}

// Reads ask only for what has arrived and return at once. A write has no time-out of its own:
// it is overlapped, and the port watches its deadline itself.
void setTimeouts(HANDLE port) {
    COMMTIMEOUTS timeouts{};
    GetCommTimeouts(port, &timeouts);
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    SetCommTimeouts(port, &timeouts);
}

}  // namespace

// Overlapped writes the driver has not finished yet, oldest first; each keeps its bytes and its
// OVERLAPPED alive until it completes or is cancelled.
struct SerialPort::OverlappedIo {
    struct Write {
        std::vector<std::uint8_t> bytes;
        OVERLAPPED overlapped{};
    };
    std::deque<Write> writes;
    // An event of the reads' own: the port's handle is also signalled by writes completing.
    const ReadEvent readDone;

    // Drops the writes that have completed; returns the bytes still waiting to go out.
    std::size_t settle(HANDLE port) {
        while (!writes.empty()) {
            DWORD done = 0;
            if (!GetOverlappedResult(port, &writes.front().overlapped, &done, FALSE) &&
                GetLastError() == ERROR_IO_INCOMPLETE)
                break;
            writes.pop_front();
        }
        std::size_t queued = 0;
        for (const Write& w : writes) queued += w.bytes.size();
        return queued;
    }

    // CancelIo ends the pending writes; PurgeComm's abort does not end an overlapped write on
    // every driver.
    void cancel(HANDLE port) {
        if (writes.empty()) return;
        CancelIo(port);
        PurgeComm(port, PURGE_TXABORT | PURGE_TXCLEAR);
        for (Write& w : writes) {
            DWORD done = 0;
            GetOverlappedResult(port, &w.overlapped, &done, TRUE);  // ended by the cancel
        }
        writes.clear();
    }
};

std::string comPortName(int portNumber) { return "COM" + std::to_string(portNumber); }

std::string systemErrorText(int systemCode) {
    char* buffer = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(systemCode), 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = n != 0 ? std::string(buffer, n) : "system error " + std::to_string(systemCode);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

SerialPort::SerialPort() = default;

SerialPort::~SerialPort() { close(); }

bool SerialPort::isOpen() const { return handleOf(handle_) != INVALID_HANDLE_VALUE; }

int SerialPort::waitHandle() const { return -1; }

PortState SerialPort::state() const {
    if (!isOpen()) return PortState::Closed;
    return lost_ ? PortState::Lost : PortState::Open;
}

// The line settings are applied whether or not the open succeeded, and no result of them is
// examined: on the invalid handle of a failed open they simply fail.
OpenResult SerialPort::open(const std::string& name) {
    close();
    // COM10 and above open only under their device name; COM1 to COM9 take it as well.
    const std::string device = name.starts_with("COM") ? "\\\\.\\" + name : name;
    HANDLE port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    handle_ = port;
    openResult_ = port == INVALID_HANDLE_VALUE ? openFailure(GetLastError()) : OpenResult{};
    setLine(port);
    setTimeouts(port);
    EscapeCommFunction(port, RESETDEV);
    if (isOpen()) io_ = std::make_unique<OverlappedIo>();
    return openResult_;
}

void SerialPort::close() {
    if (!isOpen()) return;
    dropOutput();
    CloseHandle(handleOf(handle_));
    handle_ = INVALID_HANDLE_VALUE;
    io_.reset();
    lost_ = false;
    timedOut_ = false;
}

// A device that went away (a pulled USB adapter, a terminal whose far end hung up) fails the
// driver's status calls and every write: the port is Lost, as on POSIX.
void SerialPort::service() {
    if (!isOpen() || lost_) return;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handleOf(handle_), &errors, &status)) {
        lost_ = true;
        dropOutput();
        return;
    }
    const std::size_t queued = io_->settle(handleOf(handle_));
    if (deadlines_.overdue(queued, WriteDeadlines::Clock::now())) {
        timedOut_ = true;
        dropOutput();
    }
}

void SerialPort::purge() {
    if (!isOpen()) return;
    io_->cancel(handleOf(handle_));
    PurgeComm(handleOf(handle_), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    deadlines_.clear();
}

std::size_t SerialPort::bytesWaiting() {
    if (!isOpen() || lost_) return 0;
    DWORD errors = 0;
    COMSTAT status{};  // cbInQue stays 0 when the call fails
    ClearCommError(handleOf(handle_), &errors, &status);  // line errors are not looked at
    return status.cbInQue;
}

// Never waits for bytes that have not arrived: asks only for what is already there. A read the
// driver still holds open (the bytes it counted went elsewhere, or its read time-outs are not
// honoured for overlapped reads) is cancelled, keeping what it got: waiting on it would wait
// for the recorder's next line, which only comes after the next request this thread sends.
std::size_t SerialPort::readAvailable(std::span<std::uint8_t> dest) {
    const auto wanted = static_cast<DWORD>(std::min(bytesWaiting(), dest.size()));
    if (wanted == 0) return 0;
    HANDLE port = handleOf(handle_);
    OVERLAPPED overlapped{};
    overlapped.hEvent = io_->readDone.handle;
    DWORD read = 0;
    if (ReadFile(port, dest.data(), wanted, &read, &overlapped)) return read;
    if (GetLastError() != ERROR_IO_PENDING) {
        lost_ = true;
        return 0;
    }
    if (!GetOverlappedResult(port, &overlapped, &read, FALSE)) {
        if (GetLastError() != ERROR_IO_INCOMPLETE) return 0;
        CancelIoEx(port, &overlapped);
        if (!GetOverlappedResult(port, &overlapped, &read, TRUE)) return read;  // cancelled: what it took
    }
    return read;
}

// The bytes go to the driver as an overlapped write and the call returns; service() sees them
// leave, or sees them still queued past their deadline.
std::size_t SerialPort::write(std::span<const std::uint8_t> bytes) {
    if (!isOpen() || lost_ || bytes.empty()) return 0;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), std::numeric_limits<DWORD>::max()));
    OverlappedIo::Write& w = io_->writes.emplace_back();
    w.bytes.assign(bytes.begin(), bytes.begin() + count);
    DWORD written = 0;
    if (!WriteFile(handleOf(handle_), w.bytes.data(), count, &written, &w.overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
        // A line held by CTS leaves the write pending; one refused at once has no device behind it.
        io_->writes.pop_back();
        lost_ = true;
        dropOutput();
        return 0;
    }
    deadlines_.taken(count, WriteDeadlines::Clock::now());
    return count;
}

bool SerialPort::writeTimedOut() { return std::exchange(timedOut_, false); }

void SerialPort::dropOutput() {
    if (io_) io_->cancel(handleOf(handle_));
    deadlines_.clear();
}

}  // namespace tavrin::platform
