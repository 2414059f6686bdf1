#include "platform/serial_port.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <limits>

namespace tavrin::platform {

namespace {

HANDLE handleOf(void* handle) { return static_cast<HANDLE>(handle); }

OpenResult openFailure(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return {OpenError::NoSuchPort, static_cast<int>(error)};
    case ERROR_ACCESS_DENIED: return {OpenError::Busy, static_cast<int>(error)};  // another program has it
    default: return {OpenError::Other, static_cast<int>(error)};
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

// Reads return after 10 ms at most; a write gives up after 10 ms a byte plus 1560 ms, which
// is how a recorder that holds CTS low (unplugged, switched off) shows up.
void setTimeouts(HANDLE port) {
    COMMTIMEOUTS timeouts{};
    GetCommTimeouts(port, &timeouts);
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 10;
    timeouts.WriteTotalTimeoutMultiplier = 10;
    timeouts.WriteTotalTimeoutConstant = 1560;
    SetCommTimeouts(port, &timeouts);
}

}  // namespace

std::string devicePath(int portNumber) { return "COM" + std::to_string(portNumber); }

SerialPort::~SerialPort() { close(); }

bool SerialPort::isOpen() const { return handleOf(handle_) != INVALID_HANDLE_VALUE; }

// The line settings are applied whether or not the open succeeded, and no result of them is
// examined: on the invalid handle of a failed open they simply fail.
OpenResult SerialPort::open(int portNumber) {
    close();
    const std::string name = devicePath(portNumber);
    HANDLE port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    handle_ = port;
    OpenResult result;
    if (port == INVALID_HANDLE_VALUE) result = openFailure(GetLastError());
    setLine(port);
    setTimeouts(port);
    EscapeCommFunction(port, RESETDEV);
    return result;
}

void SerialPort::close() {
    if (!isOpen()) return;
    CloseHandle(handleOf(handle_));
    handle_ = INVALID_HANDLE_VALUE;
}

void SerialPort::purge() {
    PurgeComm(handleOf(handle_), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

std::size_t SerialPort::bytesWaiting() {
    DWORD errors = 0;
    COMSTAT status{};  // cbInQue stays 0 when the call fails
    ClearCommError(handleOf(handle_), &errors, &status);  // line errors are not looked at
    return status.cbInQue;
}

// Never waits for bytes that have not arrived: asks only for what is already there.
std::size_t SerialPort::readAvailable(std::span<std::uint8_t> dest) {
    const auto wanted = static_cast<DWORD>(std::min(bytesWaiting(), dest.size()));
    DWORD read = 0;
    if (!ReadFile(handleOf(handle_), dest.data(), wanted, &read, nullptr)) return 0;
    return read;
}

// A write that the time-out cuts short leaves the rest queued in the driver; it is thrown
// away so that it never goes out after the program has given up on it.
std::size_t SerialPort::write(std::span<const std::uint8_t> bytes) {
    const auto count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), std::numeric_limits<DWORD>::max()));
    DWORD written = 0;
    if (!WriteFile(handleOf(handle_), bytes.data(), count, &written, nullptr)) written = 0;
    if (written < bytes.size() && isOpen()) PurgeComm(handleOf(handle_), PURGE_TXABORT | PURGE_TXCLEAR);
    return written;
}

}  // namespace tavrin::platform
